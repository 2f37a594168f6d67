#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QTemporaryDir>

#include "platform/data_folder.h"
#include "platform/dialog_units.h"
#include "platform/font_faces.h"
#include "platform/image_list.h"
#include "platform/path_text.h"
#include "platform/settings_store.h"

#include "qt_printers.h"

#include <optional>
#include <utility>

namespace {

// Sets an environment variable for the lifetime of the object and puts the
// old value (or its absence) back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_hadValue(qEnvironmentVariableIsSet(name)), m_oldValue(qgetenv(name))
    {
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
    bool m_hadValue;
    QByteArray m_oldValue;
};

// A regular file where a folder is expected.
QString PlainFile(const QTemporaryDir& dir)
{
    const QString path = dir.filePath("plain");
    QFile file(path);
    return file.open(QIODevice::WriteOnly) ? path : QString();
}

} // namespace

TEST(DialogUnits, ConvertToPixelsRoundingHalvesAwayFromZero)
{
    using namespace dialog_units;
    // x * 6 / 4 and y * 13 / 8: {units, x pixels, y pixels}.
    const int cases[][3] = {
        {0, 0, 0},   {1, 2, 2},    // 1.5 -> 2, 1.625 -> 2
        {3, 5, 5},   {4, 6, 7},    // 4.5 -> 5, 6.5 -> 7
        {5, 8, 8},   {-1, -2, -2}, // 8.125 -> 8; halves away from zero below it too
        {-3, -5, -5}, {-4, -6, -7}, {-5, -8, -8},
    };
    for (const auto& [units, x, y] : cases) {
        EXPECT_EQ(ToPixelsX(units), x) << units;
        EXPECT_EQ(ToPixelsY(units), y) << units;
    }
    // Large layouts do not overflow on the way.
    EXPECT_EQ(ToPixelsX(1'000'000'000), 1'500'000'000);
    static_assert(ToPixelsX(1) == 2 && ToPixelsY(4) == 7, "usable in constant expressions");
}

// Only the exact mask colour goes transparent; a narrower rest is left out.
TEST(ImageList, CutsWholeImagesAndMasksOnlyTheMaskColour)
{
    QImage strip(37, 4, QImage::Format_RGB32);
    strip.fill(qRgb(210, 238, 255));
    strip.setPixel(17, 2, qRgb(210, 238, 254)); // one step off the mask colour
    ImageList list;
    ASSERT_TRUE(list.Create(strip, 16, qRgb(210, 238, 255)));
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.imageSize(), QSize(16, 4));
    EXPECT_EQ(qAlpha(list.image(1).pixel(0, 0)), 0);
    EXPECT_EQ(list.image(1).pixel(1, 2), qRgb(210, 238, 254));
    EXPECT_FALSE(list.Create(strip, 40, qRgb(210, 238, 255)));
    EXPECT_EQ(list.count(), 0);
}

TEST(PathText, SplitsAtTheLastSeparatorAndComparesIgnoringCase)
{
    const auto split = [](const QString& path) {
        QString directory, name;
        SplitPathName(&directory, &name, path);
        return std::pair{directory, name};
    };
    EXPECT_EQ(split("/home/show/Gala.qsx"), std::pair(QString("/home/show/"), QString("Gala.qsx")));
    EXPECT_EQ(split("Gala.qsx"), std::pair(QString(), QString("Gala.qsx")));
    EXPECT_EQ(split("/shows/"), std::pair(QString("/shows/"), QString()));

    EXPECT_TRUE(StrEqualNoCase(QStringLiteral("  000 blank scene"), QStringLiteral("  000 Blank Scene")));
    EXPECT_FALSE(StrEqualNoCase(QStringLiteral("Gala"), QStringLiteral("Gala ")));
}

