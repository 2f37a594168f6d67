// The commands of the menu, the keys and the other windows.

#include "app/main_dialog.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdlib>

#include "app/app_services.h"
#include "app/command_ids.h"
#include "app/help_documents.h"
#include "app/preferences.h"
#include "dialogs/dialog_result.h"
#include "platform/process_starter.h"
#include "platform/timer_table.h"
#include "protocol/unit_network.h"
#include "views/underview.h"
#include "views/overview.h"
#include "dialogs/about_dialog.h"
#include "dialogs/link_matrix_dialog.h"
#include "dialogs/naming_dialogs.h"
#include "dialogs/autosave_dialog.h"
#include "dialogs/metering_dialog.h"
#include "dialogs/preferences_dialog.h"
#include "dialogs/snake_leds_dialog.h"
#include "dialogs/system_reset_dialog.h"
#include "dialogs/system_status_dialog.h"
#include "dialogs/unit_identity_dialog.h"

void CQuellonKR9SeriesDlg::OnCommand(int id)
{
    switch (id) {
    case ID_APP_EXIT:
        OnClose();
        break;
    case IDC_OVERVIEW_BUTTON:
        OnOverviewButton();
        break;
    case ID_STRIP_COMMAND:
        OnStripButton();
        break;
    case IDC_LOCK_SCENES:
        OnLockScenes();
        break;
    case IDC_NEW_SCENE:
        OnNewScene();
        break;
    case IDC_RECALL_SCENE:
        OnRecallScene();
        break;
    case IDC_DELETE_SCENE:
        OnDeleteScene();
        break;
    case ID_FILE_NEW_PROJECT:
        OnFileNewProject();
        break;
    case ID_FILE_OPEN:
        OpenProject(true);
        break;
    case ID_FILE_SAVE:
        OnFileSave();
        break;
    case ID_FILE_SAVE_AS:
        OnFileSaveAs();
        break;
    case ID_EDIT_UNDO:
        UndoLastChange();
        break;
    case ID_LINK_GROUP_NONE:
        OnLinkGroupNone();
        break;
    case ID_LINK_OFF:
        OnLinkOff();
        break;
    case ID_GAIN_CHANGE:
        SetChannelGain(g_nLastGain);
        break;
    case ID_IP_ADDRESS:
        OnIpAddress();
        break;
    case ID_QUICK_REFERENCE:
        ::OpenHelpDocument(kQuickstartDocument);
        break;
    case ID_USER_GUIDE:
        ::OpenHelpDocument(kUserGuideDocument);
        break;
    case ID_MUTE_LINKED_ON:
        g_bMuteLinkedChannels = 1;
        break;
    case ID_MUTE_LINKED_OFF:
        g_bMuteLinkedChannels = 0;
        break;
    case ID_PROMPT_NEW_SCENE:
        g_bPromptNewScene = !g_bPromptNewScene;
        break;
    case ID_PROMPT_RECALL_SCENE:
        g_bPromptRecallScene = !g_bPromptRecallScene;
        break;
    case ID_PROMPT_SCENE_DELETE:
        g_bPromptSceneDelete = !g_bPromptSceneDelete;
        break;
    case ID_PROMPT_SCENE_REORDER:
        g_bPromptSceneReorder = !g_bPromptSceneReorder;
        break;
    case ID_METER_TEST_FULL_SCALE:
        OnMeterTestFullScale();
        break;
    case ID_METER_TEST_RANDOM:
        OnMeterTestRandom();
        break;
    case ID_METER_TEST_OFF:
        OnMeterTestOff();
        break;
    case ID_SHOW_SELF_CLOSING_MESSAGE:
        RunMessageBox(MessageBoxKind::SelfClosing);
        break;
    case ID_PREFERENCES:
    case IDC_UNIT_ASSIGNMENT: {
        CPreferences dialog(ModalOwner());
        RunModal(dialog);
        break;
    }
    case ID_METER_PREFERENCES: {
        CNewMeteringDialog dialog(ModalOwner());
        RunModal(dialog);
        break;
    }
    case ID_AUTOSAVE:
        RunAutosaveDialog(ModalOwner());
        break;
    case ID_ABOUT: {
        CNewAboutDlg dialog(ModalOwner());
        RunModal(dialog);
        break;
    }
    case ID_UNIT_IDENTITY_CHECK: {
        CNewUnitIdentityCheckDlg dialog(ModalOwner());
        RunModal(dialog);
        break;
    }
    case ID_SOFT_RESET: {
        CSystemResetDlg dialog(ModalOwner());
        RunModal(dialog);
        break;
    }
    case ID_SNAKE_LEDS: {
        CSnakeLedsDlg dialog(ModalOwner());
        RunModal(dialog);
        break;
    }
    case ID_EDIT_LINK:
        OnEditLink();
        break;
    case ID_UNIT_NAMING:
        OnUnitNaming(0);
        break;
    case ID_CHANNEL_NAMING:
        OnChannelNaming(0, false);
        break;
    case ID_SYSTEM_STATUS:
        ShowSystemStatusDialog(ModalOwner());
        break;
    case ID_RESTART_PROGRAM:
        RestartProgram();
        break;
    case ID_UNINSTALL:
        OnUninstall();
        break;
    default:
        if (id >= ID_FILE_MRU_FIRST && id <= ID_FILE_MRU_LAST)
            OpenRecentFile(id - ID_FILE_MRU_FIRST);
        else if (id >= ID_LINK_GROUP_1 && id <= ID_LINK_GROUP_10)
            SetCurrentChannelGroup(id - ID_LINK_OFF, true);
        else if (id >= ID_UPDATE_RATE_50 && id <= ID_UPDATE_RATE_1000)
            OnUpdateRate(std::array<int, 5>{50, 100, 200, 500, 1000}[std::size_t(id - ID_UPDATE_RATE_50)]);
        break;
    }
}

