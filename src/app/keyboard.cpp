// The keys and mouse gestures the main window takes before anything else:
// Ctrl letters and Enter/Escape over the scene list, the scene list's
// gestures, the arrow keys for scrolling and gain, and the accelerators.

#include "app/main_dialog.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollBar>

#include <optional>

#include "app/app_services.h"
#include "app/command_ids.h"
#include "app/preferences.h"
#include "views/underview.h"
#include "controls/gain_fader.h"
#include "controls/scroll_bar.h"
#include "dialogs/dialog_result.h"
#include "platform/timer_table.h"

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

// The step an arrow key moves the current channel's fader to: one step
// (delta) from its own position, unless that would take a fader of the
// move past either end of 0..limit; lowest and highest are the extreme
// positions among the faders that move (the channel alone, or its group).
std::optional<int> ArrowKeyGainStep(int position, int lowest, int highest, int limit, int delta)
{
    if (lowest + delta < 0 || highest + delta > limit)
        return std::nullopt;
    return position + delta;
}

// The scroll report a key makes on the overview's vertical bar, or -1.
int OverviewBarScrollCode(int key)
{
    switch (key) {
    case Qt::Key_Up:
        return CMyScrollBar::SB_LINEUP;
    case Qt::Key_Down:
        return CMyScrollBar::SB_LINEDOWN;
    case Qt::Key_PageUp:
        return CMyScrollBar::SB_PAGEUP;
    case Qt::Key_PageDown:
        return CMyScrollBar::SB_PAGEDOWN;
    case Qt::Key_Home:
        return CMyScrollBar::SB_TOP;
    case Qt::Key_End:
        return CMyScrollBar::SB_BOTTOM;
    default:
        return -1;
    }
}

// An open menu, or the menu bar in its keyboard mode, keeps every key: the
// arrows move through it, Enter chooses and Escape closes.
bool MenuHasTheKeys(QObject* target)
{
    return QApplication::activePopupWidget() || qobject_cast<QMenuBar*>(target) || qobject_cast<QMenu*>(target);
}

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
    const bool enteringList = type == QEvent::Enter && m_lstScenes && target == m_lstScenes->viewport();
    if (!key && !mouse && !enteringList)
        return false;
    // Only what happens in this window while no box of its own is open.
    auto* widget = qobject_cast<QWidget*>(target);
    if (!widget || widget->window() != this || QApplication::activeModalWidget())
        return false;

    if (key && MenuHasTheKeys(target))
        return false;
    if (enteringList) {
        if (!g_bScenesLocked)
            SetSceneListDragRange();
        return false;
    }

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
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter || k->key() == Qt::Key_Escape)
        return true;
    if (!g_bScenesLocked)
        SetSceneListDragRange();
    return false;
}

void CQuellonKR9SeriesDlg::StepGain(int delta, bool ctrl)
{
    const int channel = g_nCurrentChannel;
    if (channel < 0 || channel >= kChannelCount || !m_wndUnderview)
        return;
    // Every step starts from the channel's own fader: the last gain handled
    // may belong to a fader of another channel grabbed before.
    const int position = FaderPosition(channel);
    if (ctrl && !g_bOverviewMode) {
        g_nLastGain = position + delta;
        SetUnitBlockGain(position + delta);
        return;
    }
    int count = 0;
    const bool linked = CollectLinkedChannels(channel, count) && count > 0;
    int lowest = position, highest = position;
    for (int i = 0; linked && i < count; ++i) {
        const int member = FaderPosition(g_LinkedChannels[std::size_t(i)]);
        lowest = std::min(lowest, member);
        highest = std::max(highest, member);
    }
    const std::optional<int> target = ArrowKeyGainStep(position, lowest, highest, MaxGainStepOfChannel(channel), delta);
    if (!target)
        return;
    g_nLastGain = *target;
    if (linked)
        SetLinkedGain(*target, count);
    else
        SetChannelGain(*target);
}

bool CQuellonKR9SeriesDlg::PointerOverOverviewBar() const
{
    return m_sbOverviewVert && m_sbOverviewVert->isVisible()
        && m_sbOverviewVert->rect().contains(m_sbOverviewVert->mapFromGlobal(QCursor::pos()));
}

