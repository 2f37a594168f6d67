// What scene recall and the channel reset send to the units, read back from
// the wire byte by byte, and the scene and project commands around them.

#include <QApplication>
#include <QEnterEvent>
#include <QIcon>
#include <QToolButton>

#include "app/project_file.h"
#include "app/recent_files.h"
#include "app/scene_store.h"
#include "support/console_window.h"

namespace {

using console_test::Bytes;
using console_test::Datagram;
using Dlg = CQuellonKR9SeriesDlg;

// The reset of a KR-9X channel from AddKR9X's state, one datagram a step.
const std::vector<Bytes> kReset97 = {
    {40, 0x9E},   // Link 0
    {40, 0x8E},   // Mute 0
    {0x88, 0x8E}, // Gain 8.0 with its changed bit
    {0x88, 0x8A}, // Pad 0
    {0x88, 0x82}, // Pol 0
    {0x88, 0x80}, // 48v 0
};

class SceneSends : public console_test::ConsoleWindow {
protected:
    // A KR-960 under unit ID 1 (channels 0..15), every channel at gain code
    // 30, split 2, with Pad, 48v, Rbin, Sqrt, Pol and Mute on.
    void AddKR960()
    {
        HandlePacket132(g_Family_KR960, console_test::Uniform132(1, 0x09, 0x71, 30, 2, 0x3F), console_test::kLoopback);
        m_capture.Drain();
    }
    // A KR-9X under unit ID 17 (slot 33, channels 256..263), every channel at
    // gain code 40 with Link, 48v, Pad, Pol and Mute on.
    void AddKR9X()
    {
        UnitPacket97 p = Crafted97::With(Crafted97::First(17, 0x01), {{0x0D, {0x72}}});
        for (int n = 0; n < 8; ++n)
            p = Crafted97::With(p, {{std::size_t(0x22 + 6 * n + 4), {40, 0x1F}}});
        HandlePacketKR9X(p, console_test::kLoopback);
        m_capture.Drain();
    }

    // The control datagrams from first on, for each channel of the KR-960
    // (or the KR-9X) in turn one per step: the channel's record ends in the
    // step's bytes, the meter bytes before them cleared.
    void ExpectSteps(const std::vector<Datagram>& got, std::size_t first, bool kr9x, const std::vector<Bytes>& steps,
                     const char* what)
    {
        const std::size_t recordSize = kr9x ? 6 : 5;
        for (int ch = 0; ch < (kr9x ? 8 : 16); ++ch) {
            for (std::size_t s = 0; s < steps.size(); ++s) {
                SCOPED_TRACE(testing::Message() << what << " channel " << ch << " step " << s);
                const std::size_t at = first + std::size_t(ch) * steps.size() + s;
                ASSERT_LT(at, got.size());
                const Datagram& d = got[at];
                ASSERT_EQ(d.size(), kr9x ? 97u : 132u);
                ExpectHeader(d, kr9x ? 33 : 0);
                if (!kr9x) {
                    EXPECT_EQ(d[0x21] & 1, 1) << "the KR-960's own option bit";
                }
                const auto r = d.begin() + std::ptrdiff_t(0x22 + recordSize * std::size_t(ch));
                Bytes expected(recordSize - steps[s].size(), 0);
                expected.insert(expected.end(), steps[s].begin(), steps[s].end());
                EXPECT_EQ(Bytes(r, r + std::ptrdiff_t(recordSize)), expected);
            }
        }
    }

    void WriteFile(const QString& path, const std::vector<SceneRecord>& records)
    {
        QFile out(path);
        const QByteArray bytes = EncodeProjectFile(ProjectFileHeader{}, records);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        ASSERT_EQ(out.write(bytes), bytes.size());
    }
    int NamingDialogs() const { return int(m_dialogs.count(QStringLiteral("CNewSceneDialog"))); }
};

} // namespace

