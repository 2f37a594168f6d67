#include "platform/termination_signals.h"

#include <QObject>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
    errno = savedErrno;
}

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

} // namespace

void InstallTerminationSignalHandlers()
{
    if (g_signalPipe[0] >= 0)
        return;
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_signalPipe[0] = g_signalPipe[1] = -1;
        return;
    }
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigset_t set;
    sigemptyset(&set);
    for (const int sig : kSignals) {
        ::sigaction(sig, &action, nullptr);
        sigaddset(&set, sig);
    }
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void WatchTerminationSignals(QObject* owner, std::function<void()> onSignal)
{
    if (g_signalPipe[0] < 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner,
                     [onSignal = std::move(onSignal)] {
                         char buffer[16];
                         bool any = false;
                         while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0)
                             any = true;
                         if (any && onSignal)
                             onSignal();
                     });
}
