#include "controls/scroll_bar.h"

#include "app/project_state.h"
#include "controls/control_ids.h"
#include "platform/skin_registry.h"
#include "platform/timer_table.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdint>

int g_nOverviewVScrollRange = 3528;

namespace {

// A rectangle with no thumb in it.
const QRect kNoThumb(-1, -1, 0, 0);

// The vertical thumb picture is a strip whose top 19 x 41 the bars draw.
constexpr int kVertThumbPartHeight = 41;

// Frames a rectangle with a one-pixel line just inside its edges.
void FrameRect(QPainter& painter, const QRect& rect, const QColor& colour)
{
    if (rect.isEmpty())
        return;
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), colour);
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), colour);
    painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), colour);
    painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), colour);
}

// Draws a picture stretched into target.
void DrawStretched(QPainter& painter, int id, const QRect& target, qreal dpr)
{
    if (target.isEmpty())
        return;
    const QPixmap pix = SkinRegistry::instance().pixmap(id, target.size(), dpr);
    if (!pix.isNull())
        painter.drawPixmap(target, pix);
}

} // namespace

CMyScrollBar::CMyScrollBar(QWidget* parent, TimerTable* timers)
    : QWidget(parent), m_pParent(parent), m_rcThumb(kNoThumb)
{
    if (!timers) {
        m_ownTimers = std::make_unique<QtTimerTable>();
        timers = m_ownTimers.get();
    }
    m_timers = timers;
    m_timers->setHandler([this](int id) { OnTimer(id); });
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_rcClient = rect();
}

CMyScrollBar::~CMyScrollBar()
{
    for (int id : {kTimerRepeat, kTimerRepeatDelay, kTimerHover})
        m_timers->kill(id);
    m_timers->setHandler({});
}

bool CMyScrollBar::Create(unsigned style, QWidget* parent, int anchorId, int newId)
{
    QWidget* anchor = FindChildById(parent, anchorId);
    if (!anchor)
        return false;
    const QRect rect = anchor->geometry();
    anchor->hide();
    return Create(style, parent, rect, newId, anchorId);
}

bool CMyScrollBar::Create(unsigned style, QWidget* parent, const QRect& rect, int newId,
                          int anchorId)
{
    if (!parent)
        return false;
    m_nAnchorId = anchorId;
    m_bHorizontal = (style & SBS_VERT) == 0;
    if (parentWidget() != parent)
        setParent(parent);
    m_pParent = parent;
    SetControlId(this, newId);
    setGeometry(rect);
    m_rcClient = QRect(QPoint(0, 0), rect.size());
    setCursor(Qt::ArrowCursor);
    ReadPictureSizes();
    UpdateThumbRect();
    setVisible((style & WS_VISIBLE) != 0);
    return true;
}

void CMyScrollBar::ReadPictureSizes()
{
    const SkinRegistry& skin = SkinRegistry::instance();
    const QSize thumb = skin.naturalSize(m_bHorizontal ? kBmpThumbHorz : kBmpThumbSceneList);
    const QSize arrow = skin.naturalSize(m_bHorizontal ? kBmpArrowLeft : kBmpArrowUp);
    m_nThumbW = thumb.isValid() ? thumb.width() : 0;
    m_nThumbH = thumb.isValid() ? thumb.height() : 0;
    m_nArrowW = arrow.isValid() ? arrow.width() : 0;
    m_nArrowH = arrow.isValid() ? arrow.height() : 0;
}

void CMyScrollBar::SetScrollRange(int a, int b, bool redraw)
{
    m_nRangeA = a;
    m_nRangeB = b;
    m_nMax = std::abs(a - b);
    UpdateThumbRect();
    if (redraw)
        update();
}

int CMyScrollBar::SetScrollPos(int pos, bool redraw)
{
    const int previous = m_nPos;
    m_nPos = pos;
    PlaceThumbFromPosition();
    if (redraw)
        update();
    return previous;
}

// ---- geometry --------------------------------------------------------------

