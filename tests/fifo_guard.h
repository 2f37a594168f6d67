#pragma once

// A named pipe for tests of code that must never wait on one. Opening a pipe
// for reading waits until some process opens it for writing; code that does
// so would hang a test for good. While the guard is armed, a helper thread
// waits (bounded, on a condition, no sleeping) for the code under test to
// finish; when it has not finished in time, the helper opens the pipe for
// writing and closes it again, so a reader stuck in open() gets the end of
// the pipe and the test goes on, and the guard reports that it had to.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class FifoGuard {
public:
    explicit FifoGuard(QString path) : m_path(std::move(path))
    {
        m_made = ::mkfifo(QFile::encodeName(m_path).constData(), 0600) == 0;
    }
    ~FifoGuard() { disarm(); }
    FifoGuard(const FifoGuard&) = delete;
    FifoGuard& operator=(const FifoGuard&) = delete;

    bool made() const { return m_made; }
    const QString& path() const { return m_path; }

    // Starts watching: after `patience` the pipe is opened for writing until
    // disarm() is called.
    void arm(std::chrono::milliseconds patience = std::chrono::seconds(5))
    {
        disarm();
        m_done = false;
        m_hadToUnblock = false;
        m_thread = std::thread([this, patience] {
            std::unique_lock lock(m_mutex);
            if (m_cv.wait_for(lock, patience, [this] { return m_done; }))
                return;
            const QByteArray native = QFile::encodeName(m_path);
            while (!m_done) {
                // Succeeds only while a reader holds the pipe open (or waits in open()).
                const int fd = ::open(native.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    m_hadToUnblock = true;
                    ::close(fd);
                }
                m_cv.wait_for(lock, std::chrono::milliseconds(20), [this] { return m_done; });
            }
        });
    }

    // Stops watching; true when the code under test had to be set free.
    bool disarm()
    {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_cv.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        return m_hadToUnblock;
    }

private:
    QString m_path;
    bool m_made = false;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_done = true;
    bool m_hadToUnblock = false;
    std::thread m_thread;
};
