#include "support/console_fixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QTest>

#include "app/command_ids.h"
#include "controls/strip_switch.h"
#include "dialogs/dialog_form_controls.h"
#include "dialogs/snake_leds_dialog.h"
#include "dialogs/system_reset_dialog.h"
#include "dialogs/unit_identity_dialog.h"

using namespace console_test;

namespace {

QStringList Lines(const CUnitChoiceDialog& dialog)
{
    QStringList lines;
    for (int i = 0; i < dialog.unitList()->count(); ++i)
        lines << dialog.unitList()->itemText(i);
    return lines;
}

class UnitMaintenance : public ConsoleFixture {
protected:
    void SetUp() override
    {
        ConsoleFixture::SetUp();
        g_nIdentifySlot = -1;
    }
    void TearDown() override
    {
        g_nIdentifySlot = -1;
        ConsoleFixture::TearDown();
    }

    // A KR-960/8 as unit 2 (slot 3), a KR-960 as unit 3 (slot 5) and a
    // KR-9X as unit 17 (slot 33).
    void AddThreeUnits()
    {
        Add132(2, false, 0x52);
        Add132(3, true, 0x53);
        AddKR9X(17, 0x61);
    }
    // The status flags of the next datagram, which must be the one to the unit in slot.
    int NextFlags(int slot)
    {
        const auto datagram = m_capture.Next();
        if (!datagram)
            return -1;
        EXPECT_EQ((*datagram)[p132::kUnitId], slot) << "sent to another unit";
        return (*datagram)[p132::kStatusFlags];
    }
    static void Select(CUnitChoiceDialog& dialog, int line) { dialog.unitList()->setCurrentIndex(line); }
};

} // namespace

TEST_F(UnitMaintenance, WithNoUnitEachListSaysSoAndItsButtonsDoNothing)
{
    CSnakeLedsDlg snake;
    CSystemResetDlg reset;
    CNewUnitIdentityCheckDlg identify;
    for (CUnitChoiceDialog* dialog : std::initializer_list<CUnitChoiceDialog*>{&snake, &reset, &identify}) {
        dialog->show();
        EXPECT_EQ(Lines(*dialog), QStringList{QStringLiteral("NO UNITS, ACTIVE OR OTHERWISE")});
        EXPECT_EQ(dialog->SelectedSlot(), -1);
    }
    DlgButton(&snake, CSnakeLedsDlg::IDC_SNAKE_LEDS)->click();
    EXPECT_EQ(snake.selectedSlot(), -1);
    Press(reset, CSystemResetDlg::IDC_RESET_PLACEHOLDER);
    EXPECT_TRUE(reset.isVisible());
    DlgButton(&identify, CNewUnitIdentityCheckDlg::IDC_CHECK)->click();
    EXPECT_EQ(g_nIdentifySlot, -1);
    EXPECT_FALSE(identify.isTimerArmed(CNewUnitIdentityCheckDlg::kTimerBlink));
    EXPECT_FALSE(m_capture.Next(0).has_value()) << "nothing is sent";
}

TEST_F(UnitMaintenance, SnakeLedsListsNoKR9XWhileTheOthersListEveryModel)
{
    AddThreeUnits();
    g_UnitStatus[6] = UNIT_ACTIVE; // both slots of the KR-960 have a status: listed twice
    CSnakeLedsDlg snake;
    snake.show();
    EXPECT_EQ(Lines(snake), (QStringList{QStringLiteral("Unit 2: ") + g_UnitName[2],
                                         QStringLiteral("Unit 3: ") + g_UnitName[4],
                                         QStringLiteral("Unit 3: ") + g_UnitName[5]}));
    EXPECT_EQ(snake.SelectedSlot(), 3) << "line 0 is selected";
    Select(snake, 2);
    EXPECT_EQ(snake.SelectedSlot(), 5) << "the second slot's line acts on the unit's first slot";

    CNewUnitIdentityCheckDlg identify;
    identify.show();
    EXPECT_EQ(Lines(identify).last(), QStringLiteral("Unit 17: ") + g_UnitName[32]);

    g_UnitStatus[3] = UNIT_INACTIVE; // an inactive slot is left out
    CSystemResetDlg reset;
    reset.show();
    EXPECT_EQ(reset.unitLineCount(), 3);
}

