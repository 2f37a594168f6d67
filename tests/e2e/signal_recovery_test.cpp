// The real program asked to end by a signal: it ends through its normal
// route without a question, and changes that were never saved are written
// to a recovery file of its receive port first, which the log names. The
// next start on that port offers them; only a No throws them away.

#include <gtest/gtest.h>

#include "unit_checks.h"

#include <QDir>
#include <QFileInfo>

#include <sys/resource.h>

#include "app/project_file.h"
#include "support/program_run.h"

namespace {

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A project of one scene, every fader at its lowest gain.
bool WriteShow(const QString& path, const QString& scene)
{
    SceneRecord record;
    record.Name.setText(scene);
    record.SliderPosition.fill(63);
    return WriteProjectFile(path, ProjectFileHeader{}, {record}).ok;
}

// The name of the single scene a kept project holds, or empty.
QString KeptScene(const QString& path)
{
    const ProjectReadResult kept = ReadProjectImage(path, ProjectTexts{});
    return kept.ok() && kept.image.records.size() == 1 ? kept.image.records[0].Name.text() : QString();
}

QString RecoveryIn(const QTemporaryDir& home, const QString& folder, std::uint16_t port)
{
    return home.filePath(QStringLiteral("%1/Corvane Recovery %2.qsx").arg(folder).arg(port));
}

const QString kDataFolder = QStringLiteral("data/Quellon/Corvane");
const QString kConfigFolder = QStringLiteral("config/Quellon/Corvane");

// A console on its own pair of ports, started on show and told to end once
// its unit came on line and named its slot: a change that was never saved.
// prepare runs while it is up, before the signal. Returns its log.
template <typename Prepare>
QString RunUntilSignalWithUnsavedWork(const QTemporaryDir& home, std::uint16_t pcPort, const QString& show,
                                      Prepare prepare)
{
    emu::Emulator emulator(pcPort, FreeUdpPort());
    const int unit = emulator.addUnit(emu::defaultConfig(emu::Model::KR960, 2, 1));
    QProcessEnvironment env = program_run::Environment(home);
    program_run::TalkTo(env, pcPort, emulator);
    QProcess program;
    program.setProcessEnvironment(env);
    program.setChildProcessModifier([] {
        // A write beyond the file size limit fails, as on a full disk.
        std::signal(SIGXFSZ, SIG_IGN);
        sigset_t set;
        sigemptyset(&set);
        for (const int sig : {SIGTERM, SIGINT, SIGHUP})
            sigaddset(&set, sig);
        ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
    });
    program.start(QStringLiteral(CORVANE_BINARY), {show});
    EXPECT_TRUE(program.waitForStarted(30000));
    EXPECT_TRUE(program_run::ReportUntilAnswered(emulator, unit));
    prepare(static_cast<pid_t>(program.processId()));
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    EXPECT_TRUE(program.waitForFinished(60000));
    const QString log = QString::fromLocal8Bit(program.readAllStandardError());
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << log.toStdString();
    EXPECT_EQ(program.exitCode(), 0) << log.toStdString();
    return log;
}

QString RunUntilSignalWithUnsavedWork(const QTemporaryDir& home, std::uint16_t pcPort, const QString& show)
{
    return RunUntilSignalWithUnsavedWork(home, pcPort, show, [](pid_t) {});
}

// A console started on pcPort that asks its start-up questions; once its log
// holds expected (what it tells or offers while its box is up), a signal
// ends it. Returns its log, empty when expected never came.
QString StartAndSignalOnceLogged(const QTemporaryDir& home, std::uint16_t pcPort, const QString& expected)
{
    QProcessEnvironment env = program_run::Environment(home);
    env.insert(QStringLiteral("CORVANE_PC_PORT"), QString::number(pcPort));
    env.insert(QStringLiteral("CORVANE_UNIT_PORT"), QString::number(FreeUdpPort()));
    QProcess program;
    program.setProcessEnvironment(env);
    program_run::HoldEndSignalsUntilHandled(program);
    program.start(QStringLiteral(CORVANE_BINARY), {});
    EXPECT_TRUE(program.waitForStarted(30000));
    QString log;
    const bool logged = program_run::WaitForLog(program, log, expected);
    EXPECT_TRUE(logged) << "waited for: " << expected.toStdString() << "\n" << log.toStdString();
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    EXPECT_TRUE(program.waitForFinished(60000));
    log += QString::fromLocal8Bit(program.readAllStandardError());
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << log.toStdString();
    EXPECT_EQ(program.exitCode(), 0) << log.toStdString();
    return logged ? log : QString();
}

QString Offer(const QString& project, const QString& path)
{
    return QStringLiteral("offering the unsaved changes of \"%1\" kept in %2").arg(project, path);
}

} // namespace

