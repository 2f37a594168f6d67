#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "app/window_placement.h"
#include "support/program_run.h"

// Starts the program with a project named relative to its launch folder and
// asks it to end at once with SIGTERM, which it does through its normal route.
TEST(Program, StartsRegistersItselfAndEndsCleanlyOnTerminate)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QDir(home.path()).mkpath(QStringLiteral("launch"));
    // A full-HD screen, which holds the window at its start-up size.
    QProcessEnvironment env = program_run::Environment(home, 1920, 1080);
    env.insert(QStringLiteral("CORVANE_PC_PORT"), QStringLiteral("0")); // no fixed port needed here

    QProcess program;
    program.setWorkingDirectory(home.filePath(QStringLiteral("launch")));
    program_run::Start(program, env, {QStringLiteral("show.qsx")});
    ASSERT_TRUE(program.waitForStarted(30000));
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << program.readAllStandardError().toStdString();
    EXPECT_EQ(program.exitCode(), 0);

    // The desktop entry opens projects with the program's own absolute path.
    const QString binary = QFileInfo(QStringLiteral(CORVANE_BINARY)).canonicalFilePath();
    QFile desktop(home.filePath(QStringLiteral("data/applications/com.quellon.Corvane.desktop")));
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    const QString entry = QString::fromUtf8(desktop.readAll());
    EXPECT_TRUE(entry.contains(QStringLiteral("\nExec=\"%1\" %f\n").arg(binary))) << entry.toStdString();
    EXPECT_TRUE(QFileInfo::exists(home.filePath(QStringLiteral("data/mime/packages/com.quellon.Corvane.xml"))));
    EXPECT_TRUE(QFileInfo(home.filePath(QStringLiteral("data/Quellon/Corvane"))).isDir());

    // The shut-down stored the placement, showing the overview it started in.
    QSettings settings(home.filePath(QStringLiteral("config/Quellon/Corvane.conf")), QSettings::IniFormat);
    const auto stored = ParseWindowPos(settings.value(QStringLiteral("Settings/WindowPos")).toString());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->viewMode, 1);
    EXPECT_EQ(stored->placement.right - stored->placement.left, 1328);
}
