#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "protocol/numbering.h"
#include "protocol/unit_packet132.h"
#include "protocol/unit_tables.h"

using MacAddress = std::array<std::uint8_t, 6>;

// One KR-960 or KR-960/8 on line. Every field starts at zero.
struct UnitNode132 {
    std::string IpText;            // dotted address the unit states at 0x7C
    std::uint32_t SubnetMask = 0;  // mask of the first datagram, host order
    std::uint8_t Slot = 0;         // 1..31, odd
    std::uint8_t StatusByte = 0;   // 0x72 of the last datagram not in local mode
    std::uint8_t Flags = 0;        // sent at 0x1E
    std::uint16_t PeriodMs = 0;    // meter/report period last sent
    MacAddress Mac{};
    std::uint8_t OptionByte = 0;   // 0x21 of the last datagram not in local mode
    std::uint32_t LastHeardTime = 0;
    std::uint32_t BlinkTime = 0;
    std::uint32_t UnitAddr = 0;    // where datagrams go (host order); the port is the unit port
    UnitPacket132 Packet{};        // the stored copy of the unit's datagram
};

// Compares MACs as the unit lists order them: byte by byte as unsigned
// bytes, stopping at the first difference or at a zero byte both share.
int CompareMac(const MacAddress& a, const MacAddress& b);

// The units of one 132-byte model: the list in MAC order with its counts and
// the per-slot tables of that model. The KR-960 covers 16 channels from its
// slot, the KR-960/8 eight.
class UnitFamily132 {
public:
    explicit UnitFamily132(UnitType model);

    UnitType model() const { return m_model; }
    int channelsPerUnit() const { return m_model == UNIT_TYPE_KR960 ? 16 : 8; }
    const char* modelName() const { return m_model == UNIT_TYPE_KR960 ? "KR-960" : "KR-960/8"; }

    // Puts the family back as it is at program start.
    void Reset();

    // The first node (from the head) of the slot, or null; a found node's
    // MAC becomes the slot's shown MAC.
    UnitNode132* FindUnit(int slot);
    const UnitNode132* FindUnit(int slot) const;
    // Inserts in MAC order: in front of the first node whose MAC compares
    // greater or equal, else at the tail. Returns the node in its place.
    UnitNode132& InsertUnitSorted(UnitNode132 node);
    // Unlinks and frees the slot's node after marking the slot off line (3).
    // False when no node holds the slot.
    bool RemoveNode(int slot);
    // The unit that owns a channel: its slot and the channel within it.
    bool FindUnitForChannel(int channel, int* slot, int* channelInUnit) const;
    // The first other slot (0..47) whose registered MAC equals mac.
    bool FindMacUnderOtherSlot(const MacAddress& mac, int slot, int* otherSlot) const;

    // Slots of the units in list order: a walk that may change the list works on this.
    std::vector<int> SlotsInOrder() const;

    const std::list<UnitNode132>& nodes() const { return m_nodes; }

    int liveCount = 0;    // units on line
    int unitsAdded = 0;   // units added since start, never decreased
    SlotTable<MacAddress> macTable{};    // MAC registered under each slot
    SlotTable<MacAddress> shownMac{};    // MAC the unit status page shows
    SlotTable<std::string> maskText{};   // dotted subnet mask
    SlotTable<std::string> rateText{};   // "4X" or "2X"
    SlotTable<int> localBlinkStarted{};
    SlotTable<int> auxSeen{};

private:
    UnitType m_model;
    std::list<UnitNode132> m_nodes;
};

extern UnitFamily132 g_Family_KR960;
extern UnitFamily132 g_Family_KR960_8;

inline bool IsZeroMac(const MacAddress& mac)
{
    for (std::uint8_t b : mac)
        if (b)
            return false;
    return true;
}

// The lookups by model.
inline UnitNode132* FindUnit_KR960(int slot) { return g_Family_KR960.FindUnit(slot); }
inline UnitNode132* FindUnit_KR960_8(int slot) { return g_Family_KR960_8.FindUnit(slot); }
inline bool FindUnitForChannel_KR960(int channel, int* slot, int* channelInUnit)
{
    return g_Family_KR960.FindUnitForChannel(channel, slot, channelInUnit);
}
inline bool FindUnitForChannel_KR960_8(int channel, int* slot, int* channelInUnit)
{
    return g_Family_KR960_8.FindUnitForChannel(channel, slot, channelInUnit);
}
