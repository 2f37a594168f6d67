#pragma once

#include <QList>
#include <QString>

#include <utility>

#include "platform/regular_file.h"

// The largest profile file read. The program's own file holds eight paths
// and a folder, a few kB at most; a megabyte is hundreds of times that, yet
// still read in a moment. Anything larger is not ours to read or rewrite.
inline constexpr qint64 kMaxIniFileBytes = 1 << 20;

// A small profile file of "[Section]" headers and "Key=Value" lines, read
// and written one key at a time. Section and key names match without regard
// to case; lines the program does not know are kept as they are. Every write
// replaces the file through a temporary file, so a failed write leaves the
// old file whole.
class IniFile {
public:
    explicit IniFile(QString path);

    const QString& path() const { return m_path; }

    // The value of key in section, or defaultValue when either is missing
    // or the file cannot be read. Surrounding blanks of the value are dropped.
    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue = QString()) const;

    // Sets key in section, adding the section and the key where missing.
    // False when the file could not be written.
    bool writeString(const QString& section, const QString& key, const QString& value);

    // Replaces the whole of section, every key it held, with exactly these
    // entries in this order (the section is added where missing). False,
    // leaving the file as it was, when the file could not be written or an
    // entry cannot be written as one line.
    bool writeSection(const QString& section, const QList<std::pair<QString, QString>>& entries);

    // Removes key from section; true when the file is as asked afterwards.
    bool removeKey(const QString& section, const QString& key);

    // What the last read of the file found (Missing before any).
    FileReadStatus readStatus() const { return m_readStatus; }

private:
    QString m_path;
    mutable FileReadStatus m_readStatus = FileReadStatus::Missing;
};
