// The keys and scene-list gestures of the main window, driven with real key
// and mouse events.

#include <QAction>
#include <QCursor>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

#include "app/project_file.h"
#include "controls/scroll_bar.h"
#include "support/console_window.h"

namespace {

using console_test::Datagram;

class Keys : public console_test::ConsoleWindow {
protected:
    void SetUp() override
    {
        ConsoleWindow::SetUp();
        m_dlg->show();
        PointAway();
    }

    static void PointAt(QWidget* widget, QPoint at) { QCursor::setPos(widget->mapToGlobal(at)); }
    // Over the views, away from the scene list and the bars.
    void PointAway() { PointAt(m_dlg.get(), QPoint(600, 500)); }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(m_dlg.get(), Qt::Key(key), modifiers);
    }

    void ShowOverview(bool overview)
    {
        if (g_bOverviewMode != overview)
            m_dlg->OnOverviewButton();
        ASSERT_EQ(g_bOverviewMode, overview);
    }
    // Takes hold of a fader's thumb and lets go without moving it.
    void Grab(int channel)
    {
        CMySlider* fader = Fader(channel);
        const QPoint thumb(fader->width() / 2, fader->ThumbTopForValue(fader->GetPos()) + fader->m_nThumbHeight / 2);
        QTest::mousePress(fader, Qt::LeftButton, {}, thumb);
        QTest::mouseRelease(fader, Qt::LeftButton, {}, thumb);
        ASSERT_EQ(g_nCurrentChannel, channel);
        ASSERT_EQ(g_nLastGain, fader->GetPos());
    }
    // Makes a channel the current one as the operator does: its Mute clicked
    // twice, so the switch ends as it was.
    void Touch(int channel)
    {
        const std::size_t c = std::size_t(channel);
        CNewCustomBtn* mute = g_bOverviewMode ? m_dlg->m_wndOverview->m_pMuteButton[c] : view->m_pMuteButton[c];
        QTest::mouseClick(mute, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseClick(mute, Qt::LeftButton, {}, QPoint(5, 5));
        ASSERT_EQ(g_nCurrentChannel, channel);
    }
    // An active scene "Live" without its changed mark, so a change shows as "*".
    void ActiveSceneUnmarked()
    {
        if (g_nSceneCount < 2)
            NewScene(QStringLiteral("Live"));
        g_nCurrentIndex = 1;
        m_dlg->RebuildSceneList();
        g_SceneModified.fill(0);
    }
    bool SceneMarked() const
    {
        return m_dlg->sceneList()->item(1)->text().endsWith(QLatin1Char('*'))
            || std::any_of(g_SceneModified.begin(), g_SceneModified.end(), [](int m) { return m != 0; });
    }
    // Every datagram the units have been sent since the last call.
    std::vector<Datagram> Sent()
    {
        std::vector<Datagram> all;
        while (auto d = m_capture.Next(0))
            all.push_back(*d);
        return all;
    }
    // The gain code a datagram carries for a channel of the 16-channel unit
    // at slot 1, or of the KR-9X at slot 33.
    static int GainCode132(const Datagram& d, int channel)
    {
        return d.at(p132::RecordOffset(std::size_t(channel)) + p132::kRecGainCode);
    }
    static int GainCode97(const Datagram& d, int channel)
    {
        return d.at(p97::RecordOffset(std::size_t(channel - 256)) + p97::kRecGainCode) & p97::kGainMask;
    }

    // Adds n scenes "Scene 1", "Scene 2", ... after those already listed.
    void AddScenes(int n)
    {
        const int first = g_nSceneCount;
        for (int i = first; i < first + n; ++i)
            NewScene(QStringLiteral("Scene %1").arg(i));
        ASSERT_EQ(g_nSceneCount, first + n);
        m_boxes.clear();
    }
    QListWidget* List() const { return m_dlg->sceneList(); }
    QWidget* ListPort() const { return List()->viewport(); }
    QPoint Row(int line) const { return List()->visualItemRect(List()->item(line)).center(); }
    int Top() const { return List()->indexAt(QPoint(2, 2)).row(); }
    void ScrollListTo(int top)
    {
        List()->scrollToItem(List()->item(top), QAbstractItemView::PositionAtTop);
        ASSERT_EQ(Top(), top);
    }
    void PressLine(int line, Qt::MouseButton button = Qt::LeftButton)
    {
        PointAt(ListPort(), Row(line));
        QTest::mousePress(ListPort(), button, {}, Row(line));
    }
    // A move with the left button held, onto a line as it lies now.
    void DragOver(int line)
    {
        const QPoint at = Row(line);
        PointAt(ListPort(), at);
        QMouseEvent move(QEvent::MouseMove, at, ListPort()->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(ListPort(), &move);
    }
    void ReleaseOver(int line)
    {
        PointAt(ListPort(), Row(line));
        QTest::mouseRelease(ListPort(), Qt::LeftButton, {}, Row(line));
    }
    // A line pressed, dragged over the lines given and let go at the last.
    void DragLine(int from, std::initializer_list<int> over)
    {
        PressLine(from);
        for (const int line : over)
            DragOver(line);
        ReleaseOver(*(over.end() - 1));
    }
};

} // namespace

TEST_F(Keys, AnArrowStepsTheCurrentChannelFromItsOwnFaderWhateverWasGrabbedBefore)
{
    Add132(1, true, 1); // channels 0..15
    struct Case {
        bool overview;
        int grabbedAt; // the fader grabbed before, on channel 1
        int key;
        int expected; // channel 6 starts at 10
    };
    const Case cases[] = {
        {true, 40, Qt::Key_Up, 9},    // not the grabbed fader's 39
        {true, 40, Qt::Key_Down, 11}, // not 41
        {true, 0, Qt::Key_Up, 9},
        {false, 40, Qt::Key_Up, 9},
        {false, 0, Qt::Key_Up, 9},    // the grabbed fader at the top does not refuse it
        {false, 63, Qt::Key_Down, 11}, // nor the grabbed fader at the bottom
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.overview ? "overview" : "strips") << " grabbed at " << c.grabbedAt
                                        << " key " << c.key);
        ShowOverview(c.overview);
        m_dlg->SetFaderBothViews(1, c.grabbedAt);
        m_dlg->SetFaderBothViews(6, 10);
        Grab(1);
        Touch(6);
        ActiveSceneUnmarked();
        Sent();

