// Start-up as the program runs it (its question, its fonts) and the recent
// files as the operator meets them: the Files menu, exit and paths that differ
// only in case.

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMenu>

#include <string>

#include "app/fonts.h"
#include "platform/font_faces.h"
#include "platform/ini_file.h"
#include "support/project_window_fixture.h"

namespace {

using console_test::ClearRecentFiles;
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

class StartupRecent : public console_test::ProjectWindowFixture {
protected:
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
    // The recent-file items as the Files menu shows them once opened.
    QList<QAction*> RecentItems()
    {
        QMenu* files = m_dlg->menu().files;
        files->popup(QPoint(0, 0));
        files->hide();
        return m_dlg->menu().recentFiles->actions();
    }
};

} // namespace

// Yes without a project on the command line opens the chooser at once (no
// question about saving the untitled project); with a project named there, or
// after No, the question only closes. Either way the start-up finishes after
// it: units are answered and the network follows.
TEST_F(StartupRecent, YesToTheStartUpQuestionOpensAProjectUnlessOneWasNamed)
{
    const QString picked = MakeProject(QStringLiteral("picked.qsx"));
    const QString named = MakeProject(QStringLiteral("named.qsx"));
    const QString fromSaved = QStringLiteral("Would you like to recall a Scene from a previously-saved project");
    const QString fromThis = QStringLiteral("Would you like to recall a Scene from this project before starting?.\n");
    const struct {
        bool fileNamed;
        int answer;
        bool chooserOpens;
        const char* title;
    } cases[] = {
        {false, IDYES, true, " Corvane - picked.qsx"},
        {false, IDNO, false, " Corvane - New Project"},
        {true, IDYES, false, " Corvane - named.qsx"},
        {true, IDNO, false, " Corvane - named.qsx"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "named " << c.fileNamed << " answer " << c.answer);
        ResetProjectState();
        m_questions.clear();
        m_chooserCalls.clear();
        m_answer = c.answer;
        m_chosen = picked;
        StartupOptions options;
        if (c.fileNamed)
            options.projectPath = named;
        Dlg& dlg = Build(options, true);

        ASSERT_EQ(m_questions.size(), 1); // the start-up question and no save question
        EXPECT_TRUE(m_questions[0].startsWith(c.fileNamed ? fromThis : fromSaved)) << m_questions[0].toStdString();
        EXPECT_EQ(m_chooserCalls, c.chooserOpens ? std::vector<bool>{false} : std::vector<bool>{});
        EXPECT_EQ(dlg.windowTitle().toStdString(), c.title);
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
    QList<QAction*> items = RecentItems();
    ASSERT_EQ(items.size(), 1);
    EXPECT_FALSE(items[0]->isChecked()); // opened through Open, not the list

    m_dlg->OnCommand(ID_FILE_MRU_FIRST);
    EXPECT_EQ(g_nRecentFileIndex, 0);
    items = RecentItems();
    ASSERT_EQ(items.size(), 1);
    EXPECT_TRUE(items[0]->isChecked());
}

// A recent file's caption is its number and path followed by one blank for
// every 10 px the path takes in the window's font, at most 199, so the
// submenu grows with the paths it lists.
TEST_F(StartupRecent, RecentFileCaptionsArePaddedByTheWidthOfTheirPaths)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QString(200, QLatin1Char('W'))));
    const QString wide = MakeProject(QString(200, QLatin1Char('W')) + QStringLiteral("/Wide.qsx"));
    const QString gala = MakeProject(QStringLiteral("Gala.qsx"));
    Build();
    Open(wide);
    Open(gala);
    const QList<QAction*> items = RecentItems();
    ASSERT_EQ(items.size(), 2);

    const QFontMetrics metrics = m_dlg->fontMetrics();
    const int galaBlanks = metrics.horizontalAdvance(gala) / 10;
    ASSERT_GT(galaBlanks, 0);
    ASSERT_LT(galaBlanks, 199);
    ASSERT_GT(metrics.horizontalAdvance(wide) / 10, 199);
    EXPECT_EQ(items[0]->text().toStdString(),
              (QStringLiteral("&1. ") + gala + QString(galaBlanks, QLatin1Char(' '))).toStdString());
    EXPECT_EQ(items[1]->text().toStdString(),
              (QStringLiteral("&2. ") + wide + QString(199, QLatin1Char(' '))).toStdString());
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
    const struct {
        const char* name;
        bool openThenNew; // a project was open, then New Project made an untitled one
        QStringList expected;
    } cases[] = {
        {"untitled from the start", false, real},
        {"New Project after a file", true, reopened},
    };
    for (const auto& c : cases) {
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
    Open(upper);
    EXPECT_EQ(IniKeys(), Std({upper, lower}));
    const QList<QAction*> items = RecentItems();
    ASSERT_EQ(items.size(), 2);
    EXPECT_TRUE(items[0]->text().trimmed().endsWith(upper)) << items[0]->text().toStdString();
    EXPECT_TRUE(items[1]->text().trimmed().endsWith(lower)) << items[1]->text().toStdString();
}
