// The strip switches and gain faders worked with the pointer inside the main
// window, with what reaches the units read back field by field.
//
// Geometry the cases rely on: a channel-strip fader is 234 px tall with a
// 54-px thumb, so its thumb travels 180 px; on a 63-step fader a thumb top of
// 20·k px is step 7·k. The overview's fader travels 70 px (100-px track,
// 30-px thumb): a thumb top of 10·k px is step 9·k.

#include <QMouseEvent>
#include <QWindow>

#include "support/console_window.h"

namespace {

using console_test::Bytes;
using console_test::Datagram;
using Dlg = CQuellonKR9SeriesDlg;

// Option bytes of the 132-byte units: bit 0 the 16-channel model, bit 2 the
// MIDI card, bit 3 the Dante card.
constexpr int kOptKR960 = 0x09;
constexpr int kOptKR960Midi = 0x05;
constexpr int kOptKR960_8 = 0x08;
constexpr int kOptKR960_8Midi = 0x04;

class ControlPaths : public console_test::ConsoleWindow {
protected:
    void SetUp() override
    {
        ConsoleWindow::SetUp();
        ShowStrips();
        QApplication::processEvents();
        m_window = m_dlg->windowHandle();
    }

    // A 132-byte unit from the crafted first datagram (channel n of the unit:
    // gain code 20 + n, split n & 3, flags 0x21 Pad+Mute, 0x92
    // changed+Pol+48v or 0x04 Rbin by n mod 3), told apart by the last MAC
    // byte; the lists keep the units in the order of that byte.
    static UnitPacket132 First132(int unitId, int option, std::uint8_t macLast)
    {
        UnitPacket132 p = Crafted132::First(std::uint8_t(unitId), std::uint8_t(option));
        return Crafted132::With(p, {{0x08, {0x02}}, {0x0D, {macLast}}, {0x7C, {127, 0, 0, 1}}});
    }
    void Add(int unitId, int option, std::uint8_t macLast)
    {
        HandlePacket132((option & 1) ? g_Family_KR960 : g_Family_KR960_8, First132(unitId, option, macLast),
                        console_test::kLoopback);
        m_capture.Drain();
    }
    // The strips from the given channel on, in view.
    void ScrollTo(int channel) { m_dlg->ScrollStripsBy(channel * CUnderviewWnd::kStripWidth); }

    QPoint InWindow(QWidget* w, QPoint local) const { return m_window->mapFromGlobal(w->mapToGlobal(local)); }
    // The left button's events as the window system hands them to the
    // window: to the widget under the pointer, and while the button is held
    // to the widget that took the press.
    void Mouse(QEvent::Type type, QWidget* over, QPoint local, Qt::MouseButtons held,
               Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        const QPoint at = InWindow(over, local);
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, m_window->mapToGlobal(at), button, held, keys);
        QApplication::sendEvent(m_window, &event);
    }
    void Press(QWidget* w, QPoint local = QPoint(5, 5), Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        Mouse(QEvent::MouseButtonPress, w, local, Qt::LeftButton, keys);
    }
    void Release(QWidget* w, QPoint local = QPoint(5, 5), Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        Mouse(QEvent::MouseButtonRelease, w, local, Qt::NoButton, keys);
    }
    void Move(QWidget* w, QPoint local = QPoint(5, 5), Qt::KeyboardModifiers keys = Qt::NoModifier,
              Qt::MouseButtons held = Qt::LeftButton)
    {
        Mouse(QEvent::MouseMove, w, local, held, keys);
    }
    // A fader drag: the thumb taken grabY px from the fader's top, moved to
    // each y in turn with the keys down, let go at the last.
    void Drag(CMySlider* fader, int grabY, std::initializer_list<int> ys,
              Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        Press(fader, QPoint(10, grabY));
        int last = grabY;
        for (const int y : ys)
            Move(fader, QPoint(10, last = y), keys);
        Release(fader, QPoint(10, last));
    }
    void ExpectNothingSent(const char* what) { EXPECT_FALSE(m_capture.Next(0)) << what; }

