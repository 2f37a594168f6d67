#include <gtest/gtest.h>

#include "unit_checks.h"

#include <QDir>
#include <QSettings>

#include <vector>

#include "app/project_file.h"
#include "app/window_placement.h"
#include "support/program_run.h"

// A file opened while the console runs goes to that console: the second
// start, given a path relative to its own folder, hands it over and ends;
// the running console asks about saving before it opens it, and keeps
// running on its port. The console answers the unit on the port it was
// given and fits the laptop screen it runs on.
TEST(Program, ASecondStartHandsItsProjectToTheRunningConsole)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("shows")));
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("tmp")));
    const QString project = home.filePath(QStringLiteral("shows/Gala.qsx"));
    std::vector<SceneRecord> noScenes;
    ASSERT_TRUE(SaveProjectFile(project, noScenes));

    const std::uint16_t pcPort = FreeUdpPort();
    emu::Emulator emulator(pcPort, FreeUdpPort());
    const int unit = emulator.addUnit(emu::defaultConfig(emu::Model::KR960, 2, 1));
    QProcessEnvironment env = program_run::Environment(home, 1366, 768);
    program_run::TalkTo(env, pcPort, emulator);
    env.insert(QStringLiteral("TMPDIR"), home.filePath(QStringLiteral("tmp"))); // where the hand-off point lives

    QProcess first;
    first.setProcessEnvironment(env);
    first.start(QStringLiteral(CORVANE_BINARY), {});
    ASSERT_TRUE(first.waitForStarted(30000));
    // It takes hand-offs before it listens to units: once it answers a unit, it is up.
    ASSERT_TRUE(program_run::ReportUntilAnswered(emulator, unit));
    const emu::Received& answer = emulator.received().front();
    EXPECT_EQ(answer.bytes[0x05], 3); // the slot of unit 2
    EXPECT_EQ(answer.bytes[0x04], 3);

    QProcess second;
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(home.filePath(QStringLiteral("shows")));
    second.start(QStringLiteral(CORVANE_BINARY), {QStringLiteral("Gala.qsx")});
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);

    // The first console now asks whether to save before opening; ending it
    // closes that box unanswered, which opens nothing and replaces nothing,
    // and the console shuts down.
    ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
    ASSERT_TRUE(first.waitForFinished(60000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);

    QFile ini(home.filePath(QStringLiteral("data/Quellon/Corvane/Corvane.ini")));
    if (ini.open(QIODevice::ReadOnly)) {
        EXPECT_FALSE(QString::fromUtf8(ini.readAll()).contains(project));
    }

    QSettings settings(home.filePath(QStringLiteral("config/Quellon/Corvane.conf")), QSettings::IniFormat);
    const auto stored = ParseWindowPos(settings.value(QStringLiteral("Settings/WindowPos")).toString());
    ASSERT_TRUE(stored);
    const WindowPlacement& p = stored->placement;
    EXPECT_GE(p.left, 0);
    EXPECT_GE(p.top, 0);
    EXPECT_LE(p.right, 1366);
    EXPECT_LE(p.bottom, 768);
}
