// The views and bars of the main window: the overview and its vertical bar,
// the channel-strip view's horizontal bar, the unit status strip and the
// scene list's bar, and how each scroll report moves its view.

#include "app/main_dialog.h"

#include <QListWidget>

#include "controls/scroll_bar.h"
#include "platform/clock.h"
#include "views/overview.h"
#include "views/underview.h"
#include "views/unit_status_strip.h"
#include "views/window_frame.h"

namespace {

constexpr int kOverviewRange = 3528;
constexpr int kOverviewRow = 168;
constexpr int kOverviewPage = 504;
constexpr int kOverviewTop = 210;
constexpr int kOverviewBottom = 724;
// The overview window as it is created, from (60, 210) to (1070, 734); the
// layout then makes it as wide as its contents.
constexpr QRect kOverviewCreated(60, kOverviewTop, 1070 - 60, 734 - kOverviewTop);
constexpr int kOverviewBarGap = 6;
constexpr int kOverviewBarHeight = 524;

int RoundToward0(int value, int step)
{
    return value / step * step;
}

} // namespace

void CQuellonKR9SeriesDlg::CreateOverviewWindow()
{
    g_bOverviewMode = true; // its faders paint with the overview skin while it is laid out
    m_overviewPort = new CBorderedWindow(m_client);
    m_overviewPort->setObjectName(QStringLiteral("OverviewWindow"));
    m_overviewPort->setGeometry(kOverviewCreated);
    m_overviewPort->hide();
    m_wndOverview = new COverviewWnd(m_overviewPort->client(), m_platform.clock);
    m_wndOverview->BuildLayout();
    g_bOverviewMode = false;

    m_sbOverviewVert = new CMyScrollBar(m_client);
    m_sbOverviewVert->Create(CMyScrollBar::SBS_VERT, m_client,
                             QRect(0, kOverviewTop, kScrollBarWidth, kOverviewBarHeight), 1031, 6025);
    PlaceOverview(kOverviewCreated.left());
    m_sbOverviewVert->SetScrollRange(0, kOverviewRange);
    m_sbOverviewVert->SetScrollPos(0);
    m_sbOverviewVert->hide();
    m_nVScrollRange = kOverviewRange;
    connect(m_sbOverviewVert, &CMyScrollBar::scrolled, this,
            [this](int code, int position) { OnVScroll(code, position); });
    m_sbOverviewVert->ScrollWithWheelOver(m_overviewPort);
    KeepViewsInProportion(m_sbOverviewVert);
}

void CQuellonKR9SeriesDlg::PlaceOverview(int left)
{
    m_overviewPort->setGeometry(left, m_overviewPort->y(), g_nOverviewWidth, kOverviewBottom - m_overviewPort->y());
    if (m_sbOverviewVert)
        m_sbOverviewVert->move(m_overviewPort->geometry().right() + 1 + kOverviewBarGap, m_overviewPort->y());
}

void CQuellonKR9SeriesDlg::KeepViewsInProportion(CMyScrollBar* viewBar)
{
    // A view's bar, released, moves the other view to the same share of its
    // range. Only the two views' bars: the scene list and the unit status
    // strip scrolling would otherwise shift the channel strips too.
    connect(viewBar, &CMyScrollBar::crossAxisScrolled, this, [this](Qt::Orientation axis, int code, int position) {
        if (axis == Qt::Vertical)
            OnVScroll(code, position);
        else
            OnHScroll(code, position);
    });
}

void CQuellonKR9SeriesDlg::CreateUnitStatusWindow()
{
    m_wndUnitStatus = new CUnitStatusWnd;
    m_wndUnitStatus->Create(m_client);
    const QRect strip = m_wndUnitStatus->geometry();
    m_sbUnitStatus = new CMyScrollBar(m_client);
    m_sbUnitStatus->Create(CMyScrollBar::SBS_VERT | CMyScrollBar::WS_VISIBLE, m_client,
                           QRect(strip.right() + 1 + 4, strip.top() - 5, 16, strip.height() + 6), 1914, 1059);
    m_sbUnitStatus->SetScrollRange(0, 3);
    m_sbUnitStatus->SetScrollPos(0);
    connect(m_sbUnitStatus, &CMyScrollBar::scrolled, this, [this](int code, int position) {
        m_wndUnitStatus->OnVScroll(code, position);
        m_sbUnitStatus->SetScrollPos(g_nUnitStatusScrollPos);
    });
    m_sbUnitStatus->ScrollWithWheelOver(m_wndUnitStatus);
    // A click on a box brings the unit's channels into view.
    connect(m_wndUnitStatus, &CUnitStatusWnd::scrollViewsToUnit, this, [this](int h, int v) {
        ScrollStripsBy(h - m_nHScrollPos);
        ScrollOverviewBy(v - m_nVScrollPos);
    });

    // The scene list's own bar beside it.
    const QRect list = m_lstScenes->geometry();
    m_sbSceneList = new CMyScrollBar(m_client);
    m_sbSceneList->Create(CMyScrollBar::SBS_VERT | CMyScrollBar::WS_VISIBLE, m_client,
                          QRect(list.right() + 1 + 1, list.top() - 4, 16, list.height() + 8), 1915,
                          CMyScrollBar::kSceneListAnchorId);
    m_sbSceneList->SetScrollRange(0, 0);
    m_sbSceneList->SetScrollPos(0);
    connect(m_sbSceneList, &CMyScrollBar::scrolled, this,
            [this](int code, int position) { OnSceneListScroll(code, position); });
    // The list scrolls by its bar only, so the two never part.
    m_sbSceneList->ScrollWithWheelOver(m_lstScenes->viewport());
}

