// The window manager's close request reaches the real console while its exit
// question is open: the console stays, and the question's Cancel keeps it.

#include <gtest/gtest.h>

#include <QDeadlineTimer>

#include <csignal>

#include <poll.h>

#include "support/program_run.h"
#include "support/x_display.h"

// Last: Xlib defines names (None, Bool, Status) that Qt's headers use.
#include <X11/Xlib.h>

namespace {

// A connection of the test's own to the display: it sends what a window
// manager sends and watches windows come and go.
class XConnection {
public:
    explicit XConnection(const QString& displayName)
        : m_display(XOpenDisplay(displayName.toLocal8Bit().constData()))
    {
        // A window that is gone is an answer here, not the end of the test.
        m_previousHandler = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    ~XConnection()
    {
        if (m_display)
            XCloseDisplay(m_display);
        XSetErrorHandler(m_previousHandler);
    }
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    bool isValid() const { return m_display != nullptr; }

    // Tells this connection when window is unmapped or destroyed.
    void watch(Window window)
    {
        XSelectInput(m_display, window, StructureNotifyMask);
        XSync(m_display, False);
    }

    // The close request of the window manager's close button (and of Alt+F4
    // under openbox), queued for the window's program once this returns.
    void sendDeleteWindow(Window window)
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = long(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(m_display, window, False, NoEventMask, &event);
        XSync(m_display, False);
    }

    bool isViewable(Window window)
    {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(m_display, window, &attributes) != 0 && attributes.map_state == IsViewable;
    }

    // Waits until a watched window is unmapped or destroyed; false when none
    // was in timeoutMs. gone names every watched window that went meanwhile.
    bool waitForGone(Window window, std::vector<Window>& gone, int timeoutMs)
    {
        const QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            while (XPending(m_display) > 0) {
                XEvent event;
                XNextEvent(m_display, &event);
                if (event.type == UnmapNotify)
                    gone.push_back(event.xunmap.window);
                else if (event.type == DestroyNotify)
                    gone.push_back(event.xdestroywindow.window);
                if (std::find(gone.begin(), gone.end(), window) != gone.end())
                    return true;
            }
            if (deadline.hasExpired())
                return false;
            pollfd readable{ConnectionNumber(m_display), POLLIN, 0};
            ::poll(&readable, 1, int(std::max<qint64>(1, deadline.remainingTime())));
        }
    }

private:
    Display* m_display;
    XErrorHandler m_previousHandler = nullptr;
};

} // namespace

// Files > Exit with its question open, then the main window's close button:
// the console neither ends nor closes. Cancel answers the question, and the
// console goes on as before.
TEST(Program, ACloseRequestDuringTheExitQuestionKeepsTheConsole)
{
    if (!x_display::HaveWindowManagerTools())
        GTEST_SKIP() << "needs Xvfb, openbox and the X tools";

    const program_run::WindowManagerRun run;
    ASSERT_TRUE(run.isValid()) << "no X display with a window manager";
    const x_display::Display& display = run.display;
    XConnection x(display.name());
    ASSERT_TRUE(x.isValid());

    QProcess program;
    program_run::Start(program, run.env);
    ASSERT_TRUE(program.waitForStarted(30000));

    const QString title = QStringLiteral(" Corvane - New Project");
    const auto main = display.waitForWindow(QLatin1Char('^') + title + QLatin1Char('$'));
    ASSERT_TRUE(main);
    // Files > Exit from the keyboard.
    ASSERT_TRUE(display.xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), *main,
                                 QStringLiteral("key"), QStringLiteral("alt+f"), QStringLiteral("x")}));
    const auto question = display.waitForWindow(QStringLiteral("^Decision$"));
    ASSERT_TRUE(question);
    const Window mainWindow = main->toULong();
    const Window questionWindow = question->toULong();
    x.watch(mainWindow);
    x.watch(questionWindow);

    x.sendDeleteWindow(mainWindow);
    EXPECT_TRUE(x.isViewable(questionWindow));
    // Escape reaches the question after the close request: its Cancel.
    ASSERT_TRUE(display.xdotool({QStringLiteral("key"), QStringLiteral("Escape")}));
    std::vector<Window> gone;
    EXPECT_TRUE(x.waitForGone(questionWindow, gone, 45000)) << "the question stayed up";

    EXPECT_EQ(std::count(gone.begin(), gone.end(), mainWindow), 0) << "the main window went";
    EXPECT_TRUE(x.isViewable(mainWindow));
    EXPECT_EQ(display.xdotool({QStringLiteral("getwindowname"), *main}).value_or(QString()).toStdString(),
              title.toStdString());
    EXPECT_EQ(program.state(), QProcess::Running) << program.readAllStandardError().toStdString();

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    EXPECT_TRUE(program.waitForFinished(60000)) << program.readAllStandardError().toStdString();
}
