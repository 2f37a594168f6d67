// One console per receive port, however the starts meet: two started at
// once (as a file manager opens two project files), a start while the
// console asks whether to end, and a start right after the console was told
// to end. Every time exactly one console is left, and it has the file that
// came with the start.

#include <gtest/gtest.h>

#include "unit_checks.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <optional>
#include <vector>

#include "app/project_file.h"
#include "support/adopted_consoles.h"
#include "support/program_run.h"
#include "support/x_display.h"

namespace {

constexpr int kWaitMs = 30000;
const QString kProjectTitle = QStringLiteral("^ Corvane - Encore\\.qsx$");

// A home with an empty project "shows/Encore.qsx" and the folder of the
// hand-off point; the project's path, empty when it could not be written.
QString PrepareHome(const QTemporaryDir& home)
{
    if (!QDir(home.path()).mkpath(QStringLiteral("shows")) || !QDir(home.path()).mkpath(QStringLiteral("tmp")))
        return {};
    const QString project = home.filePath(QStringLiteral("shows/Encore.qsx"));
    std::vector<SceneRecord> noScenes;
    return SaveProjectFile(project, noScenes) ? project : QString();
}

QProcessEnvironment ConsoleEnvironment(const QTemporaryDir& home, std::uint16_t pcPort, const emu::Emulator& emulator)
{
    QProcessEnvironment env = program_run::Environment(home);
    program_run::TalkTo(env, pcPort, emulator);
    env.insert(QStringLiteral("TMPDIR"), home.filePath(QStringLiteral("tmp"))); // where the hand-off point lives
    return env;
}

// A home with the project, a display with openbox, an emulator on a free
// port, and the environment the consoles start in there.
struct OnDisplay {
    QTemporaryDir home;
    QString project = PrepareHome(home);
    x_display::Display display{/*withWindowManager=*/true};
    std::uint16_t pcPort = FreeUdpPort();
    emu::Emulator emulator{pcPort, FreeUdpPort()};
    QProcessEnvironment env = ConsoleEnvironment(home, pcPort, emulator);

