#pragma once

// A UDP socket on a free 127.0.0.1 port that plays the units' side: it
// reads what the program sends and sends to the program as a unit does.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class LoopbackPort {
public:
    LoopbackPort()
    {
        m_fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
    }
    ~LoopbackPort() { ::close(m_fd); }
    LoopbackPort(const LoopbackPort&) = delete;
    LoopbackPort& operator=(const LoopbackPort&) = delete;

    std::uint16_t port() const { return m_port; }

    // The next datagram, waiting at most timeoutMs for it (a loopback
    // hand-over is immediate; the bound only keeps a failing test finite).
    std::optional<std::vector<std::uint8_t>> Next(int timeoutMs = 2000)
    {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return std::nullopt;
        std::vector<std::uint8_t> bytes(2048);
        const ssize_t n = ::recv(m_fd, bytes.data(), bytes.size(), 0);
        if (n < 0)
            return std::nullopt;
        bytes.resize(std::size_t(n));
        return bytes;
    }
    // Drops whatever has arrived so far.
    void Drain()
    {
        while (Next(0)) {
        }
    }

    // Everything received so far: a loopback send has arrived by the time
    // sendto returns.
    std::vector<std::vector<std::uint8_t>> All()
    {
        std::vector<std::vector<std::uint8_t>> all;
        pollfd p{m_fd, POLLIN, 0};
        while (::poll(&p, 1, 0) > 0) {
            std::vector<std::uint8_t> bytes(2048);
            const ssize_t n = ::recv(m_fd, bytes.data(), bytes.size(), 0);
            bytes.resize(n > 0 ? std::size_t(n) : 0);
            all.push_back(bytes);
        }
        return all;
    }

    void SendTo(std::uint16_t port, const void* data, std::size_t size) const
    {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::sendto(m_fd, data, size, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    template <typename Packet>
    void SendTo(std::uint16_t port, const Packet& p) const
    {
        SendTo(port, p.data(), p.size());
    }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};
