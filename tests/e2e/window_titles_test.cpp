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

    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    x_display::Display display(/*withWindowManager=*/true);
    ASSERT_TRUE(display.isValid()) << "no X display with a window manager";

    QProcessEnvironment env = program_run::Environment(home);
    display.useFor(env);
    env.insert(QStringLiteral("CORVANE_PC_PORT"), QStringLiteral("0"));
    QProcess program;
    program_run::Start(program, env);
    ASSERT_TRUE(program.waitForStarted(30000));

    // The start-up question is up over the main window.
    EXPECT_EQ(ShownTitle(display, QStringLiteral("^Decision")).toStdString(), "Decision");
    EXPECT_EQ(ShownTitle(display, QStringLiteral("^ Corvane - New Project")).toStdString(),
              " Corvane - New Project");

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    EXPECT_TRUE(program.waitForFinished(60000)) << program.readAllStandardError().toStdString();
}
