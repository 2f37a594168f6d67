// The project commands: the untitled project, New Project, Open, Save,
// Save As and the recent files.

#include "app/main_dialog.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QListWidget>
#include <QMenu>
#include <QScopedValueRollback>

#include <algorithm>
#include <optional>
#include <utility>

#include "app/app_services.h"
#include "app/command_ids.h"
#include "app/project_file.h"
#include "app/recent_files.h"
#include "app/scene_store.h"
#include "app/view_repaint_batch.h"
#include "dialogs/dialog_result.h"
#include "platform/path_text.h"
#include "platform/timer_table.h"
#include "views/overview.h"
#include "views/underview.h"

namespace {

const QString kUntitledFile = QStringLiteral("New Project.qsx");
// A recent file's caption ends in one blank per 10 px of its path, up to this many.
constexpr int kMaxRecentFileBlanks = 199;

} // namespace

bool CQuellonKR9SeriesDlg::AskSaveBefore(const QString& question, MessageBoxKind kind)
{
    // Until the question and the save it leads to are done, a request to
    // close the console changes nothing (closeEvent, QuerySaveAndShutDown).
    const QScopedValueRollback asking(m_bAskingToSave, true);
    g_strMessage = question;
    switch (RunMessageBox(kind)) {
    case IDYES:
        // A save that fails (it has said why) or is cancelled stops the
        // command: going on would throw away the changes the operator meant
        // to keep.
        return g_bProjectHasFile ? OnFileSave() : OnFileSaveAs();
    case IDNO:
        return true;
    default:
        // Cancel, Escape, the close button, and Enter (the box has no
        // default button) are no answer: the project on screen and the
        // units stay as they are.
        return false;
    }
}

void CQuellonKR9SeriesDlg::InitBlankProject()
{
    InitBlankProjectIdentity();
    ClearAllScenes();
    g_nSceneCount = 0;
    g_SceneName[0] = kBlankSceneLine;
    if (m_lstScenes)
        m_lstScenes->addItem(kBlankSceneLine);
    g_nSceneCount = 1;
    ResetAllChannels();
    g_strActiveSceneTitle = kBlankSceneLine;
    RedrawScenePanelLabels();
}

void CQuellonKR9SeriesDlg::OnFileNewProject()
{
    if (!AskSaveBefore(QStringLiteral("Save changes to curent project\n before creating new project?")))
        return;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        g_ChannelNotes[std::size_t(ch)].clear();
        SetChannelTitle(ch, QStringLiteral("Channel %1").arg(ch + 1));
    }
    ResetUnitNames();
    NameUnitsByModel(false);
    g_LinkGroupTitle.fill(QString());
    InitBlankProjectIdentity();
    ClearAllScenes();
    g_nSceneCount = 0;
    g_SceneName[0] = kBlankSceneLine;
    m_lstScenes->addItem(kBlankSceneLine);
    g_nSceneCount = 1;
    ResetAllChannels();
    g_strActiveSceneTitle = kBlankSceneLine;
    g_strActiveSceneLabel = ActiveSceneLabel(0);
    for (int i = 1; i < kSceneCapacity; ++i) {
        g_SceneName[std::size_t(i)].clear();
        g_SceneNotes[std::size_t(i)].clear();
    }
    g_nCurrentIndex = 0;
    g_bProjectHasFile = false;
    m_lstScenes->setCurrentRow(0);
    UpdateSceneListScroll();
    RedrawScenePanelLabels();
    MarkProjectSaved();
    DropRecoveredWorkFiles();
}

void CQuellonKR9SeriesDlg::OpenProject(bool askSave)
{
    if (askSave && !AskSaveBefore(QStringLiteral("Save changes to current project before opening?")))
        return;
    const QString chosen = ChooseProjectFile(false, g_szLastDirectory);
    if (chosen.isEmpty())
        return;
    OpenNamedProject(chosen);
}

void CQuellonKR9SeriesDlg::OpenNamedProject(const QString& path)
{
    if (!PassesOldStyleDateTest(path))
        return;
    LoadProject(path);
}

void CQuellonKR9SeriesDlg::OnProjectHandedOver(const QString& path)
{
    if (m_bShutDown)
        return;
    BringToFront();
    if (path.isEmpty())
        return;
    // Several files handed over quickly: the last one is the one wanted.
    m_handedOverPath = path;
    OpenHandedOverProject();
}

