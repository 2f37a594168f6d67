#include "support/console_fixture.h"

#include <QKeyEvent>
#include <QTest>
#include <QTextCursor>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "dialogs/naming_dialogs.h"
#include "dialogs/rename_link_group_dialog.h"

#include "platform/qt_printers.h"

using namespace console_test;

namespace {

void Retype(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

class NamingTest : public DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        SetOverviewRepaintHandler([this] { ++overviewRepaints; });
    }
    void TearDown() override
    {
        SetOverviewRepaintHandler({});
        DialogFixture::TearDown();
    }

    int overviewRepaints = 0;
};

using Channel = CChannelNamingDlg;
using Unit = CNewUnitNamingDlg;

} // namespace

TEST_F(NamingTest, ChannelNamingStoresOnNextKeepsStoredTextsOnCancelAndMovesTheChannel)
{
    g_nCurrentChannel = 11;
    g_ChannelNotes[11] = QStringLiteral("line one\r\nline two");
    Channel dlg;
    dlg.show();
    EXPECT_EQ(LabelText(dlg, Channel::IDC_PROMPT), QStringLiteral("Enter the desired title for Channel 12"));
    EXPECT_EQ(dlg.notesEdit()->toPlainText(), QStringLiteral("line one\nline two"));

    Retype(dlg.nameEdit(), QStringLiteral("Kick"));
    Press(dlg, Channel::IDC_NEXT_PLACEHOLDER);
    EXPECT_EQ(g_ChannelTitle[11], QStringLiteral("Kick"));
    EXPECT_EQ(g_ChannelNotes[11], QStringLiteral("line one\r\nline two")) << "notes keep CR LF";
    EXPECT_EQ(g_nCurrentChannel, 12);
    EXPECT_EQ(dlg.nameEdit()->text(), QStringLiteral("Ch 13"));
    EXPECT_TRUE(dlg.isTimerArmed(Channel::kTimerCaret)) << "the caret timer starts again";
    EXPECT_GE(overviewRepaints, 1);

    Retype(dlg.nameEdit(), QStringLiteral("Snare"));
    Press(dlg, Channel::IDC_CANCEL_PLACEHOLDER);
    EXPECT_EQ(dlg.result(), IDCANCEL);
    EXPECT_EQ(g_ChannelTitle[12], QStringLiteral("Ch 13")) << "Cancel stores nothing";
    EXPECT_EQ(g_ChannelTitle[11], QStringLiteral("Kick")) << "what Next stored stays";
    EXPECT_EQ(g_nCurrentChannel, 12) << "the current channel stays moved";
}

TEST_F(NamingTest, ChannelNamingKeysAndEnds)
{
    // Left in the title field stores and moves to the previous channel.
    g_nCurrentChannel = 40;
    {
        Channel dlg;
        dlg.show();
        dlg.nameEdit()->setFocus();
        Retype(dlg.nameEdit(), QStringLiteral("Vox"));
        QTest::keyClick(dlg.nameEdit(), Qt::Key_Left);
        EXPECT_EQ(g_ChannelTitle[40], QStringLiteral("Vox"));
        EXPECT_EQ(g_nCurrentChannel, 39) << "one step: the key is pre-translated once";
        QTest::keyClick(dlg.nameEdit(), Qt::Key_Right);
        EXPECT_EQ(g_nCurrentChannel, 40);
        // Enter in the notes is OK: it stores, closes and puts no line break in.
        dlg.notesEdit()->setFocus();
        QTest::keyClicks(dlg.notesEdit(), QStringLiteral("lead"));
        QTest::keyClick(dlg.notesEdit(), Qt::Key_Return);
        EXPECT_EQ(dlg.result(), IDOK);
        EXPECT_EQ(g_ChannelNotes[40], QStringLiteral("lead"));
    }
    // The ends beep and stay; the texts are still stored.
    g_nCurrentChannel = 0;
    {
        Channel dlg;
        dlg.show();
        Retype(dlg.nameEdit(), QStringLiteral("First"));
        Press(dlg, Channel::IDC_PREV_PLACEHOLDER);
        EXPECT_EQ(m_beeps, 1);
        EXPECT_EQ(g_nCurrentChannel, 0);
        EXPECT_EQ(g_ChannelTitle[0], QStringLiteral("First"));
    }
    g_nCurrentChannel = kChannelCount - 1;
    {
        Channel dlg;
        dlg.show();
        Press(dlg, Channel::IDC_NEXT_PLACEHOLDER);
        EXPECT_EQ(m_beeps, 2);
        EXPECT_EQ(g_nCurrentChannel, kChannelCount - 1);
    }
}

