#pragma once

#include <array>
#include <string>

#include "protocol/numbering.h"

// Per-unit state the network layer keeps for the whole program. Every table
// but the per-channel one is indexed by the slot number 1..48 itself
// (entry 0 is unused). Written on the GUI thread only.

// The unit status of a slot.
enum UnitStatus : int {
    UNIT_STATUS_NONE = 0,
    UNIT_INACTIVE = 1,
    UNIT_ACTIVE = 2,
    UNIT_OFFLINE = 3,
    UNIT_CONFLICT = 4,
    UNIT_NOW_OFFLINE = 5,
    UNIT_WRONG_UNIT_ID = 6,
    UNIT_BAD_TEMP_OR_POWER_SUPPLY = 8,
    UNIT_AUX_POWER_ON = 9,
    UNIT_BAD_IP_ADDRESS = 10,
    UNIT_LOCAL_MODE = 11,
    UNIT_AUX_POWER_SUPPLY_FAILURE = 15,
};

template <typename T>
using SlotTable = std::array<T, kSlotCount + 1>;
template <typename T>
using ChannelTable = std::array<T, kChannelCount>;

extern SlotTable<int> g_UnitModel;        // written when a unit is first added, never cleared
extern SlotTable<int> g_SlotModel;        // the copy the views and the project code read
extern SlotTable<int> g_UnitStatus;       // UnitStatus
extern SlotTable<std::string> g_UnitOption;    // option card: "MIDI", "DANTE" or empty
extern SlotTable<std::string> g_UnitIpAddress; // dotted address text of the unit
extern SlotTable<int> g_UnitOnline;       // 1 while the slot's unit is on line
extern ChannelTable<int> g_ChannelUnitType; // model of the unit that owns the channel
extern SlotTable<int> g_UnitOfflineLatch; // the watchdog has counted the unit off
extern SlotTable<float> g_UnitTemperature; // degrees Celsius of the last datagram
extern SlotTable<int> g_UnitMacConflict;
extern SlotTable<int> g_BlinkPhase;       // 0 or 1: phase of the slot's blinking display

// While nonzero, the send-all and control senders of every model send
// nothing. Set from program start until the main window is built.
extern int g_SuppressUnitSends;

// Puts every unit table back to the value it has at program start.
void ResetUnitTables();
