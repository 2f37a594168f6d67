#include "views/meter_art.h"

#include <QPainter>

#include <vector>

#include "app/preferences.h"
#include "platform/font_faces.h"
#include "platform/skin_registry.h"
#include "views/meter_law.h"

namespace {

using namespace strip_meter;

// The scale stands 2 px above the meter box and is 231 px tall.
constexpr int kScaleWidth = 20;
constexpr int kScaleHeight = 231;
constexpr int kScaleToMeter = 2;

void PaintLitMeter(QPainter& p, QSize size)
{
    p.fillRect(QRect(QPoint(0, 0), size), Qt::black);
    // The bar: each row takes the colour of the level that lights it.
    for (int y = kBarTop; y < kHeight; ++y) {
        const float share = float(kHeight - y) / float(kBarHeight);
        const QColor colour = ToQColor(MeterGradientAt(long(share * 4095.0f)));
        // Every fourth row is a thin dark gap between segments.
        p.fillRect(QRect(2, y, kWidth - 2, 1), (y - kBarTop) % 4 == 0 ? colour.darker(160) : colour);
    }
    // A faint frame around the bar.
    p.setPen(QColor(20, 20, 22));
    p.drawLine(1, kBarTop, 1, kHeight - 1);
}

struct Mark {
    int label;  // the number written
    float level; // the level in dB it stands for
};

void PaintScale(QPainter& p, QSize size, const std::vector<Mark>& marks)
{
    p.fillRect(QRect(QPoint(0, 0), size), QColor(30, 37, 52));
    QFont font = MakeFont(QStringLiteral("Arial"), 52, 400);
    font.setPixelSize(7);
    p.setFont(font);
    int lastY = -100;
    for (const Mark& m : marks) {
        const int y = UnlitBottomForLevel(m.level) + kScaleToMeter;
        if (y - lastY < 9)
            continue; // too close to the mark above
        lastY = y;
        p.fillRect(QRect(kScaleWidth - 4, y, 4, 1), ToQColor(kReadoutColour));
        p.setPen(ToQColor(kReadoutColour));
        const QString text = m.label > 0 ? QStringLiteral("+%1").arg(m.label) : QString::number(m.label);
        p.drawText(QRect(0, y - 5, kScaleWidth - 4, 10), Qt::AlignRight | Qt::AlignVCenter, text);
    }
}

std::vector<Mark> DbfsMarks()
{
    std::vector<Mark> marks;
    for (int db : {0, -3, -6, -10, -15, -20, -30, -40, -50, -60, -80})
        marks.push_back({db, float(db)});
    return marks;
}

std::vector<Mark> DbuMarks(int maxLevel)
{
    std::vector<Mark> marks{{maxLevel, 0.0f}};
    for (int dbu : {18, 12, 6, 0, -6, -12, -20, -30, -40, -50, -60})
        if (dbu < maxLevel)
            marks.push_back({dbu, float(dbu - maxLevel)});
    return marks;
}

} // namespace

void RegisterMeterArt(SkinRegistry& skin)
{
    skin.registerPainter(40201, QSize(kWidth, kHeight), PaintLitMeter);
    skin.registerPainter(149, QSize(kScaleWidth, kScaleHeight),
                         [](QPainter& p, QSize size) { PaintScale(p, size, DbfsMarks()); });
    const std::pair<int, int> dbuScales[] = {{150, 9}, {153, 12}, {154, 15}, {155, 18}, {156, 22}};
    for (const auto& [id, maxLevel] : dbuScales) {
        const int m = maxLevel;
        skin.registerPainter(id, QSize(kScaleWidth, kScaleHeight),
                             [m](QPainter& p, QSize size) { PaintScale(p, size, DbuMarks(m)); });
    }
}

int MeterScaleBitmap()
{
    if (g_bMeterScaleDbfs || !g_bMeterScaleDbu)
        return 149;
    switch (g_nDbuMaxLevel) {
    case 9:
        return 150;
    case 12:
        return 153;
    case 15:
        return 154;
    case 18:
        return 155;
    case 22:
        return 156;
    default:
        return 149;
    }
}
