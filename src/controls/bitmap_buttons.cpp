#include "controls/bitmap_buttons.h"

#include "app/app_services.h"
#include "app/fonts.h"
#include "app/project_state.h"
#include "controls/command_target.h"
#include "controls/control_ids.h"
#include "platform/skin_registry.h"

#include <algorithm>

#include <QApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QStringList>
#include <QStyle>
#include <QTextLayout>
#include <QTextOption>
#include <QToolTip>

CCustomGUIButton* g_pOverviewPictureButton = nullptr;

namespace {

// The lines of text, none wider than width in font: a paragraph that fits
// stays as it is; a longer one is broken at blanks, and inside a word that is
// wider than a line on its own.
QStringList WrapLines(const QString& text, const QFont& font, int width)
{
    QStringList lines;
    const QFontMetrics metrics(font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        if (metrics.horizontalAdvance(paragraph) <= width) {
            lines.append(paragraph);
            continue;
        }
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            const QString part = paragraph.mid(line.textStart(), line.textLength()).trimmed();
            if (!part.isEmpty())
                lines.append(part);
        }
        layout.endLayout();
    }
    return lines;
}

} // namespace

QString CBrannockButton::ToolTipWithin(const QString& text, const QString& title, int maxWidth)
{
    // The tip window adds its margins around the text.
    const QStyle* style = QApplication::style();
    const int margin = 1 + (style ? style->pixelMetric(QStyle::PM_ToolTipLabelFrameWidth) : 0);
    const int width = std::max(1, maxWidth - 2 * margin - 1);
    const QFont font = QToolTip::font();
    const QStringList lines = WrapLines(text, font, width);
    if (title.isEmpty())
        return lines.join(QLatin1Char('\n'));
    // A title line in bold above the text.
    QFont bold = font;
    bold.setBold(true);
    const auto escaped = [](const QStringList& part) {
        QStringList out;
        for (const QString& line : part)
            out.append(line.toHtmlEscaped());
        return out.join(QStringLiteral("<br>"));
    };
    return QStringLiteral("<p style=\"white-space:pre\"><b>%1</b><br>%2</p>")
        .arg(escaped(WrapLines(title, bold, width)), escaped(lines));
}

// ---------------------------------------------------------------------------
// CBrannockButton

CBrannockButton::CBrannockButton(QWidget* parent) : QWidget(parent)
{
    // The button is only placed by Create; until then it stays out of sight.
    hide();
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
}

CBrannockButton::~CBrannockButton() = default;

QString CBrannockButton::DefaultToolTip(const QString& caption)
{
    if (caption == QLatin1String("Prev"))
        return QStringLiteral(" Previous ");
    return QLatin1Char(' ') + caption + QLatin1Char(' ');
}

bool CBrannockButton::Create(QWidget* parent, int placeholderId, int ownId, int bmpNormal,
                             int bmpHover, const QString& caption, const QString& tooltip)
{
    m_pParent = parent;
    m_nCommandId = placeholderId;
    QWidget* placeholder = FindChildById(parent, placeholderId);
    if (!placeholder)
        return false;
    // The placeholder is a direct child, so its geometry is already in the
    // parent's client coordinates.
    const QRect rect = placeholder->geometry();
    placeholder->hide();

    setParent(parent);
    SetControlId(this, ownId);
    setGeometry(rect);

    m_nBmpNormal = bmpNormal;
    m_nBmpHover = bmpHover;
    m_strCaption = caption;
    SetToolTip(tooltip, QString());
    m_nState = 0;
    show();
    return true;
}

void CBrannockButton::SetToolTip(const QString& text, const QString& title)
{
    m_strToolTip = text;
    m_strToolTipTitle = title;
    setToolTip(ToolTipWithin(text, title, kMaxTipWidth));
}

void CBrannockButton::SetState(int state)
{
    if (m_nState == state)
        return;
    m_nState = state;
    update();
}

void CBrannockButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect client = rect();

    // A missing picture leaves the face undrawn.
    const QPixmap face =
        SkinRegistry::instance().pixmap(currentBitmap(), client.size(), devicePixelRatioF());
    if (!face.isNull())
        painter.drawPixmap(client.topLeft(), face);

    painter.setFont(g_hFontSceneList);
    painter.setPen(QColor(kCaptionColor));
    const QFontMetrics metrics(painter.font());
    const int textHeight = metrics.height();
    const int centreY = client.top() + client.height() / 2;
    const QRect textRect(QPoint(client.left() + 1, centreY - textHeight / 2),
                         QPoint(client.right(), centreY + textHeight / 2));
    // A caption wider than the button stays centred and is cut by the button.
    painter.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, m_strCaption);
}

