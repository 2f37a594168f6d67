#pragma once

#include <QApplication>

// The application object: sets up the desktop identity, fonts and command
// relay, builds the main window, runs it and ends the program when the
// window has closed.
class CQuellonKR9SeriesApp : public QApplication {
    Q_OBJECT
public:
    CQuellonKR9SeriesApp(int& argc, char** argv);

    // Runs the program; the return value is the process exit code.
    int InitInstance();

    // Starts program as the console that follows this one. When it cannot
    // be started the operator is told, and this process ends only after.
    static void StartAgain(const QString& program);

private:
    // Builds the console, runs it until its window has closed and tears it
    // all down again; *restart tells whether it ended to start anew.
    int RunConsole(bool restartOnSignal, bool* restart);

    // The arguments as the program was given them, less those Qt took for
    // itself: the bytes of a file name are read from here, not from Qt's
    // decoded copy.
    int& m_argc;
    char** m_argv;
};
