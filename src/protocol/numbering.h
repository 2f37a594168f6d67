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

// A unit reports a channel's gain as a code in dB that sits on fader
// position kGainCodeAtTop - code.
constexpr int kGainCodeAtTop = 69;

// A reported gain code as the channel's fader and read-out take it: 6 to 69
// on a KR-960 or KR-960/8 channel, 8 to 69 on a KR-9X channel, the codes of
// the fader's positions 0 to MaxGainStepOfChannel. The fader cannot stand
// anywhere else, and the read-out must say what the fader shows (and what
// the next move of the fader starts from), not a code the unit had no
// business reporting.
constexpr int GainCodeOnFader(int channel, int code)
{
    const int lowest = kGainCodeAtTop - MaxGainStepOfChannel(channel);
    return code < lowest ? lowest : code > kGainCodeAtTop ? kGainCodeAtTop : code;
}
