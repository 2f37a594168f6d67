#include "support/console_fixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QTest>

#include "dialogs/dialog_form_controls.h"
#include "dialogs/metering_dialog.h"

using namespace console_test;

namespace {

using M = CNewMeteringDialog;

class MeterPreferences : public DialogFixture {
protected:
    // Opens a dialog, lets act change it, then presses the skinned OK.
    void RunOk(const std::function<void(M&)>& act)
    {
        M dialog;
        dialog.show();
        act(dialog);
        Press(dialog, M::IDC_OK_PLACEHOLDER);
        EXPECT_EQ(dialog.result(), IDOK);
    }
    static void Click(M& dialog, int id) { DlgButton(&dialog, id)->click(); }
};

} // namespace

TEST_F(MeterPreferences, OpensFromTheGlobalsAndTheFirstHoldFlagSetWins)
{
    g_bMeterScaleDbu = 1;
    g_nDbfsRefLevelIndex = 2;
    g_bPeakHold3Sec = 1;
    g_bPeakHoldInfinite = 1;
    M dialog;
    dialog.show();
    EXPECT_TRUE(IsDlgButtonChecked(&dialog, M::IDC_DBU));
    EXPECT_FALSE(IsDlgButtonChecked(&dialog, M::IDC_DBFS));
    EXPECT_EQ(DlgComboBox(&dialog, M::IDC_DBFS_REF)->currentText(), QStringLiteral("-20"));
    EXPECT_TRUE(IsDlgButtonChecked(&dialog, M::IDC_3_SEC));
    EXPECT_FALSE(IsDlgButtonChecked(&dialog, M::IDC_INFINITE));
}

TEST_F(MeterPreferences, PeakHoldRadiosGiveTheirHoldTimes)
{
    const std::pair<int, int> cases[] = {
        {M::IDC_10_SEC, 10000}, {M::IDC_3_SEC, 3000}, {M::IDC_INFINITE, -1}, {M::IDC_HOLD_OFF, 0}};
    for (const auto& [radio, ms] : cases) {
        g_nPeakHoldMs = 12345;
        RunOk([&](M& dialog) { Click(dialog, radio); });
        EXPECT_EQ(g_nPeakHoldMs, ms) << radio;
        EXPECT_EQ(g_bPeakHold10Sec, radio == M::IDC_10_SEC);
        EXPECT_EQ(g_bPeakHold3Sec, radio == M::IDC_3_SEC);
        EXPECT_EQ(g_bPeakHoldInfinite, radio == M::IDC_INFINITE);
        EXPECT_EQ(g_bPeakHoldOff, radio == M::IDC_HOLD_OFF);
    }

    // With no hold flag no radio is checked, and OK keeps the hold time.
    g_bPeakHold10Sec = g_bPeakHold3Sec = g_bPeakHoldInfinite = g_bPeakHoldOff = 0;
    g_nPeakHoldMs = 4321;
    RunOk([](M&) {});
    EXPECT_EQ(g_nPeakHoldMs, 4321);
}

TEST_F(MeterPreferences, BothListsStoreTheirIndexAndNumberWhicheverScaleIsChosen)
{
    // dBFS at -20 is chosen; the dBU list's selection (15) is stored all the same.
    g_bMeterScaleDbu = 1;
    g_bMeterScaleDbfs = 0;
    g_nDbuMaxLevelIndex = 2;
    g_nDbuMaxLevel = 99;
    g_bMeterPrefsSet1 = g_bMeterPrefsSet2 = 0;
    RunOk([](M& dialog) {
        Click(dialog, M::IDC_DBFS);
        DlgComboBox(&dialog, M::IDC_DBFS_REF)->setCurrentIndex(2);
    });
    EXPECT_EQ(g_bMeterScaleDbu, 0);
    EXPECT_EQ(g_bMeterScaleDbfs, 1);
    EXPECT_EQ(g_nDbfsRefLevelIndex, 2);
    EXPECT_EQ(g_nDbfsRefLevel, -20);
    EXPECT_EQ(g_nDbuMaxLevel, 15);
    EXPECT_EQ(g_bMeterPrefsSet1, 1);
    EXPECT_EQ(g_bMeterPrefsSet2, 1);

    // A damaged list index selects nothing, and OK keeps the stored level.
    g_nDbuMaxLevelIndex = 7;
    g_nDbuMaxLevel = 18;
    RunOk([](M& dialog) { EXPECT_EQ(DlgComboBox(&dialog, M::IDC_DBU_MAX)->currentIndex(), -1); });
    EXPECT_EQ(g_nDbuMaxLevelIndex, 7);
    EXPECT_EQ(g_nDbuMaxLevel, 18);
}

TEST_F(MeterPreferences, HiddenSettingsAreWrittenBackAsReadWithTheRedZoneInRange)
{
    g_bMeterPeakOverVu = 0;
    g_bMeterVuOnly = 1;
    g_nRedZoneThreshold = 30; // outside 4..22
    RunOk([](M&) {});
    EXPECT_EQ(g_bMeterVuOnly, 1);
    EXPECT_EQ(g_bMeterPeakOverVu, 0);
    EXPECT_EQ(g_bMeterPeakOnly, 0);
    EXPECT_EQ(g_bMeterPeakAndVu, 0);
    EXPECT_EQ(g_nRedZoneThreshold, 22);
}

TEST_F(MeterPreferences, CancelAndEscapeWriteNothingAndEnterIsOk)
{
    for (bool escape : {false, true}) {
        M dialog;
        dialog.show();
        Click(dialog, M::IDC_HOLD_OFF);
        Click(dialog, M::IDC_DBU);
        DlgComboBox(&dialog, M::IDC_DBU_MAX)->setCurrentIndex(4);
        if (escape)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            Press(dialog, M::IDC_CANCEL_PLACEHOLDER);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), IDCANCEL);
        EXPECT_EQ(g_nPeakHoldMs, 3000);
        EXPECT_EQ(g_bPeakHoldOff, 0);
        EXPECT_EQ(g_nDbuMaxLevel, 22);
        EXPECT_EQ(g_bMeterScaleDbu, 0);
    }

    // Enter, even in a list, is OK.
    M dialog;
    dialog.show();
    Click(dialog, M::IDC_INFINITE);
    QTest::keyClick(DlgComboBox(&dialog, M::IDC_DBU_MAX), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), IDOK);
    EXPECT_EQ(g_nPeakHoldMs, -1);
}
