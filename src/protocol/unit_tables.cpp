#include "protocol/unit_tables.h"

SlotTable<int> g_UnitModel;
SlotTable<int> g_SlotModel;
SlotTable<int> g_UnitStatus;
SlotTable<std::string> g_UnitOption;
SlotTable<std::string> g_UnitIpAddress;
SlotTable<int> g_UnitOnline;
ChannelTable<int> g_ChannelUnitType;
SlotTable<int> g_UnitOfflineLatch;
SlotTable<float> g_UnitTemperature;
SlotTable<int> g_UnitMacConflict;
SlotTable<int> g_BlinkPhase;
int g_SuppressUnitSends = 1;

void ResetUnitTables()
{
    g_UnitModel.fill(UNIT_TYPE_UNUSED);
    g_SlotModel.fill(UNIT_TYPE_UNUSED);
    g_UnitStatus.fill(UNIT_INACTIVE);
    g_UnitOption.fill(std::string());
    g_UnitIpAddress.fill(std::string());
    g_UnitOnline.fill(0);
    g_ChannelUnitType.fill(UNIT_TYPE_UNUSED);
    g_UnitOfflineLatch.fill(0);
    g_UnitTemperature.fill(0.0f);
    g_UnitMacConflict.fill(0);
    g_BlinkPhase.fill(0);
    g_SuppressUnitSends = 1;
}

namespace {
// The tables hold their start values before anything else of the program runs.
[[maybe_unused]] const bool s_unitTablesReady = (ResetUnitTables(), true);
}