bool CQuellonKR9SeriesDlg::KeyElsewhere(QKeyEvent* k)
{
    const bool ctrl = k->modifiers() & Qt::ControlModifier;
    const int key = k->key();
    if (g_bOverviewMode && PointerOverOverviewBar()) {
        // Over its bar the keys scroll the overview, as they would a list.
        if (const int code = OverviewBarScrollCode(key); code >= 0) {
            OnVScroll(code, 0);
            return true;
        }
    } else {
        switch (key) {
        case Qt::Key_Home:
        case Qt::Key_End:
            if (!g_bOverviewMode)
                return true;
            break;
        case Qt::Key_Up:
            StepGain(-1, ctrl);
            return true;
        case Qt::Key_Down:
            StepGain(+1, ctrl);
            return true;
        default:
            break;
        }
    }
    if (key == Qt::Key_Left || key == Qt::Key_Right) {
        if (!g_bOverviewMode)
            ScrollStripsBy(key == Qt::Key_Left ? -CUnderviewWnd::kStripWidth : CUnderviewWnd::kStripWidth);
        return true;
    }
    if (const int command = AcceleratorCommand(key, k->modifiers())) {
        OnCommand(command);
        return true;
    }
    // Enter and Escape never end the main window.
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

bool CQuellonKR9SeriesDlg::SceneListMouse(QMouseEvent* m)
{
    if (g_bScenesLocked)
        return false;
    QListWidgetItem* hit = m_lstScenes->itemAt(m->position().toPoint());
    const int hovered = hit ? m_lstScenes->row(hit) : -1;
    SetSceneListDragRange();
    switch (m->type()) {
    case QEvent::MouseMove:
        if ((m->buttons() & Qt::LeftButton) && hovered >= 0) {
            m_bDraggingScene = true;
            DragSceneTo(hovered);
            // Renumbering selects from the top; the list stays where the drag took it.
            const int top = SceneListTopIndex();
            RenumberSceneList(hovered);
            SetSceneListTopIndex(top);
            return true;
        }
        return false;
    case QEvent::MouseButtonPress:
        if (m->button() == Qt::LeftButton) {
            // A drag that is still settling ends before the next one starts.
            if (m_platform.timers.isArmed(kTimerSceneDragEnd))
                FinishSceneDrag();
            m_nDragSceneIndex = std::max(hovered, 0);
            if (hovered >= 3 && m_sbSceneList)
                m_sbSceneList->SetScrollPos(hovered - 3);
            if (g_bPromptSceneReorder)
                TakeSceneOrderSnapshot();
            return false;
        }
        if (m->button() == Qt::RightButton && hovered >= 0) {
            m_lstScenes->setCurrentRow(hovered);
            const int top = SceneListTopIndex();
            // The rename renumbers the lines and selects this one; the list
            // is left showing what it showed.
            RenameScene(hovered, g_SceneName[std::size_t(hovered)]);
            SetSceneListTopIndex(top);
            return true;
        }
        return false;
    case QEvent::MouseButtonRelease:
        if (m->button() == Qt::LeftButton && m_bDraggingScene) {
            m_bDraggingScene = false;
            // The list is renumbered once the drag has settled, without holding the window up.
            m_nDragDropItem = std::max(hovered, 0);
            m_nDragDropTop = SceneListTopIndex();
            m_platform.timers.arm(kTimerSceneDragEnd, kSceneDragSettleMs);
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

void CQuellonKR9SeriesDlg::FinishSceneDrag()
{
    m_platform.timers.kill(kTimerSceneDragEnd);
    if (m_bShutDown || !m_lstScenes)
        return;
    RenumberSceneList(std::min(m_nDragDropItem, m_lstScenes->count() - 1));
    SetSceneListTopIndex(m_nDragDropTop);
    if (g_bPromptSceneReorder) {
        g_strMessage = QStringLiteral("Are you sure?");
        if (RunMessageBox(MessageBoxKind::YesNo) != IDYES) {
            RestoreSceneOrderSnapshot();
            SetSceneListTopIndex(m_nDragDropTop);
        }
    }
}

void CQuellonKR9SeriesDlg::SetSceneListDragRange()
{
    if (!m_sbSceneList || !m_lstScenes)
        return;
    // One more than the lines below the first screenful, none for a short list.
    const int limit = std::max(0, m_lstScenes->count() - kVisibleSceneRows + 1);
    if (m_sbSceneList->rangeA() != 0 || m_sbSceneList->rangeB() != limit)
        m_sbSceneList->SetScrollRange(0, limit);
}

// The list scrolls by whole lines, so its own (hidden) bar counts lines
// from the top; unlike the item geometry it is right at once after a line moved.
int CQuellonKR9SeriesDlg::SceneListTopIndex() const
{
    return m_lstScenes ? m_lstScenes->verticalScrollBar()->value() : 0;
}

void CQuellonKR9SeriesDlg::SetSceneListTopIndex(int top)
{
    if (m_lstScenes && top >= 0 && top < m_lstScenes->count())
        m_lstScenes->verticalScrollBar()->setValue(top);
}

void CQuellonKR9SeriesDlg::DragSceneTo(int h)
{
    const int d = m_nDragSceneIndex;
    m_lstScenes->setCurrentRow(h);
    const bool down = h == d + 1 && d != 0;
    const bool up = h == d - 1 && d != 0 && h != 0;
    if (!down && !up)
        return;
    QListWidgetItem* moving = m_lstScenes->takeItem(d);
    m_lstScenes->insertItem(h, moving);
    // Names, notes and the active scene follow their lines.
    std::swap(g_SceneName[std::size_t(d)], g_SceneName[std::size_t(h)]);
    std::swap(g_SceneNotes[std::size_t(d)], g_SceneNotes[std::size_t(h)]);
    if (g_nCurrentIndex == d)
        g_nCurrentIndex = h;
    else if (g_nCurrentIndex == h)
        g_nCurrentIndex = d;
    g_strActiveSceneLabel = ActiveSceneLabel(g_nCurrentIndex);
    RedrawScenePanelLabels();
    // A line dragged onto the last row shown, or onto the top row, brings
    // the next line into view; the bar follows the list.
    const int top = SceneListTopIndex();
    const bool scroll = (down && h - top >= kVisibleSceneRows - 1) || (up && h == top);
    if (scroll) {
        SetSceneListTopIndex(down ? top + 1 : h - 1);
        if (m_sbSceneList)
            m_sbSceneList->SetScrollPos(SceneListTopIndex());
        // The held line moved down a row as the list scrolled up: the
        // pointer steps down with it, off the list's top edge.
        if (up)
            QCursor::setPos(QCursor::pos() + QPoint(0, 5));
    }
    m_nDragSceneIndex = h;
}
