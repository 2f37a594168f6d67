// Scenes and projects through the main window: new scenes, save and load,
// recall, and the save question at shut-down.

#include <gtest/gtest.h>

#include <QFileInfo>

#include <csignal>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/scene_store.h"
#include "controls/gain_fader.h"
#include "controls/strip_switch.h"
#include "dialogs/naming_dialogs.h"
#include "platform/safe_file_write.h"
#include "support/project_window_fixture.h"
#include "views/overview.h"
#include "views/underview.h"

namespace {

class Projects : public console_test::ProjectWindowFixture {
protected:
    void SetUp() override
    {
        ProjectWindowFixture::SetUp();
        AnswerNewSceneDialogs();
        Build();
        view = m_dlg->m_wndUnderview;
    }

    // A project with a scene, saved under name in the test's folder; the
    // file's bytes.
    QByteArray SavedProject(const QString& name)
    {
        NewScene(QStringLiteral("Verse"));
        m_chosen = m_dir.filePath(name);
        m_dlg->OnCommand(ID_FILE_SAVE_AS);
        EXPECT_TRUE(g_bProjectHasFile);
        return console_test::ReadBytes(m_chosen);
    }

    CUnderviewWnd* view = nullptr;
};

} // namespace

TEST_F(Projects, ScenesSaveLoadAndRecallTheirChannels)
{
    m_dlg->SetFaderBothViews(3, 17);
    m_dlg->SetMuteButtons(3, 1);
    g_ChannelTitle[3] = QStringLiteral("Lead vox");
    NewScene(QStringLiteral("Verse"));
    m_dlg->SetFaderBothViews(3, 40);
    NewScene(QStringLiteral("Chorus"));
    ASSERT_EQ(g_nSceneCount, 3);

    // Save As writes the file and names the project.
    m_chosen = m_dir.filePath(QStringLiteral("gala.qsx"));
    m_dlg->OnCommand(ID_FILE_SAVE_AS);
    ASSERT_TRUE(QFileInfo::exists(m_chosen));
    EXPECT_EQ(QFileInfo(m_chosen).size(), 122 + 2 * 113956);
    EXPECT_TRUE(g_bProjectHasFile);
    EXPECT_EQ(m_dlg->windowTitle(), QStringLiteral(" Corvane - gala.qsx"));

    // A new project empties the list; opening the file brings the scenes back,
    // with every channel at its default until a scene is recalled.
    m_dlg->OnCommand(ID_FILE_NEW_PROJECT);
    EXPECT_EQ(g_nSceneCount, 1);
    m_dlg->OnCommand(ID_FILE_OPEN);
    ASSERT_EQ(g_nSceneCount, 3);
    EXPECT_EQ(g_SceneName[2], QStringLiteral("Chorus"));
    EXPECT_EQ(g_SceneNotes[1], QStringLiteral("notes of Verse"));
    EXPECT_EQ(view->m_Slider[3]->GetPos(), 63);

    m_dlg->sceneList()->setCurrentRow(1);
    m_dlg->OnCommand(IDC_RECALL_SCENE);
    EXPECT_EQ(view->m_Slider[3]->GetPos(), 17);
    EXPECT_EQ(view->m_pMuteButton[3]->m_nState, CNewCustomBtn::kOn);
    EXPECT_EQ(g_ChannelTitle[3], QStringLiteral("Lead vox"));
    // Loading and recalling hold the views' repaints back only while they run.
    EXPECT_TRUE(view->updatesEnabled());
    EXPECT_TRUE(m_dlg->m_wndOverview->updatesEnabled());

    // A Safe channel keeps its live state through a recall.
    m_dlg->SetSafeButtons(3, 1);
    m_dlg->SetFaderBothViews(3, 50);
    m_dlg->sceneList()->setCurrentRow(2);
    m_dlg->OnCommand(IDC_RECALL_SCENE);
    EXPECT_EQ(view->m_Slider[3]->GetPos(), 50);
}

