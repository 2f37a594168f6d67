#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTest>

#include <thread>

#include "app/application.h"
#include "app/command_line.h"
#include "controls/menu_module.h"
#include "controls/scroll_bar.h"
#include "platform/ini_file.h"
#include "platform/process_starter.h"
#include "platform/path_text.h"
#include "support/project_window_fixture.h"

namespace {

using Dlg = CQuellonKR9SeriesDlg;

class MainWindow : public console_test::ProjectWindowFixture {};

struct CountingStarter : ProcessStarter {
    bool startDetached(const QString&, const QStringList&) override { return ++starts; }
    int starts = 0;
};

} // namespace

TEST_F(MainWindow, BuildLeavesTheProjectStateReadyAndTheWindowHidden)
{
    EXPECT_EQ(g_SuppressUnitSends, 1); // no unit is answered before the window is built
    Dlg& dlg = Build();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(g_bMainWindowReady);
    EXPECT_FALSE(g_bInitialising);
    EXPECT_EQ(g_SuppressUnitSends, 0); // units may be answered from now on
    EXPECT_EQ(g_hMainWnd.load(), &dlg);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral(" Corvane - New Project"));
    EXPECT_TRUE(g_szProjectPath.endsWith(QStringLiteral("/New Project.qsx")));
    EXPECT_FALSE(g_bProjectHasFile);
    for (int ch = 0; ch < kChannelCount; ++ch) {
        ASSERT_EQ(dlg.m_aChannelLink[ch].channel, ch);
        ASSERT_EQ(dlg.m_aChannelLink[ch].ownerSlot, -1);
        ASSERT_EQ(g_ChannelLinkIndex[ch], -1);
    }
    // The untitled project resets every channel, the remote ones too: gain 6, shown 5 dB lower.
    EXPECT_EQ(g_ChannelGainShortText[300], QStringLiteral("+1 "));
}

// The small images are cut 16 px wide from their picture, with its mask
// colour (RGB 210, 238, 255) made transparent.
TEST_F(MainWindow, BuildCutsTheSmallImagesWithTheirMaskColourTransparent)
{
    Dlg& dlg = Build();
    const QSize picture = SkinRegistry::instance().naturalSize(242);
    ASSERT_TRUE(picture.isValid());
    ASSERT_EQ(dlg.m_imgList.count(), picture.width() / 16);
    const QImage first = dlg.m_imgList.image(0);
    EXPECT_EQ(first.size(), QSize(16, picture.height()));
    EXPECT_EQ(qAlpha(first.pixel(0, 0)), 0); // the mask colour
    int opaque = 0;
    for (int y = 0; y < first.height(); ++y)
        for (int x = 0; x < first.width(); ++x)
            opaque += qAlpha(first.pixel(x, y)) == 255;
    EXPECT_GT(opaque, 0);
    EXPECT_TRUE(dlg.m_imgList.image(dlg.m_imgList.count()).isNull());
}

// Maximising and restoring the window start a 2-second one-shot pause;
// minimising does not.
TEST_F(MainWindow, MaximisingAndRestoringStartTheWindowStatePause)
{
    Dlg& dlg = Build();
    dlg.show();
    m_timers.kill(Dlg::kTimerSysCommand);
    dlg.setWindowState(Qt::WindowMaximized);
    EXPECT_EQ(m_timers.period(Dlg::kTimerSysCommand), 2000);
    m_timers.advance(2000);
    EXPECT_FALSE(m_timers.isArmed(Dlg::kTimerSysCommand));
    dlg.setWindowState(Qt::WindowNoState);
    EXPECT_EQ(m_timers.period(Dlg::kTimerSysCommand), 2000);

    m_timers.kill(Dlg::kTimerSysCommand);
    dlg.setWindowState(Qt::WindowMinimized);
    EXPECT_FALSE(m_timers.isArmed(Dlg::kTimerSysCommand));
    dlg.setWindowState(Qt::WindowNoState);
    EXPECT_EQ(m_timers.period(Dlg::kTimerSysCommand), 2000);
}

