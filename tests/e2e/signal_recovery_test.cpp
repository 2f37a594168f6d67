// The real program asked to end by a signal: it ends through its normal
// route without a question, and changes that were never saved are written
// to a recovery file in its data folder first, which the log names.

#include <gtest/gtest.h>

#include "unit_checks.h"

#include <QDir>
#include <QFileInfo>

#include "app/project_file.h"
#include "support/program_run.h"

namespace {

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
        const QString recovery = home.filePath(QStringLiteral("data/Quellon/Corvane/Corvane Recovery.qsx"));

        const std::uint16_t pcPort = FreeUdpPort();
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
