// The skinned push buttons: placement over their placeholder, the command a
// press hands to the dialog, the hover picture, and the scene panel's
// picture buttons with their press animation.

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include <memory>
#include <vector>

#include "app/app_services.h"
#include "app/fonts.h"
#include "app/project_state.h"
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
    QWidget* placeholder = FindChildById(&dialog, RecordingDialog::kPlaceholderId);
    ASSERT_NE(placeholder, nullptr);
    EXPECT_FALSE(placeholder->isVisible());
    EXPECT_TRUE(button.isVisible());
    EXPECT_EQ(button.geometry(), RecordingDialog::kPlaceholderRect);
    EXPECT_EQ(CBrannockButton::DefaultToolTip(QStringLiteral("Prev")), QStringLiteral(" Previous "));

    // Without its placeholder a button has nowhere to go.
    CBrannockButton stray;
    EXPECT_FALSE(stray.Create(&dialog, 4242, CBrannockButton::kOwnId, CBrannockButton::kBmpNormal,
                              CBrannockButton::kBmpHover, QStringLiteral("Next"),
                              QStringLiteral(" Next ")));
    EXPECT_FALSE(stray.isVisible());
}

TEST_F(BrannockButtonTest, PressHandsThePlaceholderCommandToTheDialogOnceOnTheWayDown)
{
    std::vector<int> signalled;
    QObject::connect(&button, &CBrannockButton::commandIssued,
                     [&](int id) { signalled.push_back(id); });

    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_EQ(dialog.commands, std::vector<int>{RecordingDialog::kPlaceholderId});
    QTest::mouseRelease(&button, Qt::LeftButton);
    EXPECT_EQ(dialog.commands.size(), 1u) << "releasing the button sends nothing more";

    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(dialog.commands,
              (std::vector<int>{RecordingDialog::kPlaceholderId, RecordingDialog::kPlaceholderId}));
    EXPECT_EQ(signalled, dialog.commands);

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
    EXPECT_EQ(button.state(), 1);
    EXPECT_EQ(button.currentBitmap(), CBrannockButton::kBmpHoverTall);
    EXPECT_EQ(PixelOf(button, rim).rgb(), hover.rgb());

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_EQ(button.state(), 0);
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

// ---------------------------------------------------------------------------

namespace {

class CustomGUIButtonTest : public ::testing::Test {
protected:
    void SetUp() override { g_bOverviewMode = false; }
    void TearDown() override
    {
        g_bOverviewMode = false;
        SetShowMessageHandler({});
    }

    CCustomGUIButton* make(int id)
    {
        return CCustomGUIButton::CreateCustomGUIButton(&panel, id, CBrannockButton::kBmpNormal,
                                                       CBrannockButton::kBmpHover,
                                                       CBrannockButton::kBmpHoverWide,
                                                       QRect(20, 30, 90, 30));
    }

    QWidget panel;
};

} // namespace

TEST_F(CustomGUIButtonTest, IsMadeHiddenAndTheOverviewButtonIsRememberedUntilDeleted)
{
    CCustomGUIButton* overview = make(CCustomGUIButton::kIdOverview);
    ASSERT_NE(overview, nullptr);
    EXPECT_EQ(g_pOverviewPictureButton, overview);
    EXPECT_TRUE(overview->isHidden());

    CCustomGUIButton* other = make(CCustomGUIButton::kIdLongPress);
    EXPECT_EQ(g_pOverviewPictureButton, overview);
    delete overview;
    EXPECT_EQ(g_pOverviewPictureButton, nullptr) << "no dangling pointer to a deleted button";
    delete other;

    std::vector<QString> shown;
    SetShowMessageHandler([&](const QString& text) { shown.push_back(text); });
    EXPECT_EQ(CCustomGUIButton::CreateCustomGUIButton(nullptr, 1007, 1, 2, 3, QRect(0, 0, 9, 9)),
              nullptr);
    EXPECT_EQ(shown, std::vector<QString>{QStringLiteral("ERROR - failed to create CCustomGUIButton")});
}

TEST_F(CustomGUIButtonTest, PressAnimationRunsOnItsTimerAndTogglesKeepTheirState)
{
    const std::pair<int, int> timed[] = {{CCustomGUIButton::kIdLongPress, 2000},
                                         {CCustomGUIButton::kIdShortPressA, 500},
                                         {CCustomGUIButton::kIdShortPressB, 500}};
    for (const auto& [id, period] : timed) {
        CCustomGUIButton* button = make(id);
        QTest::mousePress(button, Qt::LeftButton);
        EXPECT_EQ(button->state(), CCustomGUIButton::kPressed) << id;
        EXPECT_EQ(button->pressTimerPeriod(), period) << id;
        // The timer alone brings the button back, without a release.
        button->OnTimer(CCustomGUIButton::kTimerPress);
        EXPECT_EQ(button->state(), CCustomGUIButton::kNormal) << id;
        EXPECT_FALSE(button->isPressTimerArmed()) << id;
    }

    // The view toggle shows pressed only while the channel-strip view is shown.
    CCustomGUIButton* overview = make(CCustomGUIButton::kIdOverview);
    QTest::mouseClick(overview, Qt::LeftButton);
    EXPECT_EQ(overview->state(), CCustomGUIButton::kPressed);
    g_bOverviewMode = true;
    QTest::mouseClick(overview, Qt::LeftButton);
    EXPECT_EQ(overview->state(), CCustomGUIButton::kNormal);

    CCustomGUIButton* lock = make(CCustomGUIButton::kIdLock);
    std::vector<int> clicks;
    QObject::connect(lock, &CCustomGUIButton::clicked, [&](int id) { clicks.push_back(id); });
    QTest::mouseClick(lock, Qt::LeftButton);
    EXPECT_EQ(lock->state(), CCustomGUIButton::kPressed) << "the lock stays down after release";
    EXPECT_EQ(clicks, std::vector<int>{CCustomGUIButton::kIdLock});

    CCustomGUIButton* disabled = make(CCustomGUIButton::kIdShortPressA);
    disabled->SetState(CCustomGUIButton::kDisabled);
    QTest::mouseClick(disabled, Qt::LeftButton);
    EXPECT_EQ(disabled->state(), CCustomGUIButton::kDisabled);
    EXPECT_FALSE(disabled->isPressTimerArmed());
}

TEST_F(CustomGUIButtonTest, PressedPictureSinksOnePixelOnTheBackground)
{
    CCustomGUIButton* button = make(CCustomGUIButton::kIdShortPressA);
    const QPoint edge(0, 11);
    const QColor background(CCustomGUIButton::kBackgroundColor);
    // Unscaled: the 79 px face leaves the rest of the 90 px button bare.
    EXPECT_EQ(PixelOf(*button, QPoint(85, 11)).rgb(), background.rgb());
    EXPECT_NE(PixelOf(*button, edge).rgb(), background.rgb());
    button->SetState(CCustomGUIButton::kPressed);
    EXPECT_EQ(button->currentBitmap(), CBrannockButton::kBmpHover);
    EXPECT_EQ(PixelOf(*button, edge).rgb(), background.rgb());
}
