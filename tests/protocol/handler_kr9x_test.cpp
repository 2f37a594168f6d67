// What one KR-9X datagram does to the unit list, the tables and the status
// codes, and how the watchdog takes a silent KR-9X off line.

#include <gtest/gtest.h>

#include "crafted_packets.h"
#include "fake_host.h"
#include "protocol/packet_handler_kr9x.h"
#include "protocol/sender_kr9x.h"
#include "protocol/unit_status.h"
#include "protocol/watchdog.h"

namespace {

using C = Crafted97;

// No network is started here, so nothing is sent anywhere: every datagram a
// sender tries to send shows one "Error in socket" box instead.
class HandlerKR9X : public ::testing::Test {
protected:
    void SetUp() override { ResetProtocolState(); }
    void TearDown() override { ResetProtocolState(); }

    static UnitPacket97 Unit(int id, std::uint8_t option, std::uint8_t macLast)
    {
        return C::With(C::First(std::uint8_t(id), option), {{0x0D, {macLast}}});
    }

    void Receive(const UnitPacket97& p, std::uint32_t from = 0x0A000005)
    {
        HandlePacketKR9X(p, from);
    }

    // Statuses shown after each of count datagrams sent 100 ms apart.
    std::vector<int> StatusesOver(int count, const UnitPacket97& p, int slot)
    {
        std::vector<int> shown;
        for (int i = 0; i < count; ++i) {
            host.now += 100;
            Receive(p);
            shown.push_back(g_UnitStatus[slot]);
        }
        return shown;
    }

    FakeHost host;
};

} // namespace

TEST_F(HandlerKR9X, UnitIdsOutsideTheRangeRaiseANoticeAndStoreNothing)
{
    for (int id : {16, 33, 0, 255})
        Receive(Unit(id, 0x01, 1));
    ASSERT_EQ(host.notices.size(), 4u);
    for (const auto& notice : host.notices)
        EXPECT_EQ(notice.first, "Error in KOVA Header"); // not a later refusal
    EXPECT_FALSE(host.lastNoticeRestart);
    EXPECT_TRUE(g_Family_KR9X.nodes().empty());
    EXPECT_EQ(g_Family_KR9X.unitsAdded, 0);
    EXPECT_EQ(host.SocketErrors(), 0);
    EXPECT_EQ(g_UnitStatus[48], UNIT_INACTIVE);
}

TEST_F(HandlerKR9X, FirstDatagramAddsAndAnswersOnceLaterOnesApplyMetersAndSupplies)
{
    Receive(Unit(20, 0x01, 1));
    const UnitNodeKR9X* node = FindUnit_KR9X(36);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(host.SocketErrors(), 1); // one state datagram, right after the add
    EXPECT_EQ(g_UnitsAdded_KR9X, 1);
    // The tables of a slot held on line are checked against the lists by the soak.
    EXPECT_EQ(g_UnitStatus[36], UNIT_ACTIVE);
    EXPECT_EQ(g_ChannelUnitType[279], UNIT_TYPE_UNUSED); // the unit is channels 280..287
    EXPECT_EQ(g_ChannelUnitType[288], UNIT_TYPE_UNUSED);
    EXPECT_EQ(g_UnitIpAddress[36], "10.0.0.5");
    EXPECT_EQ(g_ShownIpText_KR9X[36], "10.0.0.5"); // what the unit pages show
    EXPECT_EQ(g_ShownMac_KR9X[36], (MacAddress{0x00, 0x1C, 0x2D, 0x3E, 0x4F, 1}));
    EXPECT_EQ(node->UnitAddr, 0x0A000005u);
    EXPECT_EQ(host.added, (std::vector<std::pair<int, int>>{{UNIT_TYPE_KR9X, 36}}));
    EXPECT_FLOAT_EQ(g_PS48V[36], 48.0f);
    EXPECT_FLOAT_EQ(g_UnitTemperature[36], 41.0f);
    EXPECT_TRUE(SuppliesInRange_KR9X(36));
    EXPECT_FLOAT_EQ(host.meters[280], -12.0f);
    EXPECT_FLOAT_EQ(host.meters[287], -5.0f);

    int slot = 0, channel = 0;
    ASSERT_TRUE(FindUnitForChannel_KR9X(283, &slot, &channel));
    EXPECT_EQ(slot, 36);
    EXPECT_EQ(channel, 3);
    EXPECT_FALSE(FindUnitForChannel_KR9X(279, &slot, &channel));
    EXPECT_FALSE(FindUnitForChannel_KR9X(288, &slot, &channel));

    // The next datagram, from another address: nothing is sent, the address,
    // supplies, option byte and meters follow it.
    host.now += 100;
    Receive(C::With(Unit(20, 0x07, 1), {{0x22, {0x00, 0x14}}, {0x55, {94}}}), 0x0A000006);
    node = FindUnit_KR9X(36);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(host.SocketErrors(), 1);
    EXPECT_EQ(host.added.size(), 1u);
    EXPECT_EQ(node->UnitAddr, 0x0A000006u);
    EXPECT_EQ(g_UnitIpText_KR9X[36], "10.0.0.6");
    EXPECT_EQ(node->Packet[0x21], 0x07);
    EXPECT_EQ(node->LastHeardTime, host.now);
    EXPECT_FLOAT_EQ(g_PS48V[36], 47.0f);
    EXPECT_FLOAT_EQ(host.meters[280], -42.0f);

    // Unit status 1 in an active datagram latches for the rest of the run.
    EXPECT_EQ(g_Status1Seen_KR9X, 0);
    Receive(C::With(Unit(20, 0x01, 1), {{0x52, {1}}}));
    Receive(Unit(20, 0x01, 1));
    EXPECT_EQ(g_Status1Seen_KR9X, 1);
    EXPECT_EQ(FindUnit_KR9X(36)->StatusByte, 0x23);
}

