// The scene commands of the scene panel: New, Recall, Delete, Rename and the
// re-order snapshot.

#include "app/main_dialog.h"

#include <QApplication>
#include <QListWidget>

#include "app/app_services.h"
#include "app/preferences.h"
#include "app/project_file.h"
#include "app/scene_store.h"
#include "dialogs/dialog_result.h"
#include "dialogs/naming_dialogs.h"

namespace {

// The "Are you sure?" of a scene command whose prompt is on.
bool Confirmed(int prompt)
{
    if (!prompt)
        return true;
    g_strMessage = QStringLiteral("Are you sure?");
    return RunMessageBox(MessageBoxKind::YesNo) == IDYES;
}

} // namespace

void CQuellonKR9SeriesDlg::OnNewScene()
{
    if (g_nSceneCount == 1 && g_szProjectName == QLatin1String("New Project")) {
        g_strMessage = QStringLiteral("This is a new scene for an un-named project.\nWould you like to create a new project name?");
        if (RunMessageBox(MessageBoxKind::YesNo) == IDYES)
            OnFileSaveAs();
    }
    if (!Confirmed(g_bPromptNewScene))
        return;
    // The tables hold the blank scene and 199 stored ones.
    if (g_nSceneCount >= kSceneCapacity) {
        QApplication::beep();
        return;
    }
    CNewSceneDialog dialog(ModalOwner());
    if (RunModal(dialog) != IDOK)
        return;
    const int index = g_nSceneCount;
    const QString name = g_SceneName[std::size_t(index)].left(99);
    if (RefuseTakenSceneName(name, index)) {
        g_SceneName[std::size_t(index)].clear();
        return;
    }
    m_lstScenes->addItem(SceneLine(index, name));
    if (!NewScene(name)) {
        // No record, no scene: the line goes again, so the list never shows
        // a scene that cannot be recalled or saved.
        DropUnmadeSceneLine(index, index + 1);
        return;
    }
    ++g_nSceneCount;
    m_lstScenes->setCurrentRow(index);
    g_bTrackActiveScene = true;
    // The new scene is the active one: its line takes the marks and its
    // record the changes from now on, and the labels name it.
    g_nCurrentIndex = index;
    g_strActiveSceneTitle = name;
    g_strActiveSceneLabel = ActiveSceneLabel(index);
    RedrawScenePanelLabels();
    UpdateSceneListScroll();
}

void CQuellonKR9SeriesDlg::OnDeleteScene()
{
    if (g_nSceneCount < 1)
        return;
    const int sel = m_lstScenes->currentRow();
    if (sel == g_nCurrentIndex) {
        g_strMessage = QStringLiteral("This is an Active Scene: it cannot be deleted.");
        RunMessageBox(MessageBoxKind::Message);
        return;
    }
    if (!Confirmed(g_bPromptSceneDelete))
        return;
    if (sel < 0 || m_lstScenes->item(sel)->text() == kBlankSceneLine) {
        QApplication::beep();
        return;
    }
    DeleteSceneRecord(SceneLineRecordId(sel));
    delete m_lstScenes->takeItem(sel);
    for (int i = sel; i + 1 < kSceneCapacity; ++i) {
        g_SceneName[std::size_t(i)] = g_SceneName[std::size_t(i + 1)];
        g_SceneNotes[std::size_t(i)] = g_SceneNotes[std::size_t(i + 1)];
    }
    g_SceneName[kSceneCapacity - 1].clear();
    g_SceneNotes[kSceneCapacity - 1].clear();
    --g_nSceneCount;
    // The active scene keeps its own line when a line above it goes.
    if (g_nCurrentIndex > sel)
        --g_nCurrentIndex;
    RenumberSceneList(g_nSceneCount == 1 ? 0 : sel - 1);
    g_strActiveSceneLabel = ActiveSceneLabel(g_nCurrentIndex);
    UpdateSceneListScroll();
    RedrawScenePanelLabels();
}

void CQuellonKR9SeriesDlg::OnRecallScene()
{
    if (g_nSceneCount <= 0) {
        g_strMessage = QStringLiteral("No scenes added");
        RunMessageBox(MessageBoxKind::Message);
        return;
    }
    if (!Confirmed(g_bPromptRecallScene))
        return;
    const int sel = m_lstScenes->currentRow();
    if (sel < 0)
        return;
    g_nCurrentIndex = sel;
    // The names table holds the bare names (the changed mark lives on the
    // line), so a "*" at the end of a name is the operator's own.
    const QString name = g_SceneName[std::size_t(sel)];
    g_szActiveSceneName = name;
    RecallScene(sel);
    g_strActiveSceneTitle = name;
    g_strActiveSceneLabel = ActiveSceneLabel(sel);
    RedrawScenePanelLabels();
}

