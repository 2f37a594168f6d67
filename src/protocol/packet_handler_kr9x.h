#pragma once

#include <cstdint>
#include <string>

#include "protocol/unit_list_kr9x.h"
#include "protocol/unit_network.h"
#include "protocol/unit_packet97.h"

// Handling of one KR-9X datagram on the GUI thread: validation (unit ID
// range, source address text, MAC conflict), adding a new unit,
// classification (local mode, supply fault, active) and applying it; and
// removing units.

// Classification results.
enum PacketClassKR9X : int {
    kPacketKR9XLocalMode = 1,
    kPacketKR9XSupplyFault = 5,
    kPacketKR9XActive = 10,
};

// Handles a 97-byte datagram; fromAddress is its source (host order), which
// is also where everything for the unit is sent; heardMs the time it
// arrived, from which its unit counts as heard.
void HandlePacketKR9X(const UnitPacket97& datagram, std::uint32_t fromAddress,
                      std::uint32_t heardMs = NetworkNowMs());

// The steps of the handling, in the order it runs them. datagram carries the
// slot at the unit ID byte.
void AddNewUnitKR9X(UnitPacket97 datagram, const std::string& ipText, std::uint32_t fromAddress,
                    std::uint32_t heardMs = NetworkNowMs());
int ClassifyPacket_KR9X(UnitNodeKR9X& node, const UnitPacket97& datagram);
void UpdateUnitFromPacket_KR9X(UnitNodeKR9X& node, const UnitPacket97& datagram,
                               std::uint32_t heardMs = NetworkNowMs());

// The two blinking displays of a unit: local mode (option byte 0) and a
// supply or temperature out of range. SetSupplyFaultStatus_KR9X with fault
// false takes the slot back to active.
void BlinkLocalMode_KR9X(UnitNodeKR9X& node, std::uint32_t heardMs);
void SetSupplyFaultStatus_KR9X(UnitNodeKR9X& node, bool fault, std::uint32_t heardMs);

// The node a waiting datagram from fromAddress will speak for once it is
// handled (the unit under its ID with its MAC, at an address a unit can
// have), or null.
UnitNodeKR9X* NodeOfDatagramKR9X(const UnitPacket97& datagram, std::uint32_t fromAddress);

// Removal of a slot's unit: its link records back to unused, status 3, node freed.
void RemoveUnit_KR9X(int slot);
// Removal of every unit, at shut-down.
void RemoveAllUnits_KR9X();