    // A control datagram of a 132-byte unit (told by its MAC byte) whose
    // record of the channel within the unit holds the five bytes given.
    static void Expect132(const Datagram& d, int macLast, int record, const Bytes& bytes)
    {
        ASSERT_EQ(d.size(), 132u);
        ExpectHeader(d, 0);
        EXPECT_EQ(d[0x0D], macLast) << "the unit";
        EXPECT_EQ(d[0x21] & 1, macLast == 0x51 || macLast == 0x52 ? 1 : 0) << "the model bit";
        const std::uint8_t* r = &d[0x22 + 5 * std::size_t(record)];
        EXPECT_EQ((Bytes{r[0], r[1], r[2], r[3], r[4]}), bytes) << "record " << record;
    }
    // A control datagram of the KR-9X in slot 33: the record's six bytes.
    static void Expect97(const Datagram& d, int record, const Bytes& bytes)
    {
        ASSERT_EQ(d.size(), 97u);
        ExpectHeader(d, 33);
        const std::uint8_t* r = &d[0x22 + 6 * std::size_t(record)];
        EXPECT_EQ((Bytes{r[0], r[1], r[2], r[3], r[4], r[5]}), bytes) << "record " << record;
    }

    QWindow* m_window = nullptr;
};

} // namespace

// Every Mute switch entered takes the first one's new state; moving inside
// a switch, over other kinds or after the release sends nothing.
TEST_F(ControlPaths, ASweepSendsOneCommandPerSwitchEnteredAtTheUnitOwningIt)
{
    Add(1, kOptKR960, 0x51);   // channels 0..15
    Add(2, kOptKR960_8, 0x53); // channels 16..23
    ScrollTo(12);
    const auto& mute = view->m_pMuteButton;

    Press(mute[13]); // off: goes on
    Move(mute[13], QPoint(20, 12));
    Move(view->m_p48vButton[14]);
    Move(mute[14]);
    Move(mute[14], QPoint(25, 3));
    Move(mute[14], QPoint(4, 20));
    Move(view->m_pPolButton[15]);
    Move(mute[15]); // on already: is sent on again
    Move(mute[16]); // the next unit
    Move(mute[17]);
    Release(mute[17]);
    Move(mute[18], QPoint(5, 5), Qt::NoModifier, Qt::NoButton);

    const std::vector<Datagram> got = Take(5);
    ExpectConsecutive(got);
    // Meter bytes cleared, the gain code and split as stored, the changed
    // bit and Mute (bit 5) set.
    Expect132(got[0], 0x51, 13, {0, 0, 33, 1, 0xB2});
    Expect132(got[1], 0x51, 14, {0, 0, 34, 2, 0xA4});
    Expect132(got[2], 0x51, 15, {0, 0, 35, 3, 0xA1});
    // The 8-channel unit's records carry no split byte.
    Expect132(got[3], 0x53, 0, {0, 0, 20, 0, 0xA1});
    Expect132(got[4], 0x53, 1, {0, 0, 21, 0, 0xB2});

    for (int ch = 13; ch <= 17; ++ch) {
        EXPECT_EQ(mute[std::size_t(ch)]->m_nState, CNewCustomBtn::kOn) << ch;
        EXPECT_EQ(m_dlg->m_wndOverview->m_pMuteButton[std::size_t(ch)]->m_nState, CNewCustomBtn::kOn) << ch;
    }
    EXPECT_EQ(mute[18]->m_nState, CNewCustomBtn::kOff);
    EXPECT_EQ(view->m_p48vButton[14]->m_nState, CNewCustomBtn::kDisabled) << "passed over, untouched";
    EXPECT_EQ(view->m_pPolButton[15]->m_nState, CNewCustomBtn::kOff);
    ASSERT_EQ(g_nUndoCount, 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ((Bytes{g_UndoStack[std::size_t(i)].Channel, g_UndoStack[std::size_t(i)].Control,
                         g_UndoStack[std::size_t(i)].Value}),
                  (Bytes{17 - i, STRIP_MUTE, 1}));
}

// Passed over: a dimmed 48v (Rbin on), the missing half of an 8-channel
// unit's pair and the channels of a pair that holds no unit.
TEST_F(ControlPaths, ASweepPassesOverBlockedSwitches)
{
    Add(2, kOptKR960_8, 0x53); // channels 16..23; 24..31 do not exist; 0..15 have no unit
    ScrollTo(15);
    const auto& phantom = view->m_p48vButton;
    ASSERT_EQ(phantom[18]->m_nState, CNewCustomBtn::kDisabled);

    Press(phantom[19]); // off: goes on
    for (const int ch : {18, 17, 16, 15, 20, 21, 22, 23, 24})
        Move(phantom[std::size_t(ch)]);
    Release(phantom[24]);

    const std::vector<Datagram> got = Take(6);
    // 48v is bit 1; the 8-channel unit leaves Rbin (bit 2) alone.
    Expect132(got[0], 0x53, 3, {0, 0, 23, 0, 0xA3});
    Expect132(got[1], 0x53, 1, {0, 0, 21, 0, 0x92});
    Expect132(got[2], 0x53, 0, {0, 0, 20, 0, 0xA3});
    Expect132(got[3], 0x53, 4, {0, 0, 24, 0, 0x92});
    Expect132(got[4], 0x53, 6, {0, 0, 26, 0, 0xA3});
    Expect132(got[5], 0x53, 7, {0, 0, 27, 0, 0x92});
    EXPECT_EQ(phantom[18]->m_nState, CNewCustomBtn::kDisabled);
    EXPECT_EQ(view->m_pRbinButton[18]->m_nState, CNewCustomBtn::kOn);
    for (const int ch : {15, 24})
        EXPECT_EQ(phantom[std::size_t(ch)]->m_nState, CNewCustomBtn::kOff) << ch;
}

// A press beside the switches or on a dimmed one, or the button held coming
// in, starts no sweep; a double-click toggles once.
TEST_F(ControlPaths, OnlyAPressTakenByASwitchStartsASweep)
{
    Add(1, kOptKR960, 0x51);
    const auto& mute = view->m_pMuteButton;
    const auto& phantom = view->m_p48vButton;

    // Between the Pol and 48v rows of strip 1 there is no control.
    const QPoint beside(CUnderviewWnd::kStripWidth + 20, 102);
    ASSERT_EQ(view->childAt(beside), nullptr);
    Press(view, beside);
    for (const int ch : {1, 2, 4})
        Move(mute[std::size_t(ch)]);
    Release(mute[4]);
    ExpectNothingSent("press beside the switches");

    QTest::mouseClick(m_window, Qt::LeftButton, {}, InWindow(phantom[0], QPoint(5, 5)));
    Take(1); // 48v of channel 0 on: the last command is a 48v one
    ASSERT_EQ(phantom[2]->m_nState, CNewCustomBtn::kDisabled);
    Press(phantom[2]);
    for (const int ch : {3, 6, 7})
        Move(phantom[std::size_t(ch)]);
    Release(phantom[7]);
    ExpectNothingSent("press on a dimmed switch");

    // The button went down outside the window and comes in held.
    for (const int ch : {3, 6, 7})
        Move(phantom[std::size_t(ch)]);
    ExpectNothingSent("button held coming in");
    EXPECT_EQ(phantom[3]->m_nState, CNewCustomBtn::kOff);
    EXPECT_EQ(phantom[6]->m_nState, CNewCustomBtn::kOff);
    EXPECT_EQ(phantom[7]->m_nState, CNewCustomBtn::kOn) << "as the unit reported it";
    EXPECT_EQ(mute[2]->m_nState, CNewCustomBtn::kOff);

    QTest::mouseDClick(m_window, Qt::LeftButton, {}, InWindow(mute[2], QPoint(5, 5)));
    const std::vector<Datagram> got = Take(1);
    Expect132(got[0], 0x51, 2, {0, 0, 22, 2, 0xA4});
    EXPECT_EQ(mute[2]->m_nState, CNewCustomBtn::kOn);
}

// The step holds where the grab started, however far it went, and undo
// sends that gain back.
TEST_F(ControlPaths, AGrabLeavesOneUndoStepAndATrackClickNone)
{
    Add(1, kOptKR960, 0x51);
    CMySlider* fader = Fader(0);
    ASSERT_EQ(Pos(0), 49); // thumb top 140

    Drag(fader, 20, {60, 100}); // pressed above the thumb
    ExpectNothingSent("track click");
    EXPECT_EQ(Pos(0), 49);
    EXPECT_EQ(g_nUndoCount, 0);

    Drag(fader, 150, {90, 70}); // thumb tops 80 and 60: steps 28 and 21
    std::vector<Datagram> got = Take(2);
    // Gain in dB: 63 - step + 6; the changed bit set on Pad+Mute.
    Expect132(got[0], 0x51, 0, {0, 0, 41, 0, 0xA1});
    Expect132(got[1], 0x51, 0, {0, 0, 48, 0, 0xA1});
    EXPECT_EQ(Pos(0), 21);
    ASSERT_EQ(g_nUndoCount, 1);
    EXPECT_EQ((Bytes{g_UndoStack[0].Channel, g_UndoStack[0].Control, g_UndoStack[0].Value}),
              (Bytes{0, UNDO_GAIN, 49}));

    m_dlg->OnCommand(ID_EDIT_UNDO);
    got = Take(1);
    Expect132(got[0], 0x51, 0, {0, 0, 20, 0, 0xA1});
    EXPECT_EQ(Pos(0), 49);
    EXPECT_EQ(g_nUndoCount, 0);

    // A double-click on the thumb is one gesture: one undo step. The window
    // hands the fader the second press as a double-click event.
    QTest::mouseDClick(m_window, Qt::LeftButton, {}, InWindow(fader, QPoint(10, 150)));
    EXPECT_EQ(g_nUndoCount, 1);
    EXPECT_FALSE(g_bFaderDragging);
    ExpectNothingSent("double-click");
    // Held after its second press, the thumb follows the pointer. These
    // events go through the whole of the window system's path, which tells
    // the double-click from two clicks by their equal time stamps.
    ClearUndoHistory();
    const auto feed = [&](QEvent::Type type, int y, Qt::MouseButtons held) {
        const QPoint at = InWindow(fader, QPoint(10, y));
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        qt_handleMouseEvent(m_window, at, m_window->mapToGlobal(at), held, button, type, Qt::NoModifier,
                            1000000000);
    };
    feed(QEvent::MouseButtonPress, 150, Qt::LeftButton);
    feed(QEvent::MouseButtonRelease, 150, Qt::NoButton);
    feed(QEvent::MouseButtonPress, 150, Qt::LeftButton);
    feed(QEvent::MouseMove, 90, Qt::LeftButton);
    feed(QEvent::MouseButtonRelease, 90, Qt::NoButton);
    got = Take(1);
    ASSERT_EQ(got.size(), 1u);
    Expect132(got[0], 0x51, 0, {0, 0, 41, 0, 0xA1});
    ASSERT_EQ(g_nUndoCount, 1);
    EXPECT_EQ(g_UndoStack[0].Value, 49);
}

// Alt wins over Ctrl: the channel alone. Ctrl alone moves the whole unit by
// the same number of steps, each channel sent at its own record.
TEST_F(ControlPaths, TheFaderRoutesAltBeforeCtrl)
{
    Add(1, kOptKR960, 0x51); // channel n at step 49 - n
    CMySlider* fader = Fader(1);
    ASSERT_EQ(Pos(1), 48); // thumb top 137

    Drag(fader, 147, {100}, Qt::AltModifier | Qt::ControlModifier); // thumb top 90: step 32
    std::vector<Datagram> got = Take(1);
    Expect132(got[0], 0x51, 1, {0, 0, 37, 1, 0x92});
    EXPECT_EQ(Pos(0), 49);
    EXPECT_EQ(Pos(2), 47);

    // Channel 1 now at 32 (thumb top 91): to thumb top 70, step 25, 7 up.
    Drag(fader, 101, {80}, Qt::ControlModifier);
    got = Take(16);
    ExpectConsecutive(got);
    const int flags[3] = {0xA1, 0x92, 0x84};
    for (int j = 0; j < 16; ++j) {
        const int gain = j == 1 ? 44 : 27 + j; // 63 - (49 - j - 7) + 6
        Expect132(got[std::size_t(j)], 0x51, j, {0, 0, gain, j & 3, flags[j % 3]});
        EXPECT_EQ(Pos(j), j == 1 ? 25 : 42 - j) << j;
    }
    EXPECT_EQ(g_nUndoCount, 2) << "one step per grab, whatever it moved";

    // Ctrl as far as it goes: the top channel stops at step 0.
    Drag(fader, 85, {5}, Qt::ControlModifier);
    got = Take(16);
    for (int j = 0; j < 16; ++j) {
        const int step = j == 1 ? 0 : 17 - j; // 25 up
        EXPECT_EQ(Pos(j), step) << j;
        Expect132(got[std::size_t(j)], 0x51, j, {0, 0, 69 - step, j & 3, flags[j % 3]});
    }
}

// A plain drag moves the link group at its distances and undo moves it back.
TEST_F(ControlPaths, LinkedDragsKeepTheGroupTogetherAndUndoMovesItBack)
{
    Add(1, kOptKR960, 0x51);
    Group(0, 3); // step 49
    Group(2, 3); // step 47, and takes the group's Mute: its flags 0xA4
    m_capture.Drain();

    Drag(Fader(0), 150, {90, 10}); // steps 28, then 0 held at 2 so channel 2 stays in range
    std::vector<Datagram> got = Take(4);
    Expect132(got[0], 0x51, 0, {0, 0, 41, 0, 0xA1});
    Expect132(got[1], 0x51, 2, {0, 0, 43, 2, 0xA4});
    Expect132(got[2], 0x51, 0, {0, 0, 67, 0, 0xA1});
    Expect132(got[3], 0x51, 2, {0, 0, 69, 2, 0xA4});
    EXPECT_EQ(Pos(0), 2);
    EXPECT_EQ(Pos(2), 0);
    EXPECT_EQ(Pos(1), 48) << "not in the group";

    m_dlg->OnCommand(ID_EDIT_UNDO);
    got = Take(2);
    Expect132(got[0], 0x51, 0, {0, 0, 20, 0, 0xA1});
    Expect132(got[1], 0x51, 2, {0, 0, 22, 2, 0xA4});
    EXPECT_EQ(Pos(2), 47);
}

// Alt or Shift (window managers may keep Alt-drags for themselves), with
// Ctrl or without, takes the dragged member out of its group for the move;
// a moment after the release it re-joins at its new distance.
TEST_F(ControlPaths, AltOrShiftMovesOneMemberAloneAndItRejoinsAtItsNewDistance)
{
    Add(1, kOptKR960, 0x51);
    const struct {
        const char* name;
        Qt::KeyboardModifiers keys;
    } cases[] = {
        {"Alt", Qt::AltModifier},
        {"Shift", Qt::ShiftModifier},
        {"Alt with Ctrl", Qt::AltModifier | Qt::ControlModifier},
        {"Shift with Ctrl", Qt::ShiftModifier | Qt::ControlModifier},
    };
    CMySlider* fader = Fader(0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& [channel, step] : {std::pair{0, 49}, {2, 47}}) {
            g_nCurrentChannel = channel;
            m_dlg->OnCommand(ID_LINK_GROUP_NONE);
            m_dlg->SetFaderBothViews(channel, step);
        }
        Group(0, 3);
        Group(2, 3);
        m_capture.Drain();

        // Channel 0 alone to step 21, its Link off while the fader is held.
        Press(fader, QPoint(10, 150), c.keys);
        Move(fader, QPoint(10, 70), c.keys);
        Expect132(Take(1)[0], 0x51, 0, {0, 0, 48, 0, 0xA1});
        EXPECT_EQ(Pos(2), 47) << "the other member stays";
        EXPECT_EQ(Pos(1), 48) << "the unit block stays";
        EXPECT_EQ(view->m_pLinkButton[0]->m_nState, CNewCustomBtn::kOff);
        m_timers.advance(40);
        EXPECT_EQ(view->m_pLinkButton[0]->m_nState, CNewCustomBtn::kOff) << "still held";
        Release(fader, QPoint(10, 70), c.keys);
        m_timers.advance(20);
        EXPECT_EQ(view->m_pLinkButton[0]->m_nState, CNewCustomBtn::kOn);
        EXPECT_EQ(g_ChannelLinkGroup[0], 3);
        m_capture.Drain(); // re-joining states the group's Mute

        // Together again, 26 steps apart: thumb top 60 to 20, step 21 to 7.
        Drag(fader, 70, {30});
        const std::vector<Datagram> got = Take(2);
        Expect132(got[0], 0x51, 0, {0, 0, 62, 0, 0xA1});
        Expect132(got[1], 0x51, 2, {0, 0, 36, 2, 0xA4});
        EXPECT_EQ(Pos(2), 33);
    }
}

