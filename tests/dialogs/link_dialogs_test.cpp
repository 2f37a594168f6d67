#include "support/console_fixture.h"

#include <QDesktopServices>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QScrollBar>
#include <QUrl>

#include "app/help_documents.h"
#include "app/undo.h"
#include "dialogs/link_group_members_dialog.h"
#include "dialogs/link_matrix_dialog.h"
#include "dialogs/naming_dialogs.h"
#include "dialogs/rename_link_group_dialog.h"

using namespace console_test;

// Receives the documents the dialogs ask the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

namespace {

int& Member(int channel, int group1)
{
    return g_LinkMembership[std::size_t(channel * kLinkGroupCount + group1 - 1)];
}

// The channel strips, KR-960s as units 1 (channels 0..15) and 3 (32..47).
class LinkDialogsTest : public ConsoleFixture {
protected:
    void SetUp() override
    {
        ConsoleFixture::SetUp();
        ClearUndoHistory();
        m_dlg->OnOverviewButton();
        Add132(1, true, 1);
        Add132(3, true, 3);
    }
    void TearDown() override
    {
        m_matrix.reset();
        CLinkMatrixDlg::SetActiveSceneRecapture({});
        ConsoleFixture::TearDown();
    }

    CLinkMatrixDlg& Matrix()
    {
        m_matrix = std::make_unique<CLinkMatrixDlg>();
        m_matrix->show();
        return *m_matrix;
    }
    // Scrolls the matrix so that the channel's column is in view.
    void Reveal(int channel)
    {
        const QRect cell = m_matrix->CellRect(channel, 1);
        if (cell.left() < m_matrix->HitLeft() || cell.right() >= m_matrix->BandRight())
            m_matrix->OnHScroll(CLinkMatrixDlg::SB_THUMBTRACK,
                                m_matrix->scrollPos() + cell.left() - m_matrix->HitLeft() - 44);
    }
    QPoint Centre(int channel, int group1)
    {
        Reveal(channel);
        return m_matrix->CellRect(channel, group1).center();
    }
    void Click(int channel, int group1)
    {
        QTest::mouseClick(m_matrix.get(), Qt::LeftButton, {}, Centre(channel, group1));
    }
    void MoveHeld(const QPoint& p)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(p), m_matrix->mapToGlobal(QPointF(p)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_matrix.get(), &move);
    }
    // The darkest pixel of the text inside a group title (its frame left out).
    int DarkestTitleText(int group1)
    {
        const QImage image = m_matrix->grab().toImage();
        const QRect inside = g_rcLinkGroupTitle[std::size_t(group1 - 1)].adjusted(2, 2, -2, -2);
        int darkest = 255;
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            for (int x = inside.left(); x <= inside.right(); ++x)
                darkest = std::min(darkest, QColor(image.pixel(x, y)).lightness());
        return darkest;
    }

    std::unique_ptr<CLinkMatrixDlg> m_matrix;
};

} // namespace

TEST_F(LinkDialogsTest, ACellClickJoinsAndLeavesThroughTheLinkRules)
{
    Matrix();
    g_nCurrentChannel = 77;
    const int undoBefore = g_nUndoCount;
    Click(3, 2);
    EXPECT_EQ(g_ChannelLinkGroup[3], 2);
    EXPECT_EQ(Member(3, 2), 1);
    EXPECT_EQ(g_ChannelLinkOn[3], 1);
    EXPECT_EQ(g_nUndoCount, undoBefore + 1) << "the join is recorded for undo";
    EXPECT_EQ(g_nCurrentChannel, 77) << "the current channel is restored";

    Click(3, 5);
    EXPECT_EQ(g_ChannelLinkGroup[3], 5);
    EXPECT_EQ(Member(3, 2), 0);
    EXPECT_EQ(Member(3, 5), 1);

    Click(3, 5);
    EXPECT_EQ(g_ChannelLinkGroup[3], 0);
    EXPECT_EQ(Member(3, 5), 0);
    EXPECT_EQ(g_ChannelLinkOn[3], 0);
    EXPECT_TRUE(m_boxes.isEmpty());
}

