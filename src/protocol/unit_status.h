#pragma once

#include <cstdint>

class UnitHost;

// Stores a slot's status and has the unit status strip repaint. A slot that
// no unit list holds never takes UNIT_ACTIVE (its status stays as it was):
// a status decided before a box, with the unit gone while the box was open,
// must not show that unit as working.
void SetUnitStatus(int slot, int status);
// Whether a unit of any model holds the slot.
bool UnitHoldsSlot(int slot);
// The status strip's own way in; the same as SetUnitStatus.
void UpdateUnitStatus(int slot, int status);

// One blinking display of a slot (local mode, supply fault). Each packet of
// the blinking unit stores holdStatus, and when more than 500 ms have passed
// since the last phase change the phase flips: from phase 0 the slot shows
// darkStatus, from phase 1 lightStatus. The first blinking packet starts the
// clock. The unit counts as heard.
struct BlinkDisplay {
    int holdStatus;
    int darkStatus;
    int lightStatus;
};
void AdvanceBlink(int slot, const BlinkDisplay& display, int& started, std::uint32_t& blinkTime,
                  std::uint32_t& lastHeardTime, std::uint32_t now);

constexpr std::uint32_t kBlinkPhaseMs = 500;