void CQuellonKR9SeriesDlg::OpenHandedOverProject()
{
    // Taken, so kept: the application hands it on to the next console.
    if (m_bShutDown) {
        m_platform.timers.kill(kTimerHandOffWait);
        return;
    }
    // A question, a dialog or the file chooser is open: the operator
    // finishes that first, and the project follows. A save question counts
    // until its answer has been carried out: one closed in the moment this
    // wait ticks is no longer shown, yet its loop has not returned, and the
    // project's own question must not run inside it.
    if (QApplication::activeModalWidget() || m_bAskingToSave) {
        if (!m_platform.timers.isArmed(kTimerHandOffWait))
            m_platform.timers.arm(kTimerHandOffWait, 250);
        return;
    }
    m_platform.timers.kill(kTimerHandOffWait);
    const QString path = std::exchange(m_handedOverPath, QString());
    if (path.isEmpty())
        return;
    if (!AskSaveBefore(QStringLiteral("Save changes to current project before opening?")))
        return;
    OpenNamedProject(path);
}

void CQuellonKR9SeriesDlg::BringToFront()
{
    // Hidden only while being built or shut down: nothing to bring forward.
    if (!isVisible())
        return;
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

void CQuellonKR9SeriesDlg::OpenRecentFile(int index)
{
    if (index < 0 || index >= g_nRecentFileCount)
        return;
    if (!AskSaveBefore(QStringLiteral("Save changes to current project before opening?")))
        return;
    const QString path = g_RecentFiles[std::size_t(index)];
    if (LoadProject(path))
        g_nRecentFileIndex = index;
}

bool CQuellonKR9SeriesDlg::LoadProject(const QString& path, const QString& untitledName)
{
    // The file is read and checked whole first: one that is refused (the
    // reader has told the operator why) leaves the project on screen as it was.
    bool cutShort = false;
    bool outOfMemory = false;
    const std::optional<std::vector<SceneRecord>> records = ReadProjectFile(path, &cutShort, &outOfMemory);
    if (!records)
        return false;
    // A project saved while no unit answered names its slots "Unused": the
    // units on line now keep their model's name (an "Unused" name refuses
    // every link group), unless the file gives one of the operator's.
    NameUnitsByModel(true);
    // Every strip control may change many times over; the views repaint once.
    std::optional<ViewRepaintBatch> batch;
    batch.emplace(std::initializer_list<QWidget*>{m_wndOverview, m_wndUnderview});
    int finalCount = g_nSceneCount;
    bool partial = outOfMemory; // memory ran out: only the scenes read so far
    // The old scenes' records go; the list is filled again below.
    ClearAllScenes();
    if (const int ms = AutosaveIntervalMs())
        m_platform.timers.arm(kTimerAutosave, ms);
    else
        m_platform.timers.kill(kTimerAutosave);

    m_lstScenes->clear();
    m_lstScenes->addItem(kBlankSceneLine);
    for (std::size_t i = 0; i < records->size(); ++i) {
        const SceneRecord& r = (*records)[i];
        const int blocks = AppliedBlockCount(r);
        for (int ch = 0; ch < blocks * 8 && ch < kChannelCount; ++ch) {
            const std::size_t c = std::size_t(ch);
            SetFaderBothViews(ch, r.SliderPosition[c]);
            SetReferencePosition(ch, r.LinkedSliderOffset[c]);
            for (const int kind : kSceneSwitchKinds)
                SetSwitchBothViews(kind, ch, (r.*SwitchField(kind))[c]);
            SetSwitchBothViews(STRIP_LINK, ch, r.LinkButton[c]);
            SetChannelLinkGroup(ch, r.LinkGroup[c], r.LinkButtonDown[c]);
            SetChannelTitle(ch, r.ChannelTitle[c].text());
            g_ChannelNotes[c] = r.ChannelNotes[c].text();
        }
        const int index = int(i) + 1;
        m_lstScenes->addItem(SceneLine(index, g_SceneName[std::size_t(index)]));
        g_nSceneCount = index; // the new record takes the notes of its own entry
        if (!NewScene(g_SceneName[std::size_t(index)])) {
            // It has said so; the scenes made so far stay, as when the file
            // could not be read in whole.
            DropUnmadeSceneLine(index, kSceneCapacity);
            finalCount = index;
            partial = true;
            break;
        }
    }
    g_nSceneCount = finalCount;
    ResetAllChannels();
    if (partial) {
        // Only part of the file is in: it is not the file, and a save must
        // not put the part over it (nor over the project that was open), so
        // the work has no file until the operator names one.
        InitBlankProjectIdentity();
    } else if (!untitledName.isEmpty()) {
        // Work brought back rather than a file opened: it has no file yet,
        // so neither the folder nor the recent files change, and a save asks
        // where it goes.
        g_szProjectPath.clear();
        g_szProjectName = untitledName;
        g_bProjectHasFile = false;
        SetProjectTitle(g_szProjectName);
    } else if (bool profileWritten = true; FinishProjectLoad(path, &profileWritten)) {
        SetProjectTitle(g_szProjectName);
        LoadRecentFileList();
        UpdateRecentFileMenu();
        if (!profileWritten)
            TellProfileNotKept(FileReadStatus::Ok);
    }
    g_strActiveSceneTitle = g_SceneName[0];
    g_strActiveSceneLabel = ActiveSceneLabel(0);
    g_nCurrentIndex = 0;
    m_lstScenes->setCurrentRow(0);
    UpdateSceneListScroll();
    RedrawScenePanelLabels();
    // A save cut short: its whole scenes are in, and the operator hears of
    // the missing rest once, with the project already on screen.
    batch.reset();
    if (untitledName.isEmpty() && !partial)
        MarkProjectSaved();
    else
        m_savedProjectFingerprint.reset(); // none of it is in a file of its own
    // Work brought back earlier has made way for this project.
    DropRecoveredWorkFiles();
    if (outOfMemory)
        ShowProjectReadInMemoryMessage();
    else if (cutShort)
        ShowCutShortProjectMessage(path);
    return true;
}

bool CQuellonKR9SeriesDlg::OnFileSave()
{
    if (QFileInfo(g_szProjectPath).fileName() == kUntitledFile || g_szProjectPath.isEmpty())
        return OnFileSaveAs();
    int missing = 0;
    const std::vector<const SceneRecord*> records = StoredSceneRecords(&missing);
    for (int i = 0; i < missing; ++i)
        QApplication::beep();
    // A failed save has told the operator; the marks and the old file stay.
    if (!SaveProjectFile(g_szProjectPath, records))
        return false;
    const int selected = m_lstScenes->currentRow();
    RebuildSceneList();
    if (selected >= 0)
        m_lstScenes->setCurrentRow(selected);
    g_bProjectHasFile = true;
    MarkProjectSaved();
    DropRecoveredWorkFiles();
    return true;
}

bool CQuellonKR9SeriesDlg::OnFileSaveAs()
{
    QString chosen = ChooseProjectFile(true, g_szLastDirectory);
    if (chosen.isEmpty())
        return false;
    chosen = QFileInfo(chosen).absoluteFilePath();
    const QString previousPath = g_szProjectPath;
    const QString previousName = g_szProjectName;
    g_szProjectPath = chosen;
    SplitPathName(nullptr, &g_szProjectName, chosen);
    if (g_szProjectName.size() >= 4)
        SetProjectTitle(g_szProjectName);
    if (!OnFileSave()) {
        // The project keeps the file it had when the new one could not be written.
        g_szProjectPath = previousPath;
        g_szProjectName = previousName;
        SetProjectTitle(g_szProjectName);
        return false;
    }
    if (!g_szProjectPath.isEmpty()) {
        if (!AddToRecentFileList())
            TellProfileNotKept(FileReadStatus::Ok);
        LoadRecentFileList();
        UpdateRecentFileMenu();
    }
    return true;
}

void CQuellonKR9SeriesDlg::UpdateRecentFileMenu()
{
    QMenu* menu = m_menu.recentFiles;
    if (!menu)
        return;
    menu->clear();
    menu->setEnabled(g_nRecentFileCount > 0);
    const QFontMetrics metrics = fontMetrics();
    for (int i = 0; i < g_nRecentFileCount; ++i) {
        const QString path = DisplayPath(g_RecentFiles[std::size_t(i)]);
        const int blanks = std::min(metrics.horizontalAdvance(path) / 10, kMaxRecentFileBlanks);
        QAction* action = menu->addAction(
            QStringLiteral("&%1. %2%3").arg(i + 1).arg(path, QString(blanks, QLatin1Char(' '))));
        action->setData(ID_FILE_MRU_FIRST + i);
        if (i == 0 && g_nRecentFileIndex != -1) {
            action->setCheckable(true);
            action->setChecked(true);
        }
        const int command = ID_FILE_MRU_FIRST + i;
        connect(action, &QAction::triggered, this, [this, command] { OnCommand(command); });
    }
}
