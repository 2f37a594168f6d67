#include "views/unit_status_strip.h"

#include "app/fonts.h"
#include "controls/control_ids.h"
#include "dialogs/unit_status_pages.h"
#include "platform/skin_registry.h"
#include "protocol/numbering.h"
#include "protocol/unit_tables.h"

#include <QFontMetrics>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QThread>
#include <QToolTip>

#include <algorithm>

int g_nUnitStatusScrollPos = 0;
CUnitStatusWnd* g_hUnitStatusWnd = nullptr;

namespace {

// The pictures of the two banks of unit numbers.
struct PictureBank {
    const char* inactive;
    const char* active;
    const char* offline;
    const char* conflict;
    const char* power; // supply fault and auxiliary power share one picture
    const char* badIp;
};

constexpr PictureBank kLowBank{"229", "231", "233", "237", "234", "BAD_IP_ADDRESS_UNIT_BOXED"};
constexpr PictureBank kHighBank{"INACTIVE_UNIT_BOXED",
                                "ACTIVE_UNIT_BOXED",
                                "OFFLINE_UNIT_BOXED",
                                "CONFLICTED_UNIT_BOXED",
                                "AUXILLIARY_POWER_SUPPLY_UNIT_BOXED",
                                "BAD_IP_ADDRESS_UNIT_BOXED"};

const char kGroundPicture[] = "SCENE_BKGND";
const char kSizingPicture[] = "INACTIVE_UNIT_BOXED";
constexpr QSize kDefaultPictureSize{110, 27};
constexpr QRgb kGroundColor = qRgb(48, 59, 83);

} // namespace

CUnitStatusWnd::CUnitStatusWnd(QWidget* parent) : QWidget(parent)
{
    setObjectName(QString::fromLatin1(kWindowName));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetTooltipDelay(kTooltipDelayMs);

    m_szPicture = SkinRegistry::instance().naturalSize(QString::fromLatin1(kSizingPicture));
    if (!m_szPicture.isValid())
        m_szPicture = kDefaultPictureSize;
    m_nRowPitch = m_szPicture.height() + 8;
    for (int k = 0; k < kBoxesFilled; ++k) {
        const int row = k / kColumns;
        const int col = k % kColumns;
        m_rcBoxes[std::size_t(k)] =
            QRect(col * kColumnPitch + 1, row * m_nRowPitch + 1, kBoxWidth, kBoxHeight);
    }
}

CUnitStatusWnd::~CUnitStatusWnd()
{
    if (g_hUnitStatusWnd == this)
        g_hUnitStatusWnd = nullptr;
}

bool CUnitStatusWnd::Create(QWidget* parent, const QRect& rect, int id)
{
    if (!parent)
        return false;
    // Every slot starts inactive once the strip that shows them exists.
    for (int slot = 1; slot <= kSlotCount; ++slot)
        g_UnitStatus[std::size_t(slot)] = UNIT_INACTIVE;
    setParent(parent);
    SetControlId(this, id);
    setGeometry(rect);
    m_bCreated = true;
    g_hUnitStatusWnd = this;
    show();
    return true;
}

void CUnitStatusWnd::SetTooltipDelay(int ms)
{
    setToolTipDuration(ms);
}

// ---------------------------------------------------------------------------
// Pictures and texts

QString CUnitStatusWnd::PictureForStatus(int unitNumber, int status, int blinkPhase)
{
    const PictureBank& bank = unitNumber <= 16 ? kLowBank : kHighBank;
    const char* picture = nullptr;
    switch (status) {
    case UNIT_INACTIVE:
        picture = bank.inactive;
        break;
    case UNIT_ACTIVE:
        picture = bank.active;
        break;
    case UNIT_OFFLINE:
        picture = bank.offline;
        break;
    case UNIT_CONFLICT:
        picture = bank.conflict;
        break;
    case UNIT_NOW_OFFLINE:
        // The local-mode blink: dark in phase 1, lit in phase 0.
        picture = blinkPhase == 1 ? bank.inactive : bank.active;
        break;
    case UNIT_WRONG_UNIT_ID:
        picture = blinkPhase == 1 ? bank.conflict : bank.active;
        break;
    case UNIT_BAD_TEMP_OR_POWER_SUPPLY:
    case UNIT_AUX_POWER_ON:
    case UNIT_AUX_POWER_SUPPLY_FAILURE:
        picture = bank.power;
        break;
    case UNIT_BAD_IP_ADDRESS:
        picture = bank.badIp;
        break;
    default:
        break;
    }
    return picture ? QString::fromLatin1(picture) : QString();
}

