// Strip commands, link groups and undo on a main window with units added
// from crafted first datagrams (no network: nothing leaves the process).

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "app/app_services.h"
#include "app/command_ids.h"
#include "app/main_dialog.h"
#include "app/preferences.h"
#include "app/undo.h"
#include "controls/gain_fader.h"
#include "controls/strip_switch.h"
#include "platform/clock.h"
#include "platform/settings_store.h"
#include "platform/skin_registry.h"
#include "platform/timer_table.h"
#include "protocol/packet_handler132.h"
#include "protocol/unit_network.h"
#include "views/underview.h"

namespace {

using Dlg = CQuellonKR9SeriesDlg;

// A KR-960 or KR-960/8 first datagram: every channel at gain code 40, all
// switches off, stating a loopback address.
UnitPacket132 FirstDatagram(int unitId, bool sixteen, std::uint8_t macLast)
{
    UnitPacket132 p{};
    const std::uint8_t head[] = {'K', 'O', 'V', 'A', 1, std::uint8_t(unitId), 3, 0,
                                 0x02, 0x11, 0x22, 0x33, 0x44, macLast};
    std::copy(std::begin(head), std::end(head), p.begin());
    p[0x20] = 100;
    p[0x21] = sixteen ? 0x09 : 0x08;
    for (int n = 0; n < 16; ++n)
        p[0x22 + 5 * n + 2] = 40;
    const std::uint8_t tail[] = {127, 0, 0, std::uint8_t(10 + unitId), 255, 255, 255, 0};
    std::copy(std::begin(tail), std::end(tail), p.begin() + 0x7C);
    return p;
}

class StripCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProjectState();
        ResetProtocolState();
        ResetPreferences();
        ClearUndoHistory();
        SetShowMessageHandler([this](const QString& text) { m_messages.append(text); });
        StartupOptions options;
        options.registerFileType = false;
        options.askStartupQuestion = false;
        m_dlg = std::make_unique<Dlg>(m_platform, options);
        g_pMainDlg = m_dlg.get();
        m_dlg->OnInitDialog();
        m_dlg->OnOverviewButton(); // show the channel strips
        m_dlg->show();
        view = m_dlg->m_wndUnderview;
    }
    void TearDown() override
    {
        m_dlg.reset();
        g_pMainDlg = nullptr;
        SetShowMessageHandler({});
        ResetProtocolState();
    }

    void AddKr960(int unitId, std::uint8_t mac = 1)
    {
        HandlePacket132(g_Family_KR960, FirstDatagram(unitId, true, mac), 0x7F000001);
    }
    void AddKr960_8(int unitId, std::uint8_t mac = 2)
    {
        HandlePacket132(g_Family_KR960_8, FirstDatagram(unitId, false, mac), 0x7F000001);
    }
    void Click(CNewCustomBtn* sw, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        QTest::mouseClick(sw, Qt::LeftButton, keys, QPoint(5, 5));
    }
    void Group(int channel, int group1)
    {
        g_nCurrentChannel = channel;
        m_dlg->OnCommand(ID_LINK_OFF + group1);
    }
    int Pos(int channel) const { return view->m_Slider[std::size_t(channel)]->GetPos(); }

    QTemporaryDir m_dir;
    ManualClock m_clock{100000};
    ManualTimerTable m_timers{m_clock};
    std::unique_ptr<SettingsStore> m_settings =
        std::make_unique<SettingsStore>(m_dir.filePath(QStringLiteral("settings.ini")));
    PlatformServices m_platform{m_clock, m_timers, *m_settings, SkinRegistry::instance()};
    std::unique_ptr<Dlg> m_dlg;
    CUnderviewWnd* view = nullptr;
    QStringList m_messages;
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

    for (int i = 0; i < 8; ++i)
        m_dlg->OnCommand(ID_EDIT_UNDO);
    for (int ch = 40; ch < 48; ++ch)
        EXPECT_EQ(view->m_pMuteButton[std::size_t(ch)]->m_nState, 0) << ch;
    EXPECT_EQ(view->m_pMuteButton[39]->m_nState, 1);
    m_dlg->OnCommand(ID_EDIT_UNDO); // nothing left
    EXPECT_EQ(view->m_pMuteButton[39]->m_nState, 1);

    // An 8-channel unit's block is its 8 channels.
    AddKr960_8(5); // slot 9, channels 64..71
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
    Click(view->m_pRbinButton[3]); // dimmed: ignored
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
    AddKr960(1, 1);
    AddKr960(3, 3); // another unit: another MAC
    Group(0, 1);
    Group(8, 1); // the other half of the same unit may share the group
    EXPECT_EQ(g_ChannelLinkLabel[8], QStringLiteral("1"));
    EXPECT_EQ(view->m_pLinkButton[8]->m_nState, 1);

    Group(40, 1); // another unit
    EXPECT_TRUE(m_messages.contains(QStringLiteral("Two different Units cannot have the same Link Group.")));
    EXPECT_EQ(g_ChannelLinkGroup[40], 0);
    EXPECT_EQ(g_ChannelLinkLabel[40], QStringLiteral("-"));
    EXPECT_EQ(view->m_pLinkButton[40]->m_nState, 0);
    for (int g = 0; g < kLinkGroupCount; ++g)
        EXPECT_EQ(g_LinkMembership[std::size_t(40 * 10 + g)], 0);

    Group(200, 2); // no unit there
    EXPECT_TRUE(m_messages.contains(QStringLiteral("You can't set a Link Group on an Unused Unit.")));
    EXPECT_EQ(g_ChannelLinkGroup[200], 0);

    // Once unit 1 lets go of group 1, unit 3 may take it.
    g_nCurrentChannel = 0;
    m_dlg->ClearChannelLink();
    g_nCurrentChannel = 8;
    m_dlg->ClearChannelLink();
    m_messages.clear();
    Group(40, 1);
    EXPECT_FALSE(m_messages.contains(QStringLiteral("Two different Units cannot have the same Link Group.")));
    EXPECT_EQ(g_ChannelLinkGroup[40], 1);
}