        Key(c.key);
        EXPECT_EQ(Pos(6), c.expected); // in both views
        EXPECT_EQ(Pos(1), c.grabbedAt);
        const std::vector<Datagram> sent = Sent();
        EXPECT_EQ(sent.size(), 1u);
        if (!sent.empty()) {
            EXPECT_EQ(GainCode132(sent.back(), 6), 69 - c.expected); // 1 dB per step here
        }
        EXPECT_TRUE(SceneMarked());
    }
}

TEST_F(Keys, ALinkedGroupStepsTogetherFromItsOwnFadersInBothViews)
{
    Add132(1, true, 1);
    m_dlg->SetFaderBothViews(6, 10);
    m_dlg->SetFaderBothViews(7, 12);
    Group(6, 1);
    Group(7, 1);
    struct Case {
        bool overview;
        int key;
        int expected6, expected7;
    };
    const Case cases[] = {
        {true, Qt::Key_Up, 9, 11},   // not 39/41 from the grabbed fader
        {true, Qt::Key_Down, 10, 12},
        {false, Qt::Key_Up, 9, 11},
        {false, Qt::Key_Down, 10, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.overview ? "overview" : "strips") << " key " << c.key);
        ShowOverview(c.overview);
        m_dlg->SetFaderBothViews(1, 40);
        Grab(1);
        Touch(7);
        Sent();

        Key(c.key);
        EXPECT_EQ(Pos(6), c.expected6);
        EXPECT_EQ(Pos(7), c.expected7);
        const std::vector<Datagram> sent = Sent();
        EXPECT_FALSE(sent.empty());
        if (!sent.empty()) {
            EXPECT_EQ(GainCode132(sent.back(), 6), 69 - c.expected6);
            EXPECT_EQ(GainCode132(sent.back(), 7), 69 - c.expected7);
        }
    }
}

