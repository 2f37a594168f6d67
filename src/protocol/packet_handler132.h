#pragma once

#include <cstdint>

#include "protocol/datagram_sort.h"
#include "protocol/unit_list132.h"
#include "protocol/unit_network.h"
#include "protocol/unit_packet132.h"

// Handling of one datagram of a KR-960 or KR-960/8 on the GUI thread:
// validation (unit ID range, IP text, MAC conflict), adding a new unit,
// classification (local mode, aux power, active) and applying it.

// Classification results.
enum PacketClass132 : int {
    kPacketLocalMode = 1,
    kPacketActive = 10,
    kPacketAux = 11,
};

// The family that handles a 132-byte datagram. The model bit decides, except
// for a datagram in local mode: its option byte is 0, so its model bit is
// clear, and a KR-960 already on line under that ID and MAC keeps it.
UnitFamily132& FamilyForDatagram(const UnitPacket132& datagram);

// Handles a datagram the receive thread routed to the family; fromAddress is
// its source (host order), heardMs the time it arrived, from which its unit
// counts as heard.
void HandlePacket132(UnitFamily132& family, const UnitPacket132& datagram,
                     std::uint32_t fromAddress, std::uint32_t heardMs = NetworkNowMs());

// The steps of the handling, in the order it runs them.
void AddNewUnit132(UnitFamily132& family, UnitPacket132 packet, const std::string& ipText,
                   std::uint32_t fromAddress, std::uint32_t heardMs = NetworkNowMs());
int ClassifyPacket132(UnitNode132& node, const UnitPacket132& datagram, std::uint32_t heardMs);
void UpdateUnitFromPacket132(UnitFamily132& family, UnitNode132& node,
                             const UnitPacket132& datagram, std::uint32_t heardMs);

// The node a waiting datagram will speak for once it is handled (the unit
// under its ID with its MAC, at an address a unit can have), or null.
UnitNode132* NodeOfDatagram132(DatagramRoute route, const UnitPacket132& datagram);
void SetUnitUnused132(UnitFamily132& family, int slot);
// Removal of a slot's unit with what goes with it for the model.
void RemoveUnit132(UnitFamily132& family, int slot);

// The meter level in dB of a record's meter byte.
inline float MeterByteToDb(std::uint8_t meter)
{
    return -0.5f * float(meter);
}