// The reset a New Project runs: every channel of every unit on line back to
// its defaults, a KR-960 in the order Mute, Gain 8, Pad, Pol, 48v, Split,
// Safe, Rbin, Sqrt, a KR-9X in the order Link, Mute, Gain 8, Pad, Pol, 48v.
TEST_F(SceneSends, ResetSendsEachModelItsDefaultsInItsOwnOrder)
{
    AddKR960();
    AddKR9X();
    g_ChannelTitle[0] = QStringLiteral("Kick");
    g_ChannelNotes[0] = QStringLiteral("beater side");
    m_dlg->OnCommand(ID_FILE_NEW_PROJECT);
    EXPECT_EQ(m_boxes.value(0), QStringLiteral("Save changes to curent project\n before creating new project?"));

    const std::vector<Datagram> got = Take(16 * 9 + 8 * 6);
    ExpectConsecutive(got);
    ExpectSteps(got, 0, false,
                {
                    {30, 2, 0x9F}, // Mute 0: changed, Mute off
                    {8, 2, 0x9F},  // Gain 8.0, not the 6 dB the strips show
                    {8, 2, 0x9E},  // Pad 0
                    {8, 2, 0x8E},  // Pol 0
                    {8, 2, 0x8C},  // 48v 0
                    {8, 0, 0x0C},  // Split 0: the split byte, the changed bit stays clear
                    {8, 0, 0x0C},  // Safe 0: no control of the unit's, nothing but the changed bit cleared
                    {8, 0, 0x88},  // Rbin 0
                    {8, 0, 0x80},  // Sqrt 0
                },
                "reset");
    ExpectSteps(got, 16 * 9, true, kReset97, "reset");

    // The strips show the default gain: the fader at its lowest step.
    EXPECT_EQ(m_dlg->FaderPosition(0), 63);
    EXPECT_EQ(m_dlg->FaderPosition(256), 61);
    // New Project titles every channel "Channel %d" and empties its notes.
    for (const int ch : {0, 1, 255, 256, 383})
        EXPECT_EQ(g_ChannelTitle[std::size_t(ch)], QStringLiteral("Channel %1").arg(ch + 1));
    EXPECT_EQ(g_ChannelNotes[0], QString());
}

// A recall puts each channel of the scene onto its unit: a KR-960 channel
// gets Gain, Pol, Pad, 48v, Mute, Split, Rbin and Sqrt (never Safe, never
// Link), a KR-9X channel Gain, Pol, Pad, 48v, Mute and Link. A channel whose
// Safe is on keeps its state and is sent nothing.
TEST_F(SceneSends, RecallSendsEachChannelOfTheSceneButSafeAndKeepsSafeChannels)
{
    AddKR960();
    AddKR9X();
    SceneRecord show;
    show.Name.setText(QStringLiteral("Show"));
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const std::size_t c = std::size_t(ch);
        show.SliderPosition[c] = 20; // 49 dB on both models
        for (ChannelWords* field : {&show.PolButton, &show.PadButton, &show.Button48v, &show.MuteButton,
                                    &show.SplitButton, &show.SafeButton, &show.RbinButton, &show.SqrtButton,
                                    &show.LinkButton, &show.LinkButtonDown})
            (*field)[c] = 1;
        show.LinkGroup[c] = ch < kFirstRemoteChannel ? 2 : 1; // each unit's channels in a group of their own
    }
    m_chosenFile = m_dir.filePath(QStringLiteral("show.qsx"));
    WriteFile(m_chosenFile, {show});
    m_dlg->OnCommand(ID_FILE_OPEN);
    ASSERT_EQ(g_nSceneCount, 2);
    // The load resets every channel: a KR-960 record is then gain 8, split 0,
    // flags 0x80; a KR-9X record gain 0x88, flags 0x80.
    Take(16 * 9 + 8 * 6);

    m_dlg->sceneList()->setCurrentRow(1);
    m_dlg->OnCommand(IDC_RECALL_SCENE);
    std::vector<Datagram> got = Take(16 * 8 + 8 * 6);
    ExpectConsecutive(got);
    ExpectSteps(got, 0, false,
                {
                    {49, 0, 0x80}, // Gain 49
                    {49, 0, 0x90}, // Pol on
                    {49, 0, 0x91}, // Pad on
                    {49, 0, 0x93}, // 48v on
                    {49, 0, 0xB3}, // Mute on
                    {49, 1, 0x33}, // Split 1: the split byte, the changed bit clear
                    {49, 1, 0xB5}, // Rbin on takes 48v off
                    {49, 1, 0xBD}, // Sqrt on
                },
                "recall");
    ExpectSteps(got, 16 * 8, true,
                {
                    {0xB1, 0x80}, // Gain 49 with its changed bit
                    {0xB1, 0x88}, // Pol on
                    {0xB1, 0x8C}, // Pad on
                    {0xB1, 0x8E}, // 48v on
                    {0xB1, 0x9E}, // Mute on
                    {0xB1, 0x9F}, // Link on
                },
                "recall");
    EXPECT_EQ(m_dlg->m_wndUnderview->m_pSafeButton[0]->m_nState, CNewCustomBtn::kOn) << "shown, not sent";
    EXPECT_EQ(m_dlg->FaderPosition(0), 20);

    // Now every KR-960 channel is Safe: a recall leaves them alone and
    // reaches only the remote unit.
    m_dlg->SetFaderBothViews(0, 33);
    m_dlg->OnCommand(IDC_RECALL_SCENE);
    got = Take(8 * 6);
    for (const Datagram& d : got)
        EXPECT_EQ(d.size(), 97u);
    EXPECT_EQ(m_dlg->FaderPosition(0), 33);
}

