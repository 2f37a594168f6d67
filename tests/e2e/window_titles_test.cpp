#include <gtest/gtest.h>

#include <csignal>

#include "support/program_run.h"
#include "support/x_display.h"

namespace {

// The title of the first visible window whose title matches pattern, once
// there is one (blanks kept); empty when none comes in time.
QString ShownTitle(const x_display::Display& display, const QString& pattern)
{
    const auto window = display.waitForWindow(pattern);
    if (!window)
        return {};
    const auto name = display.xdotool({QStringLiteral("getwindowname"), *window});
    return name ? *name : QString();
}

} // namespace

// On a real X display under a window manager each title shows exactly as
// the console sets it: the main window's project title and the start-up
// question's "Decision", with nothing of the program's name appended.
TEST(Program, WindowTitlesOnTheDisplayAreTheConsolesOwn)
{
    if (!x_display::HaveWindowManagerTools())
        GTEST_SKIP() << "needs Xvfb, openbox and the X tools";

    program_run::WindowManagerRun run;
    ASSERT_TRUE(run.isValid()) << "no X display with a window manager";
    const x_display::Display& display = run.display;
    run.env.remove(QStringLiteral("CORVANE_NO_STARTUP_QUESTION"));
    QProcess program;
    program_run::Start(program, run.env);
    ASSERT_TRUE(program.waitForStarted(30000));

    // The start-up question is up over the main window.
    EXPECT_EQ(ShownTitle(display, QStringLiteral("^Decision")).toStdString(), "Decision");
    EXPECT_EQ(ShownTitle(display, QStringLiteral("^ Corvane - New Project")).toStdString(),
              " Corvane - New Project");

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    EXPECT_TRUE(program.waitForFinished(60000)) << program.readAllStandardError().toStdString();
}
