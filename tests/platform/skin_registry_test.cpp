#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

#include "platform/skin_registry.h"

#include "qt_printers.h"

TEST(SkinRegistry, RendersAtNaturalStretchedAndHighDensitySizes)
{
    SkinRegistry skin;
    EXPECT_TRUE(skin.contains(QStringLiteral("BACKGROUND")));
    EXPECT_EQ(skin.naturalSize(191), QSize(400, 34));
    EXPECT_EQ(SkinRegistry::instance().naturalSize(191), QSize(400, 34)); // the program's own

    const QPixmap natural = skin.pixmap(191);
    EXPECT_EQ(natural.size(), QSize(400, 34));
    EXPECT_DOUBLE_EQ(natural.devicePixelRatio(), 1.0);

    const QPixmap dense = skin.pixmap(191, 2.0);
    EXPECT_EQ(dense.size(), QSize(800, 68)); // device pixels
    EXPECT_EQ(dense.deviceIndependentSize().toSize(), QSize(400, 34));

    // Stretched means filled edge to edge in the new proportions, not letterboxed.
    const QImage wide = skin.pixmap(191, QSize(200, 68)).toImage();
    ASSERT_EQ(wide.size(), QSize(200, 68));
    for (const QPoint at : {QPoint(0, 0), QPoint(199, 0), QPoint(0, 60), QPoint(199, 60)})
        EXPECT_EQ(wide.pixelColor(at).alpha(), 255) << at.x() << "," << at.y();

    // Stretched at a fractional density: the size rounds up in device pixels.
    const QPixmap stretchedDense = skin.pixmap(14128, QSize(25, 25), 1.5);
    EXPECT_EQ(stretchedDense.size(), QSize(38, 38));
    EXPECT_DOUBLE_EQ(stretchedDense.devicePixelRatio(), 1.5);
}

TEST(SkinRegistry, UnknownIdsAndEmptySizesGiveNothing)
{
    SkinRegistry skin;
    EXPECT_FALSE(skin.contains(QStringLiteral("NO_SUCH_PICTURE")));
    EXPECT_FALSE(skin.naturalSize(99999).isValid());
    EXPECT_TRUE(skin.pixmap(99999).isNull());
    EXPECT_TRUE(skin.pixmap(QStringLiteral("NO_SUCH_PICTURE"), QSize(10, 10), 2.0).isNull());

    for (const QSize empty : {QSize(), QSize(0, 34), QSize(400, 0), QSize(-5, 34)})
        EXPECT_TRUE(skin.pixmap(191, empty).isNull()) << empty.width() << "x" << empty.height();
    EXPECT_TRUE(skin.pixmap(191, QSize(400, 34), 0.0).isNull());

    // An unknown name does not spoil the known ones.
    EXPECT_EQ(skin.naturalSize(191), QSize(400, 34));
}