// The blank scene has no record: recalling it resets every channel twice,
// titles the channels "Ch %d" and makes scene 000 the active one.
TEST_F(SceneSends, BlankSceneRecallResetsTwiceAndTitlesTheChannelsCh)
{
    AddKR9X();
    NewScene(QStringLiteral("Verse"));
    g_ChannelTitle[5] = QStringLiteral("Snare");
    g_ChannelNotes[5] = QStringLiteral("top");
    m_capture.Drain();

    m_dlg->sceneList()->setCurrentRow(0);
    m_dlg->OnCommand(IDC_RECALL_SCENE);
    const std::vector<Datagram> got = Take(2 * 8 * 6);
    ExpectConsecutive(got);
    ExpectSteps(got, 0, true, kReset97, "first reset");
    ExpectSteps(got, 8 * 6, true, std::vector<Bytes>(6, Bytes{0x88, 0x80}), "second reset");
    for (const int ch : {0, 5, 383})
        EXPECT_EQ(g_ChannelTitle[std::size_t(ch)], QStringLiteral("Ch %1").arg(ch + 1));
    EXPECT_EQ(g_ChannelNotes[5], QString());
    EXPECT_EQ(g_strActiveSceneLabel, QStringLiteral("Active Scene: 000"));
    EXPECT_EQ(g_nCurrentIndex, 0);
}

// Each of the scene commands' prompts asks "Are you sure?" only while it is
// on, and No ends the command with nothing changed.
TEST_F(SceneSends, ThePromptsAskOnlyWhenOnAndNoChangesNothing)
{
    NewScene(QStringLiteral("A")); // the untitled project's question, answered No
    NewScene(QStringLiteral("B"));
    ASSERT_EQ(Lines(), (QStringList{QStringLiteral("  000 Blank Scene"), QStringLiteral("  001 A"),
                                     QStringLiteral("  002 B")}));
    // The blank scene active again, so that B is no active scene to delete.
    m_dlg->sceneList()->setCurrentRow(0);
    m_dlg->OnCommand(IDC_RECALL_SCENE);
    m_boxes.clear();
    g_bPromptNewScene = g_bPromptRecallScene = g_bPromptSceneDelete = 1;
    m_answer = IDNO;

    NewScene(QStringLiteral("C"));
    m_dlg->sceneList()->setCurrentRow(1);
    m_dlg->OnCommand(IDC_RECALL_SCENE);
    m_dlg->sceneList()->setCurrentRow(2);
    m_dlg->OnCommand(IDC_DELETE_SCENE);
    EXPECT_EQ(m_boxes, QStringList(3, QStringLiteral("Are you sure?")));
    EXPECT_EQ(NamingDialogs(), 2) << "No to New opens no naming dialog";
    EXPECT_EQ(g_nSceneCount, 3);
    EXPECT_EQ(g_nCurrentIndex, 0) << "nothing recalled";
    EXPECT_EQ(Lines().size(), 3);

    // Yes goes on.
    m_boxes.clear();
    m_answer = IDYES;
    m_dlg->sceneList()->setCurrentRow(1);
    m_dlg->OnCommand(IDC_RECALL_SCENE);
    EXPECT_EQ(g_nCurrentIndex, 1);
    m_dlg->sceneList()->setCurrentRow(2);
    m_dlg->OnCommand(IDC_DELETE_SCENE);
    EXPECT_EQ(g_nSceneCount, 2);
    EXPECT_EQ(m_boxes, QStringList(2, QStringLiteral("Are you sure?")));

    // With the prompts off nothing is asked.
    g_bPromptNewScene = g_bPromptRecallScene = g_bPromptSceneDelete = 0;
    m_boxes.clear();
    NewScene(QStringLiteral("D"));
    EXPECT_TRUE(m_boxes.isEmpty());
    EXPECT_EQ(g_nSceneCount, 3);

    // A list being rebuilt holds no scene: a Recall then only says so.
    m_capture.Drain();
    g_nSceneCount = 0;
    m_dlg->OnCommand(IDC_RECALL_SCENE);
    EXPECT_EQ(m_boxes, QStringList{QStringLiteral("No scenes added")});
    g_nSceneCount = 3;
}

