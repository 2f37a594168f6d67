#include "support/console_fixture.h"

#include <QAbstractButton>
#include <QTest>

#include "app/command_ids.h"
#include "controls/strip_switch.h"
#include "dialogs/autosave_dialog.h"
#include "dialogs/dialog_form_controls.h"
#include "dialogs/metering_dialog.h"
#include "dialogs/preferences_dialog.h"

using namespace console_test;

namespace {

using P = CPreferences;

class Preferences : public ConsoleFixture {
protected:
    void SetUp() override
    {
        ConsoleFixture::SetUp();
        CPreferences::SetUnitModePictureHandler([this](int bitmap) { m_pictures.push_back(bitmap); });
    }
    void TearDown() override
    {
        CPreferences::SetUnitModePictureHandler({});
        ConsoleFixture::TearDown();
    }

    std::unique_ptr<P> Open()
    {
        auto dialog = std::make_unique<P>(m_dlg.get());
        dialog->show();
        return dialog;
    }

    std::vector<int> m_pictures;
};

} // namespace

TEST_F(Preferences, OpensFromTheGlobalsAndAnUnofferedRateChecksNoRadio)
{
    g_bPromptNewScene = 1;
    g_bPromptSceneDelete = 1;
    g_bMuteLinkedChannels = 0;
    g_MeterPeriodMs = 150;
    auto dialog = Open();
    EXPECT_TRUE(IsDlgButtonChecked(dialog.get(), P::IDC_PROMPT_NEW));
    EXPECT_TRUE(IsDlgButtonChecked(dialog.get(), P::IDC_PROMPT_DELETE));
    EXPECT_FALSE(IsDlgButtonChecked(dialog.get(), P::IDC_MUTE_LINKED));
    for (int id = P::IDC_EVERY_50MS; id <= P::IDC_EVERY_1000MS; ++id)
        EXPECT_FALSE(IsDlgButtonChecked(dialog.get(), id)) << id;

    g_MeterPeriodMs = 500;
    auto again = Open();
    EXPECT_TRUE(IsDlgButtonChecked(again.get(), P::IDC_EVERY_500MS));
}

TEST_F(Preferences, PromptsAndMuteTakeEffectOnTheClickAndOutliveCancel)
{
    auto dialog = Open();
    QAbstractButton* reorder = DlgButton(dialog.get(), P::IDC_PROMPT_REORDER);
    reorder->click();
    EXPECT_EQ(g_bPromptSceneReorder, 1) << "live before OK";
    reorder->click();
    EXPECT_EQ(g_bPromptSceneReorder, 0) << "two clicks leave it as it was";
    DlgButton(dialog.get(), P::IDC_PROMPT_RECALL)->click();
    DlgButton(dialog.get(), P::IDC_MUTE_LINKED)->click();
    EXPECT_EQ(g_bMuteLinkedChannels, 0);
    Press(*dialog, P::IDC_PREFS_CANCEL);
    EXPECT_EQ(dialog->result(), IDCANCEL);
    EXPECT_EQ(g_bPromptRecallScene, 1);
    EXPECT_EQ(g_bMuteLinkedChannels, 0);
    EXPECT_TRUE(m_boxes.isEmpty()) << "no mode change, no message";
}

TEST_F(Preferences, AnUpdateRateReachesEveryUnitAtOnce)
{
    AddKR9X(17, 0x61);
    Add132(3, true, 0x51);
    g_MeterPeriodMs = 150;
    auto dialog = Open();
    DlgButton(dialog.get(), P::IDC_EVERY_500MS)->click();
    EXPECT_EQ(g_MeterPeriodMs, 500);
    EXPECT_EQ(m_timers.period(CQuellonKR9SeriesDlg::kTimerMeterPeriod), 500);
    // A state datagram to each unit, KR-9X first, carries the new period (big-endian at 0x1F).
    for (int slot : {33, 5}) {
        const auto datagram = m_capture.Next();
        ASSERT_TRUE(datagram.has_value()) << slot;
        EXPECT_EQ((*datagram)[p132::kUnitId], slot);
        EXPECT_EQ(((*datagram)[0x1F] << 8) | (*datagram)[0x20], 500) << slot;
    }
    dialog->OnEvery50ms();
    EXPECT_EQ(g_MeterPeriodMs, 50);
    EXPECT_TRUE(IsDlgButtonChecked(dialog.get(), P::IDC_EVERY_50MS));
    EXPECT_FALSE(IsDlgButtonChecked(dialog.get(), P::IDC_EVERY_500MS));
}