// Undo takes a member back to where its grab found it, which the group's
// range may no longer allow: the move stops at the range, and the read-out
// shows what the fader and the unit then have.
TEST_F(ControlPaths, AnUndoTheGroupsRangeStopsShowsWhereTheFaderStopped)
{
    Add(1, kOptKR960, 0x51); // channels 1 and 2 without Pad
    m_dlg->SetFaderBothViews(1, 56);
    m_dlg->SetFaderBothViews(2, 42);
    Group(1, 3);
    Group(2, 3);
    // Channel 2 alone from step 42 (thumb top 120) to 28 (thumb top 80);
    // it re-joins 28 steps from channel 1.
    CMySlider* fader = Fader(2);
    Press(fader, QPoint(10, 130), Qt::AltModifier);
    Move(fader, QPoint(10, 90), Qt::AltModifier);
    Release(fader, QPoint(10, 90), Qt::AltModifier);
    m_timers.advance(20);
    ASSERT_EQ(view->m_pLinkButton[2]->m_nState, CNewCustomBtn::kOn);
    ASSERT_EQ(Pos(2), 28);
    ASSERT_EQ((Bytes{g_UndoStack[0].Channel, g_UndoStack[0].Control, g_UndoStack[0].Value}),
              (Bytes{2, UNDO_GAIN, 42}));
    m_capture.Drain();

    // Back to 42 would take channel 1 past the bottom: both stop there.
    m_dlg->OnCommand(ID_EDIT_UNDO);
    EXPECT_EQ(Pos(1), 63);
    EXPECT_EQ(Pos(2), 35);
    const std::vector<Datagram> got = Take(2);
    EXPECT_EQ(got[0][0x22 + 5 * 1 + 2], 6);  // dB of step 63
    EXPECT_EQ(got[1][0x22 + 5 * 2 + 2], 34); // dB of step 35
    // The read-outs show 5 dB less than the unit's gain.
    EXPECT_EQ(g_ChannelGainShortText[1], QStringLiteral("+1 "));
    EXPECT_EQ(g_ChannelGainShortText[2], QStringLiteral("+29 "));
    EXPECT_EQ(g_ChannelGainText[2], QStringLiteral("+29 dB"));
}

