#include "dialogs/preferences_dialog.h"

#include "app/app_services.h"
#include "app/fonts.h"
#include "app/main_dialog.h"
#include "app/preferences.h"
#include "app/project_state.h"
#include "dialogs/autosave_dialog.h"
#include "dialogs/metering_dialog.h"
#include "protocol/unit_network.h"

#include <QApplication>

namespace {

enum : int { kBlockRate = 1, kBlockUnitMode = 2 };

constexpr int kRateRadios[] = {
    CPreferences::IDC_EVERY_50MS,  CPreferences::IDC_EVERY_100MS, CPreferences::IDC_EVERY_200MS,
    CPreferences::IDC_EVERY_500MS, CPreferences::IDC_EVERY_1000MS,
};
constexpr int kRatePeriods[] = {50, 100, 200, 500, 1000};

// Controls that take the Preferences font.
constexpr int kPreferencesFontControls[] = {
    CPreferences::IDC_PROMPT_NEW,      CPreferences::IDC_PROMPT_RECALL,
    CPreferences::IDC_PROMPT_DELETE,   CPreferences::IDC_PROMPT_REORDER,
    CPreferences::IDC_MUTE_LINKED,     CPreferences::IDC_EVERY_50MS,
    CPreferences::IDC_EVERY_100MS,     CPreferences::IDC_EVERY_200MS,
    CPreferences::IDC_EVERY_500MS,     CPreferences::IDC_EVERY_1000MS,
    CPreferences::IDC_SCENE_PROMPTS_GROUP, CPreferences::IDC_UPDATE_RATE_GROUP,
};

std::function<void(int)>& UnitModePictureHandler()
{
    static std::function<void(int)> handler;
    return handler;
}

// The light background of the dialog; the main window makes the shared
// brush at start-up, and a dialog opened before that uses the same colour.
QColor PreferencesBackground()
{
    if (g_hbrPreferences.style() == Qt::SolidPattern)
        return g_hbrPreferences.color();
    return QColor(250, 250, 250);
}

} // namespace

void CPreferences::SetUnitModePictureHandler(std::function<void(int)> handler)
{
    UnitModePictureHandler() = std::move(handler);
}

CPreferences::CPreferences(QWidget* parent) : CSkinnedDialog(Layout(), FrameStyle::Skinned, parent)
{
    SetSkinTitle(QStringLiteral("Preferences"));
    SetDragHandle(DragHandle::LogoStatic);
    CreateFormItems(this, FormItems());
    SetColours(PreferencesBackground(), QColor(255, 255, 255));
}

CPreferences::~CPreferences() = default;

DialogTemplate CPreferences::Layout()
{
    DialogTemplate t = SkinLayout(kTemplateId, 239, 174, QStringLiteral("Preferences"), QStringLiteral("MS Sans Serif"));
    const auto placeholder = [&t](int id, int x, int y, int cx, int cy, const char* text) {
        t.items.push_back({id, DialogItemKind::Static, x, y, cx, cy, QString::fromLatin1(text), 0});
    };
    placeholder(IDC_METERING, 20, 96, 48, 16, "METERING");
    placeholder(IDC_AUTOSAVE, 88, 96, 48, 16, "AUTOSAVE");
    placeholder(IDC_CLEAR_ALL_LINKS, 150, 96, 61, 16, "CLEAR ALL LINKS");
    placeholder(IDC_PREFS_OK, 68, 148, 36, 14, "OK");
    placeholder(IDC_PREFS_CANCEL, 117, 148, 36, 14, "Cancel");
    return t;
}

