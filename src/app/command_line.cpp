#include "app/command_line.h"

#include <QDir>

#include <cstdlib>

#include <unistd.h>

#include "platform/path_text.h"

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
        // Joined as text: the file name may hold bytes kept by PathFromNative.
        return AbsolutePathText(arg, launchDirectory);
    }
    return QString();
}

QStringList ArgumentsFromNative(int argc, const char* const* argv)
{
    QStringList arguments;
    for (int i = 0; i < argc && argv[i]; ++i)
        arguments.append(PathFromNative(argv[i]));
    return arguments;
}

QString CurrentDirectoryText()
{
    char* cwd = ::getcwd(nullptr, 0);
    if (!cwd)
        return QDir::currentPath();
    const QString text = PathFromNative(cwd);
    std::free(cwd);
    return text;
}
