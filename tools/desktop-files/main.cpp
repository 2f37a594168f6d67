// Writes the desktop entry and the MIME package of an installed console:
//   corvane-desktop-files SHARE_DIR PROGRAM
// puts SHARE_DIR/applications/Quellon-Corvane.desktop (running PROGRAM) and
// SHARE_DIR/mime/packages/quellon-corvane.xml, from the same texts the
// program registers for its user at start-up.

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>
#include <QTextStream>

#include "app/file_association.h"

namespace {

bool WriteText(const QString& path, const QString& text)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text.toUtf8());
    return file.commit();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() != 3 || !QDir::isAbsolutePath(args[2])) {
        err << "usage: corvane-desktop-files SHARE_DIR /ABSOLUTE/PATH/TO/corvane\n";
        return 2;
    }
    const QString share = QDir(args[1]).absolutePath();
    const QString entry = share + QStringLiteral("/applications/") + QLatin1String(kDesktopFileName);
    const QString package = share + QStringLiteral("/mime/packages/") + QLatin1String(kMimePackageFileName);
    if (!WriteText(entry, DesktopEntryText(args[2]))) {
        err << "cannot write " << entry << "\n";
        return 1;
    }
    if (!WriteText(package, MimePackageText(QLatin1String(kProjectExtension)))) {
        err << "cannot write " << package << "\n";
        return 1;
    }
    return 0;
}
