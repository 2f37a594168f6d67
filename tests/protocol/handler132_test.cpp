// What one 132-byte datagram does to the unit lists, tables and status codes.

#include <gtest/gtest.h>

#include "crafted_packets.h"
#include "fake_host.h"
#include "protocol/packet_handler132.h"
#include "protocol/sender132.h"
#include "protocol/unit_status.h"
#include "protocol/watchdog.h"

namespace {

using C = Crafted132;

// No network is started here, so nothing is sent anywhere (the crafted units
// state addresses of a private range); senders report "Error in socket".
class Handler132 : public ::testing::Test {
protected:
    void SetUp() override { ResetProtocolState(); }

    static UnitPacket132 Unit(int id, std::uint8_t option, std::uint8_t macLast)
    {
        return C::With(C::First(std::uint8_t(id), option), {{0x0D, {macLast}}});
    }

    void Receive(UnitFamily132& family, const UnitPacket132& p)
    {
        HandlePacket132(family, p, 0x7F000002);
    }
    // To the family its size and model bit pick.
    void Receive(const UnitPacket132& p) { Receive(FamilyForDatagram(p), p); }

    FakeHost host;
};

// What the soak turned up: a unit that went off line left its MAC registered
// under its old ID, and that registration outweighed the unit holding the ID
// since under the other 132-byte model.
class StaleRegistration : public Handler132 {
protected:
    // Silence long enough for one watchdog tick to take everybody off line.
    void Silence()
    {
        host.now += kOfflineAfterMs + 1;
        WatchdogTimerProc();
    }
};

} // namespace

TEST_F(Handler132, UnitIdsOutsideTheRangeRaiseANoticeAndStoreNothing)
{
    for (int id : {0, 17})
        Receive(g_Family_KR960, Unit(id, 0x09, 1));
    ASSERT_EQ(host.notices.size(), 2u);
    for (const auto& notice : host.notices)
        EXPECT_EQ(notice.first, "Error in KOVA Header"); // not a later refusal
    EXPECT_FALSE(host.lastNoticeRestart);
    EXPECT_TRUE(g_Family_KR960.nodes().empty());
    EXPECT_EQ(g_Family_KR960.liveCount, 0);
}

TEST_F(Handler132, FirstDatagramAddsTheUnitAndLaterOnesApplyMetersAndOptions)
{
    Receive(g_Family_KR960, C::With(Unit(3, 0x09, 1), {{0x22, {40}}, {0x27, {0}}}));
    const UnitNode132* node = g_Family_KR960.FindUnit(5);
    ASSERT_NE(node, nullptr);
    // The tables of a slot held on line are checked against the lists by the soak.
    EXPECT_EQ(g_UnitStatus[5], UNIT_ACTIVE);
    EXPECT_EQ(g_UnitIpAddress[5], "192.168.1.20");
    EXPECT_EQ(node->UnitAddr, 0xC0A80114u); // from now on: the address the unit states
    EXPECT_EQ(g_ChannelUnitType[48], UNIT_TYPE_UNUSED); // the unit ends at channel 47
    EXPECT_EQ(host.added, (std::vector<std::pair<int, int>>{{UNIT_TYPE_KR960, 5}}));
    EXPECT_EQ(host.timers[5], 2000);
    EXPECT_EQ(g_UnitOption[5], "DANTE");
    EXPECT_EQ(g_Family_KR960.rateText[5], "4X"); // 0x23 has bit 5
    EXPECT_FLOAT_EQ(g_UnitTemperature[5], 41.0f);
    EXPECT_FLOAT_EQ(host.meters[32], -20.0f);
    EXPECT_FLOAT_EQ(host.meters[33], 0.0f);
    EXPECT_FLOAT_EQ(host.meters[47], -12.5f);

    // The option card of a 16-channel unit reads MIDI or DANTE; an 8-channel
    // unit keeps its text when neither bit is set.
    Receive(g_Family_KR960, Unit(3, 0x05, 1));
    EXPECT_EQ(g_UnitOption[5], "MIDI");
    Receive(g_Family_KR960_8, Unit(1, 0x08, 2));
    EXPECT_EQ(g_UnitOption[1], "DANTE");
    Receive(g_Family_KR960_8, Unit(1, 0x02, 2));
    EXPECT_EQ(g_UnitOption[1], "DANTE");
    Receive(g_Family_KR960_8, Unit(1, 0x04, 2));
    EXPECT_EQ(g_UnitOption[1], "MIDI");
}

