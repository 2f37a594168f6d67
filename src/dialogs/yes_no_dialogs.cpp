#include "dialogs/yes_no_dialogs.h"

#include "app/fonts.h"
#include "app/project_state.h"
#include "dialogs/message_text.h"

#include <QKeyEvent>
#include <QPainterPath>
#include <QRegion>

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
        {CNewYesNoDialog::IDC_MESSAGE, DialogItemKind::Static, 26, 15, 163, 37, {},
         kItemCentred | kItemMessage});
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
    // A longer question than the program's usual ones (a long project name
    // in it) gets the lines it needs, before the buttons are laid over their
    // placeholders and the window's corners are cut.
    if (CMessageStatic* message = FindMessageStatic(this, IDC_MESSAGE))
        message->FitBox(g_strMessage);
    ApplyWindowShape();
    CreateSkinButton(m_btnYes, IDC_YES_PLACEHOLDER, CBrannockButton::kBmpHoverTall,
                     QStringLiteral("Yes"), QStringLiteral(" Yes "));
    CreateSkinButton(m_btnNo, IDC_NO_PLACEHOLDER, CBrannockButton::kBmpHover,
                     QStringLiteral("No"), QStringLiteral(" No "));
    return true;
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
