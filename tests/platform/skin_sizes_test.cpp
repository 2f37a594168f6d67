#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPixmap>

#include <utility>

#include "platform/skin_registry.h"

#include "qt_printers.h"

namespace {

// Off and lit pictures of the same switch.
constexpr std::pair<int, int> kOffAndOn[] = {
    {12329, 12330}, {238, 241}, {244, 245}, {247, 248}, {270, 271}, {272, 273},
    {274, 275}, {276, 277}, {235, 236}, {131, 138}, {144, 145}, {146, 147},
    {142, 143}, {5321, 5322}, {6321, 6322}, {4321, 4322}, {7321, 7322},
};

QImage rendered(int id, qreal dpr = 1.0)
{
    return SkinRegistry::instance().pixmap(id, dpr).toImage();
}

} // namespace

TEST(SkinSizes, FaderCapsCarryAWhiteIndexLineAtHalfHeight)
{
    for (const auto& [id, dpr] : {std::pair{132, 1.0}, {132, 2.0}, {135, 1.0}, {135, 2.0}}) {
        const QImage cap = rendered(id, dpr);
        const int half = cap.height() / 2;
        const int x = cap.width() / 2;
        SCOPED_TRACE(testing::Message() << id << " at " << dpr);
        EXPECT_EQ(cap.pixelColor(x, half - 1).rgb(), QColor(Qt::white).rgb());
        EXPECT_EQ(cap.pixelColor(x, half).rgb(), QColor(Qt::white).rgb());
        EXPECT_LT(cap.pixelColor(x, half - 1 - int(dpr)).lightness(), 80);
        EXPECT_LT(cap.pixelColor(x, half + int(dpr)).lightness(), 80);
    }
}

TEST(SkinSizes, LitSwitchesHaveABrightRim)
{
    for (const auto& [off, on] : kOffAndOn) {
        SCOPED_TRACE(testing::Message() << off << " / " << on);
        const QImage offImage = rendered(off);
        const QImage onImage = rendered(on);
        const QPoint rim(1, offImage.height() / 2);
        EXPECT_GT(onImage.pixelColor(rim).value(), offImage.pixelColor(rim).value() + 60);
    }
}

TEST(SkinSizes, HeaderPiecesJoinWithoutASeam)
{
    for (const qreal dpr : {1.0, 2.0}) {
        const QImage left = rendered(171, dpr);
        const QImage centre = rendered(170, dpr);
        const QImage right = rendered(172, dpr);
        for (int y = 0; y < centre.height(); ++y) {
            SCOPED_TRACE(testing::Message() << "row " << y << " at " << dpr);
            EXPECT_EQ(left.pixelColor(left.width() - 1, y).rgba(), centre.pixelColor(0, y).rgba());
            EXPECT_EQ(centre.pixelColor(centre.width() - 1, y).rgba(), right.pixelColor(0, y).rgba());
        }
    }
}
