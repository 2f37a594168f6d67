#pragma once

#include <QRect>
#include <QWidget>

#include <memory>

class QWheelEvent;
class TimerTable;

// The range the overview's vertical bar scrolls through; the horizontal
// bars convert their positions into it for the cross-axis report.
extern int g_nOverviewVScrollRange;

// The self-drawn scroll bar of the main window. It is laid over a hidden
// placeholder (or a given rectangle), moves its own thumb and reports what
// the operator did as scroll codes with a position, the way a scroll-bar
// control reports to its parent; the owner moves the content. On every
// button release it also reports the matching position on the other axis
// (the overview's vertical range against the channel-strip view's
// horizontal range), so the main window can keep both views in proportion.
class CMyScrollBar : public QWidget {
    Q_OBJECT
public:
    // Scroll codes of the reports.
    enum Code : int {
        SB_LINEUP = 0,        // one step back by an arrow (position 0)
        SB_LINEDOWN = 1,      // one step forward by an arrow (position 0)
        SB_PAGEUP = 2,        // a track click before the thumb (new position)
        SB_PAGEDOWN = 3,      // a track click after the thumb (new position)
        SB_THUMBPOSITION = 4, // every button release (position)
        SB_THUMBTRACK = 5,
        SB_TOP = 6,
        SB_BOTTOM = 7,
        SB_ENDSCROLL = 8,
    };
    // Style bits Create understands.
    static constexpr unsigned SBS_VERT = 0x1;
    static constexpr unsigned WS_VISIBLE = 0x10000000;
    // Timers: the arrow repeat, the delay before it, the hover watch.
    enum TimerId : int { kTimerRepeat = 1, kTimerRepeatDelay = 2, kTimerHover = 3 };
    static constexpr int kRepeatDelayMs = 150;
    static constexpr int kRepeatMs = 100;
    static constexpr int kHoverWatchMs = 50;
    // Pictures.
    static constexpr int kBmpArrowLeft = 168;
    static constexpr int kBmpArrowRight = 181;
    static constexpr int kBmpArrowUp = 169;
    static constexpr int kBmpArrowDown = 188;
    static constexpr int kBmpTrackHorz = 177;
    static constexpr int kBmpTrackVert = 186;
    static constexpr int kBmpThumbHorz = 166;
    static constexpr int kBmpThumbVert = 167;       // its top 19 x 41 is drawn
    static constexpr int kBmpThumbSceneList = 223;  // the bar over placeholder 1060
    static constexpr int kSceneListAnchorId = 1060;
    static constexpr QRgb kFrameColor = qRgb(76, 84, 118);

    // Without a timer table the bar runs its own timers; tests hand it a
    // manual one.
    explicit CMyScrollBar(QWidget* parent = nullptr, TimerTable* timers = nullptr);
    ~CMyScrollBar() override;

    // Takes the place of parent's child anchorId (parent coordinates), hides
    // that child and shows itself there with the id newId when the style has
    // WS_VISIBLE; SBS_VERT makes a vertical bar. False when parent has no
    // such child.
    bool Create(unsigned style, QWidget* parent, int anchorId, int newId);
    // The same over a rectangle of parent; anchorId only chooses the
    // vertical thumb picture.
    bool Create(unsigned style, QWidget* parent, const QRect& rect, int newId, int anchorId = 0);

    // Both ends of the range; the length is their distance.
    void SetScrollRange(int a, int b, bool redraw = true);
    // Stores pos as given and places the thumb; returns the previous position.
    int SetScrollPos(int pos, bool redraw = true);
    int GetScrollPos() const { return m_nPos; }
    int GetScrollLimit() const { return m_nMax; }
    int rangeA() const { return m_nRangeA; }
    int rangeB() const { return m_nRangeB; }
    bool isHorizontal() const { return m_bHorizontal; }
    int anchorId() const { return m_nAnchorId; }

    // What a timer does when it ticks; the bar's timers call it.
    void OnTimer(int id);
    bool isTimerArmed(int id) const;
    int timerPeriod(int id) const;

