#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <memory>
#include <thread>

#include "app/app_services.h"
#include "app/command_ids.h"
#include "app/command_line.h"
#include "app/main_dialog.h"
#include "controls/scroll_bar.h"
#include "platform/clock.h"
#include "platform/ini_file.h"
#include "platform/settings_store.h"
#include "platform/skin_registry.h"
#include "platform/timer_table.h"

namespace {

using Dlg = CQuellonKR9SeriesDlg;

// A main window on a manual clock, with its settings in a temporary file.
class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProjectState();
        SetShowMessageHandler([this](const QString& text) { m_messages.append(text); });
        m_savedCwd = QDir::currentPath();
        m_savedPalette = QApplication::palette();
    }
    void TearDown() override
    {
        SetShowMessageHandler({});
        m_dlg.reset();
        g_pMainDlg = nullptr;
        QDir::setCurrent(m_savedCwd);
        QApplication::setPalette(m_savedPalette);
    }

    Dlg& Build(StartupOptions options = {}, bool ask = false)
    {
        options.registerFileType = false;
        options.askStartupQuestion = ask;
        m_dlg.reset();
        m_dlg = std::make_unique<Dlg>(m_platform, options);
        g_pMainDlg = m_dlg.get();
        m_dlg->OnInitDialog();
        return *m_dlg;
    }

    void StoreWindowPos(const char* value)
    {
        m_settings->writeString(QStringLiteral("Settings"), QStringLiteral("WindowPos"),
                                QString::fromLatin1(value));
    }

    QTemporaryDir m_dir;
    QString m_savedCwd;
    QPalette m_savedPalette;
    ManualClock m_clock;
    ManualTimerTable m_timers{m_clock};
    std::unique_ptr<SettingsStore> m_settings =
        std::make_unique<SettingsStore>(m_dir.filePath(QStringLiteral("settings.ini")));
    PlatformServices m_platform{m_clock, m_timers, *m_settings, SkinRegistry::instance()};
    std::unique_ptr<Dlg> m_dlg;
    QStringList m_messages;
};

} // namespace

TEST_F(MainWindow, BuildLeavesTheProjectStateReadyAndTheWindowHidden)
{
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

TEST_F(MainWindow, StartsInTheOverviewWhateverTheStoredViewMode)
{
    for (const char* stored : {"0,1,-1,-1,-1,-1,10,10,1400,900 0 0",
                               "0,1,-1,-1,-1,-1,10,10,1400,900 1 0", "not a placement"}) {
        ResetProjectState();
        StoreWindowPos(stored);
        Build();
        EXPECT_TRUE(g_bOverviewMode) << stored;
    }
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

TEST_F(MainWindow, HighlightsInGreyWhileRunningAndGivesTheColourBack)
{
    const QColor before = QApplication::palette().color(QPalette::Highlight);
    Dlg& dlg = Build();
    EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), QColor(0x78, 0x78, 0x78));
    ASSERT_TRUE(dlg.QuerySaveAndShutDown());
    EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), before);
}

TEST_F(MainWindow, ExitStoresThePlacementWithTheViewModeAndStopsTheTimers)
{
    Dlg& dlg = Build();
    dlg.show();
    m_timers.arm(Dlg::kTimerPoll, 4000);
    m_timers.arm(Dlg::kTimerAutosave, 60000);
    dlg.OnCommand(ID_APP_EXIT);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(dlg.isShutDown());
    for (int id : {int(Dlg::kTimerPoll), int(Dlg::kTimerAutosave), int(Dlg::kTimerSettle),
                   int(Dlg::kTimerHeartbeat)})
        EXPECT_FALSE(m_timers.isArmed(id)) << id;

    const auto stored = m_settings->readString(QStringLiteral("Settings"), QStringLiteral("WindowPos"));
    ASSERT_TRUE(stored);
    const auto parsed = ParseWindowPos(*stored);
    ASSERT_TRUE(parsed) << stored->toStdString();
    EXPECT_EQ(parsed->viewMode, 1);
    EXPECT_EQ(parsed->placement.right - parsed->placement.left, dlg.width());
    EXPECT_EQ(parsed->placement.bottom - parsed->placement.top, dlg.height());
}