TEST_F(NamingTest, TheCaretTimerPutsTheCaretAtTheStartOfTheName)
{
    g_nCurrentChannel = 7;
    g_ChannelTitle[7] = QStringLiteral("Overhead L");
    Channel dlg;
    dlg.show();
    EXPECT_TRUE(dlg.isTimerArmed(Channel::kTimerCaret));
    dlg.nameEdit()->selectAll();
    dlg.OnTimer(Channel::kTimerCaret);
    EXPECT_EQ(dlg.nameEdit()->cursorPosition(), 0);
    EXPECT_FALSE(dlg.nameEdit()->hasSelectedText());
}

TEST_F(NamingTest, UnitNamesGoToBothSlotsOfAPairedUnitAndToOneSlotAbove)
{
    const int savedScene = g_nCurrentIndex = 3;
    {
        Unit dlg(5);
        dlg.show();
        EXPECT_EQ(LabelText(dlg, Unit::IDC_PROMPT), QStringLiteral("Enter the desired title for Unit 3"));
        Retype(dlg.nameEdit(), QStringLiteral("Stage Left"));
        dlg.notesEdit()->setPlainText(QStringLiteral("rack 2"));
        Press(dlg, Unit::IDC_OK_PLACEHOLDER);
        EXPECT_EQ(dlg.result(), IDOK);
    }
    EXPECT_EQ(g_UnitName[4], QStringLiteral("Stage Left"));
    EXPECT_EQ(g_UnitName[5], QStringLiteral("Stage Left"));
    EXPECT_EQ(g_UnitNotes[4], QStringLiteral("rack 2"));
    EXPECT_EQ(g_nCurrentIndex, savedScene) << "the active scene index is not the dialog's";

    const QString before39 = g_UnitName[39];
    {
        Unit dlg(40);
        dlg.show();
        EXPECT_EQ(LabelText(dlg, Unit::IDC_PROMPT), QStringLiteral("Enter the desired title for Unit 25"));
        Retype(dlg.nameEdit(), QStringLiteral("Drum Riser"));
        Press(dlg, Unit::IDC_OK_PLACEHOLDER);
    }
    EXPECT_EQ(g_UnitName[40], QStringLiteral("Drum Riser"));
    EXPECT_EQ(g_UnitName[41], QStringLiteral("KR-9X Unit 26 Unused"));
    EXPECT_EQ(g_UnitName[39], before39);
}

TEST_F(NamingTest, UnitNamingStepsByUnitAndBeepsAtTheEnds)
{
    // The 16-channel mode: two slots per unit below index 32, one above.
    EXPECT_EQ(Unit::NextIndex(31, true), 32) << "unit 17 is not skipped";
    EXPECT_EQ(Unit::NextIndex(32, true), 33) << "nor are the single-slot units";
    EXPECT_EQ(Unit::NextIndex(47, true), 47);
    EXPECT_EQ(Unit::PrevIndex(33, true), 32);
    EXPECT_EQ(Unit::PrevIndex(32, true), 30);
    EXPECT_EQ(Unit::PrevIndex(1, true), 0);
    // The mixed mode steps slot by slot.
    EXPECT_EQ(Unit::NextIndex(4, false), 5);
    EXPECT_EQ(Unit::PrevIndex(4, false), 3);

    Unit dlg(46);
    dlg.show();
    Retype(dlg.nameEdit(), QStringLiteral("Remote A"));
    Press(dlg, Unit::IDC_NEXT_PLACEHOLDER);
    EXPECT_EQ(dlg.currentIndex(), 47);
    EXPECT_EQ(g_UnitName[46], QStringLiteral("Remote A"));
    EXPECT_EQ(m_beeps, 0);
    Press(dlg, Unit::IDC_NEXT_PLACEHOLDER);
    EXPECT_EQ(dlg.currentIndex(), 47);
    EXPECT_EQ(m_beeps, 1);

    Unit low(1);
    low.show();
    Retype(low.nameEdit(), QStringLiteral("FOH"));
    QTest::keyClick(low.nameEdit(), Qt::Key_Left);
    EXPECT_EQ(low.currentIndex(), 0);
    EXPECT_EQ(m_beeps, 2);
    EXPECT_EQ(g_UnitName[0], QStringLiteral("FOH"));

    // Cancel after several steps keeps what the steps stored.
    Retype(low.nameEdit(), QStringLiteral("Monitor World"));
    QTest::keyClick(low.nameEdit(), Qt::Key_Right);
    EXPECT_EQ(low.currentIndex(), 2);
    Retype(low.nameEdit(), QStringLiteral("thrown away"));
    Press(low, Unit::IDC_CANCEL_PLACEHOLDER);
    EXPECT_EQ(g_UnitName[0], QStringLiteral("Monitor World"));
    EXPECT_EQ(g_UnitName[1], QStringLiteral("Monitor World"));
    EXPECT_EQ(g_UnitName[2], QStringLiteral("KR-960 Unit 2 Unused"));
}

