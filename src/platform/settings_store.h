#pragma once

#include <QString>

#include <memory>
#include <optional>

#include "platform/regular_file.h"

class QSettings;

// The largest settings file handed to the settings reader: the program keeps
// one line of window placement there, so a megabyte is far beyond any file
// of ours and still read in a moment.
inline constexpr qint64 kMaxSettingsFileBytes = 1 << 20;

// The program's per-user settings (window placement and the like), kept by
// QSettings in the desktop's native place. Values are plain strings under a
// section and an entry name. A settings file that is not a regular file or
// is larger than kMaxSettingsFileBytes is not read and never replaced: it
// gives no values and takes no writes.
class SettingsStore {
public:
    // The program's own settings: organisation "Quellon", application
    // "Corvane", in the user's configuration folder.
    SettingsStore();
    // Settings kept in the given INI-format file (tests, portable set-ups).
    explicit SettingsStore(const QString& filePath);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    std::optional<QString> readString(const QString& section, const QString& entry) const;
    // Writes and flushes; false when the store could not be written.
    bool writeString(const QString& section, const QString& entry, const QString& value);

    // The settings file and what was found there when the store opened.
    const QString& filePath() const { return m_path; }
    FileReadStatus readStatus() const { return m_readStatus; }

private:
    QString m_path;
    FileReadStatus m_readStatus = FileReadStatus::Missing;
    std::unique_ptr<QSettings> m_settings; // none when the file is left alone
};