TEST(SignalRecovery, UnsavedChangesAreKeptWhenASignalEndsTheProgram)
{
    const struct {
        int signal;
        const char* name;
        bool unitHeard; // a unit comes on line and names its slot: a change to keep
    } cases[] = {
        {SIGTERM, "SIGTERM", true},
        {SIGINT, "SIGINT", true},
        {SIGHUP, "SIGHUP", false},
    };
    for (const auto& c : cases) {
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
        const std::uint16_t pcPort = FreeUdpPort();
        const QString recovery = RecoveryIn(home, kDataFolder, pcPort);

        emu::Emulator emulator(pcPort, FreeUdpPort());
        const int unit = emulator.addUnit(emu::defaultConfig(emu::Model::KR960, 2, 1));
        QProcessEnvironment env = program_run::Environment(home);
        program_run::TalkTo(env, pcPort, emulator);
        QProcess program;
        program.setProcessEnvironment(env);
        program_run::HoldEndSignalsUntilHandled(program);
        program.start(QStringLiteral(CORVANE_BINARY), {show});
        ASSERT_TRUE(program.waitForStarted(30000));
        if (c.unitHeard) {
            ASSERT_TRUE(program_run::ReportUntilAnswered(emulator, unit));
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

// Two consoles of one user on two receive ports each keep their own work;
// a start on a port offers that port's work, and a signal while the offer is
// on screen keeps it for the next start. Work an earlier version kept in its
// one shared file goes to the first console that starts, as its own.
TEST(SignalRecovery, EachPortKeepsItsOwnWorkAndOnlyNoDiscardsIt)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QDir(home.path()).mkpath(QStringLiteral("shows"));
    const QString first = home.filePath(QStringLiteral("shows/first.qsx"));
    const QString second = home.filePath(QStringLiteral("shows/second.qsx"));
    ASSERT_TRUE(WriteShow(first, QStringLiteral("First")));
    ASSERT_TRUE(WriteShow(second, QStringLiteral("Second")));
    const std::uint16_t firstPort = FreeUdpPort();
    const std::uint16_t secondPort = FreeUdpPort();
    ASSERT_NE(firstPort, secondPort);

    RunUntilSignalWithUnsavedWork(home, firstPort, first);
    RunUntilSignalWithUnsavedWork(home, secondPort, second);
    const QString firstKept = RecoveryIn(home, kDataFolder, firstPort);
    const QString secondKept = RecoveryIn(home, kDataFolder, secondPort);
    EXPECT_EQ(KeptScene(firstKept), QStringLiteral("First"));
    EXPECT_EQ(KeptScene(secondKept), QStringLiteral("Second"));
    const QByteArray firstBytes = ReadBytes(firstKept);
    const QByteArray secondBytes = ReadBytes(secondKept);

    // The offer on the first port is ended by a signal, not answered.
    ASSERT_FALSE(StartAndSignalOnceLogged(home, firstPort, Offer(QStringLiteral("first.qsx"), firstKept)).isEmpty());
    EXPECT_EQ(ReadBytes(firstKept), firstBytes);
    EXPECT_EQ(ReadBytes(secondKept), secondBytes);
    ASSERT_FALSE(StartAndSignalOnceLogged(home, secondPort, Offer(QStringLiteral("second.qsx"), secondKept)).isEmpty());
    EXPECT_EQ(ReadBytes(secondKept), secondBytes);

    // The one file of an earlier version.
    const QString shared = home.filePath(kDataFolder + QStringLiteral("/Corvane Recovery.qsx"));
    ASSERT_TRUE(WriteShow(shared, QStringLiteral("Earlier")));
    QFile name(home.filePath(kDataFolder + QStringLiteral("/Corvane Recovery.name")));
    ASSERT_TRUE(name.open(QIODevice::WriteOnly));
    name.write("earlier.qsx");
    name.close();
    const std::uint16_t thirdPort = FreeUdpPort();
    const QString thirdKept = RecoveryIn(home, kDataFolder, thirdPort);
    ASSERT_FALSE(StartAndSignalOnceLogged(home, thirdPort, Offer(QStringLiteral("earlier.qsx"), thirdKept)).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(shared));
    EXPECT_EQ(KeptScene(thirdKept), QStringLiteral("Earlier"));
    EXPECT_EQ(ReadBytes(firstKept), firstBytes);
    EXPECT_EQ(ReadBytes(secondKept), secondBytes);
}

// A data folder that refuses the recovery file sends it to the config
// folder, from where the next start offers it; when no place takes it (a
// full disk), the next start tells the operator that the work is lost.
TEST(SignalRecovery, WorkTheDataFolderRefusesGoesElsewhereOrIsToldLost)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QDir(home.path()).mkpath(QStringLiteral("shows"));
    const QString show = home.filePath(QStringLiteral("shows/show.qsx"));
    ASSERT_TRUE(WriteShow(show, QStringLiteral("Verse")));
    const std::uint16_t port = FreeUdpPort();
    const QString data = home.filePath(kDataFolder);
    const QString moved = data + QStringLiteral(".moved");

    // The data folder becomes a file while the console runs: nothing can be
    // written in it, whoever runs the test.
    QString log = RunUntilSignalWithUnsavedWork(home, port, show, [&](pid_t) {
        ASSERT_TRUE(QDir().rename(data, moved));
        QFile blocker(data);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    });
    const QString elsewhere = RecoveryIn(home, kConfigFolder, port);
    EXPECT_EQ(KeptScene(elsewhere), QStringLiteral("Verse")) << log.toStdString();
    EXPECT_TRUE(log.contains(elsewhere)) << log.toStdString();
    ASSERT_TRUE(QFile::remove(data));
    ASSERT_TRUE(QDir().rename(moved, data));
    ASSERT_FALSE(StartAndSignalOnceLogged(home, port, Offer(QStringLiteral("show.qsx"), elsewhere)).isEmpty());
    EXPECT_EQ(KeptScene(elsewhere), QStringLiteral("Verse"));
    ASSERT_TRUE(QFile::remove(elsewhere));

    // A disk too full for the project still takes a note of a few bytes.
    const std::uint16_t fullPort = FreeUdpPort();
    log = RunUntilSignalWithUnsavedWork(home, fullPort, show, [](pid_t pid) {
        const rlimit limit{64, 64};
        ASSERT_EQ(::prlimit(pid, RLIMIT_FSIZE, &limit, nullptr), 0);
    });
    for (const QString& folder : {kDataFolder, kConfigFolder, QStringLiteral("runtime/Quellon-Corvane")})
        EXPECT_FALSE(QFileInfo::exists(RecoveryIn(home, folder, fullPort))) << folder.toStdString();
    const QString told = StartAndSignalOnceLogged(
        home, fullPort, QStringLiteral("Corvane was ended while \"show.qsx\" had unsaved changes, and they could not be kept"));
    ASSERT_FALSE(told.isEmpty()) << log.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("Those changes are lost."))) << told.toStdString();
    EXPECT_TRUE(QDir(data).entryList({QStringLiteral("*.lost")}, QDir::Files).isEmpty());
}
