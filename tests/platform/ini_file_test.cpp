#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/ini_file.h"
#include "platform/path_text.h"

#include "qt_printers.h"
#include "support/test_files.h"

namespace {

using namespace console_test;

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString filePath(const QString& name = QStringLiteral("Corvane.ini")) const
    {
        return m_dir.filePath(name);
    }
    // The profile file holding bytes, and an IniFile on it.
    IniFile withFile(const QByteArray& bytes)
    {
        EXPECT_TRUE(WriteAll(filePath(), bytes));
        return IniFile(filePath());
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(IniFileTest, MissingFileOrEntryGivesTheDefault)
{
    IniFile ini(filePath());
    EXPECT_EQ(ini.readString("Settings", "LastDir", "fallback"), "fallback");
    EXPECT_FALSE(QFileInfo::exists(filePath())); // reading never creates the file

    ini = withFile("[Settings]\nOther=1\n[Empty]\n");
    EXPECT_EQ(ini.readString("Settings", "LastDir", "d"), "d");  // key missing
    EXPECT_EQ(ini.readString("Missing", "Other", "d"), "d");     // section missing
    EXPECT_EQ(ini.readString("Empty", "Other", "d"), "d");       // key is in another section
    EXPECT_EQ(ini.readString("Settings", "Other", "d"), "1");
}

TEST_F(IniFileTest, WritesCreateTheFileAddToSectionsAndReplaceTheLine)
{
    IniFile ini(filePath());
    ASSERT_TRUE(ini.writeString("Settings", "LastDir", "/home/op/shows"));
    EXPECT_EQ(ReadAll(filePath()), "[Settings]\nLastDir=/home/op/shows\n");

    // New keys go after their section's last entry, new sections at the end after a blank line.
    ASSERT_TRUE(ini.writeString("Settings", "Units", "8"));
    ASSERT_TRUE(ini.writeString("Network", "Port", "5004"));
    ASSERT_TRUE(ini.writeString("Settings", "Theme", "dark"));
    EXPECT_EQ(ReadAll(filePath()),
              "[Settings]\nLastDir=/home/op/shows\nUnits=8\nTheme=dark\n\n[Network]\nPort=5004\n");

    // A second write replaces the line; an empty value is a value, not a removal.
    ASSERT_TRUE(ini.writeString("Network", "Port", "16"));
    ASSERT_TRUE(ini.writeString("Network", "Port", "16")); // unchanged value
    ASSERT_TRUE(ini.writeString("Settings", "Theme", ""));
    EXPECT_EQ(ReadAll(filePath()),
              "[Settings]\nLastDir=/home/op/shows\nUnits=8\nTheme=\n\n[Network]\nPort=16\n");
    EXPECT_EQ(ini.readString("Settings", "Theme", "d"), "");

    EXPECT_EQ(Entries(m_dir.path()), QStringList{"Corvane.ini"});
    EXPECT_EQ(IniFile(filePath()).readString("Network", "Port"), "16");
}

// A write finds its entry again instead of adding a copy.
TEST_F(IniFileTest, NamesMatchWithoutCaseOrSurroundingBlanks)
{
    IniFile ini = withFile("[Settings]\nLastDir=/a\n");
    EXPECT_EQ(ini.readString("SETTINGS", "lastdir"), "/a");

    ASSERT_TRUE(ini.writeString("sEtTiNgS", "LASTDIR", "/b"));
    ASSERT_TRUE(ini.writeString(" Settings ", " LastDir ", "/c"));
    EXPECT_EQ(ini.readString(" settings ", " lastdir "), "/c");
    EXPECT_EQ(ReadAll(filePath()), "[Settings]\nLastDir=/c\n");

    QFile::remove(filePath());
    ASSERT_TRUE(ini.writeString(" Settings ", " Units ", "4"));
    ASSERT_TRUE(ini.writeString(" Settings ", " Units ", "8"));
    EXPECT_EQ(ini.readString("Settings", "Units", "missing"), "8");
    EXPECT_EQ(ReadAll(filePath()), "[Settings]\nUnits=8\n");
}

TEST_F(IniFileTest, KeepsForeignLinesByteForByte)
{
    const QByteArray before =
        "; Caf\xe9 profile\n"
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
        "Name=Z\xfcrich Halle\n"
        "\n"
        "\n";
    IniFile ini = withFile(before);

    ASSERT_TRUE(ini.writeString("Settings", "LastDir", "/new"));
    QByteArray expected = before;
    expected.replace("LastDir=/old\n", "LastDir=/new\n");
    EXPECT_EQ(ReadAll(filePath()), expected);

    ASSERT_TRUE(ini.writeString("Network", "Timeout", "250"));
    expected.replace("garbage line without equals\n", "garbage line without equals\nTimeout=250\n");
    EXPECT_EQ(ReadAll(filePath()), expected);

    EXPECT_EQ(ini.readString("Network", "Port"), "5004");
    EXPECT_EQ(ini.readString("Other", "LastDir"), "/other");
    EXPECT_EQ(ini.readString("Other", QString::fromUtf8("Caf\xc3\xa9")), QString::fromUtf8("cr\xc3\xa8me"));
    EXPECT_EQ(ini.readString("Settings", "Orphan", "none"), "none");
}

TEST_F(IniFileTest, ValuesAreTrimmedAndCrLfFilesRead)
{
    IniFile ini = withFile("[ Settings ]\r\n   Name   =   Stage left mic \t\r\nEq==x= \r\n");
    EXPECT_EQ(ini.readString("Settings", "Name"), "Stage left mic");
    EXPECT_EQ(ini.readString("Settings", "Eq"), "=x="); // only the first '=' separates

    ASSERT_TRUE(ini.writeString("Settings", "Label", "  padded  "));
    EXPECT_EQ(ini.readString("Settings", "Label"), "padded");
    EXPECT_EQ(ini.readString("Settings", "Name"), "Stage left mic");
}

TEST_F(IniFileTest, RefusesWritesThatWouldBreakTheFile)
{
    const QByteArray before = "[Settings]\nLastDir=/old\n";
    IniFile ini = withFile(before);

    // An entry "[x=y]" would read back as a section header.
    const char* const refused[][3] = {
        {"Set\ntings", "Key", "v"}, {"Settings\r", "Key", "v"},   {"Settings", "Ke\ny", "v"},
        {"Settings", "Key\r", "v"}, {"Settings", "LastDir", "/a\n[Evil]\nx=1"},
        {"Settings", "LastDir", "/a\r"}, {"Settings", "Key=Other", "v"}, {"Settings", "[x", "y]"},
        {"Sett]ings", "Key", "v"},  {"Settings", "", "v"},       {"Settings", "   ", "v"},
    };
    for (const auto& [section, key, value] : refused)
        EXPECT_FALSE(ini.writeString(section, key, value)) << section << " / " << key << " / " << value;

    EXPECT_EQ(ReadAll(filePath()), before);
    EXPECT_EQ(Entries(m_dir.path()), QStringList{"Corvane.ini"});

    // The same refusals on a file that does not exist yet do not create it.
    EXPECT_FALSE(IniFile(filePath("fresh.ini")).writeString("Settings", "Key=1", "v"));
    EXPECT_FALSE(QFileInfo::exists(filePath("fresh.ini")));
}

TEST_F(IniFileTest, WriteIntoAFolderThatCannotBeWrittenFails)
{
    const QString blocker = filePath("not-a-folder");
    ASSERT_TRUE(WriteAll(blocker, "plain file\n"));
    IniFile underFile(blocker + "/Corvane.ini");
    EXPECT_FALSE(underFile.writeString("Settings", "Key", "v"));
    EXPECT_EQ(ReadAll(blocker), "plain file\n");

    // A folder that does not exist is not made up either.
    EXPECT_FALSE(IniFile(filePath("missing/deeper/Corvane.ini")).writeString("Settings", "Key", "v"));
    EXPECT_FALSE(QFileInfo::exists(filePath("missing")));

    // A read-only folder keeps its old file whole (root writes anyway).
    const QString roDir = filePath("ro");
    ASSERT_TRUE(QDir().mkpath(roDir));
    const QString roFile = roDir + "/Corvane.ini";
    const QByteArray before = "[Settings]\nLastDir=/old\n";
    ASSERT_TRUE(WriteAll(roFile, before));
    ASSERT_TRUE(QFile::setPermissions(roDir, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    QFile probe(roDir + "/probe");
    if (!probe.open(QIODevice::WriteOnly)) {
        EXPECT_FALSE(IniFile(roFile).writeString("Settings", "LastDir", "/new"));
        EXPECT_EQ(ReadAll(roFile), before);
        EXPECT_EQ(Entries(roDir), QStringList{"Corvane.ini"});
    } else {
        probe.remove();
    }
    QFile::setPermissions(roDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// Never replaced by a file of the new entry alone (root reads anyway).
TEST_F(IniFileTest, AFileThatCannotBeReadIsNeverReplaced)
{
    const QByteArray before = "; kept\n[Settings]\nLastDir=/old\n";
    ASSERT_TRUE(WriteAll(filePath(), before));
    ASSERT_TRUE(QFile::setPermissions(filePath(), QFileDevice::WriteOwner));
    if (QFile probe(filePath()); !probe.open(QIODevice::ReadOnly)) {
        EXPECT_FALSE(IniFile(filePath()).writeString("Settings", "Units", "8"));
        EXPECT_FALSE(IniFile(filePath()).removeKey("Settings", "LastDir"));
    }
    QFile::setPermissions(filePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(ReadAll(filePath()), before);
}

TEST_F(IniFileTest, RemoveKey)
{
    IniFile ini = withFile("; head\n[Settings]\nLastDir=/old\nUnits=8\n\n[Other]\nLastDir=/other\n");
    ASSERT_TRUE(ini.removeKey("settings", "LASTDIR"));
    const QByteArray after = "; head\n[Settings]\nUnits=8\n\n[Other]\nLastDir=/other\n";
    EXPECT_EQ(ReadAll(filePath()), after);
    EXPECT_EQ(ini.readString("Settings", "LastDir", "gone"), "gone");

    // Removing what is not there is no error and creates nothing.
    EXPECT_TRUE(ini.removeKey("Settings", "LastDir"));
    EXPECT_TRUE(ini.removeKey("Nowhere", "Units"));
    EXPECT_EQ(ReadAll(filePath()), after);
    EXPECT_TRUE(IniFile(filePath("missing.ini")).removeKey("Settings", "Units"));
    EXPECT_FALSE(QFileInfo::exists(filePath("missing.ini")));

    // A removed key can be written again.
    ASSERT_TRUE(ini.writeString("Settings", "LastDir", "/again"));
    EXPECT_EQ(ini.readString("Settings", "LastDir"), "/again");
}

// A value whose bytes are not UTF-8 (a path from an old disk) is written and
// read back as those bytes.
TEST_F(IniFileTest, ValuesKeepBytesThatAreNotUtf8)
{
    IniFile ini(filePath());
    const QString path = PathFromNative("/shows/latin1-\xe9\xff.qsx");
    ASSERT_TRUE(ini.writeString("Recent File List", "File1", path));
    EXPECT_EQ(ReadAll(filePath()), "[Recent File List]\nFile1=/shows/latin1-\xe9\xff.qsx\n");
    EXPECT_EQ(ini.readString("Recent File List", "File1"), path);
}

TEST_F(IniFileTest, WriteSectionReplacesEveryKeyOfTheSection)
{
    IniFile ini = withFile("; head\n[List]\nFile1=/a\nFile9=/stray\nOther=x\n\n[Keep]\nK=v\n\n[list]\nFile2=/b\n");
    ASSERT_TRUE(ini.writeSection("List", {{"File1", "/c"}, {"File2", "/a"}}));
    EXPECT_EQ(ReadAll(filePath()), "; head\n[List]\nFile1=/c\nFile2=/a\n\n[Keep]\nK=v\n\n");

    // An empty list leaves the section's header alone; a missing section is added.
    ASSERT_TRUE(ini.writeSection("List", {}));
    ASSERT_TRUE(ini.writeSection("New", {{"A", "1"}}));
    EXPECT_EQ(ReadAll(filePath()), "; head\n[List]\n\n[Keep]\nK=v\n\n[New]\nA=1\n");

    // An entry that cannot be one line changes nothing.
    EXPECT_FALSE(ini.writeSection("List", {{"File1", "/a\nb"}}));
    EXPECT_FALSE(ini.writeSection("List", {{"Fi=le", "/a"}}));
    EXPECT_EQ(ReadAll(filePath()), "; head\n[List]\n\n[Keep]\nK=v\n\n[New]\nA=1\n");
}
