#pragma once

#include <QImage>
#include <QRegion>
#include <QWidget>

// A view repaints scattered meters as one region of many rectangles. This
// paints the area once whole and once only over the region, as such a
// repaint does, and counts the pixels inside the region that came out
// otherwise, and the pixels outside it that the partial paint touched.
struct RegionPaintDiff {
    int inside = 0;
    int outside = 0;
};

inline RegionPaintDiff CompareRegionPaint(QWidget& view, const QRect& area, const QRegion& region)
{
    const QRgb untouched = qRgb(255, 0, 255);
    auto paint = [&](const QRegion& what) {
        QImage image(area.size(), QImage::Format_RGB32);
        image.fill(untouched);
        view.render(&image, what.boundingRect().topLeft() - area.topLeft(), what);
        return image;
    };
    const QImage whole = paint(QRegion(area));
    const QImage part = paint(region & area);
    RegionPaintDiff diff;
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x) {
            if (region.contains(area.topLeft() + QPoint(x, y)))
                diff.inside += part.pixel(x, y) != whole.pixel(x, y);
            else
                diff.outside += part.pixel(x, y) != untouched;
        }
    }
    return diff;
}
