#pragma once

#include <QColor>

#include <cstdint>

// Colours kept in tables and files as 0x00BBGGRR words.
using ColorRef = std::uint32_t;

constexpr ColorRef MakeColorRef(int r, int g, int b)
{
    return static_cast<ColorRef>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

inline QColor ToQColor(ColorRef c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}
