#include "platform/safe_file_write.h"

#include <unistd.h>

SafeFileWriter::SafeFileWriter(const QString& path) : m_file(path) {}

bool SafeFileWriter::open()
{
    m_failed = !m_file.open(QIODevice::WriteOnly);
    return !m_failed;
}

bool SafeFileWriter::write(QByteArrayView bytes)
{
    if (m_failed || !m_file.isOpen())
        return false;
    if (m_file.write(bytes.data(), bytes.size()) != bytes.size() || !m_file.flush())
        m_failed = true;
    return !m_failed;
}

bool SafeFileWriter::commit()
{
    if (!m_file.isOpen())
        return false;
    // A file system that allocates late reports a full disk only here.
    if (!m_failed && (!m_file.flush() || ::fsync(m_file.handle()) != 0))
        m_failed = true;
    if (m_failed)
        m_file.cancelWriting();
    return m_file.commit() && !m_failed;
}

void SafeFileWriter::cancel()
{
    m_failed = true;
    if (!m_file.isOpen())
        return;
    m_file.cancelWriting();
    m_file.commit();
}

bool WriteFileSafely(const QString& path, QByteArrayView bytes)
{
    SafeFileWriter file(path);
    return file.open() && file.write(bytes) && file.commit();
}