TEST_F(MainWindow, StartUpArmsTheNetworkStartOnceAndTheHeartbeat)
{
    Build();
    EXPECT_EQ(m_timers.period(Dlg::kTimerStartNetwork), 200);
    EXPECT_EQ(m_timers.period(Dlg::kTimerHeartbeat), 5000);
    m_timers.advance(199);
    EXPECT_TRUE(m_timers.isArmed(Dlg::kTimerStartNetwork));
    m_timers.advance(1);
    EXPECT_FALSE(m_timers.isArmed(Dlg::kTimerStartNetwork));
    m_timers.advance(20000);
    EXPECT_TRUE(m_timers.isArmed(Dlg::kTimerHeartbeat));
}

// Exit from the Files menu hides the window, stops every timer, stores the
// placement with the view mode, and gives the desktop its highlight colour
// back (grey while the console runs).
TEST_F(MainWindow, ExitStoresThePlacementWithTheViewModeAndStopsTheTimers)
{
    const QColor before = QApplication::palette().color(QPalette::Highlight);
    Dlg& dlg = Build();
    EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), QColor(0x78, 0x78, 0x78));
    const QList<QAction*> files = dlg.menu().files->actions();
    ASSERT_EQ(files.size(), 6);
    EXPECT_EQ(files[5]->menu(), dlg.menu().recentFiles);
    EXPECT_FALSE(files[5]->isEnabled()); // no recent files yet

    dlg.show();
    m_timers.arm(Dlg::kTimerPoll, 4000);
    m_timers.arm(Dlg::kTimerAutosave, 60000);
    files[4]->trigger();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(dlg.isShutDown());
    EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), before);
    for (int id : {int(Dlg::kTimerPoll), int(Dlg::kTimerAutosave), int(Dlg::kTimerSettle),
                   int(Dlg::kTimerHeartbeat)})
        EXPECT_FALSE(m_timers.isArmed(id)) << id;

    const auto stored = m_settings.readString(QStringLiteral("Settings"), QStringLiteral("WindowPos"));
    ASSERT_TRUE(stored);
    const auto parsed = ParseWindowPos(*stored);
    ASSERT_TRUE(parsed) << stored->toStdString();
    EXPECT_EQ(parsed->viewMode, 1);
    EXPECT_EQ(parsed->placement.right - parsed->placement.left, dlg.width());
    EXPECT_EQ(parsed->placement.bottom - parsed->placement.top, dlg.height());
}

// Restart asks the save question first. The new console is left to the
// application, which starts it once this one has let go of its hand-off point.
TEST_F(MainWindow, RestartAsksFirstAndLeavesTheNewStartToTheApplication)
{
    CountingStarter starter;
    ProcessStarter::setInstance(&starter);
    Dlg& dlg = Build();
    dlg.show();

    m_saveAnswer = IDCANCEL;
    dlg.OnCommand(ID_RESTART_PROGRAM);
    EXPECT_EQ(m_questions, QStringList{QStringLiteral("Do you want to save any changes you made?")});
    EXPECT_FALSE(dlg.restartRequested());

    m_saveAnswer = IDNO;
    dlg.OnCommand(ID_RESTART_PROGRAM);
    EXPECT_TRUE(dlg.isShutDown());
    EXPECT_TRUE(dlg.restartRequested());
    EXPECT_EQ(starter.starts, 0);
    ProcessStarter::setInstance(nullptr);
}

// The new console is started with this program's path. One that cannot be
// started is not left unsaid: the operator is told before this one ends.
TEST_F(MainWindow, ARestartThatCannotStartTellsTheOperator)
{
    struct RecordingStarter : ProcessStarter {
        bool startDetached(const QString& program, const QStringList& arguments) override
        {
            started.append(program + QLatin1Char('|') + arguments.join(QLatin1Char(' ')));
            return starts;
        }
        QStringList started;
        bool starts = false;
    } starter;
    ProcessStarter::setInstance(&starter);
    const QString self = QStringLiteral("/opt/corvane/bin/corvane");

    CQuellonKR9SeriesApp::StartAgain(self);
    const QString told = QStringLiteral("Exception raised: CreateProcess failed! Too many subdirectories?");
    EXPECT_EQ(m_messages, QStringList{told});
    EXPECT_EQ(g_strScratch, told);

    m_messages.clear();
    starter.starts = true;
    CQuellonKR9SeriesApp::StartAgain(self);
    EXPECT_TRUE(m_messages.isEmpty());
    EXPECT_EQ(starter.started, QStringList({self + QLatin1Char('|'), self + QLatin1Char('|')}));
    ProcessStarter::setInstance(nullptr);
}