TEST_F(Projects, AFileCutInsideASceneLoadsItsWholeScenesAndSaysSoOnce)
{
    NewScene(QStringLiteral("Verse"));
    NewScene(QStringLiteral("Chorus"));
    m_chosen = m_dir.filePath(QStringLiteral("cut.qsx"));
    m_dlg->OnCommand(ID_FILE_SAVE_AS);
    m_dlg->OnCommand(ID_FILE_NEW_PROJECT);
    {
        QFile file(m_chosen);
        ASSERT_TRUE(file.open(QIODevice::Append));
        ASSERT_EQ(file.write(QByteArray(1000, 'x')), 1000); // the start of a third scene
    }
    // The message comes with the project already loaded and on screen.
    QStringList listWhenTold;
    bool viewsLiveWhenTold = false;
    SetMessageBoxHandler([&](MessageBoxKind kind, const QString& text) {
        if (kind != MessageBoxKind::Message)
            return IDNO;
        m_messages.append(text);
        viewsLiveWhenTold = view->updatesEnabled() && m_dlg->m_wndOverview->updatesEnabled();
        listWhenTold = console_test::SceneLines(*m_dlg);
        return IDOK;
    });
    m_messages.clear();
    m_dlg->OnCommand(ID_FILE_OPEN);
    EXPECT_EQ(m_messages, QStringList{QStringLiteral("The file %1 ends in the middle of a scene.")
                                          .arg(m_chosen)});
    EXPECT_EQ(listWhenTold, (QStringList{QStringLiteral("  000 Blank Scene"), QStringLiteral("  001 Verse"),
                                         QStringLiteral("  002 Chorus")}));
    EXPECT_TRUE(viewsLiveWhenTold);
    EXPECT_EQ(g_nSceneCount, 3);
    EXPECT_EQ(g_szProjectName, QStringLiteral("cut.qsx"));

    // A file refused outright changes nothing: the scenes stay (a later save
    // keeps them all) and the views stay live.
    ASSERT_TRUE(console_test::WriteBytes(m_dir.filePath(QStringLiteral("junk.qsx")), QByteArray(50, 'j')));
    EXPECT_FALSE(m_dlg->LoadProject(m_dir.filePath(QStringLiteral("junk.qsx"))));
    EXPECT_EQ(g_nSceneCount, 3);
    EXPECT_EQ(m_dlg->sceneList()->count(), 3);
    EXPECT_EQ(g_szProjectName, QStringLiteral("cut.qsx"));
    EXPECT_TRUE(view->updatesEnabled());
    EXPECT_TRUE(m_dlg->m_wndOverview->updatesEnabled());

    // The same file whole again loads without a word.
    m_dlg->OnCommand(ID_FILE_SAVE);
    EXPECT_EQ(QFileInfo(m_chosen).size(), 122 + 2 * 113956);
    m_messages.clear();
    m_dlg->OnCommand(ID_FILE_OPEN);
    EXPECT_TRUE(m_messages.isEmpty());
    EXPECT_EQ(g_nSceneCount, 3);
}

// A scene name that fills its whole field, with no NUL after it, as only
// another writer or a damaged file holds: the scene is listed, recalled and
// saved under the name it is stored under, so a save keeps every scene.
TEST_F(Projects, ANameFillingItsWholeFieldKeepsItsScene)
{
    std::vector<SceneRecord> records(2);
    records[0].Name.bytes.fill('N');
    records[0].SliderPosition[3] = 17;
    records[1].Name.setText(QStringLiteral("Chorus"));
    records[1].SliderPosition[3] = 40;
    m_chosen = m_dir.filePath(QStringLiteral("full-name.qsx"));
    ASSERT_TRUE(console_test::WriteBytes(m_chosen, EncodeProjectFile(ProjectFileHeader{}, records)));
    m_dlg->OnCommand(ID_FILE_OPEN);
    ASSERT_EQ(g_nSceneCount, 3);
    const QString fullName(SceneText::kSize - 1, QLatin1Char('N'));
    EXPECT_EQ(g_SceneName[1], fullName);

    m_dlg->sceneList()->setCurrentRow(1);
    m_dlg->OnCommand(IDC_RECALL_SCENE);
    EXPECT_EQ(view->m_Slider[3]->GetPos(), 17);

    m_dlg->OnCommand(ID_FILE_SAVE);
    const ProjectReadResult saved = ReadProjectImage(m_chosen, ProjectTexts{});
    ASSERT_TRUE(saved.ok());
    ASSERT_EQ(saved.image.records.size(), 2u);
    EXPECT_EQ(saved.image.records[0].Name.text(), fullName);
    EXPECT_EQ(saved.image.records[0].SliderPosition[3], 17);
    EXPECT_EQ(saved.image.records[1].Name.text(), QStringLiteral("Chorus"));
}