TEST_F(NamingTest, FieldsTakeNoMoreThanTheFileKeepsAndNothingItCannotHold)
{
    g_nCurrentChannel = 0;
    Channel dlg;
    dlg.show();
    CNameEdit* name = dlg.nameEdit();
    name->clear();
    QTest::keyClicks(name, QString(120, QLatin1Char('a')));
    EXPECT_EQ(name->text().size(), kMaxStoredTextLength);
    // A paste that does not fit goes in as far as it fits.
    name->setText(QString(95, QLatin1Char('b')));
    name->setCursorPosition(10);
    name->insert(QStringLiteral("123456789"));
    EXPECT_EQ(name->text(), QString(10, QLatin1Char('b')) + QStringLiteral("1234")
                                + QString(85, QLatin1Char('b')));
    EXPECT_EQ(name->cursorPosition(), 14);
    // Characters the code page lacks stay out; its own (é, €) go in.
    name->clear();
    name->insert(QStringLiteral("Caf\u00e9 \u20ac5 \u03a9\u2603 \u4e2d!"));
    EXPECT_EQ(name->text(), QStringLiteral("Caf\u00e9 \u20ac5  !"));

    // Notes: a line end takes two characters of the field.
    CNotesEdit* notes = dlg.notesEdit();
    notes->clear();
    notes->insertPlainText(QString(98, QLatin1Char('n')) + QStringLiteral("\nxyz"));
    EXPECT_EQ(notes->toPlainText(), QString(98, QLatin1Char('n')));
    notes->clear();
    notes->insertPlainText(QString(97, QLatin1Char('n')) + QStringLiteral("\nxyz"));
    EXPECT_EQ(notes->toPlainText(), QString(97, QLatin1Char('n')) + QStringLiteral("\n"));
    notes->clear();
    notes->insertPlainText(QStringLiteral("one\r\ntwo\u2603"));
    EXPECT_EQ(notes->StoredText(), QStringLiteral("one\r\ntwo"));

    // A longer stored text shows whole, cannot grow, and is stored at the limit.
    g_ChannelTitle[1] = QString(150, QLatin1Char('L'));
    Press(dlg, Channel::IDC_NEXT_PLACEHOLDER);
    EXPECT_EQ(name->text().size(), 150);
    name->end(false);
    QTest::keyClick(name, Qt::Key_X);
    EXPECT_EQ(name->text().size(), 150);
    Press(dlg, Channel::IDC_OK_PLACEHOLDER);
    EXPECT_EQ(g_ChannelTitle[1], QString(kMaxStoredTextLength, QLatin1Char('L')));
}

TEST_F(NamingTest, StoredTextRulesTheFieldsDoNotReach)
{
    EXPECT_EQ(ToStoredText(QStringLiteral("a\nb"), false), QStringLiteral("ab"));
    EXPECT_FALSE(IsStorableCharacter(QChar(0x81), false)) << "a code the code page leaves unused";
    EXPECT_FALSE(IsStorableCharacter(QLatin1Char('\t'), false));
    EXPECT_TRUE(IsStorableCharacter(QLatin1Char('\t'), true));
}

TEST_F(NamingTest, NewSceneNamesTheNextEntryAndAFullListTakesNoMore)
{
    g_nSceneCount = 4;
    {
        CNewSceneDialog dlg;
        dlg.show();
        dlg.nameEdit()->selectAll();
        QTest::keyClicks(dlg.nameEdit(), QStringLiteral("Act *2*"));
        EXPECT_EQ(dlg.nameEdit()->text(), QStringLiteral("Act 2")) << "the scene list's mark stays out";
        dlg.notesEdit()->setPlainText(QStringLiteral("band change"));
        Press(dlg, CNewSceneDialog::IDC_OK_PLACEHOLDER);
        EXPECT_EQ(dlg.result(), IDOK);
    }
    EXPECT_EQ(g_SceneName[4], QStringLiteral("Act 2"));
    EXPECT_EQ(g_SceneNotes[4], QStringLiteral("band change"));

    // A full list has no entry for another scene: nothing is written past it.
    g_nSceneCount = kSceneCapacity;
    {
        CNewSceneDialog dlg;
        dlg.show();
        QTest::keyClicks(dlg.nameEdit(), QStringLiteral("one too many"));
        Press(dlg, CNewSceneDialog::IDC_OK_PLACEHOLDER);
        EXPECT_EQ(dlg.result(), IDCANCEL);
    }
    EXPECT_EQ(m_messages.size(), 1);
}

