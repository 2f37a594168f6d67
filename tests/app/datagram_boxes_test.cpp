// What the console does when units (or something pretending to be units)
// send datagrams that raise boxes, or send far more than it can take: the
// boxes never stop the handling of later datagrams, never pile up and never
// take the keyboard, and a flood is taken in bounded batches with the event
// loop running between them.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <vector>

#include "app/datagram_boxes.h"
#include "controls/gain_fader.h"
#include "dialogs/modeless_notice.h"
#include "dialogs/self_closing_dialog.h"
#include "dialogs/system_status_dialog.h"
#include "protocol/numbering.h"
#include "protocol/unit_tables.h"
#include "support/emulated_units.h"

namespace {

using namespace console_test;
using Dlg = CQuellonKR9SeriesDlg;
using emu::Model;

// The boxes are shown for real. A modal loop, which no box that a datagram
// raises may run, is noted and closed by a watch that only gets to run
// inside such a loop.
class DatagramBoxesTest : public EmulatedUnitsFixture {
protected:
    void SetUp() override
    {
        EmulatedUnitsFixture::SetUp();
        SetShowMessageHandler({});
        SetMessageBoxHandler({});
        SetNoticeHandler({});
        QObject::connect(&m_modalWatch, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ++m_modalLoops;
                modal->close();
            }
        });
        m_modalWatch.start(0);
    }
    void TearDown() override
    {
        m_modalWatch.stop();
        SetDatagramBoxHandler({});
        EmulatedUnitsFixture::TearDown();
    }

    // Runs the event loop's waiting work until the queue is empty; the
    // number of passes it took.
    int RunUntilDrained()
    {
        int passes = 0;
        while (Net().queuedCount() > 0 && passes < 100) {
            QCoreApplication::sendPostedEvents();
            ++passes;
        }
        return passes;
    }

    QTimer m_modalWatch;
    int m_modalLoops = 0;
};

// Watches every event: the windows raised (each gets a ZOrderChange, seen even
// where the platform keeps no stacking order) and the paints of the faders.
class EventLog : public QObject {
public:
    EventLog() { qApp->installEventFilter(this); }
    ~EventLog() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::ZOrderChange && widget && widget->isWindow())
            raised.push_back(widget);
        faderPaints += event->type() == QEvent::Paint && qobject_cast<CMySlider*>(watched);
        return false;
    }
    std::vector<QWidget*> raised;
    int faderPaints = 0;
};

std::vector<QString> TextsOf(const std::vector<QWidget*>& boxes)
{
    std::vector<QString> texts;
    for (QWidget* box : boxes) {
        if (auto* plain = qobject_cast<QMessageBox*>(box))
            texts.push_back(plain->text());
        else if (auto* label = box->findChild<QLabel*>())
            texts.push_back(label->text());
    }
    return texts;
}

} // namespace

// A datagram that repeats a unit's ID and MAC with another subnet mask, again
// and again, among the reports of healthy units.
TEST_F(DatagramBoxesTest, AnotherSubnetMaskShowsOneBoxPerUnitAndLaterDatagramsAreHandledAtOnce)
{
    const int a = AddUnit(Model::KR960, 1, 1);
    const int b = AddUnit(Model::KR960_8, 2, 2);
    const int c = AddUnit(Model::KR9X, 20, 3);
    for (int unit : {a, b, c})
        Report(unit);

    m_emulator.setSubnetMask(b, 0xFFFF0000);
    for (int n = 0; n < 60; ++n) {
        Send(b);
        Send(c);
        m_clock.advance(50);
    }
    m_emulator.setSubnetMask(a, 0xFF000000);
    Send(a);
    Send(a);
    const std::uint32_t lastSent = std::uint32_t(m_clock.nowMs());
    m_dlg->DrainDatagrams();

    EXPECT_EQ(m_modalLoops, 0);
    EXPECT_EQ(Net().queuedCount(), 0u);
    // One box for each unit, however often it said so.
    const std::vector<QWidget*> boxes = DatagramBoxes::instance().onScreen();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(TextsOf(boxes), (std::vector<QString>{QStringLiteral("Wrong SubnetMask."),
                                                    QStringLiteral("Wrong SubnetMask.")}));
    for (QWidget* box : boxes) {
        EXPECT_TRUE(box->isVisible());
        EXPECT_EQ(box->windowModality(), Qt::NonModal);
        EXPECT_TRUE(box->testAttribute(Qt::WA_ShowWithoutActivating));
    }
    // The healthy unit was heard to the last, and the others stay on line too.
    EXPECT_EQ(g_UnitStatus[36], UNIT_ACTIVE);
    const UnitNodeKR9X* remote = g_Family_KR9X.FindUnit(36);
    ASSERT_NE(remote, nullptr);
    EXPECT_EQ(remote->LastHeardTime, lastSent - 50);
    EXPECT_EQ(m_dlg->m_nKR960UnitCount, 1);
    EXPECT_EQ(m_dlg->m_nKR960_8UnitCount, 1);

    // OK closes a box; the unit's next such datagram opens it again.
    static_cast<QMessageBox*>(boxes[0])->button(QMessageBox::Ok)->click();
    EXPECT_EQ(DatagramBoxes::instance().onScreen().size(), 1u);
    Report(b);
    EXPECT_EQ(DatagramBoxes::instance().onScreen().size(), 2u);
    EXPECT_EQ(m_modalLoops, 0);
}

