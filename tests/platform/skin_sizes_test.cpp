// The channel-strip artwork: every picture the strips use is in the skin at the
// size the layouts stretch it to, and the details the layouts rely on hold.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPixmap>

#include <utility>

#include "platform/skin_registry.h"

#include "qt_printers.h"

namespace {

struct Picture {
    int id;
    int width;
    int height;
};

constexpr Picture kStripPictures[] = {
    // channel-strip switches
    {12329, 35, 24}, {12330, 35, 24}, {238, 35, 24}, {241, 35, 24},
    {244, 35, 24}, {245, 35, 24}, {189, 35, 24}, {247, 35, 24}, {248, 35, 24},
    {270, 35, 24}, {271, 35, 24}, {272, 35, 24}, {273, 35, 24},
    {274, 35, 24}, {275, 35, 24}, {190, 35, 24}, {276, 35, 24}, {277, 35, 24},
    {235, 39, 24}, {236, 39, 24},
    // overview switches
    {131, 26, 16}, {138, 26, 16}, {144, 26, 16}, {145, 26, 16},
    {146, 26, 16}, {147, 26, 16}, {222, 26, 16}, {142, 26, 16}, {143, 26, 16},
    {5321, 26, 16}, {5322, 26, 16}, {6321, 26, 16}, {6322, 26, 16},
    {4321, 26, 16}, {4322, 26, 16}, {225, 26, 16}, {7321, 26, 16}, {7322, 26, 16},
    // faders
    {133, 31, 200}, {132, 31, 54}, {134, 16, 200}, {135, 14, 30},
    // read-outs, plates, header, edges, badge, meter
    {253, 71, 30}, {249, 33, 24}, {252, 77, 28}, {251, 76, 33},
    {170, 190, 36}, {171, 228, 36}, {172, 239, 36},
    {254, 5, 442}, {260, 4, 476}, {7324, 120, 28}, {256, 21, 227}, {226, 20, 11},
};

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

TEST(SkinSizes, EveryStripPictureHasItsLayoutSize)
{
    SkinRegistry skin;
    for (const Picture& p : kStripPictures) {
        SCOPED_TRACE(p.id);
        const QSize size(p.width, p.height);
        ASSERT_TRUE(skin.contains(p.id));
        EXPECT_EQ(skin.naturalSize(p.id), size);
        EXPECT_EQ(skin.pixmap(p.id).size(), size);
        EXPECT_EQ(skin.pixmap(p.id, 2.0).size(), size * 2);
    }
}

TEST(SkinSizes, FaderCapsCarryAWhiteIndexLineAtHalfHeight)
{
    // Two rows of white centred on half height, dark insert rows around them.
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