TEST_F(UnitMaintenance, UncheckingSnakeLedsPutsOutTheUnitThatWasLit)
{
    AddThreeUnits();
    CSnakeLedsDlg snake;
    snake.show();
    QAbstractButton* box = DlgButton(&snake, CSnakeLedsDlg::IDC_SNAKE_LEDS);
    box->click(); // unit 2, slot 3
    EXPECT_EQ(NextFlags(3) & 0x08, 0x08);

    Select(snake, 1); // unit 3, but the lit unit goes out
    box->click();
    EXPECT_EQ(NextFlags(3) & 0x08, 0);
    box->click(); // now unit 3 lights, and the skinned OK puts it out
    EXPECT_EQ(NextFlags(5) & 0x08, 0x08);
    Press(snake, CSnakeLedsDlg::IDC_OK_PLACEHOLDER);
    EXPECT_FALSE(snake.isVisible());
    EXPECT_EQ(NextFlags(5) & 0x08, 0);

    // Enter closes and leaves the LEDs lit.
    CSnakeLedsDlg second;
    second.show();
    DlgButton(&second, CSnakeLedsDlg::IDC_SNAKE_LEDS)->click();
    EXPECT_EQ(NextFlags(3) & 0x08, 0x08);
    QTest::keyClick(&second, Qt::Key_Return);
    EXPECT_FALSE(second.isVisible());

    // Slots without a record, and a KR-9X, are left alone.
    CSnakeLedsDlg::SetSnakeLeds(-1, true);
    CSnakeLedsDlg::SetSnakeLeds(49, true);
    CSnakeLedsDlg::SetSnakeLeds(33, true);
    EXPECT_FALSE(m_capture.Next(0).has_value());
}

TEST_F(UnitMaintenance, IdentityCheckSwitchesTheUnitThatWasOnOffAndBlinksMeanwhile)
{
    AddThreeUnits();
    auto dialog = std::make_unique<CNewUnitIdentityCheckDlg>();
    dialog->show();
    EXPECT_EQ(g_hIdentityCheckDlg.data(), dialog.get());
    Select(*dialog, 2); // the KR-9X, slot 33
    QAbstractButton* check = DlgButton(dialog.get(), CNewUnitIdentityCheckDlg::IDC_CHECK);
    check->click();
    EXPECT_EQ(NextFlags(33) & 0x01, 0x01);
    EXPECT_EQ(g_IdentifyUnit, 0) << "set only while the request goes out";
    EXPECT_TRUE(dialog->isTimerArmed(CNewUnitIdentityCheckDlg::kTimerBlink));

    // Each blink tick shows the state noted and turns it over.
    dialog->OnTimer(CNewUnitIdentityCheckDlg::kTimerBlink);
    EXPECT_FALSE(dialog->ledShownLit());
    dialog->OnTimer(CNewUnitIdentityCheckDlg::kTimerBlink);
    EXPECT_TRUE(dialog->ledShownLit());

    Select(*dialog, 0); // unit 2 is selected, but unit 17 is switched off
    check->click();
    EXPECT_EQ(NextFlags(33) & 0x01, 0);
    EXPECT_FALSE(m_capture.Next(0).has_value()) << "unit 2 is left alone";
    EXPECT_FALSE(dialog->isTimerArmed(CNewUnitIdentityCheckDlg::kTimerBlink));

    // Switched on for unit 2 and left on by Escape ...
    check->click();
    EXPECT_EQ(NextFlags(3) & 0x01, 0x01);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(m_capture.Next(0).has_value());
    dialog.reset();
    EXPECT_EQ(g_hIdentityCheckDlg.data(), nullptr);

    // ... until the skinned OK of a later dialog switches it off.
    CNewUnitIdentityCheckDlg later;
    later.show();
    Press(later, CNewUnitIdentityCheckDlg::IDC_OK_PLACEHOLDER);
    EXPECT_FALSE(later.isVisible());
    EXPECT_EQ(NextFlags(3) & 0x01, 0);
}

