#pragma once

#include <QString>

// True when the two texts are equal ignoring case, as the operator reads them.
// Not for file paths: names that differ only in case are different files here.
bool StrEqualNoCase(const QString& a, const QString& b);

// Splits a path at its last "/": the directory keeps that separator, the file
// name is what follows it. A path without one is all file name.
void SplitPathName(QString* directory, QString* fileName, const QString& path);