QRect CMyScrollBar::FirstArrowRect() const
{
    if (m_bHorizontal)
        return QRect(0, 0, m_nArrowW, m_rcClient.height());
    return QRect(0, 0, m_rcClient.width(), m_nArrowH);
}

QRect CMyScrollBar::SecondArrowRect() const
{
    if (m_bHorizontal)
        return QRect(m_rcClient.width() - m_nArrowW, 0, m_nArrowW, m_rcClient.height());
    return QRect(0, m_rcClient.height() - m_nArrowH, m_rcClient.width(), m_nArrowH);
}

int CMyScrollBar::Travel() const
{
    // A bar too short for its thumb has no travel at all.
    return std::max(0, ClientLength() - 2 * ArrowLength() - ThumbLength());
}

int CMyScrollBar::ThumbEdgeForPointer(int along) const
{
    const int low = ArrowLength();
    return std::clamp(along - ThumbLength() / 2, low, low + Travel());
}

int CMyScrollBar::PositionFromThumbEdge(int edge)
{
    if (!m_bHorizontal && m_nMax < 1)
        m_nMax = 1;
    const int travel = Travel();
    if (travel <= 0)
        return 0;
    const float value = float(edge - ArrowLength()) * float(m_nMax) / float(travel);
    const int pos = static_cast<int>(std::trunc(value));
    if (pos < 1)
        return 0;
    if (pos >= m_nMax)
        return m_nMax;
    return pos;
}

int CMyScrollBar::PositionFromPoint(const QPoint& point)
{
    const int edge = ThumbEdgeForPointer(m_bHorizontal ? point.x() : point.y());
    ThumbEdge() = edge;
    const int pos = PositionFromThumbEdge(edge);
    UpdateThumbRect();
    return pos;
}

void CMyScrollBar::PlaceThumbFromPosition()
{
    const int low = ArrowLength();
    const int travel = Travel();
    int edge = low;
    if (m_nMax != 0) {
        const float offset = float(m_nPos) * float(travel) / float(m_nMax);
        edge = static_cast<int>(std::trunc(offset)) + low;
    }
    // A position outside the range still keeps the thumb on the track.
    ThumbEdge() = std::clamp(edge, low, low + travel);
    UpdateThumbRect();
    update();
}

void CMyScrollBar::UpdateThumbRect()
{
    if (m_nMax == 0) {
        m_rcThumb = kNoThumb;
        return;
    }
    if (m_bHorizontal)
        m_rcThumb = QRect(m_nThumbX, 0, m_nThumbW, m_rcClient.height());
    else
        m_rcThumb = QRect(0, m_nThumbY, m_rcClient.width(), m_nThumbH);
}

int CMyScrollBar::CrossAxisPosition(int position) const
{
    const int own = m_bHorizontal ? g_nHScrollRange : g_nOverviewVScrollRange;
    const int other = m_bHorizontal ? g_nOverviewVScrollRange : g_nHScrollRange;
    if (own == 0)
        return 0;
    const float value = float(position) / float(own) * float(other);
    if (!std::isfinite(value))
        return 0;
    const auto truncated = static_cast<long long>(std::trunc(value));
    return static_cast<int>(static_cast<std::uint16_t>(truncated & 0xFFFF));
}

// ---- steps and timers --------------------------------------------------------

void CMyScrollBar::StepBack()
{
    if (m_nPos > 0)
        --m_nPos;
    emit scrolled(SB_LINEUP, 0);
    PlaceThumbFromPosition();
}

void CMyScrollBar::StepForward()
{
    if (m_nPos < m_nMax)
        ++m_nPos;
    emit scrolled(SB_LINEDOWN, 0);
    PlaceThumbFromPosition();
}

void CMyScrollBar::OnTimer(int id)
{
    switch (id) {
    case kTimerRepeatDelay:
        m_timers->kill(kTimerRepeatDelay);
        if (m_bLeftPressed || m_bRightPressed || m_bUpPressed || m_bDownPressed)
            m_timers->arm(kTimerRepeat, kRepeatMs);
        break;
    case kTimerRepeat:
        if (m_bLeftPressed || m_bUpPressed)
            StepBack();
        if (m_bRightPressed || m_bDownPressed)
            StepForward();
        break;
    case kTimerHover:
        if (!m_rcThumb.contains(mapFromGlobal(QCursor::pos()))) {
            m_timers->kill(kTimerHover);
            SetHover(false);
            update();
        }
        break;
    default:
        break;
    }
}

