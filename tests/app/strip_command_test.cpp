// Strip commands, link groups and undo on units whose channels start alike:
// gain code 40, every switch off.

#include "support/console_window.h"

namespace {

using console_test::Uniform132;

class StripCommands : public console_test::ConsoleWindow {
protected:
    void SetUp() override
    {
        ConsoleWindow::SetUp();
        ShowStrips();
    }
    void AddKr960(int unitId, std::uint8_t mac = 1)
    {
        HandlePacket132(g_Family_KR960, Uniform132(unitId, 0x09, mac, 40, 0, 0), console_test::kLoopback);
    }
    static void Click(CNewCustomBtn* sw, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        QTest::mouseClick(sw, Qt::LeftButton, keys, QPoint(5, 5));
    }
};

} // namespace

TEST_F(StripCommands, CtrlClickAppliesASwitchToTheWholeUnitAndUndoWalksBackEightDeep)
{
    AddKr960(3, 3); // channels 32..47
    Click(view->m_pMuteButton[37], Qt::ControlModifier);
    for (int ch = 32; ch < 48; ++ch)
        ASSERT_EQ(view->m_pMuteButton[std::size_t(ch)]->m_nState, 1) << ch;
    EXPECT_EQ(view->m_pMuteButton[48]->m_nState, 0);
    EXPECT_EQ(g_nUndoCount, 8); // the last eight channels, 40..47

    for (int i = 0; i < 9; ++i) // the ninth finds nothing left
        m_dlg->OnCommand(ID_EDIT_UNDO);
    for (int ch = 40; ch < 48; ++ch)
        EXPECT_EQ(view->m_pMuteButton[std::size_t(ch)]->m_nState, 0) << ch;
    EXPECT_EQ(view->m_pMuteButton[39]->m_nState, 1);

    // An 8-channel unit's block is its 8 channels.
    HandlePacket132(g_Family_KR960_8, Uniform132(5, 0x08, 2, 40, 0, 0), console_test::kLoopback); // 64..71
    Click(view->m_pPolButton[66], Qt::ControlModifier);
    EXPECT_EQ(view->m_pPolButton[71]->m_nState, 1);
    EXPECT_EQ(view->m_pPolButton[72]->m_nState, 0);
}

TEST_F(StripCommands, PhantomPowerAndRibbonDimEachOther)
{
    AddKr960(1);
    Click(view->m_p48vButton[3]);
    EXPECT_EQ(view->m_p48vButton[3]->m_nState, 1);
    EXPECT_EQ(view->m_pRbinButton[3]->m_nState, CNewCustomBtn::kDisabled);
    Click(view->m_p48vButton[3]);
    EXPECT_EQ(view->m_pRbinButton[3]->m_nState, 0);
    // The setter changes nothing while its own switch is dimmed.
    m_dlg->SetRbinButtons(4, 1);
    m_dlg->Set48vButtons(4, 1);
    EXPECT_EQ(view->m_pRbinButton[4]->m_nState, 1);
    EXPECT_EQ(view->m_p48vButton[4]->m_nState, CNewCustomBtn::kDisabled);
}

TEST_F(StripCommands, LinkGroupsKeepToOneUnitAndRefusalsLeaveNothingBehind)
{
    const QString twoUnits = QStringLiteral("Two different Units cannot have the same Link Group.");
    AddKr960(1, 1);
    AddKr960(3, 3);
    Group(0, 1);
    Group(8, 1); // the other half of the same unit may share the group
    EXPECT_EQ(g_ChannelLinkLabel[8], QStringLiteral("1"));
    EXPECT_EQ(view->m_pLinkButton[8]->m_nState, 1);

    Group(40, 1); // another unit
    EXPECT_TRUE(m_boxes.contains(twoUnits));
    EXPECT_EQ(g_ChannelLinkGroup[40], 0);
    EXPECT_EQ(g_ChannelLinkLabel[40], QStringLiteral("-"));
    EXPECT_EQ(view->m_pLinkButton[40]->m_nState, 0);
    for (int g = 0; g < kLinkGroupCount; ++g)
        EXPECT_EQ(g_LinkMembership[std::size_t(40 * 10 + g)], 0);

    Group(200, 2); // no unit there
    EXPECT_TRUE(m_boxes.contains(QStringLiteral("You can't set a Link Group on an Unused Unit.")));
    EXPECT_EQ(g_ChannelLinkGroup[200], 0);

    // Once unit 1 lets go of group 1, unit 3 may take it.
    for (const int ch : {0, 8}) {
        g_nCurrentChannel = ch;
        m_dlg->ClearChannelLink();
    }
    m_boxes.clear();
    Group(40, 1);
    EXPECT_FALSE(m_boxes.contains(twoUnits));
    EXPECT_EQ(g_ChannelLinkGroup[40], 1);
}

TEST_F(StripCommands, MuteSpreadsToTheGroupAndANewMemberTakesTheGroupsMute)
{
    AddKr960(1);
    Group(0, 2);
    Group(5, 2);
    Click(view->m_pMuteButton[0]);
    EXPECT_EQ(view->m_pMuteButton[5]->m_nState, 1);
    EXPECT_EQ(m_timers.period(CQuellonKR9SeriesDlg::kTimerSendAll), 100);
    Group(9, 2); // joins muted
    EXPECT_EQ(view->m_pMuteButton[9]->m_nState, 1);
    g_bMuteLinkedChannels = 0;
    Click(view->m_pMuteButton[0]);
    EXPECT_EQ(view->m_pMuteButton[5]->m_nState, 1);
    EXPECT_EQ(view->m_pMuteButton[0]->m_nState, 0);
}

TEST_F(StripCommands, UndoOfALinkOnKeepsTheGroupForTheNextLinkOn)
{
    AddKr960(1);
    Group(2, 4);
    ASSERT_EQ(g_UndoStack[0].Control, STRIP_LINK);
    m_dlg->OnCommand(ID_EDIT_UNDO);
    EXPECT_EQ(view->m_pLinkButton[2]->m_nState, 0);
    EXPECT_EQ(g_ChannelLinkGroup[2], 4);
    Click(view->m_pLinkButton[2]);
    EXPECT_EQ(view->m_pLinkButton[2]->m_nState, 1);
    EXPECT_EQ(g_ChannelLinkLabel[2], QStringLiteral("4"));
}

// The fader drags cover moving the block to the top; here it stays put
// there and stops where another channel reaches the bottom.
TEST_F(StripCommands, CtrlBlockGainMovesTheUnitTogetherWithinItsRange)
{
    AddKr960(1);
    m_dlg->SetFaderBothViews(0, 5);
    g_nCurrentChannel = 0;
    m_dlg->SetUnitBlockGain(0); // the whole block moves up by 5
    EXPECT_EQ(Pos(0), 0);
    EXPECT_EQ(Pos(15), 24);
    m_dlg->SetUnitBlockGain(-3); // already at the top: nothing moves
    EXPECT_EQ(Pos(0), 0);
    EXPECT_EQ(Pos(1), 24);
    m_dlg->SetUnitBlockGain(45); // the others would pass 63: the move stops at 39
    EXPECT_EQ(Pos(0), 39);
    EXPECT_EQ(Pos(1), 63);
}