TEST_F(StripCommands, LinkedFadersKeepTheirDistanceWithinTheRange)
{
    AddKr960(1);
    m_dlg->SetFaderBothViews(0, 10);
    m_dlg->SetFaderBothViews(1, 20);
    Group(0, 3);
    Group(1, 3);
    int count = 0;
    g_nCurrentChannel = 0;
    ASSERT_TRUE(m_dlg->CollectLinkedChannels(0, count));
    ASSERT_EQ(count, 2);
    m_dlg->SetLinkedGain(50, count);
    EXPECT_EQ(Pos(0), 50);
    EXPECT_EQ(Pos(1), 60);
    m_dlg->SetLinkedGain(60, count); // the target is held to keep the second at 63
    EXPECT_EQ(Pos(0), 53);
    EXPECT_EQ(Pos(1), 63);
    m_dlg->SetLinkedGain(10, count); // back: the distance is still 10
    EXPECT_EQ(Pos(0), 10);
    EXPECT_EQ(Pos(1), 20);

    // Undo of a grab on a linked channel moves the whole group back.
    PushUndoRecord(0, UNDO_GAIN, 30);
    m_dlg->OnCommand(ID_EDIT_UNDO);
    EXPECT_EQ(Pos(0), 30);
    EXPECT_EQ(Pos(1), 40);
}

TEST_F(StripCommands, MuteSpreadsToTheGroupAndANewMemberTakesTheGroupsMute)
{
    AddKr960(1);
    Group(0, 2);
    Group(5, 2);
    Click(view->m_pMuteButton[0]);
    EXPECT_EQ(view->m_pMuteButton[5]->m_nState, 1);
    EXPECT_EQ(m_timers.period(Dlg::kTimerSendAll), 100);
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

TEST_F(StripCommands, CtrlBlockGainMovesTheUnitTogetherWithinItsRange)
{
    AddKr960(1);
    m_dlg->SetFaderBothViews(0, 5);
    g_nCurrentChannel = 0;
    m_dlg->SetUnitBlockGain(0); // the whole block moves up by 5
    EXPECT_EQ(Pos(0), 0);
    EXPECT_EQ(Pos(1), 24);
    EXPECT_EQ(Pos(15), 24);
    m_dlg->SetUnitBlockGain(-3); // already at the top: nothing moves
    EXPECT_EQ(Pos(0), 0);
    EXPECT_EQ(Pos(1), 24);
    m_dlg->SetUnitBlockGain(45); // the others would pass 63: the move stops at 39
    EXPECT_EQ(Pos(0), 39);
    EXPECT_EQ(Pos(1), 63);
}
