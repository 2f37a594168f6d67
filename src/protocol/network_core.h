#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "protocol/datagram_sort.h"
#include "protocol/known_units.h"
#include "protocol/unit_packet132.h"

// Ports and addresses of the unit network: the program listens on pcPort
// and sends to each unit's address on unitPort. Tests pass free ports.
struct NetworkConfig {
    std::uint16_t pcPort = 2000;      // where units send to
    std::uint16_t unitPort = 2001;    // where units listen
    std::uint32_t bindAddress = 0;    // host order; 0 = every local address
};

constexpr std::uint16_t UDP_PORT_PC = 2000;
constexpr std::uint16_t UDP_PORT_UNIT = 2001;

// One datagram as the receive thread hands it over: its route, its bytes
// and where it came from.
struct ReceivedDatagram {
    DatagramRoute route = DatagramRoute::Ignored;
    std::uint16_t size = 0;
    std::array<std::uint8_t, p132::kSize> bytes{};
    std::uint32_t fromAddress = 0; // host order
    std::uint16_t fromPort = 0;
    // When the receive thread took it off the socket, on the program's clock:
    // the unit counts as heard from then, however long the datagram waits.
    std::uint32_t arrivalMs = 0;
};

// The datagram's bytes as the packet its route carries (UnitPacket97 or
// UnitPacket132).
template <typename Packet>
Packet PacketOf(const ReceivedDatagram& datagram)
{
    Packet packet{};
    std::copy_n(datagram.bytes.begin(), packet.size(), packet.begin());
    return packet;
}

// The part of the network that knows no unit model: the receive socket and
// its thread, which sorts datagrams by route and queues copies for the GUI
// thread in arrival order, and the send socket.
class NetworkCore {
public:
    enum class InitResult { Ok, SocketFailed, BindFailed };

    // onDatagramsWaiting is called on the receive thread when the queue
    // stops being empty; it must only arrange for the GUI thread to drain
    // the queue, never wait for it. arrivalClock (called on the receive
    // thread) gives the milliseconds of the program's clock that stamp each
    // datagram; without it the monotonic system clock does.
    NetworkCore(NetworkConfig config, std::function<void()> onDatagramsWaiting,
                std::function<std::uint32_t()> arrivalClock = {});
    ~NetworkCore();
    NetworkCore(const NetworkCore&) = delete;
    NetworkCore& operator=(const NetworkCore&) = delete;

    const NetworkConfig& config() const { return m_config; }

    // Creates the receive socket, allows broadcast on it and binds it.
    // broadcastFailed reports a socket that could not be set to receive broadcasts.
    InitResult InitNetwork(bool* broadcastFailed = nullptr);
    // Starts the receive thread; false (and no thread) without a bound socket.
    bool StartReceiveThread();
    // Sets the stop flag, wakes and joins the receive thread, closes the sockets.
    void ShutdownNetwork();

    bool isBound() const { return m_recvSocket >= 0 && m_bound; }
    bool isReceiving() const { return m_thread.joinable(); }
    // The port actually bound (differs from the configured one when that was 0).
    std::uint16_t boundPort() const { return m_boundPort; }

    // GUI thread: the oldest datagram waiting, if any.
    bool PopDatagram(ReceivedDatagram& out);
    std::size_t queuedCount() const;
    // GUI thread: visits every datagram still waiting, oldest first, without
    // taking it from the queue. visit must not call back into the core.
    void ForEachWaiting(const std::function<void(const ReceivedDatagram&)>& visit) const;
    // GUI thread: datagrams handed over by PopDatagram so far.
    std::uint64_t deliveredCount() const { return m_delivered; }
    // Waits up to timeoutMs until at least count datagrams wait in the queue.
    bool WaitForQueued(std::size_t count, int timeoutMs) const;
    // Waits up to timeoutMs until the receive thread has dealt with at least
    // count datagrams bound for the GUI thread: queued, handed over or dropped.
    bool WaitForDealtWith(std::uint64_t count, int timeoutMs) const;
    // How many datagrams the queue holds at most.
    static constexpr std::size_t queueCapacity() { return kQueueCapacity; }

