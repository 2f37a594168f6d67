#include <gtest/gtest.h>

#include "unit_checks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

#include "app/window_placement.h"
#include "unit_emulator.h"

namespace {

QString ReadText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

// Starts the program with a project named relative to its launch folder and
// asks it to end at once with SIGTERM. The signal is blocked in the child
// until the program installs its own handling, so it always arrives at a
// running program, which then shuts down through its normal route.
TEST(Program, StartsRegistersItselfAndEndsCleanlyOnTerminate)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QDir(home.path()).mkpath(QStringLiteral("launch"));

    // A full-HD screen, which holds the window at its start-up size.
    QFile screens(home.filePath(QStringLiteral("screens.json")));
    ASSERT_TRUE(screens.open(QIODevice::WriteOnly));
    screens.write(R"({"screens": [{"name": "hd", "x": 0, "y": 0, "width": 1920, "height": 1080}]})");
    screens.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + screens.fileName());
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
    env.insert(QStringLiteral("CORVANE_PC_PORT"), QStringLiteral("0")); // no fixed port needed here

    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(home.filePath(QStringLiteral("launch")));
    program.setChildProcessModifier([] {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGTERM);
        ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
    });
    program.start(QStringLiteral(CORVANE_BINARY), {QStringLiteral("show.qsx")});
    ASSERT_TRUE(program.waitForStarted(30000));
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit)
        << program.readAllStandardError().toStdString();
    EXPECT_EQ(program.exitCode(), 0);

    // The desktop entry opens projects with the program's own absolute path.
    const QString binary = QFileInfo(QStringLiteral(CORVANE_BINARY)).canonicalFilePath();
    const QString desktop =
        ReadText(home.filePath(QStringLiteral("data/applications/Quellon-Corvane.desktop")));
    EXPECT_TRUE(desktop.contains(QStringLiteral("\nExec=\"%1\" %f\n").arg(binary)))
        << desktop.toStdString();
    EXPECT_TRUE(QFileInfo::exists(home.filePath(QStringLiteral("data/mime/packages/quellon-corvane.xml"))));
    EXPECT_TRUE(QFileInfo(home.filePath(QStringLiteral("data/Quellon/Corvane"))).isDir());

    // The shut-down stored the placement, showing the overview it started in.
    QSettings settings(home.filePath(QStringLiteral("config/Quellon/Corvane.conf")),
                       QSettings::IniFormat);
    const auto stored = ParseWindowPos(settings.value(QStringLiteral("Settings/WindowPos")).toString());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->viewMode, 1);
    EXPECT_EQ(stored->placement.right - stored->placement.left, 1328);
}

namespace {

} // namespace

// The real program on its own ports answers an emulated unit: the first
// report is answered with a state datagram, polls follow.
TEST(Program, AnswersAnEmulatedUnitOnLoopback)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const std::uint16_t pcPort = FreeUdpPort();
    emu::Emulator emulator(pcPort, FreeUdpPort());
    const int unit = emulator.addUnit(emu::defaultConfig(emu::Model::KR960, 2, 1));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("CORVANE_PC_PORT"), QString::number(pcPort));
    env.insert(QStringLiteral("CORVANE_UNIT_PORT"), QString::number(emulator.unitPort()));
    env.insert(QStringLiteral("CORVANE_NO_STARTUP_QUESTION"), QStringLiteral("1"));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(CORVANE_BINARY), {});
    ASSERT_TRUE(program.waitForStarted(30000));

    // The program listens 200 ms after its window is built: report until it answers.
    bool answered = false;
    for (int attempt = 0; attempt < 300 && !answered; ++attempt) {
        emulator.sendReport(unit);
        emulator.pump(100);
        answered = emulator.receivedCount(unit, emu::Kind::State) > 0;
    }
    EXPECT_TRUE(answered);
    if (answered) {
        const emu::Received& first = emulator.received().front();
        EXPECT_EQ(first.bytes[0x05], 3); // the slot of unit 2
        EXPECT_EQ(first.bytes[0x04], 3);
    }
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}
