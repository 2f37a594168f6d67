#pragma once

// A connection of a test's own to an X display: it sends what a window
// manager sends and watches windows come and go.

#include <QDeadlineTimer>
#include <QString>

#include <algorithm>
#include <vector>

#include <poll.h>

// Last: Xlib defines names (None, Bool, Status) that Qt's headers use.
#include <X11/Xlib.h>

namespace x_connection {

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

} // namespace x_connection
