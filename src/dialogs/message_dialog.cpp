#include "dialogs/message_dialog.h"

#include "app/project_state.h"
#include "dialogs/message_text.h"

#include <QKeyEvent>

CMessageDialog::CMessageDialog(QWidget* parent)
    : CSkinnedDialog(Layout(), FrameStyle::Skinned, parent)
{
    SetSkinTitle(QStringLiteral("Message"));
    SetDragHandle(DragHandle::LogoStatic);
    SetColours(QColor(kSkinDialogBackground), QColor(255, 255, 255));
}

CMessageDialog::~CMessageDialog() = default;

DialogTemplate CMessageDialog::Layout()
{
    DialogTemplate t = SkinLayout(kTemplateId, 173, 127, QStringLiteral("Message"));
    t.items.push_back(
        {IDC_MESSAGE, DialogItemKind::Static, 10, 25, 152, 71, {}, kItemCentred | kItemMessage});
    t.items.push_back({IDC_OK_PLACEHOLDER, DialogItemKind::Static, 68, 106, 37, 15,
                       QStringLiteral("OK"), 0});
    return t;
}

bool CMessageDialog::OnInitDialog()
{
    CSkinnedDialog::OnInitDialog();
    CreateSkinButton(m_btnOK, IDC_OK_PLACEHOLDER, CBrannockButton::kBmpHover,
                     QStringLiteral("OK"), QStringLiteral(" OK "));
    SetDlgItemText(IDC_MESSAGE, g_strMessage);
    // A message naming a file may need more lines than the message area
    // has: the area, the OK button and the box grow by what it lacks.
    if (CMessageStatic* message = FindMessageStatic(this, IDC_MESSAGE))
        message->FitBox(g_strMessage);
    return true;
}

void CMessageDialog::OnCommand(int id)
{
    if (id == IDC_OK_PLACEHOLDER)
        OnOK();
    else
        CSkinnedDialog::OnCommand(id);
}

void CMessageDialog::PreTranslateKey(QKeyEvent* event)
{
    const QString text = event->text();
    if (text == QLatin1String("O") || text == QLatin1String("o"))
        OnOK();
}
