#pragma once

#include <cstdint>

// Takes silent units off line: a unit whose last datagram is more than
// 2000 ms old is counted off, marked not on line, shown as off line and its
// node removed. Runs every 2000 ms on the GUI thread, so it never meets a
// packet handler or a sender half-way.

constexpr std::uint32_t kOfflineAfterMs = 2000;
constexpr int kWatchdogPeriodMs = 2000;

class UnitFamily132;

void CheckOffline132(UnitFamily132& family);
// The KR-9X check: also skips a slot already shown off line or counted off.
void CheckOffline_KR9X();

// Counts every unit whose datagram waits to be handled (for instance while a
// box that an earlier datagram raised is up) as heard when it arrived.
void NoteWaitingDatagrams();

// One tick of the watchdog over every model that has units to check; the
// datagrams still waiting count first.
void WatchdogTimerProc();
