#include "protocol/numbering.h"

int SlotToUnitNumber(int slot)
{
    return slot > 32 ? slot - 16 : (slot + 1) / 2;
}

int UnitNumberToSlot(int unit)
{
    return unit < 17 ? 2 * unit - 1 : unit + 16;
}

int ChannelToSlot(int channel)
{
    // Channels 8..15 of a 16-channel unit still report the unit's first slot.
    return channel >= kFirstRemoteChannel ? channel / 8 + 1 : (channel / 16) * 2 + 1;
}

int FirstChannelOfUnit(int slot)
{
    const int first = slot < 33 ? (SlotToUnitNumber(slot) - 1) * 16 : (slot - 1) * 8;
    return first < 0 ? 0 : first;
}
