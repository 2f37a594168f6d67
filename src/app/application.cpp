#include "app/application.h"

#include "app/app_services.h"
#include "app/command_ids.h"
#include "app/command_line.h"
#include "app/file_association.h"
#include "app/main_dialog.h"
#include "app/project_state.h"
#include "app/single_console.h"
#include "platform/clock.h"
#include "platform/font_faces.h"
#include "platform/path_text.h"
#include "platform/settings_store.h"
#include "platform/skin_registry.h"
#include "platform/termination_signals.h"
#include "platform/timer_table.h"

#include <QDir>
#include <QKeyEvent>
#include <QTimer>

#include <chrono>
#include <memory>
#include <thread>

CQuellonKR9SeriesApp::CQuellonKR9SeriesApp(int& argc, char** argv)
    : QApplication(argc, argv), m_argc(argc), m_argv(argv)
{
    // The window class carries the program's desktop name, and the windows
    // are matched to the desktop entry by its id. No display name is set:
    // the window system would append it to every title, and the titles are
    // the console's own texts exactly.
    setApplicationName(QStringLiteral("Quellon-Corvane"));
    setOrganizationName(QStringLiteral("Quellon"));
    setDesktopFileName(QLatin1String(kDesktopEntryId));
}

int CQuellonKR9SeriesApp::InitInstance()
{
    // The end-to-end tests restart the program without a mouse (SIGUSR1),
    // and make it linger on its way out as it does on a slow display server.
    const bool restartOnSignal = qEnvironmentVariableIsSet("CORVANE_TEST_RESTART_SIGNAL");
    if (restartOnSignal)
        InstallRestartSignalHandler();
    const int exitDelayMs = qEnvironmentVariableIntValue("CORVANE_TEST_EXIT_DELAY_MS");

    ConsoleEnd end;
    const int exitCode = RunConsole(restartOnSignal, end);
    FollowConsole(end);
    if (exitDelayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(exitDelayMs));
    return exitCode;
}

void CQuellonKR9SeriesApp::FollowConsole(const ConsoleEnd& end)
{
    // A new console starts only now that this one has let go of all it would
    // take: the window, the receive port, the hand-off point, its lock and
    // the settings went with RunConsole. Started any earlier, it would find
    // the hand-off point still held by a console that no longer answers.
    //
    // A project handed over while a box was open (the question whether to
    // end, say) was taken but never opened. When the operator ended this
    // console, a console that follows it opens the project; a console ended
    // by a signal starts none, and the file is only named as not opened.
    const QString self = applicationFilePath();
    if (const QString& path = end.unopenedHandOff; !path.isEmpty()) {
        const auto notOpened = [&path](const QString& why) {
            return QStringLiteral("\"%1\" was not opened: %2").arg(DisplayPath(path), why);
        };
        if (end.bySignal)
            LogLine(notOpened(QStringLiteral("Corvane was ended by a signal.")));
        else if (!RunProcess(self, {path}))
            ShowMessage(notOpened(QStringLiteral("Corvane could not be started again.")));
    }
    if (end.restart)
        StartAgain(self);
}

void CQuellonKR9SeriesApp::StartAgain(const QString& program)
{
    // No console is left once this one ends: a restart that did not start
    // is not left unsaid.
    if (!RunProcess(program, {}))
        ShowMessage(g_strScratch);
}

