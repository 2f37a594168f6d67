#pragma once

// The real program started as a desktop starts it, in a home folder of the
// test's own, on the offscreen window system, and played to by emulated
// units on loopback.

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <functional>
#include <thread>

#include <pthread.h>

#include "unit_emulator.h"
#include "x_display.h"

namespace program_run {

// The environment of a run in home: its per-user folders under home and the
// offscreen window system, on one screen of width x height when given.
inline QProcessEnvironment Environment(const QTemporaryDir& home, int width = 0, int height = 0)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString platform = QStringLiteral("offscreen");
    if (width > 0) {
        const QString screens = home.filePath(QStringLiteral("screens.json"));
        QFile file(screens);
        if (file.open(QIODevice::WriteOnly))
            file.write(QStringLiteral(R"({"screens": [{"name": "only", "x": 0, "y": 0, "width": %1, "height": %2,
                                         "logicalDpi": 96, "dpr": 1}]})")
                           .arg(width)
                           .arg(height)
                           .toUtf8());
        platform += QStringLiteral(":configfile=") + screens;
    }
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    return env;
}

// The run talks to the emulator's units and asks no start-up question.
inline void TalkTo(QProcessEnvironment& env, std::uint16_t pcPort, const emu::Emulator& emulator)
{
    env.insert(QStringLiteral("CORVANE_PC_PORT"), QString::number(pcPort));
    env.insert(QStringLiteral("CORVANE_UNIT_PORT"), QString::number(emulator.unitPort()));
    env.insert(QStringLiteral("CORVANE_NO_STARTUP_QUESTION"), QStringLiteral("1"));
}

// A home of the test's own and an X display with openbox, and the environment
// the program starts in there: no units (the system picks the receive port)
// and no start-up question.
struct WindowManagerRun {
    QTemporaryDir home;
    x_display::Display display{/*withWindowManager=*/true};
    QProcessEnvironment env = WithoutUnits(home, display);

    bool isValid() const { return home.isValid() && display.isValid(); }

private:
    static QProcessEnvironment WithoutUnits(const QTemporaryDir& home, const x_display::Display& display)
    {
        QProcessEnvironment env = Environment(home);
        display.useFor(env);
        env.insert(QStringLiteral("CORVANE_PC_PORT"), QStringLiteral("0"));
        env.insert(QStringLiteral("CORVANE_NO_STARTUP_QUESTION"), QStringLiteral("1"));
        return env;
    }
};

// The signals that end the program wait, blocked, until it has its own
// handling, so one sent right after the start reaches a running program.
// With writesMayFail, a write beyond a file size limit set on the program
// fails, as on a full disk, instead of ending it.
inline void HoldEndSignalsUntilHandled(QProcess& program, bool writesMayFail = false)
{
    program.setChildProcessModifier([writesMayFail] {
        if (writesMayFail)
            std::signal(SIGXFSZ, SIG_IGN);
        sigset_t set;
        sigemptyset(&set);
        for (const int sig : {SIGTERM, SIGINT, SIGHUP})
            sigaddset(&set, sig);
        ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
    });
}

#ifdef CORVANE_BINARY
// Starts the program with env and arguments in program, its end signals held
// until it handles them (see HoldEndSignalsUntilHandled).
inline void Start(QProcess& program, const QProcessEnvironment& env, const QStringList& arguments = {},
                  bool writesMayFail = false)
{
    program.setProcessEnvironment(env);
    HoldEndSignalsUntilHandled(program, writesMayFail);
    program.start(QStringLiteral(CORVANE_BINARY), arguments);
}
#endif

// The program listens some time after its window is built: the unit reports
// until it is answered, each wait bounded by the emulator's poll.
inline bool ReportUntilAnswered(emu::Emulator& emulator, int unit)
{
    for (int attempt = 0; attempt < 300; ++attempt) {
        emulator.sendReport(unit);
        emulator.pump(100);
        if (emulator.receivedCount(unit, emu::Kind::State) > 0)
            return true;
    }
    return false;
}

// Keeps the emulator's units reporting, on a thread of their own, as units
// on the network do: the program keeps them on line however long the test
// takes over its windows. The emulator belongs to that thread until this
// ends; answer the units first (ReportUntilAnswered).
class UnitsReporting {
public:
    explicit UnitsReporting(emu::Emulator& emulator)
        : m_thread([&emulator](std::stop_token stop) {
              const auto start = std::chrono::steady_clock::now();
              while (!stop.stop_requested()) {
                  const auto elapsed = std::chrono::steady_clock::now() - start;
                  emulator.tick(std::uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
                  // Waits for the program's datagrams, at most until the next reports are due.
                  emulator.pump(20);
              }
          })
    {
    }

private:
    std::jthread m_thread;
};

// Reads the program's stderr into log until it holds text; false when the
// program ended or the time ran out first.
inline bool WaitForLog(QProcess& program, QString& log, const QString& text, int timeoutMs = 60000)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        log += QString::fromLocal8Bit(program.readAllStandardError());
        if (log.contains(text))
            return true;
        if (deadline.hasExpired() || program.state() == QProcess::NotRunning)
            return false;
        program.setReadChannel(QProcess::StandardError);
        program.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    }
}

// Asks done at once and after each change of the entries of folder until it
// says true; false when timeoutMs passed first.
inline bool WaitInFolder(const QString& folder, int timeoutMs, const std::function<bool()>& done)
{
    QFileSystemWatcher watcher({folder});
    QEventLoop loop;
    QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &loop, &QEventLoop::quit);
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        timeout.start(int(std::max<qint64>(1, deadline.remainingTime())));
        loop.exec();
    }
    return true;
}

} // namespace program_run
