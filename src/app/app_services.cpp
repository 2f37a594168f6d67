#include "app/app_services.h"

#include "app/datagram_boxes.h"
#include "app/main_dialog.h"
#include "app/project_state.h"
#include "platform/data_folder.h"
#include "platform/process_starter.h"

#include <cstdio>

#include <QApplication>
#include <QThread>

#include <QFileDialog>

#include "dialogs/dialog_result.h"
#include "dialogs/skinned_dialog.h"
#include "dialogs/message_dialog.h"
#include "dialogs/modeless_notice.h"
#include "dialogs/plain_message_box.h"
#include "dialogs/self_closing_dialog.h"
#include "dialogs/yes_no_dialogs.h"

namespace {

std::function<void(const QString&)>& MessageHandler()
{
    static std::function<void(const QString&)> handler;
    return handler;
}

// Lives on the GUI thread for the whole run, so other threads always have
// a valid object to queue commands to, even while the main window goes away.
QObject* g_commandRelay = nullptr;

void DeliverMainCommand(int id)
{
    if (CQuellonKR9SeriesDlg* dlg = g_pMainDlg)
        dlg->OnCommand(id);
}

} // namespace

QString GetUserDataFilePath(const QString& fileName)
{
    const QString folder = DataFolderPath();
    EnsureFolder(folder);
    return folder + fileName;
}

bool RunProcess(const QString& program, const QStringList& arguments)
{
    if (ProcessStarter::instance().startDetached(program, arguments))
        return true;
    g_strScratch = QStringLiteral("Exception raised: %1")
                       .arg(QStringLiteral("CreateProcess failed! Too many subdirectories?"));
    return false;
}

void LogLine(const QString& text)
{
    std::fprintf(stderr, "Corvane: %s\n", qUtf8Printable(text));
    std::fflush(stderr);
}

QWidget* ModalOwner()
{
    if (QWidget* dialog = QApplication::activeModalWidget())
        return dialog;
    return g_hMainWnd.load();
}

void ShowMessage(const QString& text)
{
    if (const auto& handler = MessageHandler()) {
        handler(text);
        return;
    }
    CPlainMessageBox box(text, ModalOwner());
    box.exec();
}

QString g_strNoticeCaption;
QString g_strNoticeText;

namespace {

std::function<void(const QString&, const QString&, bool)>& NoticeHandler()
{
    static std::function<void(const QString&, const QString&, bool)> handler;
    return handler;
}

std::function<int(MessageBoxKind, const QString&)>& BoxHandler()
{
    static std::function<int(MessageBoxKind, const QString&)> handler;
    return handler;
}

} // namespace

int RunMessageBox(MessageBoxKind kind)
{
    if (const auto& handler = BoxHandler())
        return handler(kind, g_strMessage);
    if (const auto& plain = MessageHandler()) {
        plain(g_strMessage);
        return kind == MessageBoxKind::YesNo || kind == MessageBoxKind::YesNoCancel ? IDNO : IDOK;
    }
    QWidget* owner = ModalOwner();
    switch (kind) {
    case MessageBoxKind::Message:
        return CMessageDialog(owner).DoModal();
    case MessageBoxKind::SelfClosing:
        return CSelfClosingDlg(owner).DoModal();
    case MessageBoxKind::YesNo:
        return CNewYesNoDialog(owner).DoModal();
    case MessageBoxKind::YesNoCancel:
        return CNewYesNoCancelDialog(owner).DoModal();
    }
    return IDCANCEL;
}

namespace {

std::function<int(CSkinnedDialog&)>& DialogHandler()
{
    static std::function<int(CSkinnedDialog&)> handler;
    return handler;
}

std::function<QString(bool, const QString&)>& FileChooser()
{
    static std::function<QString(bool, const QString&)> chooser;
    return chooser;
}

} // namespace

int RunModal(CSkinnedDialog& dialog)
{
    if (const auto& handler = DialogHandler())
        return handler(dialog);
    return dialog.DoModal();
}

void SetDialogHandler(std::function<int(CSkinnedDialog&)> handler)
{
    DialogHandler() = std::move(handler);
}

QString ChooseProjectFile(bool forSaving, const QString& directory)
{
    if (const auto& chooser = FileChooser())
        return chooser(forSaving, directory);
    const QString filter = QStringLiteral("Corvane projects (*.qsx)");
    QWidget* owner = ModalOwner();
    QString path = forSaving ? QFileDialog::getSaveFileName(owner, QStringLiteral("Save Project As"), directory, filter)
                             : QFileDialog::getOpenFileName(owner, QStringLiteral("Open Project"), directory, filter);
    if (forSaving && !path.isEmpty() && !path.endsWith(QLatin1String(".qsx"), Qt::CaseInsensitive))
        path += QStringLiteral(".qsx");
    return path;
}

void SetFileChooser(std::function<QString(bool, const QString&)> chooser)
{
    FileChooser() = std::move(chooser);
}

void SetMessageBoxHandler(std::function<int(MessageBoxKind, const QString&)> handler)
{
    BoxHandler() = std::move(handler);
}

void ShowModelessNotice(bool showRestartNow)
{
    if (const auto& handler = NoticeHandler()) {
        handler(g_strNoticeCaption, g_strNoticeText, showRestartNow);
        return;
    }
    // Not the dialog the operator is in: the notice outlives it.
    CModeless::ShowNotice(g_hMainWnd.load(), showRestartNow);
}

void SetNoticeHandler(std::function<void(const QString&, const QString&, bool)> handler)
{
    NoticeHandler() = std::move(handler);
}

namespace {

std::function<void(DatagramBoxKind, int, const QString&)>& DatagramHandler()
{
    static std::function<void(DatagramBoxKind, int, const QString&)> handler;
    return handler;
}

} // namespace

void ShowDatagramBox(DatagramBoxKind kind, int slot, const QString& text)
{
    if (const auto& handler = DatagramHandler()) {
        handler(kind, slot, text);
        return;
    }
    if (MessageHandler() || BoxHandler()) {
        if (kind == DatagramBoxKind::PlainMessage) {
            ShowMessage(text);
        } else {
            g_strMessage = text;
            RunMessageBox(MessageBoxKind::SelfClosing);
        }
        return;
    }
    DatagramBoxes::instance().Raise(kind, slot, text);
}

void SetDatagramBoxHandler(std::function<void(DatagramBoxKind, int, const QString&)> handler)
{
    DatagramHandler() = std::move(handler);
}

void SetShowMessageHandler(std::function<void(const QString&)> handler)
{
    MessageHandler() = std::move(handler);
}

void InitMainCommandRelay()
{
    if (!g_commandRelay)
        g_commandRelay = new QObject(QCoreApplication::instance());
}

void SendMainCommand(int id)
{
    QObject* relay = g_commandRelay;
    const bool onGuiThread = !QCoreApplication::instance()
        || QThread::currentThread() == QCoreApplication::instance()->thread();
    if (onGuiThread || !relay) {
        if (onGuiThread)
            DeliverMainCommand(id);
        return;
    }
    QMetaObject::invokeMethod(relay, [id] { DeliverMainCommand(id); }, Qt::QueuedConnection);
}
