// A project whose file name is not UTF-8 (Latin-1 bytes from an old disk),
// named on the command line: the real program opens it by its bytes.

#include <gtest/gtest.h>

#include <QDir>

#include <unistd.h>

#include "app/project_file.h"
#include "support/program_run.h"

TEST(Program, AProjectNamedInLatin1OpensAndIsListedByItsBytes)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString profileFolder = home.filePath(QStringLiteral("data/Quellon/Corvane"));
    ASSERT_TRUE(QDir().mkpath(profileFolder));
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("shows")));
    const QByteArray shows = home.filePath(QStringLiteral("shows")).toUtf8();
    const QByteArray project = shows + "/latin1-\xe9\xff.qsx";
    // The temporary folder cannot remove a name Qt cannot spell: this does.
    const struct Remove {
        const QByteArray& path;
        ~Remove() { ::unlink(path.constData()); }
    } removeProject{project};
    const QString written = home.filePath(QStringLiteral("written.qsx"));
    SceneRecord verse;
    verse.Name.setText(QStringLiteral("Verse"));
    verse.SliderPosition.fill(63);
    ASSERT_TRUE(WriteProjectFile(written, ProjectFileHeader{}, {verse}).ok);
    ASSERT_EQ(::rename(written.toUtf8().constData(), project.constData()), 0);

    QProcessEnvironment env = program_run::Environment(home);
    env.insert(QStringLiteral("CORVANE_PC_PORT"), QStringLiteral("0"));
    env.insert(QStringLiteral("CORVANE_NO_STARTUP_QUESTION"), QStringLiteral("1"));
    env.insert(QStringLiteral("CORVANE"), QStringLiteral(CORVANE_BINARY));
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(QString::fromUtf8(shows));
    program_run::HoldEndSignalsUntilHandled(program);
    // Qt would pass the name as text; the shell hands over its very bytes,
    // relative to the folder the program starts in.
    program.start(QStringLiteral("/bin/sh"),
                  {QStringLiteral("-c"), QStringLiteral(R"sh(exec "$CORVANE" "$(printf 'latin1-\351\377.qsx')")sh")});
    ASSERT_TRUE(program.waitForStarted(30000));

    // Once opened, the recent-file list and the last folder name it by the same bytes.
    QByteArray ini;
    const bool listed = program_run::WaitInFolder(profileFolder, 60000, [&] {
        QFile file(profileFolder + QStringLiteral("/Corvane.ini"));
        ini = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        return ini.contains("\nFile1=" + project + "\n") && ini.contains("\nLast Used Directory=" + shows + "/\n");
    });
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(60000));
    const QString log = QString::fromLocal8Bit(program.readAllStandardError());
    EXPECT_TRUE(listed) << ini.toStdString() << log.toStdString();
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << log.toStdString();
}