// A remote unit's faders have 62 steps (0..61) and its gain code carries
// bit 7.
TEST_F(ControlPaths, OnARemoteUnitCtrlAndLinkedDragsKeepToItsRange)
{
    AddKR9X(17, 0x61); // slot 33, channels 256..263, channel 256 + n at step 49 - n
    ScrollTo(256);
    ASSERT_EQ(Pos(256), 49); // thumb top 144 of 180

    // To thumb top 60: step 21 (61 · 60 / 180, rounded up), 28 up for all.
    Drag(Fader(256), 154, {70}, Qt::ControlModifier);
    std::vector<Datagram> got = Take(8);
    const int flags[3] = {0x11, 0x0A, 0x84}; // the gain leaves the switches alone
    for (int j = 0; j < 8; ++j) {
        EXPECT_EQ(Pos(256 + j), 21 - j);
        Expect97(got[std::size_t(j)], j, {0, 0, 0, 0, 0x80 | (48 + j), flags[j % 3]}); // 69 - step dB
    }
    // To the top: channel 263 stops at 0, channel 256 at 7.
    Drag(Fader(256), 70, {10}, Qt::ControlModifier);
    got = Take(8);
    for (int j = 0; j < 8; ++j) {
        EXPECT_EQ(Pos(256 + j), 7 - j);
        Expect97(got[std::size_t(j)], j, {0, 0, 0, 0, 0x80 | (62 + j), flags[j % 3]});
    }

    // Joining sets Link (bit 0) and the group's Mute (bit 4) at the unit.
    Group(256, 1); // step 7
    Group(258, 1); // step 5
    m_capture.Drain();
    // Channel 258 dragged to the bottom: 256 reaches 61 first, 258 stops at 59.
    Drag(Fader(258), 25, {300}); // thumb top 15
    got = Take(2);
    Expect97(got[0], 0, {0, 0, 0, 0, 0x88, 0x91});
    Expect97(got[1], 2, {0, 0, 0, 0, 0x8A, 0x95});
    EXPECT_EQ(Pos(256), 61);
    EXPECT_EQ(Pos(258), 59);
    EXPECT_EQ(Pos(257), 6);
}

