#include "dialogs/link_matrix_dialog.h"

#include "app/fonts.h"
#include "app/help_documents.h"
#include "app/main_dialog.h"
#include "controls/control_ids.h"
#include "controls/dialog_font_adapter.h"
#include "dialogs/link_group_members_dialog.h"
#include "dialogs/naming_dialogs.h"
#include "dialogs/rename_link_group_dialog.h"
#include "views/underview.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

std::array<QRect, kLinkGroupCount> g_rcLinkGroupTitle{};
std::array<QRect, kChannelCount * kLinkGroupCount> g_rcLinkCell{};
QRect g_rcLastToggledCell;

namespace {

// The grid's top: the unit header row starts here, and the unit separators
// run from here down past the last row.
constexpr int kGridTop = 44;
constexpr int kSeparatorBottom = 308;
// Unit boxes left of this get no separator line.
constexpr int kSeparatorMinLeft = 100;

std::function<void()>& RecaptureHandler()
{
    static std::function<void()> handler;
    return handler;
}

int& Membership(int channel, int group1)
{
    return g_LinkMembership[std::size_t(channel * kLinkGroupCount + group1 - 1)];
}

bool ChannelHasAnyGroup(int channel)
{
    for (int g = 1; g <= kLinkGroupCount; ++g)
        if (Membership(channel, g))
            return true;
    return false;
}

bool GroupHasMembers(int group1)
{
    for (int ch = 0; ch < kChannelCount; ++ch)
        if (Membership(ch, group1))
            return true;
    return false;
}

void FrameRect(QPainter& painter, const QRect& rect, const QColor& colour)
{
    if (rect.isEmpty())
        return;
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), colour);
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), colour);
    painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), colour);
    painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), colour);
}

DialogItem Text(int id, int x, int y, int cx, int cy, const QString& text, unsigned flags = 0)
{
    return {id, DialogItemKind::Static, x, y, cx, cy, text, flags};
}

} // namespace

CLinkMatrixDlg::CLinkMatrixDlg(QWidget* parent)
    : CSkinnedDialog(Layout(), FrameStyle::Skinned, parent)
{
    SetSkinTitle(QStringLiteral("Link Matrix"));
    SetDragHandle(DragHandle::LogoStatic);
    // The statics sit on white, also where the grid scrolls under them.
    SetColours(QColor(kSkinDialogBackground), QColor(255, 255, 255));

    // The plain horizontal scroll bar under the grid.
    m_sbHorz = new QScrollBar(Qt::Horizontal, this);
    SetControlId(m_sbHorz, IDC_SCROLL);
    m_sbHorz->setGeometry(DialogItemRect(Text(IDC_SCROLL, 137, 193, 270, 10, {})));
    QPalette pal = m_sbHorz->palette();
    pal.setColor(QPalette::Window, QColor(192, 192, 192));
    pal.setColor(QPalette::Button, QColor(192, 192, 192));
    m_sbHorz->setPalette(pal);
    connect(m_sbHorz, &QScrollBar::actionTriggered, this, [this](int action) {
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            OnHScroll(SB_LINERIGHT, 0);
            break;
        case QAbstractSlider::SliderSingleStepSub:
            OnHScroll(SB_LINELEFT, 0);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            OnHScroll(SB_PAGERIGHT, 0);
            break;
        case QAbstractSlider::SliderPageStepSub:
            OnHScroll(SB_PAGELEFT, 0);
            break;
        case QAbstractSlider::SliderToMinimum:
            OnHScroll(SB_LEFT, 0);
            break;
        case QAbstractSlider::SliderToMaximum:
            OnHScroll(SB_RIGHT, 0);
            break;
        case QAbstractSlider::SliderMove:
            OnHScroll(SB_THUMBTRACK, m_sbHorz->sliderPosition());
            break;
        default:
            break;
        }
    });

    m_readyTimer.setSingleShot(true);
    m_readyTimer.setInterval(kReadyDelayMs);
    connect(&m_readyTimer, &QTimer::timeout, this, [this] { OnTimer(kTimerReady); });
}

CLinkMatrixDlg::~CLinkMatrixDlg() = default;

