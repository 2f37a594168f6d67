#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QToolTip>
#include <QWidget>

#include <vector>

#include "app/fonts.h"
#include "controls/bitmap_buttons.h"
#include "controls/command_target.h"
#include "controls/control_ids.h"
#include "platform/skin_registry.h"

namespace {

// A dialog stand-in that records the commands it is handed.
class RecordingDialog : public QWidget, public CommandTarget {
public:
    RecordingDialog()
    {
        resize(300, 200);
        auto* placeholder = new QLabel(QStringLiteral("OK"), this);
        SetControlId(placeholder, kPlaceholderId);
        placeholder->setGeometry(kPlaceholderRect);
    }
    void OnCommand(int id) override { commands.push_back(id); }

    static constexpr int kPlaceholderId = 1050;
    static inline const QRect kPlaceholderRect{40, 120, 74, 26};
    std::vector<int> commands;
};

QColor PixelOf(QWidget& widget, QPoint at)
{
    return widget.grab().toImage().pixelColor(at);
}

QColor PictureAt(int id, QSize size, QPoint at)
{
    return SkinRegistry::instance().pixmap(id, size).toImage().pixelColor(at);
}

class BrannockButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateSceneListFont();
        ASSERT_TRUE(button.Create(&dialog, RecordingDialog::kPlaceholderId, CBrannockButton::kOwnId,
                                  CBrannockButton::kBmpNormal, CBrannockButton::kBmpHoverTall,
                                  QStringLiteral("OK"), QStringLiteral(" OK ")));
        dialog.show();
    }

    RecordingDialog dialog;
    CBrannockButton button;
};

} // namespace

TEST_F(BrannockButtonTest, TakesThePlaceholdersPlaceAndHidesIt)
{
    EXPECT_FALSE(FindChildById(&dialog, RecordingDialog::kPlaceholderId)->isVisible());
    EXPECT_TRUE(button.isVisible());
    EXPECT_EQ(button.geometry(), RecordingDialog::kPlaceholderRect);

    // Without its placeholder a button has nowhere to go.
    CBrannockButton stray;
    EXPECT_FALSE(stray.Create(&dialog, 4242, CBrannockButton::kOwnId, CBrannockButton::kBmpNormal,
                              CBrannockButton::kBmpHover, QStringLiteral("Next"),
                              QStringLiteral(" Next ")));
    EXPECT_FALSE(stray.isVisible());
}

TEST_F(BrannockButtonTest, PressHandsThePlaceholderCommandToTheDialogOnceOnTheWayDown)
{
    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_EQ(dialog.commands, std::vector<int>{RecordingDialog::kPlaceholderId});
    QTest::mouseRelease(&button, Qt::LeftButton);
    EXPECT_EQ(dialog.commands.size(), 1u) << "releasing the button sends nothing more";

    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(dialog.commands,
              (std::vector<int>{RecordingDialog::kPlaceholderId, RecordingDialog::kPlaceholderId}));

    QTest::mouseClick(&button, Qt::RightButton);
    EXPECT_EQ(dialog.commands.size(), 2u) << "only the left button presses";
}

TEST_F(BrannockButtonTest, ShowsTheHoverPictureWhileTheMouseIsOver)
{
    // Left edge, mid height: the face's rim, clear of the caption.
    const QPoint rim(1, button.height() / 2);
    const QSize size = button.size();
    const QColor normal = PictureAt(CBrannockButton::kBmpNormal, size, rim);
    const QColor hover = PictureAt(CBrannockButton::kBmpHoverTall, size, rim);
    ASSERT_NE(normal.rgb(), hover.rgb()) << "the two faces must differ at the probe";

    EXPECT_EQ(PixelOf(button, rim).rgb(), normal.rgb());

    QTest::mouseMove(&button, QPoint(10, 10));
    EXPECT_EQ(PixelOf(button, rim).rgb(), hover.rgb());

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_EQ(PixelOf(button, rim).rgb(), normal.rgb());
}

TEST_F(BrannockButtonTest, ALongCaptionStaysCentredAndIsCutByTheButton)
{
    auto* placeholder = new QLabel(&dialog);
    SetControlId(placeholder, 1051);
    placeholder->setGeometry(10, 10, 40, 26);
    CBrannockButton wide;
    ASSERT_TRUE(wide.Create(&dialog, 1051, CBrannockButton::kOwnId, CBrannockButton::kBmpNormal,
                            CBrannockButton::kBmpHover, QStringLiteral("WWWWWWWWWWWWWWWWWWWW"),
                            QString()));
    const QImage image = wide.grab().toImage();
    ASSERT_EQ(image.size(), QSize(40, 26));
    // Caption ink reaches both edges: the text is centred and cut on each side.
    auto inkInColumn = [&image](int x) {
        for (int y = 0; y < image.height(); ++y)
            if (qGray(image.pixel(x, y)) < 60)
                return true;
        return false;
    };
    EXPECT_TRUE(inkInColumn(1) || inkInColumn(2));
    EXPECT_TRUE(inkInColumn(37) || inkInColumn(38));
}

// X11 hands a double click over as press, release, double click, release.
TEST(CustomGuiButton, ADoubleClickPressesOnceAndTheAnimationRunsOnce)
{
    QWidget panel;
    panel.resize(200, 100);
    CCustomGUIButton* button = CCustomGUIButton::CreateCustomGUIButton(
        &panel, CCustomGUIButton::kIdLongPress, 180, 182, 139, QRect(10, 10, 40, 30));
    ASSERT_NE(button, nullptr);
    button->show();
    panel.show();
    int clicks = 0;
    QObject::connect(button, &CCustomGUIButton::clicked, [&clicks](int) { ++clicks; });

    QTest::mousePress(button, Qt::LeftButton);
    QTest::mouseRelease(button, Qt::LeftButton);
    QTest::mouseDClick(button, Qt::LeftButton);
    EXPECT_EQ(button->state(), CCustomGUIButton::kNormal) << "the second press shows no press";
    QTest::mouseRelease(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 2) << "a plain click afterwards is a click again";
}

// Tips wrap at 300 pixels, inside a word too; a short tip stays as given.
TEST_F(BrannockButtonTest, TipsWrapAt300Pixels)
{
    const QString text = QStringLiteral(
        "Clears every link of every channel on every unit and the titles of the link groups with "
        "them, AVeryLongWordWithoutAnyBlankThatIsWiderThanATipMayBeOnItsOwnLine.");
    for (const QString& title : {QString(), QStringLiteral("Clear All Links")}) {
        button.SetToolTip(text, title);
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), button.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&button, &help);
        QWidget* tip = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->inherits("QTipLabel") && widget->isVisible())
                tip = widget;
        ASSERT_NE(tip, nullptr) << title.toStdString();
        EXPECT_LE(tip->width(), 300) << title.toStdString();
        EXPECT_GT(tip->height(), 3 * QFontMetrics(tip->font()).height()) << "wrapped";
        QToolTip::hideText();
    }
    button.SetToolTip(QStringLiteral(" OK "));
    EXPECT_EQ(button.toolTip(), QStringLiteral(" OK "));
}
