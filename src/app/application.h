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
    // How a console ended, for what follows it.
    struct ConsoleEnd {
        bool restart = false;   // the operator asked for a new console
        bool bySignal = false;  // the system ended it, not the operator's answer
        QString unopenedHandOff; // a project taken but never opened
    };

    // Builds the console, runs it until its window has closed and tears it
    // all down again, the hand-off point and the port's lock with it.
    int RunConsole(bool restartOnSignal, ConsoleEnd& end);
    // Starts what follows a console that has let go of everything.
    void FollowConsole(const ConsoleEnd& end);

    // The arguments as the program was given them, less those Qt took for
    // itself: the bytes of a file name are read from here, not from Qt's
    // decoded copy.
    int& m_argc;
    char** m_argv;
};
