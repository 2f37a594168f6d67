// Start-up as the program runs it (its question, its fonts) and the recent
// files as the operator meets them: the Files menu, exit and paths that differ
// only in case.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QListWidget>
#include <QMenu>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

#include "app/app_services.h"
#include "app/command_ids.h"
#include "app/fonts.h"
#include "app/main_dialog.h"
#include "app/project_file.h"
#include "app/recent_files.h"
#include "dialogs/dialog_result.h"
#include "platform/clock.h"
#include "platform/font_faces.h"
#include "platform/ini_file.h"
#include "platform/settings_store.h"
#include "platform/skin_registry.h"
#include "platform/timer_table.h"

namespace {

using Dlg = CQuellonKR9SeriesDlg;

const QString kRecentSection = QStringLiteral("Recent File List");

// Lists compared as standard strings, so a failure prints the paths.
std::vector<std::string> Std(const QStringList& list)
{
    std::vector<std::string> out;
    for (const QString& s : list)
        out.push_back(s.toStdString());
    return out;
}

void ClearRecentFiles()
{
    for (QString& entry : g_RecentFiles)
        entry.clear();
    g_nRecentFileCount = 0;
    g_nRecentFileIndex = -1;
}

// A main window on a manual clock with a data folder (and so an INI file) and
// a show folder of its own. Questions are answered from m_yesNo and
// m_shutDownAnswer; the file chooser hands back m_chosen and records each call.
class StartupRecent : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_data.isValid());
        ASSERT_TRUE(m_shows.isValid());
        ResetProjectState();
        ClearRecentFiles();
        g_szProjectPath.clear();
        m_oldDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", m_data.path().toLocal8Bit());
        m_savedCwd = QDir::currentPath();
        m_savedPalette = QApplication::palette();
        SetShowMessageHandler([this](const QString& text) { m_messages.append(text); });
        SetMessageBoxHandler([this](MessageBoxKind kind, const QString& text) {
            m_questions.append(text);
            if (kind == MessageBoxKind::YesNoCancel)
                return m_shutDownAnswer;
            return kind == MessageBoxKind::YesNo ? m_yesNo : IDOK;
        });
        SetFileChooser([this](bool forSaving, const QString&) {
            m_chooserCalls.push_back(forSaving);
            return m_chosen;
        });
    }
    void TearDown() override
    {
        m_dlg.reset();
        g_pMainDlg = nullptr;
        SetShowMessageHandler({});
        SetMessageBoxHandler({});
        SetFileChooser({});
        qputenv("XDG_DATA_HOME", m_oldDataHome);
        QDir::setCurrent(m_savedCwd);
        QApplication::setPalette(m_savedPalette);
        ClearRecentFiles();
        g_szProjectPath.clear();
    }

    // Builds the window as the program's start does; with ask, the start-up
    // question is asked and answered before this returns.
    Dlg& Build(StartupOptions options = {}, bool ask = false)
    {
        options.registerFileType = false;
        options.askStartupQuestion = ask;
        m_dlg.reset();
        m_dlg = std::make_unique<Dlg>(m_platform, options);
        g_pMainDlg = m_dlg.get();
        m_dlg->OnInitDialog();
        QCoreApplication::processEvents();
        return *m_dlg;
    }

    // A project file (no scenes) in the show folder, written now.
    QString MakeProject(const QString& name)
    {
        const QString path = m_shows.filePath(name);
        std::vector<SceneRecord> none;
        EXPECT_TRUE(SaveProjectFile(path, none)) << name.toStdString();
        return path;
    }
    IniFile Ini() const { return IniFile(GetUserDataFilePath(QStringLiteral("Corvane.ini"))); }
    void WriteKeys(const QStringList& paths)
    {
        IniFile file = Ini();
        for (int n = 1; n <= kRecentFileCapacity; ++n)
            file.removeKey(kRecentSection, QStringLiteral("File%1").arg(n));
        for (int n = 0; n < paths.size(); ++n)
            ASSERT_TRUE(file.writeString(kRecentSection, QStringLiteral("File%1").arg(n + 1), paths[n]));
    }
    // The keys File1..File9 as the INI holds them, up to the last present one.
    std::vector<std::string> IniKeys() const
    {
        QStringList keys;
        for (int n = 1; n <= 9; ++n)
            keys.append(Ini().readString(kRecentSection, QStringLiteral("File%1").arg(n)));
        while (!keys.isEmpty() && keys.last().isEmpty())
            keys.removeLast();
        return Std(keys);
    }
    void Open(const QString& path)
    {
        m_chosen = path;
        m_dlg->OnCommand(ID_FILE_OPEN);
    }
    // Opens the Files menu the way the operator does and closes it again.
    void OpenFilesMenu()
    {
        QMenu* files = m_dlg->menu().files;
        files->popup(QPoint(0, 0));
        files->hide();
    }

    QTemporaryDir m_data;
    QTemporaryDir m_shows;
    QByteArray m_oldDataHome;
    QString m_savedCwd;
    QPalette m_savedPalette;
    ManualClock m_clock;
    ManualTimerTable m_timers{m_clock};
    std::unique_ptr<SettingsStore> m_settings =
        std::make_unique<SettingsStore>(m_data.filePath(QStringLiteral("settings.ini")));
    PlatformServices m_platform{m_clock, m_timers, *m_settings, SkinRegistry::instance()};
    std::unique_ptr<Dlg> m_dlg;
    QStringList m_messages;
    QStringList m_questions;
    std::vector<bool> m_chooserCalls;
    QString m_chosen;
    int m_yesNo = IDNO;
    int m_shutDownAnswer = IDNO;
};

} // namespace

