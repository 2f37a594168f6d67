#pragma once

#include <QString>

// The per-user data home of the desktop: $XDG_DATA_HOME when it is an
// absolute path, else ~/.local/share. No trailing slash.
QString XdgDataHome();

// The program's data folder (INI file, help documents), ending in '/':
// the data home followed by "/Quellon/Corvane/".
QString DataFolderPath();

// Creates the whole folder chain of path; existing folders are no error.
bool EnsureFolder(const QString& path);
