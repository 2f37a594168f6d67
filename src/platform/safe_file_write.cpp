#include "platform/safe_file_write.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArrayList>

#include "platform/path_text.h"

namespace {

// The end of a temporary file's name: a marker that only this program puts
// into a name, then what mkostemp turns into six random letters and digits.
// Without the marker, an operator's own hidden copy (".show.qsx.backup",
// ".show.qsx.mine01") would look like a save's leftover.
constexpr char kTemporarySuffix[] = ".corvane-save-XXXXXX";
constexpr qsizetype kRandomLength = 6;
static_assert(std::string_view(kTemporarySuffix).ends_with("XXXXXX"), "mkostemp fills exactly six letters");

// The temporary file's name for target, before its random letters: hidden,
// in target's folder, "." + target's name + kTemporarySuffix.
QByteArray TemporaryTemplate(const QByteArray& target)
{
    const qsizetype slash = target.lastIndexOf('/');
    return target.left(slash + 1) + '.' + target.mid(slash + 1) + kTemporarySuffix;
}

// The file a write of path replaces: a symbolic link's target, else path.
QByteArray ReplacedFile(const QByteArray& path)
{
    struct stat link {};
    if (::lstat(path.constData(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* resolved = ::realpath(path.constData(), nullptr)) {
            QByteArray target(resolved);
            std::free(resolved);
            return target;
        }
    }
    return path;
}

bool IsRandomSuffix(QByteArrayView suffix)
{
    if (suffix.size() != kRandomLength)
        return false;
    for (const char c : suffix) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

bool SameInode(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A new temporary file beside target, locked; -1 when none could be made.
int MakeLockedTemporary(const QByteArray& target, QByteArray& name)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        name = TemporaryTemplate(target);
        const int fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0)
            return -1;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            // Taken by a sweep of left temporaries between its making and
            // this lock: the sweep removes it, and another one is made. A
            // file system without locks still gets its file.
            if (errno != EWOULDBLOCK)
                return fd;
            ::close(fd);
            continue;
        }
        // Swept in that moment and gone already.
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) == 0 && ::lstat(name.constData(), &named) == 0 && SameInode(opened, named))
            return fd;
        ::close(fd);
    }
    return -1;
}

} // namespace

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
    m_target = ReplacedFile(m_path);
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
    QByteArray name;
    const int fd = MakeLockedTemporary(m_target, name);
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
        // The lock holds, through a second descriptor, until the file has its name.
        const int lockHolder = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        m_failed = ::close(fd) != 0 || ::rename(m_temporary.constData(), m_target.constData()) != 0;
        if (lockHolder >= 0)
            ::close(lockHolder);
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
    // Removed while still locked, so no sweep meets it half gone.
    if (!m_temporary.isEmpty())
        ::unlink(m_temporary.constData());
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    m_temporary.clear();
}

bool WriteFileSafely(const QString& path, QByteArrayView bytes)
{
    SafeFileWriter file(path);
    return file.open() && file.write(bytes) && file.commit();
}

int RemoveLeftTemporaries(const QString& path)
{
    const QByteArray native = NativeFromPath(path);
    if (native.isEmpty())
        return 0;
    const QByteArray target = ReplacedFile(native);
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : target.left(slash);
    const QByteArray leftName = TemporaryTemplate(target).mid(slash + 1);
    const QByteArray prefix = leftName.left(leftName.size() - kRandomLength);
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return 0;
    // The names first: the folder is not changed while it is read.
    QByteArrayList names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArrayView name(entry->d_name);
        if (name.startsWith(prefix) && IsRandomSuffix(name.sliced(prefix.size())))
            names.append(name.toByteArray());
    }
    const int at = ::dirfd(dir);
    int removed = 0;
    for (const QByteArray& name : names) {
        // Never opened unless a regular file: a pipe would wait for a writer.
        struct stat found {};
        if (::fstatat(at, name.constData(), &found, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(found.st_mode)
            || found.st_uid != ::geteuid())
            continue;
        const int fd = ::openat(at, name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        // A writer still at work holds its lock; a file system without locks
        // cannot tell, so nothing there is removed.
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) == 0 && SameInode(opened, found) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
            && ::fstatat(at, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 && SameInode(named, opened)
            && ::unlinkat(at, name.constData(), 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}