// The first new scene of the untitled project asks for a project name
// first; either answer creates the scene, Yes after a Save As.
TEST_F(SceneSends, TheFirstSceneOfAnUntitledProjectAsksForAProjectName)
{
    const QString question = QStringLiteral(
        "This is a new scene for an un-named project.\nWould you like to create a new project name?");
    m_answer = IDNO;
    NewScene(QStringLiteral("A"));
    EXPECT_EQ(m_boxes, QStringList{question});
    EXPECT_EQ(g_nSceneCount, 2);
    NewScene(QStringLiteral("B"));
    EXPECT_EQ(m_boxes.size(), 1) << "asked for the first scene only";

    // A new untitled project, answered Yes: the scene comes after the save.
    m_dlg->OnCommand(ID_FILE_NEW_PROJECT);
    m_boxes.clear();
    m_answer = IDYES;
    m_chosenFile = m_dir.filePath(QStringLiteral("named.qsx"));
    NewScene(QStringLiteral("C"));
    EXPECT_EQ(m_boxes, QStringList{question});
    EXPECT_EQ(g_szProjectName, QStringLiteral("named.qsx"));
    EXPECT_EQ(g_nSceneCount, 2);
    EXPECT_EQ(Lines().value(1), QStringLiteral("  001 C"));

    // Save As cancelled still creates the scene.
    m_dlg->OnCommand(ID_FILE_NEW_PROJECT); // Yes saves named.qsx first
    m_boxes.clear();
    m_chosenFile.clear();
    NewScene(QStringLiteral("D"));
    EXPECT_EQ(m_boxes, QStringList{question});
    EXPECT_EQ(g_nSceneCount, 2);
    EXPECT_EQ(g_szProjectName, QStringLiteral("New Project"));
}

// Lock disables New, Recall and Delete with their locked pictures, and 300 ms
// after each press the pictures are applied again.
TEST_F(SceneSends, LockDisablesTheSceneButtonsUntilPressedAgain)
{
    SkinRegistry& skin = SkinRegistry::instance();
    const auto shows = [&](QToolButton* button, int picture) {
        const QSize size = button->iconSize();
        return button->icon().pixmap(size).toImage()
            == QIcon(skin.pixmap(picture, 2.0)).pixmap(size).toImage();
    };
    const struct {
        QToolButton* button;
        int unlocked;
        int locked;
    } buttons[] = {{m_dlg->m_btnNewScene, 180, 139},
                   {m_dlg->m_btnRecallScene, 183, 141},
                   {m_dlg->m_btnDeleteScene, 184, 140},
                   {m_dlg->m_btnLockScenes, 178, 179}};

    m_dlg->OnCommand(IDC_LOCK_SCENES);
    EXPECT_TRUE(g_bScenesLocked);
    EXPECT_EQ(m_timers.period(Dlg::kTimerSceneLock), 300);
    for (const auto& b : buttons) {
        EXPECT_EQ(b.button->isEnabled(), b.button == m_dlg->m_btnLockScenes) << b.locked;
        EXPECT_TRUE(shows(b.button, b.locked)) << b.locked;
    }
    // A click on a disabled button does nothing.
    m_dlg->show();
    QTest::mouseClick(m_dlg->m_btnNewScene, Qt::LeftButton);
    EXPECT_EQ(NamingDialogs(), 0);
    m_timers.advance(300);
    EXPECT_FALSE(m_timers.isArmed(Dlg::kTimerSceneLock));
    EXPECT_TRUE(shows(m_dlg->m_btnNewScene, 139));

    m_dlg->OnCommand(IDC_LOCK_SCENES);
    EXPECT_FALSE(g_bScenesLocked);
    for (const auto& b : buttons) {
        EXPECT_TRUE(b.button->isEnabled()) << b.unlocked;
        EXPECT_TRUE(shows(b.button, b.unlocked)) << b.unlocked;
    }
}