bool CMyScrollBar::isTimerArmed(int id) const
{
    return m_timers->isArmed(id);
}

int CMyScrollBar::timerPeriod(int id) const
{
    return m_timers->period(id);
}

void CMyScrollBar::SetHover(bool hover)
{
    m_bHover = hover;
    setCursor(hover ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

// ---- mouse -------------------------------------------------------------------

void CMyScrollBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    const QPoint point = event->position().toPoint();
    if (m_rcThumb.contains(point)) {
        m_bThumbGrabbed = true;
        return;
    }
    if (SecondArrowRect().contains(point)) {
        (m_bHorizontal ? m_bRightPressed : m_bDownPressed) = true;
        m_timers->arm(kTimerRepeatDelay, kRepeatDelayMs);
        return;
    }
    if (FirstArrowRect().contains(point)) {
        (m_bHorizontal ? m_bLeftPressed : m_bUpPressed) = true;
        m_timers->arm(kTimerRepeatDelay, kRepeatDelayMs);
        return;
    }
    // The track: the thumb jumps to centre on the point.
    const bool before = (m_bHorizontal ? point.x() : point.y()) < ThumbEdgeValue();
    m_nPos = PositionFromPoint(point);
    update();
    emit scrolled(before ? SB_PAGEUP : SB_PAGEDOWN, m_nPos);
}

void CMyScrollBar::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

void CMyScrollBar::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    const bool hover = m_rcThumb.contains(point);
    if (hover != m_bHover)
        SetHover(hover);
    if (m_bThumbGrabbed && (event->buttons() & Qt::LeftButton))
        m_bDragging = true;
    if (m_bDragging) {
        m_nPos = PositionFromPoint(point);
        update();
    }
    event->accept();
}

void CMyScrollBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    m_timers->kill(kTimerRepeat);
    const QPoint point = event->position().toPoint();
    if (FirstArrowRect().contains(point))
        StepBack();
    else if (SecondArrowRect().contains(point))
        StepForward();
    SetHover(true);
    update();
    m_timers->arm(kTimerHover, kHoverWatchMs);

    emit scrolled(SB_THUMBPOSITION, m_nPos);
    emit crossAxisScrolled(m_bHorizontal ? Qt::Vertical : Qt::Horizontal, SB_THUMBPOSITION,
                           CrossAxisPosition(m_nPos));

    if (m_bHorizontal) {
        m_bLeftPressed = false;
        m_bRightPressed = false;
    } else {
        m_bUpPressed = false;
        m_bDownPressed = false;
    }
    m_bThumbGrabbed = false;
    m_bDragging = false;
    update();
}

// ---- wheel -------------------------------------------------------------------

void CMyScrollBar::ScrollWithWheelOver(QWidget* area)
{
    // A turn over any part of the area that no child takes reaches the
    // area on its way up, and with it this filter.
    if (area)
        area->installEventFilter(this);
}

bool CMyScrollBar::TakeWheel(const QWheelEvent& event)
{
    constexpr int kNotch = 120;
    const QPoint angle = event.angleDelta();
    const int turn = m_bHorizontal ? (angle.x() != 0 ? angle.x() : angle.y()) : angle.y();
    if (turn == 0)
        return false;
    // A turn the other way starts a fresh notch.
    if ((turn > 0) != (m_nWheelTurn > 0))
        m_nWheelTurn = 0;
    m_nWheelTurn += turn;
    const int notches = m_nWheelTurn / kNotch;
    m_nWheelTurn -= notches * kNotch;
    // Turning away from the operator (up, or tilting left) goes back.
    for (int i = 0; i < std::abs(notches); ++i) {
        if (notches > 0)
            StepBack();
        else
            StepForward();
    }
    return true;
}

