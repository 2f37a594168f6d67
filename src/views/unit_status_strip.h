#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include <array>

// The unit status strip's scroll position, 0 to 3 rows; the main window
// reads it to keep the strip's scroll bar in step.
extern int g_nUnitStatusScrollPos;

class CUnitStatusWnd;
// The strip once it is made; null before and after.
extern CUnitStatusWnd* g_hUnitStatusWnd;

// The unit status strip: one boxed picture per unit number 1 to 32, six to
// a row, chosen by the unit's status and labelled with its number, followed
// by blank boxes up to 42. Scrolled by whole rows through its own scroll
// bar, which the main window owns and reports to OnVScroll. A click on a box
// selects the unit and asks for its channels to be brought into view; a
// double-click then opens the unit status pages on it. The tooltip names the
// unit's model and status.
class CUnitStatusWnd : public QWidget {
    Q_OBJECT
public:
    // Placement in the main window's client area.
    static constexpr int kControlId = 1234;
    static constexpr QRect kPlacement{520, 37, 717, 116};
    static constexpr char kWindowName[] = "UnitStatusWindow";

    // The box grid.
    static constexpr int kColumns = 6;
    static constexpr int kColumnPitch = 120;
    static constexpr int kBoxWidth = 115;   // the box rectangle; the picture fills its top-left
    static constexpr int kBoxHeight = 35;
    static constexpr int kBoxCapacity = 106;
    static constexpr int kBoxesFilled = 48;
    static constexpr int kUnitBoxes = 32;   // boxes 33.. are blank
    static constexpr int kPaintedBoxes = 42;
    static constexpr int kMaxScrollPos = 3;
    static constexpr int kPageRows = 3;
    // Auto-pop delay of the tooltip.
    static constexpr int kTooltipDelayMs = 2400;
    // Position of the number on the picture, and its colour.
    static constexpr QPoint kNumberOrigin{6, 6};
    static constexpr QRgb kNumberColor = qRgb(64, 64, 64);
    // Per slot of a strip-view scroll: one slot is 656 px of the channel
    // strips, 84 px of the overview.
    static constexpr int kStripPixelsPerSlot = 656;
    static constexpr int kOverviewPixelsPerSlot = 84;

    // The scroll bar's notification codes (the values its parent receives).
    enum ScrollCode : int {
        ScrollLineUp = 0,
        ScrollLineDown = 1,
        ScrollPageUp = 2,
        ScrollPageDown = 3,
        ScrollThumbPosition = 4,
        ScrollThumbTrack = 5,
        ScrollTop = 6,
        ScrollBottom = 7,
        ScrollEndScroll = 8,
    };

    explicit CUnitStatusWnd(QWidget* parent = nullptr);
    ~CUnitStatusWnd() override;

    // Places the strip in parent at rect with its control id and shows it;
    // sets every slot's status to inactive and makes the strip the one
    // g_hUnitStatusWnd names.
    bool Create(QWidget* parent, const QRect& rect = kPlacement, int id = kControlId);

    // The scroll bar moved: code and position as the bar reports them.
    // Returns the new scroll position (also in g_nUnitStatusScrollPos),
    // which the owner gives back to the bar.
    int OnVScroll(int code, int position);
    // Scrolls to a row position (clamped to 0..3) and repaints.
    int SetScrollPos(int position);
    // Row pitch (picture height + 8) and the current offset in pixels.
    int rowPitch() const { return m_nRowPitch; }
    int scrollOffset() const { return m_nRowPitch * g_nUnitStatusScrollPos; }

    // The slot of the unit box under point (strip coordinates) at the
    // current scroll position, or 0 for none; a hit stores the unit number
    // in g_nSelectedUnitNumber.
    int HitTestBox(const QPoint& point) const;
    // Where box n (1..42) is drawn at the current scroll position.
    QRect BoxRect(int boxNumber) const;
    // The stored rectangle of box index k (0..47) before scrolling.
    QRect StoredBoxRect(int index) const;

    // The picture a unit box shows for a status and blink phase: the bank
    // of units 1..16 or that of 17..32. Empty for a code with no picture.
    static QString PictureForStatus(int unitNumber, int status, int blinkPhase);
    // The picture unit n shows now, from its slot's status and phase.
    static QString PictureForUnit(int unitNumber);
    // The tooltip of unit n: "Unit %d : Type % s:  Status %s ".
    static QString TooltipText(int unitNumber);
    static QString TypeName(int model);
    static QString StatusName(int status);

    // A status changed: the strip repaints (from any thread).
    void RepaintUnitStatus();
    // The tooltip's auto-pop delay.
    void SetTooltipDelay(int ms);
    int tooltipDelay() const { return toolTipDuration(); }

    // The click and double-click on a point, as the mouse delivers them.
    void OnLButtonDown(const QPoint& point);
    void OnLButtonDblClk(const QPoint& point);
    void OnMouseMove(const QPoint& point);

signals:
    // Bring slot (k + 1)'s channels into view: the channel-strip view to
    // horizontal position k * 656 and the overview to vertical position
    // (k - 1) * 84, or 0 for k = 0, both as thumb positions.
    void scrollViewsToUnit(int horizontalPos, int verticalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void ScrollViewsToUnit(int k);

    std::array<QRect, kBoxCapacity> m_rcBoxes{};
    QSize m_szPicture;
    int m_nRowPitch = 35;
    bool m_bCreated = false;
};
