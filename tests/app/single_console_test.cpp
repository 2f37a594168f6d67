// One console per receive port: the hand-off of a project from a second
// start to the console already running, and what the running console does
// with it.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDialog>
#include <QLocalSocket>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>

#include "app/single_console.h"
#include "support/project_window_fixture.h"

namespace {

// A socket name no other test or console uses.
QString UniqueName()
{
    static int serial = 0;
    return QStringLiteral("corvane-test-%1-%2").arg(::getpid()).arg(++serial);
}

// Runs the event loop until done() holds; the bound only keeps a failing
// test finite, local-socket traffic arrives at once.
bool ProcessUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(10000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

// A second start handing over: the client blocks, so it runs on its own
// thread while this one serves the running console's event loop.
HandOffResult HandOverFromAnotherStart(const QString& name, const QString& path)
{
    std::atomic<bool> finished{false};
    HandOffResult result = HandOffResult::NoAnswer;
    std::thread start([&] {
        result = HandOffToRunningConsole(name, path);
        finished = true;
    });
    ProcessUntil([&] { return finished.load(); });
    start.join();
    return result;
}

class HandOff : public ::testing::Test {
protected:
    ManualClock m_clock;
    ManualTimerTable m_timers{m_clock};
    QStringList m_opened;
    QString m_name = UniqueName();
    ConsoleHandOffServer m_server{m_name, m_timers, [this](const QString& path) { m_opened.append(path); }};
};

} // namespace

TEST(HandOffName, SeparatesPortsAndCarriesTheUser)
{
    EXPECT_NE(ConsoleHandOffName(2000), ConsoleHandOffName(2001));
    EXPECT_TRUE(ConsoleHandOffName(2000).contains(QString::number(::getuid())));
    EXPECT_TRUE(ConsoleHandOffName(2000).endsWith(QStringLiteral("-2000")));
}

TEST(HandOffMessage, OnlyAWholeRequestWithAnAbsolutePathIsTaken)
{
    const QByteArray good = EncodeHandOff(QStringLiteral("/home/op/shows/Gala night.qsx"));
    QString path;
    EXPECT_EQ(ParseHandOff(good, &path), HandOffParse::Complete);
    EXPECT_EQ(path, QStringLiteral("/home/op/shows/Gala night.qsx"));
    EXPECT_EQ(ParseHandOff(EncodeHandOff(QString()), &path), HandOffParse::Complete);
    EXPECT_TRUE(path.isEmpty());

    QByteArray huge("QSXH");
    huge.append(char(0)).append(char(0)).append(char(0x40)).append(char(1)); // 16385 bytes announced
    const struct {
        QByteArray bytes;
        HandOffParse expected;
    } cases[] = {
        {QByteArray(), HandOffParse::Incomplete},
        {good.left(3), HandOffParse::Incomplete},
        {good.left(8), HandOffParse::Incomplete},
        {good.chopped(1), HandOffParse::Incomplete},
        {good + "x", HandOffParse::Invalid},                        // more than was announced
        {QByteArray("GET / HTTP/1.1\r\n"), HandOffParse::Invalid},  // somebody else's protocol
        {huge, HandOffParse::Invalid},                              // too long to be a path
        {EncodeHandOff(QStringLiteral("shows/a.qsx")), HandOffParse::Invalid}, // not absolute
        {EncodeHandOff(QStringLiteral("/a")).replace(8, 1, QByteArray(1, '\0')), HandOffParse::Invalid},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseHandOff(c.bytes, &path), c.expected) << c.bytes.toHex().toStdString();
}

// A file name that is not UTF-8 arrives by its bytes and goes out again by
// the same bytes.
TEST(HandOffMessage, CarriesTheBytesOfANameThatIsNotUtf8)
{
    const QByteArray name("/home/op/shows/latin1-\xe9\xff.qsx");
    QByteArray request("QSXH");
    request.append(char(0)).append(char(0)).append(char(0)).append(char(name.size()));
    request += name;
    QString path;
    ASSERT_EQ(ParseHandOff(request, &path), HandOffParse::Complete);
    EXPECT_EQ(EncodeHandOff(path), request);
}

TEST_F(HandOff, TheRunningConsoleTakesThePathAndAnEmptyRequest)
{
    ASSERT_TRUE(m_server.listen());
    EXPECT_EQ(HandOverFromAnotherStart(m_name, QStringLiteral("/shows/Gala.qsx")), HandOffResult::Delivered);
    EXPECT_EQ(HandOverFromAnotherStart(m_name, QString()), HandOffResult::Delivered);
    EXPECT_EQ(m_opened, QStringList({QStringLiteral("/shows/Gala.qsx"), QString()}));
    EXPECT_EQ(m_server.pendingSenders(), 0);
}

TEST_F(HandOff, NobodyListeningOrAnotherPortMeansStartingAConsole)
{
    EXPECT_EQ(HandOffToRunningConsole(m_name, QStringLiteral("/a.qsx")), HandOffResult::NoConsole);
    ASSERT_TRUE(m_server.listen());
    EXPECT_EQ(HandOffToRunningConsole(m_name + QStringLiteral("-other-port"), QStringLiteral("/a.qsx")),
              HandOffResult::NoConsole);
    EXPECT_TRUE(m_opened.isEmpty());
}

// A console that crashed leaves its socket file behind: a start finds nobody
// answering there, takes the name over and is reachable itself.
TEST_F(HandOff, APointLeftByACrashDoesNotBlockAStart)
{
    const QByteArray file = QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + m_name);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(std::size_t(file.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, file.constData(), std::size_t(file.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd); // bound, never listening, never removed
    ASSERT_TRUE(QFile::exists(QFile::decodeName(file)));

    EXPECT_EQ(HandOffToRunningConsole(m_name, QStringLiteral("/a.qsx")), HandOffResult::NoConsole);
    ASSERT_TRUE(m_server.listen());
    EXPECT_EQ(HandOverFromAnotherStart(m_name, QStringLiteral("/a.qsx")), HandOffResult::Delivered);
    EXPECT_EQ(m_opened, QStringList{QStringLiteral("/a.qsx")});
}

// Whatever a stranger writes (or does not write), the console opens nothing,
// lets go of it, and still takes the next real request.
TEST_F(HandOff, GarbageAndSilentSendersAreDroppedWithoutHarm)
{
    ASSERT_TRUE(m_server.listen());
    const QByteArray flood = QByteArray("QSXH\x00\x00\x00\x10", 8) + QByteArray(100000, 'x');
    for (const QByteArray& garbage : {QByteArray("hello\n"), flood, EncodeHandOff(QStringLiteral("relative.qsx"))}) {
        QLocalSocket stranger;
        stranger.connectToServer(m_name);
        ASSERT_TRUE(stranger.waitForConnected(5000));
        stranger.write(garbage);
        EXPECT_TRUE(ProcessUntil([&] { return stranger.state() == QLocalSocket::UnconnectedState; }))
            << garbage.left(16).toStdString();
        EXPECT_EQ(m_server.pendingSenders(), 0);
    }

    // Half a request, then silence: the console does not wait for the rest.
    QLocalSocket silent;
    silent.connectToServer(m_name);
    ASSERT_TRUE(silent.waitForConnected(5000));
    silent.write(EncodeHandOff(QStringLiteral("/a.qsx")).left(10));
    ASSERT_TRUE(ProcessUntil([&] { return m_server.pendingSenders() == 1; }));
    m_timers.advance(ConsoleHandOffServer::kReadTimeoutMs - 1);
    EXPECT_EQ(m_server.pendingSenders(), 1);
    m_timers.advance(1);
    EXPECT_EQ(m_server.pendingSenders(), 0);
    EXPECT_TRUE(ProcessUntil([&] { return silent.state() == QLocalSocket::UnconnectedState; }));

    EXPECT_TRUE(m_opened.isEmpty());
    EXPECT_EQ(HandOverFromAnotherStart(m_name, QStringLiteral("/b.qsx")), HandOffResult::Delivered);
    EXPECT_EQ(m_opened, QStringList{QStringLiteral("/b.qsx")});
}

namespace {

using Dlg = CQuellonKR9SeriesDlg;

// The running console's window, on a receive port of its own once its
// network starts.
class HandedOver : public console_test::ProjectWindowFixture {
protected:
    void SetUp() override
    {
        ProjectWindowFixture::SetUp();
        BuildShownOnOwnPort();
        m_project = MakeProject(QStringLiteral("Gala.qsx"));
    }
    QString m_project;
};

const QString kOpenQuestion = QStringLiteral("Save changes to current project before opening?");

} // namespace

TEST_F(HandedOver, AProjectIsOpenedAsOpenWouldAfterTheSaveQuestion)
{
    m_dlg->setWindowState(Qt::WindowMinimized);
    m_dlg->OnProjectHandedOver(m_project);
    EXPECT_FALSE(m_dlg->isMinimized());
    EXPECT_EQ(m_questions, QStringList{kOpenQuestion});
    EXPECT_TRUE(m_messages.isEmpty());
    EXPECT_TRUE(m_chooserCalls.empty()); // the file is already chosen
    EXPECT_EQ(m_dlg->windowTitle(), QStringLiteral(" Corvane - Gala.qsx"));
    EXPECT_EQ(g_szProjectPath, m_project);
    EXPECT_TRUE(g_bProjectHasFile);
}

TEST_F(HandedOver, ACancelledSaveKeepsTheProjectAndNoProjectOnlyComesToTheFront)
{
    // Yes on an untitled project runs Save As; cancelling it ends the open.
    m_answer = m_saveAnswer = IDYES;
    m_dlg->OnProjectHandedOver(m_project);
    EXPECT_EQ(m_questions, QStringList{kOpenQuestion});
    EXPECT_EQ(m_chooserCalls, std::vector<bool>{true});
    EXPECT_EQ(m_dlg->windowTitle(), QStringLiteral(" Corvane - New Project"));
    EXPECT_FALSE(g_bProjectHasFile);

    m_questions.clear();
    m_dlg->setWindowState(Qt::WindowMinimized);
    m_dlg->OnProjectHandedOver(QString());
    EXPECT_FALSE(m_dlg->isMinimized());
    EXPECT_TRUE(m_questions.isEmpty());
    EXPECT_TRUE(m_messages.isEmpty());
    EXPECT_EQ(m_dlg->windowTitle(), QStringLiteral(" Corvane - New Project"));
}

// A project handed over while the operator answers a dialog is opened once
// the dialog has closed, not underneath it.
TEST_F(HandedOver, AProjectWaitsForAnOpenDialog)
{
    QDialog box(m_dlg.get());
    box.setModal(true);
    box.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &box);
    m_dlg->OnProjectHandedOver(m_project);
    m_timers.advance(1000);
    EXPECT_TRUE(m_questions.isEmpty());
    EXPECT_EQ(m_dlg->windowTitle(), QStringLiteral(" Corvane - New Project"));

    box.close();
    m_timers.advance(250);
    EXPECT_EQ(m_questions, QStringList{kOpenQuestion});
    EXPECT_EQ(m_dlg->windowTitle(), QStringLiteral(" Corvane - Gala.qsx"));
    EXPECT_FALSE(m_timers.isArmed(Dlg::kTimerHandOffWait));
}