DialogTemplate CLinkMatrixDlg::Layout()
{
    DialogTemplate t;
    t.id = kTemplateId;
    t.cx = 424;
    t.cy = 226;
    t.caption = QStringLiteral("Link Matrix");
    t.font = DialogFontDef{QStringLiteral("Microsoft Sans Serif"), 8, 400, false};
    t.items.push_back(Text(kStaticControlId, 104, 28, 32, 8, QStringLiteral("Unit ID->")));
    t.items.push_back(Text(IDC_UNIT_HEADER, 150, 28, 40, 8, QStringLiteral(" Unit 1"), kItemHidden));
    for (int g = kLinkGroupCount; g >= 1; --g)
        t.items.push_back(Text(IDC_GROUP_TITLE_FIRST + g - 1, 25, 60 + 13 * (g - 1), 111, 12,
                               QStringLiteral(" Group %1").arg(g), kItemHidden));
    // The channel headers: only the first one places the columns.
    for (int h = 0; h < 8; ++h)
        t.items.push_back(Text(IDC_CHANNEL_HEADER + h, 151 + (h * 44 + 1) / 3, 39, 13, 21, {},
                               kItemHidden));
    t.items.push_back(Text(IDC_COLUMN_TITLE, 14, 50, 120, 8,
                           QStringLiteral("Link Group         Group Title")));
    t.items.push_back(Text(IDC_SKIN_LOGO, 29, 0, 381, 18, QStringLiteral("Logo")));
    t.items.push_back(Text(IDC_SKIN_LC, 0, 0, 18, 18, QStringLiteral("LC"), kItemHidden));
    t.items.push_back(Text(IDC_MATRIX, 136, 27, 18, 163, {}, kItemHidden));
    t.items.push_back(Text(IDC_OK_PLACEHOLDER, 15, 202, 35, 13, QStringLiteral("&OK")));
    t.items.push_back(Text(IDC_HELP_PLACEHOLDER, 58, 202, 35, 13, QStringLiteral("&Help")));
    t.items.push_back(Text(kStaticControlId, 78, 41, 40, 8, QStringLiteral("Channels->")));
    return t;
}

void CLinkMatrixDlg::SetActiveSceneRecapture(std::function<void()> recapture)
{
    RecaptureHandler() = std::move(recapture);
}

bool CLinkMatrixDlg::OnInitDialog()
{
    CSkinnedDialog::OnInitDialog();
    // The layout in its own font at the design resolution; the adapter gives
    // the controls their fonts back when initialisation ends.
    DialogFontAdapter adapter;
    adapter.Apply(this, layout(), 96.0);
    m_nDialogDpi = 96;

    m_hFontBold = CreateFontForDc(QStringLiteral("Microsoft Sans Serif"), 95, 700);
    m_hFontVertical = m_hFontBold;
    m_nCellWidth = 22;

    if (QWidget* matrix = GetDlgItem(IDC_MATRIX)) {
        const QRect r = matrix->geometry();
        matrix->setGeometry(r.left(), r.top(), r.left() + m_nCellWidth * kChannelCount, r.height());
    }

    {
        const QSignalBlocker block(m_sbHorz);
        m_sbHorz->setRange(0, m_nCellWidth * kChannelCount - 400);
        m_sbHorz->setSingleStep(m_nCellWidth);
        m_sbHorz->setPageStep(400);
        m_sbHorz->setValue(0);
    }
    m_nScrollPos = 0;
    m_nScrollMax = m_sbHorz->maximum();

    for (int g = 0; g < kLinkGroupCount; ++g) {
        const QWidget* title = GetDlgItem(IDC_GROUP_TITLE_FIRST + g);
        g_rcLinkGroupTitle[std::size_t(g)] = title ? title->geometry() : QRect();
    }

    CreateSkinButton(m_btnHelp, IDC_HELP_PLACEHOLDER, CBrannockButton::kBmpHoverTall,
                     QStringLiteral("Help"), QStringLiteral(" Help "));
    CreateSkinButton(m_btnOK, IDC_OK_PLACEHOLDER, CBrannockButton::kBmpHover,
                     QStringLiteral("OK"), QStringLiteral(" OK "));
    RebuildCellRects();
    m_bReady = true;
    return true;
}

// ---- geometry ----------------------------------------------------------------

int CLinkMatrixDlg::ColumnStart() const
{
    const QWidget* header = GetDlgItem(IDC_CHANNEL_HEADER);
    return (header ? header->geometry().left() : 0) - m_nCellWidth;
}

int CLinkMatrixDlg::BandLeft() const
{
    return HitLeft() - 20;
}

int CLinkMatrixDlg::BandRight() const
{
    return width() - 7;
}

int CLinkMatrixDlg::HitLeft() const
{
    const QRect& title = g_rcLinkGroupTitle[0];
    return title.left() + title.width();
}

