#include "platform/settings_store.h"

#include <QSettings>
#include <QStandardPaths>

namespace {

// Where QSettings keeps the native user settings of "Quellon"/"Corvane".
QString NativeSettingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Quellon/Corvane.conf");
}

} // namespace

SettingsStore::SettingsStore() : SettingsStore(NativeSettingsPath()) {}

SettingsStore::SettingsStore(const QString& filePath) : m_path(filePath)
{
    // QSettings reads the file as it opens it, without a limit and waiting on
    // a pipe: it is handed only a regular file of a sane size (or none yet).
    m_readStatus = CheckRegularFile(m_path, kMaxSettingsFileBytes);
    if (m_readStatus == FileReadStatus::Ok || m_readStatus == FileReadStatus::Missing)
        m_settings = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
}

SettingsStore::~SettingsStore() = default;

std::optional<QString> SettingsStore::readString(const QString& section, const QString& entry) const
{
    if (!m_settings)
        return std::nullopt;
    const QString key = section + QLatin1Char('/') + entry;
    const QVariant value = m_settings->value(key);
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
}

bool SettingsStore::writeString(const QString& section, const QString& entry, const QString& value)
{
    if (!m_settings)
        return false;
    m_settings->setValue(section + QLatin1Char('/') + entry, value);
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}
