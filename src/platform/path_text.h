#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// True when the two texts are equal ignoring case, as the operator reads them.
// Not for file paths: names that differ only in case are different files here.
bool StrEqualNoCase(const QString& a, const QString& b);

// Splits a path at its last "/": the directory keeps that separator, the file
// name is what follows it. A path without one is all file name.
void SplitPathName(QString* directory, QString* fileName, const QString& path);

// File names on this system are bytes. Most are UTF-8, but a name made
// elsewhere (a Latin-1 "é" copied from an old disk) need not be, and Qt's
// own conversion turns such bytes into U+FFFD, after which the file can
// never be found again. A path therefore travels through the program as a
// QString in which every byte that is not part of valid UTF-8 is kept as
// the lone surrogate U+DC80 + byte (valid UTF-8 never decodes to a lone
// surrogate, so nothing else maps there): the text converts back to exactly
// the bytes it came from. Such a path is opened, written and stored only
// through NativeFromPath; it is shown to the operator through DisplayPath.

// The path text of native file-name bytes (argv, a socket, a profile line).
QString PathFromNative(QByteArrayView bytes);
// The bytes of a path text: the inverse of PathFromNative; other text is UTF-8.
QByteArray NativeFromPath(const QString& path);
// path made absolute against the folder base, joined as text (so kept bytes
// stay as they are) and cleaned; an absolute path is only cleaned.
QString AbsolutePathText(const QString& path, const QString& base);
// The path as the operator reads it: every kept byte shows as U+FFFD.
QString DisplayPath(const QString& path);
// True when the path came back from Qt's file chooser or listings with a name
// that was not valid UTF-8: Qt put U+FFFD in its place, so the file cannot be
// reached by that text.
bool PathLostInDecoding(const QString& path);
