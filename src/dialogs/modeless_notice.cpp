#include "dialogs/modeless_notice.h"

#include "app/app_services.h"
#include "dialogs/message_text.h"

#include <QApplication>
#include <QPushButton>

namespace {

QPointer<CModeless>& OpenNotice()
{
    static QPointer<CModeless> notice;
    return notice;
}

std::function<void(int)>& CommandSender()
{
    static std::function<void(int)> sender;
    return sender;
}

} // namespace

void ShowBelowModalDialogs(QWidget* window)
{
    window->show();
    QWidget* active = QApplication::activeModalWidget();
    if (!active || active == window)
        return;
    // A window mapped now lands on top of everything: the modal dialogs go
    // back over it, the one that takes the input last.
    for (QWidget* other : QApplication::topLevelWidgets()) {
        if (other != active && other != window && other->isVisible() && other->isModal())
            other->raise();
    }
    active->raise();
}

void RaiseBelowModalDialogs(QWidget* window)
{
    QWidget* active = QApplication::activeModalWidget();
    if (!active || active == window)
        window->raise();
}

CModeless::CModeless(QWidget* owner)
    : CSkinnedDialog(Layout(), FrameStyle::TitleBar, owner),
      m_strCaption(g_strNoticeCaption),
      m_strText(g_strNoticeText)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setModal(false);
    SetColours(QColor(kBackgroundColor), std::nullopt);
    m_textTimer.setSingleShot(true);
    m_closeTimer.setSingleShot(true);
    connect(&m_textTimer, &QTimer::timeout, this, [this] { OnTimer(kTimerShowTexts); });
    connect(&m_closeTimer, &QTimer::timeout, this, [this] { OnTimer(kTimerCloseAfterRestart); });
}

CModeless::~CModeless() = default;

DialogTemplate CModeless::Layout()
{
    DialogTemplate t;
    t.id = kTemplateId;
    t.cx = 209;
    t.cy = 108;
    t.caption = QStringLiteral("Restarting Program");
    t.font = DialogFontDef{QStringLiteral("Microsoft Sans Serif"), 8, 400, false};
    t.items = {
        {IDC_MESSAGE, DialogItemKind::Static, 25, 17, 150, 54, {}, kItemCentred | kItemMessage},
        {IDOK, DialogItemKind::PushButton, 78, 82, 50, 14, QStringLiteral("OK"), kItemHidden},
        {IDCANCEL, DialogItemKind::PushButton, 18, 82, 50, 14, QStringLiteral("Cancel"), 0},
        {IDC_RESTART_NOW, DialogItemKind::PushButton, 138, 82, 50, 14,
         QStringLiteral("Restart Now"), 0},
    };
    return t;
}

CModeless* CModeless::ShowNotice(QWidget* owner, bool showRestartNow)
{
    g_bShowRestartNow = showRestartNow;
    // To the front, but never with the keyboard: units that keep sending a
    // bad datagram must not take it from the operator's typing and keys.
    QPointer<CModeless>& notice = OpenNotice();
    if (notice) {
        // What the open notice says stays: a unit that keeps sending must
        // not replace it under the operator's eyes.
        RaiseBelowModalDialogs(notice);
    } else {
        notice = new CModeless(owner);
        ShowBelowModalDialogs(notice);
    }
    return notice;
}

CModeless* CModeless::current()
{
    return OpenNotice();
}

void CModeless::SetMainCommandSender(std::function<void(int)> sender)
{
    CommandSender() = std::move(sender);
}

bool CModeless::OnInitDialog()
{
    CSkinnedDialog::OnInitDialog();
    if (!g_bShowRestartNow) {
        if (QWidget* restart = GetDlgItem(IDC_RESTART_NOW))
            restart->hide();
    }
    // The box takes the size its text needs before it is placed; the texts
    // themselves follow once the window is up.
    if (CMessageStatic* message = FindMessageStatic(this, IDC_MESSAGE))
        message->FitBox(m_strText);
    m_textTimer.start(20);
    return true;
}

void CModeless::ShowTexts()
{
    setWindowTitle(m_strCaption);
    SetDlgItemText(IDC_MESSAGE, m_strText);
}

void CModeless::OnTimer(int id)
{
    if (id == kTimerShowTexts) {
        m_textTimer.stop();
        ShowTexts();
    } else if (id == kTimerCloseAfterRestart) {
        m_closeTimer.stop();
        close();
    }
}

bool CModeless::isTimerArmed(int id) const
{
    if (id == kTimerShowTexts)
        return m_textTimer.isActive();
    if (id == kTimerCloseAfterRestart)
        return m_closeTimer.isActive();
    return false;
}

void CModeless::OnCommand(int id)
{
    switch (id) {
    case IDOK:
    case IDCANCEL:
        close();
        break;
    case IDC_RESTART_NOW:
        OnRestartNow();
        break;
    default:
        CSkinnedDialog::OnCommand(id);
        break;
    }
}

void CModeless::OnRestartNow()
{
    if (QWidget* restart = GetDlgItem(IDC_RESTART_NOW))
        restart->hide();
    // The restart may take the main window, and this notice with it, down
    // before it returns.
    QPointer<CModeless> self(this);
    if (const auto& sender = CommandSender())
        sender(kRestartCommand);
    else
        SendMainCommand(kRestartCommand);
    if (self)
        m_closeTimer.start(100);
}