TEST_F(UnitMaintenance, SoftResetOfAKR9XSendsItsChannelsAtEightDbWithEverythingOff)
{
    AddKR9X(17, 0x61); // channels 256..263
    const int first = 256;
    for (int i = 0; i < 8; ++i) {
        m_dlg->SetMuteButtons(first + i, 1);
        m_dlg->SetPolButtons(first + i, 1);
        m_dlg->SetFaderBothViews(first + i, 20);
    }
    g_nCurrentChannel = first + 2;
    m_dlg->OnCommand(ID_LINK_GROUP_1 + 4);
    ASSERT_EQ(m_dlg->SwitchState(STRIP_LINK, first + 2), 1);
    m_capture.Drain();

    CSystemResetDlg reset;
    reset.show();
    Press(reset, CSystemResetDlg::IDC_RESET_PLACEHOLDER);
    EXPECT_TRUE(reset.isVisible()) << "stays open for further resets";
    EXPECT_TRUE(m_boxes.isEmpty()) << "no question is asked";

    const auto datagram = m_capture.Next();
    ASSERT_TRUE(datagram.has_value());
    ASSERT_EQ(datagram->size(), 97u);
    for (int i = 0; i < 8; ++i) {
        const std::size_t r = p97::RecordOffset(std::size_t(i));
        EXPECT_EQ((*datagram)[r + p97::kRecGainCode], 0x88) << i;
        EXPECT_EQ((*datagram)[r + p97::kRecFlags], 0x80) << i;
        const int channel = first + i;
        EXPECT_EQ(m_dlg->FaderPosition(channel), 61) << channel;
        for (int kind : {STRIP_POL, STRIP_MUTE, STRIP_LINK})
            EXPECT_EQ(m_dlg->SwitchState(kind, channel), 0) << channel << " kind " << kind;
        EXPECT_EQ(m_dlg->m_aChannelLink[std::size_t(channel)].linkGroup, -1) << channel;
    }
}

TEST_F(UnitMaintenance, SoftResetOfAKR960SendsAllSixteenChannelsAtSixDbAndLeavesOtherUnits)
{
    Add132(2, false, 0x52); // channels 16..23
    Add132(3, true, 0x53);  // channels 32..47
    for (int channel : {32, 40, 47, 16}) {
        m_dlg->SetSafeButtons(channel, 1);
        m_dlg->Set48vButtons(channel, 1);
        m_dlg->SetFaderBothViews(channel, 10);
    }
    m_capture.Drain();

    CSystemResetDlg reset;
    reset.show();
    Select(reset, 1); // unit 3
    reset.OnReset();

    const auto datagram = m_capture.Next();
    ASSERT_TRUE(datagram.has_value());
    ASSERT_EQ(datagram->size(), 132u);
    EXPECT_FALSE(m_capture.Next(0).has_value()) << "one datagram, to the reset unit only";
    for (int i = 0; i < 16; ++i) {
        const std::size_t r = p132::RecordOffset(std::size_t(i));
        EXPECT_EQ((*datagram)[r + p132::kRecGainCode], 6) << i;
        EXPECT_EQ((*datagram)[r + p132::kRecFlags], 0x80) << i;
        EXPECT_EQ(m_dlg->FaderPosition(32 + i), 63) << 32 + i;
    }
    for (int channel : {32, 40, 47})
        for (int kind : {STRIP_SAFE, STRIP_48V})
            EXPECT_EQ(m_dlg->SwitchState(kind, channel), 0) << channel << " kind " << kind;
    // The KR-960/8 keeps its settings.
    EXPECT_EQ(m_dlg->FaderPosition(16), 10);
    EXPECT_EQ(m_dlg->SwitchState(STRIP_SAFE, 16), 1);

    // A slot without a record resets nothing.
    for (int slot : {7, 0, 99})
        CSystemResetDlg::ResetUnit(slot);
    EXPECT_FALSE(m_capture.Next(0).has_value());
}
