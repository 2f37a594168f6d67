#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The help documents: where the console finds them and how it shows them.

inline const QString kQuickstartDocument = QStringLiteral("Corvane Quickstart.pdf");
inline const QString kUserGuideDocument = QStringLiteral("Corvane User Guide.pdf");
inline const QString kLinkHelpDocument = QStringLiteral("Corvane Link Help.pdf");

// The folders searched after the data folder, in order: the documentation
// installed with the program, then the copies the build made.
QStringList HelpDocumentFolders();
// Tests point the search elsewhere; an empty list restores the folders above.
void SetHelpDocumentFolders(const QStringList& folders);

// The full path of a help document: a copy the operator put into the data
// folder comes first, then the installed one, then the build's. Empty when
// none of them exists.
QString FindHelpDocument(const QString& fileName);

// Finds the document and hands it to the desktop's viewer. A document found
// nowhere, or one no viewer could be started for, is reported in a message
// box that names where it was looked for or the file that could not be shown.
void OpenHelpDocument(const QString& fileName);

// How a document is shown: the desktop's handler of the file by default.
// Answers false when no viewer could be started. Tests replace it; an empty
// function restores the desktop's.
void SetDocumentOpener(std::function<bool(const QString& path)> opener);
