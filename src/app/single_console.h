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

// What travels over the local socket: "QSXH", the length of the path in
// four bytes (most significant first), then the path's own bytes
// (NativeFromPath), UTF-8 or not. An empty path only asks the console to
// come to the front.
// The console answers kHandOffAccepted once it has the whole request.
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
    NoAnswer,  // something listens but did not take the request in time
};
// Hands an absolute project path (empty: none) to the console listening
// under name. Blocks for at most about timeoutMs; runs before any event loop.
HandOffResult HandOffToRunningConsole(const QString& name, const QString& path, int timeoutMs = 5000);

// The running console's end: takes requests without ever blocking the
// console. Each sender has a bounded time (on the given timer table) and a
// bounded size to deliver its request; anything else is dropped unheard.
class ConsoleHandOffServer final : public QObject {
    Q_OBJECT
public:
    using OpenAction = std::function<void(const QString& path)>;
    static constexpr int kReadTimeoutMs = 3000;

    // The timer table is used by this server alone (it takes its handler).
    ConsoleHandOffServer(QString name, TimerTable& timers, OpenAction open, QObject* parent = nullptr);
    ~ConsoleHandOffServer() override;

    // Starts listening. Called after a hand-off found nobody listening, so a
    // point still in the way was left behind by a console that crashed and
    // is cleared. False when the name cannot be taken.
    bool listen();
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
    QLocalServer* m_server = nullptr;
    QHash<int, Sender> m_senders;
    int m_nextId = 1;
};