TEST_F(Handler132, AnotherMacOnATakenIdIsAConflictUntilTheFirstGoesOffLine)
{
    Receive(g_Family_KR960, Unit(4, 0x09, 1));
    Receive(g_Family_KR960, Unit(4, 0x09, 2));
    EXPECT_EQ(g_UnitStatus[7], UNIT_CONFLICT);
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].first, "Unit ID Conflict");
    ASSERT_NE(g_Family_KR960.FindUnit(7), nullptr);
    EXPECT_EQ(g_Family_KR960.FindUnit(7)->Mac[5], 1);

    // An 8-channel unit with yet another MAC meets the same test on the 16-channel table.
    Receive(g_Family_KR960_8, Unit(4, 0x08, 3));
    EXPECT_TRUE(g_Family_KR960_8.nodes().empty());

    // Silence takes the first unit off line; then the second is welcome.
    host.now += 2001;
    WatchdogTimerProc();
    EXPECT_EQ(g_UnitStatus[7], UNIT_OFFLINE);
    EXPECT_EQ(g_Family_KR960.liveCount, 0);
    Receive(g_Family_KR960, Unit(4, 0x09, 2));
    ASSERT_NE(g_Family_KR960.FindUnit(7), nullptr);
    EXPECT_EQ(g_Family_KR960.FindUnit(7)->Mac[5], 2);
    EXPECT_EQ(g_UnitStatus[7], UNIT_ACTIVE);
}

TEST_F(Handler132, AUnitThatChangesItsIdLeavesItsOldSlotUnused)
{
    Receive(g_Family_KR960, Unit(2, 0x09, 1));
    ASSERT_NE(g_Family_KR960.FindUnit(3), nullptr);
    Receive(g_Family_KR960, Unit(5, 0x09, 1));
    EXPECT_NE(g_Family_KR960.FindUnit(9), nullptr);
    EXPECT_EQ(g_Family_KR960.FindUnit(3), nullptr);
    EXPECT_EQ(g_UnitStatus[3], UNIT_INACTIVE);
    EXPECT_EQ(g_UnitOnline[3], 0);
    EXPECT_EQ(g_UnitOnline[4], 0);
    EXPECT_TRUE(IsZeroMac(g_Family_KR960.macTable[3]));
    EXPECT_EQ(g_ChannelUnitType[16], UNIT_TYPE_UNUSED);
    EXPECT_EQ(host.setUnused, (std::vector<std::pair<int, int>>{{UNIT_TYPE_KR960, 3}}));
    EXPECT_EQ(host.removed, (std::vector<std::pair<int, int>>{{UNIT_TYPE_KR960, 3}}));
    EXPECT_NE(std::find(host.messages.begin(), host.messages.end(), "set unused 3"),
              host.messages.end());
}

TEST_F(Handler132, AllZeroMacsNeverTakeOverAnotherSlot)
{
    Receive(g_Family_KR960, C::With(Unit(2, 0x09, 0), {{0x08, {0, 0, 0, 0, 0, 0}}}));
    Receive(g_Family_KR960, C::With(Unit(6, 0x09, 0), {{0x08, {0, 0, 0, 0, 0, 0}}}));
    EXPECT_NE(g_Family_KR960.FindUnit(3), nullptr);
    EXPECT_NE(g_Family_KR960.FindUnit(11), nullptr);
    EXPECT_TRUE(host.setUnused.empty());
}

TEST_F(Handler132, LocalModeBlinksAtThePacketRateAndKeepsTheUnitOnLine)
{
    Receive(g_Family_KR960, Unit(1, 0x09, 1));
    std::vector<int> shown;
    for (int i = 0; i < 14; ++i) {
        host.now += 100;
        Receive(g_Family_KR960, Unit(1, 0x00, 1));
        shown.push_back(g_UnitStatus[1]);
    }
    // 5 while a phase holds; the first change comes more than 500 ms after
    // the first local-mode packet, i.e. at its 7th packet (600 ms): the 6th,
    // exactly 500 ms after it, does not flip the phase yet.
    EXPECT_EQ(shown, (std::vector<int>{5, 5, 5, 5, 5, 5, 1, 5, 5, 5, 5, 5, 2, 5}));
    EXPECT_EQ(g_BlinkPhase[1], 0);
    WatchdogTimerProc();
    EXPECT_EQ(g_Family_KR960.liveCount, 1);
    EXPECT_TRUE(host.meters.size() == 16u); // only the first datagram's meters
}