void CBrannockButton::mouseMoveEvent(QMouseEvent* event)
{
    SetState(1);
    QWidget::mouseMoveEvent(event);
}

void CBrannockButton::enterEvent(QEnterEvent* event)
{
    SetState(1);
    QWidget::enterEvent(event);
}

void CBrannockButton::leaveEvent(QEvent* event)
{
    SetState(0);
    QWidget::leaveEvent(event);
}

void CBrannockButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    // The handler may end or even delete the dialog, and this button with it.
    const int id = m_nCommandId;
    QPointer<CBrannockButton> self(this);
    if (auto* target = dynamic_cast<CommandTarget*>(m_pParent.data()))
        target->OnCommand(id);
    if (self)
        emit commandIssued(id);
}

void CBrannockButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

// ---------------------------------------------------------------------------
// CCustomGUIButton

CCustomGUIButton::CCustomGUIButton(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_pressTimer.setSingleShot(true);
    connect(&m_pressTimer, &QTimer::timeout, this, [this] { OnTimer(kTimerPress); });
}

CCustomGUIButton::~CCustomGUIButton()
{
    if (g_pOverviewPictureButton == this)
        g_pOverviewPictureButton = nullptr;
}

CCustomGUIButton* CCustomGUIButton::CreateCustomGUIButton(QWidget* parent, int id, int bmpNormal,
                                                         int bmpPressed, int bmpDisabled,
                                                         const QRect& rect)
{
    if (!parent) {
        ShowMessage(QStringLiteral("ERROR - failed to create CCustomGUIButton"));
        return nullptr;
    }
    auto* button = new CCustomGUIButton(parent);
    button->setWindowTitle(QStringLiteral("YES!"));
    SetControlId(button, id);
    button->setGeometry(rect);
    button->hide();
    if (id == kIdOverview)
        g_pOverviewPictureButton = button;
    button->m_nId = id;
    button->m_nBmpNormal = bmpNormal;
    button->m_nBmpPressed = bmpPressed;
    button->m_nBmpDisabled = bmpDisabled;
    button->m_nState = kNormal;
    return button;
}

void CCustomGUIButton::SetState(int state)
{
    if (m_nState == state)
        return;
    m_nState = state;
    update();
}

void CCustomGUIButton::SetBitmaps(int bmpNormal, int bmpPressed, int bmpDisabled)
{
    m_nBmpNormal = bmpNormal;
    m_nBmpPressed = bmpPressed;
    m_nBmpDisabled = bmpDisabled;
    update();
}

int CCustomGUIButton::currentBitmap() const
{
    switch (m_nState) {
    case kPressed:
        return m_nBmpPressed;
    case kDisabled:
        return m_nBmpDisabled;
    default:
        return m_nBmpNormal;
    }
}

void CCustomGUIButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(kBackgroundColor));
    // Pictures are drawn at their own size; a pressed button sinks one pixel.
    const QPixmap picture = SkinRegistry::instance().pixmap(currentBitmap(), devicePixelRatioF());
    if (picture.isNull())
        return;
    const QPoint at = m_nState == kPressed ? QPoint(1, 1) : QPoint(0, 0);
    painter.drawPixmap(at, picture);
}

void CCustomGUIButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_nState == kDisabled) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    m_bPressTaken = true;
    switch (m_nId) {
    case kIdLongPress:
        m_pressTimer.start(2000);
        break;
    case kIdShortPressA:
    case kIdShortPressB:
        m_pressTimer.start(500);
        break;
    default:
        break;
    }
    // The view toggle shows pressed while the channel-strip view is shown.
    if (m_nId == kIdOverview)
        SetState(g_bOverviewMode ? kNormal : kPressed);
    else
        SetState(kPressed);
}

void CCustomGUIButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_nState == kDisabled) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    // The view toggle and the lock keep the state the press gave them.
    if (m_nId != kIdOverview && m_nId != kIdLock)
        SetState(kNormal);
    const bool pressTaken = m_bPressTaken;
    m_bPressTaken = false;
    if (pressTaken && rect().contains(event->position().toPoint()))
        emit clicked(m_nId);
}

void CCustomGUIButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

void CCustomGUIButton::OnTimer(int id)
{
    if (id != kTimerPress)
        return;
    m_pressTimer.stop();
    if (m_nState != kDisabled)
        SetState(kNormal);
}
