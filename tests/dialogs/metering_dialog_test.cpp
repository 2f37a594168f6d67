// The meter preferences dialog: what it shows from the meter globals, what
// OK writes back (and Cancel and Escape do not), the lists' numbers and the
// peak-hold radios' times.

#include "console_fixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QTest>

#include "dialogs/dialog_form_controls.h"
#include "dialogs/metering_dialog.h"

namespace {

using M = CNewMeteringDialog;

using console_test::ButtonOver;

class MeterPreferences : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetPreferences();
        g_bIgnoreNextGainChange = false;
    }
    void TearDown() override
    {
        ResetPreferences();
        g_bIgnoreNextGainChange = false;
    }

    // Opens a dialog, lets act change it, then presses the skinned OK.
    void RunOk(const std::function<void(M&)>& act)
    {
        M dialog;
        dialog.show();
        act(dialog);
        QTest::mouseClick(ButtonOver(dialog, M::IDC_OK_PLACEHOLDER), Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), 1);
    }
    static void Click(M& dialog, int id)
    {
        DlgButton(&dialog, id)->click();
    }
};

} // namespace

TEST_F(MeterPreferences, OpensFromTheGlobalsWithTheDisplayAndRedZoneControlsHidden)
{
    g_bMeterScaleDbu = 1;
    g_nDbuMaxLevelIndex = 3;
    g_nDbfsRefLevelIndex = 2;
    g_bPeakHold3Sec = 1;
    g_bPeakHoldInfinite = 1; // the 3-second flag comes first
    M dialog;
    dialog.show();
    EXPECT_TRUE(IsDlgButtonChecked(&dialog, M::IDC_DBU));
    EXPECT_FALSE(IsDlgButtonChecked(&dialog, M::IDC_DBFS));
    QComboBox* dbu = DlgComboBox(&dialog, M::IDC_DBU_MAX);
    QComboBox* dbfs = DlgComboBox(&dialog, M::IDC_DBFS_REF);
    ASSERT_TRUE(dbu && dbfs);
    EXPECT_EQ(dbu->currentText(), QStringLiteral("12"));
    EXPECT_EQ(dbfs->currentText(), QStringLiteral("-20"));
    EXPECT_TRUE(IsDlgButtonChecked(&dialog, M::IDC_3_SEC));
    EXPECT_FALSE(IsDlgButtonChecked(&dialog, M::IDC_INFINITE));
    EXPECT_FALSE(dialog.GetDlgItem(M::IDC_PEAK_OVER_VU)->isVisible());
    EXPECT_TRUE(DlgButton(&dialog, M::IDC_PEAK_OVER_VU)->isChecked()) << "read, though hidden";
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
        EXPECT_TRUE(g_bIgnoreNextGainChange);
    }
}

TEST_F(MeterPreferences, ListItemsStoreTheirIndexAndNumberAndBothListsAreAlwaysStored)
{
    RunOk([](M& dialog) { DlgComboBox(&dialog, M::IDC_DBU_MAX)->setCurrentIndex(4); });
    EXPECT_EQ(g_nDbuMaxLevelIndex, 4);
    EXPECT_EQ(g_nDbuMaxLevel, 9);
    RunOk([](M& dialog) { DlgComboBox(&dialog, M::IDC_DBFS_REF)->setCurrentIndex(1); });
    EXPECT_EQ(g_nDbfsRefLevelIndex, 1);
    EXPECT_EQ(g_nDbfsRefLevel, -18);

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
    EXPECT_EQ(g_nDbfsRefLevel, -20);
    EXPECT_EQ(g_nDbuMaxLevel, 15);
    EXPECT_EQ(g_bMeterPrefsSet1, 1);
    EXPECT_EQ(g_bMeterPrefsSet2, 1);
}

TEST_F(MeterPreferences, WithNoHoldFlagNoRadioIsCheckedAndOkKeepsTheHoldTime)
{
    g_bPeakHold10Sec = g_bPeakHold3Sec = g_bPeakHoldInfinite = g_bPeakHoldOff = 0;
    g_nPeakHoldMs = 4321;
    RunOk([](M& dialog) {
        for (int id : {M::IDC_10_SEC, M::IDC_3_SEC, M::IDC_INFINITE, M::IDC_HOLD_OFF})
            EXPECT_FALSE(IsDlgButtonChecked(&dialog, id)) << id;
    });
    EXPECT_EQ(g_nPeakHoldMs, 4321);
}

TEST_F(MeterPreferences, HiddenSettingsAreWrittenBackAsRead)
{
    g_bMeterPeakOverVu = 0;
    g_bMeterVuOnly = 1;
    g_nRedZoneThreshold = 30; // outside 4..22: the arrows keep it in range
    RunOk([](M&) {});
    EXPECT_EQ(g_bMeterVuOnly, 1);
    EXPECT_EQ(g_bMeterPeakOverVu, 0);
    EXPECT_EQ(g_bMeterPeakOnly, 0);
    EXPECT_EQ(g_bMeterPeakAndVu, 0);
    EXPECT_EQ(g_nRedZoneThreshold, 22);
}

TEST_F(MeterPreferences, CancelAndEscapeWriteNothingOnlyCancelMarksTheGainChangeAndEnterIsOk)
{
    const auto untouched = [] {
        EXPECT_EQ(g_nPeakHoldMs, 3000);
        EXPECT_EQ(g_bPeakHoldOff, 0);
        EXPECT_EQ(g_nDbuMaxLevel, 22);
        EXPECT_EQ(g_bMeterScaleDbu, 0);
    };
    for (bool escape : {false, true}) {
        g_bIgnoreNextGainChange = false;
        M dialog;
        dialog.show();
        Click(dialog, M::IDC_HOLD_OFF);
        Click(dialog, M::IDC_DBU);
        DlgComboBox(&dialog, M::IDC_DBU_MAX)->setCurrentIndex(4);
        if (escape)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            QTest::mouseClick(ButtonOver(dialog, M::IDC_CANCEL_PLACEHOLDER), Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), 2);
        EXPECT_EQ(g_bIgnoreNextGainChange, !escape);
        untouched();
    }

    // Enter, even in a list, is OK.
    M dialog;
    dialog.show();
    Click(dialog, M::IDC_INFINITE);
    QTest::keyClick(DlgComboBox(&dialog, M::IDC_DBU_MAX), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_EQ(g_nPeakHoldMs, -1);
}

TEST_F(MeterPreferences, ADamagedListIndexSelectsNothingAndOkKeepsTheStoredLevel)
{
    g_nDbuMaxLevelIndex = 7;
    g_nDbuMaxLevel = 18;
    RunOk([](M& dialog) { EXPECT_EQ(DlgComboBox(&dialog, M::IDC_DBU_MAX)->currentIndex(), -1); });
    EXPECT_EQ(g_nDbuMaxLevelIndex, 7);
    EXPECT_EQ(g_nDbuMaxLevel, 18);
}

TEST_F(MeterPreferences, DragsFromAnyPointOfItsBody)
{
    M dialog;
    dialog.move(100, 100);
    dialog.show();
    const QPoint start = dialog.pos();
    const QPoint body(dialog.width() - 20, dialog.height() - 12); // below the title strip
    QTest::mousePress(&dialog, Qt::LeftButton, {}, body);
    QTest::mouseMove(&dialog, body + QPoint(30, 20));
    QTest::mouseRelease(&dialog, Qt::LeftButton, {}, body + QPoint(30, 20));
    EXPECT_NE(dialog.pos(), start);
}
