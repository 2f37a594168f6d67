#include "support/console_fixture.h"

#include <QPointer>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "app/command_ids.h"
#include "platform/qt_printers.h"
#include "dialogs/link_group_members_dialog.h"
#include "dialogs/link_matrix_dialog.h"
#include "dialogs/naming_dialogs.h"
#include "dialogs/rename_link_group_dialog.h"
#include "dialogs/unit_status_pages.h"

using namespace console_test;

namespace {

using Pages = CUnitMessage_KR960x;

class UnitDialogsDetails : public ConsoleFixture {};

} // namespace

TEST_F(UnitDialogsDetails, TheUnitStatusWindowNamesTheUnitOfItsPage)
{
    // Units 1 and 3 (KR-960) and 18 (KR-9X) are on line; 2 and 17 were never heard.
    Add132(1, true, 1);
    Add132(3, true, 3);
    AddKR9X(18, 18);

    g_SelectedUnitSlot = UnitNumberToSlot(1);
    Pages pages(m_dlg.get());
    pages.show();
    struct Step {
        const char* press;
        int unit;
    } const steps[] = {
        {"open", 1}, {"Next", 2}, {"Next", 3}, {"Prev", 2}, {"Prev", 1},
    };
    const auto check = [&](const Step& step) {
        const QString title = LabelText(pages, Pages::IDC_TITLE);
        EXPECT_TRUE(title.contains(QRegularExpression(QStringLiteral("UNIT %1($| )").arg(step.unit))))
            << step.press << " to unit " << step.unit << ": " << title.toStdString();
        EXPECT_EQ(pages.windowTitle(), title) << step.press << " to unit " << step.unit;
    };
    for (const Step& step : steps) {
        if (step.press == std::string_view("Next"))
            Press(pages, Pages::IDC_NEXT_PLACEHOLDER);
        else if (step.press == std::string_view("Prev"))
            Press(pages, Pages::IDC_PREV_PLACEHOLDER);
        check(step);
    }

    // Over the inactive unit 17 to the KR-9X unit 18 with the arrow key.
    g_SelectedUnitSlot = UnitNumberToSlot(16);
    Pages remote(m_dlg.get());
    remote.show();
    QTest::keyClick(&remote, Qt::Key_Right);
    QTest::keyClick(&remote, Qt::Key_Right);
    EXPECT_EQ(LabelText(remote, Pages::IDC_TITLE), QStringLiteral("   STATUS OF UNIT 18 (KR-9X)"));
    EXPECT_EQ(remote.windowTitle(), QStringLiteral("   STATUS OF UNIT 18 (KR-9X)"));
}

TEST_F(UnitDialogsDetails, TheLinkMatrixStepsAsideForItsOwnDialogsAndStaysOpen)
{
    Add132(1, true, 1);
    // Each sub-dialog notes whether the matrix showed while it was up.
    struct Seen {
        bool matrixShownUnder = true;
        bool matrixBack = false;
        bool matrixStillModal = false;
    };
    Seen members, rename, naming;
    int reachedOk = 0;
    QObject guard; // pending steps die with the test

    // One step of the operator's work in the open matrix, taken once its loop runs.
    const auto inMatrix = [&guard](std::function<void(CLinkMatrixDlg&)> act) {
        QTimer::singleShot(0, &guard, [act] {
            auto* matrix = qobject_cast<CLinkMatrixDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(matrix, nullptr) << "the matrix is no longer open";
            act(*matrix);
        });
    };
    // Opens a sub-dialog of the matrix and closes it with its placeholder's button.
    const auto throughSubDialog = [](CLinkMatrixDlg& matrix, Seen& seen, int okPlaceholder,
                                     const std::function<void()>& open) {
        QPointer<CLinkMatrixDlg> watched(&matrix);
        QTimer::singleShot(0, [watched, &seen, okPlaceholder] {
            QWidget* sub = QApplication::activeModalWidget();
            ASSERT_NE(sub, nullptr);
            ASSERT_NE(sub, watched.data()) << "the sub-dialog did not open";
            seen.matrixShownUnder = watched && watched->isVisible();
            Press(*sub, okPlaceholder);
        });
        open();
        seen.matrixBack = matrix.isVisible();
    };

    inMatrix([&](CLinkMatrixDlg& matrix) {
        throughSubDialog(matrix, members, CLinkedChannelNamesDlg::IDC_OK_PLACEHOLDER, [&] {
            QTest::mouseDClick(&matrix, Qt::LeftButton, {}, g_rcLinkGroupTitle[3].center());
        });
        inMatrix([&](CLinkMatrixDlg& second) {
            members.matrixStillModal = true;
            throughSubDialog(second, rename, CRenameLinkGroup::IDC_OK_PLACEHOLDER, [&] {
                QTest::mouseClick(&second, Qt::RightButton, {}, g_rcLinkGroupTitle[1].center());
            });
            inMatrix([&](CLinkMatrixDlg& third) {
                rename.matrixStillModal = true;
                const int channel = 20; // a column clear of the group titles
                third.OnHScroll(CLinkMatrixDlg::SB_THUMBTRACK,
                                third.CellRect(channel, 1).left() - third.HitLeft() - 44);
                throughSubDialog(third, naming, CChannelNamingDlg::IDC_OK_PLACEHOLDER, [&] {
                    QTest::mouseClick(&third, Qt::RightButton, {}, third.CellRect(channel, 1).center());
                });
                inMatrix([&](CLinkMatrixDlg& last) {
                    naming.matrixStillModal = true;
                    ++reachedOk;
                    Press(last, CLinkMatrixDlg::IDC_OK_PLACEHOLDER);
                });
            });
        });
    });
    m_dlg->OnCommand(ID_EDIT_LINK);

    for (const auto& [name, seen] : {std::pair{"member list", &members}, std::pair{"rename", &rename},
                                     std::pair{"channel naming", &naming}}) {
        EXPECT_FALSE(seen->matrixShownUnder) << name;
        EXPECT_TRUE(seen->matrixBack) << name;
        EXPECT_TRUE(seen->matrixStillModal) << name;
    }
    EXPECT_EQ(reachedOk, 1);
}
