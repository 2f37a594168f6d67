#include "app/single_console.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/path_text.h"
#include "platform/timer_table.h"

namespace {

constexpr char kMagic[] = "QSXH";
constexpr qsizetype kHeaderBytes = 8;
// How often a start looks again at a console on its way in or out.
constexpr std::chrono::milliseconds kRetryInterval{10};

} // namespace

QString ConsoleHandOffName(std::uint16_t pcPort)
{
    // Per user (another user's console is not ours to drive) and per port
    // (a console on another port is a console of its own).
    return QStringLiteral("Quellon-Corvane-%1-%2").arg(::getuid()).arg(pcPort);
}

QString ConsoleLockPath(std::uint16_t pcPort)
{
    // The runtime folder is the session's own; without one the lock lies
    // beside the socket, where every start of this user looks alike.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(ConsoleHandOffName(pcPort) + QStringLiteral(".lock"));
}

ConsolePortLock::ConsolePortLock(const QString& path)
{
    // Never removed: a file unlinked while another start waits on it would
    // leave two locks. Not inherited by programs this console starts.
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    m_unguarded = m_fd < 0;
}

ConsolePortLock::~ConsolePortLock()
{
    release();
}

ConsolePortLock::ConsolePortLock(ConsolePortLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_unguarded(std::exchange(other.m_unguarded, false)),
      m_held(std::exchange(other.m_held, false))
{
}

ConsolePortLock& ConsolePortLock::operator=(ConsolePortLock&& other) noexcept
{
    if (this != &other) {
        release();
        m_fd = std::exchange(other.m_fd, -1);
        m_unguarded = std::exchange(other.m_unguarded, false);
        m_held = std::exchange(other.m_held, false);
    }
    return *this;
}

bool ConsolePortLock::tryTake()
{
    if (m_held || m_unguarded)
        return m_held = true;
    if (m_fd < 0)
        return false;
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        return m_held = true;
    // A file system without locks guards nothing: the start goes on as if alone.
    if (errno != EWOULDBLOCK && errno != EINTR)
        return m_held = true;
    return false;
}

void ConsolePortLock::release()
{
    // Closing the file drops the lock.
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_held = false;
}

QByteArray EncodeHandOff(const QString& path)
{
    const QByteArray name = NativeFromPath(path);
    QByteArray bytes(kMagic, 4);
    const auto length = static_cast<std::uint32_t>(name.size());
    for (const int shift : {24, 16, 8, 0})
        bytes.append(static_cast<char>((length >> shift) & 0xFF));
    return bytes + name;
}

HandOffParse ParseHandOff(const QByteArray& bytes, QString* path)
{
    if (!QByteArray(kMagic, 4).startsWith(bytes.left(4)))
        return HandOffParse::Invalid;
    if (bytes.size() < kHeaderBytes)
        return HandOffParse::Incomplete;
    std::uint32_t length = 0;
    for (qsizetype i = 4; i < kHeaderBytes; ++i)
        length = (length << 8) | static_cast<std::uint8_t>(bytes[i]);
    if (length > kMaxHandOffPathBytes)
        return HandOffParse::Invalid;
    const qsizetype total = kHeaderBytes + qsizetype(length);
    if (bytes.size() < total)
        return HandOffParse::Incomplete;
    if (bytes.size() > total)
        return HandOffParse::Invalid;
    const QByteArray name = bytes.mid(kHeaderBytes);
    if (name.contains('\0') || (!name.isEmpty() && !name.startsWith('/')))
        return HandOffParse::Invalid;
    if (path)
        *path = PathFromNative(name);
    return HandOffParse::Complete;
}

HandOffResult HandOffToRunningConsole(const QString& name, const QString& path, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return HandOffResult::NoConsole;
    socket.write(EncodeHandOff(path));
    QByteArray answer;
    while (answer.size() < qsizetype(sizeof kHandOffAccepted - 1)) {
        if (socket.bytesToWrite() > 0)
            socket.waitForBytesWritten(int(deadline.remainingTime()));
        if (!socket.bytesAvailable() && !socket.waitForReadyRead(int(deadline.remainingTime())))
            break;
        answer += socket.readAll();
    }
    if (answer.startsWith(kHandOffAccepted))
        return HandOffResult::Delivered;
    // Closed before it answered: the console did not take the request.
    return socket.state() == QLocalSocket::ConnectedState ? HandOffResult::NoAnswer : HandOffResult::Refused;
}

StartRole HandOffOrBecomeConsole(const QString& name, const QString& path, ConsolePortLock& lock, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        switch (HandOffToRunningConsole(name, path, int(std::max<qint64>(0, deadline.remainingTime())))) {
        case HandOffResult::Delivered:
            return StartRole::HandedOver;
        case HandOffResult::NoAnswer:
            return StartRole::NoAnswer;
        case HandOffResult::NoConsole:
        case HandOffResult::Refused:
            break;
        }
        // Nobody took it. With the lock free the port has no console (a
        // name in the way is stale); held, its console is still starting
        // (it listens a moment after it takes the lock) or is ending.
        if (lock.tryTake())
            return StartRole::Console;
        if (deadline.hasExpired())
            return StartRole::NoAnswer;
        std::this_thread::sleep_for(kRetryInterval);
    }
}

