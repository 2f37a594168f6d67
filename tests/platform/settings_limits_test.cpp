#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fifo_guard.h"
#include "platform/ini_file.h"
#include "platform/settings_store.h"
#include "support/test_files.h"

namespace {

using console_test::FileStamp;
using console_test::MakeSparseFile;
using console_test::StampOf;

class SettingsLimits : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir m_dir;
};

} // namespace

// Far beyond any profile the program writes (a few kB), the file is not
// read: the defaults stand, a write is refused and the file keeps every byte.
TEST_F(SettingsLimits, AnOversizedIniFileIsNeitherReadNorRewritten)
{
    const QString ini = path("Corvane.ini");
    ASSERT_TRUE(MakeSparseFile(ini, "[Data Directory]\nLast Used Directory=/shows/\n", 64LL << 20));
    const FileStamp before = StampOf(ini);

    IniFile file(ini);
    EXPECT_EQ(file.readString(QStringLiteral("Data Directory"), QStringLiteral("Last Used Directory"),
                              QStringLiteral("default")),
              QStringLiteral("default"));
    EXPECT_FALSE(file.writeString(QStringLiteral("Recent File List"), QStringLiteral("File1"),
                                  QStringLiteral("/shows/a.qsx")));
    EXPECT_FALSE(file.removeKey(QStringLiteral("Data Directory"), QStringLiteral("Last Used Directory")));
    EXPECT_EQ(StampOf(ini), before);
    EXPECT_EQ(file.readStatus(), FileReadStatus::TooLarge);

    // A profile just within the limit is still the program's own.
    const QString small = path("small.ini");
    QByteArray text = "[Data Directory]\nLast Used Directory=/shows/\n";
    text += QByteArray(int(kMaxIniFileBytes) - text.size(), ';');
    ASSERT_TRUE(MakeSparseFile(small, text, text.size()));
    EXPECT_EQ(IniFile(small).readString(QStringLiteral("Data Directory"),
                                        QStringLiteral("Last Used Directory")),
              QStringLiteral("/shows/"));
}

// A pipe (or a device) where the profile should be is never opened: reads
// give the defaults at once and writes leave it in place.
TEST_F(SettingsLimits, AnIniFileThatIsAPipeIsLeftAlone)
{
    FifoGuard fifo(path("Corvane.ini"));
    ASSERT_TRUE(fifo.made());
    IniFile file(fifo.path());
    fifo.arm();
    const QString read = file.readString(QStringLiteral("Data Directory"),
                                         QStringLiteral("Last Used Directory"), QStringLiteral("x"));
    const bool written = file.writeString(QStringLiteral("Data Directory"),
                                          QStringLiteral("Last Used Directory"), QStringLiteral("/a/"));
    EXPECT_FALSE(fifo.disarm()) << "the profile reader waited on the pipe";
    EXPECT_EQ(read, QStringLiteral("x"));
    EXPECT_FALSE(written);
    EXPECT_EQ(file.readStatus(), FileReadStatus::NotRegular);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo.path()).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// The settings file of the window placement: an oversized one or a pipe is
// not handed to the settings reader, gives no value and is not replaced.
TEST_F(SettingsLimits, AnOversizedOrOddSettingsFileIsNeitherReadNorRewritten)
{
    const QString huge = path("huge.conf");
    ASSERT_TRUE(MakeSparseFile(huge, "[Settings]\nWindowPos=\"0,1,-1,-1,-1,-1,10,10,1338,780 1 0\"\n",
                               64LL << 20));
    const FileStamp before = StampOf(huge);
    {
        SettingsStore store(huge);
        EXPECT_EQ(store.readStatus(), FileReadStatus::TooLarge);
        EXPECT_FALSE(store.readString(QStringLiteral("Settings"), QStringLiteral("WindowPos")));
        EXPECT_FALSE(store.writeString(QStringLiteral("Settings"), QStringLiteral("WindowPos"),
                                       QStringLiteral("1,1,0,0,0,0,0,0,0,0 0 0")));
    }
    EXPECT_EQ(StampOf(huge), before);

    FifoGuard fifo(path("fifo.conf"));
    ASSERT_TRUE(fifo.made());
    fifo.arm();
    bool wrote = true;
    FileReadStatus status = FileReadStatus::Ok;
    {
        SettingsStore store(fifo.path());
        status = store.readStatus();
        wrote = store.writeString(QStringLiteral("Settings"), QStringLiteral("WindowPos"),
                                  QStringLiteral("1,1,0,0,0,0,0,0,0,0 0 0"));
    }
    EXPECT_FALSE(fifo.disarm()) << "the settings reader waited on the pipe";
    EXPECT_EQ(status, FileReadStatus::NotRegular);
    EXPECT_FALSE(wrote);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo.path()).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // A missing file is simply a first run.
    SettingsStore fresh(path("fresh.conf"));
    EXPECT_EQ(fresh.readStatus(), FileReadStatus::Missing);
    EXPECT_TRUE(fresh.writeString(QStringLiteral("Settings"), QStringLiteral("WindowPos"),
                                  QStringLiteral("1")));
}

// The reader every file of the program goes through: regular files only,
// opened so that a swap for a pipe cannot make it wait, and never more than
// the limit read.
TEST_F(SettingsLimits, RegularFileReaderRefusesWhatIsNotAnOrdinaryFile)
{
    const QString plain = path("plain");
    ASSERT_TRUE(MakeSparseFile(plain, "hello", 5));
    const QString big = path("big");
    ASSERT_TRUE(MakeSparseFile(big, "", 4097));
    const QString link = path("zero.qsx");
    ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(link).constData()), 0);

    struct Case {
        QString path;
        qint64 limit;
        FileReadStatus status;
        QByteArray bytes;
    } cases[] = {
        {plain, 5, FileReadStatus::Ok, "hello"},
        {plain, 4, FileReadStatus::TooLarge, {}},
        {big, 4096, FileReadStatus::TooLarge, {}},
        {path("missing"), 10, FileReadStatus::Missing, {}},
        {m_dir.path(), 10, FileReadStatus::NotRegular, {}},
        {link, 10, FileReadStatus::NotRegular, {}},
    };
    for (const Case& c : cases) {
        const RegularFileRead read = ReadRegularFile(c.path, c.limit);
        EXPECT_EQ(read.status, c.status) << c.path.toStdString();
        EXPECT_EQ(read.bytes, c.bytes) << c.path.toStdString();
    }

    FifoGuard fifo(path("pipe.qsx"));
    ASSERT_TRUE(fifo.made());
    fifo.arm();
    const RegularFileRead read = ReadRegularFile(fifo.path(), 100);
    EXPECT_FALSE(fifo.disarm());
    EXPECT_EQ(read.status, FileReadStatus::NotRegular);
}
