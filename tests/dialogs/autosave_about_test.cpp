#include "support/console_fixture.h"

#include <QTest>

#include "app/command_ids.h"
#include "dialogs/about_dialog.h"
#include "dialogs/autosave_dialog.h"
#include "dialogs/dialog_form_controls.h"

using namespace console_test;

namespace {

constexpr int kAutosaveTimer = CQuellonKR9SeriesDlg::kTimerAutosave;

QString Minutes(CAutosave& dialog)
{
    return LabelText(dialog, CAutosave::IDC_MINUTES);
}

class Autosave : public ConsoleFixture {};

} // namespace

TEST_F(Autosave, OkWithOffAndCancelBothStopTheTimerAndOnlyOkStoresOff)
{
    m_timers.arm(kAutosaveTimer, 5 * 60000); // a timer left from before is stopped too
    WhenModal<CAutosave>([](CAutosave& dialog) {
        EXPECT_TRUE(IsDlgButtonChecked(&dialog, CAutosave::IDC_OFF));
        Press(dialog, CAutosave::IDC_OK_PLACEHOLDER);
    });
    EXPECT_EQ(RunAutosaveDialog(m_dlg.get()), IDCANCEL);
    EXPECT_EQ(g_bAutosaveOff, 1);
    EXPECT_FALSE(m_timers.isArmed(kAutosaveTimer));

    g_bAutosaveOff = 0;
    g_nAutosaveMinutes = 15;
    m_timers.arm(kAutosaveTimer, 15 * 60000);
    WhenModal<CAutosave>([](CAutosave& dialog) {
        dialog.spin()->Step(+5);
        CheckDlgButton(&dialog, CAutosave::IDC_OFF, true);
        Press(dialog, CAutosave::IDC_CANCEL_PLACEHOLDER);
    });
    EXPECT_EQ(RunAutosaveDialog(m_dlg.get()), IDCANCEL);
    EXPECT_EQ(g_bAutosaveOff, 0) << "autosave stays on in the preferences";
    EXPECT_EQ(g_nAutosaveMinutes, 15);
    EXPECT_FALSE(m_timers.isArmed(kAutosaveTimer));
}

TEST_F(Autosave, MinutesAcceptedStartTheTimerAndTheArrowsStopAtOneAndSixty)
{
    WhenModal<CAutosave>([](CAutosave& dialog) {
        QTest::mouseClick(dialog.GetDlgItem(CAutosave::IDC_OFF), Qt::LeftButton, {}, QPoint(6, 8));
        CSpinButtonCtrl* spin = dialog.spin();
        for (int i = 0; i < 20; ++i) // the lower arrow, pressed more often than needed
            QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(4, spin->height() - 3));
        EXPECT_EQ(Minutes(dialog), QStringLiteral("1"));
        Press(dialog, CAutosave::IDC_OK_PLACEHOLDER);
    });
    EXPECT_EQ(RunAutosaveDialog(m_dlg.get()), IDOK);
    EXPECT_EQ(g_bAutosaveOff, 0);
    EXPECT_EQ(g_nAutosaveMinutes, 1);
    EXPECT_EQ(m_timers.period(kAutosaveTimer), 60000);

    WhenModal<CAutosave>([](CAutosave& dialog) {
        EXPECT_FALSE(IsDlgButtonChecked(&dialog, CAutosave::IDC_OFF)) << "reads the stored state";
        CSpinButtonCtrl* spin = dialog.spin();
        spin->setFocus();
        for (int i = 0; i < 70; ++i)
            QTest::keyClick(spin, Qt::Key_Up);
        EXPECT_EQ(Minutes(dialog), QStringLiteral("60"));
        QTest::keyClick(&dialog, Qt::Key_Return); // Enter is OK
    });
    EXPECT_EQ(RunAutosaveDialog(m_dlg.get()), IDOK);
    EXPECT_EQ(g_nAutosaveMinutes, 60);
    EXPECT_EQ(m_timers.period(kAutosaveTimer), 3600000);
}

TEST_F(Autosave, EscapeClosesAndAStrayValueIsKeptInRange)
{
    g_bAutosaveOff = 0;
    g_nAutosaveMinutes = 500; // from a damaged project file
    WhenModal<CAutosave>([](CAutosave& dialog) {
        EXPECT_EQ(Minutes(dialog), QStringLiteral("60"));
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(RunAutosaveDialog(m_dlg.get()), IDCANCEL);
    EXPECT_EQ(g_nAutosaveMinutes, 500) << "nothing is written without OK";

    g_nAutosaveMinutes = 0; // a zero period would autosave without pause
    WhenModal<CAutosave>([](CAutosave& dialog) {
        Press(dialog, CAutosave::IDC_OK_PLACEHOLDER);
    });
    EXPECT_EQ(RunAutosaveDialog(m_dlg.get()), IDOK);
    EXPECT_EQ(g_nAutosaveMinutes, 1);
}

// Help > About shows the program's version under its caption.
TEST_F(Autosave, AboutShowsTheProgramsVersion)
{
    QString version, caption;
    WhenModal<CNewAboutDlg>([&](CNewAboutDlg& about) {
        version = LabelText(about, CNewAboutDlg::IDC_VERSION);
        caption = about.windowTitle();
        QTest::mouseClick(&about, Qt::LeftButton, {}, QPoint(200, 150));
    });
    m_dlg->OnCommand(ID_ABOUT);
    EXPECT_EQ(version, QStringLiteral("Version 8.102.0"));
    EXPECT_EQ(caption, QStringLiteral("About Corvane"));
}

TEST(AboutBox, ClosesOnTheFirstLeftClickOnly)
{
    CNewAboutDlg about;
    about.show();
    QTest::mouseClick(&about, Qt::RightButton, {}, QPoint(200, 150));
    EXPECT_TRUE(about.isVisible());
    QTest::mouseClick(&about, Qt::LeftButton, {}, QPoint(200, 150));
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), IDCANCEL);
}
