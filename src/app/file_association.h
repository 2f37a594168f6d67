#pragma once

#include <QString>

// The project file type, registered with the desktop the freedesktop way:
// a shared-mime-info package that names "*.qsx" files (and files opening
// with the bytes "QSX" and a NUL) as Corvane projects, and a desktop entry
// that opens them with this program. Both go into the user's data home.

inline constexpr char kProjectMimeType[] = "application/x-corvane-project";
// The desktop's id of the console, in reverse-domain form: it names the
// desktop entry, the MIME package, the icon and the software centres' entry.
inline constexpr char kDesktopEntryId[] = "com.quellon.Corvane";
inline constexpr char kDesktopFileName[] = "com.quellon.Corvane.desktop";
inline constexpr char kMimePackageFileName[] = "com.quellon.Corvane.xml";
inline constexpr char kIconName[] = "com.quellon.Corvane";
inline constexpr char kProjectExtension[] = "qsx";

// The same files as earlier versions named them, relative to a share
// folder; writing the files above removes these where they are found, so
// the desktop does not list the console twice.
inline constexpr const char* kFormerDesktopFiles[] = {
    "applications/Quellon-Corvane.desktop",
    "mime/packages/quellon-corvane.xml",
    "icons/hicolor/scalable/apps/quellon-corvane.svg",
};

// The Exec value of a desktop entry that runs program with one file argument:
// the path quoted as the desktop entry rules ask, followed by " %f".
QString DesktopExecLine(const QString& program);

// The text of the desktop entry and of the MIME package.
QString DesktopEntryText(const QString& program);
QString MimePackageText(const QString& extension);

// Writes the MIME package, the desktop entry and the icon under shareDir
// (a data home, or an installation's share folder) for the program at exePath
// and the extension, leaving files that already hold the same bytes alone,
// and removes the files of the former names found there. changed reports
// whether anything was written or removed; false when a file could not be
// written or a former one not removed.
bool WriteDesktopFiles(const QString& shareDir, const QString& exePath, const QString& extension,
                       bool* changed = nullptr);

// Writes the MIME package, the desktop entry and the icon under the data
// home, for the program at exePath (an absolute path) and the extension
// ("qsx", blanks and dots are dropped). Files that already hold the same
// text are left untouched; when anything changed, the desktop's MIME and
// application caches are refreshed in the background. Does nothing when the
// path or the extension is empty. False when a file could not be written.
bool RegisterFileAssociation(const QString& exePath, const QString& extension);
