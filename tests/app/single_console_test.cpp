// One console per receive port: the hand-off of a project from a second
// start to the console already running, and what the running console does
// with it.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>

#include "app/single_console.h"
#include "platform/timer_table.h"
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

// A second start: its calls block, so they run on a thread of their own
// while this one serves the running console's event loop.
template <typename Result>
Result FromAnotherStart(const std::function<Result()>& start)
{
    std::atomic<bool> finished{false};
    Result result{};
    std::thread thread([&] {
        result = start();
        finished = true;
    });
    ProcessUntil([&] { return finished.load(); });
    thread.join();
    return result;
}

HandOffResult HandOverFromAnotherStart(const QString& name, const QString& path)
{
    return FromAnotherStart<HandOffResult>([&] { return HandOffToRunningConsole(name, path); });
}

class HandOff : public ::testing::Test {
protected:
    // The port's lock, taken as a start that becomes the console takes it.
    ConsolePortLock TakenLock()
    {
        ConsolePortLock lock(m_lockPath);
        EXPECT_TRUE(lock.tryTake());
        return lock;
    }
    bool Listen() { return m_server.listen(TakenLock()); }

    QTemporaryDir m_runtime;
    QString m_lockPath = m_runtime.filePath(QStringLiteral("console.lock"));
    ManualClock m_clock;
    ManualTimerTable m_timers{m_clock};
    QStringList m_opened;
    bool m_taking = true;
    QString m_name = UniqueName();
    ConsoleHandOffServer m_server{m_name, m_timers, [this](const QString& path) { m_opened.append(path); },
                                  [this] { return m_taking; }};
};

} // namespace

TEST(HandOffName, SeparatesPortsAndCarriesTheUser)
{
    EXPECT_NE(ConsoleHandOffName(2000), ConsoleHandOffName(2001));
    EXPECT_TRUE(ConsoleHandOffName(2000).contains(QString::number(::getuid())));
    EXPECT_TRUE(ConsoleHandOffName(2000).endsWith(QStringLiteral("-2000")));
    // The lock of a port lies in the session's runtime folder.
    EXPECT_NE(ConsoleLockPath(2000), ConsoleLockPath(2001));
    EXPECT_EQ(QFileInfo(ConsoleLockPath(2000)).absolutePath(),
              QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).absolutePath());
    EXPECT_TRUE(ConsoleLockPath(2000).endsWith(QStringLiteral("-2000.lock")));
}

// One holder at a time, until it goes: not kept by a program it started.
// The file stays, so a start waiting on it never waits on a file unlinked.
TEST(ConsolePortLockTest, OneHolderUntilItGoesAndNotItsChildren)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("console.lock"));
    ConsolePortLock waiting(path);
    {
        ConsolePortLock first(path);
        EXPECT_TRUE(first.tryTake());
        EXPECT_FALSE(waiting.tryTake());
        ConsolePortLock moved = std::move(first);
        EXPECT_TRUE(moved.held());
        EXPECT_FALSE(first.held());
        EXPECT_FALSE(waiting.tryTake());

        QProcess child; // a program the console starts, alive after the console let go
        child.start(QStringLiteral("cat"), {});
        ASSERT_TRUE(child.waitForStarted(10000));
        moved = ConsolePortLock();
        EXPECT_TRUE(waiting.tryTake());
        child.closeWriteChannel();
        EXPECT_TRUE(child.waitForFinished(10000));
    }
    EXPECT_TRUE(waiting.held());
    EXPECT_TRUE(QFile::exists(path));

    // Without a folder for the file nothing guards the port: the start goes on.
    ConsolePortLock nowhere(dir.filePath(QStringLiteral("missing/console.lock")));
    EXPECT_TRUE(nowhere.tryTake());
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
    ASSERT_TRUE(Listen());
    EXPECT_EQ(HandOverFromAnotherStart(m_name, QStringLiteral("/shows/Gala.qsx")), HandOffResult::Delivered);
    EXPECT_EQ(HandOverFromAnotherStart(m_name, QString()), HandOffResult::Delivered);
    EXPECT_EQ(m_opened, QStringList({QStringLiteral("/shows/Gala.qsx"), QString()}));
    EXPECT_EQ(m_server.pendingSenders(), 0);
}

