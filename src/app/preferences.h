#pragma once

// The preferences: they travel inside every project file and are edited by
// the Preferences and meter preferences dialogs. Each starts at the value a
// project that never read a file writes. (The metering period lives with the
// unit network: g_MeterPeriodMs.)

extern int g_bPromptNewScene;
extern int g_bPromptRecallScene;
extern int g_bPromptSceneDelete;
extern int g_bPromptSceneReorder;
extern int g_bMuteLinkedChannels;
extern int g_bPeakHold10Sec;
extern int g_bPeakHold3Sec;
extern int g_bPeakHoldInfinite;
extern int g_bPeakHoldOff;
extern int g_nPeakHoldMs;        // 10000, 3000, -1 (infinite) or 0 (off)
extern int g_nRedZoneThreshold;  // 4 to 22
extern int g_bMeterPeakAndVu;
extern int g_bMeterPeakOverVu;
extern int g_bMeterVuOnly;
extern int g_bMeterPeakOnly;
extern int g_nDbuMaxLevelIndex;
extern int g_nDbuMaxLevel;       // 22, 18, 15, 12 or 9
extern int g_nDbfsRefLevelIndex;
extern int g_nDbfsRefLevel;      // -15, -18 or -20
extern int g_bMeterPrefsSet2;
extern int g_bMeterPrefsSet1;
extern int g_bMeterScaleDbu;
extern int g_bMeterScaleDbfs;
extern int g_nAutosaveMinutes;   // 1 to 60
extern int g_bAutosaveOff;

// Every preference back to its start value.
void ResetPreferences();
