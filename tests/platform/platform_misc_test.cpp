// The small pieces of the platform layer: dialog units, fonts, colours,
// per-user settings, the data folder and the process starter.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QTemporaryDir>

#include "platform/colorref.h"
#include "platform/data_folder.h"
#include "platform/dialog_units.h"
#include "platform/font_faces.h"
#include "platform/path_text.h"
#include "platform/process_starter.h"
#include "platform/settings_store.h"

#include "qt_printers.h"

#include <optional>

namespace {

// Sets an environment variable for the lifetime of the object and puts the
// old value (or its absence) back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : m_name(name)
    {
        m_hadValue = qEnvironmentVariableIsSet(name);
        m_oldValue = qgetenv(name);
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_hadValue)
            qputenv(m_name, m_oldValue);
        else
            qunsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    bool m_hadValue = false;
    QByteArray m_oldValue;
};

} // namespace

// ---------------------------------------------------------------- dialog units

TEST(DialogUnits, ConvertToPixelsRoundingHalvesAwayFromZero)
{
    using namespace dialog_units;
    // x * 6 / 4
    EXPECT_EQ(ToPixelsX(0), 0);
    EXPECT_EQ(ToPixelsX(2), 3);
    EXPECT_EQ(ToPixelsX(1), 2);    // 1.5
    EXPECT_EQ(ToPixelsX(3), 5);    // 4.5
    EXPECT_EQ(ToPixelsX(-1), -2);  // -1.5
    EXPECT_EQ(ToPixelsX(-3), -5);  // -4.5
    EXPECT_EQ(ToPixelsX(-4), -6);
    EXPECT_EQ(ToPixelsX(100), 150);
    EXPECT_EQ(ToPixelsX(267), 401); // 400.5

    // y * 13 / 8
    EXPECT_EQ(ToPixelsY(0), 0);
    EXPECT_EQ(ToPixelsY(1), 2);    // 1.625
    EXPECT_EQ(ToPixelsY(3), 5);    // 4.875
    EXPECT_EQ(ToPixelsY(5), 8);    // 8.125
    EXPECT_EQ(ToPixelsY(4), 7);    // 6.5
    EXPECT_EQ(ToPixelsY(12), 20);  // 19.5
    EXPECT_EQ(ToPixelsY(-4), -7);  // -6.5
    EXPECT_EQ(ToPixelsY(-5), -8);  // -8.125
    EXPECT_EQ(ToPixelsY(-1), -2);  // -1.625
    EXPECT_EQ(ToPixelsY(8), 13);
    EXPECT_EQ(ToPixelsY(200), 325);

    // Large layouts do not overflow on the way.
    EXPECT_EQ(ToPixelsX(1'000'000'000), 1'500'000'000);

    EXPECT_EQ(ToPixels(QPoint(3, 4)), QPoint(5, 7));
    EXPECT_EQ(ToPixels(QPoint(-1, -5)), QPoint(-2, -8));

    static_assert(ToPixelsX(1) == 2 && ToPixelsY(4) == 7, "usable in constant expressions");
}

TEST(DialogUnits, MapDialogRectMapsEachEdge)
{
    using dialog_units::MapDialogRect;
    // The right and bottom edges are mapped on their own, so the size is not
    // the mapped width: left 1 -> 2, right 4 -> 6 gives width 4 (width 3 alone
    // would be 5); top 1 -> 2, bottom 5 -> 8 gives height 6 (height 4 alone is 7).
    EXPECT_EQ(MapDialogRect(1, 1, 3, 4), QRect(2, 2, 4, 6));
    EXPECT_EQ(MapDialogRect(0, 0, 3, 4), QRect(0, 0, 5, 7));
    EXPECT_EQ(MapDialogRect(7, 14, 50, 14), QRect(11, 23, 75, 23));
    // Neighbours that share an edge in dialog units share it in pixels too.
    const QRect left = MapDialogRect(3, 3, 7, 9);
    const QRect right = MapDialogRect(10, 3, 5, 9);
    EXPECT_EQ(left.x() + left.width(), right.x());
    const QRect upper = MapDialogRect(3, 3, 7, 9);
    const QRect lower = MapDialogRect(3, 12, 7, 5);
    EXPECT_EQ(upper.y() + upper.height(), lower.y());
    // Negative positions and empty sizes.
    EXPECT_EQ(MapDialogRect(-3, -4, 3, 4), QRect(-5, -7, 5, 7));
    EXPECT_EQ(MapDialogRect(5, 5, 0, 0), QRect(8, 8, 0, 0));
}

// ---------------------------------------------------------------- font faces

TEST(PathText, SplitsAtTheLastSeparatorAndComparesIgnoringCase)
{
    QString directory, name;
    SplitPathName(&directory, &name, QStringLiteral("/home/show/Gala.qsx"));
    EXPECT_EQ(directory, QStringLiteral("/home/show/"));
    EXPECT_EQ(name, QStringLiteral("Gala.qsx"));
    SplitPathName(&directory, &name, QStringLiteral("Gala.qsx"));
    EXPECT_EQ(directory, QString());
    EXPECT_EQ(name, QStringLiteral("Gala.qsx"));
    SplitPathName(&directory, &name, QStringLiteral("/shows/"));
    EXPECT_EQ(directory, QStringLiteral("/shows/"));
    EXPECT_EQ(name, QString());

    EXPECT_TRUE(StrEqualNoCase(QStringLiteral("  000 blank scene"), QStringLiteral("  000 Blank Scene")));
    EXPECT_FALSE(StrEqualNoCase(QStringLiteral("Gala"), QStringLiteral("Gala ")));
}

TEST(FontFaces, MapsTheDesignFacesToLiberationSans)
{
    for (const char* face : {"Arial", "arial", "ARIAL", "Microsoft Sans Serif", "microsoft sans serif",
                             "Arial Black", "ARIAL BLACK", "arial black"})
        EXPECT_EQ(MappedFontFamily(QString::fromLatin1(face)), "Liberation Sans") << face;
    for (const char* face : {"Courier New", "Liberation Mono", "Arial Narrow", "Arial ", "", "Sans"})
        EXPECT_EQ(MappedFontFamily(QString::fromLatin1(face)), QString::fromLatin1(face)) << face;
}

TEST(FontFaces, MakeFontPicksFamilySizeAndWeight)
{
    const QFont black = MakeFont("Arial Black", 90, 300);
    EXPECT_EQ(black.family(), "Liberation Sans");
    EXPECT_EQ(black.weight(), QFont::Black);
    EXPECT_EQ(black.pixelSize(), 12);
    EXPECT_EQ(MakeFont("arial black", 80, 0).weight(), QFont::Black);

    const QFont regular = MakeFont("Arial", 90, 0);
    EXPECT_EQ(regular.family(), "Liberation Sans");
    EXPECT_EQ(regular.weight(), QFont::Normal);
    EXPECT_EQ(regular.pixelSize(), 12);

    EXPECT_EQ(MakeFont("Arial", 80, 700).weight(), QFont::Bold);
    EXPECT_EQ(MakeFont("Arial", 80, 700).pixelSize(), 11);
    EXPECT_EQ(MakeFont("Microsoft Sans Serif", 80, 400).weight(), QFont::Normal);
    EXPECT_EQ(MakeFont("Microsoft Sans Serif", 80, 400).family(), "Liberation Sans");
    EXPECT_EQ(MakeFont("Arial", 80, 2000).weight(), QFont::Black); // clamped to 900
    EXPECT_EQ(MakeFont("Arial", 80, 50).weight(), QFont::Thin);    // clamped to 100

    // A tiny size still gives a usable font.
    EXPECT_GE(MakeFont("Arial", 1, 400).pixelSize(), 1);

    // Faces the skin names are substituted for widgets too (the test main installs them).
    EXPECT_TRUE(QFont::substitutes("Arial").contains("Liberation Sans", Qt::CaseInsensitive));
    EXPECT_TRUE(QFont::substitutes("Arial Black").contains("Liberation Sans", Qt::CaseInsensitive));
}

// ---------------------------------------------------------------- colours

// ---------------------------------------------------------------- settings

TEST(SettingsStore, ReadsBackWhatWasWrittenThroughAFreshStore)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("settings.ini");

    {
        SettingsStore store(path);
        EXPECT_EQ(store.readString("Window", "Placement"), std::nullopt);
        EXPECT_TRUE(store.writeString("Window", "Placement", "44,1,-1,-1,-1,-1,10,20,810,620 0 0"));
        EXPECT_TRUE(store.writeString("Window", "Title", "  Stage = left; mics  "));
        EXPECT_TRUE(store.writeString("Other", "Empty", ""));
        EXPECT_EQ(store.readString("Window", "Missing"), std::nullopt);
        EXPECT_EQ(store.readString("Nowhere", "Placement"), std::nullopt);
        // The file exists before the store goes away: writes are flushed at once.
        EXPECT_TRUE(QFileInfo::exists(path));

        // A second store opened while the first still lives sees the values.
        SettingsStore reader(path);
        EXPECT_EQ(reader.readString("Window", "Placement"),
                  std::optional<QString>("44,1,-1,-1,-1,-1,10,20,810,620 0 0"));
    }

    SettingsStore again(path);
    EXPECT_EQ(again.readString("Window", "Placement"),
              std::optional<QString>("44,1,-1,-1,-1,-1,10,20,810,620 0 0"));
    EXPECT_EQ(again.readString("Window", "Title"), std::optional<QString>("  Stage = left; mics  "));
    EXPECT_EQ(again.readString("Other", "Empty"), std::optional<QString>(""));
    EXPECT_EQ(again.readString("Window", "Missing"), std::nullopt);

    // Overwriting replaces the value.
    EXPECT_TRUE(again.writeString("Window", "Placement", "0,1,2"));
    EXPECT_EQ(SettingsStore(path).readString("Window", "Placement"), std::optional<QString>("0,1,2"));
}

