#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

class QLocalServer;
class QLocalSocket;
class TimerTable;

// One console per receive port: a console started while another one already
// listens on the same port hands its project file over through a local
// socket and ends, and the running console opens it.

// The local socket name of the console receiving on pcPort, for this user.
QString ConsoleHandOffName(std::uint16_t pcPort);

// The file whose lock marks the console of pcPort, for this user: in the
// session's runtime folder, else beside the socket.
QString ConsoleLockPath(std::uint16_t pcPort);

// The mark of the one console of a port. A start takes it before it becomes
// the console, and the console keeps it until it has let go of its socket
// name and its receive port; the system drops it with a process that dies.
// So of two starts at once only one becomes the console, and a socket name
// in the way of the holder was left by a console that is gone.
class ConsolePortLock {
public:
    ConsolePortLock() = default;
    explicit ConsolePortLock(const QString& path);
    ~ConsolePortLock();
    ConsolePortLock(ConsolePortLock&& other) noexcept;
    ConsolePortLock& operator=(ConsolePortLock&& other) noexcept;
    ConsolePortLock(const ConsolePortLock&) = delete;
    ConsolePortLock& operator=(const ConsolePortLock&) = delete;

    // Takes the lock without waiting; false while another holds it. Where
    // no lock file can be made, the start goes unguarded (true).
    bool tryTake();
    bool held() const { return m_held; }

private:
    void release();
    int m_fd = -1;
    bool m_unguarded = false;
    bool m_held = false;
};

// What travels over the local socket: "QSXH", the length of the path in
// four bytes (most significant first), then the path's own bytes
// (NativeFromPath), UTF-8 or not. An empty path only asks the console to
// come to the front.
// The console answers kHandOffAccepted once it has the whole request; a
// console that is still starting or already ending closes the connection
// without an answer.
inline constexpr qsizetype kMaxHandOffPathBytes = 16384;
inline constexpr char kHandOffAccepted[] = "OK";
QByteArray EncodeHandOff(const QString& path);

enum class HandOffParse {
    Incomplete, // more bytes are needed
    Complete,   // *path holds the request
    Invalid,    // not a request of this program: the sender is dropped
};
// Reads a request from what a sender wrote so far. Only an absolute path
// (or none) of at most kMaxHandOffPathBytes, with nothing after it, is a request.
HandOffParse ParseHandOff(const QByteArray& bytes, QString* path);

enum class HandOffResult {
    Delivered, // the running console took the request
    NoConsole, // nobody listens (or only a point left behind by a crash)
    Refused,   // the console closed the connection unanswered: it is starting or ending
    NoAnswer,  // something listens but did not take the request in time
};
// Hands an absolute project path (empty: none) to the console listening
// under name. Blocks for at most about timeoutMs; runs before any event loop.
HandOffResult HandOffToRunningConsole(const QString& name, const QString& path, int timeoutMs = 5000);

enum class StartRole {
    HandedOver, // the port's console took the request: this start ends
    Console,    // this start holds the port's lock and is to be its console
    NoAnswer,   // the port's console neither took the request nor let go in time
};
// Hands path to the console of the port, or takes lock and so becomes that
// console. A console that refuses the request, or holds the lock without
// listening, is on its way in or out: it is tried again until it takes the
// request or lets go of the lock, for at most about timeoutMs.
StartRole HandOffOrBecomeConsole(const QString& name, const QString& path, ConsolePortLock& lock,
                                 int timeoutMs = 5000);

// The running console's end: takes requests without ever blocking the
// console. Each sender has a bounded time (on the given timer table) and a
// bounded size to deliver its request; anything else is dropped unheard.
class ConsoleHandOffServer final : public QObject {
    Q_OBJECT
public:
    using OpenAction = std::function<void(const QString& path)>;
    // Whether the console takes a request now; one it does not take is
    // refused unanswered, so its sender tries again. None: always.
    using TakesRequests = std::function<bool()>;
    static constexpr int kReadTimeoutMs = 3000;

    // The timer table is used by this server alone (it takes its handler).
    ConsoleHandOffServer(QString name, TimerTable& timers, OpenAction open, TakesRequests takes = {},
                         QObject* parent = nullptr);
    // Lets go of the name before the lock, so a start that takes the lock
    // never finds the name of a console that has ended.
    ~ConsoleHandOffServer() override;

    // Starts listening as the port's console, which the held lock shows this
    // process to be: a name still in the way was left by a console that
    // crashed, and is cleared. The lock is kept until the server goes. False
    // when the name cannot be taken, or the lock is not held.
    bool listen(ConsolePortLock lock);
    // Senders whose request is still incomplete.
    int pendingSenders() const { return int(m_senders.size()); }

private:
    struct Sender {
        QLocalSocket* socket = nullptr;
        QByteArray bytes;
    };
    void Accept();
    void Read(int id);
    void Drop(int id);

    QString m_name;
    TimerTable& m_timers;
    OpenAction m_open;
    TakesRequests m_takes;
    ConsolePortLock m_lock;
    QLocalServer* m_server = nullptr;
    QHash<int, Sender> m_senders;
    int m_nextId = 1;
};