QString CUnitStatusWnd::PictureForUnit(int unitNumber)
{
    const int slot = UnitNumberToSlot(unitNumber);
    if (slot < 1 || slot > kSlotCount)
        return QString();
    const QString picture =
        PictureForStatus(unitNumber, g_UnitStatus[std::size_t(slot)], g_BlinkPhase[std::size_t(slot)]);
    // A code with no picture of its own (never initialised, or a passing
    // classification) shows the box as inactive.
    return picture.isEmpty() ? PictureForStatus(unitNumber, UNIT_INACTIVE, 0) : picture;
}

QString CUnitStatusWnd::TypeName(int model)
{
    switch (model) {
    case UNIT_TYPE_UNUSED:
        return QStringLiteral("Unused");
    case UNIT_TYPE_KR9X:
        return QStringLiteral("KR-9X");
    case UNIT_TYPE_KR960_8:
        return QStringLiteral("KR-960/8");
    case UNIT_TYPE_KR960:
        return QStringLiteral("KR-960");
    default:
        return QString();
    }
}

QString CUnitStatusWnd::StatusName(int status)
{
    switch (status) {
    case UNIT_INACTIVE:
        return QStringLiteral("UNIT_INACTIVE");
    case UNIT_ACTIVE:
        return QStringLiteral("UNIT_ACTIVE");
    case UNIT_OFFLINE:
        return QStringLiteral("UNIT_OFFLINE");
    case UNIT_CONFLICT:
        return QStringLiteral(" UNIT_CONFLICT");
    case UNIT_NOW_OFFLINE:
        return QStringLiteral("UNIT_NOW_OFFLINE");
    case UNIT_WRONG_UNIT_ID:
        return QStringLiteral("UNIT_WRONG_UNIT_ID");
    case UNIT_BAD_TEMP_OR_POWER_SUPPLY:
        return QStringLiteral("UNIT_BAD_TEMP_OR_POWER_SUPPLY");
    case UNIT_BAD_IP_ADDRESS:
        return QStringLiteral("UNIT_BAD_IP_ADDRESS");
    case UNIT_AUX_POWER_SUPPLY_FAILURE:
        return QStringLiteral("UNIT_AUX_POWER_SUPPLY_FAILURE");
    default:
        return QStringLiteral("PERFECT");
    }
}

QString CUnitStatusWnd::TooltipText(int unitNumber)
{
    const int slot = UnitNumberToSlot(unitNumber);
    const bool valid = slot >= 1 && slot <= kSlotCount;
    const int model = valid ? g_SlotModel[std::size_t(slot)] : -1;
    const int status = valid ? g_UnitStatus[std::size_t(slot)] : UNIT_STATUS_NONE;
    // The blank flag of the type's conversion adds nothing to a text.
    return QStringLiteral("Unit %1 : Type %2:  Status %3 ")
        .arg(unitNumber)
        .arg(TypeName(model), StatusName(status));
}

// ---------------------------------------------------------------------------
// Geometry and scrolling

QRect CUnitStatusWnd::StoredBoxRect(int index) const
{
    if (index < 0 || index >= kBoxCapacity)
        return QRect();
    return m_rcBoxes[std::size_t(index)];
}

QRect CUnitStatusWnd::BoxRect(int boxNumber) const
{
    const int row = (boxNumber - 1) / kColumns;
    const int col = (boxNumber - 1) % kColumns;
    return QRect(col * kColumnPitch + 1, (row - g_nUnitStatusScrollPos) * m_nRowPitch + 1, kBoxWidth,
                 kBoxHeight);
}

int CUnitStatusWnd::OnVScroll(int code, int position)
{
    int pos = g_nUnitStatusScrollPos;
    switch (code) {
    case ScrollLineUp:
        pos -= 1;
        break;
    case ScrollLineDown:
        pos += 1;
        break;
    case ScrollPageUp:
        pos -= kPageRows;
        break;
    case ScrollPageDown:
        pos += kPageRows;
        break;
    case ScrollThumbPosition:
        pos = position;
        break;
    case ScrollTop:
        pos = 0;
        break;
    case ScrollBottom:
        pos = kMaxScrollPos;
        break;
    default:
        break;
    }
    return SetScrollPos(pos);
}