std::vector<FormItem> CPreferences::FormItems()
{
    const auto check = [](int id, int x, int y, int cx, const char* s) {
        return FormItem{id, FormItemKind::CheckBox, x, y, cx, 10, QString::fromLatin1(s), 0, 0};
    };
    const auto radio = [](int id, int x, int y, int cx, const char* s, int block, unsigned flags) {
        return FormItem{id, FormItemKind::Radio, x, y, cx, 10, QString::fromLatin1(s), flags, block};
    };
    return {
        {IDC_SCENE_PROMPTS_GROUP, FormItemKind::GroupBox, 7, 26, 128, 64,
         QStringLiteral(" Scene Prompts"), 0, 0},
        check(IDC_PROMPT_NEW, 9, 37, 120, "Prompt for &New Scene"),
        check(IDC_PROMPT_RECALL, 9, 47, 120, "Prompt for &Recall Scene"),
        check(IDC_PROMPT_DELETE, 9, 57, 120, "Prompt for Scene &Delete"),
        check(IDC_PROMPT_REORDER, 9, 67, 120, "Prompt for Scene Re-&ordering"),
        {IDC_UPDATE_RATE_GROUP, FormItemKind::GroupBox, 139, 26, 92, 64,
         QStringLiteral("Ethernet Update Rate"), 0, 0},
        radio(IDC_EVERY_50MS, 145, 37, 82, "Every &50 msec", kBlockRate, 0),
        radio(IDC_EVERY_100MS, 145, 47, 82, "Every &100 msec", kBlockRate, 0),
        radio(IDC_EVERY_200MS, 145, 57, 82, "Every &200 msec", kBlockRate, 0),
        radio(IDC_EVERY_500MS, 145, 67, 82, "Every 500 &msec", kBlockRate, 0),
        radio(IDC_EVERY_1000MS, 145, 76, 82, "Every 1,000 m&sec", kBlockRate, 0),
        check(IDC_MUTE_LINKED, 19, 118, 100, "Mute linked channels"),
        radio(IDC_ALL_16_CHANNEL, 115, 120, 110, "16-Channel KR-960s only", kBlockUnitMode,
              kFormHidden),
        radio(IDC_MIXED_8_AND_16, 115, 132, 110, "Mixed 8 and 16 Channels", kBlockUnitMode,
              kFormHidden),
    };
}

bool CPreferences::OnInitDialog()
{
    CSkinnedDialog::OnInitDialog();
    m_bRestartNeeded = false;
    m_bConfirmNeeded = false;
    CreateSkinButton(m_btnMetering, IDC_METERING, CBrannockButton::kBmpHoverTall,
                     QStringLiteral("Metering"), QStringLiteral(" Metering "));
    CreateSkinButton(m_btnAutosave, IDC_AUTOSAVE, CBrannockButton::kBmpHover,
                     QStringLiteral("Autosave"), QStringLiteral(" Autosave "));
    CreateSkinButton(m_btnClearAllLinks, IDC_CLEAR_ALL_LINKS, CBrannockButton::kBmpHoverWide,
                     QStringLiteral("Clear All Links"), QStringLiteral(" Clear All Links "));
    CreateSkinButton(m_btnOK, IDC_PREFS_OK, CBrannockButton::kBmpHover, QStringLiteral("OK"),
                     QStringLiteral(" OK "));
    CreateSkinButton(m_btnCancel, IDC_PREFS_CANCEL, CBrannockButton::kBmpHover,
                     QStringLiteral("Cancel"), QStringLiteral(" Cancel "));

    if (g_hFontPreferences != QFont()) {
        for (int id : kPreferencesFontControls) {
            if (QWidget* control = GetDlgItem(id))
                control->setFont(g_hFontPreferences);
        }
    }

    CheckDlgButton(this, IDC_PROMPT_RECALL, g_bPromptRecallScene != 0);
    CheckDlgButton(this, IDC_PROMPT_DELETE, g_bPromptSceneDelete != 0);
    CheckDlgButton(this, IDC_PROMPT_NEW, g_bPromptNewScene != 0);
    CheckDlgButton(this, IDC_PROMPT_REORDER, g_bPromptSceneReorder != 0);

    // A period the list does not offer checks no rate.
    for (std::size_t i = 0; i < std::size(kRateRadios); ++i)
        CheckDlgButton(this, kRateRadios[i], g_MeterPeriodMs == kRatePeriods[i]);

    CheckDlgButton(this, IDC_MUTE_LINKED, g_bMuteLinkedChannels != 0);

    if (g_bAll16ChannelUnits) {
        CheckDlgButton(this, IDC_ALL_16_CHANNEL, true);
        g_bAll16ChannelUnits = true;
        m_nInitialMode = 1;
    } else {
        CheckDlgButton(this, IDC_MIXED_8_AND_16, true);
        g_bAll16ChannelUnits = false;
        m_nInitialMode = 2;
    }
    m_nInitialModeForCancel = m_nInitialMode;
    return true;
}

