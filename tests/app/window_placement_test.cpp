#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/project_state.h"
#include "app/window_placement.h"
#include "platform/settings_store.h"

namespace {

// A maximised window, stored as "2,3,-1,-1,-8,-8,301,150,1629,930".
const WindowPlacement kPlacement{WindowPlacement::kRestoreToMaximized,
                                 WindowPlacement::kShowMaximized, -1, -1, -8, -8, 301, 150, 1629, 930};

} // namespace

TEST(WindowPos, RoundTripsEveryField)
{
    const StoredWindowPos v{kPlacement, 0, 7};
    const auto parsed = ParseWindowPos(FormatWindowPos(v));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->placement, v.placement);
    EXPECT_EQ(parsed->viewMode, 0);
    EXPECT_EQ(parsed->reserved, 7);
}

TEST(WindowPos, RefusesAnythingButTwelveWellFormedFields)
{
    for (const char* bad : {
             "",
             "garbage",
             "2,3,-1,-1,-8,-8,301,150,1629,930 1",      // eleven fields
             "2,3,-1,-1,-8,-8,301,150,1629 930 1 0",    // blank where a comma belongs
             "2,3,-1,-1,-8,-8,301,150,1629,930,1,0",    // commas where blanks belong
             "-2,3,-1,-1,-8,-8,301,150,1629,930 1 0",   // signed flags
             "2,3,-1,-1,-8,-8,301,150,1629,930 1 0 junk",
             "2,3,-1,-1,-8,-8,301,150,1629,99999999999 1 0",
             "2,3,a,-1,-8,-8,301,150,1629,930 1 0",
         }) {
        EXPECT_FALSE(ParseWindowPos(QString::fromLatin1(bad))) << bad;
    }
    EXPECT_TRUE(ParseWindowPos(QStringLiteral("0,1,0,0,0,0,0,0,10,10 0 0\n")));
}

TEST(WindowPos, LoadTakesTheViewModeOnlyFromAValidValue)
{
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("settings.ini")));
    WindowPlacement out;

    g_bOverviewMode = false;
    EXPECT_FALSE(LoadWindowPlacement(settings, &out)); // nothing stored yet
    EXPECT_FALSE(g_bOverviewMode);

    settings.writeString(QStringLiteral("Settings"), QStringLiteral("WindowPos"),
                         QStringLiteral("2,3,-1,-1,-8,-8,301,150,1629,930 1"));
    EXPECT_FALSE(LoadWindowPlacement(settings, &out));
    EXPECT_FALSE(g_bOverviewMode);

    g_nWindowPosReserved = 0;
    settings.writeString(QStringLiteral("Settings"), QStringLiteral("WindowPos"),
                         QStringLiteral("2,3,-1,-1,-8,-8,301,150,1629,930 1 5"));
    ASSERT_TRUE(LoadWindowPlacement(settings, &out));
    EXPECT_TRUE(g_bOverviewMode);
    EXPECT_EQ(g_nWindowPosReserved, 5);
    EXPECT_EQ(out, kPlacement);
}

// Twelve fields, commas between the first ten and blanks before the last two.
TEST(WindowPos, SaveWritesTheViewModeAndAZeroReservedField)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    {
        SettingsStore settings(path);
        g_bOverviewMode = true;
        g_nWindowPosReserved = 9;
        ASSERT_TRUE(SaveWindowPlacement(settings, kPlacement));
    }
    SettingsStore reopened(path);
    EXPECT_EQ(reopened.readString(QStringLiteral("Settings"), QStringLiteral("WindowPos")),
              QStringLiteral("2,3,-1,-1,-8,-8,301,150,1629,930 1 0"));
}
