#include "dialogs/yes_no_dialogs.h"

#include "app/fonts.h"
#include "app/project_state.h"
#include "controls/control_ids.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace {

DialogTemplate DecisionLayout(int id, int cx, int cy)
{
    DialogTemplate t;
    t.id = id;
    t.cx = cx;
    t.cy = cy;
    t.caption = QStringLiteral("Decision");
    t.font = DialogFontDef{QStringLiteral("Microsoft Sans Serif"), 8, 400, false};
    t.items.push_back(
        {CNewYesNoDialog::IDC_MESSAGE, DialogItemKind::Static, 26, 15, 163, 37, {}, kItemCentred});
    return t;
}

// The light panel of the message; the main window makes the shared brush at
// start-up, and a box opened before that uses the same colour.
QColor YesNoStaticColour()
{
    if (g_hbrYesNoStatic.style() == Qt::SolidPattern)
        return g_hbrYesNoStatic.color();
    return QColor(250, 250, 250);
}

// Lays the message out in centred lines of the given width, line by line as
// drawn text is: broken at blanks, and inside a word only where the word
// alone is wider than a line (a project name without blanks), so no part of
// it falls outside the box. Returns the height the lines take.
int LayOutMessage(QTextLayout& layout, int width)
{
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    const qreal leading = QFontMetricsF(layout.font()).leading();
    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        height = std::ceil(height + leading);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return int(std::ceil(height));
}

// The message's text with its line breaks as a text layout takes them.
QString MessageLines(QString text)
{
    return text.replace(QLatin1Char('\n'), QChar::LineSeparator);
}

// The height the message takes in a static of the given width, in logical
// pixels. It is laid out at scale 1 and at scale 2 (the font drawn at twice
// its size, hinted on its own, may break its lines elsewhere) and the taller
// of the two counts, so it fits on either screen.
int WrappedTextHeight(const QFont& font, int width, const QString& text)
{
    int height = 0;
    for (const int scale : {1, 2}) {
        QFont scaled = font;
        if (font.pixelSize() > 0)
            scaled.setPixelSize(font.pixelSize() * scale);
        else
            scaled.setPointSizeF(font.pointSizeF() * scale);
        QTextLayout layout(MessageLines(text), scaled);
        height = std::max(height, (LayOutMessage(layout, width * scale) + scale - 1) / scale);
    }
    return height;
}

// The message static of the boxes: its text in the lines LayOutMessage
// gives, from the top.
class MessageStatic : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        QTextLayout layout(MessageLines(text()), font(), this);
        const QRect area = contentsRect();
        LayOutMessage(layout, area.width());
        layout.draw(&painter, area.topLeft());
    }
};

bool IsChar(const QKeyEvent* event, char lower)
{
    const QString text = event->text();
    return text.size() == 1 && text.at(0).toLower() == QLatin1Char(lower);
}

} // namespace

CNewYesNoDialog::CNewYesNoDialog(QWidget* parent) : CNewYesNoDialog(Layout(), parent) {}

CNewYesNoDialog::CNewYesNoDialog(const DialogTemplate& layout, QWidget* parent)
    : CSkinnedDialog(layout, FrameStyle::TitleBar, parent)
{
    // The message static lays its lines out itself, in its place.
    if (QWidget* built = GetDlgItem(IDC_MESSAGE)) {
        auto* message = new MessageStatic(this);
        SetControlId(message, IDC_MESSAGE);
        message->setGeometry(built->geometry());
        delete built;
    }
    SetColours(QColor(255, 255, 255), YesNoStaticColour());
}

CNewYesNoDialog::~CNewYesNoDialog() = default;

DialogTemplate CNewYesNoDialog::Layout()
{
    DialogTemplate t = DecisionLayout(kTemplateId, 217, 100);
    t.items.push_back({IDC_YES_PLACEHOLDER, DialogItemKind::Static, 54, 65, 49, 16,
                       QStringLiteral("Yes"), 0});
    t.items.push_back({IDC_NO_PLACEHOLDER, DialogItemKind::Static, 111, 65, 49, 16,
                       QStringLiteral("No"), 0});
    return t;
}