TEST_F(Projects, NoTwoScenesShareAName)
{
    NewScene(QStringLiteral("Verse"));
    NewScene(QStringLiteral("Chorus"));
    m_messages.clear();
    NewScene(QStringLiteral("Verse"));
    EXPECT_EQ(g_nSceneCount, 3);
    EXPECT_EQ(m_dlg->sceneList()->count(), 3);
    EXPECT_EQ(SceneRecordCount(), 2u);
    EXPECT_EQ(m_messages, QStringList{QStringLiteral("There is already a scene named 'Verse'.\n"
                                                     "Please choose another name.")});

    // Renaming onto another scene's name is refused; keeping its own is not.
    QString rename;
    SetDialogHandler([&](CSkinnedDialog& dialog) {
        if (!dynamic_cast<CRenameScene*>(&dialog))
            return IDCANCEL;
        g_strRenamedScene = rename;
        return IDOK;
    });
    rename = QStringLiteral("Verse");
    m_dlg->RenameScene(2, QStringLiteral("Chorus"));
    EXPECT_EQ(g_SceneName[2], QStringLiteral("Chorus"));
    ASSERT_NE(FindScene(QStringLiteral("Chorus")), nullptr);
    rename = QStringLiteral("Chorus");
    m_dlg->RenameScene(2, QStringLiteral("Chorus"));
    rename = QStringLiteral("Bridge");
    m_dlg->RenameScene(2, QStringLiteral("Chorus"));
    EXPECT_EQ(g_SceneName[2], QStringLiteral("Bridge"));
    EXPECT_NE(FindScene(QStringLiteral("Bridge")), nullptr);
    EXPECT_EQ(m_messages.size(), 2);
}

TEST_F(Projects, AFailedSaveBeforeANewProjectKeepsTheProject)
{
    NewScene(QStringLiteral("Verse"));
    m_chosen = m_dir.filePath(QStringLiteral("show.qsx"));
    m_dlg->OnCommand(ID_FILE_SAVE_AS);
    ASSERT_TRUE(g_bProjectHasFile);
    // The folder has gone since; the operator answers Yes to saving first.
    g_szProjectPath = m_dir.filePath(QStringLiteral("gone/show.qsx"));
    m_answer = m_saveAnswer = IDYES;
    m_dlg->OnCommand(ID_FILE_NEW_PROJECT);
    EXPECT_EQ(g_nSceneCount, 2);
    EXPECT_EQ(g_SceneName[1], QStringLiteral("Verse"));
    m_dlg->OnCommand(ID_FILE_OPEN);
    EXPECT_EQ(g_nSceneCount, 2);
    EXPECT_EQ(g_szProjectPath, m_dir.filePath(QStringLiteral("gone/show.qsx")));
}

TEST_F(Projects, DeletingKeepsTheActiveSceneAndRenumbers)
{
    for (const char* name : {"A", "B", "C", "D"})
        NewScene(QString::fromLatin1(name));
    m_dlg->sceneList()->setCurrentRow(4);
    m_dlg->OnCommand(IDC_RECALL_SCENE); // D is active
    m_dlg->sceneList()->setCurrentRow(4);
    m_dlg->OnCommand(IDC_DELETE_SCENE);
    EXPECT_TRUE(m_messages.contains(QStringLiteral("This is an Active Scene: it cannot be deleted.")));
    m_dlg->sceneList()->setCurrentRow(2);
    m_dlg->OnCommand(IDC_DELETE_SCENE);
    ASSERT_EQ(g_nSceneCount, 4);
    EXPECT_EQ(m_dlg->sceneList()->item(2)->text(), QStringLiteral("  002 C"));
    EXPECT_EQ(m_dlg->sceneList()->item(3)->text(), QStringLiteral("  003 D"));
    EXPECT_EQ(g_SceneNotes[3], QStringLiteral("notes of D"));
    EXPECT_EQ(g_nCurrentIndex, 3); // still D
    EXPECT_EQ(FindScene(QStringLiteral("B")), nullptr);
}