// One MAC hopping between IDs: every hop sets the slot it left unused.
TEST_F(DatagramBoxesTest, AUnitHoppingBetweenIdsKeepsAFewBoxesUpAndTheOthersWaitOnePerSlot)
{
    const int hopper = AddUnit(Model::KR960, 1, 7);
    for (int n = 0; n < 100; ++n) {
        m_emulator.setUnitId(hopper, 1 + n % 16);
        Send(hopper);
    }
    m_dlg->DrainDatagrams();

    EXPECT_EQ(m_modalLoops, 0);
    EXPECT_EQ(Net().queuedCount(), 0u);
    EXPECT_EQ(g_UnitStatus[UnitNumberToSlot(1 + 99 % 16)], UNIT_ACTIVE);
    EXPECT_EQ(m_dlg->m_nKR960UnitCount, 1);

    // Each of the 16 units was left at least once: three boxes are up, the
    // other thirteen wait, one per unit.
    DatagramBoxes& boxes = DatagramBoxes::instance();
    std::vector<QWidget*> up = boxes.onScreen();
    ASSERT_EQ(int(up.size()), DatagramBoxes::kMaxOnScreen);
    EXPECT_EQ(boxes.waitingCount(), 13);
    EXPECT_EQ(TextsOf(up), (std::vector<QString>{QStringLiteral("Unit 1 has been set to an Unused Unit."),
                                                 QStringLiteral("Unit 2 has been set to an Unused Unit."),
                                                 QStringLiteral("Unit 3 has been set to an Unused Unit.")}));
    for (QWidget* box : up) {
        auto* selfClosing = qobject_cast<CSelfClosingDlg*>(box);
        ASSERT_NE(selfClosing, nullptr);
        EXPECT_FALSE(selfClosing->isModal());
        EXPECT_TRUE(selfClosing->isCloseTimerArmed());
    }

    // As a box closes itself, the next waiting one comes up.
    qobject_cast<CSelfClosingDlg*>(up[0])->OnTimer(CSelfClosingDlg::kTimerClose);
    up = boxes.onScreen();
    ASSERT_EQ(int(up.size()), DatagramBoxes::kMaxOnScreen);
    EXPECT_EQ(boxes.waitingCount(), 12);
    EXPECT_EQ(TextsOf(up).back(), QStringLiteral("Unit 4 has been set to an Unused Unit."));
}

// Notices and boxes that come again while the operator works in the window.
TEST_F(DatagramBoxesTest, NoticesAndBoxesRaisedAgainLeaveTheKeyboardWhereItWas)
{
    const int first = AddUnit(Model::KR9X, 20, 1);
    const int rival = AddUnit(Model::KR9X, 20, 2);
    const int wrongId = AddUnit(Model::KR9X, 5, 3);
    const int masked = AddUnit(Model::KR960, 3, 4);
    Report(first);
    Report(masked);
    Report(rival); // "Unit ID Conflict" comes up
    m_emulator.setSubnetMask(masked, 0xFFFF0000);
    Report(masked); // "Wrong SubnetMask." comes up
    ASSERT_NE(CModeless::current(), nullptr);
    ASSERT_EQ(DatagramBoxes::instance().onScreen().size(), 1u);

    // The operator is back at the scene list.
    m_dlg->show();
    m_dlg->activateWindow();
    QCoreApplication::processEvents();
    m_dlg->sceneList()->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::activeWindow(), m_dlg.get());
    ASSERT_EQ(QApplication::focusWidget(), m_dlg->sceneList());

    for (int n = 0; n < 5; ++n) {
        Send(rival);
        Send(wrongId);
        Send(masked);
    }
    m_dlg->DrainDatagrams();
    QCoreApplication::processEvents();

    // The notice still says what it opened with.
    CModeless::current()->OnTimer(CModeless::kTimerShowTexts);
    EXPECT_EQ(CModeless::current()->windowTitle(), QStringLiteral("Unit ID Conflict"));
    EXPECT_TRUE(CModeless::current()->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(QApplication::activeWindow(), m_dlg.get());
    EXPECT_EQ(QApplication::focusWidget(), m_dlg->sceneList());
    EXPECT_EQ(m_modalLoops, 0);
    m_dlg->hide();
}

