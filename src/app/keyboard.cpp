// The keys and mouse gestures the main window takes before anything else:
// Ctrl letters and Enter/Escape over the scene list, the scene list's
// gestures, the arrow keys for scrolling and gain, and the accelerators.

#include "app/main_dialog.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>

#include "app/app_services.h"
#include "app/command_ids.h"
#include "app/preferences.h"
#include "views/underview.h"
#include "controls/gain_fader.h"

namespace {

struct Accelerator {
    int key;
    Qt::KeyboardModifiers modifiers;
    int command;
};

const Accelerator kAccelerators[] = {
    {Qt::Key_N, Qt::ControlModifier, ID_FILE_NEW_PROJECT},
    {Qt::Key_O, Qt::ControlModifier, ID_FILE_OPEN},
    {Qt::Key_S, Qt::ControlModifier, ID_FILE_SAVE},
    {Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier, ID_FILE_SAVE_AS},
    {Qt::Key_Z, Qt::ControlModifier, ID_EDIT_UNDO},
    {Qt::Key_L, Qt::ControlModifier, ID_EDIT_LINK},
    {Qt::Key_M, Qt::ControlModifier, ID_METER_PREFERENCES},
    {Qt::Key_I, Qt::ControlModifier, ID_UNIT_IDENTITY_CHECK},
    {Qt::Key_H, Qt::ControlModifier, ID_USER_GUIDE},
    {Qt::Key_F1, Qt::NoModifier, ID_USER_GUIDE},
    {Qt::Key_G, Qt::ControlModifier, ID_MUTE_LINKED_ON},
    {Qt::Key_U, Qt::ControlModifier, ID_MUTE_LINKED_OFF},
};

constexpr Qt::KeyboardModifiers kAcceleratorKeys = Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier;

} // namespace

int CQuellonKR9SeriesDlg::AcceleratorCommand(int key, Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers held = modifiers & kAcceleratorKeys;
    for (const Accelerator& a : kAccelerators)
        if (a.key == key && a.modifiers == held)
            return a.command;
    return 0;
}

