#pragma once

#include <QPoint>
#include <QRect>

// Layouts are written in dialog units of a dialog font whose base units are
// fixed at 6 x 13 pixels: x pixels = x * 6 / 4, y pixels = y * 13 / 8,
// rounded to the nearest pixel.

namespace dialog_units {

constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

// Multiplies and divides with rounding to the nearest integer, halves away from zero.
constexpr int MulDivRound(int value, int mul, int div)
{
    const long long product = static_cast<long long>(value) * mul;
    const long long half = div / 2;
    return static_cast<int>(product >= 0 ? (product + half) / div : (product - half) / div);
}

constexpr int ToPixelsX(int x) { return MulDivRound(x, kBaseUnitX, 4); }
constexpr int ToPixelsY(int y) { return MulDivRound(y, kBaseUnitY, 8); }

inline QPoint ToPixels(QPoint p) { return {ToPixelsX(p.x()), ToPixelsY(p.y())}; }

// A rectangle given as left, top, width and height in dialog units.
inline QRect MapDialogRect(int left, int top, int width, int height)
{
    const int l = ToPixelsX(left);
    const int t = ToPixelsY(top);
    return QRect(l, t, ToPixelsX(left + width) - l, ToPixelsY(top + height) - t);
}

} // namespace dialog_units