bool CNewYesNoDialog::OnInitDialog()
{
    CSkinnedDialog::OnInitDialog();
    SetDlgItemText(IDC_MESSAGE, g_strMessage);
    FitMessage();
    ApplyWindowShape();
    CreateSkinButton(m_btnYes, IDC_YES_PLACEHOLDER, CBrannockButton::kBmpHoverTall,
                     QStringLiteral("Yes"), QStringLiteral(" Yes "));
    CreateSkinButton(m_btnNo, IDC_NO_PLACEHOLDER, CBrannockButton::kBmpHover,
                     QStringLiteral("No"), QStringLiteral(" No "));
    return true;
}

void CNewYesNoDialog::FitMessage()
{
    QWidget* message = GetDlgItem(IDC_MESSAGE);
    if (!message)
        return;
    const QRect area = message->geometry();
    const int grow = WrappedTextHeight(message->font(), area.width(), g_strMessage) - area.height();
    if (grow <= 0)
        return;
    message->resize(area.width(), area.height() + grow);
    // The button placeholders (and anything else below the text) move down
    // with its lower edge, before the buttons are laid over them.
    for (const DialogItem& item : layout().items) {
        QWidget* control = item.id == IDC_MESSAGE ? nullptr : GetDlgItem(item.id);
        if (control && control->y() > area.bottom())
            control->move(control->x(), control->y() + grow);
    }
    setFixedSize(width(), height() + grow);
}

void CNewYesNoDialog::ApplyWindowShape()
{
    // The title bar belongs to the desktop, so only the lower corners of the
    // client area are rounded.
    const QRectF area(rect());
    const qreal r = kCornerRadius;
    QPainterPath path;
    path.moveTo(area.topLeft());
    path.lineTo(area.topRight());
    path.lineTo(area.right(), area.bottom() - r);
    path.quadTo(area.bottomRight(), QPointF(area.right() - r, area.bottom()));
    path.lineTo(area.left() + r, area.bottom());
    path.quadTo(area.bottomLeft(), QPointF(area.left(), area.bottom() - r));
    path.closeSubpath();
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void CNewYesNoDialog::resizeEvent(QResizeEvent* event)
{
    CSkinnedDialog::resizeEvent(event);
    if (isInitialised())
        ApplyWindowShape();
}

void CNewYesNoDialog::OnCommand(int id)
{
    switch (id) {
    case IDC_YES_PLACEHOLDER:
        EndDialog(IDYES);
        break;
    case IDC_NO_PLACEHOLDER:
        EndDialog(IDNO);
        break;
    default:
        CSkinnedDialog::OnCommand(id);
        break;
    }
}

void CNewYesNoDialog::PreTranslateKey(QKeyEvent* event)
{
    if (IsChar(event, 'y'))
        OnCommand(IDC_YES_PLACEHOLDER);
    else if (IsChar(event, 'n'))
        OnCommand(IDC_NO_PLACEHOLDER);
}

// ---------------------------------------------------------------------------

CNewYesNoCancelDialog::CNewYesNoCancelDialog(QWidget* parent) : CNewYesNoDialog(Layout(), parent)
{
}

CNewYesNoCancelDialog::~CNewYesNoCancelDialog() = default;

DialogTemplate CNewYesNoCancelDialog::Layout()
{
    DialogTemplate t = DecisionLayout(kTemplateId, 219, 125);
    t.items.push_back({IDC_YES_PLACEHOLDER, DialogItemKind::Static, 27, 65, 49, 16,
                       QStringLiteral("Yes"), 0});
    t.items.push_back({IDC_NO_PLACEHOLDER, DialogItemKind::Static, 84, 65, 49, 16,
                       QStringLiteral("No"), 0});
    t.items.push_back({IDC_CANCEL_PLACEHOLDER, DialogItemKind::Static, 139, 65, 49, 16,
                       QStringLiteral("Cancel"), 0});
    return t;
}

bool CNewYesNoCancelDialog::OnInitDialog()
{
    CNewYesNoDialog::OnInitDialog();
    CreateSkinButton(m_btnCancel, IDC_CANCEL_PLACEHOLDER, CBrannockButton::kBmpHoverWide,
                     QStringLiteral("Cancel"), QStringLiteral(" Cancel "));
    return true;
}

void CNewYesNoCancelDialog::OnCommand(int id)
{
    if (id == IDC_CANCEL_PLACEHOLDER)
        EndDialog(IDCANCEL);
    else
        CNewYesNoDialog::OnCommand(id);
}

void CNewYesNoCancelDialog::PreTranslateKey(QKeyEvent* event)
{
    CNewYesNoDialog::PreTranslateKey(event);
    if (IsChar(event, 'c'))
        OnCommand(IDC_CANCEL_PLACEHOLDER);
}
