// The real program asked to end by a signal: it ends through its normal
// route without a question, and changes that were never saved are written
// to a recovery file in its data folder first, which the log names.

#include <gtest/gtest.h>

#include "unit_checks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <vector>

#include "app/project_file.h"
#include "unit_emulator.h"

namespace {

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct SignalCase {
    int signal;
    const char* name;
    bool unitHeard; // a unit comes on line and names its slot: a change to keep
};

} // namespace

TEST(SignalRecovery, UnsavedChangesAreKeptWhenASignalEndsTheProgram)
{
    const SignalCase cases[] = {
        {SIGTERM, "SIGTERM", true},
        {SIGINT, "SIGINT", true},
        {SIGHUP, "SIGHUP", false},
    };
    for (const SignalCase& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir home;
        ASSERT_TRUE(home.isValid());
        QDir(home.path()).mkpath(QStringLiteral("shows"));
        const QString show = home.filePath(QStringLiteral("shows/show.qsx"));
        SceneRecord verse;
        verse.Name.setText(QStringLiteral("Verse"));
        verse.SliderPosition.fill(63);
        ASSERT_TRUE(WriteProjectFile(show, ProjectFileHeader{}, {verse}).ok);
        const QByteArray showBytes = ReadBytes(show);
        const QString recovery = home.filePath(QStringLiteral("data/Quellon/Corvane/Corvane Recovery.qsx"));

        const std::uint16_t pcPort = FreeUdpPort();
        emu::Emulator emulator(pcPort, FreeUdpPort());
        const int unit = emulator.addUnit(emu::defaultConfig(emu::Model::KR960, 2, 1));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
        env.insert(QStringLiteral("CORVANE_PC_PORT"), QString::number(pcPort));
        env.insert(QStringLiteral("CORVANE_UNIT_PORT"), QString::number(emulator.unitPort()));
        env.insert(QStringLiteral("CORVANE_NO_STARTUP_QUESTION"), QStringLiteral("1"));
        QProcess program;
        program.setProcessEnvironment(env);
        // The signals wait, blocked, until the program has its own handling.
        program.setChildProcessModifier([] {
            sigset_t set;
            sigemptyset(&set);
            for (const int sig : {SIGTERM, SIGINT, SIGHUP})
                sigaddset(&set, sig);
            ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
        });
        program.start(QStringLiteral(CORVANE_BINARY), {show});
        ASSERT_TRUE(program.waitForStarted(30000));

        if (c.unitHeard) {
            // The program listens 200 ms after its window is built: report
            // until it answers, each wait bounded by the emulator's poll.
            bool answered = false;
            for (int attempt = 0; attempt < 300 && !answered; ++attempt) {
                emulator.sendReport(unit);
                emulator.pump(100);
                answered = emulator.receivedCount(unit, emu::Kind::State) > 0;
            }
            ASSERT_TRUE(answered);
        }
        ::kill(static_cast<pid_t>(program.processId()), c.signal);
        ASSERT_TRUE(program.waitForFinished(60000));
        const QString log = QString::fromLocal8Bit(program.readAllStandardError());
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << log.toStdString();
        EXPECT_EQ(program.exitCode(), 0);

        // The project's own file is never written by the signal.
        EXPECT_EQ(ReadBytes(show), showBytes);
        if (!c.unitHeard) {
            EXPECT_FALSE(QFileInfo::exists(recovery)) << log.toStdString();
            continue;
        }
        ASSERT_TRUE(QFileInfo::exists(recovery)) << log.toStdString();
        EXPECT_TRUE(log.contains(recovery)) << log.toStdString();
        const ProjectReadResult kept = ReadProjectImage(recovery, ProjectTexts{});
        ASSERT_TRUE(kept.ok());
        ASSERT_EQ(kept.image.records.size(), 1u);
        EXPECT_EQ(kept.image.records[0].Name.text(), QStringLiteral("Verse"));
        // Nothing is left half written beside it.
        const QStringList leftovers = QDir(QFileInfo(recovery).absolutePath())
                                          .entryList({QStringLiteral("*.qsx.*"), QStringLiteral("*~")},
                                                     QDir::Files | QDir::Hidden);
        EXPECT_TRUE(leftovers.isEmpty()) << leftovers.join(QLatin1Char(' ')).toStdString();
    }
}
