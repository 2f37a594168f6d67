#pragma once

// The whole operator state of the console: fixed-size tables indexed by
// channel (0..383), slot (1..48), scene (0..199) or link group (index
// group - 1). They exist from program start, hold their start values before
// the main window is built, and are reached directly by index. Only the GUI
// thread touches them. The per-unit tables the network layer writes come in
// through protocol/unit_tables.h, so this header reaches every table.

#include <QString>
#include <Qt>

#include <array>
#include <atomic>
#include <cstdint>

#include "platform/colorref.h"
#include "protocol/numbering.h"
#include "protocol/unit_tables.h"

class CQuellonKR9SeriesDlg;
class QWidget;

template <typename T>
using SceneTable = std::array<T, kSceneCapacity>;
// A scene record's own number, which its scene-list line carries; 0 is none.
using SceneRecordId = std::uint64_t;
template <typename T>
using LinkGroupTable = std::array<T, kLinkGroupCount>;
// Unit names and notes are indexed by slot - 1; room is kept for 96.
template <typename T>
using UnitTextTable = std::array<T, 96>;

// The kind of a strip control: its control id divided by 1000.
enum StripControlKind : int {
    STRIP_POL = 3,
    STRIP_LINK = 4,
    STRIP_PAD = 5,
    STRIP_48V = 6,
    STRIP_MUTE = 7,
    STRIP_LINK_MENU = 8,
    STRIP_CHANNEL_TITLE = 9,
    STRIP_SPLIT = 10,
    STRIP_SAFE = 11,
    STRIP_RBIN = 12,
    STRIP_SQRT = 13,
};

// The control name a switch kind is sent to its unit with; null for the kinds
// that have no unit control (Link, Safe, menus and titles).
const char* StripControlName(int kind);

// Per-channel link bookkeeping of the main dialog; -1 means none.
struct ChannelLinkRecord {
    int channel = 0;
    int ownerSlot = -1;  // 1..48
    int unitType = -1;   // UnitType
    int linkGroup = -1;  // 0..9
};

// ---- per channel ----
extern ChannelTable<QString> g_ChannelTitle;          // "Ch %d" with channel + 1
extern ChannelTable<QString> g_ChannelNotes;
extern ChannelTable<QString> g_ChannelGainText;       // overview read-out, "%+d dB"
extern ChannelTable<QString> g_ChannelGainShortText;  // strip read-out, "%+d "
extern ChannelTable<QString> g_ChannelLinkLabel;      // group number as text, or "-"
extern ChannelTable<int> g_ChannelLinkGroup;          // 1..10, 0 = none
extern ChannelTable<int> g_ChannelLinkIndex;          // 0..9, -1 = none
extern ChannelTable<int> g_ChannelLinkOn;             // 1 while the Link switch is on
extern ChannelTable<int> g_ChannelSplitOn;            // 1 while the Split switch is on
extern ChannelTable<int> g_LinkedChannels;            // scratch list of one group's members

// ---- link matrix: index channel * 10 + group - 1; 1 where the channel is a member ----
extern std::array<int, kChannelCount * kLinkGroupCount> g_LinkMembership;

// ---- per slot (names and notes by slot - 1) ----
extern UnitTextTable<QString> g_UnitName;
extern UnitTextTable<QString> g_UnitNotes;

// ---- per scene; entry 0 is the fixed blank scene ----
extern SceneTable<QString> g_SceneName;
extern SceneTable<QString> g_SceneNotes;
extern SceneTable<int> g_SceneModified;
extern int g_nSceneCount;    // list items including the blank scene, 1..200
extern int g_nCurrentIndex;  // the active scene

// ---- per link group ----
extern LinkGroupTable<QString> g_LinkGroupTitle;
extern LinkGroupTable<QString> g_LinkGroupNotes;
extern LinkGroupTable<ColorRef> g_LinkGroupColor;
// The colours of groups 1..10, which the main dialog puts into g_LinkGroupColor.
extern const LinkGroupTable<ColorRef> kLinkGroupColors;

// ---- current item and mode ----
extern CQuellonKR9SeriesDlg* g_pMainDlg;
extern CQuellonKR9SeriesDlg* g_pWatchdogDlg;
// The window that SendMainCommand addresses; other threads read it too.
extern std::atomic<QWidget*> g_hMainWnd;
extern int g_nCurrentChannel;
extern int g_nLastGain;
// The strip command: the kind of control and the new state a strip control
// reports with g_nCurrentChannel before it sends ID_STRIP_COMMAND.
extern int g_nStripCommandKind;
extern int g_nStripCommandState;
// The modifier keys (Ctrl, Alt) held with the input event being handled:
// the strip controls note them before they raise a command.
extern Qt::KeyboardModifiers g_InputModifiers;
// Set while the link popup of a strip is opening.
extern bool g_bLinkPopupOpening;
// A channel is detached from its link group for a lone fader move (Alt or Shift).
extern bool g_bAltDetached;
extern bool g_bOverviewMode;
extern bool g_bScenesLocked;
extern bool g_bFaderDragging;
extern bool g_bInitialising;
extern bool g_bMainWindowReady;
extern bool g_bAll16ChannelUnits;
extern int g_nScreenDpi;
extern int g_nScreenWidth;
extern int g_nScreenHeight;
// Horizontal scrolling of the channel-strip view, in pixels.
extern int g_nHScrollPos;
extern int g_nHScrollRange;
extern QString g_strMessage;
extern QString g_strScratch;

// ---- the active scene ----
extern QString g_szActiveSceneName;    // name of the scene last created or recalled
extern bool g_bTrackActiveScene;       // the active scene's record follows every change
extern QString g_strActiveSceneLabel;  // "Active Scene: %03d"
extern QString g_strActiveSceneTitle;  // the active scene's name
// The line of a scene list item: "  %03d %s" (item 0 is the blank scene).
QString SceneLine(int index, const QString& name);
// The label under the scene caption: "Active Scene: %03d".
QString ActiveSceneLabel(int index);
extern const QString kBlankSceneLine;

// ---- the project ----
extern QString g_szProjectPath;   // full path of the project file
extern QString g_szProjectName;   // its file name, shown in the title
extern bool g_bProjectHasFile;    // saved to or loaded from a file
extern QString g_szLastDirectory; // the last used directory
extern QString g_szIniPath;       // the INI file in the data folder
extern int g_nWindowPosReserved;  // the reserved field of the stored window placement

// The "Unused" names of all 48 slots.
void SetUnusedUnitNames();

// Title and "Ch %d" default of a channel.
QString DefaultChannelTitle(int channel);

// Puts every table of the project state back to its start value.
void ResetProjectState();