// Notices and boxes raised while the exit question is up stay below it.
TEST_F(DatagramBoxesTest, NoticesAndBoxesStayBelowAQuestionTheOperatorMustAnswer)
{
    m_modalWatch.stop(); // the question is answered below
    const int first = AddUnit(Model::KR9X, 20, 1);
    const int rival = AddUnit(Model::KR9X, 20, 2);
    const int masked = AddUnit(Model::KR960, 3, 4);
    Report(first);
    Report(masked);
    m_emulator.setSubnetMask(masked, 0xFFFF0000);

    EventLog log;
    const auto sendBoth = [&] {
        Send(rival);
        Send(masked);
        m_dlg->DrainDatagrams();
    };
    QTimer::singleShot(0, [&] {
        QWidget* question = QApplication::activeModalWidget();
        ASSERT_NE(question, nullptr);
        for (int n = 0; n < 3; ++n)
            sendBoth();
        // Only the question was put back on top, as each window came up.
        EXPECT_EQ(log.raised, (std::vector<QWidget*>{question, question}));
        EXPECT_EQ(QApplication::activeModalWidget(), question);
        QTest::keyClick(question, 'c'); // Cancel: the program goes on
    });
    EXPECT_FALSE(m_dlg->QuerySaveAndShutDown());

    // With the question answered, the next such datagrams bring them forward.
    log.raised.clear();
    sendBoth();
    ASSERT_EQ(DatagramBoxes::instance().onScreen().size(), 1u);
    const std::vector<QWidget*> expected{CModeless::current(), DatagramBoxes::instance().onScreen().front()};
    EXPECT_EQ(log.raised, expected);
    EXPECT_EQ(m_modalLoops, 0);
}

// More datagrams than one batch: the event loop's waiting work runs between batches.
TEST_F(DatagramBoxesTest, AFloodIsTakenInBatchesOfBoundedCount)
{
    const int unit = AddUnit(Model::KR9X, 20, 1);
    const int total = Dlg::kDrainBatchCount * 2 + 40;
    for (int n = 0; n < total; ++n)
        Send(unit);
    // Work that was waiting before the flood's next batch, such as a paint or a key.
    std::vector<std::uint64_t> handledBefore;
    QMetaObject::invokeMethod(
        qApp, [&] { handledBefore.push_back(Net().deliveredCount()); }, Qt::QueuedConnection);

    const int passes = RunUntilDrained();
    ASSERT_EQ(handledBefore.size(), 1u);
    EXPECT_EQ(handledBefore[0], std::uint64_t(Dlg::kDrainBatchCount));
    EXPECT_EQ(passes, 3);
    EXPECT_EQ(Net().deliveredCount(), std::uint64_t(total));
    EXPECT_EQ(Net().droppedDatagrams.load(), 0u);
    EXPECT_EQ(g_UnitStatus[36], UNIT_ACTIVE);
}

// Datagrams that are slow to handle: a batch ends once its time is up, on the
// program's clock.
TEST_F(DatagramBoxesTest, AFloodIsTakenInBatchesOfBoundedTime)
{
    int notices = 0;
    SetNoticeHandler([&](const QString&, const QString&, bool) {
        ++notices;
        m_clock.advance(1); // each notice takes a millisecond
    });
    const int wrongId = AddUnit(Model::KR9X, 5, 1);
    for (int n = 0; n < 30; ++n)
        Send(wrongId);
    std::vector<int> noticesBefore;
    QMetaObject::invokeMethod(qApp, [&] { noticesBefore.push_back(notices); }, Qt::QueuedConnection);

    RunUntilDrained();
    ASSERT_EQ(noticesBefore.size(), 1u);
    EXPECT_EQ(noticesBefore[0], Dlg::kDrainBatchMs);
    EXPECT_EQ(notices, 30);
}

