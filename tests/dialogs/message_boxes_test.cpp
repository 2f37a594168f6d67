#include "support/console_fixture.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QScreen>
#include <QTest>

#include "controls/dialog_font_adapter.h"
#include "dialogs/message_dialog.h"
#include "dialogs/message_text.h"
#include "dialogs/metering_dialog.h"
#include "dialogs/modeless_notice.h"
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

// A message naming a project file whose name of 200 characters has no blank.
QString LongPathMessage()
{
    QString name;
    while (name.size() < 200)
        name += QStringLiteral("Sunday_service_");
    name.truncate(200);
    return QStringLiteral("Cannot open file /home/op/shows/") + name + QStringLiteral(".qsx");
}

// The box shows text whole: the lines its message static paints give the
// text back, each inside the static, the static inside the box, and the
// buttons (as many as given) below the last line and inside the box.
void ExpectWholeMessage(const QWidget& box, const CMessageStatic* message, const QString& text, int buttons)
{
    ASSERT_NE(message, nullptr) << "the text is not laid out in lines that keep long words";
    const QRect area(message->mapTo(&box, QPoint()), message->size());
    EXPECT_TRUE(box.rect().contains(area));
    const std::vector<MessageTextLine> lines = message->lines();
    ASSERT_FALSE(lines.empty());
    QString joined;
    for (const MessageTextLine& line : lines) {
        joined += line.text;
        EXPECT_TRUE(QRectF(message->rect()).contains(line.rect)) << line.text.toStdString();
    }
    EXPECT_EQ(joined, text);
    const qreal textBottom = area.top() + lines.back().rect.bottom();
    int seen = 0;
    for (const QWidget* button : box.findChildren<QWidget*>()) {
        if (!button->isVisible()
            || !(qobject_cast<const QAbstractButton*>(button) || qobject_cast<const CBrannockButton*>(button)))
            continue;
        ++seen;
        const QRect place(button->mapTo(&box, QPoint()), button->size());
        EXPECT_GT(place.top(), textBottom);
        EXPECT_TRUE(box.rect().contains(place));
    }
    EXPECT_EQ(seen, buttons);
}

} // namespace

// Every box whose text may name a file or a name shows a long path without
// blanks whole, broken inside the word, and grows for it where its message
// area is too low; a short message keeps the box's layout.
TEST_F(MessageBoxTest, EveryBoxShowsALongPathWholeAndAShortMessageInItsLayout)
{
    for (const QString& text : {g_strMessage, LongPathMessage()}) {
        SCOPED_TRACE(text.toStdString());
        const auto expectLayoutSize = [isShort = text.size() < 30](const QWidget& box, const DialogTemplate& layout) {
            if (isShort) {
                EXPECT_EQ(box.size(), DialogClientSize(layout));
            }
        };
        g_strMessage = text;
        {
            CMessageDialog box;
            box.show();
            ExpectWholeMessage(box, FindMessageStatic(&box, CMessageDialog::IDC_MESSAGE), text, 1);
            expectLayoutSize(box, CMessageDialog::Layout());
        }
        {
            CSelfClosingDlg box;
            box.show();
            ExpectWholeMessage(box, FindMessageStatic(&box, CSelfClosingDlg::IDC_MESSAGE), text, 0);
            expectLayoutSize(box, CSelfClosingDlg::Layout());
            // A box still up takes a repeat's text the same way.
            box.ShowAgain(LongPathMessage() + QStringLiteral(" again"));
            ExpectWholeMessage(box, FindMessageStatic(&box, CSelfClosingDlg::IDC_MESSAGE),
                               LongPathMessage() + QStringLiteral(" again"), 0);
        }
        {
            CNewYesNoDialog box;
            box.show();
            ExpectWholeMessage(box, FindMessageStatic(&box, CNewYesNoDialog::IDC_MESSAGE), text, 2);
            expectLayoutSize(box, CNewYesNoDialog::Layout());
        }
        {
            CNewYesNoCancelDialog box;
            box.show();
            ExpectWholeMessage(box, FindMessageStatic(&box, CNewYesNoCancelDialog::IDC_MESSAGE), text, 3);
            expectLayoutSize(box, CNewYesNoCancelDialog::Layout());
        }
        {
            g_strNoticeText = text;
            std::unique_ptr<CModeless> notice(CModeless::ShowNotice(nullptr, true));
            notice->OnTimer(CModeless::kTimerShowTexts);
            ExpectWholeMessage(*notice, FindMessageStatic(notice.get(), CModeless::IDC_MESSAGE), text, 2);
            expectLayoutSize(*notice, CModeless::Layout());
        }
    }
}

// A text longer than any screen holds grows the box only to the screen's
// height; a box that grows while it is up keeps its centre, and a short
// text after a long one gives the box its layout back.
TEST_F(MessageBoxTest, ABoxGrowsNoTallerThanTheScreen)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    g_strMessage = QString(40, QLatin1Char(' ')).replace(QLatin1Char(' '), LongPathMessage() + QLatin1Char(' '));
    CMessageDialog message;
    message.show();
    EXPECT_GT(message.height(), DialogClientSize(CMessageDialog::Layout()).height());
    EXPECT_LE(message.frameGeometry().height(), screen.height());
    EXPECT_TRUE(message.rect().contains(ButtonOver(message, CMessageDialog::IDC_OK_PLACEHOLDER)->geometry()));

    g_strMessage = QStringLiteral("Slot 4 is now unused.");
    CSelfClosingDlg box;
    box.show();
    const QPoint centre = box.geometry().center();
    box.ShowAgain(QString(5, QLatin1Char(' ')).replace(QLatin1Char(' '), LongPathMessage() + QLatin1Char(' ')));
    EXPECT_GT(box.height(), DialogClientSize(CSelfClosingDlg::Layout()).height());
    EXPECT_LE(std::abs(box.geometry().center().y() - centre.y()), 1);
    box.ShowAgain(g_strMessage);
    EXPECT_EQ(box.size(), DialogClientSize(CSelfClosingDlg::Layout()));
    EXPECT_EQ(box.geometry().center(), centre);
}

// The plain box (ShowMessage), laid out by the toolkit, shows a long path
// whole too, and still hands out the text as it was given.
TEST_F(MessageBoxTest, PlainMessageBoxShowsALongPathWhole)
{
    SetShowMessageHandler({});
    const QString text = LongPathMessage();
    bool shown = false;
    WhenModal<QMessageBox>([&](QMessageBox& box) {
        shown = true;
        EXPECT_EQ(box.text(), text);
        CMessageStatic* message = nullptr;
        for (CMessageStatic* visible : box.findChildren<CMessageStatic*>())
            message = visible->isVisible() ? visible : message;
        ExpectWholeMessage(box, message, text, 1);
        box.done(QMessageBox::Ok);
    });
    ShowMessage(text);
    EXPECT_TRUE(shown);
}

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