TEST_F(HandlerKR9X, AnotherMacOnATakenIdIsAConflictUntilTheFirstGoesOffLine)
{
    Receive(Unit(20, 0x01, 1));
    Receive(Unit(20, 0x01, 2));
    EXPECT_EQ(g_UnitStatus[36], UNIT_CONFLICT);
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].first, "Unit ID Conflict");
    EXPECT_NE(host.notices[0].second.find("KR-9X Unit ID 20 "), std::string::npos);
    EXPECT_TRUE(host.lastNoticeRestart); // unlike the 132-byte models' notice
    ASSERT_NE(FindUnit_KR9X(36), nullptr);
    EXPECT_EQ(FindUnit_KR9X(36)->Mac[5], 1);
    EXPECT_EQ(g_Family_KR9X.liveCount, 1);

    // The first unit keeps being heard; the same MAC under another ID is no conflict.
    host.now += 100;
    Receive(Unit(20, 0x01, 1));
    EXPECT_EQ(g_UnitStatus[36], UNIT_ACTIVE);
    Receive(Unit(21, 0x01, 2));
    EXPECT_NE(FindUnit_KR9X(37), nullptr);
    EXPECT_EQ(host.notices.size(), 1u);

    // Once the first has gone off line the second may take the ID.
    host.now += 2001;
    WatchdogTimerProc();
    Receive(Unit(20, 0x01, 2));
    ASSERT_NE(FindUnit_KR9X(36), nullptr);
    EXPECT_EQ(FindUnit_KR9X(36)->Mac[5], 2);
    EXPECT_EQ(g_UnitStatus[36], UNIT_ACTIVE);
}

TEST_F(HandlerKR9X, LocalModeBlinksAtThePacketRateAndKeepsTheUnitOnLine)
{
    Receive(Unit(20, 0x01, 1));
    host.meters.clear();
    // Local mode wins over a supply fault, and nothing of it is applied.
    const UnitPacket97 local = C::With(Unit(20, 0x00, 1), {{0x55, {80}}, {0x52, {1}}});
    EXPECT_EQ(StatusesOver(14, local, 36),
              (std::vector<int>{5, 5, 5, 5, 5, 5, 1, 5, 5, 5, 5, 5, 2, 5}));
    EXPECT_EQ(g_BlinkPhase[36], 0);
    EXPECT_TRUE(host.meters.empty());
    EXPECT_FLOAT_EQ(g_PS48V[36], 48.0f);
    EXPECT_EQ(g_Status1Seen_KR9X, 0);
    WatchdogTimerProc();
    EXPECT_EQ(g_Family_KR9X.liveCount, 1);

    // An active datagram ends the display at once.
    host.now += 100;
    Receive(Unit(20, 0x01, 1));
    EXPECT_EQ(g_UnitStatus[36], UNIT_ACTIVE);
}

