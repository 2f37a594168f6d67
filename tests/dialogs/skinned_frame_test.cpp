#include "support/console_fixture.h"

#include <QImage>
#include <QTest>

#include "dialogs/message_dialog.h"
#include "dialogs/metering_dialog.h"

using namespace console_test;

namespace {

QImage Painted(QWidget& dialog)
{
    return dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Left and right ends of the title's dark pixels in the caption strip.
std::pair<int, int> TitleExtent(const QImage& image)
{
    int first = image.width();
    int last = -1;
    // Clear of the corner pieces and of the strip's top and bottom rules.
    for (int y = 4; y < 24; ++y)
        for (int x = 24; x < image.width() - 24; ++x)
            if (qGray(image.pixel(x, y)) < 80) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
    return {first, last};
}

class SkinnedFrameTest : public DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        g_strMessage = QStringLiteral("Scene saved.");
    }
};

} // namespace

TEST_F(SkinnedFrameTest, MessageBoxPaintsFrameWhiteBodyAndCentredTitle)
{
    CMessageDialog box;
    box.show();
    const QImage image = Painted(box);
    const int w = image.width();
    const int h = image.height();
    const int mid = h / 2;
    EXPECT_EQ(QColor(image.pixel(0, mid)), QColor(0, 0, 0));
    EXPECT_EQ(QColor(image.pixel(w / 2, h - 1)), QColor(0, 0, 0));
    EXPECT_EQ(QColor(image.pixel(9, mid)), QColor(255, 255, 255));
    // The body's corners are rounded: the corner of its rectangle is margin.
    EXPECT_EQ(QColor(image.pixel(5, 32)), QColor(231, 231, 231));

    const auto [first, last] = TitleExtent(image);
    ASSERT_LT(first, last) << "no title drawn";
    EXPECT_NEAR((first + last + 1) / 2.0, w / 2.0, 1.5);
}

TEST_F(SkinnedFrameTest, DraggedByTheCaptionStripOnlyOrByTheBodyWhereTheDialogSaysSo)
{
    // Press, move by (30, 20) and release at a point of the dialog.
    const auto drag = [](QWidget& dialog, QPoint from) {
        QTest::mousePress(&dialog, Qt::LeftButton, {}, from);
        QTest::mouseMove(&dialog, from + QPoint(30, 20));
        QTest::mouseRelease(&dialog, Qt::LeftButton, {}, from + QPoint(30, 20));
    };
    CMessageDialog box;
    box.move(100, 100);
    box.show();
    const QPoint start = box.pos();
    drag(box, QPoint(box.width() / 2, 12));
    EXPECT_EQ(box.pos(), start + QPoint(30, 20));
    drag(box, QPoint(9, 120)); // on the body
    EXPECT_EQ(box.pos(), start + QPoint(30, 20));

    CNewMeteringDialog meters;
    meters.move(100, 100);
    meters.show();
    drag(meters, QPoint(meters.width() - 20, meters.height() - 12)); // below the title strip
    EXPECT_EQ(meters.pos(), start + QPoint(30, 20));
}
