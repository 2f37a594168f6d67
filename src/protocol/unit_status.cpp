#include "protocol/unit_status.h"

#include "protocol/unit_host.h"
#include "protocol/unit_network.h"
#include "protocol/unit_tables.h"

void SetUnitStatus(int slot, int status)
{
    if (slot < 1 || slot > kSlotCount)
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
