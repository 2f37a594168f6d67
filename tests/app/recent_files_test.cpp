#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/app_services.h"
#include "app/project_state.h"
#include "app/recent_files.h"
#include "platform/ini_file.h"

namespace {

const QString kSection = QStringLiteral("Recent File List");

// Every test has a data folder (and so an INI file) and a show folder of its own.
class RecentFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_data.isValid());
        ASSERT_TRUE(m_shows.isValid());
        m_oldDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", m_data.path().toLocal8Bit());
        for (QString& entry : g_RecentFiles)
            entry.clear();
        g_nRecentFileCount = 0;
        SetShowMessageHandler([this](const QString& text) { m_messages.append(text); });
    }
    void TearDown() override
    {
        SetShowMessageHandler({});
        qputenv("XDG_DATA_HOME", m_oldDataHome);
        for (QString& entry : g_RecentFiles)
            entry.clear();
        g_nRecentFileCount = 0;
        g_szProjectPath.clear();
    }

    // A project file that exists.
    QString show(const QString& name) const
    {
        const QString path = m_shows.filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write("QSX");
        return path;
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
    QStringList shownList() const
    {
        QStringList list;
        for (int k = 0; k < g_nRecentFileCount; ++k)
            list.append(g_RecentFiles[k]);
        return list;
    }
    void open(const QString& path)
    {
        g_szProjectPath = path;
        AddToRecentFileList();
        LoadRecentFileList();
    }

    QTemporaryDir m_data;
    QTemporaryDir m_shows;
    QByteArray m_oldDataHome;
    QStringList m_messages;
};

} // namespace

TEST_F(RecentFiles, ReopeningSwapsWithTheHeadAndNewPathsPushDown)
{
    const QString a = show(QStringLiteral("A.qsx")), b = show(QStringLiteral("B.qsx")),
                  c = show(QStringLiteral("C.qsx")), d = show(QStringLiteral("D.qsx")),
                  e = show(QStringLiteral("E.qsx"));
    writeKeys({a, b, c, d});
    LoadRecentFileList();
    EXPECT_EQ(shownList(), (QStringList{a, b, c, d}));

    // open() reloads the shown list from the keys it wrote.
    open(c);
    EXPECT_EQ(iniKeys(), (QStringList{c, b, a, d}));

    open(e);
    EXPECT_EQ(iniKeys(), (QStringList{e, c, b, a, d}));

    // Opening the head again changes nothing.
    open(e);
    EXPECT_EQ(iniKeys(), (QStringList{e, c, b, a, d}));
    EXPECT_TRUE(m_messages.isEmpty());
}

TEST_F(RecentFiles, KeepsEightPaths)
{
    QStringList paths;
    for (int n = 1; n <= 9; ++n)
        paths.append(show(QStringLiteral("Show %1.qsx").arg(n)));
    for (int n = 0; n < 9; ++n)
        open(paths[n]);
    const QStringList expected{paths[8], paths[7], paths[6], paths[5],
                               paths[4], paths[3], paths[2], paths[1]};
    EXPECT_EQ(iniKeys(), expected); // keys 1 to 8 and no ninth
}

TEST_F(RecentFiles, ReadingStopsAtAnEmptyKeyAndDeletedFilesDropOutAtTheNextReadAndWrite)
{
    const QString a = show(QStringLiteral("A.qsx")), b = show(QStringLiteral("B.qsx")),
                  c = show(QStringLiteral("C.qsx")), d = show(QStringLiteral("D.qsx")),
                  e = show(QStringLiteral("E.qsx"));
    writeKeys({a, b, c, QString(), e});
    LoadRecentFileList();
    ASSERT_EQ(shownList(), (QStringList{a, b, c}));

    ASSERT_TRUE(QFile::remove(b));
    LoadRecentFileList();
    EXPECT_EQ(shownList(), (QStringList{a, c}));
    EXPECT_TRUE(g_RecentFiles[2].isEmpty());
    EXPECT_EQ(iniKeys(), (QStringList{a, b, c, QString(), e})); // kept until the next write

    open(d);
    EXPECT_EQ(iniKeys(), (QStringList{d, a, c}));
}

TEST_F(RecentFiles, ANewPathWithAShortFileNameIsABadFile)
{
    const QString a = show(QStringLiteral("A.qsx"));
    writeKeys({a});
    LoadRecentFileList();
    g_szProjectPath = show(QStringLiteral("a.q"));
    AddToRecentFileList();
    EXPECT_EQ(m_messages, QStringList{QStringLiteral("Bad file")});
    EXPECT_EQ(g_RecentFiles[0], a);
    EXPECT_EQ(iniKeys(), QStringList{a});
}

TEST_F(RecentFiles, RepeatedNeighboursAreWrittenOnce)
{
    const QString a = show(QStringLiteral("A.qsx")), b = show(QStringLiteral("B.qsx"));
    writeKeys({a, a, b});
    LoadRecentFileList();
    ASSERT_EQ(shownList(), (QStringList{a, a, b}));
    // b swaps with the head, giving b, a, a; the pair of a's is written once.
    g_szProjectPath = b;
    AddToRecentFileList();
    EXPECT_EQ(g_nRecentFileCount, 3); // the count waits for the reload
    EXPECT_EQ(iniKeys(), (QStringList{b, a}));
    LoadRecentFileList();
    EXPECT_EQ(shownList(), (QStringList{b, a}));
}

TEST_F(RecentFiles, FileExistsOnlyForReadableFiles)
{
    EXPECT_TRUE(FileExists(show(QStringLiteral("A.qsx"))));
    EXPECT_FALSE(FileExists(m_shows.filePath(QStringLiteral("missing.qsx"))));
    EXPECT_FALSE(FileExists(m_shows.path()));
    EXPECT_FALSE(FileExists(QString()));
}
