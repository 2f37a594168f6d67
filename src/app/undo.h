#pragma once

#include <array>

// The history of strip changes the operator can take back, newest first.
// A switch record holds the state the change set (1 on, 0 off); a gain
// record (control UNDO_GAIN) the fader position before the change.
struct UndoRecord {
    int Channel = 0;
    int Control = 0;
    int Value = 0;
};

constexpr int UNDO_GAIN = 9;
constexpr int kUndoDepth = 8;

extern std::array<UndoRecord, kUndoDepth> g_UndoStack;
extern int g_nUndoCount;

// Adds a record in front; the eighth falls out.
void PushUndoRecord(int channel, int control, int value);
// Removes the newest record; false when there is none.
bool PopUndoRecord(UndoRecord* out);
void ClearUndoHistory();