    // Geometry along the bar, in client coordinates.
    QRect FirstArrowRect() const;
    QRect SecondArrowRect() const;
    // Pixels the thumb can travel; 0 when the bar is too short for it.
    int Travel() const;
    // The thumb of the last placement or paint; (-1, -1) with no size when
    // no thumb is shown.
    const QRect& ThumbRect() const { return m_rcThumb; }
    // The position the thumb gives when the pointer holds it at point.
    int PositionFromPoint(const QPoint& point);

    bool isHover() const { return m_bHover; }
    bool isThumbGrabbed() const { return m_bThumbGrabbed; }
    bool isDragging() const { return m_bDragging; }
    // The first (left / up) or second (right / down) arrow is held.
    bool isFirstArrowHeld() const { return m_bHorizontal ? m_bLeftPressed : m_bUpPressed; }
    bool isSecondArrowHeld() const { return m_bHorizontal ? m_bRightPressed : m_bDownPressed; }

    // The mouse wheel steps the bar as its arrows do, one line step per
    // notch, over the bar and over area, the content it scrolls.
    void ScrollWithWheelOver(QWidget* area);
    // Turns a wheel event into line steps: one per whole notch (120 eighths
    // of a degree) along the bar's axis; a horizontal bar takes a vertical
    // turn too. False when the turn is not along the bar.
    bool TakeWheel(const QWheelEvent& event);

    // The position on the other axis that a release reports for position:
    // p / own range * other range in single precision, truncated, low 16
    // bits; 0 when the own range is 0.
    int CrossAxisPosition(int position) const;

signals:
    // The report to the owner: a code and, for codes 2, 3 and 4, a position.
    // A horizontal bar's reports are horizontal scrolls, a vertical bar's vertical.
    void scrolled(int code, int position);
    // On every release, after scrolled(SB_THUMBPOSITION): a scroll of the
    // main window on the other axis (Qt::Vertical for a horizontal bar).
    void crossAxisScrolled(Qt::Orientation axis, int code, int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // The second press of a double click does nothing: the first press
    // already paged or took the thumb. Its release is a release as any.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ReadPictureSizes();
    // Thumb edge along the bar from a pointer coordinate, kept on the track.
    int ThumbEdgeForPointer(int along) const;
    int PositionFromThumbEdge(int edge);
    // Puts the thumb where the position says and repaints.
    void PlaceThumbFromPosition();
    void UpdateThumbRect();
    void StepBack();
    void StepForward();
    void SetHover(bool hover);
    int ThumbLength() const { return m_bHorizontal ? m_nThumbW : m_nThumbH; }
    int ArrowLength() const { return m_bHorizontal ? m_nArrowW : m_nArrowH; }
    int ClientLength() const { return m_bHorizontal ? m_rcClient.width() : m_rcClient.height(); }
    int& ThumbEdge() { return m_bHorizontal ? m_nThumbX : m_nThumbY; }
    int ThumbEdgeValue() const { return m_bHorizontal ? m_nThumbX : m_nThumbY; }

    int m_nPos = 0;
    int m_nRangeA = 0;
    int m_nRangeB = 0;
    QRect m_rcClient;
    QWidget* m_pParent = nullptr;
    int m_nThumbX = 25;
    int m_nThumbY = 25;
    int m_nAnchorId = 0;
    int m_nThumbW = 0;
    int m_nArrowW = 0;
    int m_nThumbH = 0;
    int m_nArrowH = 0;
    int m_nMax = 0;
    QRect m_rcThumb;
    bool m_bHover = false;
    bool m_bRightPressed = false;
    bool m_bLeftPressed = false;
    bool m_bUpPressed = false;
    bool m_bDownPressed = false;
    bool m_bThumbGrabbed = false;
    bool m_bDragging = false;
    bool m_bHorizontal = true;
    int m_nWheelTurn = 0; // the part of a notch turned so far, signed

    std::unique_ptr<TimerTable> m_ownTimers;
    TimerTable* m_timers = nullptr;
};
