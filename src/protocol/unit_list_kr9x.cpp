#include "protocol/unit_list_kr9x.h"

#include <algorithm>
#include <utility>

#include "protocol/datagram_sort.h"

static_assert(p97::kSize == kPacket97Size, "the receive side routes the same length");

UnitFamilyKR9X g_Family_KR9X;

namespace {

bool ValidSlot(int slot)
{
    return slot >= 1 && slot <= kSlotCount;
}

} // namespace

void UnitFamilyKR9X::Reset()
{
    m_nodes.clear();
    liveCount = 0;
    unitsAdded = 0;
    status1Seen = 0;
    ps48v.fill(0.0f);
    ps24v.fill(0.0f);
    ps5v.fill(0.0f);
    ps3v3.fill(0.0f);
    unitIpText.fill(std::string());
    shownIpText.fill(std::string());
    shownMac.fill(MacAddress{});
    localBlinkStarted.fill(0);
    supplyBlinkStarted.fill(0);
}

UnitNodeKR9X* UnitFamilyKR9X::FindUnit(int slot)
{
    for (UnitNodeKR9X& node : m_nodes) {
        if (node.Slot == slot) {
            if (ValidSlot(slot)) {
                shownMac[slot] = node.Mac;
                shownIpText[slot] = node.IpText;
            }
            return &node;
        }
    }
    return nullptr;
}

const UnitNodeKR9X* UnitFamilyKR9X::FindUnit(int slot) const
{
    for (const UnitNodeKR9X& node : m_nodes)
        if (node.Slot == slot)
            return &node;
    return nullptr;
}

UnitNodeKR9X& UnitFamilyKR9X::InsertUnitSorted(UnitNodeKR9X node)
{
    auto at = std::find_if(m_nodes.begin(), m_nodes.end(), [&](const UnitNodeKR9X& existing) {
        return CompareMac(existing.Mac, node.Mac) >= 0;
    });
    return *m_nodes.insert(at, std::move(node));
}

bool UnitFamilyKR9X::RemoveNode(int slot)
{
    const auto it = std::find_if(m_nodes.begin(), m_nodes.end(),
                                 [slot](const UnitNodeKR9X& n) { return n.Slot == slot; });
    if (it == m_nodes.end())
        return false;
    if (ValidSlot(slot)) {
        g_UnitStatus[slot] = UNIT_OFFLINE;
        unitIpText[slot].clear();
        g_UnitOfflineLatch[slot] = 0;
    }
    m_nodes.erase(it);
    return true;
}

bool UnitFamilyKR9X::FindUnitForChannel(int channel, int* slot, int* channelInUnit) const
{
    for (const UnitNodeKR9X& node : m_nodes) {
        const int s = node.Packet[p97::kUnitId];
        const int first = (s - 1) * kChannelsPerUnitKR9X;
        if (channel >= first && channel < first + kChannelsPerUnitKR9X) {
            *slot = s;
            *channelInUnit = channel - first;
            return true;
        }
    }
    return false;
}

std::vector<int> UnitFamilyKR9X::SlotsInOrder() const
{
    std::vector<int> slots;
    slots.reserve(m_nodes.size());
    for (const UnitNodeKR9X& node : m_nodes)
        slots.push_back(node.Slot);
    return slots;
}

bool IsMacConflict_KR9X(int slot, const MacAddress& mac)
{
    const UnitNodeKR9X* node = std::as_const(g_Family_KR9X).FindUnit(slot);
    return node && node->Mac != mac;
}

float MeterToDbKR9X(std::uint16_t peak)
{
    const int magnitude = peak & 0xFF;
    const int value = (peak >> 8) != 0 ? magnitude : -magnitude;
    float level = float(value);
    if (value < -48)
        level += 20.0f;
    return level - 22.0f;
}

SuppliesKR9X DecodeSuppliesKR9X(const UnitPacket97& d)
{
    SuppliesKR9X s;
    s.v48 = float(d[p97::kPs48V]) * 0.5f;
    s.v24 = float(d[p97::kPs24V]) * 0.2f;
    s.v5 = float(d[p97::kPs5V]) * 0.1f;
    s.v3v3 = float(d[p97::kPs3V3]) * 0.1f;
    s.temperature = float(d[p97::kTemp]);
    return s;
}

bool SuppliesWithinRanges(const SuppliesKR9X& s)
{
    const auto within = [](float v, float low, float high) { return v >= low && v <= high; };
    return within(s.v48, 46.0f, 50.0f) && within(s.v24, 22.0f, 26.0f) && within(s.v5, 4.0f, 7.0f)
        && within(s.v3v3, 1.0f, 6.0f) && within(s.temperature, 1.0f, 150.0f);
}

bool HasSupplyFault_KR9X(const UnitPacket97& datagram)
{
    return !SuppliesWithinRanges(DecodeSuppliesKR9X(datagram));
}

bool SuppliesInRange_KR9X(int slot)
{
    if (!ValidSlot(slot))
        return false;
    return SuppliesWithinRanges(SuppliesKR9X{g_PS48V[slot], g_PS24V[slot], g_PS5V[slot],
                                             g_PS3V3[slot], g_UnitTemperature[slot]});
}

void StoreSupplies_KR9X(int slot, const SuppliesKR9X& s)
{
    if (!ValidSlot(slot))
        return;
    g_PS48V[slot] = s.v48;
    g_PS24V[slot] = s.v24;
    g_PS5V[slot] = s.v5;
    g_PS3V3[slot] = s.v3v3;
    g_UnitTemperature[slot] = s.temperature;
}
