#pragma once

#include <QPoint>

#include <optional>

class QWindow;

// Where the display server has the top-left corner of a top-level window's
// client area, in desktop coordinates. Under a window manager that puts every
// window into a frame of its own, Qt learns where a window went only from the
// events the manager sends, and for a window without a title bar it may keep
// an old position for good; the server's answer is always the real one.
// Nothing when the window has no native window or the desktop is not X11.
std::optional<QPoint> ServerWindowOrigin(const QWindow* window);