// The scene panel's buttons show their hot pictures under the pointer, and
// the locked ones their locked pictures as drawn, not greyed. A lock press
// sets every picture from the lock table, which has no hot pictures.
TEST_F(SceneSends, TheScenePanelShowsHotAndLockedPictures)
{
    SkinRegistry& skin = SkinRegistry::instance();
    const auto shows = [&](QToolButton* button, int picture) {
        const QSize size = button->iconSize();
        const QIcon::Mode mode = button->isEnabled() ? QIcon::Normal : QIcon::Disabled;
        return button->icon().pixmap(size, mode).toImage()
            == QIcon(skin.pixmap(picture, 2.0)).pixmap(size).toImage();
    };
    const auto expectPictures = [&](PictureButton* button, int normal, int hot) {
        EXPECT_TRUE(shows(button, normal)) << normal;
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(button, &enter);
        EXPECT_TRUE(shows(button, hot)) << normal << " under the pointer";
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
        EXPECT_TRUE(shows(button, normal)) << normal << " after the pointer left";
    };
    m_dlg->show();

    expectPictures(m_dlg->m_btnNewScene, 180, 182);
    expectPictures(m_dlg->m_btnRecallScene, 183, 187);
    expectPictures(m_dlg->m_btnDeleteScene, 184, 185);
    expectPictures(m_dlg->m_btnLockScenes, 178, 179);
    expectPictures(m_dlg->m_btnUnitAssignment, 1884, 1884);
    // The view toggle shows the view it stands for, under the pointer too.
    const int view = 174 + (g_bOverviewMode ? 1 : 0);
    expectPictures(m_dlg->m_btnOverview, view, view);

    m_dlg->OnCommand(IDC_LOCK_SCENES);
    expectPictures(m_dlg->m_btnNewScene, 139, 139);
    expectPictures(m_dlg->m_btnRecallScene, 141, 141);
    expectPictures(m_dlg->m_btnDeleteScene, 140, 140);
    expectPictures(m_dlg->m_btnLockScenes, 179, 179);
    m_timers.advance(300);
    EXPECT_TRUE(shows(m_dlg->m_btnNewScene, 139)) << "applied again after 300 ms";

    m_dlg->OnCommand(IDC_LOCK_SCENES);
    expectPictures(m_dlg->m_btnNewScene, 180, 180);
    expectPictures(m_dlg->m_btnLockScenes, 178, 178);
}

// A recent file opens after the save question and without the date test
// that Open applies.
TEST_F(SceneSends, ARecentFileOpensAfterTheSaveQuestionWhateverItsDate)
{
    SceneRecord old;
    old.Name.setText(QStringLiteral("Old show"));
    const QString path = m_dir.filePath(QStringLiteral("2017.qsx"));
    WriteFile(path, {old});
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime(QDate(2017, 6, 1), QTime(12, 0)), QFileDevice::FileModificationTime));
    }
    g_szProjectPath = path;
    AddToRecentFileList();
    LoadRecentFileList();
    m_dlg->UpdateRecentFileMenu();
    ASSERT_EQ(g_RecentFiles[0], path);
    m_dlg->OnCommand(ID_FILE_NEW_PROJECT);

    // Open refuses the file for its date.
    m_chosenFile = path;
    m_messages.clear();
    m_dlg->OnCommand(ID_FILE_OPEN);
    EXPECT_EQ(m_messages.value(0),
              QStringLiteral("This is an old-style .qsx file and is incompatible with the new system."));
    EXPECT_EQ(g_nSceneCount, 1);

    m_boxes.clear();
    m_dlg->OnCommand(ID_FILE_MRU_FIRST);
    EXPECT_EQ(m_boxes.value(0), QStringLiteral("Save changes to current project before opening?"));
    ASSERT_EQ(g_nSceneCount, 2);
    EXPECT_EQ(g_SceneName[1], QStringLiteral("Old show"));
    EXPECT_EQ(g_szProjectName, QStringLiteral("2017.qsx"));
    EXPECT_EQ(g_nRecentFileIndex, 0);
    EXPECT_TRUE(g_bProjectHasFile);
}