void CPreferences::OnCommand(int id)
{
    switch (id) {
    case IDC_PROMPT_NEW:
        g_bPromptNewScene = !g_bPromptNewScene;
        break;
    case IDC_PROMPT_RECALL:
        g_bPromptRecallScene = !g_bPromptRecallScene;
        break;
    case IDC_PROMPT_DELETE:
        g_bPromptSceneDelete = !g_bPromptSceneDelete;
        break;
    case IDC_PROMPT_REORDER:
        g_bPromptSceneReorder = !g_bPromptSceneReorder;
        break;
    case IDC_EVERY_50MS:
        OnEvery50ms();
        break;
    case IDC_EVERY_100MS:
        OnEvery100ms();
        break;
    case IDC_EVERY_200MS:
        OnEvery200ms();
        break;
    case IDC_EVERY_500MS:
        OnEvery500ms();
        break;
    case IDC_EVERY_1000MS:
        OnEvery1000ms();
        break;
    case IDC_MUTE_LINKED:
        OnMuteLinkedChannels();
        break;
    case IDC_METERING:
        OnMetering();
        break;
    case IDC_AUTOSAVE:
        OnAutosave();
        break;
    case IDC_CLEAR_ALL_LINKS:
        OnClearAllLinks();
        break;
    case IDC_ALL_16_CHANNEL:
        OnSixteenChannelUnitsOnly();
        break;
    case IDC_MIXED_8_AND_16:
        OnMixedEightAndSixteen();
        break;
    case IDC_PREFS_OK:
        OnOKButton();
        break;
    case IDC_PREFS_CANCEL:
        OnCancelButton();
        break;
    default:
        CSkinnedDialog::OnCommand(id);
        break;
    }
}

void CPreferences::SetUpdateRate(int periodMs, int radioId)
{
    g_MeterPeriodMs = periodMs;
    // The units take the new period at once, KR-9X first.
    if (g_pMainDlg) {
        g_pMainDlg->SetMeterRate_KR9X(periodMs);
        g_pMainDlg->SetMeterRate_KR960_8();
        g_pMainDlg->SetMeterRate_KR960();
    }
    for (int id : kRateRadios)
        CheckDlgButton(this, id, id == radioId);
}

void CPreferences::OnMuteLinkedChannels()
{
    g_bMuteLinkedChannels = IsDlgButtonChecked(this, IDC_MUTE_LINKED);
}

void CPreferences::OnMetering()
{
    CNewMeteringDialog dialog(this);
    dialog.DoModal();
}

void CPreferences::OnAutosave()
{
    RunAutosaveDialog(this);
}

void CPreferences::OnClearAllLinks()
{
    if (!g_pMainDlg)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int current = g_nCurrentChannel;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        if (g_ChannelLinkIndex[std::size_t(channel)] == -1)
            continue;
        g_nCurrentChannel = channel;
        g_pMainDlg->ClearChannelLink();
    }
    g_nCurrentChannel = current;
    QApplication::restoreOverrideCursor();
}

void CPreferences::OnSixteenChannelUnitsOnly()
{
    ApplyUnitMode(1);
}

void CPreferences::OnMixedEightAndSixteen()
{
    ApplyUnitMode(2);
}

void CPreferences::ApplyUnitMode(int mode)
{
    g_bAll16ChannelUnits = mode == 1;
    if (const auto& handler = UnitModePictureHandler())
        handler(mode == 1 ? kBmpAll16Channel : kBmpMixed);
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        g_UnitName[std::size_t(slot - 1)] = mode == 1
            ? QStringLiteral("Unused Unit")
            : QStringLiteral("UNIT %1 - Unused").arg(slot);
    }
    if (g_pMainDlg) {
        g_pMainDlg->RepaintUnitStatus();
        g_pMainDlg->update();
    }
    m_bRestartNeeded = true;
    m_bConfirmNeeded = true;
}

void CPreferences::RunInitialModeAgain(int mode)
{
    if (mode == 2)
        OnMixedEightAndSixteen();
    else
        OnSixteenChannelUnitsOnly();
}

void CPreferences::OnOKButton()
{
    if (m_bConfirmNeeded) {
        g_strMessage = QStringLiteral(
            "Are you sure you want to\nchange how units are assigned\n"
            "(all 16 channels, or mixed 8 and 16 channels)?");
        if (RunMessageBox(MessageBoxKind::YesNo) != IDYES) {
            // The mode goes back to what it was and the dialog stays open.
            RunInitialModeAgain(m_nInitialMode);
            CheckDlgButton(this, IDC_MIXED_8_AND_16, m_nInitialMode == 2);
            CheckDlgButton(this, IDC_ALL_16_CHANNEL, m_nInitialMode != 2);
            return;
        }
    }
    if (m_bRestartNeeded) {
        g_strNoticeText = QStringLiteral(
            "The Unit assignment logic has been changed.\nPlease Restart the Program\n"
            "for the changes to take place.\n"
            "(If you don't restart the program, no changes will take effect.)");
        ShowModelessNotice(true);
    }
    EndDialog(IDOK);
}

void CPreferences::OnCancelButton()
{
    if (m_bConfirmNeeded) {
        RunInitialModeAgain(m_nInitialModeForCancel);
        g_strMessage = QStringLiteral("Mode change has been cancelled");
        RunMessageBox(MessageBoxKind::Message);
    }
    EndDialog(IDCANCEL);
}
