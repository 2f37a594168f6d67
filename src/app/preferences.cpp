#include "app/preferences.h"

int g_bPromptNewScene;
int g_bPromptRecallScene;
int g_bPromptSceneDelete;
int g_bPromptSceneReorder;
int g_bMuteLinkedChannels;
int g_bPeakHold10Sec;
int g_bPeakHold3Sec;
int g_bPeakHoldInfinite;
int g_bPeakHoldOff;
int g_nPeakHoldMs;
int g_nRedZoneThreshold;
int g_bMeterPeakAndVu;
int g_bMeterPeakOverVu;
int g_bMeterVuOnly;
int g_bMeterPeakOnly;
int g_nDbuMaxLevelIndex;
int g_nDbuMaxLevel;
int g_nDbfsRefLevelIndex;
int g_nDbfsRefLevel;
int g_bMeterPrefsSet2;
int g_bMeterPrefsSet1;
int g_bMeterScaleDbu;
int g_bMeterScaleDbfs;
int g_nAutosaveMinutes;
int g_bAutosaveOff;

void ResetPreferences()
{
    g_bPromptNewScene = 0;
    g_bPromptRecallScene = 0;
    g_bPromptSceneDelete = 0;
    g_bPromptSceneReorder = 0;
    g_bMuteLinkedChannels = 1;
    g_bPeakHold10Sec = 0;
    g_bPeakHold3Sec = 1;
    g_bPeakHoldInfinite = 0;
    g_bPeakHoldOff = 0;
    g_nPeakHoldMs = 3000;
    g_nRedZoneThreshold = 20;
    g_bMeterPeakAndVu = 0;
    g_bMeterPeakOverVu = 1;
    g_bMeterVuOnly = 0;
    g_bMeterPeakOnly = 0;
    g_nDbuMaxLevelIndex = 0;
    g_nDbuMaxLevel = 22;
    g_nDbfsRefLevelIndex = 1;
    g_nDbfsRefLevel = -18;
    g_bMeterPrefsSet2 = 1;
    g_bMeterPrefsSet1 = 1;
    g_bMeterScaleDbu = 0;
    g_bMeterScaleDbfs = 1;
    g_nAutosaveMinutes = 10;
    g_bAutosaveOff = 1;
}

namespace {
[[maybe_unused]] const bool s_preferencesReady = (ResetPreferences(), true);
}