TEST_F(NamingTest, RenameSceneHandsTheNameBackAndStoresTheNotes)
{
    g_nCurrentIndex = 2;
    g_SceneName[2] = QStringLiteral("Soundcheck");
    g_SceneNotes[2] = QStringLiteral("old notes");
    CRenameScene dlg;
    dlg.show();
    EXPECT_EQ(dlg.nameEdit()->text(), QStringLiteral("Soundcheck"));
    EXPECT_EQ(dlg.notesEdit()->toPlainText(), QStringLiteral("old notes"));
    Retype(dlg.nameEdit(), QStringLiteral("Show"));
    dlg.notesEdit()->setPlainText(QStringLiteral("new notes"));
    QTest::keyClick(dlg.nameEdit(), Qt::Key_Enter);
    EXPECT_EQ(dlg.result(), IDOK);
    EXPECT_EQ(g_strRenamedScene, QStringLiteral("Show"));
    EXPECT_EQ(g_SceneName[2], QStringLiteral("Soundcheck")) << "the caller renames the scene";
    EXPECT_EQ(g_SceneNotes[2], QStringLiteral("new notes"));
}

// Every naming dialog: Enter held with Shift or Ctrl is OK, with no line
// break in the notes; the Cancel key cancels in each form X delivers it.
TEST_F(NamingTest, ShiftOrCtrlWithEnterIsOkAndTheCancelKeyCancelsInEveryNamingDialog)
{
    struct Kind {
        const char* name;
        std::function<std::unique_ptr<CNameNotesDialog>()> open;
        std::function<QString()> storedNotes;
    };
    const Kind kinds[] = {
        {"channel", [] { g_nCurrentChannel = 9; return std::make_unique<CChannelNamingDlg>(); },
         [] { return g_ChannelNotes[9]; }},
        {"unit", [] { return std::make_unique<CNewUnitNamingDlg>(40); }, [] { return g_UnitNotes[40]; }},
        {"new scene", [] { g_nSceneCount = 3; return std::make_unique<CNewSceneDialog>(); },
         [] { return g_SceneNotes[3]; }},
        {"rename scene", [] { g_nCurrentIndex = 2; return std::make_unique<CRenameScene>(); },
         [] { return g_SceneNotes[2]; }},
        {"link group", [] { g_nCurrentLinkGroup = 4; return std::make_unique<CRenameLinkGroup>(); },
         [] { return g_LinkGroupNotes[4]; }},
    };
    using D = CNameNotesDialog;
    const std::pair<std::function<void(D&)>, int> keys[] = {
        {[](D& d) { QTest::keyClick(d.notesEdit(), Qt::Key_Return, Qt::ShiftModifier); }, IDOK},
        {[](D& d) { QTest::keyClick(d.notesEdit(), Qt::Key_Return, Qt::ControlModifier); }, IDOK},
        {[](D& d) {
             QTest::keyClick(d.nameEdit(), Qt::Key_Enter, Qt::ControlModifier | Qt::ShiftModifier | Qt::KeypadModifier);
         },
         IDOK},
        {[](D& d) { QTest::sendKeyEvent(QTest::Click, d.notesEdit(), Qt::Key_Cancel, QString(), Qt::NoModifier); },
         IDCANCEL},
        {[](D& d) { QTest::keyClick(d.nameEdit(), Qt::Key_Pause, Qt::ControlModifier); }, IDCANCEL},
        {[](D& d) {
             // Ctrl+Break as X hands it over: the keysym Break, which Qt names no key.
             QKeyEvent press(QEvent::KeyPress, 0, Qt::ControlModifier, 127, 0xff6b, 0x4);
             QApplication::sendEvent(d.notesEdit(), &press);
         },
         IDCANCEL},
    };
    for (const Kind& kind : kinds) {
        for (std::size_t k = 0; k < std::size(keys); ++k) {
            const auto& [press, result] = keys[k];
            const std::string what = std::string(kind.name) + ", key " + std::to_string(k);
            std::unique_ptr<D> dlg = kind.open();
            dlg->show();
            dlg->notesEdit()->setPlainText(result == IDOK ? QStringLiteral("kept") : QStringLiteral("dropped"));
            dlg->notesEdit()->moveCursor(QTextCursor::End);
            press(*dlg);
            EXPECT_EQ(dlg->result(), result) << what;
            EXPECT_FALSE(dlg->isVisible()) << what;
            // OK stored the notes as typed; Cancel stores nothing.
            EXPECT_EQ(kind.storedNotes(), QStringLiteral("kept")) << what;
        }
    }
}