QRect CLinkMatrixDlg::CellRect(int channel, int group1) const
{
    const QRect& band = g_rcLinkGroupTitle[std::size_t(std::clamp(group1, 1, kLinkGroupCount) - 1)];
    return QRect(ColumnStart() + channel * m_nCellWidth - m_nScrollPos, band.top(), m_nCellWidth,
                 band.height());
}

void CLinkMatrixDlg::RebuildCellRects()
{
    for (int ch = 0; ch < kChannelCount; ++ch)
        for (int g = 1; g <= kLinkGroupCount; ++g)
            g_rcLinkCell[std::size_t(ch * kLinkGroupCount + g - 1)] = CellRect(ch, g);
}

std::optional<std::pair<int, int>> CLinkMatrixDlg::CellAt(const QPoint& point) const
{
    // Only the visible grid takes clicks: not the columns scrolled under the
    // group titles or past the right edge.
    if (point.x() < HitLeft() || point.x() >= BandRight())
        return std::nullopt;
    for (int g = 0; g < kLinkGroupCount; ++g) {
        const QRect& band = g_rcLinkGroupTitle[std::size_t(g)];
        if (point.y() < band.top() || point.y() >= band.top() + band.height())
            continue;
        const int offset = point.x() - ColumnStart() + m_nScrollPos;
        if (offset < 0)
            return std::nullopt;
        const int channel = offset / m_nCellWidth;
        if (channel >= kChannelCount)
            return std::nullopt;
        return std::pair{channel, g + 1};
    }
    return std::nullopt;
}

int CLinkMatrixDlg::GroupTitleAt(const QPoint& point) const
{
    for (int g = 0; g < kLinkGroupCount; ++g)
        if (g_rcLinkGroupTitle[std::size_t(g)].contains(point))
            return g;
    return -1;
}

// ---- scrolling ---------------------------------------------------------------

int CLinkMatrixDlg::ScrollMaximum() const
{
    const int maximum = m_sbHorz->maximum();
    return g_bAll16ChannelUnits ? maximum : maximum / 2;
}

void CLinkMatrixDlg::OnHScroll(int code, int position)
{
    const int maximum = ScrollMaximum();
    int step = 0;
    switch (code) {
    case SB_LINELEFT:
        step = -m_nCellWidth;
        break;
    case SB_LINERIGHT:
        step = m_nCellWidth;
        break;
    case SB_PAGELEFT:
        step = -kCellsPerPage * m_nCellWidth;
        break;
    case SB_PAGERIGHT:
        step = kCellsPerPage * m_nCellWidth;
        break;
    case SB_THUMBTRACK:
        step = position - m_nScrollPos;
        break;
    case SB_LEFT:
        step = -m_nScrollPos;
        break;
    case SB_RIGHT:
        step = maximum;
        break;
    default:
        break;
    }
    if (m_nScrollPos + step < 0)
        step = -m_nScrollPos;
    if (m_nScrollPos + step > maximum)
        step = maximum - m_nScrollPos;
    m_nScrollStep = step;
    if (step != 0) {
        m_nScrollPos += step;
        RebuildCellRects();
        update();
    }
    // The bar shows where the grid is, also when the step was held back.
    const QSignalBlocker block(m_sbHorz);
    m_sbHorz->setSliderPosition(m_nScrollPos);
    m_sbHorz->setValue(m_nScrollPos);
}

// ---- mouse -------------------------------------------------------------------

void CLinkMatrixDlg::ToggleCell(int channel, int group1, bool fromDrag)
{
    // Membership only ever changes through the main window's link rules.
    CQuellonKR9SeriesDlg* main = g_pMainDlg;
    if (!main)
        return;
    int& flag = Membership(channel, group1);
    flag = flag ? 0 : 1;
    const int saved = g_nCurrentChannel;
    if (flag) {
        g_ChannelLinkOn[std::size_t(channel)] = 1;
        g_nCurrentChannel = channel;
        main->AssignLinkGroup(channel, group1 - 1, true);
        if (g_pUnderview) {
            g_pUnderview->DrawLinkLabel(channel);
            if (!g_bOverviewMode)
                g_pUnderview->update();
        }
        for (int g = 1; g <= kLinkGroupCount; ++g) {
            if (g == group1 || !Membership(channel, g))
                continue;
            Membership(channel, g) = 0;
            g_nCurrentChannel = channel;
            main->OnLinkGroupNone();
        }
    } else {
        if (!fromDrag)
            g_ChannelLinkOn[std::size_t(channel)] = 0;
        g_nCurrentChannel = channel;
        main->OnLinkGroupNone();
    }
    g_nCurrentChannel = saved;
}

