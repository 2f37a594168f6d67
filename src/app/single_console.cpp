#include "app/single_console.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

#include "platform/path_text.h"
#include "platform/timer_table.h"

namespace {

constexpr char kMagic[] = "QSXH";
constexpr qsizetype kHeaderBytes = 8;

} // namespace

QString ConsoleHandOffName(std::uint16_t pcPort)
{
    // Per user (another user's console is not ours to drive) and per port
    // (a console on another port is a console of its own).
    return QStringLiteral("Quellon-Corvane-%1-%2").arg(::getuid()).arg(pcPort);
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
    return answer.startsWith(kHandOffAccepted) ? HandOffResult::Delivered : HandOffResult::NoAnswer;
}

ConsoleHandOffServer::ConsoleHandOffServer(QString name, TimerTable& timers, OpenAction open, QObject* parent)
    : QObject(parent), m_name(std::move(name)), m_timers(timers), m_open(std::move(open))
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
}

bool ConsoleHandOffServer::listen()
{
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