void CMyScrollBar::wheelEvent(QWheelEvent* event)
{
    if (TakeWheel(*event))
        event->accept();
    else
        event->ignore();
}

bool CMyScrollBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel && isEnabled()) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (TakeWheel(*wheel)) {
            wheel->accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CMyScrollBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_rcClient = rect();
    PlaceThumbFromPosition();
}

// ---- painting ----------------------------------------------------------------

void CMyScrollBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const qreal dpr = devicePixelRatioF();
    const QColor frame(kFrameColor);
    const SkinRegistry& skin = SkinRegistry::instance();
    painter.fillRect(m_rcClient, frame);

    // 1. The first arrow; a horizontal bar leaves its top row to the frame.
    const QRect first = FirstArrowRect();
    const QRect firstPicture = m_bHorizontal ? first.adjusted(0, 1, 0, 0) : first;
    DrawStretched(painter, m_bHorizontal ? kBmpArrowLeft : kBmpArrowUp, firstPicture, dpr);
    FrameRect(painter, first, frame);

    // 2. The track on both sides of the thumb's centre, each part a single
    //    line of the track picture stretched along the bar.
    const QRect second = SecondArrowRect();
    const int trackStart = m_bHorizontal ? first.right() + 1 : first.bottom() + 1;
    const int trackEnd = m_bHorizontal ? second.left() : second.top();
    const int centre = ThumbEdgeValue() + ThumbLength() / 2;
    const int trackId = m_bHorizontal ? kBmpTrackHorz : kBmpTrackVert;
    const QSize natural = skin.naturalSize(trackId);
    if (natural.isValid() && trackEnd > trackStart) {
        const QSize across = m_bHorizontal ? QSize(natural.width(), m_rcClient.height())
                                           : QSize(m_rcClient.width(), natural.height());
        const QPixmap track = skin.pixmap(trackId, across, dpr);
        if (!track.isNull()) {
            const qreal mid = (m_bHorizontal ? across.width() : across.height()) / 2;
            const QRectF line = m_bHorizontal
                ? QRectF(mid * dpr, 0, dpr, across.height() * dpr)
                : QRectF(0, mid * dpr, across.width() * dpr, dpr);
            const int split = std::clamp(centre, trackStart, trackEnd);
            for (const auto& [from, to] : {std::pair{trackStart, split}, std::pair{split, trackEnd}}) {
                if (to <= from)
                    continue;
                const QRect part = m_bHorizontal
                    ? QRect(from, 0, to - from, m_rcClient.height())
                    : QRect(0, from, m_rcClient.width(), to - from);
                painter.drawPixmap(QRectF(part), track, line);
            }
        }
    }

    // 3. The second arrow.
    DrawStretched(painter, m_bHorizontal ? kBmpArrowRight : kBmpArrowDown, second, dpr);
    FrameRect(painter, second, frame);

    // 4. The thumb, when there is a range.
    UpdateThumbRect();
    if (m_nMax != 0 && !m_rcThumb.isEmpty()) {
        if (m_bHorizontal || m_nAnchorId == kSceneListAnchorId) {
            DrawStretched(painter, m_bHorizontal ? kBmpThumbHorz : kBmpThumbSceneList, m_rcThumb,
                          dpr);
        } else {
            // Only the top part of the strip is the thumb.
            const QSize strip = skin.naturalSize(kBmpThumbVert);
            if (strip.isValid()) {
                const int fullHeight = qRound(double(m_rcThumb.height()) * strip.height()
                                              / kVertThumbPartHeight);
                const QPixmap pix =
                    skin.pixmap(kBmpThumbVert, QSize(m_rcThumb.width(), fullHeight), dpr);
                if (!pix.isNull())
                    painter.drawPixmap(QRectF(m_rcThumb), pix,
                                       QRectF(0, 0, m_rcThumb.width() * dpr,
                                              m_rcThumb.height() * dpr));
            }
        }
    }

    // 5. The frame round the whole bar.
    FrameRect(painter, m_rcClient, frame);
}