void CLinkMatrixDlg::OnLButtonDown(const QPoint& point)
{
    const auto cell = CellAt(point);
    if (!cell)
        return;
    const auto [channel, group1] = *cell;
    g_rcLastToggledCell = CellRect(channel, group1);
    ToggleCell(channel, group1, false);
    update();
}

void CLinkMatrixDlg::OnMouseMove(const QPoint& point)
{
    if (!m_bReady)
        return;
    const auto cell = CellAt(point);
    if (!cell)
        return;
    const auto [channel, group1] = *cell;
    const QRect rect = CellRect(channel, group1);
    if (rect == g_rcLastToggledCell)
        return;
    ToggleCell(channel, group1, true);
    g_rcLastToggledCell = rect;
    update();
}

void CLinkMatrixDlg::OnLButtonDblClk(const QPoint& point)
{
    const int group = GroupTitleAt(point);
    if (group < 0) {
        m_bReady = true;
        return;
    }
    g_nCurrentLinkGroup = group;
    m_bReady = false;
    {
        CLinkedChannelNamesDlg members(this);
        RunOwnDialog(members);
    }
    AfterSubDialog();
}

void CLinkMatrixDlg::OnRButtonDown(const QPoint& point)
{
    const int group = GroupTitleAt(point);
    if (group >= 0) {
        g_nCurrentLinkGroup = group;
        RenameGroup();
        return;
    }
    const auto cell = CellAt(point);
    if (!cell)
        return;
    m_bReady = false;
    g_bNamingFromMatrix = true;
    g_nCurrentChannel = cell->first;
    {
        CChannelNamingDlg naming(this);
        RunOwnDialog(naming);
    }
    g_bNamingFromMatrix = false;
    AfterSubDialog();
}

void CLinkMatrixDlg::RenameGroup()
{
    m_bReady = false;
    g_strRenamePrompt = QStringLiteral("Enter a new name for Link Group %1").arg(g_nCurrentLinkGroup + 1);
    {
        CRenameLinkGroup rename(this);
        RunOwnDialog(rename);
    }
    // Prev and Next store titles even when the dialog is cancelled.
    AfterSubDialog();
}

void CLinkMatrixDlg::RunOwnDialog(CSkinnedDialog& dialog)
{
    // The matrix steps out of sight while one of its own dialogs is up and
    // comes back after it. Only its window goes: hiding it as a dialog would
    // end its own modal loop and close it.
    QWidget::setVisible(false);
    dialog.DoModal();
    show();
}

void CLinkMatrixDlg::AfterSubDialog()
{
    // The mouse movements that follow a sub-dialog toggle nothing for a moment.
    m_readyTimer.start();
    update();
}

void CLinkMatrixDlg::OnTimer(int id)
{
    if (id != kTimerReady)
        return;
    m_readyTimer.stop();
    m_bReady = true;
}

void CLinkMatrixDlg::mousePressEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::LeftButton && CellAt(point)) {
        event->accept();
        OnLButtonDown(point);
        return;
    }
    if (event->button() == Qt::RightButton) {
        event->accept();
        OnRButtonDown(point);
        return;
    }
    CSkinnedDialog::mousePressEvent(event);
}

void CLinkMatrixDlg::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        OnMouseMove(event->position().toPoint());
    CSkinnedDialog::mouseMoveEvent(event);
}

void CLinkMatrixDlg::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        event->accept();
        OnLButtonDblClk(event->position().toPoint());
        return;
    }
    event->ignore();
}

// ---- commands and keys ---------------------------------------------------------

void CLinkMatrixDlg::OnCommand(int id)
{
    switch (id) {
    case IDC_OK_PLACEHOLDER:
        OnOK();
        break;
    case IDC_HELP_PLACEHOLDER:
        OnHelp();
        break;
    default:
        CSkinnedDialog::OnCommand(id);
        break;
    }
}

void CLinkMatrixDlg::OnOK()
{
    if (g_bTrackActiveScene && RecaptureHandler())
        RecaptureHandler()();
    EndDialog(IDOK);
}

void CLinkMatrixDlg::OnHelp()
{
    OpenHelpDocument(kLinkHelpDocument);
}

void CLinkMatrixDlg::PreTranslateKey(QKeyEvent* event)
{
    const QString text = event->text();
    if (text == QLatin1String("H") || text == QLatin1String("h"))
        OnHelp();
    else if (text == QLatin1String("O") || text == QLatin1String("o"))
        OnOK();
}

// ---- painting ----------------------------------------------------------------

