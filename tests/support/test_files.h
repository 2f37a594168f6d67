#pragma once

// Whole-file reads and writes, a folder's listing, a file's identity and
// sparse files, for the file tests.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace console_test {

// The file's bytes; "<unreadable>" when it cannot be opened, so that a
// missing file never compares equal to an empty one.
inline QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Every entry of a folder, hidden ones included: no stray temporary file.
inline QStringList Entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// What tells whether a file was touched: its size, change time and inode.
struct FileStamp {
    qint64 size = -1;
    qint64 mtimeNs = -1;
    ino_t inode = 0;
    bool operator==(const FileStamp&) const = default;
};

inline FileStamp StampOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, st.st_ino};
}

// A file holding start and then stretched, without writing, to size bytes.
inline bool MakeSparseFile(const QString& path, const QByteArray& start, off_t size)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const bool ok = fd >= 0 && ::write(fd, start.constData(), size_t(start.size())) == start.size()
        && ::ftruncate(fd, size) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

} // namespace console_test