// What the console could not take in time is counted where the operator
// looks at the network's health.
TEST_F(DatagramBoxesTest, SystemStatusShowsHowManyDatagramsWereDropped)
{
    Report(AddUnit(Model::KR9X, 20, 1));
    Net().droppedDatagrams = 1234;
    CSystemStatusDialog dlg(m_dlg.get());
    dlg.show();
    const auto* line = qobject_cast<QLabel*>(dlg.GetDlgItem(CSystemStatusDialog::IDC_DROPPED));
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->isVisible());
    EXPECT_EQ(line->text(), QStringLiteral(" Unit datagrams dropped while the console was busy: 1234"));
    EXPECT_EQ(dlg.list()->count(), 1);
    dlg.close();
}


// The faders a unit's report sets paint with the next paint of the views,
// not one by one while the datagram is handled.
TEST_F(DatagramBoxesTest, AUnitComingOnLineOrTakingAnotherIdPaintsItsFadersWithTheNextPaint)
{
    m_dlg->show();
    QCoreApplication::processEvents();
    EventLog log;

    const int unit = AddUnit(Model::KR960, 1, 1);
    const int remote = AddUnit(Model::KR9X, 20, 2);
    Report(unit);
    Report(remote);
    m_emulator.setUnitId(unit, 2); // unit 1 is set unused
    Report(unit);
    EXPECT_EQ(log.faderPaints, 0);
    EXPECT_EQ(m_dlg->FaderPosition(0), 63);
    EXPECT_EQ(m_dlg->FaderPosition(16), kGainCodeAtTop - 20);
    QCoreApplication::processEvents();
    EXPECT_GT(log.faderPaints, 0);
}

// A unit hopping between free IDs keeps the queue full: the units on line
// still get in, stay heard and are polled.
TEST_F(DatagramBoxesTest, UnitsOnLineStayOnLineAndArePolledWhileAUnitHoppingBetweenIdsFillsTheQueue)
{
    const int rack = AddUnit(Model::KR960, 1, 1);
    const int remote = AddUnit(Model::KR9X, 20, 2);
    const int hopper = AddUnit(Model::KR960, 2, 7);
    Report(rack);
    Report(remote);

    const std::uint64_t dealtBefore =
        Net().deliveredCount() + Net().queuedCount() + Net().droppedDatagrams.load();
    std::uint64_t sent = 0;
    const auto send = [&](int unit, bool wait) {
        ASSERT_TRUE(m_emulator.sendReport(unit));
        if (++sent % 64 == 0 || wait) { // at least in steps the socket's own buffer holds
            ASSERT_TRUE(Net().WaitForDealtWith(dealtBefore + sent, kWaitMs));
        }
    };
    const auto hop = [&](int count) {
        for (int n = 0; n < count; ++n) {
            m_emulator.setUnitId(hopper, 2 + int(sent % 15));
            send(hopper, false);
        }
    };
    // The window takes nothing while the units on line report every second.
    hop(int(NetworkCore::queueCapacity()));
    for (int second = 1; second <= 8; ++second) {
        if (second == 5) {
            m_emulator.pump(0);
            m_emulator.clearReceived();
        }
        m_timers.advance(1000);
        send(rack, true);
        send(remote, true);
        hop(50);
    }
    ASSERT_TRUE(Net().WaitForDealtWith(dealtBefore + sent, kWaitMs));
    EXPECT_EQ(Net().droppedReports.load(), 0u);
    // Polled in the last four seconds, which hold one tick of the poll.
    m_emulator.pump(0);
    EXPECT_EQ(m_emulator.receivedCount(rack, emu::Kind::State), 1u);
    EXPECT_EQ(m_emulator.receivedCount(remote, emu::Kind::State), 1u);

    while (Net().queuedCount() > 0)
        m_dlg->DrainDatagrams();
    for (const std::size_t slot : {1u, 36u}) {
        EXPECT_EQ(g_UnitOnline[slot], 1) << slot;
        EXPECT_EQ(g_UnitStatus[slot], UNIT_ACTIVE) << slot;
    }
    EXPECT_EQ(m_modalLoops, 0);
}
