#include <gtest/gtest.h>

#include "platform/ini_file.h"
#include "support/project_window_fixture.h"

namespace {

const QString kSection = QStringLiteral("Recent File List");

// The list on its own, no window: a data folder (and so a profile) and a
// show folder of the fixture's.
class RecentFiles : public console_test::ProjectWindowFixture {
protected:
    // Project files that exist, named by the letters given.
    QStringList shows(const char* letters) const
    {
        QStringList paths;
        for (const char* l = letters; *l; ++l) {
            paths.append(m_dir.filePath(QLatin1Char(*l) + QStringLiteral(".qsx")));
            console_test::WriteBytes(paths.last(), "QSX");
        }
        return paths;
    }
    IniFile ini() const { return IniFile(GetUserDataFilePath(QStringLiteral("Corvane.ini"))); }
    void writeKeys(const QStringList& paths)
    {
        IniFile file = ini();
        for (int n = 0; n < paths.size(); ++n)
            ASSERT_TRUE(file.writeString(kSection, QStringLiteral("File%1").arg(n + 1), paths[n]));
    }
    // The keys File1..File9 as the INI holds them, up to the last present one.
    QStringList iniKeys() const
    {
        QStringList keys;
        for (int n = 1; n <= 9; ++n)
            keys.append(ini().readString(kSection, QStringLiteral("File%1").arg(n)));
        while (!keys.isEmpty() && keys.last().isEmpty())
            keys.removeLast();
        return keys;
    }
    QStringList shownList() const { return QStringList(g_RecentFiles.begin(), g_RecentFiles.begin() + g_nRecentFileCount); }
    // As a load does it: the path joins the list, which is read back.
    void open(const QString& path)
    {
        g_szProjectPath = path;
        AddToRecentFileList();
        LoadRecentFileList();
    }
};

} // namespace

TEST_F(RecentFiles, ReopeningSwapsWithTheHeadAndNewPathsPushDown)
{
    const QStringList p = shows("ABCDE");
    writeKeys({p[0], p[1], p[2], p[3]});
    LoadRecentFileList();
    EXPECT_EQ(shownList(), (QStringList{p[0], p[1], p[2], p[3]}));
    open(p[2]);
    EXPECT_EQ(iniKeys(), (QStringList{p[2], p[1], p[0], p[3]}));
    open(p[4]);
    EXPECT_EQ(iniKeys(), (QStringList{p[4], p[2], p[1], p[0], p[3]}));
    open(p[4]); // the head again changes nothing
    EXPECT_EQ(iniKeys(), (QStringList{p[4], p[2], p[1], p[0], p[3]}));
    EXPECT_TRUE(m_messages.isEmpty());
}

TEST_F(RecentFiles, KeepsEightPaths)
{
    const QStringList p = shows("123456789");
    for (const QString& path : p)
        open(path);
    EXPECT_EQ(iniKeys(), (QStringList{p[8], p[7], p[6], p[5], p[4], p[3], p[2], p[1]})); // no ninth key
}

TEST_F(RecentFiles, ReadingStopsAtAnEmptyKeyAndDeletedFilesDropOutAtTheNextReadAndWrite)
{
    const QStringList p = shows("ABCDE");
    writeKeys({p[0], p[1], p[2], QString(), p[4]});
    LoadRecentFileList();
    ASSERT_EQ(shownList(), (QStringList{p[0], p[1], p[2]}));

    ASSERT_TRUE(QFile::remove(p[1]));
    LoadRecentFileList();
    EXPECT_EQ(shownList(), (QStringList{p[0], p[2]}));
    EXPECT_TRUE(g_RecentFiles[2].isEmpty());
    EXPECT_EQ(iniKeys(), (QStringList{p[0], p[1], p[2], QString(), p[4]})); // kept until the next write

    open(p[3]);
    EXPECT_EQ(iniKeys(), (QStringList{p[3], p[0], p[2]}));
}