TEST_F(Preferences, ClearAllLinksUnlinksEveryChannelAndKeepsTheCurrentChannel)
{
    Add132(3, true, 0x51); // channels 32..47
    for (int channel : {33, 40, 47}) {
        g_nCurrentChannel = channel;
        m_dlg->OnCommand(ID_LINK_GROUP_1 + 2); // group 3
        ASSERT_EQ(g_ChannelLinkGroup[channel], 3);
        ASSERT_EQ(m_dlg->SwitchState(STRIP_LINK, channel), 1);
    }
    g_nCurrentChannel = 7;
    auto dialog = Open();
    Press(*dialog, P::IDC_CLEAR_ALL_LINKS);
    for (int channel : {33, 40, 47}) {
        EXPECT_EQ(g_ChannelLinkGroup[channel], 0) << channel;
        EXPECT_EQ(m_dlg->SwitchState(STRIP_LINK, channel), 0) << channel;
        EXPECT_EQ(g_LinkMembership[std::size_t(channel) * 10 + 2], 0) << channel;
    }
    EXPECT_EQ(g_nCurrentChannel, 7);
    EXPECT_TRUE(dialog->isVisible()) << "no question, and the dialog stays open";
    EXPECT_TRUE(m_boxes.isEmpty());
}

TEST_F(Preferences, AutosaveAndMeteringButtonsApplyTheirDialogsAndKeepPreferencesOpen)
{
    auto dialog = Open();
    WhenModal<CAutosave>([](CAutosave& autosave) {
        CheckDlgButton(&autosave, CAutosave::IDC_OFF, false);
        autosave.spin()->SetPos(5);
        Press(autosave, CAutosave::IDC_OK_PLACEHOLDER);
    });
    Press(*dialog, P::IDC_AUTOSAVE);
    EXPECT_EQ(m_timers.period(CQuellonKR9SeriesDlg::kTimerAutosave), 5 * 60000);
    EXPECT_TRUE(dialog->isVisible());

    WhenModal<CNewMeteringDialog>([](CNewMeteringDialog& meters) {
        DlgButton(&meters, CNewMeteringDialog::IDC_HOLD_OFF)->click();
        Press(meters, CNewMeteringDialog::IDC_OK_PLACEHOLDER);
    });
    Press(*dialog, P::IDC_METERING);
    EXPECT_EQ(g_nPeakHoldMs, 0);
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(Preferences, ATouchedModeAnsweredNoIsPutBackAndTheDialogStaysOpen)
{
    auto dialog = Open();
    DlgButton(dialog.get(), P::IDC_MIXED_8_AND_16)->click();
    EXPECT_FALSE(g_bAll16ChannelUnits);
    EXPECT_EQ(g_UnitName[47], QStringLiteral("UNIT 48 - Unused"));
    EXPECT_EQ(m_pictures, std::vector<int>{P::kBmpMixed});

    Press(*dialog, P::IDC_PREFS_OK); // answered No
    EXPECT_EQ(m_boxes.size(), 1);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(g_bAll16ChannelUnits);
    EXPECT_EQ(g_UnitName[47], QStringLiteral("Unused Unit"));
    EXPECT_EQ(m_pictures.back(), P::kBmpAll16Channel);
    EXPECT_TRUE(IsDlgButtonChecked(dialog.get(), P::IDC_ALL_16_CHANNEL));
    EXPECT_TRUE(m_notices.isEmpty());

    // Asked again, Yes accepts and asks for a restart.
    m_answer = IDYES;
    Press(*dialog, P::IDC_PREFS_OK);
    EXPECT_EQ(m_boxes.size(), 2);
    EXPECT_EQ(dialog->result(), IDOK);
    EXPECT_EQ(m_notices.size(), 1);
    EXPECT_TRUE(m_noticeRestartNow);
}

TEST_F(Preferences, MixedModeAcceptedAndCancelPutsATouchedModeBack)
{
    g_bAll16ChannelUnits = false;
    {
        auto dialog = Open();
        EXPECT_TRUE(IsDlgButtonChecked(dialog.get(), P::IDC_MIXED_8_AND_16));
        DlgButton(dialog.get(), P::IDC_ALL_16_CHANNEL)->click();
        EXPECT_TRUE(g_bAll16ChannelUnits);
        EXPECT_EQ(g_UnitName[10], QStringLiteral("Unused Unit"));
        Press(*dialog, P::IDC_PREFS_CANCEL);
        EXPECT_EQ(dialog->result(), IDCANCEL);
        EXPECT_FALSE(g_bAll16ChannelUnits);
        EXPECT_EQ(g_UnitName[10], QStringLiteral("UNIT 11 - Unused"));
        EXPECT_EQ(m_boxes.size(), 1) << "the operator is told";
        EXPECT_TRUE(m_notices.isEmpty());
    }
    // Untouched, OK asks nothing.
    m_boxes.clear();
    auto dialog = Open();
    Press(*dialog, P::IDC_PREFS_OK);
    EXPECT_EQ(dialog->result(), IDOK);
    EXPECT_TRUE(m_boxes.isEmpty());
    EXPECT_TRUE(m_notices.isEmpty());
}

TEST_F(Preferences, EscapeClosesWithoutPuttingTheModeBack)
{
    auto dialog = Open();
    DlgButton(dialog.get(), P::IDC_MIXED_8_AND_16)->click();
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_EQ(dialog->result(), IDCANCEL);
    EXPECT_FALSE(g_bAll16ChannelUnits);
    EXPECT_TRUE(m_boxes.isEmpty());
}
