#include "app/project_state.h"

ChannelTable<QString> g_ChannelTitle;
ChannelTable<QString> g_ChannelNotes;
ChannelTable<QString> g_ChannelGainText;
ChannelTable<QString> g_ChannelGainShortText;
ChannelTable<QString> g_ChannelLinkLabel;
ChannelTable<int> g_ChannelLinkGroup;
ChannelTable<int> g_ChannelLinkIndex;
ChannelTable<int> g_ChannelLinkOn;
ChannelTable<int> g_ChannelSplitOn;
ChannelTable<int> g_LinkedChannels;
std::array<int, kChannelCount * kLinkGroupCount> g_LinkMembership;

UnitTextTable<QString> g_UnitName;
UnitTextTable<QString> g_UnitNotes;

SceneTable<QString> g_SceneName;
SceneTable<QString> g_SceneNotes;
SceneTable<int> g_SceneModified;
int g_nSceneCount;
int g_nCurrentIndex;

LinkGroupTable<QString> g_LinkGroupTitle;
LinkGroupTable<QString> g_LinkGroupNotes;
LinkGroupTable<ColorRef> g_LinkGroupColor;
const LinkGroupTable<ColorRef> kLinkGroupColors = {
    0xEEAC5F, 0x3A7BFF, 0x49DDF4, 0xB8A0FF, 0xFFE17A,
    0x93C200, 0x00CFB8, 0xFF6115, 0xDDDDDD, 0xFFFFFF,
};

CQuellonKR9SeriesDlg* g_pMainDlg = nullptr;
CQuellonKR9SeriesDlg* g_pWatchdogDlg = nullptr;
std::atomic<QWidget*> g_hMainWnd{nullptr};
int g_nCurrentChannel;
int g_nLastGain;
int g_nStripCommandKind;
int g_nStripCommandState;
Qt::KeyboardModifiers g_InputModifiers;
bool g_bLinkPopupOpening;
bool g_bAltDetached;
bool g_bOverviewMode;
bool g_bScenesLocked;
bool g_bFaderDragging;
bool g_bInitialising;
bool g_bMainWindowReady;
bool g_bAll16ChannelUnits;
int g_nScreenDpi;
int g_nScreenWidth;
int g_nScreenHeight;
int g_nHScrollPos;
int g_nHScrollRange;
QString g_strMessage;
QString g_strScratch;

QString g_szActiveSceneName;
bool g_bTrackActiveScene;
QString g_strActiveSceneLabel;
QString g_strActiveSceneTitle;
const QString kBlankSceneLine = QStringLiteral("  000 Blank Scene");

QString SceneLine(int index, const QString& name)
{
    return index == 0 ? kBlankSceneLine : QString::asprintf("  %03d ", index) + name;
}

QString ActiveSceneLabel(int index)
{
    return QString::asprintf("Active Scene: %03d", index);
}

QString g_szProjectPath;
QString g_szProjectName;
bool g_bProjectHasFile;
QString g_szLastDirectory;
QString g_szIniPath;
int g_nWindowPosReserved;

void SetUnusedUnitNames()
{
    // A 16-channel unit carries the same name in both of its slots.
    for (int unit = 1; unit <= 16; ++unit) {
        const QString name = QStringLiteral("KR-960 Unit %1 Unused").arg(unit);
        g_UnitName[2 * unit - 2] = name;
        g_UnitName[2 * unit - 1] = name;
    }
    for (int unit = 17; unit <= kUnitCount; ++unit)
        g_UnitName[unit + 15] = QStringLiteral("KR-9X Unit %1 Unused").arg(unit);
}

QString DefaultChannelTitle(int channel)
{
    return QStringLiteral("Ch %1").arg(channel + 1);
}

namespace {

// The tables of this file only: the unit tables of the network layer are
// another file's, with their own start-up.
void ResetAppTables()
{
    for (int ch = 0; ch < kChannelCount; ++ch)
        g_ChannelTitle[ch] = DefaultChannelTitle(ch);
    g_ChannelNotes.fill(QString());
    g_ChannelGainText.fill(QStringLiteral("+ 6 dB"));
    g_ChannelGainShortText.fill(QStringLiteral("+6 "));
    g_ChannelLinkLabel.fill(QStringLiteral("-"));
    g_ChannelLinkGroup.fill(0);
    g_ChannelLinkIndex.fill(-1);
    g_ChannelLinkOn.fill(0);
    g_ChannelSplitOn.fill(0);
    g_LinkedChannels.fill(0);
    g_LinkMembership.fill(0);

    for (QString& name : g_UnitName)
        name.clear();
    SetUnusedUnitNames();
    g_UnitNotes.fill(QString());

    g_SceneName.fill(QString());
    g_SceneNotes.fill(QString());
    g_SceneModified.fill(0);
    g_nSceneCount = 1;
    g_nCurrentIndex = 0;

    g_LinkGroupTitle.fill(QString());
    g_LinkGroupNotes.fill(QString());
    g_LinkGroupColor.fill(0);

    g_nCurrentChannel = 0;
    g_nLastGain = 0;
    g_nStripCommandKind = 0;
    g_nStripCommandState = 0;
    g_InputModifiers = Qt::NoModifier;
    g_bLinkPopupOpening = false;
    g_bAltDetached = false;
    g_bOverviewMode = false;
    g_bScenesLocked = false;
    g_bFaderDragging = false;
    g_bInitialising = true;
    g_bMainWindowReady = false;
    g_bAll16ChannelUnits = true;
    g_nScreenDpi = 96;
    g_nScreenWidth = 0;
    g_nScreenHeight = 0;
    g_nHScrollPos = 0;
    g_nHScrollRange = 0;
    g_strMessage.clear();
    g_strScratch.clear();

    g_szActiveSceneName.clear();
    g_bTrackActiveScene = false;
    g_strActiveSceneLabel = ActiveSceneLabel(0);
    g_strActiveSceneTitle = kBlankSceneLine;
    g_szProjectPath.clear();
    g_szProjectName.clear();
    g_bProjectHasFile = false;
    g_szLastDirectory.clear();
    g_szIniPath.clear();
    g_nWindowPosReserved = 0;
}

// The tables hold their start values before the application object starts.
[[maybe_unused]] const bool s_projectStateReady = (ResetAppTables(), true);

} // namespace

void ResetProjectState()
{
    ResetAppTables();
    ResetUnitTables();
}

const char* StripControlName(int kind)
{
    switch (kind) {
    case STRIP_POL:
        return "Pol";
    case STRIP_PAD:
        return "Pad";
    case STRIP_48V:
        return "48v";
    case STRIP_MUTE:
        return "Mute";
    case STRIP_SPLIT:
        return "Split";
    case STRIP_RBIN:
        return "Rbin";
    case STRIP_SQRT:
        return "Sqrt";
    default:
        return nullptr;
    }
}
