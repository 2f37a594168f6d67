#include <gtest/gtest.h>

#include <QStandardPaths>

#include "support/program_run.h"

namespace {

// The title display shows for the first visible window whose title matches
// pattern, once there is one (blanks kept); empty when none comes in time.
QString ShownTitle(const QString& display, const QString& pattern)
{
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--sync"),
                                           QStringLiteral("--onlyvisible"), QStringLiteral("--name"), pattern,
                                           QStringLiteral("getwindowname")});
    if (!tool.waitForFinished(45000)) {
        tool.kill();
        tool.waitForFinished();
    }
    QString name = QString::fromUtf8(tool.readAllStandardOutput());
    return name.endsWith(QLatin1Char('\n')) ? name.chopped(1) : name;
}

} // namespace

// On a real X display the window system shows each title exactly as the
// console sets it: the main window's project title and the start-up
// question's "Decision", with nothing of the program's name appended.
TEST(Program, WindowTitlesOnTheDisplayAreTheConsolesOwn)
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "needs Xvfb and xdotool";

    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QProcess server;
    server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                          QStringLiteral("-screen"), QStringLiteral("0"),
                                          QStringLiteral("1600x1000x24"), QStringLiteral("-nolisten"),
                                          QStringLiteral("tcp")});
    ASSERT_TRUE(server.waitForStarted(30000));
    QByteArray number;
    while (!number.contains('\n') && server.waitForReadyRead(30000))
        number += server.readAllStandardOutput();
    ASSERT_TRUE(number.contains('\n')) << "the X server gave no display";
    const QString display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());

    QProcessEnvironment env = program_run::Environment(home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("CORVANE_PC_PORT"), QStringLiteral("0"));
    QProcess program;
    program.setProcessEnvironment(env);
    program_run::HoldEndSignalsUntilHandled(program);
    program.start(QStringLiteral(CORVANE_BINARY), {});
    ASSERT_TRUE(program.waitForStarted(30000));

    // The start-up question is up over the main window.
    EXPECT_EQ(ShownTitle(display, QStringLiteral("^Decision")).toStdString(), "Decision");
    EXPECT_EQ(ShownTitle(display, QStringLiteral("^ Corvane - New Project")).toStdString(),
              " Corvane - New Project");

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    EXPECT_TRUE(program.waitForFinished(60000)) << program.readAllStandardError().toStdString();
    server.terminate();
    server.waitForFinished(30000);
}
