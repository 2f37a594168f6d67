// The queue between the receive thread and the GUI thread under more than
// the GUI thread takes: it never grows past its capacity, what does not fit
// is counted, and what is queued stays the oldest datagrams in their order.

#include <gtest/gtest.h>

#include <netinet/in.h>

#include <atomic>

#include "protocol/network_core.h"
#include "support/loopback_port.h"

namespace {

constexpr int kWaitMs = 5000; // upper bound of a loopback hand-over

// A KR-9X-sized datagram numbered in its first two bytes.
void SendNumbered(const LoopbackPort& from, std::uint16_t port, std::uint16_t number)
{
    std::uint8_t bytes[97] = {std::uint8_t(number >> 8), std::uint8_t(number)};
    from.SendTo(port, bytes, sizeof bytes);
}

} // namespace

TEST(DatagramQueue, HoldsAtMostItsCapacityCountsWhatDidNotFitAndKeepsTheOldest)
{
    std::atomic<int> wakeUps{0};
    NetworkCore core(NetworkConfig{0, 1, INADDR_LOOPBACK}, [&] { ++wakeUps; });
    ASSERT_EQ(core.InitNetwork(), NetworkCore::InitResult::Ok);
    ASSERT_TRUE(core.StartReceiveThread());
    const LoopbackPort unit;

    const std::size_t capacity = NetworkCore::queueCapacity();
    const std::size_t extra = 300;
    // In steps the socket's own buffer holds, so that only the queue drops.
    for (std::size_t n = 0; n < capacity + extra; ++n) {
        SendNumbered(unit, core.boundPort(), std::uint16_t(n));
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
    SendNumbered(unit, core.boundPort(), 7);
    SendNumbered(unit, core.boundPort(), 8);
    ASSERT_TRUE(core.WaitForDealtWith(capacity + extra + 2, kWaitMs));
    EXPECT_EQ(core.queuedCount(), 2u);
    EXPECT_EQ(wakeUps.load(), 2);
    EXPECT_EQ(core.droppedDatagrams.load(), extra);
    core.ShutdownNetwork();
}
