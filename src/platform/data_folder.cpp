#include "platform/data_folder.h"

#include <QDir>

QString XdgDataHome()
{
    const QString fromEnvironment = qEnvironmentVariable("XDG_DATA_HOME");
    if (!fromEnvironment.isEmpty() && QDir::isAbsolutePath(fromEnvironment))
        return QDir::cleanPath(fromEnvironment);
    return QDir::cleanPath(QDir::homePath() + QStringLiteral("/.local/share"));
}

QString DataFolderPath()
{
    return XdgDataHome() + QStringLiteral("/Quellon/Corvane/");
}

bool EnsureFolder(const QString& path)
{
    return QDir().mkpath(path);
}