void CQuellonKR9SeriesDlg::DropUnmadeSceneLine(int index, int end)
{
    delete m_lstScenes->takeItem(index);
    for (int k = index; k < end && k < kSceneCapacity; ++k) {
        g_SceneName[std::size_t(k)].clear();
        g_SceneNotes[std::size_t(k)].clear();
    }
}

bool CQuellonKR9SeriesDlg::RefuseTakenSceneName(const QString& name, int index)
{
    // The operator tells the scenes apart by their names; a file may still
    // bring two of one name, and each keeps its own record.
    for (int i = 1; i < g_nSceneCount; ++i) {
        if (i != index && g_SceneName[std::size_t(i)] == name) {
            g_strMessage = QStringLiteral("There is already a scene named '%1'.\nPlease choose another name.").arg(name);
            RunMessageBox(MessageBoxKind::Message);
            return true;
        }
    }
    return false;
}

void CQuellonKR9SeriesDlg::RenameScene(int index, const QString& oldName)
{
    g_strRenamePrompt = QStringLiteral("Enter a new name for the '%1' scene").arg(oldName);
    // The dialog edits the scene at the current index; renaming a line does
    // not make it the active scene, so the active index comes back after it.
    const int active = g_nCurrentIndex;
    g_nCurrentIndex = index;
    CRenameScene dialog(ModalOwner());
    const bool ok = RunModal(dialog) == IDOK;
    g_nCurrentIndex = active;
    const QString newName = g_strRenamedScene.left(99);
    SceneRecord* record = ok && !RefuseTakenSceneName(newName, index) ? SceneLineRecord(index) : nullptr;
    if (record) {
        record->Name.setText(newName);
        g_SceneName[std::size_t(index)] = newName;
        record->Notes.setText(g_SceneNotes[std::size_t(index)]);
        if (index == active) {
            g_szActiveSceneName = newName;
            g_strActiveSceneTitle = newName;
            RedrawScenePanelLabels();
        }
    }
    // Every line again from the names, each keeping its own mark.
    RenumberSceneList(index);
}

void CQuellonKR9SeriesDlg::SyncSceneNotesFromRecords()
{
    for (int i = 1; i < m_lstScenes->count() && i < g_nSceneCount; ++i)
        if (const SceneRecord* record = SceneLineRecord(i))
            g_SceneNotes[std::size_t(i)] = record->Notes.text();
}

void CQuellonKR9SeriesDlg::TakeSceneOrderSnapshot()
{
    SceneOrderSnapshot& s = m_sceneSnapshot;
    s.lines.clear();
    s.changed.clear();
    s.records.clear();
    for (int i = 0; i < m_lstScenes->count(); ++i) {
        s.lines.append(m_lstScenes->item(i)->text());
        s.changed.append(SceneLineChanged(i));
        s.records.append(SceneLineRecordId(i));
    }
    s.names = g_SceneName;
    s.notes = g_SceneNotes;
    s.count = g_nSceneCount;
    s.activeIndex = g_nCurrentIndex;
    s.taken = true;
}

void CQuellonKR9SeriesDlg::RestoreSceneOrderSnapshot()
{
    SceneOrderSnapshot& s = m_sceneSnapshot;
    if (!s.taken)
        return;
    m_lstScenes->clear();
    m_lstScenes->addItems(s.lines);
    g_SceneName = s.names;
    g_SceneNotes = s.notes;
    g_nSceneCount = s.count;
    for (int i = 0; i < s.changed.size() && i < m_lstScenes->count(); ++i)
        WriteSceneLine(i, s.changed[i]);
    for (int i = 0; i < s.records.size() && i < m_lstScenes->count(); ++i)
        SetSceneLineRecord(i, s.records[i]);
    // The active scene goes back to its line with the order.
    g_nCurrentIndex = s.activeIndex;
    g_strActiveSceneLabel = ActiveSceneLabel(g_nCurrentIndex);
    RedrawScenePanelLabels();
    s.taken = false;
}
