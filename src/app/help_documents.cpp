#include "app/help_documents.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "app/app_services.h"
#include "app/project_state.h"

namespace {

std::function<bool(const QString&)>& Opener()
{
    static std::function<bool(const QString&)> opener;
    return opener;
}

QStringList& FolderOverride()
{
    static QStringList folders;
    return folders;
}

} // namespace

QStringList HelpDocumentFolders()
{
    if (!FolderOverride().isEmpty())
        return FolderOverride();
    QStringList folders;
    // Installed next to the program (wherever the installation was moved),
    // then where the build was configured to install, then the build tree.
    const QString besideProgram = QDir::cleanPath(QCoreApplication::applicationDirPath()
                                                  + QLatin1Char('/')
                                                  + QStringLiteral(CORVANE_HELP_FROM_BINARY));
    for (const QString& folder : {besideProgram, QStringLiteral(CORVANE_HELP_INSTALL_DIR),
                                  QStringLiteral(CORVANE_HELP_BUILD_DIR)}) {
        if (!folders.contains(folder))
            folders.append(folder);
    }
    return folders;
}

void SetHelpDocumentFolders(const QStringList& folders)
{
    FolderOverride() = folders;
}

QString FindHelpDocument(const QString& fileName)
{
    const QString own = GetUserDataFilePath(fileName);
    if (QFileInfo(own).isFile())
        return own;
    for (const QString& folder : HelpDocumentFolders()) {
        const QString path = QDir(folder).filePath(fileName);
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

void OpenHelpDocument(const QString& fileName)
{
    const QString path = FindHelpDocument(fileName);
    if (path.isEmpty()) {
        QStringList places{QFileInfo(GetUserDataFilePath(fileName)).absolutePath()};
        places += HelpDocumentFolders();
        g_strMessage = QStringLiteral("The help document \"%1\" could not be found. It was looked for in:\n%2")
                           .arg(fileName, places.join(QLatin1Char('\n')));
        RunMessageBox(MessageBoxKind::Message);
        return;
    }
    const bool shown = Opener() ? Opener()(path) : QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    if (!shown) {
        g_strMessage = QStringLiteral("No program could be started to show the help document %1. "
                                      "Open it with a PDF viewer.")
                           .arg(path);
        RunMessageBox(MessageBoxKind::Message);
    }
}

void SetDocumentOpener(std::function<bool(const QString& path)> opener)
{
    Opener() = std::move(opener);
}