TEST_F(LinkDialogsTest, RefusedJoinsShowAMessageAndLeaveNoGroup)
{
    Matrix();
    Click(200, 4); // no unit in that slot
    EXPECT_EQ(m_boxes.size(), 1);
    EXPECT_EQ(g_ChannelLinkGroup[200], 0);
    EXPECT_EQ(Member(200, 4), 0);

    Click(0, 1);
    Click(8, 1); // the other half of the same unit may share it
    EXPECT_EQ(g_ChannelLinkGroup[8], 1);
    Click(40, 1); // another unit may not
    EXPECT_EQ(m_boxes.size(), 2);
    EXPECT_EQ(g_ChannelLinkGroup[40], 0);
    EXPECT_EQ(Member(40, 1), 0);
}

TEST_F(LinkDialogsTest, ADragTogglesEachCellItEntersOnce)
{
    CLinkMatrixDlg& dlg = Matrix();
    QTest::mousePress(&dlg, Qt::LeftButton, {}, Centre(0, 3));
    for (int ch = 1; ch < 10; ++ch) {
        MoveHeld(dlg.CellRect(ch, 3).center());
        MoveHeld(dlg.CellRect(ch, 3).center() + QPoint(3, 2)); // still the same cell
    }
    QTest::mouseRelease(&dlg, Qt::LeftButton, {}, dlg.CellRect(9, 3).center());
    for (int ch = 0; ch < 10; ++ch)
        EXPECT_EQ(g_ChannelLinkGroup[std::size_t(ch)], 3) << ch;

    // Dragging back out leaves the Link state of the channels as it was.
    QTest::mousePress(&dlg, Qt::LeftButton, {}, dlg.CellRect(9, 3).center());
    MoveHeld(dlg.CellRect(8, 3).center());
    EXPECT_EQ(g_ChannelLinkGroup[9], 0);
    EXPECT_EQ(g_ChannelLinkGroup[8], 0);
    EXPECT_EQ(g_ChannelLinkOn[8], 1) << "a drag does not clear the Link state";
    EXPECT_EQ(g_ChannelLinkOn[9], 0) << "a click does";
    QTest::mouseRelease(&dlg, Qt::LeftButton, {}, dlg.CellRect(8, 3).center());
}

TEST_F(LinkDialogsTest, ColumnsUnderTheGroupTitlesTakeNoClicks)
{
    CLinkMatrixDlg& dlg = Matrix();
    dlg.OnHScroll(CLinkMatrixDlg::SB_PAGERIGHT, 0);
    const int y = dlg.CellRect(0, 1).center().y();
    const QPoint underTitle(dlg.HitLeft() - 5, y);
    const int hidden = (underTitle.x() - dlg.CellRect(0, 1).left()) / 22; // scrolled under there
    EXPECT_FALSE(dlg.CellAt(underTitle).has_value());
    QTest::mouseClick(&dlg, Qt::LeftButton, {}, underTitle);
    EXPECT_EQ(g_ChannelLinkGroup[std::size_t(hidden)], 0);
    // The first visible column maps back to itself.
    const QPoint first(dlg.HitLeft() + 1, y);
    ASSERT_TRUE(dlg.CellAt(first).has_value());
    EXPECT_TRUE(dlg.CellRect(dlg.CellAt(first)->first, 1).contains(first));
}

TEST_F(LinkDialogsTest, ScrollingMovesByCellsAndPagesWithinTheRange)
{
    // 384 columns of 22 pixels, 400 of them in view: the grid ends at 8048.
    CLinkMatrixDlg& dlg = Matrix();
    dlg.OnHScroll(CLinkMatrixDlg::SB_THUMBTRACK, 8000);
    dlg.OnHScroll(CLinkMatrixDlg::SB_PAGERIGHT, 0);
    EXPECT_EQ(dlg.scrollPos(), 8048) << "never past the end";
    EXPECT_EQ(dlg.scrollBar()->value(), 8048) << "the bar shows the held-back step";
    dlg.OnHScroll(CLinkMatrixDlg::SB_LEFT, 0);
    dlg.OnHScroll(CLinkMatrixDlg::SB_LINELEFT, 0);
    EXPECT_EQ(dlg.scrollPos(), 0);

    // The bar's own arrows scroll the grid by a cell.
    dlg.scrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(dlg.scrollPos(), 22);

    // The mixed unit mode scrolls through half the range.
    g_bAll16ChannelUnits = false;
    dlg.OnHScroll(CLinkMatrixDlg::SB_RIGHT, 0);
    EXPECT_EQ(dlg.scrollPos(), 4024);
}

