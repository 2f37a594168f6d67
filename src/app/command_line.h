#pragma once

#include <QString>
#include <QStringList>

// The project file named on the command line (the first argument after the
// program that is not an option), made absolute against the directory the
// program was started in; empty when none is named. The path is fixed
// before start-up changes the current directory.
QString ProjectPathFromArguments(const QStringList& arguments, const QString& launchDirectory);

// The arguments as path texts (PathFromNative): a file name whose bytes are
// not valid UTF-8 keeps them, where Qt's own list of arguments would have
// replaced them and named a file that does not exist.
QStringList ArgumentsFromNative(int argc, const char* const* argv);

// The current directory as a path text, its bytes kept likewise.
QString CurrentDirectoryText();
