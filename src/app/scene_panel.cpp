// The scene panel: the scene list with its caption and "Active Scene"
// label, and the picture buttons under it.

#include "app/main_dialog.h"

#include <QApplication>
#include <QFontMetrics>
#include <QListWidget>
#include <QPainter>
#include <QToolButton>

#include "app/command_ids.h"
#include "app/fonts.h"
#include "app/scene_store.h"
#include "controls/scroll_bar.h"
#include "platform/path_text.h"
#include "platform/skin_registry.h"
#include "platform/timer_table.h"

namespace {

constexpr QRect kSceneListRect(47, 55, 252, 94);
constexpr int kStatusStripLeft = 520;
constexpr int kStatusStripWidth = 717;

PictureButton* MakePictureButton(QWidget* parent, SkinRegistry& skin, int normal, int hot, const QString& tip)
{
    auto* button = new PictureButton(parent, skin);
    const QSize size = skin.naturalSize(normal);
    button->setIconSize(size);
    button->setFixedSize(size + QSize(4, 4));
    button->SetImage(normal, hot);
    button->setToolTip(tip);
    return button;
}

} // namespace

void CQuellonKR9SeriesDlg::CreateSceneList()
{
    m_lstScenes = new QListWidget(m_client);
    m_lstScenes->setGeometry(kSceneListRect);
    m_lstScenes->setFont(g_hFontSceneList);
    m_lstScenes->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lstScenes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lstScenes->setVerticalScrollMode(QAbstractItemView::ScrollPerItem); // whole lines: its top line
    m_lstScenes->setUniformItemSizes(true);
    m_lstScenes->setFrameShape(QFrame::Box);
    m_lstScenes->addItem(kBlankSceneLine);
    g_SceneName[0] = kBlankSceneLine;
    g_nSceneCount = 1;
    // The "Active Scene" frame, centred over the list between caption and list.
    m_stcActiveScene = QRect(kSceneListRect.left() + (kSceneListRect.width() - 140) / 2, 41, 140, 13);
}

void CQuellonKR9SeriesDlg::CreatePictureButtons()
{
    SkinRegistry& skin = m_platform.skins;
    // Each button's normal picture and the hot one shown under the pointer.
    m_btnRecallScene = MakePictureButton(m_client, skin, 183, 187, QStringLiteral("Recall the selected scene"));
    m_btnNewScene = MakePictureButton(m_client, skin, 180, 182, QStringLiteral("New scene from the live state"));
    m_btnDeleteScene = MakePictureButton(m_client, skin, 184, 185, QStringLiteral("Delete the selected scene"));
    m_btnLockScenes = MakePictureButton(m_client, skin, 178, 179, QStringLiteral("Lock the scenes"));
    m_btnUnitAssignment =
        MakePictureButton(m_client, skin, 1884, 1884, QStringLiteral("Unit assignment (Preferences)"));
    const std::pair<PictureButton*, int> commands[] = {
        {m_btnRecallScene, IDC_RECALL_SCENE}, {m_btnNewScene, IDC_NEW_SCENE},
        {m_btnDeleteScene, IDC_DELETE_SCENE}, {m_btnLockScenes, IDC_LOCK_SCENES},
        {m_btnUnitAssignment, IDC_UNIT_ASSIGNMENT},
    };
    for (const auto& [button, id] : commands) {
        const int command = id;
        connect(button, &QToolButton::clicked, this, [this, command] { OnCommand(command); });
    }
}

void CQuellonKR9SeriesDlg::CreateOverviewButton()
{
    m_btnOverview =
        MakePictureButton(m_client, m_platform.skins, 174, 175, QStringLiteral("Overview / channel strips"));
    // Centred under the unit status strip, below the scene list.
    m_btnOverview->move(kStatusStripLeft + kStatusStripWidth / 2 - m_btnOverview->width() / 2,
                        kSceneListRect.bottom() + 1 + 10);
    connect(m_btnOverview, &QToolButton::clicked, this, [this] { OnCommand(IDC_OVERVIEW_BUTTON); });
}