void CLinkMatrixDlg::OnPaint(QPainter& painter)
{
    DrawSkinnedDialogFrame(this, painter, skinTitle());
    if (isInitialised())
        DrawMatrix(painter);
}

void CLinkMatrixDlg::DrawMatrix(QPainter& painter)
{
    RebuildCellRects();
    const QColor black(0, 0, 0);
    const QColor grey(kUnusedTextColor);
    const QColor stripe(kStripeColor);
    const QColor white(255, 255, 255);
    const QWidget* headerStatic = GetDlgItem(IDC_CHANNEL_HEADER);
    const QRect header = headerStatic ? headerStatic->geometry() : QRect();
    const int columnStart = ColumnStart();
    const int bandLeft = BandLeft();
    const int bandRight = BandRight();

    painter.save();
    painter.setClipRect(QRect(bandLeft, 0, bandRight - bandLeft, height()));

    // Only the columns that reach into the band are drawn.
    const int firstColumn = std::max(0, (bandLeft - columnStart + m_nScrollPos) / m_nCellWidth);
    const int lastColumn =
        std::min(kChannelCount - 1, (bandRight - columnStart + m_nScrollPos) / m_nCellWidth);

    // Channel numbers, turned to read upwards.
    painter.setFont(m_hFontVertical);
    for (int ch = firstColumn; ch <= lastColumn; ++ch) {
        const QRect box(columnStart + ch * m_nCellWidth - m_nScrollPos, header.top(), m_nCellWidth,
                        header.height());
        painter.fillRect(box, white);
        FrameRect(painter, box, black);
        painter.save();
        painter.setPen(ChannelHasAnyGroup(ch) ? black : grey);
        painter.translate(box.left() + box.width() / 2.0, box.top() + box.height() / 2.0);
        painter.rotate(-90);
        painter.drawText(QRectF(-box.height() / 2.0, -box.width() / 2.0, box.height(), box.width()),
                         Qt::AlignCenter, QStringLiteral("%1").arg(ch + 1, 3, 10, QLatin1Char('0')));
        painter.restore();
    }

    // The cells.
    for (int g = 1; g <= kLinkGroupCount; ++g) {
        for (int ch = firstColumn; ch <= lastColumn; ++ch) {
            const QRect& cell = g_rcLinkCell[std::size_t(ch * kLinkGroupCount + g - 1)];
            if (g % 2 == 1)
                painter.fillRect(cell, stripe);
            FrameRect(painter, cell, black);
            if (Membership(ch, g) && g_ChannelLinkOn[std::size_t(ch)]) {
                painter.save();
                painter.setRenderHint(QPainter::Antialiasing, true);
                painter.setPen(Qt::NoPen);
                painter.setBrush(black);
                painter.drawEllipse(QRectF(cell.adjusted(4, 3, -4, -3)));
                painter.restore();
            }
        }
    }

    // The unit header row: one box per slot over its eight columns, and a
    // separator down the grid at each unit's right edge.
    painter.setFont(m_hFontBold);
    const int slotWidth = m_nCellWidth * kChannelsPerSlot;
    for (int s = 0; s < kSlotCount; ++s) {
        const QRect box(columnStart + s * slotWidth - m_nScrollPos, kGridTop, slotWidth,
                        header.top() - kGridTop);
        if (box.right() < bandLeft || box.left() > bandRight)
            continue;
        painter.fillRect(box, stripe);
        FrameRect(painter, box, black);
        painter.setPen(black);
        painter.save();
        painter.setClipRect(box.adjusted(1, 1, -1, -1), Qt::IntersectClip);
        painter.drawText(box.adjusted(1, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("    ") + g_UnitName[std::size_t(s)]);
        painter.restore();
        if (box.left() > kSeparatorMinLeft)
            painter.fillRect(QRect(box.right() - 1, kGridTop, 2, kSeparatorBottom - kGridTop + 1), black);
    }
    painter.restore();

    // The group titles, black for a group with members, grey for an empty one.
    painter.setFont(font());
    for (int g = 1; g <= kLinkGroupCount; ++g) {
        const QRect& title = g_rcLinkGroupTitle[std::size_t(g - 1)];
        painter.fillRect(title, white);
        FrameRect(painter, title, black);
        painter.setPen(GroupHasMembers(g) ? black : grey);
        const QString text = QStringLiteral("%1   ").arg(g, 2, 10, QLatin1Char('0'))
            + g_LinkGroupTitle[std::size_t(g - 1)];
        painter.save();
        painter.setClipRect(title.adjusted(1, 1, -1, -1));
        painter.drawText(title.adjusted(3, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
        painter.restore();
    }
}
