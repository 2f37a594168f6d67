#include "protocol/unit_status.h"

#include <utility>

#include "protocol/unit_host.h"
#include "protocol/unit_list132.h"
#include "protocol/unit_list_kr9x.h"
#include "protocol/unit_network.h"
#include "protocol/unit_tables.h"

bool UnitHoldsSlot(int slot)
{
    return std::as_const(g_Family_KR960).FindUnit(slot) || std::as_const(g_Family_KR960_8).FindUnit(slot)
        || std::as_const(g_Family_KR9X).FindUnit(slot);
}

void SetUnitStatus(int slot, int status)
{
    if (slot < 1 || slot > kSlotCount)
        return;
    if (status == UNIT_ACTIVE && !UnitHoldsSlot(slot))
        return;
    g_UnitStatus[slot] = status;
    if (g_pUnitHost)
        g_pUnitHost->RepaintUnitStatus();
}

void UpdateUnitStatus(int slot, int status)
{
    SetUnitStatus(slot, status);
}

void AdvanceBlink(int slot, const BlinkDisplay& display, int& started, std::uint32_t& blinkTime,
                  std::uint32_t& lastHeardTime, std::uint32_t now)
{
    g_UnitStatus[slot] = display.holdStatus;
    if (!started) {
        started = 1;
        blinkTime = now;
    }
    if (now - blinkTime > kBlinkPhaseMs) {
        blinkTime = now;
        const int oldPhase = g_BlinkPhase[slot];
        g_BlinkPhase[slot] = oldPhase ? 0 : 1;
        SetUnitStatus(slot, oldPhase ? display.lightStatus : display.darkStatus);
    }
    lastHeardTime = now;
}