TEST_F(LinkDialogsTest, AGroupTitleIsGreyUntilTheGroupHasAMember)
{
    Matrix();
    EXPECT_GE(DarkestTitleText(2), 100);
    Click(5, 2);
    EXPECT_LT(DarkestTitleText(2), 60);
    EXPECT_GE(DarkestTitleText(3), 100);
}

TEST_F(LinkDialogsTest, TitleAndCellClicksOpenTheSubDialogsAndTheMatrixWaitsAfterThem)
{
    CLinkMatrixDlg& dlg = Matrix();
    Click(6, 4);

    // A double click on a title lists the group's members.
    WhenModal<CLinkedChannelNamesDlg>([](CLinkedChannelNamesDlg& members) {
        Press(members, CLinkedChannelNamesDlg::IDC_OK_PLACEHOLDER);
    });
    QTest::mouseDClick(&dlg, Qt::LeftButton, {}, g_rcLinkGroupTitle[3].center());
    EXPECT_EQ(g_nCurrentLinkGroup, 3);
    EXPECT_TRUE(dlg.isTimerArmed(CLinkMatrixDlg::kTimerReady));
    MoveHeld(dlg.CellRect(7, 4).center());
    EXPECT_EQ(g_ChannelLinkGroup[7], 0) << "moves right after a sub-dialog toggle nothing";
    dlg.OnTimer(CLinkMatrixDlg::kTimerReady);
    EXPECT_TRUE(dlg.isReady());

    // A right click on a title renames the group.
    WhenModal<CRenameLinkGroup>([](CRenameLinkGroup& rename) {
        rename.nameEdit()->setText(QStringLiteral("Keys"));
        Press(rename, CRenameLinkGroup::IDC_OK_PLACEHOLDER);
    });
    QTest::mouseClick(&dlg, Qt::RightButton, {}, g_rcLinkGroupTitle[1].center());
    EXPECT_EQ(g_LinkGroupTitle[1], QStringLiteral("Keys"));

    // A right click on a cell names its channel.
    WhenModal<CChannelNamingDlg>([](CChannelNamingDlg& naming) {
        EXPECT_TRUE(g_bNamingFromMatrix);
        naming.nameEdit()->setText(QStringLiteral("Tom 1"));
        Press(naming, CChannelNamingDlg::IDC_OK_PLACEHOLDER);
    });
    QTest::mouseClick(&dlg, Qt::RightButton, {}, dlg.CellRect(9, 1).center());
    EXPECT_FALSE(g_bNamingFromMatrix);
    EXPECT_EQ(g_ChannelTitle[9], QStringLiteral("Tom 1"));
    EXPECT_EQ(g_ChannelLinkGroup[9], 0) << "a right click toggles nothing";
}

TEST_F(LinkDialogsTest, OkLetsTheTrackedSceneTakeUpTheChangesAndHelpOpensTheDocument)
{
    int recaptures = 0;
    CLinkMatrixDlg::SetActiveSceneRecapture([&] { ++recaptures; });
    QTest::keyClick(&Matrix(), 'o');
    EXPECT_EQ(m_matrix->result(), IDOK);
    EXPECT_EQ(recaptures, 0) << "the active scene does not follow the live state";
    g_bTrackActiveScene = true;
    Press(Matrix(), CLinkMatrixDlg::IDC_OK_PLACEHOLDER);
    EXPECT_EQ(recaptures, 1);
    QTest::keyClick(&Matrix(), Qt::Key_Escape);
    EXPECT_EQ(m_matrix->result(), IDCANCEL);
    EXPECT_EQ(recaptures, 1) << "closing any other way does not re-capture";

    // The real opener hands the document to the desktop; H is the key for it.
    CLinkMatrixDlg& dlg = Matrix();
    const QString path = GetUserDataFilePath(kLinkHelpDocument);
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    QFile document(path);
    ASSERT_TRUE(document.open(QIODevice::WriteOnly));
    document.write("%PDF-1.4\n");
    document.close();
    QTest::keyClick(&dlg, 'h'); // the button is the help suite's
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QFile::remove(path);
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0], QUrl::fromLocalFile(path));
    EXPECT_TRUE(m_boxes.isEmpty());
}

