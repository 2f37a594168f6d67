#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

class SettingsStore;

// Where the main window was and how it was shown, as kept under
// "Settings"/"WindowPos". Rectangle edges are exclusive on the right and bottom.
struct WindowPlacement {
    static constexpr unsigned kRestoreToMaximized = 2; // flags
    static constexpr unsigned kShowNormal = 1;         // showCommand
    static constexpr unsigned kShowMinimized = 2;
    static constexpr unsigned kShowMaximized = 3;

    unsigned flags = 0;
    unsigned showCommand = kShowNormal;
    int minX = -1, minY = -1;
    int maxX = -1, maxY = -1;
    int left = 0, top = 0, right = 0, bottom = 0;

    bool operator==(const WindowPlacement&) const = default;
};

// The stored value and what it carries besides the placement.
struct StoredWindowPos {
    WindowPlacement placement;
    int viewMode = 0; // 1 = the overview was shown
    int reserved = 0;
};

// "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d %d %d": the placement's ten fields, the view
// mode and the reserved field.
QString FormatWindowPos(const StoredWindowPos& value);

// All twelve fields with their separators, or nothing.
std::optional<StoredWindowPos> ParseWindowPos(const QString& text);

// Reads the stored placement. True only when the value exists and all twelve
// fields were read; then out holds the placement, g_bOverviewMode the view
// mode and g_nWindowPosReserved the reserved field. Otherwise nothing changes.
bool LoadWindowPlacement(const SettingsStore& settings, WindowPlacement* out);

// Stores the placement with g_bOverviewMode and the reserved field (written as 0).
bool SaveWindowPlacement(SettingsStore& settings, const WindowPlacement& placement);

// The window's smallest size on a screen with this available area: the
// design minimum wherever it fits, else no more than the area holds.
QSize MinimumSizeOn(const QSize& designMinimum, const QRect& available);

// Where a window rectangle (a stored one, or the centred start-up one) is
// shown, given the available areas of the screens there are now, the
// primary screen's first: on the screen holding most of it (the primary
// when none holds any, as when its screen is gone), no larger than that
// screen's area and no smaller than the minimum there, and moved wholly
// onto it. Without any screen the rectangle is kept.
QRect FitRectToScreens(const QRect& rect, const QList<QRect>& available, const QSize& designMinimum);

// Of the available areas, the one a rectangle is shown on by FitRectToScreens.
QRect ScreenAreaFor(const QRect& rect, const QList<QRect>& available);
