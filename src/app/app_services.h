#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Small services of the application core that any part of the program calls.

// The full path of fileName in the data folder, creating the folder chain first.
QString GetUserDataFilePath(const QString& fileName);

class QWidget;

// The window a box or dialog that runs modally belongs to: the modal dialog
// the operator is in when it opens, else the main window. The box opens
// centred on that dialog, and the window manager keeps the dialog under the
// box instead of raising the main window over it. The notice and the boxes
// that units raise are not run modally and stay with the main window, so
// that closing a dialog never takes them with it.
QWidget* ModalOwner();

// A plain message box with the text and an OK button.
void ShowMessage(const QString& text);

// Starts an outside program, or this program again, without waiting for it.
// True when it started. Otherwise g_strScratch holds "Exception raised: ..."
// with the reason, for the caller to show; nothing has been shown yet.
bool RunProcess(const QString& program, const QStringList& arguments);

// A line on the standard error, for what happens while nobody can answer a
// box (the program ending on a signal).
void LogLine(const QString& text);

// Replaces how ShowMessage presents its text (tests record it instead of
// opening a box); an empty function puts the message box back.
void SetShowMessageHandler(std::function<void(const QString&)> handler);

// The program's own message boxes show g_strMessage and answer with IDOK,
// IDYES, IDNO or IDCANCEL.
enum class MessageBoxKind {
    Message,      // the skinned message box with OK
    SelfClosing,  // closes itself after a moment
    YesNo,
    YesNoCancel,
};
int RunMessageBox(MessageBoxKind kind);

// Replaces how the message boxes are presented (tests answer them); an empty
// function puts the dialogs back. Without one, a test that replaced the plain
// message box (SetShowMessageHandler) also receives these texts, and the
// question boxes are answered No.
void SetMessageBoxHandler(std::function<int(MessageBoxKind kind, const QString& text)> handler);

class CSkinnedDialog;
// Runs one of the program's dialogs modally and hands back its result;
// tests replace how (they fill the dialog and answer it).
int RunModal(CSkinnedDialog& dialog);
void SetDialogHandler(std::function<int(CSkinnedDialog& dialog)> handler);

// Chooses a project file to open or to save as: the chosen path, or empty
// when the operator cancelled. Tests replace the chooser.
QString ChooseProjectFile(bool forSaving, const QString& directory);
void SetFileChooser(std::function<QString(bool forSaving, const QString& directory)> chooser);

// The modeless notice: caption and text of the next one.
extern QString g_strNoticeCaption;
extern QString g_strNoticeText;

// Shows g_strNoticeText under g_strNoticeCaption without blocking. An open
// notice is only brought to the front, with the texts it has (never over a
// modal dialog), rather than stacked.
void ShowModelessNotice(bool showRestartNow);
// Replaces how notices are presented (tests record them); empty restores.
void SetNoticeHandler(std::function<void(const QString& caption, const QString& text,
                                         bool showRestartNow)> handler);

// The boxes that a unit datagram raises: the plain message box (its text,
// such as "Wrong SubnetMask.") and the self-closing box that tells a slot has
// been set unused.
enum class DatagramBoxKind {
    PlainMessage,
    SlotSetUnused,
};

// Shows a box that a datagram raised about the unit in slot. It returns at
// once: the box runs no loop of its own and takes no focus, and a repeat of
// the same kind and slot goes to the box that is up (DatagramBoxes). Without a
// handler of its own (SetDatagramBoxHandler), a test that replaced the plain
// or the program's message boxes receives it there, as the box would have
// been shown before.
void ShowDatagramBox(DatagramBoxKind kind, int slot, const QString& text);
// Replaces how datagram boxes are presented (tests record them); empty restores.
void SetDatagramBoxHandler(std::function<void(DatagramBoxKind kind, int slot, const QString& text)> handler);

// Hands a command id to the main window's OnCommand. On the GUI thread the
// command is handled before this returns; from any other thread it is queued
// to the GUI thread and handled there in order. Without a main window the
// command is dropped.
void SendMainCommand(int id);

// Makes SendMainCommand usable from other threads; called once on the GUI
// thread at start-up, before any other thread can send.
void InitMainCommandRelay();