// File names are bytes: every name, UTF-8 or not, goes to text and back to
// exactly its bytes, and is shown with U+FFFD where a byte is not text.
TEST(PathText, NativeNamesRoundTripByteForByte)
{
    const QByteArray names[] = {
        "/shows/Gala.qsx",
        "/shows/latin1-\xe9\xff.qsx",               // Latin-1
        "/shows/caf\xc3\xa9 \xf0\x9f\x8e\xb5.qsx", // UTF-8 with a character beyond U+FFFF
        "/shows/\xed\xb2\x80.qsx",                // a surrogate's UTF-8 form: not text
        "/shows/\xc0\xaf\xe2\x82.qsx",            // an overlong form and a cut-off sequence
        "/shows/\xf0\x90\x82\x80\xb2.qsx",        // U+10080 (its low half is U+DC80) and a lone byte
        "/shows/\xef\xbb\xbf" "bom\xef\xbb\xbf.qsx",   // U+FEFF, which a decoder may take for a byte-order mark
        "\xff",
        "",
    };
    for (const QByteArray& name : names) {
        const QString text = PathFromNative(name);
        EXPECT_EQ(NativeFromPath(text), name) << name.toHex().toStdString();
    }
    EXPECT_EQ(PathFromNative("/shows/caf\xc3\xa9.qsx"), QString::fromUtf8("/shows/caf\xc3\xa9.qsx"));
    EXPECT_EQ(DisplayPath(PathFromNative("/shows/latin1-\xe9\xff.qsx")),
              QString::fromUtf8("/shows/latin1-\xef\xbf\xbd\xef\xbf\xbd.qsx"));
    EXPECT_EQ(DisplayPath(PathFromNative("/a/\xf0\x90\x82\x80")), QString::fromUtf8("/a/\xf0\x90\x82\x80"));
    // What Qt's chooser gives for such a name can no longer reach the file.
    EXPECT_TRUE(PathLostInDecoding(QString::fromLocal8Bit("/shows/latin1-\xe9.qsx")));
    EXPECT_FALSE(PathLostInDecoding(PathFromNative("/shows/latin1-\xe9.qsx")));
}

TEST(FontFaces, MapsTheDesignFacesAndPicksSizeAndWeight)
{
    for (const char* face : {"arial", "MICROSOFT SANS SERIF", "Arial Black"})
        EXPECT_EQ(MappedFontFamily(QString::fromLatin1(face)), "Liberation Sans") << face;
    // Only the whole names: neither a longer face nor a trailing blank.
    for (const char* face : {"Courier New", "Arial Narrow", "Arial ", ""})
        EXPECT_EQ(MappedFontFamily(QString::fromLatin1(face)), QString::fromLatin1(face)) << face;

    // The black face has its one weight whatever is asked.
    EXPECT_EQ(MakeFont("arial black", 90, 300).weight(), QFont::Black);
    EXPECT_EQ(MakeFont("Arial", 90, 700).weight(), QFont::Bold);
    // Tenths of a point at 96 dpi, rounded: 9 pt is 12 px, 8 pt 10.67 -> 11 px.
    EXPECT_EQ(MakeFont("Arial", 90, 400).pixelSize(), 12);
    EXPECT_EQ(MakeFont("Arial", 90, 400).family(), "Liberation Sans");
    EXPECT_EQ(MakeFont("Arial", 80, 700).pixelSize(), 11);
    EXPECT_GE(MakeFont("Arial", 0, 500).pixelSize(), 1); // a zero size still gives a usable font

    // Faces the skin names are substituted for widgets too (the test main installs them).
    EXPECT_TRUE(QFont::substitutes("Arial").contains("Liberation Sans", Qt::CaseInsensitive));
    EXPECT_TRUE(QFont::substitutes("Arial Black").contains("Liberation Sans", Qt::CaseInsensitive));
}

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
        // Written at once: a second store opened while the first lives sees the value.
        EXPECT_EQ(SettingsStore(path).readString("Window", "Placement"),
                  std::optional<QString>("44,1,-1,-1,-1,-1,10,20,810,620 0 0"));
    }
    SettingsStore again(path);
    EXPECT_EQ(again.readString("Window", "Title"), std::optional<QString>("  Stage = left; mics  "));
    EXPECT_EQ(again.readString("Other", "Empty"), std::optional<QString>("")); // empty, not missing
    EXPECT_EQ(again.readString("Window", "Missing"), std::nullopt);
    EXPECT_TRUE(again.writeString("Window", "Placement", "0,1,2"));
    EXPECT_EQ(SettingsStore(path).readString("Window", "Placement"), std::optional<QString>("0,1,2"));

    // Under a regular file nothing can be written, and the store says so.
    const QString blocker = PlainFile(dir);
    ASSERT_FALSE(blocker.isEmpty());
    EXPECT_FALSE(SettingsStore(blocker + "/settings.ini").writeString("Window", "Placement", "1"));
}

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
    for (const QByteArray& ignored : {QByteArray("relative/data"), QByteArray()}) {
        ScopedEnv env("XDG_DATA_HOME", ignored);
        EXPECT_EQ(XdgDataHome(), fallback) << ignored.constData();
    }
}

TEST(DataFolder, EnsureFolderCreatesTheWholeChain)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString nested = dir.filePath("a/b/c/Quellon/Corvane/");
    EXPECT_TRUE(EnsureFolder(nested));
    EXPECT_TRUE(QFileInfo(nested).isDir());
    EXPECT_TRUE(EnsureFolder(nested)); // already there

    // A regular file in the way is an error.
    const QString blocker = PlainFile(dir);
    ASSERT_FALSE(blocker.isEmpty());
    EXPECT_FALSE(EnsureFolder(blocker + "/sub"));
    EXPECT_FALSE(EnsureFolder(blocker));
}
