#include <gtest/gtest.h>

#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>

#include <functional>

#include "app/app_services.h"
#include "app/file_association.h"
#include "app/project_state.h"
#include "app/recent_files.h"
#include "platform/ini_file.h"

#include "file_size_limit.h"
#include "qt_printers.h"
#include "support/test_files.h"

namespace {

using namespace console_test;

// Every file below dir with its bytes, to see that nothing changed or came.
QMap<QString, QByteArray> Tree(const QString& dir)
{
    QMap<QString, QByteArray> files;
    const QDir root(dir);
    QStringList pending{dir};
    while (!pending.isEmpty()) {
        const QDir at(pending.takeFirst());
        for (const QFileInfo& entry :
             at.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
            if (entry.isDir())
                pending.append(entry.filePath());
            else
                files.insert(root.relativeFilePath(entry.filePath()), ReadAll(entry.filePath()));
        }
    }
    return files;
}

// Far less than any of the files written here.
constexpr rlim_t kNearlyFull = 16;

const QByteArray kOldIni = "[Recent File List]\n"
                           "File1=/shows/gala.qsx\n"
                           "File2=/shows/matinee.qsx\n"
                           "\n"
                           "[Data Directory]\n"
                           "Last Used Directory=/shows/\n";

class FullDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_oldDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", m_dir.filePath(QStringLiteral("data")).toLocal8Bit());
    }
    void TearDown() override
    {
        qputenv("XDG_DATA_HOME", m_oldDataHome);
        g_RecentFiles.fill(QString());
        g_nRecentFileCount = 0;
        g_szProjectPath.clear();
    }

    QTemporaryDir m_dir;
    QByteArray m_oldDataHome;
};

} // namespace

// On a full disk each update fails and keeps the old bytes; with room it goes through.
TEST_F(FullDisk, AnIniUpdateFailsAndKeepsTheOldFile)
{
    const QString folder = m_dir.filePath(QStringLiteral("ini"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/Corvane.ini");
    const struct {
        const char* what;
        std::function<bool(IniFile&)> update;
    } updates[] = {
        {"a value changed",
         [](IniFile& ini) {
             return ini.writeString("Data Directory", "Last Used Directory", "/tours/");
         }},
        {"a key added", [](IniFile& ini) { return ini.writeString("Recent File List", "File3", "/x.qsx"); }},
        {"a section added", [](IniFile& ini) { return ini.writeString("Settings", "Mode", "1"); }},
        {"a key removed", [](IniFile& ini) { return ini.removeKey("Recent File List", "File2"); }},
    };
    for (const auto& u : updates) {
        SCOPED_TRACE(u.what);
        ASSERT_TRUE(WriteAll(path, kOldIni));
        IniFile ini(path);
        {
            FileSizeLimit limit(kNearlyFull);
            EXPECT_FALSE(u.update(ini));
        }
        EXPECT_EQ(Tree(folder), (QMap<QString, QByteArray>{{QStringLiteral("Corvane.ini"), kOldIni}}));
        EXPECT_TRUE(u.update(ini));
        EXPECT_NE(ReadAll(path), kOldIni);
    }
}

TEST_F(FullDisk, TheRecentListAndTheLastFolderSurviveAFullDisk)
{
    const QString ini = GetUserDataFilePath(QStringLiteral("Corvane.ini"));
    ASSERT_TRUE(WriteAll(ini, kOldIni));
    ASSERT_TRUE(WriteAll(m_dir.filePath(QStringLiteral("gala.qsx")), "QSX"));
    const QString folder = QFileInfo(ini).absolutePath();
    const QMap<QString, QByteArray> before = Tree(folder);
    {
        FileSizeLimit limit(kNearlyFull);
        g_szProjectPath = m_dir.filePath(QStringLiteral("gala.qsx"));
        AddToRecentFileList();
        EXPECT_FALSE(SaveLastUsedDirectory(m_dir.path() + QLatin1Char('/')));
    }
    EXPECT_EQ(Tree(folder), before);
    EXPECT_EQ(LoadLastUsedDirectory(), QStringLiteral("/shows/"));
}

// A first registration leaves no file, whole or cut; a later one leaves the old files.
TEST_F(FullDisk, DesktopFilesAreNotReplacedOnAFullDisk)
{
    const QString share = m_dir.filePath(QStringLiteral("share"));
    {
        FileSizeLimit limit(kNearlyFull);
        EXPECT_FALSE(WriteDesktopFiles(share, QStringLiteral("/opt/corvane/bin/corvane"),
                                       QStringLiteral("qsx")));
    }
    EXPECT_TRUE(Tree(share).isEmpty());

    ASSERT_TRUE(WriteDesktopFiles(share, QStringLiteral("/opt/corvane/bin/corvane"),
                                  QStringLiteral("qsx")));
    const QMap<QString, QByteArray> registered = Tree(share);
    ASSERT_EQ(registered.size(), 3);
    {
        FileSizeLimit limit(kNearlyFull);
        bool changed = true;
        EXPECT_FALSE(WriteDesktopFiles(share, QStringLiteral("/usr/local/bin/corvane"),
                                       QStringLiteral("qsy"), &changed));
        EXPECT_FALSE(changed);
    }
    EXPECT_EQ(Tree(share), registered);
}
