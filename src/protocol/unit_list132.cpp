#include "protocol/unit_list132.h"

#include <algorithm>

UnitFamily132 g_Family_KR960(UNIT_TYPE_KR960);
UnitFamily132 g_Family_KR960_8(UNIT_TYPE_KR960_8);

int CompareMac(const MacAddress& a, const MacAddress& b)
{
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
        if (a[i] == 0)
            return 0;
    }
    return 0;
}

UnitFamily132::UnitFamily132(UnitType model) : m_model(model) {}

void UnitFamily132::Reset()
{
    m_nodes.clear();
    liveCount = 0;
    unitsAdded = 0;
    macTable.fill(MacAddress{});
    shownMac.fill(MacAddress{});
    maskText.fill(std::string());
    rateText.fill(std::string());
    localBlinkStarted.fill(0);
    auxSeen.fill(0);
}

UnitNode132* UnitFamily132::FindUnit(int slot)
{
    for (UnitNode132& node : m_nodes) {
        if (node.Slot == slot) {
            if (slot >= 0 && slot <= kSlotCount)
                shownMac[slot] = node.Mac;
            return &node;
        }
    }
    return nullptr;
}

const UnitNode132* UnitFamily132::FindUnit(int slot) const
{
    for (const UnitNode132& node : m_nodes)
        if (node.Slot == slot)
            return &node;
    return nullptr;
}

UnitNode132& UnitFamily132::InsertUnitSorted(UnitNode132 node)
{
    auto at = std::find_if(m_nodes.begin(), m_nodes.end(), [&](const UnitNode132& existing) {
        return CompareMac(existing.Mac, node.Mac) >= 0;
    });
    return *m_nodes.insert(at, std::move(node));
}

bool UnitFamily132::RemoveNode(int slot)
{
    const auto it = std::find_if(m_nodes.begin(), m_nodes.end(),
                                 [slot](const UnitNode132& n) { return n.Slot == slot; });
    if (it == m_nodes.end())
        return false;
    if (slot >= 1 && slot <= kSlotCount) {
        g_UnitStatus[slot] = UNIT_OFFLINE;
        g_UnitOfflineLatch[slot] = 0;
    }
    m_nodes.erase(it);
    return true;
}

bool UnitFamily132::FindUnitForChannel(int channel, int* slot, int* channelInUnit) const
{
    for (const UnitNode132& node : m_nodes) {
        const int first = (node.Slot - 1) * 8;
        if (channel >= first && channel < first + channelsPerUnit()) {
            *slot = node.Slot;
            *channelInUnit = channel - first;
            return true;
        }
    }
    return false;
}

bool UnitFamily132::FindMacUnderOtherSlot(const MacAddress& mac, int slot, int* otherSlot) const
{
    // Only registered MACs count: an all-zero MAC would match every empty
    // entry and send a unit's take-over to a slot that never held it.
    if (IsZeroMac(mac))
        return false;
    for (int s = 1; s < kSlotCount; ++s) {
        if (s != slot && macTable[s] == mac) {
            *otherSlot = s;
            return true;
        }
    }
    return false;
}

std::vector<int> UnitFamily132::SlotsInOrder() const
{
    std::vector<int> slots;
    slots.reserve(m_nodes.size());
    for (const UnitNode132& node : m_nodes)
        slots.push_back(node.Slot);
    return slots;
}