TEST_F(MainWindow, PaintsTheBackgroundAndTheTopLogo)
{
    Dlg& dlg = Build();
    dlg.show();
    const QImage image = dlg.centralWidget()->grab().toImage();
    const QColor background(48, 59, 83);
    EXPECT_EQ(image.pixelColor(5, 300), background);
    EXPECT_EQ(image.pixelColor(image.width() - 3, image.height() - 3), background);

    // The logo sits 40 px right of its area, which start-up moved 6 px left.
    const QRect logo(34, 0, 400, 34);
    EXPECT_EQ(dlg.topLogoRect().left() + 40, logo.left());
    int differing = 0;
    for (int x = logo.left(); x < logo.right(); x += 2)
        for (int y = 0; y < logo.height(); y += 2)
            differing += image.pixelColor(x, y) != background;
    EXPECT_GT(differing, 100);
    for (int y = 0; y < logo.height(); ++y)
        ASSERT_EQ(image.pixelColor(logo.left() - 1, y), background);
}

// The Advanced menu, added once a unit offers it, goes through the menu
// module as every other menu does: an item marked owner-drawn there is
// measured by the module.
TEST_F(MainWindow, TheAdvancedMenuIsDrawnByTheMenuModuleLikeTheOthers)
{
    Dlg& dlg = Build();
    dlg.show();
    dlg.AddAdvancedMenu();
    QMenu* advanced = nullptr;
    for (QAction* action : dlg.menu().setup->actions())
        if (action->menu() && action->text() == QStringLiteral("Advanced"))
            advanced = action->menu();
    ASSERT_NE(advanced, nullptr);
    EXPECT_EQ(advanced->style(), dlg.menu().files->style());

    QAction* snake = advanced->actions().value(0);
    ASSERT_NE(snake, nullptr);
    CMenuXP::SetOwnerDrawn(snake, MakeMenuItemData(37, 0, 80));
    advanced->popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(advanced));
    EXPECT_EQ(advanced->actionGeometry(snake).height(), 37);
    advanced->close();
}

TEST_F(MainWindow, ViewToggleIsImmediateHereQueuedFromOtherThreadsAndRestartsTheSettleTimer)
{
    Build();
    ASSERT_TRUE(g_bOverviewMode);
    m_timers.advance(1500);
    SendMainCommand(IDC_OVERVIEW_BUTTON);
    EXPECT_FALSE(g_bOverviewMode);
    m_timers.advance(1999);
    EXPECT_TRUE(m_timers.isArmed(Dlg::kTimerSettle));

    std::thread sender([] {
        for (int i = 0; i < 3; ++i)
            SendMainCommand(IDC_OVERVIEW_BUTTON);
    });
    sender.join();
    EXPECT_FALSE(g_bOverviewMode); // nothing runs on the sender's thread
    QCoreApplication::processEvents();
    EXPECT_TRUE(g_bOverviewMode); // three toggles arrived
}