TEST_F(HandlerKR9X, SupplyFaultBlinksStoresNothingAndEndsWithAGoodDatagram)
{
    Receive(Unit(20, 0x01, 1));
    host.meters.clear();
    const UnitPacket97 fault = C::With(Unit(20, 0x01, 1), {{0x55, {91}}, {0x52, {1}}});
    const int repaintsBefore = host.repaints;
    // The code holds 8; the first change comes more than 500 ms after the
    // first faulty datagram and shows the dark picture, the next 8 again.
    EXPECT_EQ(StatusesOver(14, fault, 36),
              (std::vector<int>{8, 8, 8, 8, 8, 8, 1, 8, 8, 8, 8, 8, 8, 8}));
    EXPECT_EQ(host.repaints - repaintsBefore, 2);
    EXPECT_EQ(g_BlinkPhase[36], 0);
    EXPECT_EQ(g_Family_KR9X.supplyBlinkStarted[36], 1);
    EXPECT_EQ(g_Family_KR9X.localBlinkStarted[36], 0);
    EXPECT_TRUE(host.meters.empty());
    EXPECT_FLOAT_EQ(g_PS48V[36], 48.0f);
    EXPECT_EQ(g_Status1Seen_KR9X, 0);
    WatchdogTimerProc();
    EXPECT_EQ(g_Family_KR9X.liveCount, 1); // the blink keeps it heard

    host.now += 100;
    Receive(Unit(20, 0x01, 1));
    EXPECT_EQ(g_UnitStatus[36], UNIT_ACTIVE);
    EXPECT_EQ(host.meters.size(), 8u);
}

TEST_F(HandlerKR9X, WatchdogTakesSilentUnitsOffLineAndTheyComeBackAsNew)
{
    Receive(Unit(32, 0x01, 1)); // slot 48
    Receive(Unit(17, 0x01, 2)); // slot 33
    host.now += 2000;
    WatchdogTimerProc();
    EXPECT_EQ(g_Family_KR9X.liveCount, 2); // exactly 2000 ms keeps them
    Receive(Unit(17, 0x01, 2));
    host.now += 1;
    const int repaintsBefore = host.repaints;
    WatchdogTimerProc();
    EXPECT_EQ(FindUnit_KR9X(48), nullptr);
    EXPECT_NE(FindUnit_KR9X(33), nullptr);
    EXPECT_EQ(g_UnitStatus[48], UNIT_OFFLINE);
    EXPECT_GT(host.repaints, repaintsBefore);
    EXPECT_TRUE(g_UnitIpText_KR9X[48].empty());
    EXPECT_EQ(host.removed, (std::vector<std::pair<int, int>>{{UNIT_TYPE_KR9X, 48}}));

    // Heard again, the unit is added anew and answered again.
    Receive(Unit(32, 0x01, 1));
    EXPECT_EQ(g_UnitStatus[48], UNIT_ACTIVE);
    EXPECT_EQ(g_UnitsAdded_KR9X, 3);
    EXPECT_EQ(host.SocketErrors(), 3);
    EXPECT_EQ(host.added.back(), (std::pair<int, int>{UNIT_TYPE_KR9X, 48}));

    RemoveAllUnits_KR9X();
    EXPECT_TRUE(g_Family_KR9X.nodes().empty());
    EXPECT_EQ(g_UnitStatus[33], UNIT_OFFLINE);
    EXPECT_EQ(host.removed.size(), 3u);
}

TEST_F(HandlerKR9X, AUnitThatGoesDuringABoxIsNotTouchedAfterIt)
{
    // The box about the failed answer runs long enough for the watchdog to
    // take the new unit off line.
    host.duringBox = [this] {
        host.now += 3000;
        WatchdogTimerProc();
    };
    Receive(Unit(20, 0x01, 1));
    EXPECT_EQ(host.SocketErrors(), 1);
    EXPECT_EQ(FindUnit_KR9X(36), nullptr);
    EXPECT_EQ(g_UnitStatus[36], UNIT_OFFLINE);
    EXPECT_EQ(g_Family_KR9X.liveCount, 0);
    EXPECT_TRUE(g_UnitIpText_KR9X[36].empty());
    EXPECT_TRUE(host.meters.empty());
}

TEST_F(HandlerKR9X, UnitsAreKeptInMacOrder)
{
    const auto withMac = [](int id, std::initializer_list<int> mac) {
        return C::With(C::First(std::uint8_t(id), 0x01), {{0x08, mac}});
    };
    Receive(withMac(17, {0x02, 0x22, 0, 0, 0, 1}));
    Receive(withMac(18, {0x02, 0x11, 0, 0, 0, 2}));
    Receive(withMac(19, {0x03, 0x00, 0, 0, 0, 3}));
    Receive(withMac(20, {0x02, 0x11, 0, 0, 0, 2})); // equal MACs: the newest first
    EXPECT_EQ(g_Family_KR9X.SlotsInOrder(), (std::vector<int>{36, 34, 33, 35}));

    // Sends are suppressed until the main window is built.
    SendAllUnits_KR9X();
    SendControl_KR9X(33, "Mute", 0, 1.0f);
    EXPECT_EQ(host.SocketErrors(), 4); // the four answers to the first datagrams
}
