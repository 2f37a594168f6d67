#include "app/undo.h"

#include <algorithm>

std::array<UndoRecord, kUndoDepth> g_UndoStack{};
int g_nUndoCount = 0;

void PushUndoRecord(int channel, int control, int value)
{
    std::move_backward(g_UndoStack.begin(), g_UndoStack.end() - 1, g_UndoStack.end());
    g_UndoStack[0] = UndoRecord{channel, control, value};
    g_nUndoCount = std::min(g_nUndoCount + 1, kUndoDepth);
}

bool PopUndoRecord(UndoRecord* out)
{
    if (g_nUndoCount == 0)
        return false;
    if (out)
        *out = g_UndoStack[0];
    std::move(g_UndoStack.begin() + 1, g_UndoStack.end(), g_UndoStack.begin());
    g_UndoStack[kUndoDepth - 1] = UndoRecord{};
    --g_nUndoCount;
    return true;
}

void ClearUndoHistory()
{
    g_UndoStack.fill(UndoRecord{});
    g_nUndoCount = 0;
}
