// Setup > Restart Program ends the console and starts a new one on the same
// port: after every restart exactly one console runs, takes hand-offs and
// answers its units, also when the old one is slow to end.

#include <gtest/gtest.h>

#include "unit_checks.h"

#include <QDir>
#include <QFileInfo>

#include <vector>

#include "app/single_console.h"
#include "support/adopted_consoles.h"
#include "support/program_run.h"
#include "support/x_display.h"

namespace {

constexpr int kRestarts = 10;
constexpr int kWaitMs = 30000;

// Waits until a console listens for hand-offs in dir (the folder of its
// hand-off point, which this process does not share) and takes one (an
// empty request, which only brings it to the front).
bool TakesHandOff(const QString& dir, const QString& name)
{
    const QString point = QDir(dir).filePath(name);
    HandOffResult result = HandOffResult::NoConsole;
    program_run::WaitInFolder(dir, kWaitMs, [&] {
        // The point appears a moment before the console listens on it, and
        // a console refuses requests until its window is up.
        for (int refused = 0; QFileInfo::exists(point) && refused < 1000; ++refused) {
            result = HandOffToRunningConsole(point, QString(), 5000);
            if (result != HandOffResult::NoConsole && result != HandOffResult::Refused)
                return true;
        }
        return false;
    });
    return result == HandOffResult::Delivered;
}

void RestartTenTimes(bool unitsOnLine)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString tmp = home.filePath(QStringLiteral("tmp"));
    ASSERT_TRUE(QDir().mkpath(tmp));

    const std::uint16_t pcPort = FreeUdpPort();
    emu::Emulator emulator(pcPort, FreeUdpPort());
    const int unit = unitsOnLine ? emulator.addUnit(emu::defaultConfig(emu::Model::KR960, 2, 1)) : -1;
    QProcessEnvironment env = program_run::Environment(home);
    program_run::TalkTo(env, pcPort, emulator);
    env.insert(QStringLiteral("TMPDIR"), tmp); // where the hand-off point lives
    env.insert(QStringLiteral("CORVANE_TEST_RESTART_SIGNAL"), QStringLiteral("1"));
    // Each console lingers on its way out, as on a display server that takes its time.
    env.insert(QStringLiteral("CORVANE_TEST_EXIT_DELAY_MS"), QStringLiteral("500"));
    const QString handOffName = ConsoleHandOffName(pcPort);

    // Started detached like its successors, so every console of the chain
    // is adopted, and tells the test's own output what it tells.
    AdoptedConsoles adopted;
    QProcess starter;
    starter.setProcessEnvironment(env);
    starter.setProgram(QStringLiteral(CORVANE_BINARY));
    ASSERT_TRUE(starter.startDetached());
    for (int restart = 0; restart <= kRestarts; ++restart) {
        SCOPED_TRACE(restart);
        const std::vector<pid_t> running = AdoptedConsoles::Running();
        ASSERT_EQ(running.size(), 1u);
        const pid_t console = running.front();
        ASSERT_TRUE(TakesHandOff(tmp, handOffName));
        if (unitsOnLine) {
            ASSERT_TRUE(program_run::ReportUntilAnswered(emulator, unit));
        }
        EXPECT_EQ(AdoptedConsoles::Running(), std::vector<pid_t>{console});
        emulator.clearReceived();
        // Restarted, and at last ended; each console ends with status 0.
        ASSERT_EQ(::kill(console, restart < kRestarts ? SIGUSR1 : SIGTERM), 0);
        ASSERT_EQ(AdoptedConsoles::WaitForEnd(console, kWaitMs), 0);
    }
}

} // namespace

TEST(Restart, AlwaysLeavesExactlyOneConsoleWithUnitsOnLine)
{
    RestartTenTimes(true);
}

TEST(Restart, AlwaysLeavesExactlyOneConsoleWithoutUnits)
{
    RestartTenTimes(false);
}

// When the new console cannot be started (here its program file is gone),
// the old one says so in a box before it ends, instead of leaving nothing.
TEST(Restart, ANewConsoleThatCannotStartIsToldBeforeTheOldOneEnds)
{
    if (!x_display::HaveWindowManagerTools())
        GTEST_SKIP() << "needs Xvfb, openbox and the X tools";

    program_run::WindowManagerRun run;
    ASSERT_TRUE(run.isValid()) << "no X display with a window manager";
    const x_display::Display& display = run.display;
    const QString copy = run.home.filePath(QStringLiteral("corvane"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(CORVANE_BINARY), copy));

    run.env.insert(QStringLiteral("CORVANE_TEST_RESTART_SIGNAL"), QStringLiteral("1"));
    QProcess program;
    program.setProcessEnvironment(run.env);
    program_run::HoldEndSignalsUntilHandled(program);
    program.start(copy, {});
    ASSERT_TRUE(program.waitForStarted(30000));
    ASSERT_TRUE(display.waitForWindow(QStringLiteral("^ Corvane - New Project$")));

    ASSERT_TRUE(QFile::remove(copy));
    ASSERT_EQ(::kill(static_cast<pid_t>(program.processId()), SIGUSR1), 0);
    // The box is the old console's last window, up while it still runs. A
    // search that met a window going away tries again.
    std::optional<QString> box;
    const QDeadlineTimer deadline(kWaitMs);
    while (!box && !deadline.hasExpired() && !program.waitForFinished(0))
        box = display.waitForWindow(QStringLiteral("^Corvane$"), int(std::max<qint64>(1, deadline.remainingTime())));
    EXPECT_TRUE(box) << "nothing was said";
    EXPECT_EQ(program.state(), QProcess::Running);
    if (box) {
        EXPECT_TRUE(display.xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), *box,
                                     QStringLiteral("key"), QStringLiteral("Return")}));
    }
    EXPECT_TRUE(program.waitForFinished(kWaitMs)) << program.readAllStandardError().toStdString();
    EXPECT_EQ(program.exitCode(), 0);
    if (program.state() != QProcess::NotRunning) {
        program.kill();
        program.waitForFinished();
    }
}
