#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <utility>
#include <vector>

#include "protocol/numbering.h"
#include "protocol/unit_list132.h"
#include "protocol/unit_packet97.h"
#include "protocol/unit_tables.h"

// One KR-9X on line. Every field starts at zero.
struct UnitNodeKR9X {
    std::string IpText;            // dotted source address of its datagrams
    std::uint8_t Slot = 0;         // 33..48
    std::uint8_t StatusByte = 0;   // 0x52 of the last active datagram
    std::uint8_t Flags = 0;        // sent at 0x1E of state datagrams
    std::uint16_t PeriodMs = 0;    // meter/report period last sent
    MacAddress Mac{};
    std::uint32_t LastHeardTime = 0;
    std::uint32_t BlinkTime = 0;
    std::uint32_t UnitAddr = 0;    // where datagrams go (host order); the port is the unit port
    UnitPacket97 Packet{};         // the stored copy of the unit's first datagram
};

// A KR-9X unit ID is its slot less 16.
constexpr int kFirstUnitIdKR9X = 17;
constexpr int kLastUnitIdKR9X = 32;
constexpr int kSlotOffsetKR9X = 16;
constexpr int kChannelsPerUnitKR9X = 8;

// Supplies and temperature as one datagram reports them.
struct SuppliesKR9X {
    float v48 = 0.0f;
    float v24 = 0.0f;
    float v5 = 0.0f;
    float v3v3 = 0.0f;
    float temperature = 0.0f;
};

// The KR-9X units: the list in MAC order with its counts and the per-slot
// tables of the model.
class UnitFamilyKR9X {
public:
    // Puts the family back as it is at program start.
    void Reset();

    // The first node (from the head) of the slot, or null; a found node's
    // MAC and address text become the slot's shown ones.
    UnitNodeKR9X* FindUnit(int slot);
    const UnitNodeKR9X* FindUnit(int slot) const;
    // Inserts in MAC order: in front of the first node whose MAC compares
    // greater or equal, else at the tail. Returns the node in its place.
    UnitNodeKR9X& InsertUnitSorted(UnitNodeKR9X node);
    // Unlinks and frees the slot's node after marking the slot off line (3)
    // and emptying its address text. False when no node holds the slot.
    bool RemoveNode(int slot);
    // The unit that owns a channel: its slot and the channel within it.
    bool FindUnitForChannel(int channel, int* slot, int* channelInUnit) const;

    // Slots of the units in list order: a walk that may change the list works on this.
    std::vector<int> SlotsInOrder() const;

    const std::list<UnitNodeKR9X>& nodes() const { return m_nodes; }

    int liveCount = 0;    // units on line
    int unitsAdded = 0;   // units added since start, never decreased
    // Set for the rest of the run once an active datagram reports unit status 1.
    int status1Seen = 0;
    SlotTable<float> ps48v{};
    SlotTable<float> ps24v{};
    SlotTable<float> ps5v{};
    SlotTable<float> ps3v3{};
    SlotTable<std::string> unitIpText{};   // source address text while on line
    SlotTable<std::string> shownIpText{};  // what the unit status page shows
    SlotTable<MacAddress> shownMac{};
    SlotTable<int> localBlinkStarted{};
    SlotTable<int> supplyBlinkStarted{};

private:
    std::list<UnitNodeKR9X> m_nodes;
};

extern UnitFamilyKR9X g_Family_KR9X;

// The family's tables under the names the rest of the program knows them by.
inline constinit SlotTable<float>& g_PS48V = g_Family_KR9X.ps48v;
inline constinit SlotTable<float>& g_PS24V = g_Family_KR9X.ps24v;
inline constinit SlotTable<float>& g_PS5V = g_Family_KR9X.ps5v;
inline constinit SlotTable<float>& g_PS3V3 = g_Family_KR9X.ps3v3;
inline constinit SlotTable<std::string>& g_UnitIpText_KR9X = g_Family_KR9X.unitIpText;
inline constinit SlotTable<std::string>& g_ShownIpText_KR9X = g_Family_KR9X.shownIpText;
inline constinit SlotTable<MacAddress>& g_ShownMac_KR9X = g_Family_KR9X.shownMac;
inline constinit int& g_Status1Seen_KR9X = g_Family_KR9X.status1Seen;
inline constinit int& g_UnitsAdded_KR9X = g_Family_KR9X.unitsAdded;

inline UnitNodeKR9X* FindUnit_KR9X(int slot) { return g_Family_KR9X.FindUnit(slot); }
inline UnitNodeKR9X& InsertUnitSorted_KR9X(UnitNodeKR9X node)
{
    return g_Family_KR9X.InsertUnitSorted(std::move(node));
}
inline bool FindUnitForChannel_KR9X(int channel, int* slot, int* channelInUnit)
{
    return g_Family_KR9X.FindUnitForChannel(channel, slot, channelInUnit);
}

// True when another MAC already holds the slot. Only the KR-9X list counts:
// a unit taken off line has no node, so a new MAC may take its slot.
bool IsMacConflict_KR9X(int slot, const MacAddress& mac);

// The meter level in dB of a record's peak value (big-endian as received):
// the high byte says positive (nonzero) or negative (0), the low byte is the
// magnitude; levels below -48 are lifted by 20, and the scale is moved by -22.
float MeterToDbKR9X(std::uint16_t peak);

// Supplies and temperature of a datagram, scaled to volts and degrees.
SuppliesKR9X DecodeSuppliesKR9X(const UnitPacket97& datagram);
// Every value inside its range, bounds included: 48 V 46-50, 24 V 22-26,
// 5 V 4-7, 3.3 V 1-6, temperature 1-150.
bool SuppliesWithinRanges(const SuppliesKR9X& supplies);
// The datagram's supplies or temperature are out of range.
bool HasSupplyFault_KR9X(const UnitPacket97& datagram);
// The slot's stored supplies and temperature are all in range.
bool SuppliesInRange_KR9X(int slot);
// Stores a datagram's supplies and temperature for the slot.
void StoreSupplies_KR9X(int slot, const SuppliesKR9X& supplies);