int CQuellonKR9SeriesApp::RunConsole(bool restartOnSignal, ConsoleEnd& end)
{
    // The project path is fixed before start-up moves to the last used directory.
    StartupOptions options;
    options.projectPath = ProjectPathFromArguments(ArgumentsFromNative(m_argc, m_argv), CurrentDirectoryText());
    options.exePath = applicationFilePath();
    // Unattended runs (the end-to-end tests, the load bench) skip the start-up question.
    options.askStartupQuestion = !qEnvironmentVariableIsSet("CORVANE_NO_STARTUP_QUESTION");
    // Another pair of ports (a second console on the bench, the unit emulator).
    bool ok = false;
    if (const int port = qEnvironmentVariableIntValue("CORVANE_PC_PORT", &ok); ok && port >= 0 && port < 65536)
        options.network.pcPort = static_cast<std::uint16_t>(port);
    if (const int port = qEnvironmentVariableIntValue("CORVANE_UNIT_PORT", &ok); ok && port > 0 && port < 65536)
        options.network.unitPort = static_cast<std::uint16_t>(port);

    // One console per receive port: a console already receiving on ours
    // takes the project (or just comes to the front), and this start ends
    // before it builds a window or touches the network. Which start becomes
    // the console is settled under the port's lock, so of two starts at once
    // (two files opened together) one hands over to the other, and a console
    // on its way out is waited for. Port 0 gives every console a port of its
    // own, so each one stands alone.
    QtTimerTable handOffTimers;
    std::unique_ptr<ConsoleHandOffServer> handOff;
    if (options.network.pcPort != 0) {
        const QString name = ConsoleHandOffName(options.network.pcPort);
        ConsolePortLock lock(ConsoleLockPath(options.network.pcPort));
        switch (HandOffOrBecomeConsole(name, options.projectPath, lock)) {
        case StartRole::HandedOver:
            return 0;
        case StartRole::NoAnswer:
            ShowMessage(QStringLiteral("Corvane is already running on port %1 but does not answer.")
                            .arg(options.network.pcPort));
            return 1;
        case StartRole::Console:
            break;
        }
        handOff = std::make_unique<ConsoleHandOffServer>(
            name, handOffTimers,
            [](const QString& path) {
                if (g_pMainDlg)
                    g_pMainDlg->OnProjectHandedOver(path);
            },
            // Only while the window is up and not shutting down: a console
            // that would drop the file refuses it, and the sender waits for
            // it to go and becomes the console itself.
            [] { return g_pMainDlg && !g_pMainDlg->isShutDown(); });
        handOff->listen(std::move(lock));
    }

    InstallFontSubstitutions();
    InitMainCommandRelay();

    SteadyClock clock;
    QtTimerTable timers;
    SettingsStore settings;
    PlatformServices platform{clock, timers, settings, SkinRegistry::instance()};

    int exitCode = 0;
    {
        CQuellonKR9SeriesDlg dialog(platform, options);
        g_pMainDlg = &dialog;
        WatchTerminationSignals(&dialog, [&dialog, &end] {
            // Unless the operator's own answer has already ended it, the
            // console ends because the system told it to (a kill, a shut-down,
            // a logout), and nothing may bring it back.
            if (!dialog.isShutDown())
                end.bySignal = true;
            // A box that is open is answered "cancel" first; the window closes
            // once its loop has returned.
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->close();
                QTimer::singleShot(0, &dialog, [&dialog] { dialog.CloseWithoutAsking(); });
                return;
            }
            dialog.CloseWithoutAsking();
        });
        if (restartOnSignal) {
            WatchRestartSignal(&dialog, [&dialog] {
                // Setup > Restart Program, its save question answered "No"
                // with the key N once the box is open.
                QTimer::singleShot(0, &dialog, [] {
                    if (QWidget* box = QApplication::activeModalWidget()) {
                        QKeyEvent no(QEvent::KeyPress, Qt::Key_N, Qt::NoModifier, QStringLiteral("n"));
                        QApplication::sendEvent(box, &no);
                    }
                });
                dialog.OnCommand(ID_RESTART_PROGRAM);
            });
        }
        dialog.OnInitDialog();
        dialog.show();
        if (dialog.closeRequested())
            QTimer::singleShot(0, &dialog, [&dialog] { dialog.CloseWithoutAsking(); });
        exitCode = exec();
        end.restart = dialog.restartRequested();
        end.unopenedHandOff = dialog.unopenedHandOff();
        g_pMainDlg = nullptr;
    }
    return exitCode;
}
