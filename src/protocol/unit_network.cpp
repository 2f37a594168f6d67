#include "protocol/unit_network.h"

#include <cmath>
#include <limits>
#include <utility>

#include "protocol/network_core.h"
#include "protocol/sender132.h"
#include "protocol/sender_kr9x.h"
#include "protocol/unit_host.h"
#include "protocol/unit_list132.h"
#include "protocol/unit_list_kr9x.h"
#include "protocol/unit_tables.h"

UnitHost* g_pUnitHost = nullptr;
NetworkCore* g_pNetwork = nullptr;
std::uint32_t g_PcSequence = 0;
int g_MeterPeriodMs = 100;
int g_SendInProgress = 0;
std::uint8_t g_IdentifyUnit = 0;
std::string g_LocalIpString;

void ResetProtocolState()
{
    g_Family_KR9X.Reset();
    g_Family_KR960.Reset();
    g_Family_KR960_8.Reset();
    g_PcSequence = 0;
    g_MeterPeriodMs = 100;
    g_SendInProgress = 0;
    g_IdentifyUnit = 0;
    g_LocalIpString.clear();
    ResetUnitTables();
    if (g_pNetwork)
        g_pNetwork->knownUnits().ForgetAll();
}

void PublishSlotHolder(int slot)
{
    if (!g_pNetwork)
        return;
    // A slot has one holder: a KR-960 first heard in local mode may stand in
    // both 132-byte lists for a moment, under its one MAC.
    const std::uint8_t* mac = nullptr;
    if (const UnitNodeKR9X* remote = std::as_const(g_Family_KR9X).FindUnit(slot))
        mac = remote->Mac.data();
    else if (const UnitNode132* sixteen = std::as_const(g_Family_KR960).FindUnit(slot))
        mac = sixteen->Mac.data();
    else if (const UnitNode132* eight = std::as_const(g_Family_KR960_8).FindUnit(slot))
        mac = eight->Mac.data();
    g_pNetwork->knownUnits().Publish(slot, mac);
}

void PublishAllSlotHolders()
{
    for (int slot = 1; slot <= kSlotCount; ++slot)
        PublishSlotHolder(slot);
}

void SendControlToModels(bool toKR9X, bool toKR960_8, bool toKR960, int slot,
                         std::string_view name, float value, int channel)
{
    if (toKR9X)
        SendControl_KR9X(slot, name, channel, value);
    if (toKR960_8)
        SendControl_KR960_8(slot, name, channel, value);
    if (toKR960)
        SendControl_KR960(slot, name, channel, value);
}

void SendAllModels()
{
    SendAllUnits_KR9X();
    SendAllUnits_KR960_8();
    SendAllUnits_KR960();
}

void PollAllUnits()
{
    if (!g_pNetwork || g_pNetwork->g_PacketsReceived.load() < 1)
        return;
    SendAllModels();
    // Units run from a MIDI card are polled once more each.
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        if (g_UnitOption[slot] != "MIDI")
            continue;
        if (g_UnitModel[slot] == UNIT_TYPE_KR960_8)
            SendAllUnits_KR960_8();
        else if (g_UnitModel[slot] == UNIT_TYPE_KR960)
            SendAllUnits_KR960();
    }
}

bool HaveSendSocket()
{
    if (g_pNetwork && g_pNetwork->EnsureSendSocket())
        return true;
    if (g_pUnitHost)
        g_pUnitHost->ShowMessage("Error in socket");
    return false;
}

int ControlValue(float value)
{
    if (!std::isfinite(value))
        return 0;
    const double clamped = std::fmax(std::fmin(double(value), double(std::numeric_limits<int>::max())),
                                     double(std::numeric_limits<int>::min()));
    return static_cast<int>(clamped);
}

std::uint32_t NetworkNowMs()
{
    return g_pUnitHost ? g_pUnitHost->NowMs() : 0;
}
