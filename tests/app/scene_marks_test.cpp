// What the scene panel shows and marks, through the main window: the
// labels after a recall, the changed mark of the scene lines, names that
// hold a "*", a cancelled rename, clicks that change nothing, the scene that
// New Scene makes active, and scenes that share a name.

#include <QMouseEvent>
#include <QScreen>
#include <QToolButton>

#include <functional>

#include "app/project_file.h"
#include "app/scene_store.h"
#include "support/console_window.h"

namespace {

class SceneMarks : public console_test::ConsoleWindow {
protected:
    void SetUp() override
    {
        ConsoleWindow::SetUp();
        Add132(1, true, 0x50); // channels 0 to 15 can be switched
    }

    QListWidget& List() { return *m_dlg->sceneList(); }
    QString Line(int row) { return List().item(row)->text(); }
    // Clicks a scene line as the operator does.
    QPoint RowCentre(int row) { return List().visualItemRect(List().item(row)).center(); }
    void Select(int row) { QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, RowCentre(row)); }
    void DoubleClick(int row) { QTest::mouseDClick(List().viewport(), Qt::LeftButton, {}, RowCentre(row)); }
    void RightClick(int row) { QTest::mouseClick(List().viewport(), Qt::RightButton, {}, RowCentre(row)); }
    void PressRecall() { QTest::mouseClick(m_dlg->m_btnRecallScene, Qt::LeftButton); }
    void PressDelete() { QTest::mouseClick(m_dlg->m_btnDeleteScene, Qt::LeftButton); }
    void ClickSwitch(int kind, int channel)
    {
        CNewCustomBtn* sw = m_dlg->StripSwitch(kind, channel);
        ASSERT_NE(sw, nullptr);
        QTest::mouseClick(sw, Qt::LeftButton, {}, QPoint(5, 5));
    }
    // The window on screen, showing the channel strips.
    void ShowOnScreen()
    {
        m_dlg->resize(1300, 900);
        ShowStrips();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dlg.get()));
    }
    // The record of a scene as it would be written.
    QByteArray Record(const QString& name)
    {
        const SceneRecord* record = FindScene(name);
        return record ? EncodeSceneRecord(*record) : QByteArray();
    }
    // Saves the scenes made so far and opens the file again, as a project
    // written elsewhere would come in.
    void SaveAndReopen(const QString& file)
    {
        m_chosenFile = m_dir.filePath(file);
        m_dlg->OnCommand(ID_FILE_SAVE_AS);
        m_dlg->OnCommand(ID_FILE_NEW_PROJECT);
        m_dlg->OnCommand(ID_FILE_OPEN);
        ASSERT_EQ(g_szProjectPath, m_chosenFile);
    }
};

} // namespace

TEST_F(SceneMarks, RecallAndProjectChangesShowTheActiveSceneOnScreenAtOnce)
{
    NewScene(QStringLiteral("Verse"));
    NewScene(QStringLiteral("Chorus"));
    m_chosenFile = m_dir.filePath(QStringLiteral("gala.qsx"));
    m_dlg->OnCommand(ID_FILE_SAVE_AS);
    ShowOnScreen();
    QWidget* client = m_dlg->centralWidget();
    // The band above the list where the caption and the label are painted:
    // what the screen holds there against what the panel paints now.
    const QRect band(0, 20, 360, 35);
    const QPoint at = client->mapTo(m_dlg.get(), band.topLeft());
    const auto onScreen = [&] {
        QApplication::processEvents();
        return m_dlg->screen()->grabWindow(m_dlg->winId()).toImage().copy(QRect(at, band.size()));
    };
    const auto painted = [&] { return client->grab(band).toImage().convertToFormat(onScreen().format()); };

    const struct {
        const char* how;
        std::function<void()> act;
        const char* title;
        const char* label;
    } cases[] = {
        {"Recall button", [&] { Select(1); PressRecall(); }, "Verse", "Active Scene: 001"},
        {"Open", [&] { m_dlg->OnCommand(ID_FILE_OPEN); }, "  000 Blank Scene", "Active Scene: 000"},
        {"New Scene", [&] { NewScene(QStringLiteral("Bridge")); }, "Bridge", "Active Scene: 003"},
        {"double click", [&] { DoubleClick(2); }, "Chorus", "Active Scene: 002"},
        {"New Project", [&] { m_dlg->OnCommand(ID_FILE_NEW_PROJECT); }, "  000 Blank Scene", "Active Scene: 000"},
    };
    for (const auto& c : cases) {
        const QImage before = onScreen();
        c.act();
        EXPECT_EQ(g_strActiveSceneTitle, QLatin1String(c.title)) << c.how;
        EXPECT_EQ(g_strActiveSceneLabel, QLatin1String(c.label)) << c.how;
        const QImage now = painted();
        EXPECT_NE(now, before) << c.how << ": the panel paints the new scene";
        EXPECT_EQ(onScreen(), now) << c.how << ": and the screen shows it";
    }
}