TEST_F(Projects, TheSaveQuestionAtShutDownCanKeepTheProgramOpen)
{
    m_saveAnswer = IDCANCEL;
    EXPECT_FALSE(m_dlg->QuerySaveAndShutDown());
    EXPECT_FALSE(m_dlg->isShutDown());

    // Yes on an untitled project asks for a file; cancelling it keeps the program.
    m_saveAnswer = IDYES;
    m_chosen.clear();
    EXPECT_FALSE(m_dlg->QuerySaveAndShutDown());
    EXPECT_FALSE(m_dlg->isShutDown());

    // A save that fails keeps the program open too.
    m_chosen = m_dir.filePath(QStringLiteral("no/such/folder/x.qsx"));
    EXPECT_FALSE(m_dlg->QuerySaveAndShutDown());

    m_saveAnswer = IDNO;
    EXPECT_TRUE(m_dlg->QuerySaveAndShutDown());
    EXPECT_TRUE(m_dlg->isShutDown());
}

// A save cut short (the program killed mid-way) leaves its temporary file
// beside the project. The next save of the project removes each such file,
// and nothing else: names of another length or other characters, the
// operator's own copies (hidden ones with a six-character ending among them),
// other projects' temporaries, what is not a regular file, and a temporary
// file still being written (its writer holds its lock).
TEST_F(Projects, ASaveRemovesWhatSavesCutShortLeftAndNothingElse)
{
    const QByteArray cut = SavedProject(QStringLiteral("show.qsx")).left(1000);
    ASSERT_TRUE(g_bProjectHasFile);
    const QDir folder(m_dir.path());
    const QStringList leftBehind{QStringLiteral(".show.qsx.corvane-save-a1B2c3"),
                                 QStringLiteral(".show.qsx.corvane-save-ZZZZZZ"),
                                 QStringLiteral(".show.qsx.corvane-save-000000")};
    // The operator's own copies beside the project among them.
    const QStringList alike{QStringLiteral(".show.qsx.a1B2c3"),   QStringLiteral(".show.qsx.backup"),
                            QStringLiteral(".show.qsx.mine01"),   QStringLiteral(".show.qsx.OLD123"),
                            QStringLiteral("show.qsx.backup"),    QStringLiteral("show.qsx.bak"),
                            QStringLiteral(".show.qsx.corvane-save-a1B2c"),
                            QStringLiteral(".show.qsx.corvane-save-a1B2c3d"),
                            QStringLiteral(".show.qsx.corvane-save-a1-2c3"),
                            QStringLiteral(".show.qsx.corvane-save-a1B2c3.qsx"),
                            QStringLiteral(".show.qsx.corvane-a1B2c3"),
                            QStringLiteral("show.qsx.corvane-save-a1B2c3"),
                            QStringLiteral("show.qsx~"),          QStringLiteral("show.qsx.BEFORE"),
                            QStringLiteral(".other.qsx.corvane-save-a1B2c3"),
                            QStringLiteral(".my show.qsx.corvane-save-a1B2c3"),
                            QStringLiteral("..show.qsx.corvane-save-a1B2c3"),
                            QStringLiteral(".show.qsxa.corvane-save-a1B2c3")};
    for (const QString& name : leftBehind + alike)
        ASSERT_TRUE(console_test::WriteBytes(folder.filePath(name), cut)) << name.toStdString();
    // Not regular files: a folder, a pipe (never opened: it would wait), a link.
    ASSERT_TRUE(folder.mkdir(QStringLiteral(".show.qsx.corvane-save-Folder")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.filePath(QStringLiteral(".show.qsx.corvane-save-Pipe00"))).constData(), 0600), 0);
    const QString elsewhere = folder.filePath(QStringLiteral("elsewhere.qsx"));
    ASSERT_TRUE(console_test::WriteBytes(elsewhere, cut));
    ASSERT_TRUE(QFile::link(elsewhere, folder.filePath(QStringLiteral(".show.qsx.corvane-save-Link00"))));
    // Still being written, by a writer whose lock is held through another descriptor.
    const QString held = folder.filePath(QStringLiteral(".show.qsx.corvane-save-Held00"));
    ASSERT_TRUE(console_test::WriteBytes(held, cut));
    const int heldFd = ::open(QFile::encodeName(held).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(heldFd, 0);
    ASSERT_EQ(::flock(heldFd, LOCK_EX), 0);

    QStringList expected =
        folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    const auto entries = [&] {
        return folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
            .join(QLatin1Char('|'))
            .toStdString();
    };
    const auto names = [](const QStringList& list) { return list.join(QLatin1Char('|')).toStdString(); };
    for (const QString& name : leftBehind)
        expected.removeOne(name);
    EXPECT_TRUE(m_dlg->OnFileSave());
    EXPECT_EQ(entries(), names(expected));
    EXPECT_EQ(console_test::ReadBytes(elsewhere), cut);
    EXPECT_EQ(console_test::ReadBytes(held), cut);

    // Its writer gone, the next save takes it too.
    ::close(heldFd);
    EXPECT_TRUE(m_dlg->OnFileSave());
    expected.removeOne(QStringLiteral(".show.qsx.corvane-save-Held00"));
    EXPECT_EQ(entries(), names(expected));

    // A save of the same project meanwhile leaves a writer's own file alone.
    SafeFileWriter writer(m_chosen);
    ASSERT_TRUE(writer.open());
    ASSERT_TRUE(writer.write(cut));
    EXPECT_TRUE(m_dlg->OnFileSave());
    EXPECT_TRUE(writer.commit());
    EXPECT_EQ(console_test::ReadBytes(m_chosen), cut);
    EXPECT_EQ(entries(), names(expected));
}

