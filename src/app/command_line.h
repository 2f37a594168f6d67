#pragma once

#include <QString>
#include <QStringList>

// The project file named on the command line (the first argument after the
// program that is not an option), made absolute against the directory the
// program was started in; empty when none is named. The path is fixed
// before start-up changes the current directory.
QString ProjectPathFromArguments(const QStringList& arguments, const QString& launchDirectory);
