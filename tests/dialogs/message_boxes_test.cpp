#include "support/console_fixture.h"

#include <QTest>

#include "dialogs/message_dialog.h"
#include "dialogs/metering_dialog.h"
#include "dialogs/self_closing_dialog.h"
#include "dialogs/yes_no_dialogs.h"

using namespace console_test;

namespace {

class MessageBoxTest : public DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        g_strMessage = QStringLiteral("Unit 3 did not answer.");
    }
};

// An answer given to a box: a click on the button over a placeholder, or a key.
struct Answer {
    int placeholder; // 0 for a key
    int key;         // a character or a Qt::Key
    int expected;
};

template <typename Box>
void ExpectAnswers(std::initializer_list<Answer> answers)
{
    for (const Answer& a : answers) {
        Box box;
        box.show();
        if (a.placeholder)
            Press(box, a.placeholder);
        else if (a.key < 0x100)
            QTest::keyClick(&box, char(a.key));
        else
            QTest::keyClick(&box, Qt::Key(a.key));
        EXPECT_EQ(box.result(), a.expected) << a.placeholder << " " << a.key;
    }
}

} // namespace

TEST_F(MessageBoxTest, MessageBoxAnswersByItsButtonItsKeyEnterAndEscape)
{
    ExpectAnswers<CMessageDialog>({
        {CMessageDialog::IDC_OK_PLACEHOLDER, 0, IDOK},
        {0, 'O', IDOK}, {0, 'o', IDOK},
        {0, Qt::Key_Return, IDOK}, {0, Qt::Key_Enter, IDOK}, {0, Qt::Key_Escape, IDCANCEL},
    });
    CMessageDialog box;
    box.show();
    EXPECT_EQ(LabelText(box, CMessageDialog::IDC_MESSAGE), g_strMessage);
    QTest::keyClick(&box, 'x');
    EXPECT_TRUE(box.isVisible()) << "other characters do nothing";
    // The window's close button counts as Escape.
    box.close();
    EXPECT_EQ(box.result(), IDCANCEL);
}

TEST_F(MessageBoxTest, YesNoBoxesAnswerByButtonsCharactersAndKeys)
{
    ExpectAnswers<CNewYesNoDialog>({
        {CNewYesNoDialog::IDC_YES_PLACEHOLDER, 0, IDYES},
        {CNewYesNoDialog::IDC_NO_PLACEHOLDER, 0, IDNO},
        {0, 'y', IDYES}, {0, 'Y', IDYES}, {0, 'n', IDNO}, {0, 'N', IDNO},
        {0, Qt::Key_Return, IDOK}, {0, Qt::Key_Escape, IDCANCEL},
    });
    // Neither a stray character nor the third box's Cancel key answers.
    CNewYesNoDialog box;
    box.show();
    QTest::keyClick(&box, 'c');
    QTest::keyClick(&box, 'q');
    EXPECT_TRUE(box.isVisible());

    // The third box adds Cancel and keeps the other two answers.
    ExpectAnswers<CNewYesNoCancelDialog>({
        {CNewYesNoCancelDialog::IDC_CANCEL_PLACEHOLDER, 0, IDCANCEL},
        {CNewYesNoCancelDialog::IDC_NO_PLACEHOLDER, 0, IDNO},
        {0, 'c', IDCANCEL}, {0, 'C', IDCANCEL}, {0, 'y', IDYES},
    });
}

TEST_F(MessageBoxTest, SelfClosingBoxEndsWithOkWhenItsTimerFires)
{
    CSelfClosingDlg box;
    EXPECT_FALSE(box.isCloseTimerArmed()) << "the time runs from the opening";
    box.show();
    ASSERT_TRUE(box.isCloseTimerArmed());

    box.OnTimer(7); // not its timer
    EXPECT_TRUE(box.isVisible());
    box.OnTimer(CSelfClosingDlg::kTimerClose);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), IDOK);

    // Ended early, the box is not ended again by its timer.
    CSelfClosingDlg early;
    early.show();
    QTest::keyClick(&early, Qt::Key_Escape);
    EXPECT_EQ(early.result(), IDCANCEL);
    EXPECT_FALSE(early.isCloseTimerArmed());
}

TEST_F(MessageBoxTest, SelfClosingBoxRunsModallyUntilItsTimerEndsIt)
{
    // A zero period lets the real timer end the modal loop at once.
    CSelfClosingDlg box(nullptr, 0);
    EXPECT_EQ(box.DoModal(), IDOK);
}

TEST_F(MessageBoxTest, DraggedByTheCaptionStripOnlyOrByTheBodyWhereTheDialogSaysSo)
{
    // Press, move by (30, 20) and release at a point of the dialog.
    const auto drag = [](QWidget& dialog, QPoint from) {
        QTest::mousePress(&dialog, Qt::LeftButton, {}, from);
        QTest::mouseMove(&dialog, from + QPoint(30, 20));
        QTest::mouseRelease(&dialog, Qt::LeftButton, {}, from + QPoint(30, 20));
    };
    CMessageDialog box;
    box.move(100, 100);
    box.show();
    const QPoint start = box.pos();
    drag(box, QPoint(box.width() / 2, 12));
    EXPECT_EQ(box.pos(), start + QPoint(30, 20));
    drag(box, QPoint(9, 120)); // on the body
    EXPECT_EQ(box.pos(), start + QPoint(30, 20));

    CNewMeteringDialog meters;
    meters.move(100, 100);
    meters.show();
    drag(meters, QPoint(meters.width() - 20, meters.height() - 12)); // below the title strip
    EXPECT_EQ(meters.pos(), start + QPoint(30, 20));
}
