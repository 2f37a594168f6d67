#include "controls/drawing_tools.h"

#include <algorithm>

namespace {

float HueValue(float m1, float m2, float hue)
{
    if (hue > 360.0f)
        hue -= 360.0f;
    if (hue < 0.0f)
        hue += 360.0f;
    if (hue < 60.0f)
        return m1 + (m2 - m1) * hue / 60.0f;
    if (hue < 180.0f)
        return m2;
    if (hue < 240.0f)
        return m1 + (m2 - m1) * (240.0f - hue) / 60.0f;
    return m1;
}

} // namespace

PackedHls RgbToHls(ColorRef rgb)
{
    const int r = int(rgb & 0xFF), g = int((rgb >> 8) & 0xFF), b = int((rgb >> 16) & 0xFF);
    const int max = std::max({r, g, b});
    const int min = std::min({r, g, b});
    const float l = float(max + min) / 510.0f;
    float h = 0.0f, s = 0.0f;
    if (max != min) {
        const float delta = float(max - min);
        s = l <= 0.5f ? delta / float(max + min) : delta / float(510 - max - min);
        const float rr = float(max - r) / delta;
        const float gg = float(max - g) / delta;
        const float bb = float(max - b) / delta;
        // With ties the later test wins.
        if (r == max)
            h = (bb + 6.0f - gg) * 60.0f;
        if (g == max)
            h = (rr + 2.0f - bb) * 60.0f;
        if (b == max)
            h = (gg + 4.0f - rr) * 60.0f;
        if (h > 360.0f)
            h -= 360.0f;
    }
    const auto byte = [](float v) { return std::uint32_t(static_cast<int>(v) & 0xFF); };
    return byte(h * 255.0f / 360.0f) | (byte(l * 255.0f) << 8) | (byte(s * 255.0f) << 16);
}

ColorRef HlsToRgb(PackedHls hls)
{
    const int hueByte = int(hls & 0xFF);
    const int lightByte = int((hls >> 8) & 0xFF);
    const int satByte = int((hls >> 16) & 0xFF);
    if (satByte == 0)
        return MakeColorRef(lightByte, lightByte, lightByte);
    const float h = float(hueByte) * 360.0f / 255.0f;
    const float s = float(satByte) / 255.0f;
    const float l = float(lightByte) / 255.0f;
    const float m2 = l <= 0.5f ? l * (1.0f + s) : l + s - l * s;
    const float m1 = 2.0f * l - m2;
    const auto channel = [&](float hue) { return static_cast<int>(HueValue(m1, m2, hue) * 255.0f); };
    return MakeColorRef(channel(h + 120.0f), channel(h), channel(h - 120.0f));
}

ColorRef HLSTransform(ColorRef colour, int lightPercent, int satPercent)
{
    const PackedHls hls = RgbToHls(colour);
    int h = int(hls & 0xFF), l = int((hls >> 8) & 0xFF), s = int((hls >> 16) & 0xFF);
    if (lightPercent >= 1)
        l = (l + (255 - l) * lightPercent / 100) & 0xFF;
    else if (lightPercent < 0)
        l = (l * (lightPercent + 100) / 100) & 0xFF;
    if (satPercent < 0)
        s = (s * (satPercent + 100) / 100) & 0xFF;
    return HlsToRgb(PackedHls(h) | (PackedHls(l) << 8) | (PackedHls(s) << 16));
}

namespace {

QRect BufferedRect(const QPainter& target, const QRect& rect)
{
    if (!rect.isEmpty())
        return rect;
    if (target.hasClipping())
        return target.clipBoundingRect().toAlignedRect();
    const QPaintDevice* device = target.device();
    return device ? QRect(0, 0, device->width(), device->height()) : QRect();
}

} // namespace

CBufferDC::CBufferDC(QPainter& target, const QRect& rect)
    : m_target(target), m_rect(BufferedRect(target, rect))
{
    // The buffer holds the rectangle alone; drawing keeps the target's
    // coordinates.
    const qreal dpr = target.device() ? target.device()->devicePixelRatioF() : 1.0;
    m_pixmap = QPixmap(m_rect.size().expandedTo(QSize(1, 1)) * dpr);
    m_pixmap.setDevicePixelRatio(dpr);
    m_pixmap.fill(Qt::transparent);
    m_painter = std::make_unique<QPainter>(&m_pixmap);
    m_painter->translate(-m_rect.topLeft());
    // Only the rectangle is copied back, so nothing outside it is drawn.
    m_painter->setClipRect(m_rect);
}

CBufferDC::~CBufferDC()
{
    m_painter->end();
    const qreal dpr = m_pixmap.devicePixelRatio();
    m_target.drawPixmap(QRectF(m_rect), m_pixmap, QRectF(0, 0, m_rect.width() * dpr, m_rect.height() * dpr));
}

CMyMemDC::CMyMemDC(QPainter& target, const QRect& rect) : CBufferDC(target, rect)
{
    painter().translate(rect.topLeft());
}

CSelectPen::CSelectPen(QPainter& painter, ColorRef colour)
    : m_painter(painter), m_oldPen(painter.pen())
{
    m_painter.setPen(QPen(ToQColor(colour), 1, Qt::SolidLine));
}

CSelectPen::~CSelectPen()
{
    m_painter.setPen(m_oldPen);
}

CSelectBrush::CSelectBrush(QPainter& painter, ColorRef colour)
    : m_painter(painter), m_oldBrush(painter.brush())
{
    m_painter.setBrush(colour == kNullBrushColour ? QBrush(Qt::NoBrush) : QBrush(ToQColor(colour)));
}

CSelectBrush::~CSelectBrush()
{
    m_painter.setBrush(m_oldBrush);
}

CSelectBoldFont::CSelectBoldFont(QPainter& painter, bool bold)
    : m_painter(painter), m_oldFont(painter.font())
{
    const bool isBold = m_oldFont.weight() == QFont::Bold;
    if (isBold == bold)
        return;
    QFont font = m_oldFont;
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    m_painter.setFont(font);
    m_bSelected = true;
}

CSelectBoldFont::~CSelectBoldFont()
{
    if (m_bSelected)
        m_painter.setFont(m_oldFont);
}