void CQuellonKR9SeriesDlg::OnHScroll(int code, int position)
{
    int delta = 0;
    switch (code) {
    case CMyScrollBar::SB_LINEUP:
        delta = -CUnderviewWnd::kStripWidth;
        break;
    case CMyScrollBar::SB_LINEDOWN:
        delta = CUnderviewWnd::kStripWidth;
        break;
    case CMyScrollBar::SB_PAGEUP:
        delta = -CUnderviewWnd::kSlotWidth;
        break;
    case CMyScrollBar::SB_PAGEDOWN:
        delta = CUnderviewWnd::kSlotWidth;
        break;
    case CMyScrollBar::SB_THUMBPOSITION:
    case CMyScrollBar::SB_THUMBTRACK:
        delta = position - m_nHScrollPos;
        break;
    default:
        break;
    }
    ScrollStripsBy(delta);
}

void CQuellonKR9SeriesDlg::OnVScroll(int code, int position)
{
    if (g_bFaderDragging)
        return;
    m_nVScrollRange = kOverviewRange;
    int delta = 0;
    switch (code) {
    case CMyScrollBar::SB_LINEUP:
        delta = -kOverviewRow;
        break;
    case CMyScrollBar::SB_LINEDOWN:
        delta = kOverviewRow;
        break;
    case CMyScrollBar::SB_PAGEUP:
        delta = -kOverviewPage;
        break;
    case CMyScrollBar::SB_PAGEDOWN:
        delta = kOverviewPage;
        break;
    case CMyScrollBar::SB_THUMBPOSITION:
    case CMyScrollBar::SB_THUMBTRACK:
        delta = position - m_nVScrollPos;
        break;
    case CMyScrollBar::SB_TOP:
        delta = -m_nVScrollPos;
        break;
    case CMyScrollBar::SB_BOTTOM:
        delta = kOverviewRange - m_nVScrollPos;
        break;
    default:
        break;
    }
    ScrollOverviewBy(delta);
}

void CQuellonKR9SeriesDlg::ScrollOverviewBy(int delta)
{
    delta = RoundToward0(delta, kOverviewRow);
    delta = std::clamp(delta, -m_nVScrollPos, kOverviewRange - m_nVScrollPos);
    delta = RoundToward0(delta, kOverviewRow);
    if (delta == 0)
        return;
    m_nVScrollPos += delta;
    if (m_wndOverview)
        m_wndOverview->move(0, -m_nVScrollPos);
    if (m_sbOverviewVert)
        m_sbOverviewVert->SetScrollPos(m_nVScrollPos);
}

void CQuellonKR9SeriesDlg::OnSceneListScroll(int code, int position)
{
    if (g_bFaderDragging || !m_lstScenes)
        return;
    if (m_lstScenes->count() < 2) {
        m_sbSceneList->SetScrollPos(0);
        return;
    }
    int top = -1;
    switch (code) {
    case CMyScrollBar::SB_THUMBTRACK:
    case CMyScrollBar::SB_THUMBPOSITION:
        top = position;
        break;
    case CMyScrollBar::SB_LINEUP:
    case CMyScrollBar::SB_LINEDOWN:
        top = std::max(0, m_sbSceneList->GetScrollPos());
        break;
    case CMyScrollBar::SB_PAGEUP:
        top = 0;
        break;
    case CMyScrollBar::SB_PAGEDOWN:
        top = std::max(0, m_lstScenes->count() - kVisibleSceneRows);
        break;
    default:
        break;
    }
    if (top < 0 || top >= m_lstScenes->count())
        return;
    m_sbSceneList->SetScrollPos(top);
    m_lstScenes->scrollToItem(m_lstScenes->item(top), QAbstractItemView::PositionAtTop);
}
