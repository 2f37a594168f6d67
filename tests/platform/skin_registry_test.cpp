// SkinRegistry over the artwork compiled into the program.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPixmap>

#include "platform/skin_registry.h"

#include "qt_printers.h"

namespace {

// The plain blue-grey the title strip and the panel tile are filled with.
const QColor kPanelColour(48, 59, 83);

} // namespace

TEST(SkinRegistry, KnowsTheBuiltInPicturesAndTheirNaturalSizes)
{
    SkinRegistry skin;
    EXPECT_TRUE(skin.contains(191));
    EXPECT_TRUE(skin.contains(QStringLiteral("191")));
    EXPECT_TRUE(skin.contains(QStringLiteral("BACKGROUND")));
    EXPECT_TRUE(skin.contains(14128));

    EXPECT_EQ(skin.naturalSize(191), QSize(400, 34));
    EXPECT_EQ(skin.naturalSize(QStringLiteral("BACKGROUND")), QSize(64, 64));
    EXPECT_EQ(skin.naturalSize(14128), QSize(64, 64));

    // The program-wide registry reads the same artwork.
    EXPECT_EQ(SkinRegistry::instance().naturalSize(191), QSize(400, 34));
}

TEST(SkinRegistry, RendersAtNaturalStretchedAndHighDensitySizes)
{
    SkinRegistry skin;

    const QPixmap natural = skin.pixmap(191);
    ASSERT_FALSE(natural.isNull());
    EXPECT_EQ(natural.size(), QSize(400, 34));
    EXPECT_DOUBLE_EQ(natural.devicePixelRatio(), 1.0);

    const QPixmap dense = skin.pixmap(191, 2.0);
    ASSERT_FALSE(dense.isNull());
    EXPECT_EQ(dense.size(), QSize(800, 68)); // device pixels
    EXPECT_DOUBLE_EQ(dense.devicePixelRatio(), 2.0);
    EXPECT_EQ(dense.deviceIndependentSize().toSize(), QSize(400, 34));

    const QPixmap stretched = skin.pixmap(QStringLiteral("BACKGROUND"), QSize(150, 40));
    ASSERT_FALSE(stretched.isNull());
    EXPECT_EQ(stretched.size(), QSize(150, 40));

    // Stretched means filled edge to edge in the new proportions, not letterboxed.
    const QImage wide = skin.pixmap(191, QSize(200, 68)).toImage();
    ASSERT_EQ(wide.size(), QSize(200, 68));
    for (const QPoint at : {QPoint(0, 0), QPoint(199, 0), QPoint(0, 60), QPoint(199, 60)})
        EXPECT_EQ(wide.pixelColor(at).alpha(), 255) << at.x() << "," << at.y();

    const QPixmap stretchedDense = skin.pixmap(14128, QSize(24, 24), 1.5);
    ASSERT_FALSE(stretchedDense.isNull());
    EXPECT_EQ(stretchedDense.size(), QSize(36, 36));
    EXPECT_DOUBLE_EQ(stretchedDense.devicePixelRatio(), 1.5);
}

TEST(SkinRegistry, PlainBackgroundPixelsHaveThePanelColour)
{
    SkinRegistry skin;
    // Right of the caption and above the base rule the title strip is bare background.
    const QImage strip = skin.pixmap(191).toImage();
    ASSERT_EQ(strip.size(), QSize(400, 34));
    for (const QPoint at : {QPoint(395, 5), QPoint(2, 2), QPoint(390, 28)}) {
        const QColor c = strip.pixelColor(at);
        EXPECT_EQ(c.alpha(), 255) << at.x() << "," << at.y();
        EXPECT_EQ(c.rgb(), kPanelColour.rgb()) << at.x() << "," << at.y() << " is " << c.name().toStdString();
    }

    // The same spot at double density.
    const QImage dense = skin.pixmap(191, 2.0).toImage();
    EXPECT_EQ(dense.pixelColor(790, 10).rgb(), kPanelColour.rgb());

    // The panel tile is the same colour under a faint grain: opaque and close to it.
    const QImage tile = skin.pixmap(QStringLiteral("BACKGROUND")).toImage();
    const QColor t = tile.pixelColor(32, 23);
    EXPECT_EQ(t.alpha(), 255);
    EXPECT_NEAR(t.red(), kPanelColour.red(), 3);
    EXPECT_NEAR(t.green(), kPanelColour.green(), 3);
    EXPECT_NEAR(t.blue(), kPanelColour.blue(), 3);
}

TEST(SkinRegistry, CachesEachSizeAndDensity)
{
    SkinRegistry skin;
    const QPixmap a = skin.pixmap(191);
    const QPixmap b = skin.pixmap(191);
    const QPixmap c = skin.pixmap(QStringLiteral("191"), QSize(400, 34), 1.0);
    EXPECT_EQ(a.cacheKey(), b.cacheKey());
    EXPECT_EQ(a.cacheKey(), c.cacheKey());

    // Another size or density is another picture.
    EXPECT_NE(skin.pixmap(191, 2.0).cacheKey(), a.cacheKey());
    EXPECT_NE(skin.pixmap(191, QSize(200, 34)).cacheKey(), a.cacheKey());
    EXPECT_EQ(skin.pixmap(191, 2.0).cacheKey(), skin.pixmap(191, 2.0).cacheKey());

    // After clearCache() the picture is rendered afresh.
    skin.clearCache();
    const QPixmap d = skin.pixmap(191);
    EXPECT_NE(d.cacheKey(), a.cacheKey());
    EXPECT_EQ(d.size(), a.size());
    EXPECT_EQ(skin.pixmap(191).cacheKey(), d.cacheKey());
}

TEST(SkinRegistry, UnknownIdsAndEmptySizesGiveNothing)
{
    SkinRegistry skin;
    EXPECT_FALSE(skin.contains(99999));
    EXPECT_FALSE(skin.contains(QStringLiteral("NO_SUCH_PICTURE")));
    EXPECT_FALSE(skin.naturalSize(99999).isValid());
    EXPECT_TRUE(skin.pixmap(99999).isNull());
    EXPECT_TRUE(skin.pixmap(99999, QSize(10, 10)).isNull());
    EXPECT_TRUE(skin.pixmap(QStringLiteral("NO_SUCH_PICTURE"), QSize(10, 10), 2.0).isNull());

    EXPECT_TRUE(skin.pixmap(191, QSize()).isNull());
    EXPECT_TRUE(skin.pixmap(191, QSize(0, 34)).isNull());
    EXPECT_TRUE(skin.pixmap(191, QSize(400, 0)).isNull());
    EXPECT_TRUE(skin.pixmap(191, QSize(-5, 34)).isNull());
    EXPECT_TRUE(skin.pixmap(191, QSize(400, 34), 0.0).isNull());

    // An unknown name does not spoil the known ones.
    EXPECT_EQ(skin.naturalSize(191), QSize(400, 34));

    // A registry over a prefix without artwork knows nothing.
    SkinRegistry empty(QStringLiteral(":/no-such-skin/"));
    EXPECT_FALSE(empty.contains(191));
    EXPECT_TRUE(empty.pixmap(191).isNull());
}
