#pragma once

// Consoles that the program starts itself (a restart, a console that follows
// one that ended) are started detached: this process takes them in as their
// reaper, so a test can find each one, wait for it to end, and leaves none
// behind.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <vector>

#include <csignal>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

class AdoptedConsoles {
public:
    AdoptedConsoles() { ::prctl(PR_SET_CHILD_SUBREAPER, 1); }
    ~AdoptedConsoles()
    {
        // A failed run leaves no console behind.
        for (const pid_t pid : Running()) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        ::prctl(PR_SET_CHILD_SUBREAPER, 0);
    }
    AdoptedConsoles(const AdoptedConsoles&) = delete;
    AdoptedConsoles& operator=(const AdoptedConsoles&) = delete;

    // This process's children that run the program and have not ended.
    static std::vector<pid_t> Running()
    {
        const QString binary = QFileInfo(QStringLiteral(CORVANE_BINARY)).canonicalFilePath();
        std::vector<pid_t> found;
        for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            bool ok = false;
            const pid_t pid = entry.toInt(&ok);
            if (!ok)
                continue;
            QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
            if (!stat.open(QIODevice::ReadOnly))
                continue;
            // "pid (name) state ppid ...": the name may hold blanks.
            const QByteArray line = stat.readAll();
            const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
            if (fields.size() < 2 || fields[0] == "Z" || fields[1].toInt() != ::getpid())
                continue;
            if (QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).canonicalFilePath() == binary)
                found.push_back(pid);
        }
        return found;
    }

    // Waits for an adopted console to end and reaps it: its wait status, or -1.
    static int WaitForEnd(pid_t pid, int timeoutMs)
    {
        const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
        if (fd < 0)
            return -1;
        pollfd p{fd, POLLIN, 0};
        const bool ended = ::poll(&p, 1, timeoutMs) == 1;
        ::close(fd);
        int status = -1;
        return ended && ::waitpid(pid, &status, 0) == pid ? status : -1;
    }
};
