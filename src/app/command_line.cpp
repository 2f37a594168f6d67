#include "app/command_line.h"

#include <QDir>

QString ProjectPathFromArguments(const QStringList& arguments, const QString& launchDirectory)
{
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg.isEmpty())
            continue;
        if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && arg.startsWith(QLatin1Char('-')))
            continue;
        return QDir::cleanPath(QDir(launchDirectory).absoluteFilePath(arg));
    }
    return QString();
}
