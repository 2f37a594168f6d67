#include "platform/safe_file_write.h"

#include <cerrno>
#include <cstdlib>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/path_text.h"

SafeFileWriter::SafeFileWriter(const QString& path) : m_path(NativeFromPath(path)) {}

SafeFileWriter::~SafeFileWriter()
{
    if (m_fd >= 0)
        cancel();
}

bool SafeFileWriter::open()
{
    if (m_fd >= 0 || m_path.isEmpty()) {
        m_failed = true;
        return false;
    }
    m_target = m_path;
    struct stat link {};
    if (::lstat(m_path.constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* resolved = ::realpath(m_path.constData(), nullptr)) {
            m_target = resolved;
            std::free(resolved);
        }
    }
    // An existing file keeps its permissions; one that may not be written
    // (or is not a file) is not replaced behind the operator's back.
    struct stat existing {};
    mode_t mode = 0;
    if (::stat(m_target.constData(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode) || ::access(m_target.constData(), W_OK) != 0) {
            m_failed = true;
            return false;
        }
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    QByteArray name = m_target + ".XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        m_failed = true;
        return false;
    }
    m_fd = fd;
    m_temporary = name;
    m_failed = ::fchmod(m_fd, mode) != 0;
    if (m_failed)
        dropTemporary();
    return !m_failed;
}

bool SafeFileWriter::write(QByteArrayView bytes)
{
    if (m_failed || m_fd < 0)
        return false;
    const char* at = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, at, std::size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_failed = true;
            return false;
        }
        at += n;
        left -= n;
    }
    return true;
}

bool SafeFileWriter::commit()
{
    if (m_fd < 0)
        return false;
    // A file system that allocates late reports a full disk only here.
    if (!m_failed && ::fsync(m_fd) != 0)
        m_failed = true;
    if (!m_failed) {
        const int fd = std::exchange(m_fd, -1);
        m_failed = ::close(fd) != 0 || ::rename(m_temporary.constData(), m_target.constData()) != 0;
    }
    if (m_failed) {
        dropTemporary();
        return false;
    }
    m_temporary.clear();
    return true;
}

void SafeFileWriter::cancel()
{
    m_failed = true;
    dropTemporary();
}

void SafeFileWriter::dropTemporary()
{
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    if (!m_temporary.isEmpty())
        ::unlink(m_temporary.constData());
    m_temporary.clear();
}

bool WriteFileSafely(const QString& path, QByteArrayView bytes)
{
    SafeFileWriter file(path);
    return file.open() && file.write(bytes) && file.commit();
}
