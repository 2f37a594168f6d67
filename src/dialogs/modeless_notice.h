#pragma once

#include <QPointer>
#include <QTimer>

#include <functional>

#include "dialogs/skinned_dialog.h"

class QPushButton;

// Windows that the program puts up on its own, without the operator asking
// (the notice, the boxes that unit datagrams raise), never cover a modal
// dialog of the console: while one is up every other window is closed to
// the mouse, so a window over it would leave the operator nothing to click.
// ShowBelowModalDialogs shows window and, when a modal dialog is up, puts
// the modal dialogs back on top of it. RaiseBelowModalDialogs brings window
// to the front, unless a modal dialog is up: then it stays below.
void ShowBelowModalDialogs(QWidget* window);
void RaiseBelowModalDialogs(QWidget* window);

// The modeless notice: a plain window with a title bar that shows
// g_strNoticeText under the caption g_strNoticeCaption, as they were when it
// opened, with Cancel and, when g_bShowRestartNow was set, "Restart Now". It
// does not block the program, deletes itself when closed, and there is only
// ever one: a new notice while one is open only brings that one to the
// front, with its caption, text and buttons as they were. It never takes the
// keyboard focus, neither when it opens nor when it is brought to the front
// again, and never comes over a modal dialog.
class CModeless : public CSkinnedDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 1444;
    static constexpr int IDC_MESSAGE = 1012;
    static constexpr int IDC_RESTART_NOW = 3456;
    static constexpr int kTimerShowTexts = 40;
    static constexpr int kTimerCloseAfterRestart = 46;
    // The main window's command that saves, closes and starts the program again.
    static constexpr int kRestartCommand = 44182;
    static constexpr QRgb kBackgroundColor = qRgb(189, 93, 93);

    // Opens the notice (owned by owner, a top-level window of its own) or
    // brings the open one to the front as it is. Sets g_bShowRestartNow
    // first. Callers put the texts into g_strNoticeCaption and
    // g_strNoticeText before.
    static CModeless* ShowNotice(QWidget* owner, bool showRestartNow);
    // The open notice, or nullptr.
    static CModeless* current();

    // Where "Restart Now" sends the restart command; SendMainCommand unless
    // replaced (tests record it). An empty function restores SendMainCommand.
    static void SetMainCommandSender(std::function<void(int)> sender);

    ~CModeless() override;

    static DialogTemplate Layout();

    void OnCommand(int id) override;
    // The timers' handler: 40 shows the texts, 46 closes after a restart.
    void OnTimer(int id);
    bool isTimerArmed(int id) const;

protected:
    bool OnInitDialog() override;

private:
    explicit CModeless(QWidget* owner);

    void ShowTexts();
    void OnRestartNow();

    // The texts it was opened with; they show a moment after it opens.
    QString m_strCaption;
    QString m_strText;
    QTimer m_textTimer;
    QTimer m_closeTimer;
};