    // The units on line as the GUI thread publishes them. When the queue is
    // full, a report of one of them takes the place of the oldest waiting
    // datagram that is not such a report; anything else that finds the
    // queue full is dropped.
    KnownUnits& knownUnits() { return m_knownUnits; }

    // Creates the send socket when there is none; false when it cannot.
    bool EnsureSendSocket();
    bool hasSendSocket() const { return m_sendSocket >= 0; }
    // Sends a datagram to address (host order) on the unit port. False when
    // no send socket could be created; a failing send itself is not reported.
    bool Send(const std::uint8_t* data, std::size_t size, std::uint32_t address);
    int lastSendResult() const { return m_socketResult; }

    std::atomic<int> g_StopReceiveThread{0};
    // Datagrams of 97 or 132 bytes received, whatever their format code.
    std::atomic<std::uint32_t> g_PacketsReceived{0};
    // Datagrams dropped because the GUI thread had fallen too far behind:
    // the queue was full when they came, or they made room for a report of
    // a unit on line.
    std::atomic<std::uint32_t> droppedDatagrams{0};
    // Of those, the reports of units on line: only dropped when the queue
    // holds nothing else.
    std::atomic<std::uint32_t> droppedReports{0};

private:
    void ReceiveThreadProc();
    void Enqueue(const std::uint8_t* data, std::size_t size, DatagramRoute route,
                 std::uint32_t fromAddress, std::uint16_t fromPort, std::uint32_t arrivalMs);

    NetworkConfig m_config;
    std::function<void()> m_onDatagramsWaiting;
    std::function<std::uint32_t()> m_arrivalClock;
    int m_recvSocket = -1;
    int m_sendSocket = -1;
    int m_wakePipe[2] = {-1, -1};
    bool m_bound = false;
    std::uint16_t m_boundPort = 0;
    int m_socketResult = 0;
    std::thread m_thread;

    // Datagrams waiting in arrival order: a fixed ring, so receiving
    // allocates nothing per datagram. Each entry carries its arrival number,
    // by which two rings give one order.
    class Ring {
    public:
        explicit Ring(std::size_t capacity) : m_entries(capacity) {}
        std::size_t size() const { return m_size; }
        bool empty() const { return m_size == 0; }
        const ReceivedDatagram& front() const { return m_entries[m_head].datagram; }
        std::uint64_t frontArrival() const { return m_entries[m_head].arrival; }
        const ReceivedDatagram& at(std::size_t i) const { return EntryAt(i).datagram; }
        std::uint64_t arrivalAt(std::size_t i) const { return EntryAt(i).arrival; }
        // The entry to fill at the back; the ring must not be full.
        ReceivedDatagram& PushBack(std::uint64_t arrival);
        void PopFront();

    private:
        struct Entry {
            ReceivedDatagram datagram;
            std::uint64_t arrival = 0;
        };
        const Entry& EntryAt(std::size_t i) const { return m_entries[(m_head + i) % m_entries.size()]; }
        std::vector<Entry> m_entries;
        std::size_t m_head = 0;
        std::size_t m_size = 0;
    };
    // The ring whose oldest datagram came first; null when both are empty.
    Ring* OlderFront();
    std::size_t QueuedLocked() const { return m_reports.size() + m_others.size(); }

    static constexpr std::size_t kQueueCapacity = 2048;
    KnownUnits m_knownUnits;
    mutable std::mutex m_queueMutex;
    mutable std::condition_variable m_queueChanged;
    // Reports of the units on line, and everything else; together at most
    // kQueueCapacity.
    Ring m_reports{kQueueCapacity};
    Ring m_others{kQueueCapacity};
    std::uint64_t m_arrivals = 0;
    std::uint64_t m_delivered = 0;
    std::uint64_t m_dealtWith = 0; // queued or dropped, ever
};

// The first IPv4 address of this computer on a network (not loopback), else
// the address its host name stands for, as dotted text; empty when neither.
std::string LookUpLocalIpAddress();

// Fills g_LocalIpString with this computer's address; false when there is none.
bool GetLocalHostAddress();
