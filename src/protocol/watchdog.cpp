#include "protocol/watchdog.h"

#include <utility>

#include "protocol/network_core.h"
#include "protocol/packet_handler132.h"
#include "protocol/packet_handler_kr9x.h"
#include "protocol/unit_host.h"
#include "protocol/unit_list132.h"
#include "protocol/unit_list_kr9x.h"
#include "protocol/unit_network.h"
#include "protocol/unit_status.h"

void CheckOffline132(UnitFamily132& family)
{
    const std::uint32_t now = NetworkNowMs();
    for (int id = 1; id <= 16; ++id) {
        const int slot = UnitNumberToSlot(id);
        const UnitNode132* node = family.FindUnit(slot);
        // Unsigned difference: the wrap of the millisecond counter does no harm.
        if (!node || now - node->LastHeardTime <= kOfflineAfterMs)
            continue;
        // A KR-960 first heard in local mode stands in the 8-channel list
        // too until that entry goes stale: while the other list's entry for
        // the slot is alive, the slot stays on line and only this entry goes.
        const UnitFamily132& other = &family == &g_Family_KR960 ? g_Family_KR960_8 : g_Family_KR960;
        const UnitNode132* holder = other.FindUnit(slot);
        if (!holder || now - holder->LastHeardTime > kOfflineAfterMs) {
            g_UnitOfflineLatch[slot] = 1;
            g_UnitOnline[slot] = 0;
            SetUnitStatus(slot, UNIT_OFFLINE);
            if (g_pUnitHost)
                g_pUnitHost->OnUnitOffline(slot, family.channelsPerUnit());
        }
        --family.liveCount;
        RemoveUnit132(family, slot);
    }
}

void CheckOffline_KR9X()
{
    const std::uint32_t now = NetworkNowMs();
    for (int slot = kFirstUnitIdKR9X + kSlotOffsetKR9X; slot <= kSlotCount; ++slot) {
        const UnitNodeKR9X* node = std::as_const(g_Family_KR9X).FindUnit(slot);
        // Unsigned difference: the wrap of the millisecond counter does no harm.
        if (!node || now - node->LastHeardTime <= kOfflineAfterMs
            || g_UnitStatus[slot] == UNIT_OFFLINE || g_UnitOfflineLatch[slot] != 0)
            continue;
        g_UnitOfflineLatch[slot] = 1;
        --g_Family_KR9X.liveCount;
        g_UnitOnline[slot] = 0;
        SetUnitStatus(slot, UNIT_OFFLINE);
        if (g_pUnitHost)
            g_pUnitHost->OnUnitOffline(slot, kChannelsPerUnitKR9X);
        RemoveUnit_KR9X(slot);
    }
}

namespace {

// Arrival times only grow, but the millisecond counter wraps: the later of
// two stamps is the one less than half the counter's range ahead.
void HeardAt(std::uint32_t& lastHeard, std::uint32_t arrivalMs)
{
    if (static_cast<std::int32_t>(arrivalMs - lastHeard) > 0)
        lastHeard = arrivalMs;
}

} // namespace

void NoteWaitingDatagrams()
{
    if (!g_pNetwork)
        return;
    g_pNetwork->ForEachWaiting([](const ReceivedDatagram& d) {
        if (d.route == DatagramRoute::KR9X) {
            if (UnitNodeKR9X* node = NodeOfDatagramKR9X(PacketOf<UnitPacket97>(d), d.fromAddress))
                HeardAt(node->LastHeardTime, d.arrivalMs);
        } else if (UnitNode132* node = NodeOfDatagram132(d.route, PacketOf<UnitPacket132>(d))) {
            HeardAt(node->LastHeardTime, d.arrivalMs);
        }
    });
}

void WatchdogTimerProc()
{
    NoteWaitingDatagrams();
    if (g_Family_KR9X.unitsAdded > 0)
        CheckOffline_KR9X();
    if (g_Family_KR960.liveCount > 0)
        CheckOffline132(g_Family_KR960);
    if (g_Family_KR960_8.unitsAdded > 0)
        CheckOffline132(g_Family_KR960_8);
}
