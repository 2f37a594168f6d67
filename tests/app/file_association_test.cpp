#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include "app/app_services.h"
#include "app/file_association.h"
#include "platform/process_starter.h"

namespace {

class RecordingStarter : public ProcessStarter {
public:
    bool startDetached(const QString& program, const QStringList& arguments) override
    {
        started.append(QFileInfo(program).fileName() + QLatin1Char(' ') + arguments.join(' '));
        return true;
    }
    QStringList started;
};

QString ReadText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Every test gets a data home of its own and sees what would be started.
class FileAssociation : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", m_home.path().toLocal8Bit());
        ProcessStarter::setInstance(&m_starter);
    }
    void TearDown() override
    {
        ProcessStarter::setInstance(nullptr);
        qputenv("XDG_DATA_HOME", m_oldDataHome);
    }
    QString desktopPath() const
    {
        return m_home.path() + QStringLiteral("/applications/com.quellon.Corvane.desktop");
    }
    QString mimePath() const
    {
        return m_home.path() + QStringLiteral("/mime/packages/com.quellon.Corvane.xml");
    }

    QTemporaryDir m_home;
    QByteArray m_oldDataHome;
    RecordingStarter m_starter;
};

} // namespace

TEST(DesktopExec, QuotesThePathByTheDesktopEntryRules)
{
    EXPECT_EQ(DesktopExecLine(QStringLiteral("/opt/Quellon Apps/corvane")),
              QStringLiteral("\"/opt/Quellon Apps/corvane\" %f"));
    // '"', '`' and '$' take one backslash inside the quotes; a backslash
    // takes one for the quotes and the pair is doubled for the value; '%' doubles.
    EXPECT_EQ(DesktopExecLine(QStringLiteral("/a\"b`c$d\\e%f")),
              QStringLiteral("\"/a\\\\\"b\\\\`c\\\\$d\\\\\\\\e%%f\" %f"));
}

// The install suite runs both files through the desktop's own validators.
TEST_F(FileAssociation, WritesTheDesktopEntryIconAndMimeMagic)
{
    ASSERT_TRUE(RegisterFileAssociation(QStringLiteral("/opt/Quellon Apps/bin/corvane"),
                                        QStringLiteral("qsx")));
    const QString desktop = ReadText(desktopPath());
    EXPECT_TRUE(desktop.contains(QStringLiteral("\nExec=\"/opt/Quellon Apps/bin/corvane\" %f\n")));
    EXPECT_TRUE(desktop.contains(QStringLiteral("\nStartupWMClass=Quellon-Corvane\n"))); // the app's name
    EXPECT_TRUE(desktop.contains(QStringLiteral("\nIcon=com.quellon.Corvane\n")));
    EXPECT_TRUE(QFileInfo::exists(m_home.path()
                                  + QStringLiteral("/icons/hicolor/scalable/apps/com.quellon.Corvane.svg")));

    // The MIME package knows a project by the "QSX\0" its files start with.
    QFile mime(mimePath());
    ASSERT_TRUE(mime.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&mime);
    while (!xml.atEnd()
           && !(xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("match"))) {
    }
    ASSERT_FALSE(xml.atEnd()) << xml.errorString().toStdString();
    EXPECT_EQ(xml.attributes().value(QLatin1String("type")), QLatin1String("big32"));
    EXPECT_EQ(xml.attributes().value(QLatin1String("value")).toUInt(nullptr, 16), 0x51535800u);
}

TEST_F(FileAssociation, RefreshesTheDesktopCachesOnlyWhenSomethingChanged)
{
    ASSERT_TRUE(RegisterFileAssociation(QStringLiteral("/usr/bin/corvane"), QStringLiteral("qsx")));
    const qsizetype afterFirst = m_starter.started.size();
    const QDateTime written = QFileInfo(desktopPath()).lastModified();

    ASSERT_TRUE(RegisterFileAssociation(QStringLiteral("/usr/bin/corvane"), QStringLiteral("qsx")));
    EXPECT_EQ(m_starter.started.size(), afterFirst);
    EXPECT_EQ(QFileInfo(desktopPath()).lastModified(), written);

    // A program that moved is registered again.
    ASSERT_TRUE(RegisterFileAssociation(QStringLiteral("/opt/corvane"), QStringLiteral("qsx")));
    EXPECT_TRUE(ReadText(desktopPath()).contains(QStringLiteral("Exec=\"/opt/corvane\" %f")));
    if (!QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty()) {
        EXPECT_GT(m_starter.started.size(), afterFirst);
    }
}