// With any keys nothing moves and nothing is sent; the grab still leaves
// its undo step.
TEST_F(ControlPaths, FadersWithoutAUnitOrOfAMidiUnitAreInert)
{
    Add(1, kOptKR960_8, 0x53);    // channels 0..7; 8..15 belong to no unit
    Add(2, kOptKR960Midi, 0x52);  // channels 16..31, run from MIDI
    ASSERT_EQ(g_UnitOption[3], "MIDI");

    for (const Qt::KeyboardModifiers keys : {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ControlModifier),
                                             Qt::KeyboardModifiers(Qt::AltModifier)})
        Drag(Fader(8), 190, {100, 20}, keys); // step 63: thumb top 180
    EXPECT_EQ(Pos(8), 63);
    EXPECT_EQ(g_nUndoCount, 3);
    ExpectNothingSent("no unit");

    ScrollTo(16);
    for (const int ch : {16, 25}) { // both halves of the unit
        for (const Qt::KeyboardModifiers keys :
             {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ControlModifier)})
            Drag(Fader(ch), 150, {60}, keys); // thumb top 140 or below it
        EXPECT_EQ(Pos(ch), 49 - (ch - 16)) << ch;
    }
    EXPECT_EQ(g_nUndoCount, 7);
    ExpectNothingSent("MIDI unit");

    // The unit beside them follows the pointer.
    ScrollTo(-16);
    Drag(Fader(0), 150, {90});
    Expect132(Take(1)[0], 0x53, 0, {0, 0, 41, 0, 0xA1});
}