int CUnitStatusWnd::SetScrollPos(int position)
{
    g_nUnitStatusScrollPos = std::clamp(position, 0, kMaxScrollPos);
    update();
    return g_nUnitStatusScrollPos;
}

int CUnitStatusWnd::HitTestBox(const QPoint& point) const
{
    const int offset = scrollOffset();
    for (int n = 1; n <= kUnitBoxes; ++n) {
        if (m_rcBoxes[std::size_t(n - 1)].translated(0, -offset).contains(point)) {
            g_nSelectedUnitNumber = n;
            return UnitNumberToSlot(n);
        }
    }
    return 0;
}

void CUnitStatusWnd::RepaintUnitStatus()
{
    if (QThread::currentThread() == thread())
        update();
    else
        QMetaObject::invokeMethod(this, [this] { update(); }, Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------
// Painting

void CUnitStatusWnd::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const SkinRegistry& skin = SkinRegistry::instance();
    const qreal dpr = devicePixelRatioF();
    const QRect dirty = event->rect();

    // The ground behind and between the boxes.
    const QPixmap ground = skin.pixmap(QString::fromLatin1(kGroundPicture), dpr);
    if (!ground.isNull()) {
        painter.setBrushOrigin(0, 0);
        painter.fillRect(dirty, QBrush(ground));
    } else {
        painter.fillRect(dirty, QColor(kGroundColor));
    }

    const QSize natural = skin.naturalSize(QString::fromLatin1(kSizingPicture));
    m_szPicture = natural.isValid() ? natural : kDefaultPictureSize;
    m_nRowPitch = m_szPicture.height() + 8;

    painter.setFont(g_hFontStatusBoxNumber);
    const QFontMetrics metrics(painter.font());
    for (int n = 1; n <= kPaintedBoxes; ++n) {
        const QRect box = BoxRect(n);
        const QRect picture(box.topLeft(), m_szPicture);
        if (!picture.intersects(dirty))
            continue;
        if (n > kUnitBoxes) {
            painter.fillRect(picture, Qt::white);
            continue;
        }
        const QPixmap pixmap = skin.pixmap(PictureForUnit(n), m_szPicture, dpr);
        if (!pixmap.isNull())
            painter.drawPixmap(picture.topLeft(), pixmap);
        painter.setPen(QColor(kNumberColor));
        painter.drawText(picture.topLeft() + kNumberOrigin + QPoint(0, metrics.ascent()),
                         QString::number(n));
    }
}

// ---------------------------------------------------------------------------
// Mouse

void CUnitStatusWnd::ScrollViewsToUnit(int k)
{
    emit scrollViewsToUnit(k * kStripPixelsPerSlot, k == 0 ? 0 : (k - 1) * kOverviewPixelsPerSlot);
}

void CUnitStatusWnd::OnLButtonDown(const QPoint& point)
{
    const int slot = HitTestBox(point);
    if (slot == 0)
        return;
    g_SelectedUnitSlot = slot;
    ScrollViewsToUnit(slot - 1);
}

void CUnitStatusWnd::OnLButtonDblClk(const QPoint& point)
{
    const int slot = HitTestBox(point);
    if (slot == 0)
        return;
    g_SelectedUnitSlot = slot;
    ScrollViewsToUnit(slot - 1);
    OpenUnitStatusPages(window());
}

void CUnitStatusWnd::OnMouseMove(const QPoint& point)
{
    if (HitTestBox(point) == 0)
        return;
    const QString text = TooltipText(g_nSelectedUnitNumber);
    if (text == toolTip())
        return;
    setToolTip(text);
    // A tooltip already up follows the mouse to the new box.
    if (QToolTip::isVisible())
        QToolTip::showText(mapToGlobal(point), text, this, QRect(), toolTipDuration());
}

void CUnitStatusWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        QToolTip::hideText();
        OnLButtonDown(event->position().toPoint());
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CUnitStatusWnd::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        OnLButtonDblClk(event->position().toPoint());
        event->accept();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void CUnitStatusWnd::mouseMoveEvent(QMouseEvent* event)
{
    OnMouseMove(event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}
