// Which window a box belongs to. A box or dialog run modally while the
// operator is in another modal dialog belongs to that dialog and opens
// centred on it; the boxes the console puts up on its own (the notice, the
// boxes units raise) stay with the main window, so that closing a dialog
// never takes them along.

#include "support/console_fixture.h"

#include <QDir>
#include <QListWidget>
#include <QWindow>

#include "app/command_ids.h"
#include "app/datagram_boxes.h"
#include "dialogs/link_group_members_dialog.h"
#include "dialogs/link_matrix_dialog.h"
#include "dialogs/message_dialog.h"
#include "dialogs/modeless_notice.h"

using namespace console_test;

namespace {

// How far a box's centre may lie from its owner's.
constexpr int kCentring = 2;
// How far from the screen's centre a dialog is moved: boxes centred on it
// stay clear of the screen's edges.
constexpr int kAside = 120;

// A window as it was while a box was up over it (the dialogs are gone
// once the test looks).
struct Seen {
    bool shown = false;
    bool skinned = false;
    QWidget* widget = nullptr;
    QWidget* parentWindow = nullptr;
    QWindow* window = nullptr;
    QWindow* transientParent = nullptr;
    QRect geometry;
};

Seen Note(QWidget& w)
{
    Seen seen;
    seen.shown = w.isVisible();
    seen.skinned = qobject_cast<CSkinnedDialog*>(&w) != nullptr;
    seen.widget = &w;
    seen.parentWindow = w.parentWidget() ? w.parentWidget()->window() : nullptr;
    seen.window = w.windowHandle();
    seen.transientParent = seen.window ? seen.window->transientParent() : nullptr;
    seen.geometry = w.geometry();
    return seen;
}

std::string Text(const QRect& r)
{
    return QStringLiteral("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

// The boxes are the real ones; the main window is up, as the operator has it.
class ModalOwnerTest : public ConsoleFixture {
protected:
    void SetUp() override
    {
        ConsoleFixture::SetUp();
        SetShowMessageHandler({});
        SetMessageBoxHandler({});
        SetNoticeHandler({});
        SetDatagramBoxHandler({});
        m_dlg->show();
    }
    void TearDown() override
    {
        if (CModeless* notice = CModeless::current())
            delete notice;
        for (QWidget* box : DatagramBoxes::instance().onScreen())
            delete box;
        CLinkMatrixDlg::SetActiveSceneRecapture({});
        ConsoleFixture::TearDown();
    }

    // Checks that the box noted belongs to owner and, when it is one of the
    // program's borderless boxes, sits centred on it (Qt centres a box with
    // a title bar itself, allowing for a frame the offscreen screen lacks).
    static void ExpectOwnedBy(const Seen& box, const Seen& owner, const char* what)
    {
        SCOPED_TRACE(what);
        ASSERT_TRUE(owner.shown) << "the dialog never showed";
        ASSERT_TRUE(box.shown) << "the box never showed";
        EXPECT_EQ(box.parentWindow, owner.widget);
        EXPECT_EQ(box.transientParent, owner.window);
        if (!box.skinned)
            return;
        const QPoint off = box.geometry.center() - owner.geometry.center();
        EXPECT_LE(std::abs(off.x()), kCentring) << Text(box.geometry) << " on " << Text(owner.geometry);
        EXPECT_LE(std::abs(off.y()), kCentring) << Text(box.geometry) << " on " << Text(owner.geometry);
    }

    // Moves a dialog well away from the main window's centre (to the side
    // of the screen away from it) so that a box centred on the main window
    // shows as such.
    void MoveAside(QWidget& dialog)
    {
        const QRect screen = dialog.screen()->availableGeometry();
        const int side = m_dlg->geometry().center().x() > screen.center().x() ? -1 : 1;
        QRect wanted = dialog.geometry();
        wanted.moveCenter(screen.center() + QPoint(side * kAside, 0));
        dialog.move(wanted.topLeft());
    }
};

} // namespace

// Link Matrix > a group title's double click > a member's double click: the
// channel's title box belongs to the member list and is centred on it. A
// box a unit raises and the notice, both while it is up, belong to the main
// window.
TEST_F(ModalOwnerTest, TheTitleBoxOfAMemberBelongsToTheMemberListAndUnitBoxesToTheMainWindow)
{
    Add132(1, true, 1);
    g_nCurrentChannel = 2;
    m_dlg->SetCurrentChannelGroup(1, false);
    g_ChannelTitle[2] = QStringLiteral("Snare");

    Seen list, titleBox, unitBox, notice;
    QString shownText;
    WhenModal<CLinkMatrixDlg>([&](CLinkMatrixDlg& matrix) {
        WhenModal<CLinkedChannelNamesDlg>([&](CLinkedChannelNamesDlg& members) {
            MoveAside(members);
            WhenModal<CMessageDialog>([&](CMessageDialog& box) {
                list = Note(members);
                titleBox = Note(box);
                shownText = LabelText(box, CMessageDialog::IDC_MESSAGE);
                g_strNoticeCaption = QStringLiteral("Unit ID Conflict");
                g_strNoticeText = QStringLiteral("Two units answer to one ID.");
                ShowModelessNotice(false);
                ShowDatagramBox(DatagramBoxKind::PlainMessage, 1, QStringLiteral("Wrong SubnetMask."));
                if (CModeless* up = CModeless::current())
                    notice = Note(*up);
                if (const auto boxes = DatagramBoxes::instance().onScreen(); boxes.size() == 1)
                    unitBox = Note(*boxes.front());
                Press(box, CMessageDialog::IDC_OK_PLACEHOLDER);
            });
            QListWidget* entries = members.members();
            ASSERT_EQ(entries->count(), 1);
            const QPoint entry = entries->visualItemRect(entries->item(0)).center();
            QTest::mouseClick(entries->viewport(), Qt::LeftButton, {}, entry);
            QTest::mouseDClick(entries->viewport(), Qt::LeftButton, {}, entry);
            Press(members, CLinkedChannelNamesDlg::IDC_OK_PLACEHOLDER);
        });
        QTest::mouseDClick(&matrix, Qt::LeftButton, {}, g_rcLinkGroupTitle[0].center());
        Press(matrix, CLinkMatrixDlg::IDC_OK_PLACEHOLDER);
    });
    m_dlg->OnCommand(ID_EDIT_LINK);

    EXPECT_EQ(shownText, QStringLiteral("Channel 3 Title\n\nSnare"));
    ExpectOwnedBy(titleBox, list, "the member's title box");
    EXPECT_TRUE(notice.shown);
    EXPECT_EQ(notice.parentWindow, m_dlg.get()) << "the notice";
    EXPECT_TRUE(unitBox.shown);
    EXPECT_EQ(unitBox.parentWindow, m_dlg.get()) << "the unit's box";
    // Both outlive the dialogs they came up over.
    EXPECT_NE(CModeless::current(), nullptr);
    EXPECT_EQ(DatagramBoxes::instance().onScreen().size(), 1u);
}

// Every way the console runs a box or dialog modally gives it the dialog the
// operator is in: the program's boxes, the plain message box, the file
// chooser and a dialog of the main window's commands. Without a dialog up
// they belong to the main window.
TEST_F(ModalOwnerTest, EveryModalBoxOpenedFromADialogBelongsToThatDialog)
{
    struct Case {
        const char* what;
        std::function<void()> open;
    };
    const std::vector<Case> cases{
        {"message box", [] { RunMessageBox(MessageBoxKind::Message); }},
        {"question", [] { RunMessageBox(MessageBoxKind::YesNoCancel); }},
        {"plain message", [] { ShowMessage(QStringLiteral("Bad file")); }},
        {"file chooser", [] { ChooseProjectFile(false, QDir::tempPath()); }},
        {"About", [this] { m_dlg->OnCommand(ID_ABOUT); }},
    };
    g_strMessage = QStringLiteral("A word.");
    for (const bool overDialog : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            QWidget* outer = nullptr;
            Seen owner, seen;
            const auto noteAndClose = [&] {
                QWidget* box = QApplication::activeModalWidget();
                ASSERT_NE(box, nullptr);
                ASSERT_NE(box, outer) << "nothing opened";
                if (outer)
                    owner = Note(*outer);
                seen = Note(*box);
                box->close();
            };
            if (overDialog) {
                // The operator is in a dialog of the main window.
                CLinkedChannelNamesDlg members(m_dlg.get());
                QTimer::singleShot(0, [&] {
                    outer = QApplication::activeModalWidget();
                    if (outer == &members) {
                        MoveAside(members);
                        QTimer::singleShot(0, noteAndClose);
                        c.open();
                    }
                    members.reject();
                });
                members.DoModal();
                ASSERT_EQ(outer, &members);
                ExpectOwnedBy(seen, owner, c.what);
            } else {
                QTimer::singleShot(0, noteAndClose);
                c.open();
                EXPECT_TRUE(seen.shown);
                EXPECT_EQ(seen.parentWindow, m_dlg.get());
            }
        }
    }
}
