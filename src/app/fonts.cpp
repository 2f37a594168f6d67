#include "app/fonts.h"

#include "platform/font_faces.h"

#include <QFontMetrics>

QBrush g_hbrPreferences;
QBrush g_hbrYesNoStatic;

QFont g_hFontChannelNumber;
QFont g_hFontUnitHeader;
QFont g_hFontChannelScribble;
QFont g_hFontGainReadout;
QFont g_hFontLinkLabel;
QFont g_hFontMeter;
QFont g_hFontStatusBoxNumber;
QFont g_hFontActiveScene;
QFont g_hFontPreferences;
QFont g_hFontOverviewChannelNumber;
QFont g_hFontOverviewUnitName;
QFont g_hFontOverviewGain;
QFont g_hFontOverviewScribble;
QFont g_hFontSceneList;
QFont g_fontMenu;

namespace {

enum class FontGroup { StripView, Overview, SceneList };

struct FontEntry {
    QFont* font;
    const char* face;
    int tenthsOfPoint;
    int weight;
    FontGroup group;
};

// The fonts table, in the order the fonts are made.
const FontEntry kFonts[] = {
    {&g_hFontChannelNumber, "Arial Black", 150, 400, FontGroup::StripView},
    {&g_hFontUnitHeader, "Arial Black", 80, 400, FontGroup::StripView},
    {&g_hFontChannelScribble, "Microsoft Sans Serif", 71, 900, FontGroup::StripView},
    {&g_hFontGainReadout, "Arial", 136, 700, FontGroup::StripView},
    {&g_hFontLinkLabel, "Arial Black", 90, 300, FontGroup::StripView},
    {&g_hFontMeter, "Arial", 80, 400, FontGroup::StripView},
    {&g_hFontStatusBoxNumber, "Arial Black", 90, 400, FontGroup::StripView},
    {&g_hFontActiveScene, "Arial", 90, 900, FontGroup::StripView},
    {&g_hFontPreferences, "Arial", 90, 400, FontGroup::StripView},
    {&g_hFontOverviewChannelNumber, "Arial Black", 90, 400, FontGroup::Overview},
    {&g_hFontOverviewUnitName, "Arial Black", 80, 400, FontGroup::Overview},
    {&g_hFontOverviewGain, "Arial", 66, 700, FontGroup::Overview},
    {&g_hFontOverviewScribble, "Arial Black", 70, 300, FontGroup::Overview},
    {&g_hFontSceneList, "Arial", 100, 400, FontGroup::SceneList},
};

void CreateGroup(FontGroup group)
{
    for (const FontEntry& entry : kFonts) {
        if (entry.group == group)
            *entry.font = CreateFontForDc(QString::fromLatin1(entry.face), entry.tenthsOfPoint,
                                          entry.weight);
    }
}

} // namespace

QFont CreateFontForDc(const QString& face, int tenthsOfPoint, int weight)
{
    return MakeFont(face, tenthsOfPoint, weight);
}

void CreateStripViewFonts()
{
    CreateGroup(FontGroup::StripView);
}

void CreateOverviewFonts()
{
    CreateGroup(FontGroup::Overview);
}

void CreateSceneListFont()
{
    CreateGroup(FontGroup::SceneList);
}

void CreateMenuFont()
{
    // The menu font is described by its cell height (ascent + descent) of 18
    // pixels rather than by a point size.
    constexpr int kCellHeight = 18;
    QFont font = MakeFont(QStringLiteral("Microsoft Sans Serif"), 0, 500);
    font.setPixelSize(kCellHeight);
    const int cell = QFontMetrics(font).height();
    if (cell > 0)
        font.setPixelSize(std::max(1, kCellHeight * kCellHeight / cell));
    g_fontMenu = font;
}

void CreateProgramFonts()
{
    CreateStripViewFonts();
    CreateOverviewFonts();
    CreateSceneListFont();
    CreateMenuFont();
}

void DeleteFonts()
{
    for (const FontEntry& entry : kFonts)
        *entry.font = QFont();
    g_fontMenu = QFont();
}
