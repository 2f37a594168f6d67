#pragma once

#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QRect>

#include <cstdint>
#include <memory>

#include "platform/colorref.h"

// Drawing tools of the skinned controls.

// A colour in the hue-lightness-saturation space, packed like a colour word:
// hue in bits 0-7, lightness in bits 8-15, saturation in bits 16-23, each
// scaled to 0..255 (hue 255 = 360 degrees).
using PackedHls = std::uint32_t;

PackedHls RgbToHls(ColorRef rgb);
ColorRef HlsToRgb(PackedHls hls);

// Lightens (positive percent) or darkens (negative) a colour, and lowers its
// saturation by a negative percent.
ColorRef HLSTransform(ColorRef colour, int lightPercent, int satPercent);

// Collects a drawing in an off-screen pixmap and copies it to the target in
// one step when it goes out of scope. The rectangle may lie anywhere: the
// buffer reaches from (0, 0) to the rectangle's right and bottom edges, so
// the drawing is made at the rectangle's own coordinates, and only the
// rectangle is copied to the target. An empty rectangle buffers the target's
// clip box (or its whole device when it clips nothing).
class CBufferDC {
public:
    CBufferDC(QPainter& target, const QRect& rect);
    ~CBufferDC();
    CBufferDC(const CBufferDC&) = delete;
    CBufferDC& operator=(const CBufferDC&) = delete;

    QPainter& painter() { return *m_painter; }
    const QRect& rect() const { return m_rect; }

private:
    QPainter& m_target;
    QRect m_rect;
    QPixmap m_pixmap;
    std::unique_ptr<QPainter> m_painter;
};

// A CBufferDC whose drawing is made from the rectangle's top-left corner as
// its origin (a control's client rectangle, which begins at (0, 0)); it lands
// at the rectangle's own position on the target.
class CMyMemDC : public CBufferDC {
public:
    CMyMemDC(QPainter& target, const QRect& rect);
};

// Selects a solid 1-pixel pen of a colour for one scope and puts the
// painter's previous pen back at its end.
class CSelectPen {
public:
    CSelectPen(QPainter& painter, ColorRef colour);
    ~CSelectPen();
    CSelectPen(const CSelectPen&) = delete;
    CSelectPen& operator=(const CSelectPen&) = delete;

private:
    QPainter& m_painter;
    QPen m_oldPen;
};

// Selects a solid brush of a colour for one scope (kNullBrushColour: no
// brush, shapes stay unfilled) and puts the previous brush back at its end.
class CSelectBrush {
public:
    static constexpr ColorRef kNullBrushColour = 0xFFFFFFFFu;

    CSelectBrush(QPainter& painter, ColorRef colour);
    ~CSelectBrush();
    CSelectBrush(const CSelectBrush&) = delete;
    CSelectBrush& operator=(const CSelectBrush&) = delete;

private:
    QPainter& m_painter;
    QBrush m_oldBrush;
};

// Gives a painter the bold (or the regular) cut of its current font for one
// scope. When the font already has the asked weight nothing is selected, and
// at the end only a font this object selected is put back.
class CSelectBoldFont {
public:
    CSelectBoldFont(QPainter& painter, bool bold);
    ~CSelectBoldFont();
    CSelectBoldFont(const CSelectBoldFont&) = delete;
    CSelectBoldFont& operator=(const CSelectBoldFont&) = delete;

    // Whether this object changed the painter's font.
    bool selected() const { return m_bSelected; }

private:
    QPainter& m_painter;
    QFont m_oldFont;
    bool m_bSelected = false;
};
