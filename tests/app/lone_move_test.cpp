// Moving one member of a link group alone: a drag of its fader with Alt or
// Shift held takes it out of the group for the move, and a moment after the
// release it is back in the group at its new distance. Driven with real
// mouse events on the channel-strip view's faders.

#include <QMouseEvent>

#include "app/command_ids.h"
#include "controls/gain_fader.h"
#include "controls/strip_switch.h"
#include "support/console_fixture.h"
#include "views/underview.h"

namespace {

using console_test::ConsoleFixture;
using Dlg = CQuellonKR9SeriesDlg;

class LoneMove : public ConsoleFixture {
protected:
    void SetUp() override
    {
        ConsoleFixture::SetUp();
        m_dlg->show();
        if (g_bOverviewMode)
            m_dlg->OnOverviewButton(); // the channel strips
        Add132(1, true, 1);            // a KR-960: channels 0..15, one block
    }

    CMySlider* Fader(int channel) const { return m_dlg->m_wndUnderview->m_Slider[std::size_t(channel)]; }
    int Pos(int channel) const { return m_dlg->FaderPosition(channel); }
    int LinkSwitch(int channel) const { return m_dlg->SwitchState(STRIP_LINK, channel); }
    void Group(int channel, int group1)
    {
        g_nCurrentChannel = channel;
        m_dlg->OnCommand(ID_LINK_OFF + group1);
        ASSERT_EQ(LinkSwitch(channel), 1);
    }
    // Where the pointer holds a fader's thumb at a step.
    QPoint ThumbAt(int channel, int step) const
    {
        CMySlider* fader = Fader(channel);
        return QPoint(fader->width() / 2, fader->ThumbTopForValue(step) + fader->m_nThumbHeight / 2);
    }
    void Press(int channel, Qt::KeyboardModifiers keys)
    {
        QTest::mousePress(Fader(channel), Qt::LeftButton, keys, ThumbAt(channel, Pos(channel)));
    }
    void DragTo(int channel, int step, Qt::KeyboardModifiers keys)
    {
        CMySlider* fader = Fader(channel);
        const QPoint at = ThumbAt(channel, step);
        QMouseEvent move(QEvent::MouseMove, at, fader->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, keys);
        QApplication::sendEvent(fader, &move);
    }
    void Release(int channel, int step, Qt::KeyboardModifiers keys)
    {
        QTest::mouseRelease(Fader(channel), Qt::LeftButton, keys, ThumbAt(channel, step));
    }
    void Drag(int channel, int step, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        Press(channel, keys);
        DragTo(channel, step, keys);
        Release(channel, step, keys);
    }
};

} // namespace

TEST_F(LoneMove, AltOrShiftMovesOneMemberAloneAndItRejoinsAtItsNewDistance)
{
    const struct {
        const char* name;
        Qt::KeyboardModifiers keys;
    } cases[] = {
        {"Alt", Qt::AltModifier},
        {"Shift", Qt::ShiftModifier},
        {"Alt with Ctrl", Qt::AltModifier | Qt::ControlModifier},
        {"Shift with Ctrl", Qt::ShiftModifier | Qt::ControlModifier},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& [channel, step] : {std::pair{0, 10}, {1, 20}, {2, 40}})
            m_dlg->SetFaderBothViews(channel, step);
        Group(0, 3);
        Group(1, 3);

        Press(0, c.keys);
        DragTo(0, 30, c.keys);
        EXPECT_EQ(Pos(0), 30);
        EXPECT_EQ(Pos(1), 20) << "the other member stays";
        EXPECT_EQ(Pos(2), 40) << "the unit block stays";
        EXPECT_EQ(LinkSwitch(0), 0) << "out of its group for the move";
        DragTo(0, 33, c.keys);
        EXPECT_EQ(Pos(0), 33);
        EXPECT_EQ(Pos(1), 20);
        m_timers.advance(100); // still held: the member stays out
        EXPECT_EQ(LinkSwitch(0), 0);

        Release(0, 33, c.keys);
        m_timers.advance(20);
        EXPECT_EQ(LinkSwitch(0), 1) << "back in its group";
        EXPECT_EQ(g_ChannelLinkGroup[0], 3);
        EXPECT_EQ(Pos(1), 20);

        // A plain drag now moves both, 13 steps apart.
        Drag(0, 43);
        EXPECT_EQ(Pos(0), 43);
        EXPECT_EQ(Pos(1), 30);
        EXPECT_EQ(Pos(2), 40);

        for (const int channel : {0, 1}) {
            g_nCurrentChannel = channel;
            m_dlg->OnCommand(ID_LINK_GROUP_NONE);
        }
    }
}
