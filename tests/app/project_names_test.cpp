// Project files whose names the operator did not choose with this program:
// names that are not UTF-8 and names holding a line break, through the main
// window (hand-over, Open, Save, the recent files).

#include <gtest/gtest.h>

#include <cstdio>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/path_text.h"
#include "support/project_window_fixture.h"

namespace {

class ProjectNames : public console_test::ProjectWindowFixture {
protected:
    void SetUp() override
    {
        ProjectWindowFixture::SetUp();
        BuildShownOnOwnPort();
    }
    // A project with one scene "Verse" under the file name given as bytes.
    QString MakeNativeProject(const QByteArray& name)
    {
        const QString written = MakeProject(QStringLiteral("written.qsx"), {QStringLiteral("Verse")});
        const QByteArray native = NativeFromPath(m_dir.path()) + '/' + name;
        EXPECT_EQ(::rename(NativeFromPath(written).constData(), native.constData()), 0);
        return PathFromNative(native);
    }
    void TearDown() override
    {
        // The temporary folder cannot remove names Qt cannot spell: these go here.
        for (const QByteArray& name : Entries())
            ::unlink((NativeFromPath(m_dir.path()) + '/' + name).constData());
        ProjectWindowFixture::TearDown();
    }
    // The files of the show folder by their bytes (Qt's listing leaves out non-UTF-8 names).
    QList<QByteArray> Entries() const
    {
        QList<QByteArray> names;
        if (DIR* dir = ::opendir(NativeFromPath(m_dir.path()).constData())) {
            while (const dirent* entry = ::readdir(dir)) {
                if (entry->d_type == DT_REG)
                    names.append(QByteArray(entry->d_name));
            }
            ::closedir(dir);
        }
        return names;
    }
    static ino_t Inode(const QString& path)
    {
        struct stat info {};
        return ::stat(NativeFromPath(path).constData(), &info) == 0 ? info.st_ino : 0;
    }
};

} // namespace

TEST_F(ProjectNames, ALatin1NameOpensSavesAndReopensByItsBytes)
{
    const QString project = MakeNativeProject("latin1-\xe9\xff.qsx");
    m_dlg->OnProjectHandedOver(project);
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(g_szProjectPath, project);
    EXPECT_TRUE(g_bProjectHasFile);
    EXPECT_EQ(console_test::SceneLines(*m_dlg), (QStringList{kBlankSceneLine, QStringLiteral("  001 Verse")}));
    // Shown with U+FFFD where the bytes are not text.
    EXPECT_EQ(m_dlg->windowTitle(), QString::fromUtf8(" Corvane - latin1-\xef\xbf\xbd\xef\xbf\xbd.qsx"));

    // Saved in place under the same bytes; no second file beside it.
    const ino_t before = Inode(project);
    m_dlg->OnCommand(ID_FILE_SAVE);
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_NE(Inode(project), before);
    EXPECT_EQ(Entries(), QList<QByteArray>{"latin1-\xe9\xff.qsx"});

    // Listed by its bytes, and opened again from the list as the next start reads it.
    m_dlg->OnCommand(ID_FILE_NEW_PROJECT);
    LoadRecentFileList();
    ASSERT_EQ(g_nRecentFileCount, 1);
    m_dlg->OnCommand(ID_FILE_MRU_FIRST);
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(g_szProjectPath, project);
    EXPECT_EQ(console_test::SceneLines(*m_dlg), (QStringList{kBlankSceneLine, QStringLiteral("  001 Verse")}));
}

// The file chooser hands names over as Qt's text, which has lost such bytes:
// the operator learns why the file cannot be opened, and what to do.
TEST_F(ProjectNames, AChosenNameThatIsNotUtf8IsExplainedNotJustRefused)
{
    const QString project = MakeNativeProject("latin1-\xe9.qsx");
    const QString chosen = QString::fromLocal8Bit(NativeFromPath(project)); // as Qt lists it
    ASSERT_TRUE(PathLostInDecoding(chosen));
    Open(chosen);
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].contains(QStringLiteral("not valid UTF-8"))) << m_messages[0].toStdString();
    EXPECT_TRUE(m_messages[0].contains(QStringLiteral("rename"))) << m_messages[0].toStdString();
    EXPECT_FALSE(g_bProjectHasFile);
}

// A name with a line break loads, saves and is listed, and nobody is told
// that the profile cannot be written.
TEST_F(ProjectNames, ANameWithALineBreakIsListedWithoutAFalseProfileMessage)
{
    const QString project = MakeProject(QStringLiteral("two\nlines.qsx"), {QStringLiteral("Verse")});
    Open(project);
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(g_szProjectPath, project);
    m_dlg->OnCommand(ID_FILE_SAVE);
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join(QLatin1Char('\n')).toStdString();
    LoadRecentFileList();
    ASSERT_EQ(g_nRecentFileCount, 1);
    EXPECT_EQ(g_RecentFiles[0], project);
}
