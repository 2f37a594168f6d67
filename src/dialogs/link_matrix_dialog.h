#pragma once

#include <QFont>
#include <QRect>
#include <QTimer>

#include <array>
#include <functional>
#include <optional>

#include "app/project_state.h"
#include "controls/bitmap_buttons.h"
#include "dialogs/skinned_dialog.h"

class QScrollBar;

// The client rectangles of the ten group titles: the row bands of the grid.
extern std::array<QRect, kLinkGroupCount> g_rcLinkGroupTitle;
// One rectangle per cell, index channel * 10 + group - 1, in client
// coordinates at the current scroll position.
extern std::array<QRect, kChannelCount * kLinkGroupCount> g_rcLinkCell;
// The cell toggled last (a drag toggles each cell once as it enters it).
extern QRect g_rcLastToggledCell;

// "Link Matrix": all 384 channels against the ten link groups, scrolled
// sideways. A click on a cell puts the channel into the group or takes it
// out at once, through the main window's link operations and their rules
// (refusals show their messages); a drag with the button held toggles each
// cell it enters once. A double click on a group title lists the group's
// members, a right click renames the group, a right click on a cell names
// the channel. OK (also "O", "o" and Enter) lets the active scene take up
// the link changes when it follows the live state; Help ("H", "h") opens the
// link help document. Dragged by its title strip.
class CLinkMatrixDlg : public CSkinnedDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 1147;
    static constexpr int IDC_SCROLL = 1015;
    static constexpr int IDC_UNIT_HEADER = 1016;
    static constexpr int IDC_MATRIX = 1020;
    static constexpr int IDC_COLUMN_TITLE = 1021;
    static constexpr int IDC_GROUP_TITLE_FIRST = 1901; // 1901..1910
    static constexpr int IDC_CHANNEL_HEADER = 40000;   // 40000..40007
    static constexpr int IDC_OK_PLACEHOLDER = 1050;
    static constexpr int IDC_HELP_PLACEHOLDER = 1051;
    static constexpr int kTimerReady = 4;
    static constexpr int kReadyDelayMs = 200;
    static constexpr int kCellsPerPage = 8;
    // Scroll codes OnHScroll takes.
    enum ScrollCode : int {
        SB_LINELEFT = 0,
        SB_LINERIGHT = 1,
        SB_PAGELEFT = 2,
        SB_PAGERIGHT = 3,
        SB_THUMBPOSITION = 4,
        SB_THUMBTRACK = 5,
        SB_LEFT = 6,
        SB_RIGHT = 7,
        SB_ENDSCROLL = 8,
    };
    static constexpr QRgb kStripeColor = qRgb(222, 222, 222);
    static constexpr QRgb kUnusedTextColor = qRgb(128, 128, 128);

    explicit CLinkMatrixDlg(QWidget* parent = nullptr);
    ~CLinkMatrixDlg() override;

    static DialogTemplate Layout();

    void OnCommand(int id) override;

    // What OK does besides ending the dialog: the main window installs the
    // re-capture of the active scene (when the active scene follows the live
    // state and still exists, its record takes up the link changes).
    static void SetActiveSceneRecapture(std::function<void()> recapture);

    // Scrolling by a scroll code; position only for SB_THUMBTRACK.
    void OnHScroll(int code, int position);
    int scrollPos() const { return m_nScrollPos; }
    // The furthest the grid scrolls (half of it in the mixed unit mode).
    int ScrollMaximum() const;
    QScrollBar* scrollBar() const { return m_sbHorz; }

    // Geometry of the grid at the current scroll position.
    int cellWidth() const { return m_nCellWidth; }
    QRect CellRect(int channel, int group1) const;
    // The cell under a point of the visible grid: channel and group 1..10.
    std::optional<std::pair<int, int>> CellAt(const QPoint& point) const;
    // The x range in which columns are drawn, and the part of it not under
    // the group titles, where cells take clicks.
    int BandLeft() const;
    int BandRight() const;
    int HitLeft() const;
    // The group (0..9) whose title holds the point, or -1.
    int GroupTitleAt(const QPoint& point) const;

    bool isReady() const { return m_bReady; }
    void OnTimer(int id);
    bool isTimerArmed(int id) const { return id == kTimerReady && m_readyTimer.isActive(); }

    void OnHelp();
    void RenameGroup();

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnPaint(QPainter& painter) override;
    void PreTranslateKey(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void RebuildCellRects();
    void DrawMatrix(QPainter& painter);
    void OnLButtonDown(const QPoint& point);
    void OnRButtonDown(const QPoint& point);
    void OnLButtonDblClk(const QPoint& point);
    void OnMouseMove(const QPoint& point);
    // Flips the cell's flag and applies it: joining through the link rules,
    // leaving through "None" (a drag leaves the channel's Link state as it is).
    void ToggleCell(int channel, int group1, bool fromDrag);
    // Runs one of the matrix's own dialogs (member list, rename, channel
    // naming) with the matrix hidden until it closes.
    void RunOwnDialog(CSkinnedDialog& dialog);
    void AfterSubDialog();
    int ColumnStart() const;

    int m_nDialogDpi = 96;
    int m_nCellWidth = 22;
    bool m_bReady = false;
    CBrannockButton m_btnOK;
    CBrannockButton m_btnHelp;
    QFont m_hFontVertical;
    QFont m_hFontBold;
    int m_nScrollStep = 0;
    int m_nScrollPos = 0;
    int m_nScrollMax = 0;
    QScrollBar* m_sbHorz = nullptr;
    QTimer m_readyTimer;
};
