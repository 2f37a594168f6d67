// The window manager's close requests reach the real console while its exit
// question is open: one to the main window leaves the console and the
// question as they are; one to the question is its Cancel, also right after
// another start handed a project over.

#include <gtest/gtest.h>

#include <csignal>
#include <vector>

#include "app/project_file.h"
#include "unit_checks.h"

#include "support/program_run.h"
#include "support/x_display.h"

// Last: it brings Xlib, whose names (None, Bool, Status) Qt's headers use.
#include "support/x_connection.h"

// Files > Exit with its question open, then the main window's close button:
// the console neither ends nor closes. Cancel answers the question, and the
// console goes on as before.
TEST(Program, ACloseRequestDuringTheExitQuestionKeepsTheConsole)
{
    if (!x_display::HaveWindowManagerTools())
        GTEST_SKIP() << "needs Xvfb, openbox and the X tools";

    const program_run::WindowManagerRun run;
    ASSERT_TRUE(run.isValid()) << "no X display with a window manager";
    const x_display::Display& display = run.display;
    x_connection::XConnection x(display.name());
    ASSERT_TRUE(x.isValid());

    QProcess program;
    program_run::Start(program, run.env);
    ASSERT_TRUE(program.waitForStarted(30000));

    const QString title = QStringLiteral(" Corvane - New Project");
    const auto main = display.waitForWindow(QLatin1Char('^') + title + QLatin1Char('$'));
    ASSERT_TRUE(main);
    // Files > Exit from the keyboard.
    ASSERT_TRUE(display.xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), *main,
                                 QStringLiteral("key"), QStringLiteral("alt+f"), QStringLiteral("x")}));
    const auto question = display.waitForWindow(QStringLiteral("^Decision$"));
    ASSERT_TRUE(question);
    const Window mainWindow = main->toULong();
    const Window questionWindow = question->toULong();
    x.watch(mainWindow);
    x.watch(questionWindow);

    x.sendDeleteWindow(mainWindow);
    EXPECT_TRUE(x.isViewable(questionWindow));
    // Escape reaches the question after the close request: its Cancel.
    ASSERT_TRUE(display.xdotool({QStringLiteral("key"), QStringLiteral("Escape")}));
    std::vector<Window> gone;
    EXPECT_TRUE(x.waitForGone(questionWindow, gone, 45000)) << "the question stayed up";

    EXPECT_EQ(std::count(gone.begin(), gone.end(), mainWindow), 0) << "the main window went";
    EXPECT_TRUE(x.isViewable(mainWindow));
    EXPECT_EQ(display.xdotool({QStringLiteral("getwindowname"), *main}).value_or(QString()).toStdString(),
              title.toStdString());
    EXPECT_EQ(program.state(), QProcess::Running) << program.readAllStandardError().toStdString();

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    EXPECT_TRUE(program.waitForFinished(60000)) << program.readAllStandardError().toStdString();
}

// Files > Exit, and while its question is open another start hands a project
// over; the window manager's close of the question is its Cancel, every time:
// the question goes at once and the console stays. Then the project's own
// question follows, a box of its own, and No opens the project.
TEST(Program, ACloseOfTheExitQuestionRightAfterAHandOverIsItsCancel)
{
    if (!x_display::HaveWindowManagerTools())
        GTEST_SKIP() << "needs Xvfb, openbox and the X tools";

    program_run::WindowManagerRun run;
    ASSERT_TRUE(run.isValid()) << "no X display with a window manager";
    const x_display::Display& display = run.display;
    x_connection::XConnection x(display.name());
    ASSERT_TRUE(x.isValid());
    // A port of the console's own, so the second start finds it.
    run.env.insert(QStringLiteral("CORVANE_PC_PORT"), QString::number(FreeUdpPort()));
    run.env.insert(QStringLiteral("TMPDIR"), run.home.path());
    const QString project = run.home.filePath(QStringLiteral("Encore.qsx"));
    std::vector<SceneRecord> noScenes;
    ASSERT_TRUE(SaveProjectFile(project, noScenes));

    QProcess program;
    program_run::Start(program, run.env);
    ASSERT_TRUE(program.waitForStarted(30000));
    auto main = display.waitForWindow(QStringLiteral("^ Corvane - New Project$"));
    ASSERT_TRUE(main);
    x.watch(main->toULong());

    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(display.typeInto(*main, {QStringLiteral("alt+f"), QStringLiteral("x")}));
        const auto question = display.waitForWindow(QStringLiteral("^Decision$"));
        ASSERT_TRUE(question);
        const Window questionWindow = question->toULong();
        x.watch(questionWindow);

        QProcess second;
        program_run::Start(second, run.env, {project});
        ASSERT_TRUE(second.waitForFinished(30000));
        ASSERT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();

        x.sendDeleteWindow(questionWindow);
        std::vector<Window> gone;
        EXPECT_TRUE(x.waitForGone(questionWindow, gone, 20000)) << "the exit question stayed up";
        EXPECT_EQ(std::count(gone.begin(), gone.end(), main->toULong()), 0) << "the main window went";
        ASSERT_EQ(program.state(), QProcess::Running) << program.readAllStandardError().toStdString();

        // "Save changes to current project before opening?": No.
        const auto open = display.waitForWindow(QStringLiteral("^Decision$"));
        ASSERT_TRUE(open);
        EXPECT_NE(open->toULong(), questionWindow);
        ASSERT_TRUE(display.typeInto(*open, {QStringLiteral("n")}));
        main = display.waitForWindow(QStringLiteral("^ Corvane - Encore\\.qsx$"));
        ASSERT_TRUE(main) << "the handed-over project did not open";
    }

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    EXPECT_TRUE(program.waitForFinished(60000)) << program.readAllStandardError().toStdString();
}