TEST_F(MainWindow, ReleasingAViewsScrollBarMovesTheOtherViewToTheSameShare)
{
    Dlg& dlg = Build();
    ASSERT_GT(g_nHScrollRange, 0);
    // Halfway along the strips: the overview follows to half its range, in
    // whole rows (the share, truncated, then rounded down to 168 px).
    CMyScrollBar* strips = dlg.m_sbUnderviewHorz;
    strips->SetScrollPos(g_nHScrollRange / 2);
    dlg.OnHScroll(CMyScrollBar::SB_THUMBPOSITION, g_nHScrollRange / 2);
    QTest::mouseRelease(strips, Qt::LeftButton, {}, QPoint(strips->width() / 2, 30));
    const int share = int(float(g_nHScrollRange / 2) / float(g_nHScrollRange) * 3528.0f);
    EXPECT_EQ(dlg.m_nVScrollPos, share / 168 * 168);

    // Back to the top of the overview: the strips follow to the start.
    CMyScrollBar* overview = dlg.m_sbOverviewVert;
    overview->SetScrollPos(0);
    dlg.OnVScroll(CMyScrollBar::SB_THUMBPOSITION, 0);
    QTest::mouseRelease(overview, Qt::LeftButton, {}, QPoint(30, overview->height() / 2));
    EXPECT_EQ(dlg.m_nHScrollPos, 0);

    // The scene list's bar leaves both views where they are.
    dlg.OnHScroll(CMyScrollBar::SB_THUMBPOSITION, 820);
    QTest::mouseRelease(dlg.m_sbSceneList, Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_EQ(dlg.m_nHScrollPos, 820);
    EXPECT_EQ(dlg.m_nVScrollPos, 0);
}

TEST_F(MainWindow, CommandLineProjectPathSurvivesTheMoveToTheLastUsedDirectory)
{
    const QString lastDir = m_dir.filePath(QStringLiteral("projects"));
    ASSERT_TRUE(QDir().mkpath(lastDir));
    ASSERT_TRUE(IniFile(GetUserDataFilePath(QStringLiteral("Corvane.ini")))
                    .writeString(QStringLiteral("Data Directory"),
                                 QStringLiteral("Last Used Directory"), lastDir));

    StartupOptions options;
    options.projectPath = ProjectPathFromArguments(
        {QStringLiteral("corvane"), QStringLiteral("shows/friday.qsx")}, m_dir.path());
    Build(options);
    EXPECT_EQ(QDir::currentPath(), QDir(lastDir).canonicalPath());
    EXPECT_EQ(g_szLastDirectory, lastDir);
    // The named project does not exist: the message names it by its absolute path.
    ASSERT_FALSE(m_messages.isEmpty());
    EXPECT_TRUE(m_messages.last().contains(m_dir.filePath(QStringLiteral("shows/friday.qsx"))))
        << m_messages.last().toStdString();
}

// The start-up question waits for the window to be up (the event loop), and
// the network and the answers to units wait for the question.
TEST_F(MainWindow, StartUpQuestionComesOnceTheWindowIsUpAndTheNetworkWaitsForIt)
{
    m_dlg = console_test::StartMainWindow(m_platform, {}, true);
    EXPECT_TRUE(m_questions.isEmpty());
    EXPECT_FALSE(m_timers.isArmed(Dlg::kTimerStartNetwork));
    EXPECT_EQ(g_SuppressUnitSends, 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_questions.size(), 1);
    EXPECT_EQ(g_SuppressUnitSends, 0);
    EXPECT_EQ(m_timers.period(Dlg::kTimerStartNetwork), 200);
}

TEST(CommandLine, TakesTheFirstNonOptionArgumentMadeAbsolute)
{
    const QString launch = QStringLiteral("/home/operator/shows");
    const struct {
        QStringList arguments;
        const char* expected;
    } cases[] = {
        {{}, ""},
        {{QStringLiteral("a.qsx")}, "/home/operator/shows/a.qsx"},
        {{QStringLiteral("../b.qsx")}, "/home/operator/b.qsx"},
        {{QStringLiteral("-style"), QStringLiteral("/x/c.qsx")}, "/x/c.qsx"},
        {{QStringLiteral("--"), QStringLiteral("-odd.qsx")}, "/home/operator/shows/-odd.qsx"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProjectPathFromArguments(QStringList{QStringLiteral("corvane")} + c.arguments, launch),
                  QString::fromLatin1(c.expected))
            << c.expected;
}

// A name in bytes that are not UTF-8, in a folder of such bytes, keeps its bytes.
TEST(CommandLine, KeepsTheBytesOfANameThatIsNotUtf8)
{
    const char* argv[] = {"corvane", "--", "latin1-\xe9\xff.qsx", nullptr};
    const QStringList arguments = ArgumentsFromNative(3, argv);
    ASSERT_EQ(arguments.size(), 3);
    const QString path = ProjectPathFromArguments(arguments, PathFromNative("/home/op/\xc9t\xe9"));
    EXPECT_EQ(NativeFromPath(path), QByteArray("/home/op/\xc9t\xe9/latin1-\xe9\xff.qsx"));
}