bool CQuellonKR9SeriesDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (PreTranslateMessage(watched, event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

bool CQuellonKR9SeriesDlg::PreTranslateMessage(QObject* target, QEvent* event)
{
    const QEvent::Type type = event->type();
    const bool key = type == QEvent::KeyPress;
    const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease
        || type == QEvent::MouseMove || type == QEvent::MouseButtonDblClick;
    if (!key && !mouse)
        return false;
    // Only what happens in this window while no box of its own is open.
    auto* widget = qobject_cast<QWidget*>(target);
    if (!widget || widget->window() != this || QApplication::activeModalWidget())
        return false;

    const bool overList = m_lstScenes && m_lstScenes->isVisible()
        && m_lstScenes->rect().contains(m_lstScenes->mapFromGlobal(QCursor::pos()));
    if (key) {
        auto* k = static_cast<QKeyEvent*>(event);
        return overList ? KeyOverSceneList(k) : KeyElsewhere(k);
    }
    if (m_lstScenes && (target == m_lstScenes->viewport()))
        return SceneListMouse(static_cast<QMouseEvent*>(event));
    return false;
}

bool CQuellonKR9SeriesDlg::KeyOverSceneList(QKeyEvent* k)
{
    if (k->modifiers() & Qt::ControlModifier) {
        switch (k->key()) {
        case Qt::Key_O:
            OnCommand(ID_FILE_OPEN);
            break;
        case Qt::Key_N:
            OnCommand(ID_FILE_NEW_PROJECT);
            break;
        case Qt::Key_S: // the list takes S itself, with or without Shift
            OnCommand(ID_FILE_SAVE);
            break;
        case Qt::Key_Z:
            OnCommand(ID_EDIT_UNDO);
            break;
        case Qt::Key_L:
            OnCommand(ID_EDIT_LINK);
            break;
        case Qt::Key_I:
            OnCommand(ID_UNIT_IDENTITY_CHECK);
            break;
        case Qt::Key_H:
            OnCommand(ID_USER_GUIDE);
            break;
        default:
            break;
        }
        return true;
    }
    return k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter || k->key() == Qt::Key_Escape;
}

void CQuellonKR9SeriesDlg::StepGain(int delta, bool ctrl)
{
    const int channel = g_nCurrentChannel;
    if (channel < 0 || channel >= kChannelCount || !m_wndUnderview)
        return;
    const int limit = MaxGainStepOfChannel(channel);
    if (ctrl && !g_bOverviewMode) {
        const int step = FaderPosition(channel) + delta;
        g_nLastGain = step;
        SetUnitBlockGain(step);
        return;
    }
    int count = 0;
    if (CollectLinkedChannels(channel, count) && count > 0) {
        int lowest = 1000, highest = -1000;
        for (int i = 0; i < count; ++i) {
            const int pos = FaderPosition(g_LinkedChannels[std::size_t(i)]);
            lowest = std::min(lowest, pos);
            highest = std::max(highest, pos);
        }
        if ((delta < 0 && lowest > 0) || (delta > 0 && highest < limit))
            SetLinkedGain(g_nLastGain + delta, count);
        return;
    }
    if ((delta < 0 && g_nLastGain > 0) || (delta > 0 && g_nLastGain < limit)) {
        const int step = (g_bOverviewMode ? g_nLastGain : FaderPosition(channel)) + delta;
        g_nLastGain = step;
        SetChannelGain(step);
    }
}

bool CQuellonKR9SeriesDlg::KeyElsewhere(QKeyEvent* k)
{
    const bool ctrl = k->modifiers() & Qt::ControlModifier;
    switch (k->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (!g_bOverviewMode)
            ScrollStripsBy(k->key() == Qt::Key_Left ? -CUnderviewWnd::kStripWidth : CUnderviewWnd::kStripWidth);
        return true;
    case Qt::Key_Home:
    case Qt::Key_End:
        return !g_bOverviewMode;
    case Qt::Key_Up:
        StepGain(-1, ctrl);
        return true;
    case Qt::Key_Down:
        StepGain(+1, ctrl);
        return true;
    default:
        break;
    }
    if (const int command = AcceleratorCommand(k->key(), k->modifiers())) {
        OnCommand(command);
        return true;
    }
    // Enter and Escape never end the main window.
    return k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter || k->key() == Qt::Key_Escape;
}

bool CQuellonKR9SeriesDlg::SceneListMouse(QMouseEvent* m)
{
    if (g_bScenesLocked)
        return false;
    QListWidgetItem* hit = m_lstScenes->itemAt(m->position().toPoint());
    const int hovered = hit ? m_lstScenes->row(hit) : -1;
    switch (m->type()) {
    case QEvent::MouseMove:
        if ((m->buttons() & Qt::LeftButton) && hovered >= 0) {
            m_bDraggingScene = true;
            DragSceneTo(hovered);
            RenumberSceneList(hovered);
            return true;
        }
        return false;
    case QEvent::MouseButtonPress:
        if (m->button() == Qt::LeftButton) {
            m_nDragSceneIndex = std::max(hovered, 0);
            if (g_bPromptSceneReorder)
                TakeSceneOrderSnapshot();
            return false;
        }
        if (m->button() == Qt::RightButton && hovered >= 0) {
            m_lstScenes->setCurrentRow(hovered);
            RenameScene(hovered, g_SceneName[std::size_t(hovered)]);
            return true;
        }
        return false;
    case QEvent::MouseButtonRelease:
        if (m->button() == Qt::LeftButton && m_bDraggingScene) {
            m_bDraggingScene = false;
            RenumberSceneList(std::max(hovered, 0));
            if (g_bPromptSceneReorder) {
                g_strMessage = QStringLiteral("Are you sure?");
                if (RunMessageBox(MessageBoxKind::YesNo) != 6)
                    RestoreSceneOrderSnapshot();
            }
        }
        return false;
    case QEvent::MouseButtonDblClick:
        if (m->button() == Qt::LeftButton && hovered >= 0) {
            m_lstScenes->setCurrentRow(hovered);
            g_nCurrentIndex = hovered;
            OnCommand(IDC_RECALL_SCENE);
        }
        return false;
    default:
        return false;
    }
}

void CQuellonKR9SeriesDlg::DragSceneTo(int h)
{
    const int d = m_nDragSceneIndex;
    m_lstScenes->setCurrentRow(h);
    const bool down = h == d + 1 && d != 0;
    const bool up = h == d - 1 && d != 0 && h != 0;
    if (!down && !up)
        return;
    const QString active = g_nCurrentIndex >= 0 && g_nCurrentIndex < m_lstScenes->count()
        ? m_lstScenes->item(g_nCurrentIndex)->text()
        : QString();
    QListWidgetItem* moving = m_lstScenes->takeItem(d);
    m_lstScenes->insertItem(h, moving);
    // Names and notes follow their lines.
    std::swap(g_SceneName[std::size_t(d)], g_SceneName[std::size_t(h)]);
    std::swap(g_SceneNotes[std::size_t(d)], g_SceneNotes[std::size_t(h)]);
    for (int i = 1; i < m_lstScenes->count(); ++i) {
        if (m_lstScenes->item(i)->text() == active) {
            g_nCurrentIndex = i;
            break;
        }
    }
    g_strActiveSceneLabel = QString::asprintf("Active Scene: %03d", g_nCurrentIndex);
    update();
    m_nDragSceneIndex = h;
}
