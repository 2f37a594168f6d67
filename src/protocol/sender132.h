#pragma once

#include <cstdint>
#include <string_view>

#include "protocol/unit_list132.h"
#include "protocol/unit_packet132.h"

// What the computer sends a KR-960 or KR-960/8: the state datagram (every
// poll), the control datagram (one changed control of one channel) and the
// network-configuration datagram. All three are built from the unit's stored
// copy, never from nothing.

// The state datagram: the node's period becomes periodMs.
void ComposeState132(UnitType model, UnitNode132& node, std::uint32_t sequence,
                     std::uint16_t periodMs, UnitPacket132& out);

// Applies a named control to the stored copy. False (nothing edited) for a
// channel outside the unit's records.
bool ApplyControl132(UnitType model, UnitNode132& node, std::string_view name, int channel,
                     float value);

// The control datagram from the (already edited) stored copy.
void ComposeControl132(UnitType model, const UnitNode132& node, std::uint32_t sequence,
                       bool identify, UnitPacket132& out);

// The network-configuration datagram carrying a new address and mask (host
// order numbers, 0xC0A80132 for 192.168.1.50). Stores the option byte into
// the stored copy first.
void ComposeNetConfig132(UnitType model, UnitNode132& node, std::uint32_t ip, std::uint32_t mask,
                         UnitPacket132& out);

void SendUnitState132(UnitFamily132& family, UnitNode132& node);
void SendAllUnits132(UnitFamily132& family);
void SendControl132(UnitFamily132& family, int slot, std::string_view name, int channel,
                    float value);
// The unit in slot gets a new address and mask (host order numbers).
void SendNetConfig132(UnitFamily132& family, int slot, std::uint32_t ip, std::uint32_t mask);
// A new metering period for every unit of the family (nothing without units on line).
void SetMeterRate132(UnitFamily132& family);

// The names by model.
inline void SendUnitState_KR960(UnitNode132& node) { SendUnitState132(g_Family_KR960, node); }
inline void SendUnitState_KR960_8(UnitNode132& node) { SendUnitState132(g_Family_KR960_8, node); }
inline void SendAllUnits_KR960() { SendAllUnits132(g_Family_KR960); }
inline void SendAllUnits_KR960_8() { SendAllUnits132(g_Family_KR960_8); }
inline void SendControl_KR960(int slot, std::string_view name, int channel, float value)
{
    SendControl132(g_Family_KR960, slot, name, channel, value);
}
inline void SendControl_KR960_8(int slot, std::string_view name, int channel, float value)
{
    SendControl132(g_Family_KR960_8, slot, name, channel, value);
}