// However many connections come and go (a loop of connect-and-close, or
// starts that hand nothing over), the console keeps nothing of them: no
// timer in its table and no object of theirs.
TEST(HandOffWithTheProgramsTimers, ConnectionsComeAndGoWithoutLeavingAnything)
{
    QTemporaryDir runtime;
    ConsolePortLock lock(runtime.filePath(QStringLiteral("console.lock")));
    ASSERT_TRUE(lock.tryTake());
    QtTimerTable timers;
    const QString name = UniqueName();
    int opened = 0;
    ConsoleHandOffServer server(name, timers, [&](const QString&) { ++opened; });
    ASSERT_TRUE(server.listen(std::move(lock)));
    const auto settle = [] {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    settle();
    const qsizetype timerObjects = timers.children().size();
    const qsizetype serverObjects = server.children().size();

    constexpr int kConnections = 20000;
    for (int i = 0; i < kConnections; ++i) {
        QLocalSocket client;
        client.connectToServer(name);
        ASSERT_TRUE(client.waitForConnected(5000)) << i;
        // Every tenth one hands a whole request over; the others say nothing.
        if (i % 10 == 0) {
            client.write(EncodeHandOff(QString()));
            client.flush();
            ASSERT_TRUE(ProcessUntil([&] { return opened == i / 10 + 1; })) << i;
        }
        client.disconnectFromServer();
        if (i % 100 == 99) {
            ASSERT_TRUE(ProcessUntil([&] { return server.pendingSenders() == 0; })) << i;
        }
    }
    // The last connections may still be on their way in.
    EXPECT_TRUE(ProcessUntil([&] {
        settle();
        return timers.children().size() == timerObjects && server.children().size() == serverObjects;
    })) << timers.children().size() << " timer objects, " << server.children().size() << " server objects";
    EXPECT_EQ(opened, kConnections / 10);
}

TEST_F(HandOff, NobodyListeningOrAnotherPortMeansStartingAConsole)
{
    EXPECT_EQ(HandOffToRunningConsole(m_name, QStringLiteral("/a.qsx")), HandOffResult::NoConsole);
    ConsolePortLock lock(m_lockPath);
    EXPECT_EQ(HandOffOrBecomeConsole(m_name, QStringLiteral("/a.qsx"), lock), StartRole::Console);
    EXPECT_TRUE(lock.held());
    ASSERT_TRUE(m_server.listen(std::move(lock)));
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
    ASSERT_TRUE(Listen());
    EXPECT_EQ(HandOverFromAnotherStart(m_name, QStringLiteral("/a.qsx")), HandOffResult::Delivered);
    EXPECT_EQ(m_opened, QStringList{QStringLiteral("/a.qsx")});
}

// Whatever a stranger writes (or does not write), the console opens nothing,
// lets go of it, and still takes the next real request.
TEST_F(HandOff, GarbageAndSilentSendersAreDroppedWithoutHarm)
{
    ASSERT_TRUE(Listen());
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

// A console that does not take requests now (still starting, or ending)
// refuses them unanswered, and a start tells that from a console that keeps
// the connection without answering.
TEST_F(HandOff, AConsoleThatDoesNotTakeRequestsRefusesThemUnanswered)
{
    ASSERT_TRUE(Listen());
    m_taking = false;
    EXPECT_EQ(HandOverFromAnotherStart(m_name, QStringLiteral("/a.qsx")), HandOffResult::Refused);
    EXPECT_TRUE(m_opened.isEmpty());
    EXPECT_EQ(m_server.pendingSenders(), 0);

    m_taking = true;
    ConsolePortLock lock(m_lockPath);
    EXPECT_EQ(FromAnotherStart<StartRole>(
                  [&] { return HandOffOrBecomeConsole(m_name, QStringLiteral("/b.qsx"), lock); }),
              StartRole::HandedOver);
    EXPECT_FALSE(lock.held());
    EXPECT_EQ(m_opened, QStringList{QStringLiteral("/b.qsx")});

    QLocalServer deaf; // listens, never answers
    ASSERT_TRUE(deaf.listen(UniqueName()));
    EXPECT_EQ(HandOffToRunningConsole(deaf.serverName(), QStringLiteral("/c.qsx"), 200), HandOffResult::NoAnswer);
}

// Two starts at once: the one without the lock never clears the name of the
// console that holds it, and hands its request over instead.
TEST_F(HandOff, OnlyTheLockHolderClearsANameInTheWay)
{
    ASSERT_TRUE(Listen());
    ManualTimerTable otherTimers{m_clock};
    ConsoleHandOffServer other{m_name, otherTimers, [](const QString&) { ADD_FAILURE() << "second console"; }};
    EXPECT_FALSE(other.listen(ConsolePortLock(m_lockPath)));
    EXPECT_EQ(HandOverFromAnotherStart(m_name, QStringLiteral("/a.qsx")), HandOffResult::Delivered);
    EXPECT_EQ(m_opened, QStringList{QStringLiteral("/a.qsx")});
}

// A start that meets a console on its way out (it refuses the request and
// still holds the lock) waits for it to let go and becomes the console; one
// whose console never lets go gives up after its time.
TEST_F(HandOff, AStartWaitsForAnEndingConsoleToLetGo)
{
    ConsolePortLock lock(m_lockPath);
    {
        // Holds the lock and never listens: a console stuck on its way in.
        const ConsolePortLock stuck = TakenLock();
        EXPECT_EQ(HandOffOrBecomeConsole(m_name, QStringLiteral("/a.qsx"), lock, 100), StartRole::NoAnswer);
        EXPECT_FALSE(lock.held());
    }

    int refusals = 0;
    ManualTimerTable endingTimers{m_clock};
    auto ending = std::make_unique<ConsoleHandOffServer>(
        m_name, endingTimers, [](const QString&) { ADD_FAILURE() << "an ending console opened a file"; },
        [&refusals] {
            ++refusals;
            return false;
        });
    ASSERT_TRUE(ending->listen(TakenLock()));

    std::atomic<bool> finished{false};
    StartRole role = StartRole::NoAnswer;
    std::thread start([&] {
        role = HandOffOrBecomeConsole(m_name, QStringLiteral("/a.qsx"), lock, 10000);
        finished = true;
    });
    EXPECT_TRUE(ProcessUntil([&] { return refusals > 0; }));
    EXPECT_FALSE(finished);
    ending.reset(); // the console lets go of its name and its lock
    EXPECT_TRUE(ProcessUntil([&] { return finished.load(); }));
    start.join();
    EXPECT_EQ(role, StartRole::Console);
    EXPECT_TRUE(lock.held());
    EXPECT_EQ(HandOffToRunningConsole(m_name, QString()), HandOffResult::NoConsole); // its name went with it
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

// A project handed over while the exit question is up waits for the
// question's answer to be carried out: its own question ("Save changes to
// current project before opening?") never runs inside the exit question's,
// also when the question is closed in the very moment the wait ticks. Closed
// (Cancel), the exit question leaves the console running, and the project's
// question follows from the console's own loop.
TEST_F(HandedOver, TheExitQuestionsCancelIsCarriedOutBeforeTheProjectsQuestion)
{
    const QString exitQuestion = QStringLiteral("Do you want to save any changes you made?");
    QStringList asked;
    bool exitQuestionOpen = false;
    QStringList askedDuringExitQuestion;
    SetMessageBoxHandler([&](MessageBoxKind, const QString& text) {
        asked.append(text);
        if (exitQuestionOpen)
            askedDuringExitQuestion.append(text);
        if (text != exitQuestion)
            return IDNO;
        exitQuestionOpen = true;
        m_dlg->OnProjectHandedOver(m_project);
        // The wait ticks while the question goes away.
        m_timers.advance(250);
        exitQuestionOpen = false;
        return IDCANCEL;
    });
    m_dlg->OnCommand(ID_APP_EXIT);
    EXPECT_TRUE(askedDuringExitQuestion.isEmpty()) << askedDuringExitQuestion.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(m_dlg->isShutDown());
    EXPECT_EQ(asked.join(QLatin1Char('|')).toStdString(), exitQuestion.toStdString());

    m_timers.advance(250);
    EXPECT_EQ(asked, QStringList({exitQuestion, kOpenQuestion})) << asked.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(m_dlg->windowTitle(), QStringLiteral(" Corvane - Gala.qsx"));
    EXPECT_FALSE(m_timers.isArmed(Dlg::kTimerHandOffWait));
}

// A project handed over while the operator is asked whether to end is not
// opened under the question; when the console then shuts down it is kept,
// for the console that follows to open.
TEST_F(HandedOver, AProjectTakenWhileTheConsoleEndsIsKeptForTheNextConsole)
{
    QDialog question(m_dlg.get());
    question.setModal(true);
    question.show();
    m_dlg->OnProjectHandedOver(m_project);
    m_saveAnswer = IDNO;
    ASSERT_TRUE(m_dlg->QuerySaveAndShutDown());
    question.close();
    m_timers.advance(250);

    EXPECT_EQ(m_dlg->unopenedHandOff(), m_project);
    EXPECT_FALSE(m_questions.contains(kOpenQuestion));
    EXPECT_EQ(m_dlg->windowTitle(), QStringLiteral(" Corvane - New Project"));
    EXPECT_FALSE(m_timers.isArmed(Dlg::kTimerHandOffWait));
}