TEST_F(Handler132, AuxPowerShowsFifteenThenNineAndStillAppliesMeters)
{
    Receive(g_Family_KR960, Unit(1, 0x09, 1));
    host.meters.clear();
    const int repaintsBefore = host.repaints;
    Receive(g_Family_KR960, C::With(Unit(1, 0x09, 1), {{0x1E, {0x02}}}));
    EXPECT_EQ(g_UnitStatus[1], UNIT_AUX_POWER_ON);
    EXPECT_GE(host.repaints - repaintsBefore, 2);
    EXPECT_EQ(host.meters.size(), 16u);
    EXPECT_EQ(g_Family_KR960.auxSeen[1], 1);
}

TEST_F(Handler132, AnotherSubnetMaskIsRefusedEachTime)
{
    Receive(g_Family_KR960, Unit(1, 0x09, 1));
    host.meters.clear();
    Receive(g_Family_KR960, C::With(Unit(1, 0x09, 1), {{0x80, {0xFF, 0xFF, 0x00, 0x00}}, {0x75, {77}}}));
    Receive(g_Family_KR960, C::With(Unit(1, 0x09, 1), {{0x80, {0xFF, 0xFF, 0x00, 0x00}}, {0x75, {77}}}));
    EXPECT_EQ(std::count(host.messages.begin(), host.messages.end(), "Wrong SubnetMask."), 2);
    EXPECT_TRUE(host.meters.empty());
    EXPECT_FLOAT_EQ(g_UnitTemperature[1], 41.0f);
    EXPECT_EQ(g_UnitStatus[1], UNIT_ACTIVE);
}

TEST_F(Handler132, WatchdogTakesUnitsOffLineBetweenTwoAndFourSecondsOfSilence)
{
    Receive(g_Family_KR960, Unit(16, 0x09, 1)); // slot 31
    Receive(g_Family_KR960_8, Unit(2, 0x08, 2));
    host.now += 1999;
    WatchdogTimerProc();
    EXPECT_EQ(g_Family_KR960.liveCount, 1);
    host.now += 2000;
    WatchdogTimerProc();
    EXPECT_EQ(g_Family_KR960.liveCount, 0);
    EXPECT_EQ(g_Family_KR960_8.liveCount, 0);
    EXPECT_EQ(g_UnitStatus[31], UNIT_OFFLINE);
    EXPECT_EQ(host.removed.front(), (std::pair<int, int>{UNIT_TYPE_KR960, 31}));

    // Heard again, the unit is added anew.
    Receive(g_Family_KR960, Unit(16, 0x09, 1));
    EXPECT_EQ(g_UnitStatus[31], UNIT_ACTIVE);
    EXPECT_EQ(g_Family_KR960.unitsAdded, 2);
}

TEST(UnitList, MacOrderPutsEqualAndZeroLeadingMacsNewestFirst)
{
    UnitFamily132 family(UNIT_TYPE_KR960);
    const auto node = [](int slot, MacAddress mac) {
        UnitNode132 n{};
        n.Slot = std::uint8_t(slot);
        n.Mac = mac;
        return n;
    };
    family.InsertUnitSorted(node(1, {0x00, 0x11, 0, 0, 0, 1}));
    family.InsertUnitSorted(node(3, {0x00, 0x22, 0, 0, 0, 2}));
    family.InsertUnitSorted(node(5, {0x01, 0x00, 0, 0, 0, 3}));
    family.InsertUnitSorted(node(7, {0x00, 0x99, 0, 0, 0, 0}));
    EXPECT_EQ(family.SlotsInOrder(), (std::vector<int>{7, 3, 1, 5}));

    int slot = 0, channel = 0;
    ASSERT_TRUE(family.FindUnitForChannel(8, &slot, &channel));
    EXPECT_EQ(slot, 1);
    EXPECT_EQ(channel, 8);
    EXPECT_FALSE(family.FindUnitForChannel(200, &slot, &channel));

    UnitFamily132 eight(UNIT_TYPE_KR960_8);
    eight.InsertUnitSorted(node(1, {1, 2, 3, 4, 5, 6}));
    EXPECT_FALSE(eight.FindUnitForChannel(8, &slot, &channel));
    EXPECT_TRUE(eight.RemoveNode(1));
    EXPECT_TRUE(eight.nodes().empty());
    EXPECT_FALSE(eight.RemoveNode(1));
}