// Yes without a project on the command line opens the chooser at once (no
// question about saving the untitled project); with a project named there, or
// after No, the question only closes.
TEST_F(StartupRecent, YesToTheStartUpQuestionOpensAProjectUnlessOneWasNamed)
{
    const QString picked = MakeProject(QStringLiteral("picked.qsx"));
    const QString named = MakeProject(QStringLiteral("named.qsx"));
    struct Case {
        bool fileNamed;
        int answer;
        bool chooserOpens;
        const char* title;
    };
    const Case cases[] = {
        {false, IDYES, true, " Corvane - picked.qsx"},
        {false, IDNO, false, " Corvane - New Project"},
        {true, IDYES, false, " Corvane - named.qsx"},
        {true, IDNO, false, " Corvane - named.qsx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "named " << c.fileNamed << " answer " << c.answer);
        ResetProjectState();
        m_questions.clear();
        m_chooserCalls.clear();
        m_yesNo = c.answer;
        m_chosen = picked;
        StartupOptions options;
        if (c.fileNamed)
            options.projectPath = named;
        Dlg& dlg = Build(options, true);

        ASSERT_EQ(m_questions.size(), 1); // the start-up question and no save question
        EXPECT_TRUE(m_questions[0].startsWith(QStringLiteral("Would you like to recall a Scene")));
        EXPECT_EQ(m_chooserCalls, c.chooserOpens ? std::vector<bool>{false} : std::vector<bool>{});
        EXPECT_EQ(dlg.windowTitle().toStdString(), c.title);
        // The start-up finishes after the open: units are answered, the network follows.
        EXPECT_EQ(g_SuppressUnitSends, 0);
        EXPECT_EQ(m_timers.period(Dlg::kTimerStartNetwork), 200);
    }
}

// The scene list (and with it every caption drawn in its font) shows the
// program's 10-point font once the window is started as main() starts it.
TEST_F(StartupRecent, StartUpMakesTheSceneListFont)
{
    DeleteFonts(); // nothing left over from an earlier window
    Dlg& dlg = Build();
    const QFont font = dlg.sceneList()->font();
    EXPECT_EQ(font.family().toStdString(), MappedFontFamily(QStringLiteral("Arial")).toStdString());
    EXPECT_EQ(QFontInfo(font).pixelSize(), 13); // 10 points at 96 dots per inch
    EXPECT_EQ(font.weight(), QFont::Normal);
}

TEST_F(StartupRecent, FilesMenuShowsTheCheckMarkOnceARecentFileWasOpened)
{
    const QString show = MakeProject(QStringLiteral("Gala.qsx"));
    Build();
    Open(show);
    ASSERT_EQ(g_nRecentFileCount, 1);
    OpenFilesMenu();
    QList<QAction*> items = m_dlg->menu().recentFiles->actions();
    ASSERT_EQ(items.size(), 1);
    EXPECT_FALSE(items[0]->isChecked()); // opened through Open, not the list

    m_dlg->OnCommand(ID_FILE_MRU_FIRST);
    EXPECT_EQ(g_nRecentFileIndex, 0);
    OpenFilesMenu();
    items = m_dlg->menu().recentFiles->actions();
    ASSERT_EQ(items.size(), 1);
    EXPECT_TRUE(items[0]->isChecked());
}

// An untitled project has no file of its own: leaving it puts nothing into a
// full list, so no real project drops off.
TEST_F(StartupRecent, ExitWithAnUntitledProjectKeepsAFullRecentList)
{
    QStringList real;
    for (int n = 1; n <= kRecentFileCapacity; ++n)
        real.append(MakeProject(QStringLiteral("Show %1.qsx").arg(n)));
    const QStringList reopened{real[3], real[1], real[2], real[0],
                               real[4], real[5], real[6], real[7]};
    struct Case {
        const char* name;
        bool openThenNew; // a project was open, then New Project made an untitled one
        QStringList expected;
    };
    const Case cases[] = {
        {"untitled from the start", false, real},
        {"New Project after a file", true, reopened},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetProjectState();
        ClearRecentFiles();
        WriteKeys(real);
        Dlg& dlg = Build();
        ASSERT_EQ(g_nRecentFileCount, kRecentFileCapacity);
        if (c.openThenNew) {
            Open(real[3]);
            m_dlg->OnCommand(ID_FILE_NEW_PROJECT);
            ASSERT_FALSE(g_bProjectHasFile);
        }
        dlg.show();
        dlg.OnCommand(ID_APP_EXIT); // "No" to saving
        ASSERT_TRUE(dlg.isShutDown());
        EXPECT_EQ(IniKeys(), Std(c.expected));
    }
}

// Two files whose names differ only in case are two files here: each keeps
// its own entry and spelling, and reopening one moves that one.
TEST_F(StartupRecent, RecentFilesTellPathsApartByCase)
{
    const QString upper = MakeProject(QStringLiteral("Show.qsx"));
    const QString lower = MakeProject(QStringLiteral("show.qsx"));
    Build();
    Open(upper);
    Open(lower);
    EXPECT_EQ(IniKeys(), Std({lower, upper}));
    ASSERT_EQ(g_nRecentFileCount, 2);
    EXPECT_EQ(g_RecentFiles[0].toStdString(), lower.toStdString());
    EXPECT_EQ(g_RecentFiles[1].toStdString(), upper.toStdString());

    Open(upper);
    EXPECT_EQ(IniKeys(), Std({upper, lower}));
    OpenFilesMenu();
    const QList<QAction*> items = m_dlg->menu().recentFiles->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_TRUE(items[0]->text().endsWith(upper)) << items[0]->text().toStdString();
    EXPECT_TRUE(items[1]->text().endsWith(lower)) << items[1]->text().toStdString();
}
