#include "platform/regular_file.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

#include "platform/path_text.h"

namespace {

FileReadStatus StatusOfError(int error)
{
    return error == ENOENT || error == ENOTDIR ? FileReadStatus::Missing : FileReadStatus::Unreadable;
}

FileReadStatus StatusOfInfo(const struct stat& info, qint64 maxBytes)
{
    if (!S_ISREG(info.st_mode))
        return FileReadStatus::NotRegular;
    if (maxBytes >= 0 && qint64(info.st_size) > maxBytes)
        return FileReadStatus::TooLarge;
    return FileReadStatus::Ok;
}

// What the name stands for, before anything is opened.
FileReadStatus StatusOfPath(const QByteArray& native, qint64 maxBytes, struct stat& info, int* error)
{
    if (native.isEmpty() || ::stat(native.constData(), &info) != 0) {
        const int e = native.isEmpty() ? ENOENT : errno;
        if (error)
            *error = e;
        return StatusOfError(e);
    }
    return StatusOfInfo(info, maxBytes);
}

} // namespace

FileReadStatus OpenRegularFile(const QString& path, qint64 maxBytes, int& fd, struct stat& info,
                               int* error)
{
    fd = -1;
    const QByteArray native = NativeFromPath(path);
    if (const FileReadStatus status = StatusOfPath(native, maxBytes, info, error);
        status != FileReadStatus::Ok)
        return status;
    // Non-blocking, so a pipe put in the file's place since the check cannot
    // hold the open; what was opened is checked again.
    const int opened = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (opened < 0) {
        const int e = errno;
        if (error)
            *error = e;
        return e == ENXIO ? FileReadStatus::NotRegular : StatusOfError(e);
    }
    if (::fstat(opened, &info) != 0) {
        if (error)
            *error = errno;
        ::close(opened);
        return FileReadStatus::Unreadable;
    }
    if (const FileReadStatus status = StatusOfInfo(info, maxBytes); status != FileReadStatus::Ok) {
        ::close(opened);
        return status;
    }
    fd = opened;
    return FileReadStatus::Ok;
}

RegularFileRead ReadRegularFile(const QString& path, qint64 maxBytes)
{
    RegularFileRead result;
    int fd = -1;
    struct stat info {};
    result.status = OpenRegularFile(path, maxBytes, fd, info);
    if (result.status != FileReadStatus::Ok)
        return result;
    // One byte past the limit tells a file that grew since the check.
    const qint64 want = maxBytes >= 0 ? maxBytes + 1 : qint64(info.st_size) + 1;
    QByteArray bytes;
    bytes.resize(qsizetype(std::min<qint64>(want, qint64(info.st_size) + 1)));
    qint64 got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (got >= want)
                break;
            bytes.resize(qsizetype(std::min<qint64>(want, got * 2 + 4096)));
        }
        const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result.status = FileReadStatus::Unreadable;
            ::close(fd);
            return result;
        }
        if (n == 0)
            break;
        got += n;
    }
    ::close(fd);
    if (maxBytes >= 0 && got > maxBytes) {
        result.status = FileReadStatus::TooLarge;
        return result;
    }
    bytes.resize(qsizetype(got));
    result.bytes = std::move(bytes);
    return result;
}

FileReadStatus CheckRegularFile(const QString& path, qint64 maxBytes)
{
    struct stat info {};
    return StatusOfPath(NativeFromPath(path), maxBytes, info, nullptr);
}