TEST_F(ControlPaths, TheOverviewsControlsSendTheSameWay)
{
    Add(1, kOptKR960, 0x51);
    m_dlg->OnOverviewButton();
    ASSERT_TRUE(g_bOverviewMode);
    COverviewWnd* overview = m_dlg->m_wndOverview;
    const auto& pol = overview->m_pPolButton;

    Press(pol[2]); // off: on
    Move(pol[3]);
    Release(pol[3]);
    // Fader of channel 1 at step 48: thumb top 53 of 70; to top 10, step 9.
    Drag(overview->m_Slider[1], 60, {17});

    const std::vector<Datagram> got = Take(3);
    Expect132(got[0], 0x51, 2, {0, 0, 22, 2, 0x94}); // Pol is bit 4
    Expect132(got[1], 0x51, 3, {0, 0, 23, 3, 0xB1});
    Expect132(got[2], 0x51, 1, {0, 0, 60, 1, 0x92});
    EXPECT_EQ(view->m_pPolButton[3]->m_nState, CNewCustomBtn::kOn);
    EXPECT_EQ(Pos(1), 9);
    EXPECT_EQ(overview->m_Slider[1]->GetPos(), 9);
}

// The 4-second poll, once a unit datagram has come in: the state to every
// unit of the three models, then, for each slot whose unit has a MIDI card,
// the state once more to every unit of that slot's model.
TEST_F(ControlPaths, ThePollSendsEachMidiUnitsModelOnceMore)
{
    const std::vector<std::pair<int, int>> units = {
        {1, kOptKR960Midi},   // slot 1
        {2, kOptKR960Midi},   // slot 3
        {3, kOptKR960_8},     // slot 5
        {4, kOptKR960_8Midi}, // slot 7
    };
    for (const auto& [id, option] : units)
        Add(id, option, std::uint8_t(0x50 + id));
    AddKR9X(17, 0x61); // slot 33
    // The units report every second, as they do, so the watchdog keeps them;
    // what they report sends nothing back.
    const auto runFor = [&](int ms) {
        for (int t = 0; t < ms; t += 1000) {
            for (const auto& [id, option] : units) {
                HandlePacket132((option & 1) ? g_Family_KR960 : g_Family_KR960_8,
                                First132(id, option, std::uint8_t(0x50 + id)), console_test::kLoopback);
            }
            HandlePacketKR9X(Crafted97::With(Crafted97::First(17, 0x01), {{0x0D, {0x61}}}), console_test::kLoopback);
            m_timers.advance(1000);
        }
    };
    m_timers.arm(Dlg::kTimerPoll, 4000); // as the start of the network does

    runFor(4000);
    ExpectNothingSent("no unit datagram counted yet");

    m_network->g_PacketsReceived.store(1); // the units' datagrams were handed over directly
    runFor(4000);
    const std::vector<Datagram> got = Take(11);
    ExpectConsecutive(got);
    // KR-9X, KR-960/8s, KR-960s; the KR-960s again for slot 1 and for slot
    // 3; the KR-960/8s again for slot 7.
    const int bySlot[11] = {33, 5, 7, 1, 3, 1, 3, 1, 3, 5, 7};
    for (std::size_t i = 0; i < 11; ++i) {
        const Datagram& d = got[i];
        const int slot = bySlot[i];
        ASSERT_EQ(d.size(), slot == 33 ? 97u : 132u) << i;
        ExpectHeader(d, slot);
        EXPECT_EQ((Bytes{d[0x1F], d[0x20]}), (Bytes{0x00, 0x64})) << i << ": the 100-ms period";
        if (slot == 33)
            continue;
        EXPECT_EQ(d[0x0D], 0x50 + (slot + 1) / 2) << i;
        EXPECT_EQ(d[0x21], slot == 1 || slot == 3 ? 0x05 : slot == 7 ? 0x04 : 0x08) << i;
    }

    runFor(4000);
    Take(11);
}
