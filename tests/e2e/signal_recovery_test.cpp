// The real program asked to end by a signal: it ends through its normal
// route without a question, and changes that were never saved are written
// to a recovery file of its receive port first, which the log names. The
// next start on that port offers them; only a No throws them away.

#include <gtest/gtest.h>

#include "unit_checks.h"

#include <QDir>
#include <QFileInfo>

#include <functional>

#include <sys/resource.h>

#include "app/project_file.h"
#include "support/program_run.h"
#include "support/x_display.h"

namespace {

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A project of one scene (every fader at its lowest gain) at name in home:
// its path, empty when it could not be written.
QString WriteShow(const QTemporaryDir& home, const QString& name, const QString& scene)
{
    const QString path = home.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    SceneRecord record;
    record.Name.setText(scene);
    record.SliderPosition.fill(63);
    return WriteProjectFile(path, ProjectFileHeader{}, {record}).ok ? path : QString();
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

// Started as a desktop starts it, where a write beyond a file size limit fails.
void Start(QProcess& program, const QProcessEnvironment& env, const QStringList& arguments)
{
    program_run::Start(program, env, arguments, /*writesMayFail=*/true);
    EXPECT_TRUE(program.waitForStarted(30000));
}

// Ends program by signal, through its normal route; returns log and what it added.
QString EndBy(QProcess& program, int signal, QString log = {})
{
    ::kill(static_cast<pid_t>(program.processId()), signal);
    EXPECT_TRUE(program.waitForFinished(60000));
    log += QString::fromLocal8Bit(program.readAllStandardError());
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << log.toStdString();
    EXPECT_EQ(program.exitCode(), 0) << log.toStdString();
    return log;
}

// A console on its own pair of ports, started on show and ended by signal;
// with unitHeard, once its unit came on line and named its slot: a change
// that was never saved. prepare runs before the signal. Returns its log.
QString RunUntilSignal(const QTemporaryDir& home, std::uint16_t pcPort, const QString& show, int signal = SIGTERM,
                       bool unitHeard = true, const std::function<void(pid_t)>& prepare = {})
{
    emu::Emulator emulator(pcPort, FreeUdpPort());
    const int unit = emulator.addUnit(emu::defaultConfig(emu::Model::KR960, 2, 1));
    QProcessEnvironment env = program_run::Environment(home);
    program_run::TalkTo(env, pcPort, emulator);
    QProcess program;
    Start(program, env, {show});
    if (unitHeard) {
        EXPECT_TRUE(program_run::ReportUntilAnswered(emulator, unit));
    }
    if (prepare)
        prepare(static_cast<pid_t>(program.processId()));
    return EndBy(program, signal);
}

// A console started on pcPort that asks its start-up questions, ended by a
// signal once its log holds expected (told or offered while its box is up).
// Returns its log, empty when expected never came.
QString StartAndSignalOnceLogged(const QTemporaryDir& home, std::uint16_t pcPort, const QString& expected)
{
    QProcessEnvironment env = program_run::Environment(home);
    env.insert(QStringLiteral("CORVANE_PC_PORT"), QString::number(pcPort));
    env.insert(QStringLiteral("CORVANE_UNIT_PORT"), QString::number(FreeUdpPort()));
    QProcess program;
    Start(program, env, {});
    QString log;
    const bool logged = program_run::WaitForLog(program, log, expected);
    EXPECT_TRUE(logged) << "waited for: " << expected.toStdString() << "\n" << log.toStdString();
    log = EndBy(program, SIGTERM, log);
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
        const QString show = WriteShow(home, QStringLiteral("shows/show.qsx"), QStringLiteral("Verse"));
        ASSERT_FALSE(show.isEmpty());
        const QByteArray showBytes = ReadBytes(show);
        const std::uint16_t pcPort = FreeUdpPort();
        const QString recovery = RecoveryIn(home, kDataFolder, pcPort);
        const QString log = RunUntilSignal(home, pcPort, show, c.signal, c.unitHeard);

        // The project's own file is never written by the signal.
        EXPECT_EQ(ReadBytes(show), showBytes);
        if (!c.unitHeard) {
            EXPECT_FALSE(QFileInfo::exists(recovery)) << log.toStdString();
            continue;
        }
        ASSERT_TRUE(QFileInfo::exists(recovery)) << log.toStdString();
        EXPECT_TRUE(log.contains(recovery)) << log.toStdString();
        EXPECT_EQ(KeptScene(recovery), QStringLiteral("Verse"));
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
    const QString first = WriteShow(home, QStringLiteral("shows/first.qsx"), QStringLiteral("First"));
    const QString second = WriteShow(home, QStringLiteral("shows/second.qsx"), QStringLiteral("Second"));
    ASSERT_FALSE(first.isEmpty() || second.isEmpty());
    const std::uint16_t firstPort = FreeUdpPort();
    const std::uint16_t secondPort = FreeUdpPort();

    RunUntilSignal(home, firstPort, first);
    RunUntilSignal(home, secondPort, second);
    const QString firstKept = RecoveryIn(home, kDataFolder, firstPort);
    const QString secondKept = RecoveryIn(home, kDataFolder, secondPort);
    EXPECT_EQ(KeptScene(firstKept), QStringLiteral("First"));
    EXPECT_EQ(KeptScene(secondKept), QStringLiteral("Second"));
    const QByteArray firstBytes = ReadBytes(firstKept);
    const QByteArray secondBytes = ReadBytes(secondKept);

    // The offer on the first port is ended by a signal, not answered.
    ASSERT_FALSE(StartAndSignalOnceLogged(home, firstPort, Offer(QStringLiteral("first.qsx"), firstKept)).isEmpty());
    EXPECT_EQ(ReadBytes(firstKept), firstBytes);
    ASSERT_FALSE(StartAndSignalOnceLogged(home, secondPort, Offer(QStringLiteral("second.qsx"), secondKept)).isEmpty());
    EXPECT_EQ(ReadBytes(secondKept), secondBytes);

    // The one file of an earlier version.
    const QString shared =
        WriteShow(home, kDataFolder + QStringLiteral("/Corvane Recovery.qsx"), QStringLiteral("Earlier"));
    ASSERT_FALSE(shared.isEmpty());
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
    const QString show = WriteShow(home, QStringLiteral("shows/show.qsx"), QStringLiteral("Verse"));
    ASSERT_FALSE(show.isEmpty());
    const std::uint16_t port = FreeUdpPort();
    const QString data = home.filePath(kDataFolder);
    const QString moved = data + QStringLiteral(".moved");

    // The data folder becomes a file while the console runs, refusing whoever runs the test.
    QString log = RunUntilSignal(home, port, show, SIGTERM, true, [&](pid_t) {
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
    log = RunUntilSignal(home, fullPort, show, SIGTERM, true, [](pid_t pid) {
        const rlimit limit{64, 64};
        ASSERT_EQ(::prlimit(pid, RLIMIT_FSIZE, &limit, nullptr), 0);
    });
    for (const QString& folder : {kDataFolder, kConfigFolder, QStringLiteral("runtime/Quellon-Corvane")})
        EXPECT_FALSE(QFileInfo::exists(RecoveryIn(home, folder, fullPort))) << folder.toStdString();
    const QString told = StartAndSignalOnceLogged(
        home, fullPort,
        QStringLiteral("Corvane was ended while \"show.qsx\" had unsaved changes, and they could not be kept"));
    ASSERT_FALSE(told.isEmpty()) << log.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("Those changes are lost."))) << told.toStdString();
    EXPECT_TRUE(QDir(data).entryList({QStringLiteral("*.lost")}, QDir::Files).isEmpty());
}

// Work taken from the offer is on screen only, not yet in a file of its own:
// the program killed outright (no handler runs, as on a power cut) right
// after Yes leaves its recovery file, and the next start offers it again.
TEST(SignalRecovery, WorkTakenFromTheOfferSurvivesAKill)
{
    if (!x_display::HaveWindowManagerTools())
        GTEST_SKIP() << "needs Xvfb, openbox and the X tools";
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString show = WriteShow(home, QStringLiteral("shows/show.qsx"), QStringLiteral("Verse"));
    ASSERT_FALSE(show.isEmpty());
    const std::uint16_t port = FreeUdpPort();
    const QString recovery = RecoveryIn(home, kDataFolder, port);
    RunUntilSignal(home, port, show);
    ASSERT_EQ(KeptScene(recovery), QStringLiteral("Verse"));

    x_display::Display display(/*withWindowManager=*/false);
    ASSERT_TRUE(display.isValid()) << "no X display";
    QProcessEnvironment env = program_run::Environment(home);
    display.useFor(env);
    env.insert(QStringLiteral("CORVANE_PC_PORT"), QString::number(port));
    env.insert(QStringLiteral("CORVANE_UNIT_PORT"), QString::number(FreeUdpPort()));
    QProcess program;
    Start(program, env, {});
    QString log;
    ASSERT_TRUE(program_run::WaitForLog(program, log, Offer(QStringLiteral("show.qsx"), recovery)))
        << log.toStdString();
    const auto offer = display.waitForWindow(QStringLiteral("^Decision$"));
    ASSERT_TRUE(offer.has_value());
    ASSERT_TRUE(display.xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), *offer,
                                 QStringLiteral("key"), QStringLiteral("y")}));
    // The work is on screen under its project's name.
    EXPECT_TRUE(display.waitForWindow(QStringLiteral("^ Corvane - show\\.qsx$")).has_value()) << log.toStdString();
    EXPECT_TRUE(QFileInfo::exists(recovery));
    program.kill();
    EXPECT_TRUE(program.waitForFinished(60000));

    ASSERT_FALSE(StartAndSignalOnceLogged(home, port, Offer(QStringLiteral("show.qsx"), recovery)).isEmpty());
    EXPECT_EQ(KeptScene(recovery), QStringLiteral("Verse"));
}
