// A project whose file name is not UTF-8 (Latin-1 bytes from an old disk),
// named on the command line: the real program opens it by its bytes, its
// autosave writes it back under the same bytes, and its recent-file list
// keeps a name that reaches the file again.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>

#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/project_file.h"
#include "support/program_run.h"

namespace {

QByteArray ReadNative(const QByteArray& path)
{
    QByteArray bytes;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return bytes;
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, n);
    ::close(fd);
    return bytes;
}

// The names of the files of a folder, as bytes (Qt's listing leaves out
// names that are not UTF-8).
QList<QByteArray> Entries(const QByteArray& folder)
{
    QList<QByteArray> names;
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_type == DT_REG)
                names.append(QByteArray(entry->d_name));
        }
        ::closedir(dir);
    }
    return names;
}

// Waits until a file named name is renamed into folder (how a save puts its
// new file in place) or timeoutMs passes; true when it was.
class RenameWatch {
public:
    explicit RenameWatch(const QByteArray& folder)
        : m_fd(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK))
    {
        if (m_fd >= 0)
            ::inotify_add_watch(m_fd, folder.constData(), IN_MOVED_TO);
    }
    ~RenameWatch()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool waitFor(const QByteArray& name, int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        alignas(inotify_event) char buffer[4096];
        while (!deadline.hasExpired()) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, int(deadline.remainingTime())) <= 0)
                continue;
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && QByteArray(event->name) == name)
                    return true;
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return false;
    }

private:
    int m_fd;
};

} // namespace

TEST(Program, AProjectNamedInLatin1OpensSavesAndIsListedByItsBytes)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("shows")));
    const QByteArray shows = home.filePath(QStringLiteral("shows")).toUtf8();
    const QByteArray name("latin1-\xe9\xff.qsx");
    const QByteArray project = shows + '/' + name;
    // The temporary folder cannot remove a name Qt cannot spell: this does.
    const struct Remove {
        const QByteArray& path;
        ~Remove() { ::unlink(path.constData()); }
    } removeProject{project};

    // One scene, and autosave every minute: the save the program makes on its own.
    ProjectFileHeader header;
    header.Prefs.AutosaveOff = 0;
    header.Prefs.AutosaveMinutes = 1;
    SceneRecord verse;
    verse.Name.setText(QStringLiteral("Verse"));
    verse.SliderPosition.fill(63);
    const QString written = home.filePath(QStringLiteral("written.qsx"));
    ASSERT_TRUE(WriteProjectFile(written, header, {verse}).ok);
    ASSERT_EQ(::rename(written.toUtf8().constData(), project.constData()), 0);
    struct stat before {};
    ASSERT_EQ(::stat(project.constData(), &before), 0);

    QProcessEnvironment env = program_run::Environment(home);
    env.insert(QStringLiteral("CORVANE_PC_PORT"), QStringLiteral("0"));
    env.insert(QStringLiteral("CORVANE_NO_STARTUP_QUESTION"), QStringLiteral("1"));
    env.insert(QStringLiteral("CORVANE"), QStringLiteral(CORVANE_BINARY));
    RenameWatch watch(shows);
    QProcess program;
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(QString::fromUtf8(shows));
    program_run::HoldEndSignalsUntilHandled(program);
    // Qt would pass the name as text; the shell hands over its very bytes,
    // relative to the folder the program starts in.
    program.start(QStringLiteral("/bin/sh"),
                  {QStringLiteral("-c"), QStringLiteral(R"sh(exec "$CORVANE" "$(printf 'latin1-\351\377.qsx')")sh")});
    ASSERT_TRUE(program.waitForStarted(30000));

    const bool saved = watch.waitFor(name, 95000);
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(60000));
    const QString log = QString::fromLocal8Bit(program.readAllStandardError());
    ASSERT_TRUE(saved) << "no save of the project came by its name\n" << log.toStdString();
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << log.toStdString();

    // Saved in place: a new file by the same bytes, and no other name beside it.
    struct stat after {};
    ASSERT_EQ(::stat(project.constData(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(Entries(shows), QList<QByteArray>{name});
    const ProjectReadResult reread = DecodeProjectFile(ReadNative(project), ProjectTexts{});
    ASSERT_TRUE(reread.ok());
    ASSERT_EQ(reread.image.records.size(), 1u);
    EXPECT_EQ(reread.image.records[0].Name.text(), QStringLiteral("Verse"));
    EXPECT_EQ(reread.image.header.Prefs.AutosaveMinutes, 1);

    // The recent-file list and the last folder name it by the same bytes.
    const QByteArray ini = ReadNative(home.filePath(QStringLiteral("data/Quellon/Corvane/Corvane.ini")).toUtf8());
    EXPECT_TRUE(ini.contains("\nFile1=" + project + "\n")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("\nLast Used Directory=" + shows + "/\n")) << ini.toStdString();
}
