#include "controls/gain_fader.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include "app/project_state.h"
#include "controls/control_ids.h"
#include "controls/strip_switch.h"
#include "platform/skin_registry.h"

FaderHost* g_pFaderHost = nullptr;

namespace {
constexpr int kUndoKindGain = 9;
}

bool IsLoneMoveModifier(Qt::KeyboardModifiers keys)
{
    return (keys & (Qt::AltModifier | Qt::ShiftModifier)) != 0;
}

CMySlider::CMySlider(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void CMySlider::Setup(int channel, QSize thumbSize, int trackBitmap, int thumbBitmap)
{
    m_nChannel = channel;
    SetControlId(this, kFaderIdBase + channel);
    m_nThumbWidth = thumbSize.width();
    m_nThumbHeight = thumbSize.height();
    m_rcTrack = QRect(QPoint(0, 0), size());
    m_nTrackBitmap = trackBitmap;
    m_nThumbBitmap = thumbBitmap;
    m_nThumbTop = m_nThumbTopSaved = m_rcTrack.height() - m_nThumbHeight;
    m_nPos = GetMax();
}

int CMySlider::GetMax() const
{
    return MaxGainStepOfChannel(m_nChannel);
}

int CMySlider::ClampValue(int value) const
{
    return value < 0 ? 0 : value > GetMax() ? GetMax() : value;
}

int CMySlider::ThumbTopForValue(int value) const
{
    return static_cast<int>(double(travel()) * double(value) / double(GetMax())) + m_rcTrack.top();
}

int CMySlider::ValueForThumbTop(int top) const
{
    const int t = top - m_rcTrack.top();
    const int span = travel();
    if (span <= 0 || t <= 0)
        return 0;
    // Smallest step whose thumb top reaches t: undoes the truncation above.
    return (t * GetMax() + span - 1) / span;
}

int CMySlider::ValueFromY(int y) const
{
    return ValueForThumbTop(y - m_nGrabOffset);
}

void CMySlider::SetPos(int value)
{
    const int v = ClampValue(value);
    m_nPos = v;
    m_nThumbTop = m_nThumbTopSaved = ThumbTopForValue(v);
    if (s_batchDepth > 0)
        update();
    else
        repaint();
}

QRect CMySlider::ThumbRect() const
{
    int top = m_nThumbTop + m_rcTrack.top();
    top = std::max(top, m_rcTrack.top());
    top = std::min(top, m_rcTrack.bottom() + 1 - m_nThumbHeight);
    return QRect(m_rcTrack.left(), top, m_rcTrack.width(), m_nThumbHeight);
}

void CMySlider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const qreal dpr = devicePixelRatioF();
    SkinRegistry& skin = SkinRegistry::instance();
    painter.drawPixmap(m_rcTrack.topLeft(), skin.pixmap(m_nTrackBitmap, m_rcTrack.size(), dpr));
    m_rcThumb = ThumbRect();
    painter.drawPixmap(m_rcThumb.topLeft(), skin.pixmap(m_nThumbBitmap, m_rcThumb.size(), dpr));
}

void CMySlider::mousePressEvent(QMouseEvent* event)
{
    Grab(event, true);
}

void CMySlider::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click takes the thumb again; the first
    // press already recorded where the gesture started.
    Grab(event, false);
}

void CMySlider::Grab(QMouseEvent* event, bool recordUndo)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_rcThumb = ThumbRect();
    const QPoint at = event->position().toPoint();
    if (!m_rcThumb.contains(at))
        return; // a click on the track does not move the fader
    g_bFaderDragging = true;
    g_nCurrentChannel = m_nChannel;
    g_nLastGain = m_nPos;
    m_bGrabbed = true;
    m_nThumbTop = m_nThumbTopSaved;
    m_nGrabOffset = at.y() - m_nThumbTopSaved;
    if (recordUndo && g_pFaderHost)
        g_pFaderHost->PushUndoRecord(m_nChannel, kUndoKindGain, m_nPos);
}

void CMySlider::mouseMoveEvent(QMouseEvent* event)
{
    const int channel = m_nChannel;
    // A channel no unit owns, or whose unit is run from a MIDI card, is inert.
    if (channel < 0 || channel >= kChannelCount || g_ChannelUnitType[channel] == UNIT_TYPE_UNUSED)
        return;
    const int slot = ControlUnitSlot(channel);
    if (slot >= 1 && slot <= kSlotCount && g_UnitOption[slot] == "MIDI")
        return;
    const QPoint at = event->position().toPoint();
    const bool hover = m_rcThumb.contains(at) && !m_bGrabbed;
    if (hover != m_bHover) {
        m_bHover = hover;
        if (hover)
            setCursor(Qt::PointingHandCursor);
        else
            unsetCursor();
    }
    if (!m_bGrabbed && !m_bDragging)
        return;
    g_bFaderDragging = true;
    m_bDragging = true;
    m_nThumbTop = at.y() - m_nGrabOffset;
    const int step = ClampValue(ValueFromY(at.y()));
    g_nLastGain = step;
    if (!g_pFaderHost)
        return;
    const Qt::KeyboardModifiers keys = event->modifiers();
    g_InputModifiers = keys;
    int count = 0;
    if (IsLoneMoveModifier(keys))
        g_pFaderHost->SetChannelGain(step);
    else if (keys & Qt::ControlModifier)
        g_pFaderHost->SetUnitBlockGain(step);
    else if (g_pFaderHost->CollectLinkedChannels(g_nCurrentChannel, count))
        g_pFaderHost->SetLinkedGain(step, count);
    else
        g_pFaderHost->SetChannelGain(step);
    g_InputModifiers = Qt::NoModifier;
}

void CMySlider::mouseReleaseEvent(QMouseEvent*)
{
    g_bFaderDragging = false;
    m_bGrabbed = false;
    m_bDragging = false;
    if (g_pFaderHost)
        g_pFaderHost->OnFaderReleased();
}
