#pragma once

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

// Reading a file the program did not make itself. A name can stand for a
// pipe, a device or a socket as well as a file: opening a pipe for reading
// waits until some other program writes to it, and a device can be endless.
// So only regular files are read, they are opened so that a pipe swapped in
// after the check cannot make the open wait, and never more than a limit is
// read.

enum class FileReadStatus {
    Ok,
    Missing,    // no such file (or a folder on its way is missing)
    NotRegular, // a folder, pipe, device or socket
    TooLarge,   // more bytes than the limit
    Unreadable, // any other failure (permissions, I/O)
};

struct RegularFileRead {
    FileReadStatus status = FileReadStatus::Unreadable;
    QByteArray bytes; // the whole file when status is Ok
};

// Opens path for reading when it is a regular file of at most maxBytes
// (maxBytes < 0: any size). On Ok, fd is the open descriptor (the caller
// closes it) and info its status; otherwise fd is -1.
FileReadStatus OpenRegularFile(const QString& path, qint64 maxBytes, int& fd, struct stat& info,
                               int* error = nullptr);

// The whole of a regular file of at most maxBytes.
RegularFileRead ReadRegularFile(const QString& path, qint64 maxBytes);

// What ReadRegularFile would find, without reading anything.
FileReadStatus CheckRegularFile(const QString& path, qint64 maxBytes);
