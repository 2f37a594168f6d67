#include "platform/settings_store.h"

#include <QSettings>

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("Quellon"), QStringLiteral("Corvane")))
{
}

SettingsStore::SettingsStore(const QString& filePath)
    : m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
}

SettingsStore::~SettingsStore() = default;

std::optional<QString> SettingsStore::readString(const QString& section, const QString& entry) const
{
    const QString key = section + QLatin1Char('/') + entry;
    const QVariant value = m_settings->value(key);
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
}

bool SettingsStore::writeString(const QString& section, const QString& entry, const QString& value)
{
    m_settings->setValue(section + QLatin1Char('/') + entry, value);
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}