void CQuellonKR9SeriesDlg::PositionSceneButtons()
{
    if (!m_btnOverview || !m_lstScenes)
        return;
    const int w = m_btnOverview->width();
    const int left = m_lstScenes->x();
    const int y = m_lstScenes->geometry().bottom() + 1 + 10;
    m_btnRecallScene->move(left - w / 2, y);
    m_btnNewScene->move(left + int(0.6 * w), y);
    m_btnDeleteScene->move(left + int(1.9 * w), y);
    m_btnLockScenes->move(left + int(2.75 * w), y);
    m_btnUnitAssignment->move(left + 60 + 12 * w, y);
    m_btnOverview->move(kStatusStripLeft + kStatusStripWidth / 2 - w / 2, y);
}

void CQuellonKR9SeriesDlg::OnLockScenes()
{
    m_platform.timers.arm(kTimerSceneLock, 300);
    g_bScenesLocked = !g_bScenesLocked;
    ApplySceneLockState();
}

void CQuellonKR9SeriesDlg::ApplySceneLockState()
{
    if (!m_btnNewScene)
        return;
    // Normal, hot and disabled pictures by lock state; 0 is none. While
    // locked, New, Recall and Delete are disabled and show their locked
    // pictures as drawn.
    const bool locked = g_bScenesLocked;
    if (locked) {
        m_btnDeleteScene->SetImage(140, 140, 140);
        m_btnRecallScene->SetImage(141, 141, 141);
        m_btnNewScene->SetImage(139, 139, 139);
        m_btnLockScenes->SetImage(179, 179);
    } else {
        m_btnDeleteScene->SetImage(184, 184);
        m_btnRecallScene->SetImage(183, 183);
        m_btnNewScene->SetImage(180, 180);
        m_btnLockScenes->SetImage(178, 178);
    }
    m_btnDeleteScene->setEnabled(!locked);
    m_btnRecallScene->setEnabled(!locked);
    m_btnNewScene->setEnabled(!locked);
}

namespace {

// A scene line's changed mark is kept with the line itself, so it travels
// with the line when lines are dragged, taken out or put back; the "*" on
// screen is only ever derived from it, never read back from the text (a
// scene's own name may end in "*").
constexpr int kLineChangedRole = Qt::UserRole + 1;
// Likewise the id of the line's record: its scene is found through it, never
// by the name, which two scenes of a file may share.
constexpr int kLineRecordRole = Qt::UserRole + 2;

} // namespace

SceneRecordId CQuellonKR9SeriesDlg::SceneLineRecordId(int row) const
{
    if (!m_lstScenes || row <= 0 || row >= m_lstScenes->count())
        return 0;
    return m_lstScenes->item(row)->data(kLineRecordRole).value<SceneRecordId>();
}

SceneRecord* CQuellonKR9SeriesDlg::SceneLineRecord(int row) const
{
    return SceneRecordById(SceneLineRecordId(row));
}

void CQuellonKR9SeriesDlg::SetSceneLineRecord(int row, SceneRecordId id)
{
    if (m_lstScenes && row > 0 && row < m_lstScenes->count())
        m_lstScenes->item(row)->setData(kLineRecordRole, QVariant::fromValue(id));
}

bool CQuellonKR9SeriesDlg::SceneLineChanged(int row) const
{
    if (!m_lstScenes || row <= 0 || row >= m_lstScenes->count())
        return false;
    return m_lstScenes->item(row)->data(kLineChangedRole).toBool();
}

void CQuellonKR9SeriesDlg::WriteSceneLine(int row, bool changed)
{
    if (!m_lstScenes || row < 0 || row >= m_lstScenes->count() || row >= kSceneCapacity)
        return;
    changed = changed && row > 0; // the blank scene is never marked
    QListWidgetItem* item = m_lstScenes->item(row);
    item->setData(kLineChangedRole, changed);
    item->setText(SceneLine(row, g_SceneName[std::size_t(row)]) + (changed ? QStringLiteral("*") : QString()));
}

bool CQuellonKR9SeriesDlg::MarkCurrentSceneModified()
{
    const int index = g_nCurrentIndex;
    // While the blank scene is the active one there is nothing to mark.
    if (index <= 0 || index >= g_nSceneCount || !m_lstScenes || index >= m_lstScenes->count())
        return false;
    g_SceneModified[std::size_t(index)] = 1;
    if (!SceneLineChanged(index)) {
        WriteSceneLine(index, true);
        m_lstScenes->setCurrentRow(index);
    }
    return true;
}