void CQuellonKR9SeriesDlg::OnUnitNaming(int slotIndex)
{
    CNewUnitNamingDlg dialog(std::clamp(slotIndex, 0, kSlotCount - 1), ModalOwner());
    RunModal(dialog);
    update();
}

void CQuellonKR9SeriesDlg::OnChannelNaming(int channel, bool prompt)
{
    g_nCurrentChannel = std::clamp(channel, 0, kChannelCount - 1);
    if (prompt)
        g_strChannelPrompt = QStringLiteral("Enter the desired title for Channel %1").arg(g_nCurrentChannel + 1);
    CChannelNamingDlg dialog(ModalOwner());
    if (RunModal(dialog) == IDOK && m_wndUnderview)
        m_wndUnderview->update();
}

void CQuellonKR9SeriesDlg::OnEditLink()
{
    CLinkMatrixDlg dialog(ModalOwner());
    RunModal(dialog);
}

void CQuellonKR9SeriesDlg::OnIpAddress()
{
    g_strMessage = QStringLiteral("This computer's IP Address is: %1").arg(QString::fromStdString(g_LocalIpString));
    RunMessageBox(MessageBoxKind::Message);
}

void CQuellonKR9SeriesDlg::OnUpdateRate(int periodMs)
{
    g_MeterPeriodMs = periodMs & 0xFFFF;
    SetMeterRate_KR9X(g_MeterPeriodMs);
    SetMeterRate_KR960_8();
    SetMeterRate_KR960();
}

void CQuellonKR9SeriesDlg::OnMeterTestFullScale()
{
    m_bMeterTestFullScale = true;
    m_bMeterTestRandom = false;
    m_platform.timers.arm(kTimerMeterTest, 50);
}

void CQuellonKR9SeriesDlg::OnMeterTestRandom()
{
    m_bMeterTestFullScale = false;
    m_bMeterTestRandom = true;
    m_platform.timers.arm(kTimerMeterTest, 50);
    m_platform.timers.arm(kTimerMeterTestEnd, 5000);
    m_platform.timers.kill(kTimerSettle);
    StopWatchdogTimer(m_wWatchdogTimerId);
}

void CQuellonKR9SeriesDlg::OnMeterTestOff()
{
    m_bMeterTestFullScale = false;
    m_bMeterTestRandom = false;
    m_platform.timers.kill(kTimerMeterTest);
    m_platform.timers.kill(kTimerMeterTestEnd);
    m_platform.timers.arm(kTimerSettle, 2000);
    // The watchdog the random test stopped runs again: silent units must still go off line.
    m_wWatchdogTimerId = StartWatchdogTimer();
}

void CQuellonKR9SeriesDlg::MeterTestStep()
{
    for (int ch = 0; ch < kChannelCount; ++ch) {
        int level = 4096;
        int step = 0; // full scale
        if (m_bMeterTestRandom) {
            const int r1 = std::rand() & 0x7FFF;
            const int r2 = std::rand() & 0x7FFF;
            level = static_cast<int>(r1 / 32767.0 * 4096.0 + 1000.0);
            step = static_cast<int>(r2 / 32767.0 * 20.0);
        }
        const auto d = static_cast<std::int16_t>(-38 + static_cast<int>(level * 60 / 4095));
        const int t = d + 31;
        int testLevel = g_nMeterTestLevel;
        if (g_bMeterScaleDbfs)
            testLevel = static_cast<int>(t * 0.9090909) - 50;
        if (g_bMeterScaleDbu) {
            switch (g_nDbuMaxLevel) {
            case 22:
                testLevel = static_cast<int>(t * 0.9090909 - 28);
                break;
            case 18:
                testLevel = static_cast<int>(t * 0.8454545 - 28);
                break;
            case 15:
                testLevel = static_cast<int>(t * 0.7909091 - 28);
                break;
            case 12:
                testLevel = static_cast<int>(t * 0.7363636 - 28);
                break;
            case 9:
                testLevel = static_cast<int>(t * 0.6818182 - 28);
                break;
            default:
                break;
            }
        }
        g_nMeterTestLevel = testLevel;
        if (g_bOverviewMode) {
            if (m_wndOverview)
                m_wndOverview->DrawMeterStep(ch, step, static_cast<int>((20 - step) * 204.75));
        } else if (m_wndUnderview) {
            m_wndUnderview->DrawMeterStep(ch, static_cast<int>((20 - step) * 167 / 20));
        }
    }
}

void CQuellonKR9SeriesDlg::RestartProgram()
{
    if (!QuerySaveAndShutDown())
        return;
    // Not started from here: this console still holds its window and its
    // hand-off point. The application starts the program again once they
    // are gone.
    m_bRestartRequested = true;
    close();
}

void CQuellonKR9SeriesDlg::OnUninstall()
{
    g_strMessage = QStringLiteral("Are you sure?");
    if (RunMessageBox(MessageBoxKind::YesNo) != IDYES)
        return;
    // The uninstaller lies beside the program or on the search path.
    const QString name = QStringLiteral("corvane-uninstall");
    QString program = QFileInfo(m_options.exePath).dir().filePath(name);
    if (!QFileInfo(program).isExecutable())
        program = QStandardPaths::findExecutable(name);
    if (program.isEmpty() || !ProcessStarter::instance().startDetached(program, {})) {
        g_strMessage = QStringLiteral("The uninstaller \"%1\" could not be started.").arg(name);
        RunMessageBox(MessageBoxKind::Message);
    }
}
