#include "dialogs/self_closing_dialog.h"

#include "app/fonts.h"
#include "app/project_state.h"
#include "dialogs/message_text.h"

#include <QPainter>

CSelfClosingDlg::CSelfClosingDlg(QWidget* parent, int closeAfterMs)
    : CSkinnedDialog(Layout(), FrameStyle::Skinned, parent)
{
    SetSkinTitle(QStringLiteral("Message"));
    SetColours(QColor(kBodyColor), QColor(kBodyColor));
    m_closeTimer.setSingleShot(true);
    m_closeTimer.setInterval(closeAfterMs);
    connect(&m_closeTimer, &QTimer::timeout, this, [this] { OnTimer(kTimerClose); });
}

CSelfClosingDlg::~CSelfClosingDlg() = default;

DialogTemplate CSelfClosingDlg::Layout()
{
    DialogTemplate t = SkinLayout(kTemplateId, 239, 114, QStringLiteral("Message"));
    t.items.push_back(
        {IDC_MESSAGE, DialogItemKind::Static, 11, 23, 214, 74, {}, kItemCentred | kItemMessage});
    return t;
}

bool CSelfClosingDlg::OnInitDialog()
{
    CSkinnedDialog::OnInitDialog();
    if (QWidget* message = GetDlgItem(IDC_MESSAGE))
        message->setFont(g_hFontSceneList);
    ShowText(g_strMessage);
    m_closeTimer.start();
    return true;
}

void CSelfClosingDlg::ShowText(const QString& text)
{
    SetDlgItemText(IDC_MESSAGE, text);
    // In the scene list's font a long path needs more lines than the
    // message area has: the box grows by what it lacks.
    if (CMessageStatic* message = FindMessageStatic(this, IDC_MESSAGE))
        message->FitBox(text);
}

void CSelfClosingDlg::ShowAgain(const QString& text)
{
    ShowText(text);
    if (isVisible())
        m_closeTimer.start();
}

void CSelfClosingDlg::OnTimer(int id)
{
    if (id != kTimerClose)
        return;
    m_closeTimer.stop();
    EndDialog(IDOK);
}

void CSelfClosingDlg::OnPaint(QPainter& painter)
{
    DrawSkinnedDialogFrame(this, painter, QStringLiteral("Message"), QColor(kBodyColor));
}

void CSelfClosingDlg::hideEvent(QHideEvent* event)
{
    // Ended early (Enter, Escape): the timer must not end it a second time.
    m_closeTimer.stop();
    CSkinnedDialog::hideEvent(event);
}