TEST_F(Handler132, TheLeftoverEntryOfAUnitFirstHeardInLocalModeGoesWithoutTakingItsSlotOffLine)
{
    const UnitPacket132 local = Unit(2, 0x00, 1);
    Receive(local);
    ASSERT_NE(g_Family_KR960_8.FindUnit(3), nullptr);
    // Out of local mode it reports as a KR-960, and the 8-channel entry ages.
    for (int second = 0; second < 5; ++second) {
        host.now += 1000;
        Receive(g_Family_KR960, Unit(2, 0x09, 1));
        WatchdogTimerProc();
    }
    EXPECT_EQ(g_Family_KR960_8.FindUnit(3), nullptr);
    ASSERT_NE(g_Family_KR960.FindUnit(3), nullptr);
    EXPECT_EQ(g_UnitStatus[3], UNIT_ACTIVE);
    EXPECT_EQ(g_UnitOnline[3], 1);
    // Silent at last, it goes off line as any unit does.
    host.now += 4000;
    WatchdogTimerProc();
    EXPECT_EQ(g_UnitStatus[3], UNIT_OFFLINE);
    EXPECT_EQ(g_UnitOnline[3], 0);
}

TEST_F(Handler132, AKr960InLocalModeStaysWithItsFamily)
{
    Receive(g_Family_KR960, Unit(2, 0x09, 1));
    const UnitPacket132 local = Unit(2, 0x00, 1);
    EXPECT_EQ(&FamilyForDatagram(local), &g_Family_KR960);
    Receive(local);
    EXPECT_EQ(g_UnitStatus[3], UNIT_NOW_OFFLINE);
    EXPECT_TRUE(g_Family_KR960_8.nodes().empty());
    // Another MAC, or no KR-960 under the ID, goes to the 8-channel family.
    EXPECT_EQ(&FamilyForDatagram(Unit(2, 0x00, 9)), &g_Family_KR960_8);
    EXPECT_EQ(&FamilyForDatagram(Unit(5, 0x00, 1)), &g_Family_KR960_8);
}

TEST_F(StaleRegistration, AUnitBackOnItsOldIdMeetsTheUnitThatTookItAsAConflict)
{
    Receive(Unit(5, 0x09, 1)); // KR-960 on slot 9, channels 64..79
    Silence();
    Receive(Unit(5, 0x08, 2)); // a KR-960/8 takes the free ID
    ASSERT_NE(g_Family_KR960_8.FindUnit(9), nullptr);

    Receive(Unit(5, 0x09, 1));
    EXPECT_EQ(g_Family_KR960.FindUnit(9), nullptr);
    EXPECT_EQ(g_UnitStatus[9], UNIT_CONFLICT);
    ASSERT_FALSE(host.notices.empty());
    EXPECT_EQ(host.notices.back().first, "Unit ID Conflict");
    EXPECT_EQ(g_ChannelUnitType[64], UNIT_TYPE_KR960_8);
    EXPECT_EQ(g_SlotModel[9], UNIT_TYPE_KR960_8);
}

TEST_F(StaleRegistration, AUnitBackUnderANewIdLeavesItsOldSlotToItsPresentHolder)
{
    Receive(Unit(5, 0x09, 1));
    Silence();
    Receive(Unit(5, 0x08, 2));
    host.setUnused.clear();
    host.removed.clear();

    Receive(Unit(6, 0x09, 1)); // the first unit again, now as ID 6 (slot 11)
    ASSERT_NE(g_Family_KR960.FindUnit(11), nullptr);
    ASSERT_NE(g_Family_KR960_8.FindUnit(9), nullptr);
    EXPECT_EQ(g_UnitStatus[9], UNIT_ACTIVE);
    for (int c = 64; c < 72; ++c)
        EXPECT_EQ(g_ChannelUnitType[c], UNIT_TYPE_KR960_8) << c;
    EXPECT_TRUE(host.setUnused.empty());
    EXPECT_TRUE(host.removed.empty());
    EXPECT_TRUE(IsZeroMac(g_Family_KR960.macTable[9])); // nothing of it is left there
    EXPECT_EQ(g_Family_KR960.liveCount, 1);
    EXPECT_EQ(g_Family_KR960_8.liveCount, 1);
}

TEST_F(StaleRegistration, ASlotNobodyHoldsTakesANewUnit)
{
    Receive(Unit(3, 0x08, 1)); // KR-960/8 on slot 5
    Silence();
    Receive(Unit(3, 0x09, 2)); // a KR-960 takes the free ID ...
    Receive(Unit(4, 0x09, 2)); // ... and moves on to ID 4: slot 5 is unused
    ASSERT_EQ(g_Family_KR960.FindUnit(5), nullptr);
    ASSERT_EQ(g_Family_KR960_8.FindUnit(5), nullptr);
    EXPECT_EQ(g_UnitStatus[5], UNIT_INACTIVE);

    Receive(Unit(3, 0x08, 3));
    ASSERT_NE(g_Family_KR960_8.FindUnit(5), nullptr);
    EXPECT_EQ(g_Family_KR960_8.FindUnit(5)->Mac[5], 3);
    EXPECT_EQ(g_UnitStatus[5], UNIT_ACTIVE);
}