TEST_F(MainWindow, CannotBeMadeSmallerThanItsLayout)
{
    Dlg& dlg = Build();
    dlg.resize(400, 300);
    // The layout's size, or the whole screen where the screen is smaller.
    const QSize screen = dlg.screen()->availableGeometry().size();
    EXPECT_GE(dlg.width(), std::min(1102, screen.width()));
    EXPECT_GE(dlg.height(), std::min(780, screen.height()));
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

TEST_F(MainWindow, FilesMenuItemsRouteToTheirCommands)
{
    Dlg& dlg = Build();
    ASSERT_EQ(dlg.menuBar()->actions().size(), 4);
    const QList<QAction*> files = dlg.menu().files->actions();
    ASSERT_EQ(files.size(), 6);
    EXPECT_EQ(files[5]->menu(), dlg.menu().recentFiles);
    EXPECT_FALSE(files[5]->isEnabled()); // no recent files yet

    dlg.show();
    files[4]->trigger();
    EXPECT_TRUE(dlg.isShutDown());
    EXPECT_FALSE(dlg.isVisible());
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

TEST_F(MainWindow, StartUpQuestionComesOnceTheWindowIsUpAndTheNetworkWaitsForIt)
{
    QString asked;
    int questions = 0;
    SetMessageBoxHandler([&](MessageBoxKind kind, const QString& text) {
        EXPECT_EQ(kind, MessageBoxKind::YesNo);
        asked = text;
        ++questions;
        return 7; // No
    });
    Build({}, true);
    EXPECT_EQ(questions, 0);
    EXPECT_FALSE(m_timers.isArmed(Dlg::kTimerStartNetwork));
    EXPECT_EQ(g_SuppressUnitSends, 1);
    QCoreApplication::processEvents();
    SetMessageBoxHandler({});
    EXPECT_EQ(questions, 1);
    EXPECT_TRUE(asked.startsWith(QStringLiteral("Would you like to recall a Scene from a previously-saved project")));
    EXPECT_EQ(g_SuppressUnitSends, 0);
    EXPECT_EQ(m_timers.period(Dlg::kTimerStartNetwork), 200);

    // With a project named on the command line the question names "this project".
    StartupOptions options;
    options.projectPath = m_dir.filePath(QStringLiteral("show.qsx"));
    SetMessageBoxHandler([&](MessageBoxKind, const QString& text) {
        asked = text;
        return 6; // Yes
    });
    Build(options, true);
    QCoreApplication::processEvents();
    SetMessageBoxHandler({});
    EXPECT_TRUE(asked.startsWith(QStringLiteral("Would you like to recall a Scene from this project before starting?.\n")));
}

TEST(CommandLine, TakesTheFirstNonOptionArgumentMadeAbsolute)
{
    const QString launch = QStringLiteral("/home/operator/shows");
    EXPECT_EQ(ProjectPathFromArguments({QStringLiteral("corvane")}, launch), QString());
    EXPECT_EQ(ProjectPathFromArguments({QStringLiteral("corvane"), QStringLiteral("a.qsx")}, launch),
              QStringLiteral("/home/operator/shows/a.qsx"));
    EXPECT_EQ(ProjectPathFromArguments({QStringLiteral("corvane"), QStringLiteral("../b.qsx")}, launch),
              QStringLiteral("/home/operator/b.qsx"));
    EXPECT_EQ(ProjectPathFromArguments(
                  {QStringLiteral("corvane"), QStringLiteral("-style"), QStringLiteral("/x/c.qsx")},
                  launch),
              QStringLiteral("/x/c.qsx"));
    EXPECT_EQ(ProjectPathFromArguments(
                  {QStringLiteral("corvane"), QStringLiteral("--"), QStringLiteral("-odd.qsx")}, launch),
              QStringLiteral("/home/operator/shows/-odd.qsx"));
}

TEST(ProjectState, UnitNamesStartUnusedUnderTheUnitNumberOfTheirSlot)
{
    ResetProjectState();
    EXPECT_EQ(g_UnitName[0], QStringLiteral("KR-960 Unit 1 Unused"));
    EXPECT_EQ(g_UnitName[1], QStringLiteral("KR-960 Unit 1 Unused"));
    EXPECT_EQ(g_UnitName[31], QStringLiteral("KR-960 Unit 16 Unused"));
    EXPECT_EQ(g_UnitName[32], QStringLiteral("KR-9X Unit 17 Unused"));
    EXPECT_EQ(g_UnitName[47], QStringLiteral("KR-9X Unit 32 Unused"));
    EXPECT_EQ(g_SuppressUnitSends, 1); // no unit is answered before the window is built
}
