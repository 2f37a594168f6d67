#include <gtest/gtest.h>

#include "protocol/numbering.h"
#include "protocol/unit_tables.h"

TEST(Numbering, ChannelToSlotGivesTheFirstSlotOfTheOwningUnit)
{
    EXPECT_EQ(ChannelToSlot(0), 1);
    EXPECT_EQ(ChannelToSlot(8), 1);  // second half of a 16-channel unit
    EXPECT_EQ(ChannelToSlot(15), 1);
    EXPECT_EQ(ChannelToSlot(16), 3);
    EXPECT_EQ(ChannelToSlot(255), 31);
    EXPECT_EQ(ChannelToSlot(256), 33);
    EXPECT_EQ(ChannelToSlot(263), 33);
    EXPECT_EQ(ChannelToSlot(264), 34);
    EXPECT_EQ(ChannelToSlot(383), 48);
}

TEST(Numbering, SlotsAndUnitNumbersMapBothWays)
{
    EXPECT_EQ(SlotToUnitNumber(1), 1);
    EXPECT_EQ(SlotToUnitNumber(2), 1);
    EXPECT_EQ(SlotToUnitNumber(32), 16);
    EXPECT_EQ(SlotToUnitNumber(33), 17);
    EXPECT_EQ(SlotToUnitNumber(48), 32);
    EXPECT_EQ(UnitNumberToSlot(1), 1);
    EXPECT_EQ(UnitNumberToSlot(16), 31);
    EXPECT_EQ(UnitNumberToSlot(17), 33);
    EXPECT_EQ(UnitNumberToSlot(32), 48);
    for (int unit = 1; unit <= kUnitCount; ++unit)
        EXPECT_EQ(SlotToUnitNumber(UnitNumberToSlot(unit)), unit) << "unit " << unit;
    // Every channel's slot belongs to the unit whose first channel starts its block.
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const int first = FirstChannelOfUnit(ChannelToSlot(ch));
        const int width = ch < kFirstRemoteChannel ? 16 : 8;
        EXPECT_LE(first, ch);
        EXPECT_LT(ch, first + width) << "channel " << ch;
    }
}

TEST(Numbering, FirstChannelOfUnitCoversBothSlotsAndClampsAtZero)
{
    EXPECT_EQ(FirstChannelOfUnit(1), 0);
    EXPECT_EQ(FirstChannelOfUnit(2), 0);
    EXPECT_EQ(FirstChannelOfUnit(31), 240);
    EXPECT_EQ(FirstChannelOfUnit(32), 240);
    EXPECT_EQ(FirstChannelOfUnit(33), 256);
    EXPECT_EQ(FirstChannelOfUnit(48), 376);
    EXPECT_EQ(FirstChannelOfUnit(0), 0);   // (0 + 1) / 2 - 1 = -1, raised to 0
    EXPECT_EQ(FirstChannelOfUnit(-5), 0);
}

TEST(Numbering, GainStepRangeEndsEarlierOnRemoteChannels)
{
    EXPECT_EQ(MaxGainStepOfChannel(255), 63);
    EXPECT_EQ(MaxGainStepOfChannel(256), 61);
    EXPECT_EQ(MaxGainStepOfChannel(383), 61);
}

TEST(UnitTables, StartValues)
{
    ResetUnitTables();
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        EXPECT_EQ(g_UnitStatus[slot], UNIT_INACTIVE);
        EXPECT_EQ(g_UnitModel[slot], UNIT_TYPE_UNUSED);
        EXPECT_EQ(g_SlotModel[slot], UNIT_TYPE_UNUSED);
        EXPECT_EQ(g_UnitOnline[slot], 0);
        EXPECT_TRUE(g_UnitOption[slot].empty());
        EXPECT_TRUE(g_UnitIpAddress[slot].empty());
    }
    EXPECT_EQ(g_SuppressUnitSends, 1);
}
