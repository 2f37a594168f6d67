#pragma once

#include <cstdint>
#include <string>

#include "protocol/unit_host.h"

// A host that shows nothing and arms no timers, with a clock the caller sets.
// It drives the unit lists where no window is present: the datagram fuzzer,
// the benchmarks and the tools.
class QuietUnitHost : public UnitHost {
public:
    std::uint32_t NowMs() override { return now; }
    void RepaintUnitStatus() override {}
    void ShowMessage(const std::string&) override {}
    void ShowMessageBox(const std::string&) override {}
    void ShowNotice(const std::string&, const std::string&, bool) override {}
    void OnUnitAdded132(const UnitFamily132&, int) override {}
    void OnUnitAddedKR9X(int) override {}
    void OnUnitRemoved(int, int) override {}
    void OnSlotSetUnused132(const UnitFamily132&, int, bool) override {}
    void DrawMeterDb(int, float) override {}
    void ArmTimer(int, int) override {}
    void KillTimer(int) override {}

    std::uint32_t now = 0;
};
