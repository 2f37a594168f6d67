#include "controls/strip_switch.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include "app/app_services.h"
#include "app/command_ids.h"
#include "app/project_state.h"
#include "controls/control_ids.h"
#include "platform/skin_registry.h"

CNewCustomBtn* g_pLastCustomBtn = nullptr;

namespace {

// A sweep repeats the strip command only during a press that began on a switch.
bool g_bSweepArmed = false;

} // namespace

int ControlUnitSlot(int channel)
{
    return channel >= kFirstRemoteChannel ? channel / 8 + 1 : (channel / 16) * 2 + 1;
}

CNewCustomBtn::CNewCustomBtn(QWidget* parent, int id, int channel, int bmpOff, int bmpOn,
                             int bmpDisabled)
    : QWidget(parent), m_nIndex(channel), m_nId(unsigned(id)), m_pParent(parent), m_nBmpOff(bmpOff),
      m_nBmpOn(bmpOn), m_nBmpDisabled(bmpDisabled), m_nKind(id / 1000)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    SetControlId(this, id);
}

bool CNewCustomBtn::IsBlocked() const
{
    if (m_nState == kDisabled)
        return true;
    const int p = ControlUnitSlot(m_nIndex);
    if (p < 1 || p > kSlotCount)
        return true;
    if (g_UnitStatus[p] == UNIT_INACTIVE || g_UnitStatus[p] == UNIT_OFFLINE)
        return true;
    const int s = m_nIndex / 8 + 1;
    return m_nIndex < kFirstRemoteChannel && g_UnitModel[p] == UNIT_TYPE_KR960_8 && s % 2 == 0;
}

void CNewCustomBtn::SetState(int state)
{
    if (m_nState == state)
        return;
    m_nState = state;
    update();
}

void CNewCustomBtn::paintEvent(QPaintEvent*)
{
    const int bitmap = m_nState == kOff ? m_nBmpOff
        : m_nState == kOn               ? m_nBmpOn
        : m_nState == kDisabled         ? m_nBmpDisabled
                                        : 0;
    if (bitmap == 0)
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0,
                       SkinRegistry::instance().pixmap(bitmap, size(), devicePixelRatioF()));
}

void CNewCustomBtn::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    g_bSweepArmed = false;
    if (IsBlocked())
        return;
    g_bSweepArmed = true;
    g_nCurrentChannel = m_nIndex;
    g_nStripCommandKind = m_nKind;
    const int state = m_nState != kOn ? kOn : kOff;
    m_nState = state;
    g_nStripCommandState = state;
    g_InputModifiers = event->modifiers();
    repaint(); // the new picture shows before the command runs
    SendMainCommand(ID_STRIP_COMMAND);
}

void CNewCustomBtn::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The first press of the double click already toggled the switch.
    event->accept();
}

void CNewCustomBtn::mouseMoveEvent(QMouseEvent* event)
{
    UpdateCursor();
    if (!(event->buttons() & Qt::LeftButton) || !g_bSweepArmed)
        return;
    // The press grabbed the mouse: find the switch under the pointer.
    QWidget* under = QApplication::widgetAt(event->globalPosition().toPoint());
    auto* other = qobject_cast<CNewCustomBtn*>(under);
    if (!other || other->m_nKind != g_nStripCommandKind || other->m_nIndex == g_nCurrentChannel
        || other->IsBlocked())
        return;
    g_nCurrentChannel = other->m_nIndex;
    g_InputModifiers = event->modifiers();
    SendMainCommand(ID_STRIP_COMMAND);
}

void CNewCustomBtn::mouseReleaseEvent(QMouseEvent*)
{
    g_bSweepArmed = false;
}

void CNewCustomBtn::enterEvent(QEnterEvent*)
{
    UpdateCursor();
}

void CNewCustomBtn::UpdateCursor()
{
    if (IsBlocked())
        unsetCursor();
    else
        setCursor(Qt::PointingHandCursor);
}

CNewCustomBtn* CreateNewCustomBtnEx(QWidget* parent, int id, int channel, int bmpOff, int bmpOn,
                                    int bmpDisabled, const QRect& rect)
{
    auto* button = new CNewCustomBtn(parent, id, channel, bmpOff, bmpOn, bmpDisabled);
    button->setGeometry(rect);
    button->m_rcClient = QRect(QPoint(0, 0), rect.size());
    g_pLastCustomBtn = button;
    return button;
}

CNewCustomBtn* CreateNewCustomBtn(QWidget* parent, int id, int channel, int bmpOff, int bmpOn,
                                  const QRect& rect)
{
    return CreateNewCustomBtnEx(parent, id, channel, bmpOff, bmpOn, bmpOff, rect);
}