TEST_F(Keys, AtAnEndOfItsRangeAnArrowSendsAndMarksNothing)
{
    Add132(1, true, 1); // channels 0..15: 63 steps
    AddKR9X(17, 0x61);  // channels 256..263: 61 steps
    m_dlg->SetFaderBothViews(8, 0);
    m_dlg->SetFaderBothViews(9, 5);
    Group(8, 2);
    Group(9, 2);
    m_dlg->SetFaderBothViews(10, 58);
    m_dlg->SetFaderBothViews(11, 63);
    Group(10, 3);
    Group(11, 3);
    struct Case {
        int channel;
        int key;
        int grabbedAt; // channel 1's fader, grabbed before: nothing may follow it
    };
    const Case cases[] = {
        {6, Qt::Key_Down, 10},   // at 63, below channel 256
        {257, Qt::Key_Down, 10}, // at 61, from channel 256
        {6, Qt::Key_Up, 40},     // at 0, the top
        {8, Qt::Key_Up, 40},     // a group with a member at the top
        {11, Qt::Key_Down, 10},  // a group with a member at the bottom
    };
    for (const bool overview : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << (overview ? "overview" : "strips") << " channel " << c.channel
                                            << " key " << c.key);
            ShowOverview(overview);
            m_dlg->SetFaderBothViews(6, c.key == Qt::Key_Down ? 63 : 0);
            m_dlg->SetFaderBothViews(257, 61);
            m_dlg->SetFaderBothViews(1, c.grabbedAt);
            Grab(1);
            Touch(c.channel);
            ActiveSceneUnmarked();
            Sent();
            const std::array<int, 6> before{Pos(c.channel), Pos(8), Pos(9), Pos(10), Pos(11), Pos(257)};

            Key(c.key);
            const std::array<int, 6> after{Pos(c.channel), Pos(8), Pos(9), Pos(10), Pos(11), Pos(257)};
            EXPECT_EQ(after, before);
            EXPECT_TRUE(Sent().empty());
            EXPECT_FALSE(SceneMarked());
        }
    }
}

TEST_F(Keys, ARemoteUnitsGroupKeepsToTheLinkedRangeAndIsSentInItsOwnDecibels)
{
    AddKR9X(17, 0x61); // channels 256..263
    m_dlg->SetFaderBothViews(256, 12);
    m_dlg->SetFaderBothViews(257, 14);
    Group(256, 4);
    Group(257, 4);
    g_Status1Seen_KR9X = 1; // linked moves keep to step 11 and below
    Grab(256);
    Sent();

    Key(Qt::Key_Up);
    EXPECT_EQ(Pos(256), 11);
    EXPECT_EQ(Pos(257), 13);
    const std::vector<Datagram> sent = Sent();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(GainCode97(sent.back(), 256), 69 - 11);
    EXPECT_EQ(GainCode97(sent.back(), 257), 69 - 13);

    Key(Qt::Key_Up); // 10 would leave the linked range: dropped whole
    EXPECT_EQ(Pos(256), 11);
    EXPECT_EQ(Pos(257), 13);
    EXPECT_TRUE(Sent().empty());
}

TEST_F(Keys, OverTheOverviewsBarTheScrollKeysScrollTheOverviewAndMoveNoGain)
{
    Add132(1, true, 1);
    ShowOverview(true);
    m_dlg->SetFaderBothViews(6, 10);
    Grab(6);
    Sent();
    CMyScrollBar* bar = m_dlg->m_sbOverviewVert;
    ASSERT_TRUE(bar->isVisible());
    PointAt(bar, bar->rect().center());
    const std::pair<int, int> steps[] = {
        {Qt::Key_Down, 168},     {Qt::Key_Down, 336},   {Qt::Key_Up, 168},  {Qt::Key_End, 3528},
        {Qt::Key_Home, 0},       {Qt::Key_PageDown, 504}, {Qt::Key_PageDown, 1008},
        {Qt::Key_PageUp, 504},   {Qt::Key_Up, 336},
    };
    for (const auto& [key, position] : steps) {
        Key(key);
        EXPECT_EQ(m_dlg->m_nVScrollPos, position) << key;
        EXPECT_EQ(bar->GetScrollPos(), position) << key;
        EXPECT_EQ(m_dlg->m_wndOverview->y(), -position) << key;
    }
    EXPECT_EQ(Pos(6), 10);
    EXPECT_TRUE(Sent().empty());

    // Away from the bar the arrows step the gain again.
    PointAway();
    Key(Qt::Key_Up);
    EXPECT_EQ(Pos(6), 9);
    EXPECT_EQ(m_dlg->m_nVScrollPos, 336);
}

