#pragma once

#include <QString>

#include <memory>
#include <optional>

class QSettings;

// The program's per-user settings (window placement and the like), kept by
// QSettings in the desktop's native place. Values are plain strings under a
// section and an entry name.
class SettingsStore {
public:
    // The program's own settings: organisation "Quellon", application "Corvane".
    SettingsStore();
    // Settings kept in the given INI-format file (tests, portable set-ups).
    explicit SettingsStore(const QString& filePath);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    std::optional<QString> readString(const QString& section, const QString& entry) const;
    // Writes and flushes; false when the store could not be written.
    bool writeString(const QString& section, const QString& entry, const QString& value);

private:
    std::unique_ptr<QSettings> m_settings;
};
