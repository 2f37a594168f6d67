// The queue between the receive thread and the GUI thread under more than
// the GUI thread takes: it never grows past its capacity, what does not fit
// is counted, and what is queued stays the oldest datagrams in their order.

#include <gtest/gtest.h>

#include <netinet/in.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <iterator>
#include <vector>

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

const std::uint8_t kMac[6] = {0x02, 0x4B, 0x56, 0x90, 0x80, 1};

// A report of size bytes: unit ID, the serial that ends its MAC, a number in
// the bytes that follow the MAC.
template <std::size_t size = 97>
std::array<std::uint8_t, size> Report(int unitId, std::uint8_t serial = 1, std::uint16_t number = 0)
{
    std::array<std::uint8_t, size> bytes{'K', 'O', 'V', 'A'};
    bytes[5] = std::uint8_t(unitId);
    std::copy(std::begin(kMac), std::end(kMac), bytes.begin() + 8);
    bytes[13] = serial;
    bytes[14] = std::uint8_t(number >> 8);
    bytes[15] = std::uint8_t(number);
    return bytes;
}

int NumberOf(const ReceivedDatagram& d)
{
    return (d.bytes[14] << 8) | d.bytes[15];
}

constexpr std::uint32_t kFrom = 0x7F000002; // loopback
constexpr std::uint8_t kRackSerial = 1;
constexpr std::uint8_t kStrangerSerial = 7;

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

// The slot a datagram speaks for and whether the unit that holds it sent it:
// its ID in the model's range, its MAC, an address a unit can have.
TEST(DatagramQueue, AReportOfAUnitOnLineIsKnownByItsSlotAndMac)
{
    KnownUnits known;
    const auto isKnown = [&](const auto& d, std::uint32_t from = kFrom, DatagramRoute route = DatagramRoute::KR9X) {
        return known.IsReportOfKnownUnit(route, d.data(), d.size(), from);
    };
    const auto slot = [](DatagramRoute route, const auto& d) { return SlotOfDatagram(route, d.data(), d.size(), kFrom); };
    const auto d97 = Report(20);
    EXPECT_EQ(slot(DatagramRoute::KR9X, d97), 36);
    EXPECT_FALSE(isKnown(d97));
    known.Publish(36, kMac);
    EXPECT_TRUE(isKnown(d97));
    // Another MAC, another ID, an address no unit has, or the slot let go.
    EXPECT_FALSE(isKnown(Report(20, 2)));
    EXPECT_FALSE(isKnown(Report(21)));
    EXPECT_FALSE(isKnown(d97, 0xE0000001));
    known.Publish(36, nullptr);
    EXPECT_FALSE(isKnown(d97));

    // The 132-byte models: slot 2 x ID - 1, the address the unit states.
    auto d132 = Report<132>(4);
    const std::uint8_t stated[8] = {192, 168, 1, 20, 255, 255, 255, 0};
    std::copy(std::begin(stated), std::end(stated), d132.begin() + 0x7C);
    known.Publish(7, kMac);
    EXPECT_TRUE(isKnown(d132, kFrom, DatagramRoute::KR960));
    EXPECT_TRUE(isKnown(d132, kFrom, DatagramRoute::KR960_8));
    EXPECT_FALSE(known.IsReportOfKnownUnit(DatagramRoute::KR9X, d132.data(), 97, kFrom));
    d132[0x7F] = 255; // the subnet's broadcast address
    EXPECT_EQ(slot(DatagramRoute::KR960, d132), 0);
    d132[0x7F] = 20;
    d132[5] = 17;
    EXPECT_EQ(slot(DatagramRoute::KR960, d132), 0);
    known.ForgetAll();
    d132[5] = 4;
    EXPECT_FALSE(isKnown(d132, kFrom, DatagramRoute::KR960));
}

// A full queue keeps the reports of the units on line before anything else:
// each takes the place of the oldest datagram of another sender, and only a
// queue of nothing but such reports drops one.
TEST(DatagramQueue, WhenFullTheReportsOfUnitsOnLineGoLast)
{
    NetworkCore core(NetworkConfig{0, 1, INADDR_LOOPBACK}, [] {});
    ASSERT_EQ(core.InitNetwork(), NetworkCore::InitResult::Ok);
    core.knownUnits().Publish(36, kMac); // unit 20 is on line
    ASSERT_TRUE(core.StartReceiveThread());
    const LoopbackPort unit;

    const std::size_t capacity = NetworkCore::queueCapacity();
    std::uint64_t sent = 0;
    const auto send = [&](int id, std::uint8_t serial, std::uint16_t number) {
        unit.SendTo(core.boundPort(), Report(id, serial, number));
        if (++sent % 64 == 0) {
            ASSERT_TRUE(core.WaitForDealtWith(sent, kWaitMs)) << sent;
        }
    };
    // Full of a stranger's datagrams, numbered 0 on: ID 21, and the rack unit's ID with another MAC.
    for (std::size_t n = 0; n < capacity; ++n)
        send(n % 2 ? 21 : 20, kStrangerSerial, std::uint16_t(n));
    // More of them, then the rack unit's reports (numbered 10000 on) among more.
    for (std::uint16_t n = 0; n < 100; ++n) {
        send(21, kStrangerSerial, std::uint16_t(50000 + n));
        send(20, kRackSerial, std::uint16_t(10000 + n));
    }
    ASSERT_TRUE(core.WaitForDealtWith(sent, kWaitMs));

    EXPECT_EQ(core.queuedCount(), capacity);
    EXPECT_EQ(core.droppedDatagrams.load(), 200u);
    EXPECT_EQ(core.droppedReports.load(), 0u);
    // Waiting, in arrival order: the stranger's but the 100 oldest, then the rack unit's 100.
    std::vector<int> seen;
    core.ForEachWaiting([&](const ReceivedDatagram& d) { seen.push_back(NumberOf(d)); });
    ReceivedDatagram d;
    for (std::size_t n = 0; n < capacity; ++n) {
        ASSERT_TRUE(core.PopDatagram(d));
        const int expected = n < capacity - 100 ? int(n + 100) : int(10000 + n - (capacity - 100));
        ASSERT_EQ(NumberOf(d), expected) << n;
        ASSERT_EQ(seen[n], expected) << n;
    }
    EXPECT_FALSE(core.PopDatagram(d));

    // Nothing but the rack unit's reports: the next one finds no room.
    for (std::size_t n = 0; n < capacity + 3; ++n)
        send(20, kRackSerial, std::uint16_t(n));
    send(21, kStrangerSerial, 60000);
    ASSERT_TRUE(core.WaitForDealtWith(sent, kWaitMs));
    EXPECT_EQ(core.queuedCount(), capacity);
    EXPECT_EQ(core.droppedReports.load(), 3u);
    EXPECT_EQ(core.droppedDatagrams.load(), 204u);
    ASSERT_TRUE(core.PopDatagram(d));
    EXPECT_EQ(NumberOf(d), 0);
    core.ShutdownNetwork();
}