TEST_F(Keys, AnOpenMenuKeepsTheArrowsEnterAndEscape)
{
    Add132(1, true, 1);
    ShowOverview(false); // where Left and Right would scroll the strips
    m_dlg->SetFaderBothViews(6, 10);
    Grab(6);
    const int scrolled = m_dlg->m_nHScrollPos;
    QMenuBar* bar = m_dlg->menuBar();
    const MainMenu& menu = m_dlg->menu();
    QWindow* window = m_dlg->windowHandle(); // keys arrive as the desktop delivers them

    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu.files->menuAction()).center());
    ASSERT_TRUE(menu.files->isVisible());
    QTest::keyClick(window, Qt::Key_Down);
    EXPECT_NE(menu.files->activeAction(), nullptr);
    QTest::keyClick(window, Qt::Key_Right); // on to the next menu
    EXPECT_TRUE(menu.edit->isVisible());
    EXPECT_FALSE(menu.files->isVisible());
    QTest::keyClick(window, Qt::Key_Left); // and back
    EXPECT_TRUE(menu.files->isVisible());
    QTest::keyClick(window, Qt::Key_Right);
    ASSERT_TRUE(menu.edit->isVisible());
    // A menu reached by the keys opens on its first item (Undo); Enter
    // chooses the one under the highlight.
    QTest::keyClick(window, Qt::Key_Down);
    ASSERT_NE(menu.edit->activeAction(), nullptr);
    EXPECT_EQ(menu.edit->activeAction()->data().toInt(), int(ID_EDIT_LINK));
    QTest::keyClick(window, Qt::Key_Return);
    EXPECT_TRUE(m_dialogs.contains(QStringLiteral("CLinkMatrixDlg")));
    EXPECT_FALSE(menu.edit->isVisible());

    // Escape closes an open menu, and a second one leaves the menu bar.
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu.help->menuAction()).center());
    ASSERT_TRUE(menu.help->isVisible());
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(menu.help->isVisible());
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_EQ(bar->activeAction(), nullptr);

    EXPECT_EQ(Pos(6), 10);
    EXPECT_EQ(m_dlg->m_nHScrollPos, scrolled);
    EXPECT_TRUE(m_dlg->isVisible());
}