TEST(SettingsStore, WriteToAPlaceThatCannotBeWrittenFails)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString blocker = dir.filePath("plain");
    {
        QFile file(blocker);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    SettingsStore store(blocker + "/settings.ini");
    EXPECT_FALSE(store.writeString("Window", "Placement", "1"));
}

// ---------------------------------------------------------------- data folder

TEST(DataFolder, DataHomeFollowsAnAbsoluteXdgDataHomeOnly)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString home = QDir(dir.path()).canonicalPath();
    ScopedEnv homeEnv("HOME", home.toLocal8Bit());
    const QString fallback = home + "/.local/share";

    {
        ScopedEnv env("XDG_DATA_HOME", (home + "/xdg-data/").toLocal8Bit());
        EXPECT_EQ(XdgDataHome(), home + "/xdg-data"); // no trailing slash
        EXPECT_EQ(DataFolderPath(), home + "/xdg-data/Quellon/Corvane/");
    }
    {
        ScopedEnv env("XDG_DATA_HOME", "relative/data");
        EXPECT_EQ(XdgDataHome(), fallback);
        EXPECT_EQ(DataFolderPath(), fallback + "/Quellon/Corvane/");
    }
    {
        ScopedEnv env("XDG_DATA_HOME", "");
        EXPECT_EQ(XdgDataHome(), fallback);
    }
}

TEST(DataFolder, EnsureFolderCreatesTheWholeChain)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString nested = dir.filePath("a/b/c/Quellon/Corvane/");
    ASSERT_FALSE(QFileInfo::exists(nested));
    EXPECT_TRUE(EnsureFolder(nested));
    EXPECT_TRUE(QFileInfo(nested).isDir());
    EXPECT_TRUE(EnsureFolder(nested));      // already there
    EXPECT_TRUE(EnsureFolder(dir.path()));  // an existing folder

    // A regular file in the way is an error.
    const QString blocker = dir.filePath("plain");
    {
        QFile file(blocker);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_FALSE(EnsureFolder(blocker + "/sub"));
    EXPECT_FALSE(EnsureFolder(blocker));
}

// ---------------------------------------------------------------- process starter

namespace {

class RecordingStarter final : public ProcessStarter {
public:
    bool startDetached(const QString& program, const QStringList& arguments) override
    {
        lastProgram = program;
        lastArguments = arguments;
        return true;
    }
    QString lastProgram;
    QStringList lastArguments;
};

} // namespace
