// IniFile: the program's profile file, read and written one key at a time.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/ini_file.h"

#include "qt_printers.h"

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Names of the entries in dir, to see that no stray temporary files are left.
QStringList Entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString filePath(const QString& name = QStringLiteral("Corvane.ini")) const
    {
        return m_dir.filePath(name);
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(IniFileTest, MissingFileOrEntryGivesTheDefault)
{
    IniFile ini(filePath());
    EXPECT_EQ(ini.readString("Settings", "LastDir", "fallback"), "fallback");
    EXPECT_TRUE(ini.readString("Settings", "LastDir").isNull());
    EXPECT_FALSE(QFileInfo::exists(filePath())); // reading never creates the file

    ASSERT_TRUE(WriteAll(filePath(), "[Settings]\nOther=1\n[Empty]\n"));
    EXPECT_EQ(ini.readString("Settings", "LastDir", "d"), "d");  // key missing
    EXPECT_EQ(ini.readString("Missing", "Other", "d"), "d");     // section missing
    EXPECT_EQ(ini.readString("Empty", "Other", "d"), "d");       // key is in another section
    EXPECT_EQ(ini.readString("Settings", "Other", "d"), "1");
}

TEST_F(IniFileTest, WriteCreatesFileSectionAndKey)
{
    IniFile ini(filePath());
    ASSERT_TRUE(ini.writeString("Settings", "LastDir", "/home/op/shows"));
    EXPECT_EQ(ReadAll(filePath()), "[Settings]\nLastDir=/home/op/shows\n");
    EXPECT_EQ(ini.readString("Settings", "LastDir"), "/home/op/shows");

    // A second key goes into the same section, a new section goes at the end
    // after a blank line.
    ASSERT_TRUE(ini.writeString("Settings", "Units", "8"));
    ASSERT_TRUE(ini.writeString("Network", "Port", "5004"));
    EXPECT_EQ(ReadAll(filePath()),
              "[Settings]\nLastDir=/home/op/shows\nUnits=8\n\n[Network]\nPort=5004\n");

    // A key added to an earlier section goes after its last entry, before
    // the blank line that separates it from the next section.
    ASSERT_TRUE(ini.writeString("Settings", "Theme", "dark"));
    EXPECT_EQ(ReadAll(filePath()),
              "[Settings]\nLastDir=/home/op/shows\nUnits=8\nTheme=dark\n\n[Network]\nPort=5004\n");

    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(Entries(m_dir.path()), QStringList{"Corvane.ini"});

    // A fresh object on the same file sees everything.
    IniFile again(filePath());
    EXPECT_EQ(again.readString("Network", "Port"), "5004");
    EXPECT_EQ(again.readString("Settings", "Theme"), "dark");
}

TEST_F(IniFileTest, SectionAndKeyNamesMatchWithoutRegardToCase)
{
    ASSERT_TRUE(WriteAll(filePath(), "[Settings]\nLastDir=/a\n"));
    IniFile ini(filePath());
    EXPECT_EQ(ini.readString("SETTINGS", "lastdir"), "/a");
    EXPECT_EQ(ini.readString("settings", "LASTDIR"), "/a");

    // A write under other case finds the same entry instead of adding one.
    ASSERT_TRUE(ini.writeString("sEtTiNgS", "LASTDIR", "/b"));
    EXPECT_EQ(ini.readString("Settings", "LastDir"), "/b");
    const QByteArray text = ReadAll(filePath());
    EXPECT_EQ(text.count("[Settings]"), 1) << text.constData();
    EXPECT_EQ(text.count("="), 1) << text.constData();
    EXPECT_FALSE(text.contains("sEtTiNgS")) << text.constData();
}

TEST_F(IniFileTest, KeepsForeignLinesByteForByte)
{
    // Comments, lines without '=', blank lines, odd spacing, entries before
    // the first section, keys in other sections and a section appearing
    // again after ours: all stay exactly as they are.
    const QByteArray before =
        "; Corvane profile\n"
        "Orphan=before any section\n"
        "\n"
        "[Network]\n"
        "  Port = 5004   \n"
        "# not an entry\n"
        "garbage line without equals\n"
        "\n"
        "\n"
        "[Settings]\n"
        "LastDir=/old\n"
        "; LastDir=/commented\n"
        "Extra =  keep  me  \n"
        "\n"
        "[Other]\n"
        "LastDir=/other\n"
        "Caf\xc3\xa9=cr\xc3\xa8me\n"
        "\n"
        "\n";
    ASSERT_TRUE(WriteAll(filePath(), before));
    IniFile ini(filePath());

    ASSERT_TRUE(ini.writeString("Settings", "LastDir", "/new"));
    QByteArray expected = before;
    expected.replace("LastDir=/old\n", "LastDir=/new\n");
    EXPECT_EQ(ReadAll(filePath()), expected);

    // Adding a key to a section in the middle only inserts that one line.
    ASSERT_TRUE(ini.writeString("Network", "Timeout", "250"));
    expected.replace("garbage line without equals\n",
                     "garbage line without equals\nTimeout=250\n");
    EXPECT_EQ(ReadAll(filePath()), expected);

    EXPECT_EQ(ini.readString("Network", "Port"), "5004");
    EXPECT_EQ(ini.readString("Other", "LastDir"), "/other");
    EXPECT_EQ(ini.readString("Other", QString::fromUtf8("Caf\xc3\xa9")), QString::fromUtf8("cr\xc3\xa8me"));
    EXPECT_EQ(ini.readString("Settings", "Orphan", "none"), "none");
}

TEST_F(IniFileTest, SecondWriteReplacesTheLine)
{
    IniFile ini(filePath());
    ASSERT_TRUE(ini.writeString("Settings", "Units", "4"));
    ASSERT_TRUE(ini.writeString("Settings", "Units", "16"));
    ASSERT_TRUE(ini.writeString("Settings", "Units", "16")); // unchanged value
    EXPECT_EQ(ReadAll(filePath()), "[Settings]\nUnits=16\n");

    // An empty value is a value, not a removal.
    ASSERT_TRUE(ini.writeString("Settings", "Units", ""));
    EXPECT_EQ(ReadAll(filePath()), "[Settings]\nUnits=\n");
    EXPECT_EQ(ini.readString("Settings", "Units", "d"), "");
}

TEST_F(IniFileTest, ValuesAreTrimmedOnRead)
{
    ASSERT_TRUE(WriteAll(filePath(), "[ Settings ]\n   Name   =   Stage left mic \t\nEq==x= \n"));
    IniFile ini(filePath());
    EXPECT_EQ(ini.readString("Settings", "Name"), "Stage left mic");
    // Only the first '=' separates key from value.
    EXPECT_EQ(ini.readString("Settings", "Eq"), "=x=");

    ASSERT_TRUE(ini.writeString("Settings", "Label", "  padded  "));
    EXPECT_EQ(ini.readString("Settings", "Label"), "padded");
}

TEST_F(IniFileTest, CrLfFilesAreRead)
{
    ASSERT_TRUE(WriteAll(filePath(), "[Settings]\r\nLastDir=C:/shows\r\nUnits=8\r\n"));
    IniFile ini(filePath());
    EXPECT_EQ(ini.readString("Settings", "LastDir"), "C:/shows");
    EXPECT_EQ(ini.readString("Settings", "Units"), "8");
    ASSERT_TRUE(ini.writeString("Settings", "Units", "16"));
    EXPECT_EQ(ini.readString("Settings", "LastDir"), "C:/shows");
    EXPECT_EQ(ini.readString("Settings", "Units"), "16");
}

TEST_F(IniFileTest, RefusesWritesThatWouldBreakTheFile)
{
    const QByteArray before = "[Settings]\nLastDir=/old\n";
    ASSERT_TRUE(WriteAll(filePath(), before));
    IniFile ini(filePath());

    EXPECT_FALSE(ini.writeString("Set\ntings", "Key", "v"));
    EXPECT_FALSE(ini.writeString("Settings\r", "Key", "v"));
    EXPECT_FALSE(ini.writeString("Settings", "Ke\ny", "v"));
    EXPECT_FALSE(ini.writeString("Settings", "Key\r", "v"));
    EXPECT_FALSE(ini.writeString("Settings", "LastDir", "/a\n[Evil]\nx=1"));
    EXPECT_FALSE(ini.writeString("Settings", "LastDir", "/a\r"));
    EXPECT_FALSE(ini.writeString("Settings", "Key=Other", "v"));
    EXPECT_FALSE(ini.writeString("Settings", "=", "v"));
    EXPECT_FALSE(ini.writeString("Sett]ings", "Key", "v"));
    EXPECT_FALSE(ini.writeString("Settings]", "Key", "v"));
    EXPECT_FALSE(ini.writeString("Settings", "", "v"));
    EXPECT_FALSE(ini.writeString("Settings", "   ", "v"));

    EXPECT_EQ(ReadAll(filePath()), before);
    EXPECT_EQ(Entries(m_dir.path()), QStringList{"Corvane.ini"});

    // The same refusals on a file that does not exist yet do not create it.
    IniFile fresh(filePath("fresh.ini"));
    EXPECT_FALSE(fresh.writeString("Settings", "Key=1", "v"));
    EXPECT_FALSE(QFileInfo::exists(filePath("fresh.ini")));
}

TEST_F(IniFileTest, WriteIntoAFolderThatCannotBeWrittenFails)
{
    // The parent "folder" is a regular file, so nothing can be created under it.
    const QString blocker = filePath("not-a-folder");
    ASSERT_TRUE(WriteAll(blocker, "plain file\n"));
    IniFile underFile(blocker + "/Corvane.ini");
    EXPECT_FALSE(underFile.writeString("Settings", "Key", "v"));
    EXPECT_EQ(underFile.readString("Settings", "Key", "d"), "d");
    EXPECT_EQ(ReadAll(blocker), "plain file\n");

    // A folder that does not exist is not made up either.
    IniFile underMissing(filePath("missing/deeper/Corvane.ini"));
    EXPECT_FALSE(underMissing.writeString("Settings", "Key", "v"));
    EXPECT_FALSE(QFileInfo::exists(filePath("missing")));

    // A read-only folder with an old file in it: the old file stays whole.
    // Root writes anyway, so this part only says something for other users.
    const QString roDir = filePath("ro");
    ASSERT_TRUE(QDir().mkpath(roDir));
    const QString roFile = roDir + "/Corvane.ini";
    const QByteArray before = "[Settings]\nLastDir=/old\n";
    ASSERT_TRUE(WriteAll(roFile, before));
    ASSERT_TRUE(QFile::setPermissions(roDir, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const bool canStillCreate = [&] {
        QFile probe(roDir + "/probe");
        const bool ok = probe.open(QIODevice::WriteOnly);
        if (ok)
            probe.remove();
        return ok;
    }();
    if (!canStillCreate) {
        IniFile ro(roFile);
        EXPECT_FALSE(ro.writeString("Settings", "LastDir", "/new"));
        EXPECT_EQ(ReadAll(roFile), before);
        EXPECT_EQ(Entries(roDir), QStringList{"Corvane.ini"});
    }
    QFile::setPermissions(roDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                     | QFileDevice::ExeOwner);
}

TEST_F(IniFileTest, RemoveKey)
{
    const QByteArray before =
        "; head\n[Settings]\nLastDir=/old\nUnits=8\n\n[Other]\nLastDir=/other\n";
    ASSERT_TRUE(WriteAll(filePath(), before));
    IniFile ini(filePath());

    ASSERT_TRUE(ini.removeKey("settings", "LASTDIR"));
    EXPECT_EQ(ReadAll(filePath()), "; head\n[Settings]\nUnits=8\n\n[Other]\nLastDir=/other\n");
    EXPECT_EQ(ini.readString("Settings", "LastDir", "gone"), "gone");
    EXPECT_EQ(ini.readString("Other", "LastDir"), "/other");

    // Removing what is not there is no error and leaves the file alone.
    const QByteArray after = ReadAll(filePath());
    EXPECT_TRUE(ini.removeKey("Settings", "LastDir"));
    EXPECT_TRUE(ini.removeKey("Nowhere", "Units"));
    EXPECT_EQ(ReadAll(filePath()), after);

    // ... and does not create a missing file.
    IniFile missing(filePath("missing.ini"));
    EXPECT_TRUE(missing.removeKey("Settings", "Units"));
    EXPECT_FALSE(QFileInfo::exists(filePath("missing.ini")));

    // A removed key can be written again.
    ASSERT_TRUE(ini.writeString("Settings", "LastDir", "/again"));
    EXPECT_EQ(ini.readString("Settings", "LastDir"), "/again");
}

// A comment or value saved by a Latin-1 editor is not valid UTF-8; a write to
// some other key must still give it back byte for byte.
TEST_F(IniFileTest, KeepsLinesThatAreNotUtf8)
{
    const QByteArray before = "; Caf\xe9 stage\n[Settings]\nUnits=8\n[Venue]\nName=Z\xfcrich Halle\n";
    ASSERT_TRUE(WriteAll(filePath(), before));
    IniFile ini(filePath());
    ASSERT_TRUE(ini.writeString("Settings", "Units", "16"));
    QByteArray expected = before;
    expected.replace("Units=8", "Units=16");
    EXPECT_EQ(ReadAll(filePath()), expected);
}

// Names are matched without their surrounding blanks, so a name written with
// blanks is found again and a second write replaces rather than adds a copy.
TEST_F(IniFileTest, NamesWithSurroundingBlanksReadBackWhatWasWritten)
{
    IniFile ini(filePath());
    ASSERT_TRUE(ini.writeString(" Settings ", "Units", "4"));
    ASSERT_TRUE(ini.writeString(" Settings ", "Units", "8"));
    EXPECT_EQ(ini.readString(" Settings ", "Units", "missing"), "8");
    EXPECT_EQ(ini.readString("Settings", "Units", "missing"), "8");
    EXPECT_EQ(ReadAll(filePath()).count("Settings"), 1) << ReadAll(filePath()).constData();
    QFile::remove(filePath());
    ASSERT_TRUE(ini.writeString("Settings", " Units ", "4"));
    ASSERT_TRUE(ini.writeString("Settings", " Units ", "8"));
    EXPECT_EQ(ini.readString("Settings", " Units ", "missing"), "8");
    EXPECT_EQ(ReadAll(filePath()).count("Units"), 1) << ReadAll(filePath()).constData();
}

// An entry line "[x=y]" would read back as a section header that swallows
// whatever follows it, so a key opening with '[' is refused.
TEST_F(IniFileTest, RefusesAnEntryThatWouldReadAsASectionHeader)
{
    ASSERT_TRUE(WriteAll(filePath(), "[Settings]\nUnits=8\n"));
    IniFile ini(filePath());
    EXPECT_FALSE(ini.writeString("Settings", "[x", "y]"));
    EXPECT_EQ(ReadAll(filePath()), QByteArray("[Settings]\nUnits=8\n"));
}
