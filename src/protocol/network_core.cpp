#include "protocol/network_core.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "protocol/ipv4.h"
#include "protocol/unit_network.h"

NetworkCore::NetworkCore(NetworkConfig config, std::function<void()> onDatagramsWaiting,
                         std::function<std::uint32_t()> arrivalClock)
    : m_config(config), m_onDatagramsWaiting(std::move(onDatagramsWaiting)),
      m_arrivalClock(std::move(arrivalClock))
{
    if (!m_arrivalClock) {
        m_arrivalClock = [] {
            using namespace std::chrono;
            return static_cast<std::uint32_t>(
                duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
        };
    }
}

NetworkCore::~NetworkCore()
{
    ShutdownNetwork();
}

NetworkCore::InitResult NetworkCore::InitNetwork(bool* broadcastFailed)
{
    if (broadcastFailed)
        *broadcastFailed = false;
    if (m_recvSocket < 0) {
        m_recvSocket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (m_recvSocket < 0)
            return InitResult::SocketFailed;
    }
    const int on = 1;
    if (::setsockopt(m_recvSocket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0
        && broadcastFailed)
        *broadcastFailed = true;

    sockaddr_in bindAddr{};
    bindAddr.sin_family = AF_INET;
    bindAddr.sin_port = htons(m_config.pcPort);
    bindAddr.sin_addr.s_addr = htonl(m_config.bindAddress);
    if (::bind(m_recvSocket, reinterpret_cast<const sockaddr*>(&bindAddr), sizeof bindAddr) != 0)
        return InitResult::BindFailed;
    m_bound = true;
    sockaddr_in actual{};
    socklen_t len = sizeof actual;
    if (::getsockname(m_recvSocket, reinterpret_cast<sockaddr*>(&actual), &len) == 0)
        m_boundPort = ntohs(actual.sin_port);
    return InitResult::Ok;
}

bool NetworkCore::StartReceiveThread()
{
    if (!isBound() || m_thread.joinable() || g_StopReceiveThread.load())
        return false;
    if (m_wakePipe[0] < 0 && ::pipe2(m_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_wakePipe[0] = m_wakePipe[1] = -1;
        return false;
    }
    m_thread = std::thread([this] { ReceiveThreadProc(); });
    return true;
}

void NetworkCore::ShutdownNetwork()
{
    g_StopReceiveThread = 1;
    if (m_wakePipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wakePipe[1], &byte, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    for (int* fd : {&m_recvSocket, &m_sendSocket, &m_wakePipe[0], &m_wakePipe[1]}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
    m_bound = false;
}

namespace {

// The next wait after a failed receive: 10 ms, doubling up to a second.
int NextBackoff(int backoffMs)
{
    return std::min(std::max(backoffMs * 2, 10), 1000);
}

} // namespace

void NetworkCore::ReceiveThreadProc()
{
    std::array<std::uint8_t, kReceiveBufferSize> buffer;
    int backoffMs = 0;
    pollfd fds[2] = {{m_recvSocket, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
    while (!g_StopReceiveThread.load()) {
        // After a failed receive only the wake pipe is watched for a while, so
        // a socket that keeps failing does not turn the loop into a spin.
        if (backoffMs > 0) {
            ::poll(&fds[1], 1, backoffMs);
        } else if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
            backoffMs = NextBackoff(backoffMs);
            continue;
        }
        if (g_StopReceiveThread.load())
            break;
        // Everything that is waiting, without blocking.
        for (;;) {
            sockaddr_in from{};
            socklen_t fromLen = sizeof from;
            // MSG_TRUNC reports the datagram's real length, so an oversized one
            // is recognised and dropped without being read past the buffer.
            const ssize_t n = ::recvfrom(m_recvSocket, buffer.data(), buffer.size(),
                                         MSG_TRUNC | MSG_DONTWAIT,
                                         reinterpret_cast<sockaddr*>(&from), &fromLen);
            if (n < 0) {
                const bool nothingWaiting = errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
                backoffMs = nothingWaiting ? 0 : NextBackoff(backoffMs);
                break;
            }
            backoffMs = 0;
            const auto size = static_cast<std::size_t>(n);
            if (size > buffer.size())
                continue;
            const DatagramRoute route = RouteDatagram(buffer.data(), size);
            if (!CountsAsReceived(route))
                continue;
            g_PacketsReceived.fetch_add(1);
            if (route != DatagramRoute::CountedOnly)
                Enqueue(buffer.data(), size, route, ntohl(from.sin_addr.s_addr),
                        ntohs(from.sin_port), m_arrivalClock());
            if (g_StopReceiveThread.load())
                break;
        }
    }
}

ReceivedDatagram& NetworkCore::Ring::PushBack(std::uint64_t arrival)
{
    Entry& entry = m_entries[(m_head + m_size) % m_entries.size()];
    entry.arrival = arrival;
    ++m_size;
    return entry.datagram;
}

void NetworkCore::Ring::PopFront()
{
    m_head = (m_head + 1) % m_entries.size();
    --m_size;
}

NetworkCore::Ring* NetworkCore::OlderFront()
{
    if (m_reports.empty())
        return m_others.empty() ? nullptr : &m_others;
    if (m_others.empty())
        return &m_reports;
    return m_reports.frontArrival() < m_others.frontArrival() ? &m_reports : &m_others;
}

void NetworkCore::Enqueue(const std::uint8_t* data, std::size_t size, DatagramRoute route,
                          std::uint32_t fromAddress, std::uint16_t fromPort,
                          std::uint32_t arrivalMs)
{
    // Asked before the lock: the table is the GUI thread's, published word by word.
    const bool report = m_knownUnits.IsReportOfKnownUnit(route, data, size, fromAddress);
    bool wasEmpty = false;
    {
        std::lock_guard lock(m_queueMutex);
        ++m_dealtWith;
        if (QueuedLocked() == kQueueCapacity) {
            // Never queued without bound: what the GUI thread cannot take in
            // time is counted and let go. A report of a unit on line goes
            // last: it takes the place of the oldest datagram of anything
            // else, so a sender of new units or new IDs, however fast, cannot
            // crowd the units on line out and let them be taken off line.
            if (!report || m_others.empty()) {
                droppedDatagrams.fetch_add(1);
                if (report)
                    droppedReports.fetch_add(1);
                m_queueChanged.notify_all();
                return;
            }
            m_others.PopFront();
            droppedDatagrams.fetch_add(1);
        }
        ReceivedDatagram& slot = (report ? m_reports : m_others).PushBack(m_arrivals++);
        slot.route = route;
        slot.size = static_cast<std::uint16_t>(size);
        std::memcpy(slot.bytes.data(), data, size);
        slot.fromAddress = fromAddress;
        slot.fromPort = fromPort;
        slot.arrivalMs = arrivalMs;
        wasEmpty = QueuedLocked() == 1;
    }
    m_queueChanged.notify_all();
    if (wasEmpty && m_onDatagramsWaiting)
        m_onDatagramsWaiting();
}

bool NetworkCore::PopDatagram(ReceivedDatagram& out)
{
    std::lock_guard lock(m_queueMutex);
    Ring* ring = OlderFront();
    if (!ring)
        return false;
    out = ring->front();
    ring->PopFront();
    ++m_delivered;
    return true;
}

std::size_t NetworkCore::queuedCount() const
{
    std::lock_guard lock(m_queueMutex);
    return QueuedLocked();
}

void NetworkCore::ForEachWaiting(const std::function<void(const ReceivedDatagram&)>& visit) const
{
    std::lock_guard lock(m_queueMutex);
    // The two rings merged by arrival.
    std::size_t r = 0, o = 0;
    while (r < m_reports.size() || o < m_others.size()) {
        const bool takeReport = o == m_others.size()
            || (r < m_reports.size() && m_reports.arrivalAt(r) < m_others.arrivalAt(o));
        visit(takeReport ? m_reports.at(r++) : m_others.at(o++));
    }
}

bool NetworkCore::WaitForQueued(std::size_t count, int timeoutMs) const
{
    std::unique_lock lock(m_queueMutex);
    return m_queueChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&] { return QueuedLocked() >= count; });
}

bool NetworkCore::WaitForDealtWith(std::uint64_t count, int timeoutMs) const
{
    std::unique_lock lock(m_queueMutex);
    return m_queueChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&] { return m_dealtWith >= count; });
}

bool NetworkCore::EnsureSendSocket()
{
    if (m_sendSocket < 0)
        m_sendSocket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    return m_sendSocket >= 0;
}

bool NetworkCore::Send(const std::uint8_t* data, std::size_t size, std::uint32_t address)
{
    if (!EnsureSendSocket())
        return false;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(m_config.unitPort);
    to.sin_addr.s_addr = htonl(address);
    m_socketResult = static_cast<int>(
        ::sendto(m_sendSocket, data, size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to));
    return true;
}

std::string LookUpLocalIpAddress()
{
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return std::string();
    std::string found;
    for (const ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || !(a->ifa_flags & IFF_UP)
            || (a->ifa_flags & IFF_LOOPBACK))
            continue;
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
        found = DottedText(ntohl(in->sin_addr.s_addr));
        break;
    }
    ::freeifaddrs(list);
    if (!found.empty())
        return found;

    // No network interface is up: the address the host name stands for.
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return std::string();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &result) != 0 || !result)
        return std::string();
    const auto* in = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
    found = DottedText(ntohl(in->sin_addr.s_addr));
    ::freeaddrinfo(result);
    return found;
}

bool GetLocalHostAddress()
{
    g_LocalIpString = LookUpLocalIpAddress();
    return !g_LocalIpString.empty();
}