void CQuellonKR9SeriesDlg::MarkAndTrackActiveScene()
{
    if (MarkCurrentSceneModified())
        TrackActiveScene();
}

void CQuellonKR9SeriesDlg::RebuildSceneList()
{
    if (!m_lstScenes)
        return;
    const int top = m_lstScenes->indexAt(QPoint(1, 1)).row();
    const int selected = m_lstScenes->currentRow();
    QList<SceneRecordId> records;
    for (int i = 0; i < g_nSceneCount; ++i)
        records.append(SceneLineRecordId(i));
    m_lstScenes->clear();
    for (int i = 0; i < g_nSceneCount; ++i) {
        m_lstScenes->addItem(QString());
        WriteSceneLine(i, false);
        SetSceneLineRecord(i, records[i]);
    }
    m_lstScenes->setCurrentRow(0);
    m_lstScenes->setCurrentRow(std::clamp(g_nCurrentIndex, 0, m_lstScenes->count() - 1));
    if (top >= 0 && top < m_lstScenes->count())
        m_lstScenes->scrollToItem(m_lstScenes->item(top), QAbstractItemView::PositionAtTop);
    if (selected >= 0 && selected < m_lstScenes->count())
        m_lstScenes->setCurrentRow(selected);
}

void CQuellonKR9SeriesDlg::RenumberSceneList(int select)
{
    if (!m_lstScenes || m_lstScenes->count() == 0)
        return;
    // The names table follows the lines' order (drag and delete move both);
    // each line is written again from its name and its own mark.
    for (int i = 0; i < g_nSceneCount && i < m_lstScenes->count(); ++i)
        WriteSceneLine(i, SceneLineChanged(i));
    m_lstScenes->setCurrentRow(0);
    if (select >= 0 && select < m_lstScenes->count())
        m_lstScenes->setCurrentRow(select);
}

void CQuellonKR9SeriesDlg::UpdateSceneListScroll()
{
    if (!m_lstScenes || !m_sbSceneList)
        return;
    m_sbSceneList->SetScrollRange(0, std::max(0, m_lstScenes->count() - kVisibleSceneRows));
    m_sbSceneList->SetScrollPos(0);
}

void CQuellonKR9SeriesDlg::RedrawScenePanelLabels()
{
    // The caption and the "Active Scene" label are painted by the client
    // area in the band above the scene list (the frame's own update would
    // not reach them under the opaque client area).
    if (!m_client || !m_lstScenes)
        return;
    m_client->update(QRect(0, 0, m_lstScenes->geometry().right() + 1 + 40, m_lstScenes->y()));
}

void CQuellonKR9SeriesDlg::DrawActiveSceneLabel(QPainter& p)
{
    const QRect r = m_stcActiveScene.adjusted(-20, 0, 20, 0).translated(6, -1);
    p.fillRect(r, QColor(48, 59, 82));
    p.setFont(g_hFontActiveScene);
    p.setPen(QColor(240, 240, 240));
    p.drawText(r, Qt::AlignCenter, g_strActiveSceneLabel);
}

void CQuellonKR9SeriesDlg::DrawSceneCaption(QPainter& p)
{
    if (!m_lstScenes)
        return;
    QRect r = m_lstScenes->geometry().translated(6, -32);
    r.setLeft(r.left() + 4);
    r.setHeight(16);
    QString text = g_strActiveSceneTitle;
    if (StrEqualNoCase(text, kBlankSceneLine))
        text = text.mid(6);
    text = text.left(30);
    p.setFont(g_hFontUnitHeader);
    const QFontMetrics metrics(p.font());
    const int width = metrics.horizontalAdvance(text);
    p.fillRect(QRect(QPoint(r.left() - 10, r.top() + 6), QPoint(r.right() + 10, r.top() + 6 + metrics.height())),
               QColor(35, 31, 32));
    p.setPen(QColor(240, 240, 240));
    p.drawText(QPoint((r.left() + r.right()) / 2 - width / 2 - 1, r.top() + 6 + metrics.ascent()), text);
}

void CQuellonKR9SeriesDlg::SetUnitAssignmentPicture(int bitmapId)
{
    if (!m_btnUnitAssignment)
        return;
    m_btnUnitAssignment->SetImage(bitmapId);
}
