#pragma once

// The three unit lists walked for the long runs that play many units: each
// list checked against its own rules and the slot tables against the lists.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "protocol/numbering.h"
#include "protocol/unit_list132.h"
#include "protocol/unit_list_kr9x.h"
#include "protocol/unit_network.h"
#include "protocol/unit_tables.h"
#include "unit_checks.h"

namespace unit_lists {

struct Listed {
    MacAddress mac{};
    int slot = 0;
    std::uint32_t lastHeard = 0;
    int type = UNIT_TYPE_UNUSED;
    int channels = 0;
};

struct Lists {
    std::vector<Listed> units;
    std::array<int, kSlotCount + 1> holders{};   // nodes per slot, all lists
    std::array<int, kSlotCount + 1> holderAt{};  // index in units of the last
};

// Every list's count agrees with its nodes, at most 16 of them, each slot of
// the model's range once, in MAC order; the MAC tables agree; and no channel
// is owned by two units.
inline Lists Walk()
{
    Lists lists;
    const auto listOne = [&](const auto& family, const auto& nodes, int type, int channels, int firstSlot,
                             int step) {
        SCOPED_TRACE(type);
        EXPECT_EQ(std::size_t(family.liveCount), nodes.size());
        EXPECT_LE(nodes.size(), 16u);
        EXPECT_GE(family.unitsAdded, family.liveCount);
        std::set<int> seenSlots;
        const MacAddress* previous = nullptr;
        for (const auto& n : nodes) {
            EXPECT_TRUE(n.Slot >= firstSlot && n.Slot < firstSlot + 16 * step && (n.Slot - firstSlot) % step == 0)
                << int(n.Slot);
            EXPECT_TRUE(seenSlots.insert(n.Slot).second) << "slot " << int(n.Slot) << " twice";
            if (previous) {
                EXPECT_LE(CompareMac(*previous, n.Mac), 0) << "list out of MAC order";
            }
            previous = &n.Mac;
            lists.units.push_back({n.Mac, n.Slot, n.LastHeardTime, type, channels});
        }
    };
    for (const UnitFamily132* f : {&g_Family_KR960, &g_Family_KR960_8}) {
        listOne(*f, f->nodes(), f->model(), f->channelsPerUnit(), 1, 2);
        // A 132-byte unit given a new ID leaves its old slot at once (a
        // KR-9X stays there until the watchdog takes it).
        std::set<MacAddress> macs;
        for (const UnitNode132& n : f->nodes()) {
            EXPECT_EQ(f->macTable[n.Slot], n.Mac) << "slot " << int(n.Slot);
            EXPECT_TRUE(macs.insert(n.Mac).second) << MacText(n.Mac) << " twice in the " << f->modelName() << " list";
        }
        for (int slot = 1; slot < kSlotCount; ++slot)
            for (int other = slot + 1; other <= kSlotCount; ++other)
                if (!IsZeroMac(f->macTable[slot]) && f->macTable[slot] == f->macTable[other])
                    ADD_FAILURE() << MacText(f->macTable[slot]) << " registered at slots " << slot << " and " << other;
    }
    listOne(g_Family_KR9X, g_Family_KR9X.nodes(), UNIT_TYPE_KR9X, kChannelsPerUnitKR9X, 33, 1);
    for (const UnitNodeKR9X& n : g_Family_KR9X.nodes()) {
        EXPECT_EQ(n.Packet[p97::kUnitId], n.Slot);
        EXPECT_EQ(g_UnitIpText_KR9X[n.Slot], n.IpText);
    }

    std::array<int, kChannelCount> owner;
    owner.fill(-1);
    for (int i = 0; i < int(lists.units.size()); ++i) {
        const Listed& u = lists.units[std::size_t(i)];
        if (u.slot < 1 || u.slot > kSlotCount)
            continue; // found above
        for (int c = FirstChannelOfUnit(u.slot); c < FirstChannelOfUnit(u.slot) + u.channels; ++c) {
            const int before = std::exchange(owner[std::size_t(c)], i);
            if (before >= 0 && lists.units[std::size_t(before)].mac != u.mac)
                ADD_FAILURE() << "channel " << c << " owned by " << MacText(lists.units[std::size_t(before)].mac)
                              << " and " << MacText(u.mac);
        }
        ++lists.holders[std::size_t(u.slot)];
        lists.holderAt[std::size_t(u.slot)] = i;
    }
    return lists;
}

// Every slot holds a status the program defines, and the tables of a slot
// one unit holds speak for it, unless skip says they may not (a unit heard
// under both 132-byte models leaves them to whichever came or went last);
// more checks what else such a slot must show.
inline void CheckSlotTables(const Lists& lists, const std::function<bool(const Listed&)>& skip,
                            const std::function<void(const Listed&)>& more = {})
{
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        EXPECT_TRUE(DefinedStatus(g_UnitStatus[slot])) << g_UnitStatus[slot];
        if (lists.holders[std::size_t(slot)] != 1)
            continue;
        const Listed& u = lists.units[std::size_t(lists.holderAt[std::size_t(slot)])];
        if (skip(u))
            continue;
        EXPECT_EQ(g_UnitOnline[slot], 1);
        EXPECT_NE(g_UnitStatus[slot], UNIT_OFFLINE);
        EXPECT_EQ(g_SlotModel[slot], u.type);
        EXPECT_EQ(g_UnitModel[slot], u.type);
        for (int c = FirstChannelOfUnit(slot); c < FirstChannelOfUnit(slot) + u.channels; ++c)
            EXPECT_EQ(g_ChannelUnitType[c], u.type) << "channel " << c;
        if (more)
            more(u);
    }
}

} // namespace unit_lists