TEST_F(SceneMarks, NameEndingInStarSurvivesRecallRenumberingDeleteAndEverySave)
{
    NewScene(QStringLiteral("Intro"));
    NewScene(QStringLiteral("Encore*"));
    NewScene(QStringLiteral("Outro"));
    SaveAndReopen(QStringLiteral("show.qsx"));
    ShowOnScreen();
    ASSERT_EQ(Line(2), QStringLiteral("  002 Encore*"));

    Select(2);
    PressRecall();
    EXPECT_TRUE(m_boxes.filter(QStringLiteral("NOT found")).isEmpty()) << qPrintable(m_boxes.join(QLatin1Char('|')));
    EXPECT_EQ(g_SceneName[2], QStringLiteral("Encore*"));
    EXPECT_EQ(g_strActiveSceneTitle, QStringLiteral("Encore*"));

    // Changes: the line shows the name and then one mark; the record follows.
    ClickSwitch(STRIP_MUTE, 5);
    ClickSwitch(STRIP_POL, 6);
    EXPECT_EQ(Line(2), QStringLiteral("  002 Encore**"));
    ASSERT_NE(FindScene(QStringLiteral("Encore*")), nullptr);
    EXPECT_EQ(FindScene(QStringLiteral("Encore*"))->MuteButton[5], 1);

    // Deleting the line above renumbers it, name and mark kept apart.
    Select(1);
    PressDelete();
    ASSERT_EQ(g_nSceneCount, 3);
    EXPECT_EQ(Line(1), QStringLiteral("  001 Encore**"));
    EXPECT_EQ(g_SceneName[1], QStringLiteral("Encore*"));
    EXPECT_EQ(g_nCurrentIndex, 1);

    // Dragged below the next line, it takes its name and mark along.
    const auto send = [&](QEvent::Type type, int row, Qt::MouseButtons buttons) {
        QMouseEvent event(type, RowCentre(row), List().viewport()->mapToGlobal(RowCentre(row)),
                          Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(List().viewport(), &event);
    };
    send(QEvent::MouseButtonPress, 1, Qt::LeftButton);
    send(QEvent::MouseMove, 2, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, 2, Qt::NoButton);
    EXPECT_EQ(Line(1), QStringLiteral("  001 Outro"));
    EXPECT_EQ(Line(2), QStringLiteral("  002 Encore**"));
    EXPECT_EQ(g_nCurrentIndex, 2);

    // Saving clears the mark, keeps the selection and writes the change.
    Select(1);
    for (int save = 1; save <= 2; ++save) {
        SCOPED_TRACE(save);
        m_dlg->OnCommand(ID_FILE_SAVE);
        EXPECT_EQ(m_beeps, 0);
        const std::vector<SceneRecord> saved = ReadProjectImage(m_chosenFile, {}).image.records;
        ASSERT_EQ(saved.size(), 2u);
        EXPECT_EQ(saved[0].Name.text(), QStringLiteral("Outro"));
        EXPECT_EQ(saved[1].Name.text(), QStringLiteral("Encore*"));
        EXPECT_EQ(saved[1].MuteButton[5], 1);
        EXPECT_EQ(Line(2), QStringLiteral("  002 Encore*"));
        EXPECT_EQ(List().currentRow(), 1);
    }

    // And it is still there to recall.
    m_boxes.clear();
    Select(2);
    PressRecall();
    EXPECT_TRUE(m_boxes.filter(QStringLiteral("NOT found")).isEmpty());
    EXPECT_EQ(m_dlg->SwitchState(STRIP_MUTE, 5), CNewCustomBtn::kOn);
}

TEST_F(SceneMarks, RenameFromTheListLeavesTheActiveSceneAsItWas)
{
    NewScene(QStringLiteral("Verse"));
    NewScene(QStringLiteral("Chorus"));
    ShowOnScreen();
    Select(1);
    PressRecall();
    ASSERT_EQ(g_nCurrentIndex, 1);

    for (const QString& answer : {QString(), QStringLiteral("Bridge")}) {
        const char* how = answer.isEmpty() ? "cancelled" : "renamed";
        RightClick(2);
        EXPECT_EQ(m_renamedIndex, 2) << how << ": the dialog edits the line clicked";
        EXPECT_EQ(g_nCurrentIndex, 1) << how;
        EXPECT_EQ(g_strActiveSceneLabel, QStringLiteral("Active Scene: 001")) << how;
        m_renameTo = QStringLiteral("Bridge");
    }
    EXPECT_EQ(Line(2), QStringLiteral("  002 Bridge"));

    // A change marks the active scene, not the renamed one.
    ClickSwitch(STRIP_POL, 9);
    EXPECT_EQ(Line(1), QStringLiteral("  001 Verse*"));
    EXPECT_EQ(Line(2), QStringLiteral("  002 Bridge"));
    EXPECT_EQ(FindScene(QStringLiteral("Verse"))->PolButton[9], 1);
    EXPECT_EQ(FindScene(QStringLiteral("Bridge"))->PolButton[9], 0);
}

TEST_F(SceneMarks, ClicksOnPlainLabelsAndEdgesDoNotMarkTheScene)
{
    NewScene(QStringLiteral("Verse"));
    ShowOnScreen();
    Select(1);
    PressRecall();
    CUnderviewWnd* strips = m_dlg->m_wndUnderview;
    COverviewWnd* overview = m_dlg->m_wndOverview;
    const QRect meter = strips->MeterRect(0);
    const struct {
        const char* what;
        bool overviewShown;
        QWidget* view;
        QPoint at;
    } clicks[] = {
        {"channel number", false, strips, {40, 50}},
        {"gain read-out", false, strips, strips->GainRect(0).center()},
        {"meter scale", false, strips, {47, 200}},
        {"meter", false, strips, {meter.center().x(), meter.bottom() - 10}},
        {"channel title", false, strips, strips->TitleRect(0).center()},
        {"unit header", false, strips, {300, 20}},
        {"header left", false, strips, {100, 20}},
        {"header right", false, strips, {500, 20}},
        {"channel edge", false, strips, {84, 200}},
        {"unit edge", false, strips, {658, 300}},
        {"overview channel number", true, overview, overview->m_rcChannelNumber[0].center()},
        {"overview gain read-out", true, overview, overview->m_rcGainText[0].center()},
        {"overview unit name", true, overview, overview->m_rcUnitName[0].center()},
        {"overview strip edge", true, overview, overview->m_rcStripEdge[0].center()},
        {"overview slot edge", true, overview, overview->m_rcUnitRightEdge[0].center()},
    };
    const QByteArray record = Record(QStringLiteral("Verse"));
    m_boxes.clear();
    for (const auto& c : clicks) {
        if (g_bOverviewMode != c.overviewShown)
            m_dlg->OnCommand(IDC_OVERVIEW_BUTTON);
        QTest::mouseClick(c.view, Qt::LeftButton, {}, c.at);
        EXPECT_EQ(Line(1), QStringLiteral("  001 Verse")) << c.what;
        EXPECT_EQ(g_SceneModified[1], 0) << c.what;
    }
    EXPECT_EQ(Record(QStringLiteral("Verse")), record);
    EXPECT_TRUE(m_messages.isEmpty() && m_boxes.isEmpty()) << qPrintable((m_messages + m_boxes).join(QLatin1Char('|')));

    // A switch does mark it.
    m_dlg->OnCommand(IDC_OVERVIEW_BUTTON);
    ASSERT_FALSE(g_bOverviewMode);
    ClickSwitch(STRIP_MUTE, 0);
    EXPECT_EQ(Line(1), QStringLiteral("  001 Verse*"));
}

TEST_F(SceneMarks, WhileTheBlankSceneIsActiveChangesMarkAndCaptureNothing)
{
    ShowOnScreen();
    NewScene(QStringLiteral("Verse"));
    // The new scene is the active one until the blank scene is recalled.
    Select(0);
    PressRecall();
    ASSERT_EQ(g_nCurrentIndex, 0);
    ASSERT_EQ(g_strActiveSceneLabel, QStringLiteral("Active Scene: 000"));
    const QByteArray made = Record(QStringLiteral("Verse"));

    ClickSwitch(STRIP_MUTE, 3);
    // A fader move and its release, as the fader reports them.
    g_nCurrentChannel = 4;
    m_dlg->SetChannelGain(20);
    m_dlg->OnFaderReleased();
    EXPECT_EQ(Line(0), QStringLiteral("  000 Blank Scene"));
    EXPECT_EQ(Line(1), QStringLiteral("  001 Verse"));
    EXPECT_EQ(Record(QStringLiteral("Verse")), made) << "the stored scene keeps what it holds";

    // Once it is recalled, it is the one that is marked and follows.
    Select(1);
    PressRecall();
    ClickSwitch(STRIP_MUTE, 3);
    EXPECT_EQ(Line(1), QStringLiteral("  001 Verse*"));
    EXPECT_NE(Record(QStringLiteral("Verse")), made);
    EXPECT_EQ(FindScene(QStringLiteral("Verse"))->MuteButton[3], m_dlg->SwitchState(STRIP_MUTE, 3));
}

// New Scene makes the new scene the active one: its line takes the "*", the
// label names it, and the changes after it go into its record, never into
// the scene active before it (a stored scene or the blank one).
TEST_F(SceneMarks, ChangesAfterNewSceneGoIntoTheNewScene)
{
    ShowOnScreen();
    NewScene(QStringLiteral("Alpha")); // made while the blank scene is active
    ClickSwitch(STRIP_PAD, 2);
    EXPECT_EQ(Line(1), QStringLiteral("  001 Alpha*"));
    EXPECT_EQ(g_strActiveSceneLabel, QStringLiteral("Active Scene: 001"));
    m_chosenFile = m_dir.filePath(QStringLiteral("show.qsx"));
    m_dlg->OnCommand(ID_FILE_SAVE_AS);

    Select(1);
    PressRecall();
    NewScene(QStringLiteral("Beta"));
    EXPECT_EQ(g_nCurrentIndex, 2);
    EXPECT_EQ(g_strActiveSceneTitle, QStringLiteral("Beta"));
    EXPECT_EQ(g_strActiveSceneLabel, QStringLiteral("Active Scene: 002"));
    ASSERT_EQ(m_dlg->SwitchState(STRIP_MUTE, 1), CNewCustomBtn::kOff);
    ClickSwitch(STRIP_MUTE, 1);
    EXPECT_EQ(Line(1), QStringLiteral("  001 Alpha"));
    EXPECT_EQ(Line(2), QStringLiteral("  002 Beta*"));

    m_dlg->OnCommand(ID_FILE_SAVE);
    const std::vector<SceneRecord> saved = ReadProjectImage(m_chosenFile, {}).image.records;
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0].Name.text(), QStringLiteral("Alpha"));
    EXPECT_EQ(saved[0].PadButton[2], 1);
    EXPECT_EQ(saved[0].MuteButton[1], 0) << "the change after New Scene is not Alpha's";
    EXPECT_EQ(saved[1].Name.text(), QStringLiteral("Beta"));
    EXPECT_EQ(saved[1].PadButton[2], 1);
    EXPECT_EQ(saved[1].MuteButton[1], 1);
}