TEST_F(RecentFiles, ANewPathWithAShortFileNameIsABadFile)
{
    const QStringList a = shows("A");
    writeKeys(a);
    LoadRecentFileList();
    g_szProjectPath = m_dir.filePath(QStringLiteral("a.q"));
    console_test::WriteBytes(g_szProjectPath, "QSX");
    AddToRecentFileList();
    EXPECT_EQ(m_messages, QStringList{QStringLiteral("Bad file")});
    EXPECT_EQ(g_RecentFiles[0], a[0]);
    EXPECT_EQ(iniKeys(), a);
}

TEST_F(RecentFiles, RepeatedNeighboursAreWrittenOnce)
{
    const QStringList p = shows("AB");
    writeKeys({p[0], p[0], p[1]});
    LoadRecentFileList();
    ASSERT_EQ(shownList(), (QStringList{p[0], p[0], p[1]}));
    // B swaps with the head, giving B, A, A; the pair of A's is written once.
    g_szProjectPath = p[1];
    AddToRecentFileList();
    EXPECT_EQ(g_nRecentFileCount, 3); // the count waits for the reload
    EXPECT_EQ(iniKeys(), (QStringList{p[1], p[0]}));
    LoadRecentFileList();
    EXPECT_EQ(shownList(), (QStringList{p[1], p[0]}));
}

TEST_F(RecentFiles, FileExistsOnlyForReadableFiles)
{
    EXPECT_TRUE(FileExists(shows("A")[0]));
    for (const QString& path : {m_dir.filePath(QStringLiteral("missing.qsx")), m_dir.path(), QString()})
        EXPECT_FALSE(FileExists(path)) << path.toStdString();
}

// The list is written whole: keys nobody asked for (a ninth path, a key
// added by hand, a second block of the section) are gone after a write,
// and the other sections stay as they were.
TEST_F(RecentFiles, TheSectionIsWrittenWholeWithoutStrayKeys)
{
    const QStringList p = shows("ABC");
    const QString ini = GetUserDataFilePath(QStringLiteral("Corvane.ini"));
    ASSERT_TRUE(console_test::WriteBytes(ini, "[Recent File List]\n"
                                              "File1=" + p[0].toUtf8() + "\n"
                                              "File9=/old/ninth.qsx\n"
                                              "Comment=added by hand\n"
                                              "\n"
                                              "[Data Directory]\n"
                                              "Last Used Directory=/shows/\n"
                                              "\n"
                                              "[recent file list]\n"
                                              "File5=/old/fifth.qsx\n"));
    LoadRecentFileList();
    open(p[1]);
    open(p[2]);
    EXPECT_EQ(console_test::ReadBytes(ini), "[Recent File List]\n"
                                            "File1=" + p[2].toUtf8() + "\n"
                                            "File2=" + p[1].toUtf8() + "\n"
                                            "File3=" + p[0].toUtf8() + "\n"
                                            "\n"
                                            "[Data Directory]\n"
                                            "Last Used Directory=/shows/\n"
                                            "\n");
    EXPECT_TRUE(m_messages.isEmpty());
}

// A project whose name holds a line break is listed like any other: the INI
// line holds it escaped, and it reads back as the path it was.
TEST_F(RecentFiles, APathWithALineBreakIsKeptEscapedAndReadBack)
{
    const QString odd = m_dir.filePath(QStringLiteral("two\nlines\\r.qsx"));
    ASSERT_TRUE(console_test::WriteBytes(odd, "QSX"));
    const QStringList p = shows("A");
    open(p[0]);
    g_szProjectPath = odd;
    EXPECT_TRUE(AddToRecentFileList());
    LoadRecentFileList();
    EXPECT_EQ(shownList(), (QStringList{odd, p[0]}));
    const QByteArray written = console_test::ReadBytes(GetUserDataFilePath(QStringLiteral("Corvane.ini")));
    EXPECT_TRUE(written.contains("File1=" + m_dir.path().toUtf8() + "/two\\nlines\\\\r.qsx\n")) << written.toStdString();
}
