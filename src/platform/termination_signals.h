#pragma once

#include <functional>

class QObject;

// SIGTERM, SIGINT and SIGHUP end the program through its normal shut-down
// instead of killing it, so the window placement and the rest are kept.

// Installs the handlers and unblocks the three signals (a parent may have
// started the program with them blocked). Call first thing in main; a signal
// that arrives before the GUI loop runs waits for it.
void InstallTerminationSignalHandlers();

// Calls onSignal on the owner's thread for each termination signal that
// arrived (also one that came before this call). The watcher lives as long
// as owner does.
void WatchTerminationSignals(QObject* owner, std::function<void()> onSignal);

// Unattended runs (the end-to-end tests) ask for a restart with SIGUSR1, as
// the operator does from the Setup menu. Only such runs install the handler:
// elsewhere SIGUSR1 keeps its default action.
void InstallRestartSignalHandler();
void WatchRestartSignal(QObject* owner, std::function<void()> onSignal);