TEST_F(LinkDialogsTest, TheMemberListShowsTheGroupInChannelOrderAndPicksTheClickedChannel)
{
    g_nCurrentLinkGroup = 0;
    for (int ch : {2, 11, 40}) {
        g_nCurrentChannel = ch;
        m_dlg->SetCurrentChannelGroup(1, false);
    }
    g_ChannelTitle[11] = QStringLiteral("Kick");
    g_ChannelTitle[40] = QStringLiteral("Kick");
    // Channel 40 is on another unit: refused, so the group holds 2 and 11.
    CLinkedChannelNamesDlg members;
    members.show();
    ASSERT_EQ(members.members()->count(), 2);
    EXPECT_EQ(members.members()->item(0)->text(), QStringLiteral("003 Ch 3"));
    EXPECT_EQ(members.members()->item(1)->text(), QStringLiteral("012 Kick"));

    m_boxes.clear();
    members.members()->setCurrentRow(1);
    members.OnLbnDblclkMembers();
    EXPECT_EQ(m_boxes.size(), 1);
    EXPECT_EQ(g_nCurrentChannel, 11);

    QTest::keyClick(members.members(), 'O');
    EXPECT_EQ(members.result(), IDOK);
    EXPECT_EQ(Member(11, 1), 1) << "the list changes no membership";
}

// The member list shows its scroll bar only once the members overflow it.
TEST_F(LinkDialogsTest, TheMemberListShowsItsScrollBarOnlyWhenTheMembersOverflowIt)
{
    g_nCurrentLinkGroup = 0;
    for (int ch : {2, 11}) {
        g_nCurrentChannel = ch;
        m_dlg->SetCurrentChannelGroup(1, false);
    }
    {
        CLinkedChannelNamesDlg members;
        members.show();
        QCoreApplication::processEvents(); // the list lays its items out
        ASSERT_EQ(members.members()->count(), 2);
        EXPECT_FALSE(members.members()->verticalScrollBar()->isVisible());
    }
    for (int ch = 0; ch < 16; ++ch) {
        g_nCurrentChannel = ch;
        m_dlg->SetCurrentChannelGroup(1, false);
    }
    CLinkedChannelNamesDlg members;
    members.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(members.members()->count(), 16);
    EXPECT_TRUE(members.members()->verticalScrollBar()->isVisible());
}

TEST_F(LinkDialogsTest, RenameLinkGroupStepsThroughTheGroupsAndCancelDropsOnlyTheScreen)
{
    g_nCurrentLinkGroup = 2;
    g_LinkGroupTitle[2] = QStringLiteral("Brass");
    g_LinkGroupNotes[2] = QStringLiteral("3 mics");
    CRenameLinkGroup dlg;
    dlg.show();
    EXPECT_EQ(LabelText(dlg, CRenameLinkGroup::IDC_PROMPT),
              QStringLiteral("Enter the desired title for Link Group 3"));
    EXPECT_EQ(dlg.nameEdit()->text(), QStringLiteral("Brass"));
    EXPECT_EQ(dlg.notesEdit()->toPlainText(), QStringLiteral("3 mics"));

    dlg.nameEdit()->setText(QStringLiteral("Horns"));
    Press(dlg, CRenameLinkGroup::IDC_NEXT_PLACEHOLDER);
    EXPECT_EQ(g_LinkGroupTitle[2], QStringLiteral("Horns"));
    EXPECT_EQ(g_nCurrentLinkGroup, 3);
    dlg.nameEdit()->setText(QStringLiteral("dropped"));
    Press(dlg, CRenameLinkGroup::IDC_CANCEL_PLACEHOLDER);
    EXPECT_EQ(dlg.result(), IDCANCEL);
    EXPECT_EQ(g_LinkGroupTitle[3], QString());
    EXPECT_EQ(g_LinkGroupTitle[2], QStringLiteral("Horns"));

    // The ends beep and stay.
    g_nCurrentLinkGroup = 9;
    CRenameLinkGroup last;
    last.show();
    Press(last, CRenameLinkGroup::IDC_NEXT_PLACEHOLDER);
    EXPECT_EQ(m_beeps, 1);
    EXPECT_EQ(g_nCurrentLinkGroup, 9);
    g_nCurrentLinkGroup = 0;
    last.ShowGroup();
    Press(last, CRenameLinkGroup::IDC_PREV_PLACEHOLDER);
    EXPECT_EQ(m_beeps, 2);
    EXPECT_EQ(g_nCurrentLinkGroup, 0);
}

#include "link_dialogs_test.moc"
