#include <gtest/gtest.h>

#include "protocol/numbering.h"
#include "protocol/unit_tables.h"

TEST(Numbering, ChannelToSlotGivesTheFirstSlotOfTheOwningUnit)
{
    const std::pair<int, int> cases[] = {
        {0, 1},   {8, 1}, // second half of a 16-channel unit
        {16, 3},  {255, 31}, {256, 33}, {263, 33}, {264, 34}, {383, 48},
    };
    for (const auto& [channel, slot] : cases)
        EXPECT_EQ(ChannelToSlot(channel), slot) << "channel " << channel;
}

TEST(Numbering, SlotsUnitNumbersAndFirstChannelsMapBothWays)
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
    // Every channel's slot belongs to the unit whose first channel starts its
    // block, which pins the first channel of every unit's first slot.
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const int first = FirstChannelOfUnit(ChannelToSlot(ch));
        const int width = ch < kFirstRemoteChannel ? 16 : 8;
        EXPECT_LE(first, ch);
        EXPECT_LT(ch, first + width) << "channel " << ch;
    }
    // The second slot of a 16-channel unit, and slots below the first.
    EXPECT_EQ(FirstChannelOfUnit(2), 0);
    EXPECT_EQ(FirstChannelOfUnit(32), 240);
    EXPECT_EQ(FirstChannelOfUnit(0), 0); // (0 + 1) / 2 - 1 = -1, raised to 0
    EXPECT_EQ(FirstChannelOfUnit(-5), 0);
}

TEST(Numbering, GainStepRangeEndsEarlierOnRemoteChannels)
{
    EXPECT_EQ(MaxGainStepOfChannel(255), 63);
    EXPECT_EQ(MaxGainStepOfChannel(256), 61);
    EXPECT_EQ(MaxGainStepOfChannel(383), 61);
}
