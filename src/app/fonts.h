#pragma once

#include <QBrush>
#include <QFont>
#include <QString>

// Solid light brushes of the Preferences dialog and the Yes/No boxes.
extern QBrush g_hbrPreferences;
extern QBrush g_hbrYesNoStatic;

// The fonts the views and dialogs draw with, made once at start-up and
// dropped at exit.
extern QFont g_hFontChannelNumber;
extern QFont g_hFontUnitHeader;
extern QFont g_hFontChannelScribble;
extern QFont g_hFontGainReadout;
extern QFont g_hFontLinkLabel;
extern QFont g_hFontMeter;
extern QFont g_hFontStatusBoxNumber;
extern QFont g_hFontActiveScene;
extern QFont g_hFontPreferences;
extern QFont g_hFontOverviewChannelNumber;
extern QFont g_hFontOverviewUnitName;
extern QFont g_hFontOverviewGain;
extern QFont g_hFontOverviewScribble;
extern QFont g_hFontSceneList;
extern QFont g_fontMenu;

// A font of the given face, size in tenths of a point and weight.
QFont CreateFontForDc(const QString& face, int tenthsOfPoint, int weight);

// Every font of the channel-strip view and the dialogs (all but the overview's
// and the scene list's), then the four overview fonts, then the scene list's.
void CreateStripViewFonts();
void CreateOverviewFonts();
void CreateSceneListFont();
// The menu font: an 18-pixel cell of "Microsoft Sans Serif", weight 500.
void CreateMenuFont();

// Every font above, in that order: what start-up makes before it builds any
// window that draws text.
void CreateProgramFonts();

// Drops every font made above.
void DeleteFonts();