    OnDisplay() { display.useFor(env); }
    bool isValid() const { return home.isValid() && !project.isEmpty() && display.isValid(); }
};

// Waits until one of the two programs has ended: the one still running, or
// nullptr when neither or both ended within timeoutMs.
QProcess* WaitUntilOneEnds(QProcess& a, QProcess& b, int timeoutMs)
{
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    for (QProcess* p : {&a, &b})
        QObject::connect(p, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(timeoutMs);
    while (timeout.isActive() && a.state() != QProcess::NotRunning && b.state() != QProcess::NotRunning)
        loop.exec();
    const bool aRuns = a.state() != QProcess::NotRunning;
    const bool bRuns = b.state() != QProcess::NotRunning;
    return aRuns == bRuns ? nullptr : aRuns ? &a : &b;
}

} // namespace

// "corvane & corvane Encore.qsx &", twenty times: one start becomes the
// console and the other hands over and ends with 0, whichever is first. The
// console shows the project: opened at its start, or handed over to it and
// opened once the operator answers the open question.
TEST(OneConsole, TwoStartsAtOnceLeaveOneConsoleWithTheFile)
{
    if (!x_display::HaveWindowManagerTools())
        GTEST_SKIP() << "needs Xvfb, openbox and the X tools";
    const OnDisplay run;
    ASSERT_TRUE(run.isValid());
    const x_display::Display& display = run.display;
    const QString& project = run.project;
    const QProcessEnvironment& env = run.env;

    for (int pair = 0; pair < 20; ++pair) {
        SCOPED_TRACE(pair);
        QProcess plain;
        QProcess withFile;
        // Either one may be the first to start.
        if (pair % 2 == 0) {
            program_run::Start(plain, env, {});
            program_run::Start(withFile, env, {project});
        } else {
            program_run::Start(withFile, env, {project});
            program_run::Start(plain, env, {});
        }
        ASSERT_TRUE(plain.waitForStarted(kWaitMs) && withFile.waitForStarted(kWaitMs));

        QProcess* const console = WaitUntilOneEnds(plain, withFile, 10000);
        ASSERT_NE(console, nullptr) << "two consoles, or none";
        QProcess* const handed = console == &plain ? &withFile : &plain;
        EXPECT_EQ(handed->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(handed->exitCode(), 0) << handed->readAllStandardError().toStdString();

        if (console == &plain) {
            // "Save changes to current project before opening?": No.
            const auto question = display.waitForWindow(QStringLiteral("^Decision$"));
            ASSERT_TRUE(question);
            ASSERT_TRUE(display.typeInto(*question, {QStringLiteral("n")}));
        }
        EXPECT_TRUE(display.waitForWindow(kProjectTitle));
        EXPECT_EQ(console->state(), QProcess::Running);

        ::kill(static_cast<pid_t>(console->processId()), SIGTERM);
        ASSERT_TRUE(console->waitForFinished(kWaitMs));
        EXPECT_EQ(console->exitCode(), 0);
    }
}

// A file handed over while the console asks "Do you want to save any
// changes you made?" is taken; when the operator then answers No, the
// console ends and the file opens in the console that follows it.
TEST(OneConsole, AFileHandedOverDuringTheExitQuestionOpensAfterTheConsoleEnds)
{
    if (!x_display::HaveWindowManagerTools())
        GTEST_SKIP() << "needs Xvfb, openbox and the X tools";
    const OnDisplay run;
    ASSERT_TRUE(run.isValid());
    const x_display::Display& display = run.display;
    const QString& project = run.project;
    const QProcessEnvironment& env = run.env;

    AdoptedConsoles adopted;
    QProcess console;
    program_run::Start(console, env, {});
    ASSERT_TRUE(console.waitForStarted(kWaitMs));
    const auto window = display.waitForWindow(QStringLiteral("^ Corvane - New Project$"));
    ASSERT_TRUE(window);
    // Files > Exit: the console asks before it ends.
    ASSERT_TRUE(display.typeInto(*window, {QStringLiteral("alt+f"), QStringLiteral("x")}));
    const auto question = display.waitForWindow(QStringLiteral("^Decision$"));
    ASSERT_TRUE(question);

    QProcess second;
    program_run::Start(second, env, {project});
    ASSERT_TRUE(second.waitForFinished(kWaitMs));
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();

    ASSERT_TRUE(display.typeInto(*question, {QStringLiteral("n")}));
    ASSERT_TRUE(console.waitForFinished(kWaitMs));
    EXPECT_EQ(console.exitCode(), 0);

    EXPECT_TRUE(display.waitForWindow(kProjectTitle, 20000)) << "the handed-over file never opened";
    const std::vector<pid_t> running = AdoptedConsoles::Running();
    ASSERT_EQ(running.size(), 1u);
    ::kill(running.front(), SIGTERM);
    EXPECT_EQ(AdoptedConsoles::WaitForEnd(running.front(), kWaitMs), 0);
}

// A file handed over while a question is open (the start-up question, the
// exit question) and then a terminate signal (kill, a shut-down, a logout):
// the console ends and no console follows it; standard error names the file
// that was not opened, which is still on disk.
TEST(OneConsole, ATerminateSignalAfterAHandOverEndsTheConsoleAndStartsNone)
{
    if (!x_display::HaveWindowManagerTools())
        GTEST_SKIP() << "needs Xvfb, openbox and the X tools";
    for (const bool atStart : {true, false}) {
        SCOPED_TRACE(atStart ? "start-up question" : "exit question");
        OnDisplay run;
        ASSERT_TRUE(run.isValid());
        const x_display::Display& display = run.display;
        QProcessEnvironment env = run.env;
        if (atStart)
            env.remove(QStringLiteral("CORVANE_NO_STARTUP_QUESTION"));

        AdoptedConsoles adopted;
        QProcess console;
        program_run::Start(console, env, {});
        ASSERT_TRUE(console.waitForStarted(kWaitMs));
        if (!atStart) {
            const auto window = display.waitForWindow(QStringLiteral("^ Corvane - New Project$"));
            ASSERT_TRUE(window);
            ASSERT_TRUE(display.typeInto(*window, {QStringLiteral("alt+f"), QStringLiteral("x")}));
        }
        ASSERT_TRUE(display.waitForWindow(QStringLiteral("^Decision$")));

        QProcess second;
        program_run::Start(second, env, {run.project});
        ASSERT_TRUE(second.waitForFinished(kWaitMs));
        ASSERT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();

        ::kill(static_cast<pid_t>(console.processId()), SIGTERM);
        ASSERT_TRUE(console.waitForFinished(kWaitMs));
        EXPECT_EQ(console.exitCode(), 0);
        // A console that followed would have been started before this one ended.
        EXPECT_TRUE(AdoptedConsoles::Running().empty()) << "a console was started after the signal";
        const QString log = QString::fromUtf8(console.readAllStandardError());
        EXPECT_TRUE(log.contains(QStringLiteral("\"%1\" was not opened").arg(run.project))) << log.toStdString();
        EXPECT_TRUE(QFileInfo::exists(run.project));
    }
}

// A start right after the console was told to end (kill -TERM) meets a
// console on its way out: it waits for it to let go, then is the console
// itself, answers the unit on the port and has its file open.
TEST(OneConsole, AStartRightAfterTheConsoleIsToldToEndBecomesTheConsole)
{
    for (int trial = 0; trial < 3; ++trial) {
        SCOPED_TRACE(trial);
        QTemporaryDir home;
        ASSERT_TRUE(home.isValid());
        const QString project = PrepareHome(home);
        ASSERT_FALSE(project.isEmpty());
        const std::uint16_t pcPort = FreeUdpPort();
        emu::Emulator emulator(pcPort, FreeUdpPort());
        const int unit = emulator.addUnit(emu::defaultConfig(emu::Model::KR960, 2, 1));
        const QProcessEnvironment env = ConsoleEnvironment(home, pcPort, emulator);

        QProcess first;
        program_run::Start(first, env, {});
        ASSERT_TRUE(first.waitForStarted(kWaitMs));
        ASSERT_TRUE(program_run::ReportUntilAnswered(emulator, unit));

        ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
        QProcess second;
        program_run::Start(second, env, {project});
        ASSERT_TRUE(second.waitForStarted(kWaitMs));
        ASSERT_TRUE(first.waitForFinished(kWaitMs));
        EXPECT_EQ(first.exitCode(), 0);

        emulator.clearReceived();
        EXPECT_TRUE(program_run::ReportUntilAnswered(emulator, unit));
        ASSERT_EQ(second.state(), QProcess::Running) << second.readAllStandardError().toStdString();
        ::kill(static_cast<pid_t>(second.processId()), SIGTERM);
        ASSERT_TRUE(second.waitForFinished(kWaitMs));
        EXPECT_EQ(second.exitCode(), 0);

        // The project it had open is the first of its recent files.
        QFile ini(home.filePath(QStringLiteral("data/Quellon/Corvane/Corvane.ini")));
        ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
        EXPECT_TRUE(QString::fromUtf8(ini.readAll()).contains(project));
    }
}