TEST_F(Keys, OverTheSceneListCtrlShiftSSavesAndCtrlMDoesNothingElsewhereTheyAreSaveAsAndMeters)
{
    g_szProjectPath = m_dir.filePath(QStringLiteral("show.qsx"));
    g_szProjectName = QStringLiteral("show.qsx");
    g_bProjectHasFile = true;

    PointAt(ListPort(), Row(0));
    Key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(QFileInfo::exists(g_szProjectPath)); // saved in place
    EXPECT_EQ(m_chooserAsked, 0);
    Key(Qt::Key_M, Qt::ControlModifier);
    EXPECT_TRUE(m_dialogs.isEmpty());

    QFile::remove(g_szProjectPath);
    PointAway();
    Key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(m_chooserAsked, 1); // Save As asks for a file (and is cancelled)
    EXPECT_FALSE(QFileInfo::exists(g_szProjectPath));
    Key(Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(m_dialogs, QStringList{QStringLiteral("CNewMeteringDialog")});
}

TEST_F(Keys, EnterAndEscapeNeverCloseTheMainWindow)
{
    for (const bool overList : {true, false}) {
        for (const bool overview : {true, false}) {
            ShowOverview(overview);
            if (overList)
                PointAt(ListPort(), Row(0));
            else
                PointAway();
            for (const int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                Key(key);
        }
    }
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_FALSE(m_dlg->isShutDown());
    EXPECT_TRUE(m_boxes.isEmpty()); // not even the save question
}

TEST_F(Keys, LockedScenesIgnoreTheListsGesturesButNotItsCtrlLetters)
{
    AddScenes(3);
    m_dlg->OnCommand(IDC_LOCK_SCENES);
    ASSERT_TRUE(g_bScenesLocked);
    const QStringList lines = Lines();
    const int active = g_nCurrentIndex;
    m_dialogs.clear();

    PointAt(ListPort(), Row(2));
    QTest::mouseDClick(ListPort(), Qt::LeftButton, {}, Row(2)); // no recall
    PressLine(2, Qt::RightButton);                                // no rename
    QTest::mouseRelease(ListPort(), Qt::RightButton, {}, Row(2));
    DragLine(1, {2, 3}); // no re-order
    m_timers.advance(1000);
    EXPECT_EQ(Lines(), lines);
    EXPECT_EQ(g_nCurrentIndex, active);
    EXPECT_TRUE(m_dialogs.isEmpty());

    Key(Qt::Key_L, Qt::ControlModifier);
    Key(Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(m_dialogs, (QStringList{QStringLiteral("CLinkMatrixDlg"), QStringLiteral("CNewUnitIdentityCheckDlg")}));
}

TEST_F(Keys, DoubleClickRecallsAndRightClickRenamesWhereTheListStands)
{
    AddScenes(10);
    ScrollListTo(3);
    PointAt(ListPort(), Row(4));
    QTest::mouseDClick(ListPort(), Qt::LeftButton, {}, Row(4));
    EXPECT_EQ(g_nCurrentIndex, 4);
    EXPECT_EQ(g_strActiveSceneLabel, QStringLiteral("Active Scene: 004"));

    m_renameTo = QStringLiteral("Encore");
    PressLine(6, Qt::RightButton);
    EXPECT_TRUE(m_dialogs.contains(QStringLiteral("CRenameScene")));
    EXPECT_EQ(List()->item(6)->text(), QStringLiteral("  006 Encore"));
    EXPECT_EQ(g_SceneName[6], QStringLiteral("Encore"));
    EXPECT_EQ(Top(), 3); // the list stays where it was
    EXPECT_EQ(List()->currentRow(), 6);
}

TEST_F(Keys, TheListsBarSpansTheScenesBelowItsFirstLinesWhileThePointerIsOverIt)
{
    CMyScrollBar* bar = m_dlg->m_sbSceneList;
    AddScenes(2);
    QEnterEvent enter(Row(0), Row(0), ListPort()->mapToGlobal(Row(0)));
    QApplication::sendEvent(ListPort(), &enter); // the pointer comes over the list
    EXPECT_EQ(bar->GetScrollLimit(), 0); // three lines fit: nothing to scroll
    EXPECT_EQ(bar->GetScrollPos(), 0);

    AddScenes(8); // 11 lines
    QMouseEvent move(QEvent::MouseMove, Row(1), ListPort()->mapToGlobal(Row(1)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(ListPort(), &move); // a plain move over it
    EXPECT_EQ(bar->rangeA(), 0);
    EXPECT_EQ(bar->rangeB(), 11 - 6 + 1);

    // A press low in the list brings the bar down with it.
    const std::pair<int, int> presses[] = {{5, 2}, {2, 2}, {3, 0}, {4, 1}};
    for (const auto& [line, position] : presses) {
        PressLine(line);
        QTest::mouseRelease(ListPort(), Qt::LeftButton, {}, Row(line));
        EXPECT_EQ(bar->GetScrollPos(), position) << line;
    }
}

TEST_F(Keys, TheBlankSceneIsNeitherDraggedNorPassed)
{
    AddScenes(3);
    const QStringList lines = Lines();
    const auto names = g_SceneName;
    DragLine(0, {1, 2});
    m_timers.advance(500);
    EXPECT_EQ(Lines(), lines);

    DragLine(1, {0});
    m_timers.advance(500);
    EXPECT_EQ(Lines(), lines);
    EXPECT_EQ(g_SceneName, names);
}

TEST_F(Keys, ADragReordersAfterAShortWaitAndNoToAreYouSurePutsEverythingBack)
{
    g_bPromptSceneReorder = 1;
    AddScenes(4);
    PointAt(ListPort(), Row(1));
    QTest::mouseDClick(ListPort(), Qt::LeftButton, {}, Row(1)); // scene 1 is the active one
    ASSERT_EQ(g_nCurrentIndex, 1);
    const QStringList lines = Lines();
    const auto names = g_SceneName;
    const auto notes = g_SceneNotes;

    for (const int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDNO ? "No" : "Yes");
        m_answer = answer;
        m_boxes.clear();
        DragLine(1, {2, 3});
        EXPECT_EQ(List()->item(3)->text(), QStringLiteral("  003 Scene 1"));
        EXPECT_EQ(g_nCurrentIndex, 3); // the active scene moves with its line
        EXPECT_TRUE(m_boxes.isEmpty()); // not yet: the list settles first
        m_timers.advance(499);
        EXPECT_TRUE(m_boxes.isEmpty());
        m_timers.advance(1);
        EXPECT_EQ(m_boxes, QStringList{QStringLiteral("Are you sure?")});
        m_timers.advance(5000); // asked once
        EXPECT_EQ(m_boxes.size(), 1);
        if (answer == IDNO) {
            EXPECT_EQ(Lines(), lines);
            EXPECT_EQ(g_SceneName, names);
            EXPECT_EQ(g_SceneNotes, notes);
            EXPECT_EQ(g_nCurrentIndex, 1);
            EXPECT_EQ(g_strActiveSceneLabel, QStringLiteral("Active Scene: 001"));
        }
        // Each line still reaches its own scene's record.
        for (int i = 1; i < g_nSceneCount; ++i) {
            const SceneRecord* record = m_dlg->SceneLineRecord(i);
            ASSERT_NE(record, nullptr) << i;
            EXPECT_EQ(record->Name.text(), g_SceneName[std::size_t(i)]) << i;
        }
    }
    EXPECT_EQ(Lines(), (QStringList{QStringLiteral("  000 Blank Scene"), QStringLiteral("  001 Scene 2"),
                                    QStringLiteral("  002 Scene 3"), QStringLiteral("  003 Scene 1"),
                                    QStringLiteral("  004 Scene 4")}));
    EXPECT_EQ(g_SceneName[3], QStringLiteral("Scene 1"));
    EXPECT_EQ(g_SceneNotes[3], QStringLiteral("notes of Scene 1"));
    EXPECT_EQ(g_SceneNotes[1], QStringLiteral("notes of Scene 2"));
    EXPECT_EQ(g_nCurrentIndex, 3);
}

TEST_F(Keys, TheListScrollsAlongWithALineDraggedPastItsLastOrFirstVisibleRow)
{
    AddScenes(10); // 11 lines, 6 shown
    CMyScrollBar* bar = m_dlg->m_sbSceneList;
    ScrollListTo(0);
    PressLine(4);
    DragOver(5); // onto the last row shown: one more comes into view
    EXPECT_EQ(List()->item(5)->text(), QStringLiteral("  005 Scene 4"));
    EXPECT_EQ(Top(), 1);
    EXPECT_EQ(bar->GetScrollPos(), 1);
    const QPoint insideRows = ListPort()->mapToGlobal(Row(4));
    DragOver(4); // back up, inside the rows shown: the list and the pointer stay
    EXPECT_EQ(Top(), 1);
    EXPECT_EQ(QCursor::pos(), insideRows);
    DragOver(5);
    DragOver(6);
    EXPECT_EQ(List()->item(6)->text(), QStringLiteral("  006 Scene 4"));
    EXPECT_EQ(Top(), 2);
    EXPECT_EQ(bar->GetScrollPos(), 2);
    EXPECT_EQ(List()->currentRow(), 6);
    ReleaseOver(6);
    m_timers.advance(500);
    EXPECT_EQ(Top(), 2); // the renumbering keeps the list where the drag left it
    EXPECT_EQ(List()->currentRow(), 6);

    // Up over the top row: the line above comes into view, and the pointer
    // steps down with the line it holds.
    ScrollListTo(4);
    PressLine(5);
    const QPoint onTopRow = ListPort()->mapToGlobal(Row(4));
    DragOver(4);
    EXPECT_EQ(List()->item(4)->text(), QStringLiteral("  004 Scene 6"));
    EXPECT_EQ(Top(), 3);
    EXPECT_EQ(bar->GetScrollPos(), 3);
    EXPECT_EQ(List()->currentRow(), 4);
    EXPECT_EQ(QCursor::pos(), onTopRow + QPoint(0, 5)) << "pointer at y " << QCursor::pos().y();
    ReleaseOver(4);
    m_timers.advance(500);
    EXPECT_EQ(Top(), 3);
}
