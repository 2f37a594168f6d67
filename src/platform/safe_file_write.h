#pragma once

#include <QByteArrayView>
#include <QSaveFile>
#include <QString>

// Replaces a file whole or not at all: the new bytes go to a temporary file
// in the same folder, which is renamed over the old file only once every
// byte reached the disk. QSaveFile alone cannot be trusted with that: bytes
// it still holds in its buffer are written when it closes the file, and when
// that write fails (a full disk) its commit still renames the short file over
// the old one and reports success. So each write here is pushed to the file
// at once and checked, and the data is synced before the rename.
class SafeFileWriter {
public:
    explicit SafeFileWriter(const QString& path);

    // Creates the temporary file; false when it cannot be made.
    bool open();
    // Writes the bytes through to the file; false when they did not all get
    // there, after which nothing written can be committed.
    bool write(QByteArrayView bytes);
    // Renames the new file over the old one; false when any write failed or
    // the file could not be finished: the old file is then left as it was
    // and the temporary file is gone.
    bool commit();
    // Drops the new file; the old one stays as it was.
    void cancel();

private:
    QSaveFile m_file;
    bool m_failed = false;
};

// The whole of bytes as the new content of path, through SafeFileWriter.
bool WriteFileSafely(const QString& path, QByteArrayView bytes);
