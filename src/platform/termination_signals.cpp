#include "platform/termination_signals.h"

#include <QObject>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

namespace {

// A signal handler only writes a byte into its pipe; the GUI loop reads it.
struct SignalPipe {
    int fd[2] = {-1, -1};
};

SignalPipe g_termination;
SignalPipe g_restart;

void WriteByte(const SignalPipe& pipe)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(pipe.fd[1], &byte, 1);
    errno = savedErrno;
}

void OnTerminationSignal(int)
{
    WriteByte(g_termination);
}

void OnRestartSignal(int)
{
    WriteByte(g_restart);
}

void Install(SignalPipe& pipe, void (*handler)(int), std::initializer_list<int> signalNumbers)
{
    if (pipe.fd[0] >= 0)
        return;
    if (::pipe2(pipe.fd, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipe.fd[0] = pipe.fd[1] = -1;
        return;
    }
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigset_t set;
    sigemptyset(&set);
    for (const int sig : signalNumbers) {
        ::sigaction(sig, &action, nullptr);
        sigaddset(&set, sig);
    }
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void Watch(const SignalPipe& pipe, QObject* owner, std::function<void()> onSignal)
{
    const int readEnd = pipe.fd[0];
    if (readEnd < 0)
        return;
    auto* notifier = new QSocketNotifier(readEnd, QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [readEnd, onSignal = std::move(onSignal)] {
        char buffer[16];
        bool any = false;
        while (::read(readEnd, buffer, sizeof buffer) > 0)
            any = true;
        if (any && onSignal)
            onSignal();
    });
}

} // namespace

void InstallTerminationSignalHandlers()
{
    Install(g_termination, OnTerminationSignal, {SIGTERM, SIGINT, SIGHUP});
}

void WatchTerminationSignals(QObject* owner, std::function<void()> onSignal)
{
    Watch(g_termination, owner, std::move(onSignal));
}

void InstallRestartSignalHandler()
{
    Install(g_restart, OnRestartSignal, {SIGUSR1});
}

void WatchRestartSignal(QObject* owner, std::function<void()> onSignal)
{
    Watch(g_restart, owner, std::move(onSignal));
}
