// The queue between the receive thread and the GUI thread under more than
// the GUI thread takes: it never grows past its capacity, what does not fit
// is counted, and what is queued stays the oldest datagrams in their order.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <vector>

#include "protocol/network_core.h"

namespace {

constexpr int kWaitMs = 5000; // upper bound of a loopback hand-over

int LoopbackSocket()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    return fd;
}

// A KR-9X-sized datagram numbered in its first two bytes.
void SendNumbered(int fd, std::uint16_t port, std::uint16_t number)
{
    std::uint8_t bytes[97] = {};
    bytes[0] = std::uint8_t(number >> 8);
    bytes[1] = std::uint8_t(number);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::sendto(fd, bytes, sizeof bytes, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

} // namespace

TEST(DatagramQueue, HoldsAtMostItsCapacityCountsWhatDidNotFitAndKeepsTheOldest)
{
    std::atomic<int> wakeUps{0};
    NetworkCore core(NetworkConfig{0, 1, INADDR_LOOPBACK}, [&] { ++wakeUps; });
    ASSERT_EQ(core.InitNetwork(), NetworkCore::InitResult::Ok);
    ASSERT_TRUE(core.StartReceiveThread());
    const int fd = LoopbackSocket();

    const std::size_t capacity = NetworkCore::queueCapacity();
    const std::size_t extra = 300;
    // In steps the socket's own buffer holds, so that only the queue drops.
    for (std::size_t n = 0; n < capacity + extra; ++n) {
        SendNumbered(fd, core.boundPort(), std::uint16_t(n));
        if (n % 64 == 63) {
            ASSERT_TRUE(core.WaitForDealtWith(n + 1, kWaitMs)) << n;
        }
    }
    ASSERT_TRUE(core.WaitForDealtWith(capacity + extra, kWaitMs));

    EXPECT_EQ(core.queuedCount(), capacity);
    EXPECT_EQ(core.droppedDatagrams.load(), extra);
    EXPECT_EQ(core.g_PacketsReceived.load(), capacity + extra);
    EXPECT_EQ(wakeUps.load(), 1); // one call while the GUI thread had not drained

    ReceivedDatagram d;
    for (std::size_t n = 0; n < capacity; ++n) {
        ASSERT_TRUE(core.PopDatagram(d));
        ASSERT_EQ((d.bytes[0] << 8) | d.bytes[1], int(n));
    }
    EXPECT_FALSE(core.PopDatagram(d));

    // Room again: the next datagram is queued and wakes the GUI thread (the
    // receive thread has called by the time it deals with the one after).
    SendNumbered(fd, core.boundPort(), 7);
    SendNumbered(fd, core.boundPort(), 8);
    ASSERT_TRUE(core.WaitForDealtWith(capacity + extra + 2, kWaitMs));
    EXPECT_EQ(core.queuedCount(), 2u);
    EXPECT_EQ(wakeUps.load(), 2);
    EXPECT_EQ(core.droppedDatagrams.load(), extra);
    ::close(fd);
    core.ShutdownNetwork();
}
