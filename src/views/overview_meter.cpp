#include "views/overview_meter.h"

#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "platform/skin_registry.h"
#include "views/meter_law.h"

namespace overview_meter {

namespace {

// The largest share a bar may light: its top reaches the picture's top.
constexpr float kMaxShare = float(kBase) / float(kTravel);

// A (left, top, right, bottom) rectangle, right and bottom exclusive.
QRect Box(int l, int t, int r, int b)
{
    return QRect(l, t, r - l, b - t);
}

// A one-pixel black frame just inside the rectangle.
void Frame(QPainter& p, const QRect& r)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), Qt::black);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), Qt::black);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), Qt::black);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), Qt::black);
}

} // namespace

float ShareForLevel(float levelDb)
{
    if (std::isnan(levelDb))
        return 0.0f;
    // Far outside any unit's range the power would overflow; the bar is full long before.
    const float p = Pow103(std::clamp(levelDb, -1000.0f, 1000.0f));
    return std::min(p, kMaxShare);
}

int BarLength(float share)
{
    return std::clamp(static_cast<int>(share * float(kTravel)), 0, kBase);
}

int ColourIndex(float share)
{
    return std::max(0, static_cast<int>(share * 4095.0f));
}

int MarkerRowForPeak(int peakDb)
{
    // A peak far above the picture stays far above it (and out of sight).
    const float p = std::min(Pow103(float(std::clamp(peakDb, -1000, 1000))), 2.0f);
    return kBase - static_cast<int>(p * float(kTravel));
}

int WellBottom(int barLength)
{
    return 96 - static_cast<int>(barLength * 0.02148);
}

float RedZoneFactor(int threshold)
{
    return float(threshold - 4) * 0.0278f + 0.5f;
}

long BandIndex(const Picture& pic, int bandTop)
{
    const float z = RedZoneFactor(pic.redZoneThreshold);
    const float s = (1.0f - float(pic.colourIndex)) / float(kHeight - pic.barTop);
    return static_cast<long>(float(bandTop - pic.barTop) * z * s + float(pic.colourIndex));
}

void Paint(QPainter& p, const Picture& pic)
{
    if (!pic.lit)
        return;
    const qreal dpr = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const QPixmap canvas = SkinRegistry::instance().pixmap(kCanvasBitmap, QSize(kWidth, kHeight), dpr);
    if (canvas.isNull())
        p.fillRect(QRect(0, 0, kWidth, kHeight), Qt::black);
    else
        p.drawPixmap(0, 0, canvas);

    // The well: grey, framed twice on the left, top and right.
    const QRect well = Box(0, 7, kWidth, pic.wellBottom);
    p.fillRect(well, ToQColor(kMeterUnlitColour));
    Frame(p, well);
    Frame(p, well.adjusted(1, 1, -1, 0));

    if (pic.markerY != kNoMarker)
        p.fillRect(Box(2, pic.markerY - 2, 6, pic.markerY + 1), ToQColor(MeterColourForLevel(pic.colourIndex)));

    const int top = pic.barTop;
    if (top > kHeight)
        return;
    for (int y = top; y < kHeight; y += 2)
        p.fillRect(Box(0, y, kWidth, std::min(y + 2, kHeight)), ToQColor(MeterGradientAt(BandIndex(pic, y))));
    const QRect bar = Box(0, top, kWidth, kHeight);
    Frame(p, bar);
    Frame(p, bar.adjusted(1, 1, -1, -1));
}

} // namespace overview_meter
