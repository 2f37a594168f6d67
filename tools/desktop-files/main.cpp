// Writes the desktop entry, the MIME package and the icon of an installed
// console:
//   corvane-desktop-files SHARE_DIR PROGRAM
// under SHARE_DIR/applications, SHARE_DIR/mime/packages and
// SHARE_DIR/icons, running PROGRAM: the same files the program registers for
// its user at start-up.

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include "app/file_association.h"

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
    if (!WriteDesktopFiles(share, args[2], QLatin1String(kProjectExtension))) {
        err << "cannot write the desktop files under " << share << "\n";
        return 1;
    }
    return 0;
}