ConsoleHandOffServer::ConsoleHandOffServer(QString name, TimerTable& timers, OpenAction open, TakesRequests takes,
                                           QObject* parent)
    : QObject(parent), m_name(std::move(name)), m_timers(timers), m_open(std::move(open)), m_takes(std::move(takes))
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] { Accept(); });
    m_timers.setHandler([this](int id) { Drop(id); });
}

ConsoleHandOffServer::~ConsoleHandOffServer()
{
    m_timers.setHandler({});
    for (const int id : m_senders.keys())
        m_timers.kill(id);
    // Closing removes the socket file by its name: done while the lock (a
    // member, dropped after this) is still held, it can only be ours.
    m_server->disconnect(this);
    m_server->close();
}

bool ConsoleHandOffServer::listen(ConsolePortLock lock)
{
    // Only the lock's holder may take the name: a name in the way of anyone
    // else may be a live console's, and listening puts a new socket file in
    // place of whatever has the name.
    if (!lock.held())
        return false;
    m_lock = std::move(lock);
    if (m_server->listen(m_name))
        return true;
    if (m_server->serverError() != QAbstractSocket::AddressInUseError)
        return false;
    QLocalServer::removeServer(m_name);
    return m_server->listen(m_name);
}

void ConsoleHandOffServer::Accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        const int id = m_nextId++;
        socket->setParent(this);
        m_senders.insert(id, Sender{socket, {}});
        connect(socket, &QLocalSocket::readyRead, this, [this, id] { Read(id); });
        connect(socket, &QLocalSocket::disconnected, this, [this, id] { Drop(id); });
        // A sender that never finishes is not waited for.
        m_timers.arm(id, kReadTimeoutMs);
        if (socket->bytesAvailable())
            Read(id);
    }
}

void ConsoleHandOffServer::Read(int id)
{
    const auto it = m_senders.find(id);
    if (it == m_senders.end())
        return;
    Sender& sender = *it;
    // Never more than a whole request and one byte: a flood is cut off.
    const qsizetype limit = kHeaderBytes + kMaxHandOffPathBytes + 1;
    sender.bytes += sender.socket->read(limit - sender.bytes.size());
    QString path;
    switch (ParseHandOff(sender.bytes, &path)) {
    case HandOffParse::Incomplete:
        return;
    case HandOffParse::Invalid:
        Drop(id);
        return;
    case HandOffParse::Complete:
        break;
    }
    // A console still starting or already ending does not take it: the
    // sender finds the connection closed unanswered and tries again.
    if (m_takes && !m_takes()) {
        Drop(id);
        return;
    }
    sender.socket->write(kHandOffAccepted, qint64(sizeof kHandOffAccepted - 1));
    sender.socket->flush();
    Drop(id);
    // The sender is answered first: opening may ask the operator a question.
    if (m_open)
        m_open(path);
}

void ConsoleHandOffServer::Drop(int id)
{
    const auto it = m_senders.find(id);
    if (it == m_senders.end())
        return;
    QLocalSocket* socket = it->socket;
    m_senders.erase(it);
    m_timers.kill(id);
    socket->disconnect(this);
    socket->disconnectFromServer();
    socket->deleteLater();
}
