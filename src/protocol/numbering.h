#pragma once

// The fixed channel space of the console: 384 channels in 48 slots of 8.
// Units 1..16 own two slots each (channels 0..255), units 17..32 one slot
// each (channels 256..383). The slot number is also the internal unit id
// that every per-unit table is indexed by.

constexpr int kChannelCount = 384;
constexpr int kSlotCount = 48;
constexpr int kChannelsPerSlot = 8;
constexpr int kUnitCount = 32;
constexpr int kSceneCapacity = 200;
constexpr int kLinkGroupCount = 10;
// First channel owned by the 8-channel remote-controlled units (units 17..32).
constexpr int kFirstRemoteChannel = 256;
// Largest gain step (lowest gain) of a fader, per channel range.
constexpr int kMaxGainStep = 63;
constexpr int kMaxGainStepRemote = 61;

// The states a strip switch holds: off, on, and dimmed (the unit cannot take
// the switch now). The units are told "on" for state 1 only.
enum SwitchState : int {
    SWITCH_OFF = 0,
    SWITCH_ON = 1,
    SWITCH_DISABLED = 5,
};

// The unit model of a slot or channel; a plain int in every table.
enum UnitType : int {
    UNIT_TYPE_UNUSED = 0,
    UNIT_TYPE_KR9X = 1,
    UNIT_TYPE_KR960_8 = 2,
    UNIT_TYPE_KR960 = 3,
};

int SlotToUnitNumber(int slot);
int UnitNumberToSlot(int unit);
int ChannelToSlot(int channel);
int FirstChannelOfUnit(int slot);

// The deepest gain step the fader of a channel can reach.
constexpr int MaxGainStepOfChannel(int channel)
{
    return channel >= kFirstRemoteChannel ? kMaxGainStepRemote : kMaxGainStep;
}