// A save killed mid-way (SIGKILL: nothing of the program runs on) leaves its
// temporary file; the next save takes it, and the files the operator keeps
// beside the project stay through any number of saves.
TEST_F(Projects, ASaveKilledMidWayIsClearedAndTheOperatorsCopiesStay)
{
    const QByteArray saved = SavedProject(QStringLiteral("big.qsx"));
    ASSERT_TRUE(g_bProjectHasFile);
    const QDir folder(m_dir.path());
    const QStringList kept{QStringLiteral(".big.qsx.backup"), QStringLiteral(".big.qsx.mine01"),
                           QStringLiteral(".big.qsx.OLD123"), QStringLiteral("big.qsx.backup"),
                           QStringLiteral("big.qsx.bak")};
    for (const QString& name : kept)
        ASSERT_TRUE(console_test::WriteBytes(folder.filePath(name), saved)) << name.toStdString();
    const auto entries = [&] {
        return folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    };
    const QStringList before = entries();

    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        // Half a project written, then the end without a word.
        SafeFileWriter file(m_chosen);
        if (file.open())
            file.write(saved.left(saved.size() / 2));
        ::kill(::getpid(), SIGKILL);
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    QStringList left = entries();
    for (const QString& name : before)
        left.removeOne(name);
    ASSERT_EQ(left.size(), 1) << left.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(left.front().startsWith(QLatin1String(".big.qsx."))) << left.front().toStdString();
    EXPECT_EQ(console_test::ReadBytes(m_chosen), saved);

    for (int save = 0; save < 5; ++save) {
        SCOPED_TRACE(save);
        ASSERT_TRUE(m_dlg->OnFileSave());
        EXPECT_EQ(entries(), before);
    }
    for (const QString& name : kept)
        EXPECT_EQ(console_test::ReadBytes(folder.filePath(name)), saved) << name.toStdString();
}

// A project reached through a symbolic link is written beside the file the
// link names, and that is where its left temporaries are removed.
TEST_F(Projects, ALinkedProjectsLeftTemporariesGoBesideItsFile)
{
    const QDir folder(m_dir.path());
    ASSERT_TRUE(folder.mkdir(QStringLiteral("shows")));
    const QString real = folder.filePath(QStringLiteral("shows/real.qsx"));
    m_chosen = real;
    m_dlg->OnCommand(ID_FILE_SAVE_AS);
    const QString link = folder.filePath(QStringLiteral("link.qsx"));
    ASSERT_TRUE(QFile::link(real, link));
    for (const QString& name : {QStringLiteral("shows/.real.qsx.corvane-save-Q1w2E3"), QStringLiteral(".link.qsx.corvane-save-Q1w2E3")})
        ASSERT_TRUE(console_test::WriteBytes(folder.filePath(name), "QSX"));
    ASSERT_TRUE(m_dlg->LoadProject(link));
    EXPECT_TRUE(m_dlg->OnFileSave());
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(QStringLiteral("shows/.real.qsx.corvane-save-Q1w2E3"))));
    EXPECT_TRUE(QFileInfo::exists(folder.filePath(QStringLiteral(".link.qsx.corvane-save-Q1w2E3"))));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
}
