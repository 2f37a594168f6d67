#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Replaces a file whole or not at all: the new bytes go to a temporary file
// in the same folder, which is renamed over the old file only once every
// byte reached the disk. Each write is pushed to the file at once and
// checked, and the data is synced before the rename, so a full disk found
// at any point leaves the old file as it was. The file is named by its bytes
// (NativeFromPath), so a name that is not valid UTF-8 is written where it
// stands; a symbolic link is written through to the file it names, which
// keeps its permissions (a new file gets the usual ones, less the umask).
// The temporary file is hidden and named after the file it replaces: a dot,
// its name, ".corvane-save-" and six random letters or digits
// (".show.qsx.corvane-save-a1B2c3"), a name only this program makes. It stays locked (flock) until
// it has been renamed or dropped, so that RemoveLeftTemporaries passes it by.
class SafeFileWriter {
public:
    explicit SafeFileWriter(const QString& path);
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

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
    void dropTemporary();

    QByteArray m_path;      // the file replaced, as given
    QByteArray m_target;    // the file actually replaced (a link's target)
    QByteArray m_temporary; // the new file while it is written
    int m_fd = -1;
    bool m_failed = false;
};

// The whole of bytes as the new content of path, through SafeFileWriter.
bool WriteFileSafely(const QString& path, QByteArrayView bytes);

// Removes what writes of path that never finished left beside its file (the
// program killed or the power gone mid-way): exactly the temporary names
// SafeFileWriter gives, when they are regular files of this user that no
// writer holds locked. A copy the operator keeps beside the file under a
// name of their own ("show.qsx.backup") is never one of them. Returns how
// many went.
int RemoveLeftTemporaries(const QString& path);