// A user who ran an earlier version has its registration under the former
// names: the next start writes the new files, removes the former ones and
// refreshes the caches, so the desktop lists the console once.
TEST_F(FileAssociation, MovesAnEarlierRegistrationToTheNewNames)
{
    const QStringList former = {QStringLiteral("/applications/Quellon-Corvane.desktop"),
                                QStringLiteral("/mime/packages/quellon-corvane.xml"),
                                QStringLiteral("/icons/hicolor/scalable/apps/quellon-corvane.svg")};
    for (const QString& file : former) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(m_home.path() + file).absolutePath()));
        QFile old(m_home.path() + file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("written by an earlier version\n");
    }
    // Another program's files beside them stay.
    QFile other(m_home.path() + QStringLiteral("/applications/other.desktop"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();

    ASSERT_TRUE(RegisterFileAssociation(QStringLiteral("/usr/bin/corvane"), QStringLiteral("qsx")));
    for (const QString& file : former)
        EXPECT_FALSE(QFileInfo::exists(m_home.path() + file)) << file.toStdString();
    EXPECT_TRUE(ReadText(desktopPath()).contains(QStringLiteral("Exec=\"/usr/bin/corvane\" %f")));
    EXPECT_TRUE(ReadText(mimePath()).contains(QStringLiteral("pattern=\"*.qsx\"")));
    EXPECT_TRUE(QFileInfo::exists(m_home.path()
                                  + QStringLiteral("/icons/hicolor/scalable/apps/com.quellon.Corvane.svg")));
    EXPECT_TRUE(other.exists());

    // With the new files already in place, an earlier version's entry that
    // comes back is still removed, and the caches learn of it.
    const qsizetype before = m_starter.started.size();
    QFile again(m_home.path() + former[0]);
    ASSERT_TRUE(again.open(QIODevice::WriteOnly));
    again.close();
    ASSERT_TRUE(RegisterFileAssociation(QStringLiteral("/usr/bin/corvane"), QStringLiteral("qsx")));
    EXPECT_FALSE(again.exists());
    if (!QStandardPaths::findExecutable(QStringLiteral("update-desktop-database")).isEmpty()) {
        EXPECT_GT(m_starter.started.size(), before);
    }
}

TEST_F(FileAssociation, CleansTheExtensionAndIgnoresEmptyInput)
{
    ASSERT_TRUE(RegisterFileAssociation(QStringLiteral("/usr/bin/corvane"), QStringLiteral(" .q sx")));
    EXPECT_TRUE(ReadText(mimePath()).contains(QStringLiteral("pattern=\"*.qsx\"")));

    QFile::remove(mimePath());
    QFile::remove(desktopPath());
    EXPECT_FALSE(RegisterFileAssociation(QStringLiteral("   "), QStringLiteral("qsx")));
    EXPECT_FALSE(RegisterFileAssociation(QStringLiteral("/usr/bin/corvane"), QStringLiteral(" . ")));
    EXPECT_FALSE(QFileInfo::exists(mimePath()));
    EXPECT_FALSE(QFileInfo::exists(desktopPath()));
}

TEST_F(FileAssociation, DataFilesLiveInTheDataFolderWhichIsCreatedOnDemand)
{
    const QString folder = m_home.path() + QStringLiteral("/Quellon/Corvane");
    ASSERT_FALSE(QFileInfo::exists(folder));
    EXPECT_EQ(GetUserDataFilePath(QStringLiteral("Corvane.ini")),
              folder + QStringLiteral("/Corvane.ini"));
    EXPECT_TRUE(QFileInfo(folder).isDir());
}
