#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "protocol/unit_list_kr9x.h"
#include "protocol/unit_packet97.h"

// What the computer sends a KR-9X: the state datagram (every poll and right
// after the unit is added) and the control datagram (one changed control of
// one channel). Both are built from the unit's stored copy, never from nothing.

// The state datagram: the node's period becomes periodMs.
void ComposeStateKR9X(UnitNodeKR9X& node, std::uint32_t sequence, std::uint16_t periodMs,
                      UnitPacket97& out);

// Applies a named control ("Gain", "Link", "Mute", "Pol", "Pad", "48v") to
// the stored copy, marking the record changed; other names edit nothing.
// The marks stay, so every later datagram repeats them. False (nothing
// edited) for a channel outside the unit's eight records.
bool ApplyControlKR9X(UnitNodeKR9X& node, std::string_view name, int channel, float value);

// The control datagram from the (already edited) stored copy.
void ComposeControlKR9X(const UnitNodeKR9X& node, std::uint32_t sequence, UnitPacket97& out);

void SendUnitState_KR9X(UnitNodeKR9X& node);
// The state to every unit in list order, unless sends are suppressed.
void SendAllUnits_KR9X();
// One control to the unit in slot; channel is the channel within the unit.
void SendControl_KR9X(int slot, std::string_view name, int channel, float value);

// A new metering period for every unit: stored in every node and in
// g_MeterPeriodMs and sent at once. Nothing happens, and false is returned,
// while no KR-9X is on line.
bool SetMeterRate_KR9X(int periodMs);

// Sends every unit the Link state of each of its eight channels, as
// linkSwitchOn tells it for the global channel number.
void ResendLinks_KR9X(const std::function<bool(int channel)>& linkSwitchOn);