// A file may hold two scenes of one name (written before names had to
// differ, or by hand): each line recalls, follows, saves, renames and
// deletes its own scene.
TEST_F(SceneMarks, TwoScenesOfOneNameEachKeepTheirOwnSettings)
{
    std::vector<SceneRecord> records(2);
    for (SceneRecord& r : records) {
        r.Name.setText(QStringLiteral("Dup"));
        r.SliderPosition.fill(63);
    }
    records[0].Notes.setText(QStringLiteral("first"));
    records[0].SliderPosition[0] = 20;
    records[0].MuteButton[1] = 1;
    records[1].Notes.setText(QStringLiteral("second"));
    records[1].SliderPosition[0] = 40;
    records[1].PolButton[1] = 1;
    m_chosenFile = m_dir.filePath(QStringLiteral("dup.qsx"));
    ASSERT_TRUE(WriteProjectFile(m_chosenFile, ProjectFileHeader{}, records).ok);
    const auto reopen = [&] {
        m_dlg->OnCommand(ID_FILE_NEW_PROJECT);
        m_dlg->OnCommand(ID_FILE_OPEN);
        ASSERT_EQ(g_nSceneCount, 3);
    };
    reopen();
    ShowOnScreen();
    // The line's scene on the strips: its fader, Mute 2, Pol 2 and Pad 3, 4.
    const auto live = [&] {
        return std::vector<int>{m_dlg->FaderPosition(0), m_dlg->SwitchState(STRIP_MUTE, 1),
                                m_dlg->SwitchState(STRIP_POL, 1), m_dlg->SwitchState(STRIP_PAD, 2),
                                m_dlg->SwitchState(STRIP_PAD, 3)};
    };
    const auto recall = [&](int row) {
        Select(row);
        PressRecall();
        return live();
    };
    const auto stored = [](const SceneRecord& r) {
        return std::vector<int>{r.SliderPosition[0], r.MuteButton[1], r.PolButton[1], r.PadButton[2], r.PadButton[3]};
    };

    EXPECT_EQ(recall(2), (std::vector<int>{40, 0, 1, 0, 0}));
    ClickSwitch(STRIP_PAD, 2);
    EXPECT_EQ(recall(1), (std::vector<int>{20, 1, 0, 0, 0}));
    ClickSwitch(STRIP_PAD, 3);
    EXPECT_EQ(recall(2), (std::vector<int>{40, 0, 1, 1, 0}));
    EXPECT_TRUE(m_boxes.filter(QStringLiteral("NOT found")).isEmpty());

    m_dlg->OnCommand(ID_FILE_SAVE);
    std::vector<SceneRecord> saved = ReadProjectImage(m_chosenFile, {}).image.records;
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(stored(saved[0]), (std::vector<int>{20, 1, 0, 0, 1}));
    EXPECT_EQ(saved[0].Notes.text(), QStringLiteral("first"));
    EXPECT_EQ(stored(saved[1]), (std::vector<int>{40, 0, 1, 1, 0}));
    EXPECT_EQ(saved[1].Notes.text(), QStringLiteral("second"));

    // Read in again, each line still brings its own scene back.
    reopen();
    EXPECT_EQ(recall(1), (std::vector<int>{20, 1, 0, 0, 1}));
    EXPECT_EQ(recall(2), (std::vector<int>{40, 0, 1, 1, 0}));

    // Renaming the second renames only the second.
    Select(1);
    PressRecall();
    m_renameTo = QStringLiteral("Other");
    RightClick(2);
    EXPECT_EQ(Line(1), QStringLiteral("  001 Dup"));
    EXPECT_EQ(Line(2), QStringLiteral("  002 Other"));
    ASSERT_NE(FindScene(QStringLiteral("Dup")), nullptr);
    ASSERT_NE(FindScene(QStringLiteral("Other")), nullptr);
    EXPECT_EQ(stored(*FindScene(QStringLiteral("Dup"))), (std::vector<int>{20, 1, 0, 0, 1}));
    EXPECT_EQ(stored(*FindScene(QStringLiteral("Other"))), (std::vector<int>{40, 0, 1, 1, 0}));

    // Deleting the second (both named "Dup" again) deletes only the second.
    reopen();
    Select(1);
    PressRecall();
    Select(2);
    PressDelete();
    ASSERT_EQ(g_nSceneCount, 2);
    EXPECT_EQ(SceneRecordCount(), 1u);
    m_dlg->OnCommand(ID_FILE_SAVE);
    saved = ReadProjectImage(m_chosenFile, {}).image.records;
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(stored(saved[0]), (std::vector<int>{20, 1, 0, 0, 1}));
    EXPECT_EQ(saved[0].Notes.text(), QStringLiteral("first"));
}
