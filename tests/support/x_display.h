#pragma once

// A real X display of the test's own (Xvfb), with a window manager on it when
// asked, and the X tools that read windows back from the server: what the
// operator's desktop does to windows (decorations, placement, close buttons)
// shows only there.

#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>
#include <functional>
#include <optional>

namespace x_display {

// True when every named program is on the PATH.
inline bool HaveTools(const QStringList& tools)
{
    for (const QString& tool : tools)
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return false;
    return true;
}

// What a test on a display with a window manager needs: the X server, openbox
// and the tools that read windows back and type into them.
inline bool HaveWindowManagerTools()
{
    return HaveTools({QStringLiteral("Xvfb"), QStringLiteral("openbox"), QStringLiteral("xdotool"),
                      QStringLiteral("xwininfo"), QStringLiteral("xprop")});
}

class Display {
public:
    // Starts Xvfb with one screen of size, and openbox on it when withWindowManager.
    // The server never resets: by default it resets whenever its last client
    // leaves, and a client connecting meanwhile (openbox, while a tool that
    // looked at the display is on its way out) is turned away.
    explicit Display(bool withWindowManager, const QString& size = QStringLiteral("1600x1000x24"))
    {
        m_server.start(QStringLiteral("Xvfb"),
                       {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                        QStringLiteral("0"), size, QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                        QStringLiteral("-noreset")});
        if (!m_server.waitForStarted(30000))
            return;
        QByteArray number;
        while (!number.contains('\n') && m_server.waitForReadyRead(30000))
            number += m_server.readAllStandardOutput();
        if (!number.contains('\n'))
            return;
        m_name = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
        if (withWindowManager) {
            m_windowManager.setProcessEnvironment(environment());
            m_windowManager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
            if (!m_windowManager.waitForStarted(30000) || !waitForWindowManager()) {
                m_name.clear();
                return;
            }
        }
    }

    ~Display()
    {
        for (QProcess* process : {&m_windowManager, &m_server}) {
            if (process->state() == QProcess::NotRunning)
                continue;
            process->terminate();
            if (!process->waitForFinished(30000)) {
                process->kill();
                process->waitForFinished(30000);
            }
        }
    }

    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    bool isValid() const { return !m_name.isEmpty(); }
    const QString& name() const { return m_name; }

    // The system environment with DISPLAY set to this display.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_name);
        return env;
    }

    // Makes env run a Qt program on this display.
    void useFor(QProcessEnvironment& env) const
    {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), m_name);
    }

    // Runs xdotool with arguments and returns what it printed (without its
    // final line break);
    // nothing when it failed or took longer than timeoutMs.
    std::optional<QString> xdotool(const QStringList& arguments, int timeoutMs = 45000) const
    {
        return run(QStringLiteral("xdotool"), arguments, timeoutMs);
    }

    // The first visible window whose title matches pattern, once there is one.
    // A search that fails because a window went while it looked (an X error)
    // is made again until the time is up.
    std::optional<QString> waitForWindow(const QString& pattern, int timeoutMs = 45000) const
    {
        const QDeadlineTimer deadline(timeoutMs);
        do {
            const auto found = xdotool({QStringLiteral("search"), QStringLiteral("--sync"),
                                        QStringLiteral("--onlyvisible"), QStringLiteral("--name"), pattern},
                                       int(std::max<qint64>(1, deadline.remainingTime())));
            if (found && !found->isEmpty())
                return found->section(QLatin1Char('\n'), 0, 0);
        } while (!deadline.hasExpired());
        return std::nullopt;
    }

    // Activates window and types keys into it (xdotool key names).
    bool typeInto(const QString& window, const QStringList& keys) const
    {
        return xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}).has_value()
            && xdotool(QStringList{QStringLiteral("key")} + keys).has_value();
    }

    // The window's client area in root coordinates, as the X server has it.
    std::optional<QRect> clientRect(const QString& window) const
    {
        const auto info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window}, 30000);
        if (!info)
            return std::nullopt;
        int x = 0, y = 0, w = 0, h = 0, seen = 0;
        for (const QString& line : info->split(QLatin1Char('\n'))) {
            const QString t = line.trimmed();
            const auto value = [&](const char* key, int& out) {
                if (t.startsWith(QLatin1String(key))) {
                    out = t.section(QLatin1Char(':'), 1).trimmed().toInt();
                    ++seen;
                }
            };
            value("Absolute upper-left X:", x);
            value("Absolute upper-left Y:", y);
            value("Width:", w);
            value("Height:", h);
        }
        if (seen != 4)
            return std::nullopt;
        return QRect(x, y, w, h);
    }

    // The windows the window manager manages, bottom first, as it stacks
    // them (the root window's _NET_CLIENT_LIST_STACKING); ids in decimal, as
    // xdotool gives them.
    std::optional<QStringList> stackingOrder() const
    {
        const auto property = run(QStringLiteral("xprop"),
                                  {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")}, 30000);
        if (!property || !property->contains(QLatin1String("window id #")))
            return std::nullopt;
        return WindowIds(*property);
    }

    // The window whose transient window is (its WM_TRANSIENT_FOR): the one
    // the window manager keeps it over; nothing when it names none.
    std::optional<QString> transientFor(const QString& window) const
    {
        const auto property = run(QStringLiteral("xprop"),
                                  {QStringLiteral("-id"), window, QStringLiteral("WM_TRANSIENT_FOR")}, 30000);
        if (!property)
            return std::nullopt;
        const QStringList ids = WindowIds(*property);
        if (ids.size() != 1)
            return std::nullopt;
        return ids.front();
    }

    // Asks done until it says true; false when timeoutMs passed first. For
    // what the X server shows only some time after the program acted.
    static bool waitUntil(const std::function<bool()>& done, int timeoutMs = 10000)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (!done()) {
            if (deadline.hasExpired())
                return false;
        }
        return true;
    }

private:
    // The window ids xprop lists after "window id #", in decimal.
    static QStringList WindowIds(const QString& property)
    {
        QStringList ids;
        for (QString id : property.section(QLatin1Char('#'), 1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            bool ok = false;
            const qulonglong value = id.trimmed().toULongLong(&ok, 16);
            if (ok)
                ids.append(QString::number(value));
        }
        return ids;
    }

    std::optional<QString> run(const QString& program, const QStringList& arguments, int timeoutMs) const
    {
        QProcess tool;
        tool.setProcessEnvironment(environment());
        tool.start(program, arguments);
        if (!tool.waitForFinished(timeoutMs)) {
            tool.kill();
            tool.waitForFinished();
            return std::nullopt;
        }
        if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
            return std::nullopt;
        QString out = QString::fromUtf8(tool.readAllStandardOutput());
        while (out.endsWith(QLatin1Char('\n')))
            out.chop(1);
        return out;
    }

    // openbox has taken the display once the root window names it as the
    // window manager; until then a window would be placed by nobody. An
    // openbox that ended (it could not open the display) never will.
    bool waitForWindowManager()
    {
        const QDeadlineTimer deadline(60000);
        while (!deadline.hasExpired()) {
            const auto root = run(QStringLiteral("xprop"),
                                  {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")}, 30000);
            if (root && root->contains(QLatin1String("window id #")))
                return true;
            // Without an event loop only a wait notices that the process ended.
            if (m_windowManager.waitForFinished(50) || m_windowManager.state() == QProcess::NotRunning)
                return false;
        }
        return false;
    }

    QProcess m_server;
    QProcess m_windowManager;
    QString m_name;
};

} // namespace x_display
