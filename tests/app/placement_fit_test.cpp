// Where the window is shown with the screens there are now, and how small
// it may be made on each.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "app/window_placement.h"
#include "controls/scroll_bar.h"
#include "support/project_window_fixture.h"

namespace {

const QSize kDesignMinimum(1102, 780);

// Available areas (panels taken off) of the screens of the cases.
const QRect kFullHd(0, 0, 1920, 1050);
const QRect kLaptop(0, 0, 1366, 740);
const QRect kLaptopRightOfFullHd(1920, 0, 1366, 740);
// A 3840 x 2160 screen at scale factor 2 gives the window 1920 x 1080 logical pixels.
const QRect kScaled2(0, 0, 1920, 1050);

} // namespace

TEST(PlacementFit, MinimumSizeIsTheDesignMinimumWhereverItFits)
{
    const struct {
        QRect available;
        QSize expected;
    } cases[] = {
        {kFullHd, kDesignMinimum},
        {kLaptop, QSize(1102, 740)},
        {QRect(0, 0, 1024, 600), QSize(1024, 600)},
        {kScaled2, kDesignMinimum},
        {QRect(), kDesignMinimum}, // no screen known: nothing to fit
    };
    for (const auto& c : cases)
        EXPECT_EQ(MinimumSizeOn(kDesignMinimum, c.available), c.expected) << c.available.width();
}

TEST(PlacementFit, AWindowIsBroughtWhollyOntoAScreenThatExists)
{
    const struct {
        const char* what;
        QRect stored;
        QList<QRect> screens;
        QRect expected;
    } cases[] = {
        {"fits as it was", QRect(301, 150, 1328, 780), {kFullHd}, QRect(301, 150, 1328, 780)},
        {"stored on a larger screen, now a laptop", QRect(301, 150, 1600, 900), {kLaptop},
         QRect(0, 0, 1366, 740)},
        {"hanging off the right and bottom", QRect(700, 300, 1328, 780), {kFullHd},
         QRect(592, 270, 1328, 780)},
        {"hanging off the top left", QRect(-40, -20, 1328, 780), {kFullHd}, QRect(0, 0, 1328, 780)},
        {"on the second screen, kept there", QRect(1950, 0, 1328, 740), {kFullHd, kLaptopRightOfFullHd},
         QRect(1950, 0, 1328, 740)},
        {"mostly on the second screen", QRect(1800, 10, 1328, 700), {kFullHd, kLaptopRightOfFullHd},
         QRect(1920, 0, 1328, 740)},
        {"its screen is gone: onto the primary", QRect(2000, 10, 1328, 780), {kLaptop},
         QRect(38, 0, 1328, 740)},
        {"the primary first even when listed so", QRect(-3000, 0, 1200, 800),
         {kLaptopRightOfFullHd, kFullHd}, QRect(1920, 0, 1200, 740)},
        {"smaller than the minimum: grown to it", QRect(100, 100, 400, 300), {kFullHd},
         QRect(100, 100, 1102, 780)},
        {"scale factor 2: the logical area counts", QRect(0, 0, 3000, 1700), {kScaled2},
         QRect(0, 0, 1920, 1050)},
        {"no screen at all: as it was", QRect(10, 10, 1328, 780), {}, QRect(10, 10, 1328, 780)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitRectToScreens(c.stored, c.screens, kDesignMinimum), c.expected) << c.what;
}

namespace {

using Dlg = CQuellonKR9SeriesDlg;

class WindowOnScreen : public console_test::ProjectWindowFixture {
protected:
    Dlg& Build(const char* storedPos)
    {
        ResetProjectState();
        if (storedPos)
            m_settings.writeString(QStringLiteral("Settings"), QStringLiteral("WindowPos"),
                                   QString::fromLatin1(storedPos));
        return ProjectWindowFixture::Build();
    }
};

} // namespace

// Whatever was stored, the window comes up wholly on the (offscreen) screen,
// in the overview, and cannot be made smaller than its layout where the
// screen has room, nor larger than the screen where it has not.
TEST_F(WindowOnScreen, TheWindowFitsTheScreenItIsOn)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const char* stored : {static_cast<const char*>(nullptr),
                               "0,1,-1,-1,-1,-1,301,150,2229,1230 0 0",   // a larger screen, the strips shown
                               "0,1,-1,-1,-1,-1,5000,3000,6328,3780 1 0", // a screen that is gone
                               "0,1,-1,-1,-1,-1,-900,-500,428,280 1 0", "not a placement"}) {
        Dlg& dlg = Build(stored);
        const char* what = stored ? stored : "nothing stored";
        EXPECT_TRUE(g_bOverviewMode) << what;
        EXPECT_TRUE(screen.contains(dlg.geometry())) << what;
        EXPECT_EQ(dlg.minimumSize(), kDesignMinimum.boundedTo(screen.size())) << what;
        dlg.resize(400, 300);
        EXPECT_EQ(dlg.size(), kDesignMinimum.boundedTo(screen.size())) << what;
    }
}

// A screen too short for the whole layout still leaves the channel strips'
// scroll bar inside the window, where it can be reached; where the layout
// fits, the bar sits right below the strips.
TEST_F(WindowOnScreen, TheStripScrollBarStaysReachableOnAShortScreen)
{
    Dlg& dlg = Build(nullptr);
    dlg.show();
    // The window as small as a laptop screen lets it be.
    dlg.setMinimumSize(MinimumSizeOn(kDesignMinimum, QRect(0, 0, 1366, 600)));
    dlg.resize(dlg.width(), 600);
    const QRect shortClient = dlg.centralWidget()->rect();
    ASSERT_LT(shortClient.height(), 210 + 504 + 32);
    EXPECT_TRUE(shortClient.contains(dlg.m_sbUnderviewHorz->geometry()));

    dlg.resize(dlg.width(), 780);
    ASSERT_GE(dlg.centralWidget()->height(), 210 + 504 + 32);
    EXPECT_EQ(dlg.m_sbUnderviewHorz->y(), 210 + 504 + 16);
}
