// What the program meets outside its own making: pipes, devices and sockets
// named like projects, files far larger than any project, profiles too large
// to be ours or impossible to write, and a terminate request with unsaved
// changes.

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QStandardPaths>

#include <functional>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "app/scene_store.h"
#include "controls/dialog_font_adapter.h"
#include "dialogs/yes_no_dialogs.h"
#include "fifo_guard.h"
#include "platform/data_folder.h"
#include "platform/ini_file.h"
#include "support/project_window_fixture.h"
#include "support/test_files.h"

namespace {

using console_test::FileStamp;
using console_test::MakeSparseFile;
using console_test::StampOf;

using console_test::SceneLines;
using Dlg = CQuellonKR9SeriesDlg;

// The project on screen, to see that a refused file left it as it was.
struct ShownProject {
    QString title;
    QString path;
    int sceneCount = 0;
    QStringList lines;
    std::size_t stored = 0;
    bool operator==(const ShownProject&) const = default;
};

ShownProject Shown(const Dlg& dlg)
{
    return {dlg.windowTitle(), g_szProjectPath, g_nSceneCount, SceneLines(dlg), SceneRecordCount()};
}

class OutsideFiles : public console_test::ProjectWindowFixture {
protected:
    QString IniPath() const { return m_data.filePath(QStringLiteral("Quellon/Corvane/Corvane.ini")); }
    QString RecoveryPath() const
    {
        // The console of the default receive port keeps its work in its own file.
        return m_data.filePath(QStringLiteral("Quellon/Corvane/Corvane Recovery 2000.qsx"));
    }
    int MessagesWith(const QString& word) const
    {
        return int(m_messages.filter(word, Qt::CaseInsensitive).size());
    }
    std::string All() const { return m_messages.join(QLatin1Char('|')).toStdString(); }
    // A terminate request ends a console holding a scene never saved (stored
    // as New Scene stores it), in show when given, else in the untitled project.
    void TerminateWithUnsavedScene(const QString& show = {})
    {
        Dlg& dlg = Build();
        if (!show.isEmpty()) {
            ASSERT_TRUE(dlg.LoadProject(show));
        }
        const int index = g_nSceneCount;
        g_SceneName[std::size_t(index)] = QStringLiteral("Chorus");
        dlg.sceneList()->addItem(SceneLine(index, QStringLiteral("Chorus")));
        dlg.NewScene(QStringLiteral("Chorus"));
        ++g_nSceneCount;
        dlg.CloseWithoutAsking();
        ASSERT_TRUE(dlg.QuerySaveAndShutDown());
    }
    // The next start, its offer of kept work answered answer.
    void StartAgain(int answer)
    {
        ResetProjectState();
        m_answer = answer;
        m_questions.clear();
        Build({}, true);
    }
};

} // namespace

// A pipe named like a project, reached by Open, by the command line or as a
// recent file, is refused before it is opened: the program never waits on
// it and the project on screen stays.
TEST_F(OutsideFiles, PipesNamedLikeProjectsAreRefusedWithoutWaiting)
{
    FifoGuard fifo(m_dir.filePath(QStringLiteral("live.qsx")));
    ASSERT_TRUE(fifo.made());
    const QString show = MakeProject(QStringLiteral("show.qsx"), {QStringLiteral("Verse")});
    {
        Dlg& dlg = Build();
        ASSERT_TRUE(dlg.LoadProject(show));
        const ShownProject before = Shown(dlg);
        m_messages.clear();
        fifo.arm();
        Open(fifo.path());
        EXPECT_FALSE(fifo.disarm()) << "Open waited on the pipe";
        EXPECT_EQ(Shown(dlg), before);
        ASSERT_EQ(m_messages.size(), 1) << All();
        EXPECT_TRUE(m_messages[0].contains(fifo.path()));
        EXPECT_TRUE(m_messages[0].contains(QStringLiteral("not an ordinary file")));
    }
    {
        m_messages.clear();
        StartupOptions options;
        options.projectPath = fifo.path();
        fifo.arm();
        Dlg& dlg = Build(options);
        EXPECT_FALSE(fifo.disarm()) << "the start waited on the pipe";
        EXPECT_EQ(g_nSceneCount, 1);
        EXPECT_FALSE(g_bProjectHasFile);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral(" Corvane - New Project"));
        EXPECT_EQ(MessagesWith(fifo.path()), 1) << All();
    }
    {
        // Left out of the recent-file list like a file that is gone.
        IniFile ini(IniPath());
        ASSERT_TRUE(ini.writeString(QStringLiteral("Recent File List"), QStringLiteral("File1"), fifo.path()));
        ASSERT_TRUE(ini.writeString(QStringLiteral("Recent File List"), QStringLiteral("File2"), show));
        fifo.arm();
        Build();
        EXPECT_FALSE(fifo.disarm()) << "the recent-file list waited on the pipe";
        ASSERT_EQ(g_nRecentFileCount, 1);
        EXPECT_EQ(g_RecentFiles[0], show);
    }
}

TEST_F(OutsideFiles, DevicesAndSocketsNamedLikeProjectsAreRefused)
{
    const QString device = m_dir.filePath(QStringLiteral("zero.qsx"));
    ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(device).constData()), 0);
    const QString socketPath = m_dir.filePath(QStringLiteral("sock.qsx"));
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(socketPath);
    ASSERT_LT(size_t(native.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    Dlg& dlg = Build();
    const ShownProject before = Shown(dlg);
    for (const QString& path : {device, socketPath}) {
        SCOPED_TRACE(path.toStdString());
        // Through Open, and through the loader the command line and the recent files use.
        for (const bool throughOpen : {true, false}) {
            m_messages.clear();
            if (throughOpen)
                Open(path);
            else
                EXPECT_FALSE(dlg.LoadProject(path));
            EXPECT_EQ(Shown(dlg), before);
            ASSERT_EQ(m_messages.size(), 1);
            EXPECT_TRUE(m_messages[0].contains(QStringLiteral("not an ordinary file"))) << All();
        }
    }
    ::close(sock);
}

// A file larger than the header and one record past the most scenes the
// list holds is refused before anything is read, and the open project (its
// list and its stored scenes) stays.
TEST_F(OutsideFiles, FilesFarLargerThanAnyProjectAreRefused)
{
    const QString show = MakeProject(QStringLiteral("show.qsx"), {QStringLiteral("Verse")});
    const QByteArray header = EncodeFileHeader(ProjectFileHeader{});
    Dlg& dlg = Build();
    ASSERT_TRUE(dlg.LoadProject(show));
    const ShownProject before = Shown(dlg);
    ASSERT_EQ(before.stored, 1u);

    const off_t exactlyTooMany = ProjectFileLayout::kHeaderSize + off_t(kMaxStoredScenes + 1) * kSceneRecordSize;
    for (const off_t size : {off_t(1) << 30, exactlyTooMany + 1, exactlyTooMany}) {
        SCOPED_TRACE(size);
        const QString path = m_dir.filePath(QStringLiteral("big.qsx"));
        ASSERT_TRUE(MakeSparseFile(path, header, size));
        m_messages.clear();
        EXPECT_FALSE(dlg.LoadProject(path));
        EXPECT_EQ(Shown(dlg), before);
        EXPECT_NE(FindScene(QStringLiteral("Verse")), nullptr);
        EXPECT_EQ(m_messages, QStringList{QStringLiteral("The file %1 holds more than 199 scenes and was not loaded.")
                                              .arg(path)});
    }
}

// A profile far larger than any the program writes is not read at start or
// written at exit: the list starts empty, the operator hears of it once and
// the file keeps every byte.
TEST_F(OutsideFiles, AnOversizedProfileIsLeftUntouchedAndReportedOnce)
{
    const QString show = MakeProject(QStringLiteral("show.qsx"));
    ASSERT_TRUE(EnsureFolder(QFileInfo(IniPath()).absolutePath()));
    ASSERT_TRUE(MakeSparseFile(IniPath(), "[Recent File List]\nFile1=" + show.toUtf8() + "\n", 64LL << 20));
    const FileStamp before = StampOf(IniPath());

    Dlg& dlg = Build();
    EXPECT_EQ(g_nRecentFileCount, 0);
    ASSERT_EQ(MessagesWith(QStringLiteral("Corvane.ini")), 1) << All();
    EXPECT_EQ(MessagesWith(QStringLiteral("recent files")), 1);
    ASSERT_TRUE(dlg.LoadProject(show));
    dlg.CloseWithoutAsking();
    ASSERT_TRUE(dlg.QuerySaveAndShutDown());
    EXPECT_EQ(MessagesWith(QStringLiteral("Corvane.ini")), 1) << All();
    EXPECT_EQ(StampOf(IniPath()), before);
}

// With nowhere to write (a home folder that cannot take files), the operator
// is told once per run and in plain words what will not be kept.
TEST_F(OutsideFiles, SettingsThatCannotBeWrittenAreReportedOncePerRun)
{
    const QString blocker = m_dir.filePath(QStringLiteral("not-a-folder"));
    ASSERT_TRUE(MakeSparseFile(blocker, "x", 1));
    qputenv("XDG_DATA_HOME", (blocker + QStringLiteral("/data")).toLocal8Bit());
    SettingsStore settings(blocker + QStringLiteral("/config/Corvane.conf"));
    PlatformServices platform{m_clock, m_timers, settings, SkinRegistry::instance()};
    const QString show = MakeProject(QStringLiteral("show.qsx"));
    const QString other = MakeProject(QStringLiteral("other.qsx"));

    m_dlg = console_test::StartMainWindow(platform);
    m_dlg->show();
    EXPECT_TRUE(m_messages.isEmpty()) << All();
    ASSERT_TRUE(m_dlg->LoadProject(show));
    ASSERT_TRUE(m_dlg->LoadProject(other));
    ASSERT_EQ(m_messages.size(), 1) << All();
    EXPECT_TRUE(m_messages[0].contains(QStringLiteral("recent files")));
    EXPECT_TRUE(m_messages[0].contains(QStringLiteral("last used folder")));

    m_dlg->OnClose(); // No to saving
    ASSERT_TRUE(m_dlg->isShutDown());
    ASSERT_EQ(m_messages.size(), 2) << All();
    EXPECT_TRUE(m_messages[1].contains(QStringLiteral("window placement")));
    m_dlg.reset();
}

// A terminate request with unsaved changes ends the program without a
// question, but first keeps the changes in a recovery file; the next start
// offers it once, opened untitled so a save cannot overwrite the show.
TEST_F(OutsideFiles, TerminatingWithUnsavedChangesKeepsThemForTheNextStart)
{
    const QString show = MakeProject(QStringLiteral("show.qsx"), {QStringLiteral("Verse")});
    const QByteArray showBytes = console_test::ReadBytes(show);
    {
        Dlg& dlg = Build();
        ASSERT_TRUE(dlg.LoadProject(show));
        dlg.SetChannelTitle(5, QStringLiteral("Lead vocal"));
        dlg.CloseWithoutAsking();
        ASSERT_TRUE(dlg.QuerySaveAndShutDown());
        EXPECT_TRUE(m_questions.isEmpty());
    }
    EXPECT_EQ(console_test::ReadBytes(show), showBytes);
    const ProjectReadResult kept = ReadProjectImage(RecoveryPath(), CurrentProjectTexts());
    ASSERT_TRUE(kept.ok());
    ASSERT_EQ(kept.image.records.size(), 1u);
    EXPECT_EQ(kept.image.texts.channelTitle[5], QStringLiteral("Lead vocal"));

    ResetProjectState();
    m_answer = IDYES;
    Dlg& dlg = Build({}, true);
    ASSERT_EQ(m_questions.size(), 1) << m_questions.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(m_questions[0].startsWith(QStringLiteral("Corvane was ended")));
    EXPECT_TRUE(m_questions[0].contains(QStringLiteral("show.qsx")));
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral(" Corvane - show.qsx"));
    EXPECT_FALSE(g_bProjectHasFile);
    EXPECT_EQ(g_nSceneCount, 2);
    EXPECT_EQ(g_ChannelTitle[5], QStringLiteral("Lead vocal"));
    EXPECT_TRUE(QFileInfo::exists(RecoveryPath()));
    m_chosen.clear();
    EXPECT_FALSE(dlg.OnFileSave());
    EXPECT_EQ(m_chooserCalls, std::vector<bool>{true});
    EXPECT_EQ(console_test::ReadBytes(show), showBytes);
    // Saved under a name of its own, the work needs its recovery file no more.
    m_chosen = m_dir.filePath(QStringLiteral("show recovered.qsx"));
    EXPECT_TRUE(dlg.OnFileSave());
    EXPECT_FALSE(QFileInfo::exists(RecoveryPath()));
    EXPECT_EQ(console_test::ReadBytes(show), showBytes);

    m_answer = IDNO;
    m_questions.clear();
    Build({}, true);
    for (const QString& q : m_questions)
        EXPECT_FALSE(q.startsWith(QStringLiteral("Corvane was ended"))) << q.toStdString();
}

// The offer ended without an answer (Escape or the close button, IDCANCEL;
// Enter, IDOK, as the box has no default button) keeps the changes for the
// next start.
TEST_F(OutsideFiles, RecoveryOfferEndedWithoutAnAnswerKeepsTheChanges)
{
    TerminateWithUnsavedScene();
    const QByteArray kept = console_test::ReadBytes(RecoveryPath());
    ASSERT_FALSE(kept.isEmpty());
    for (const int answer : {IDCANCEL, IDOK}) {
        StartAgain(answer);
        ASSERT_GE(m_questions.size(), 1);
        EXPECT_TRUE(m_questions[0].startsWith(QStringLiteral("Corvane was ended"))) << answer;
        EXPECT_EQ(g_nSceneCount, 1) << answer;
        EXPECT_EQ(console_test::ReadBytes(RecoveryPath()), kept) << answer;
    }
    StartAgain(IDYES);
    EXPECT_EQ(g_SceneName[1], QStringLiteral("Chorus"));
    // Taken, the work is kept until it is saved.
    EXPECT_EQ(console_test::ReadBytes(RecoveryPath()), kept);
}

// Work taken from the offer is only on screen until it is saved: its kept
// files stay until a save, a No to the exit question, or a New Project or an
// Open that went through, so the program ended hard (a kill or a power cut,
// here a window gone without its shut-down) offers it again. A question
// cancelled, a chooser cancelled, a save cancelled keep them.
TEST_F(OutsideFiles, RecoveredWorkStaysKeptUntilSavedOrDiscarded)
{
    const QString name = m_data.filePath(QStringLiteral("Quellon/Corvane/Corvane Recovery 2000.name"));
    const QString other = MakeProject(QStringLiteral("other.qsx"), {QStringLiteral("Other")});
    const auto kept = [&] { return QFileInfo::exists(RecoveryPath()) && QFileInfo::exists(name); };
    const auto gone = [&] { return !QFileInfo::exists(RecoveryPath()) && !QFileInfo::exists(name); };
    // Brought back by Yes; the kept files are still there.
    const auto takeOffer = [&] {
        StartAgain(IDYES);
        EXPECT_EQ(g_SceneName[1], QStringLiteral("Chorus"));
        EXPECT_TRUE(kept());
    };
    TerminateWithUnsavedScene();

    takeOffer();
    // The window gone without its shut-down: the next start offers the work again.
    takeOffer();
    m_chosen.clear();
    EXPECT_FALSE(m_dlg->OnFileSave()); // Save As cancelled
    EXPECT_TRUE(kept());
    m_chosen = m_dir.filePath(QStringLiteral("chorus.qsx"));
    EXPECT_TRUE(m_dlg->OnFileSave());
    EXPECT_TRUE(gone());
    StartAgain(IDYES);
    EXPECT_TRUE(m_questions.filter(QStringLiteral("Corvane was ended")).isEmpty());

    const struct {
        const char* what;
        std::function<void(Dlg&)> act;
        bool discarded;
    } cases[] = {
        {"New Project, its question cancelled",
         [&](Dlg& dlg) {
             m_answer = IDCANCEL;
             dlg.OnCommand(ID_FILE_NEW_PROJECT);
         },
         false},
        {"New Project, No to saving",
         [&](Dlg& dlg) {
             m_answer = IDNO;
             dlg.OnCommand(ID_FILE_NEW_PROJECT);
         },
         true},
        {"Open, No to saving, the chooser cancelled",
         [&](Dlg&) {
             m_answer = IDNO;
             Open({});
         },
         false},
        {"Open, No to saving, a file chosen",
         [&](Dlg&) {
             m_answer = IDNO;
             Open(other);
         },
         true},
        {"exit, its question cancelled",
         [&](Dlg& dlg) {
             m_saveAnswer = IDCANCEL;
             EXPECT_FALSE(dlg.QuerySaveAndShutDown());
         },
         false},
        {"exit, No to saving",
         [&](Dlg& dlg) {
             m_saveAnswer = IDNO;
             EXPECT_TRUE(dlg.QuerySaveAndShutDown());
         },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TerminateWithUnsavedScene();
        takeOffer();
        c.act(*m_dlg);
        EXPECT_EQ(gone(), c.discarded);
        EXPECT_EQ(kept(), !c.discarded);
        QFile::remove(RecoveryPath());
        QFile::remove(name);
    }
}

// Work taken from a recovery file in another place (the config folder, the
// data folder having refused it once) and kept again on a terminate request
// goes to the data folder with what was done since; the older copy goes, so
// it is never offered after the newer one.
TEST_F(OutsideFiles, WorkKeptAgainLeavesNoOlderCopyBehind)
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Quellon/Corvane/");
    const QString olderCopy = config + QStringLiteral("Corvane Recovery 2000.qsx");
    const QString olderName = config + QStringLiteral("Corvane Recovery 2000.name");
    ASSERT_TRUE(QDir().mkpath(config));
    SceneRecord earlier;
    earlier.Name.setText(QStringLiteral("Earlier"));
    ASSERT_TRUE(WriteProjectFile(olderCopy, ProjectFileHeader{}, {earlier}).ok);
    ASSERT_TRUE(console_test::WriteBytes(olderName, "earlier.qsx"));

    StartAgain(IDYES);
    ASSERT_EQ(g_SceneName[1], QStringLiteral("Earlier"));
    EXPECT_TRUE(QFileInfo::exists(olderCopy));
    m_dlg->SetChannelTitle(5, QStringLiteral("Lead vocal"));
    m_dlg->CloseWithoutAsking();
    ASSERT_TRUE(m_dlg->QuerySaveAndShutDown());
    EXPECT_FALSE(QFileInfo::exists(olderCopy));
    EXPECT_FALSE(QFileInfo::exists(olderName));

    StartAgain(IDNO);
    ASSERT_EQ(m_questions.filter(QStringLiteral("Corvane was ended")).size(), 1);
    EXPECT_TRUE(m_questions[0].contains(QStringLiteral("earlier.qsx")));
    EXPECT_FALSE(QFileInfo::exists(RecoveryPath()));
    StartAgain(IDYES);
    EXPECT_TRUE(m_questions.filter(QStringLiteral("Corvane was ended")).isEmpty());
    QFile::remove(olderCopy);
    QFile::remove(olderName);
}

// No to the offer throws the recovered changes away for good; a terminate
// request with nothing unsaved leaves no recovery behind.
TEST_F(OutsideFiles, RecoveryOfferedOnceAndOnlyForUnsavedWork)
{
    const QString show = MakeProject(QStringLiteral("show.qsx"), {QStringLiteral("Verse")});
    {
        Dlg& dlg = Build();
        ASSERT_TRUE(dlg.LoadProject(show));
        dlg.CloseWithoutAsking();
        ASSERT_TRUE(dlg.QuerySaveAndShutDown());
    }
    EXPECT_FALSE(QFileInfo::exists(RecoveryPath()));
    TerminateWithUnsavedScene();
    ASSERT_TRUE(QFileInfo::exists(RecoveryPath()));

    ResetProjectState();
    Build({}, true);
    ASSERT_GE(m_questions.size(), 1);
    EXPECT_TRUE(m_questions[0].startsWith(QStringLiteral("Corvane was ended")));
    EXPECT_TRUE(m_questions[0].contains(QStringLiteral("New Project")));
    EXPECT_EQ(g_nSceneCount, 1);
    EXPECT_FALSE(QFileInfo::exists(RecoveryPath()));
}

// The offer names the project, which may be long: its box shows the whole
// question at 96 dpi and at scale 2 (font twice the size), with the buttons
// below it; a question that fits keeps the box's size.
TEST_F(OutsideFiles, RecoveryOfferShowsItsWholeTextAt96DpiAndScale2)
{
    TerminateWithUnsavedScene(MakeProject(QStringLiteral("Sunday evening service, second set (monitors).qsx"),
                                          {QStringLiteral("Verse")}));
    StartAgain(IDCANCEL);
    ASSERT_GE(m_questions.size(), 1);
    ASSERT_TRUE(m_questions[0].startsWith(QStringLiteral("Corvane was ended")));

    for (const QString& question :
         {m_questions[0], QStringLiteral("Would you like to recall a Scene from this project before starting?.\nIf so, "
                                         "please click 'Yes', and recall a Scene.")}) {
        SCOPED_TRACE(question.toStdString());
        g_strMessage = question;
        CNewYesNoDialog box;
        box.show();
        const QWidget* message = box.GetDlgItem(CNewYesNoDialog::IDC_MESSAGE);
        ASSERT_NE(message, nullptr);
        const QRect area = message->geometry();
        for (const int scale : {1, 2}) {
            QFont font = message->font();
            font.setPixelSize(font.pixelSize() * scale);
            const QRect needed = QFontMetrics(font).boundingRect(QRect(0, 0, area.width() * scale, 100000),
                                                                 Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                                                                 question);
            EXPECT_LE(needed.height(), area.height() * scale) << scale;
            EXPECT_LE(needed.width(), area.width() * scale) << scale;
        }
        const auto buttons = box.findChildren<CBrannockButton*>();
        ASSERT_EQ(buttons.size(), 2);
        for (const CBrannockButton* button : buttons) {
            EXPECT_GT(button->geometry().top(), area.bottom());
            EXPECT_LE(button->geometry().bottom(), box.rect().bottom());
        }
        if (question != m_questions[0]) {
            EXPECT_EQ(box.size(), DialogClientSize(CNewYesNoDialog::Layout()));
        }
    }
}

// A project name with no blanks is wider than the offer's text box: it is
// broken inside the word, so every character of the question is in the box
// (as much of it is drawn as on lines of unbounded width), and the buttons
// stay below it.
TEST_F(OutsideFiles, RecoveryOfferBreaksANameWithoutBlanksInsideItsBox)
{
    TerminateWithUnsavedScene(MakeProject(QStringLiteral("Sunday_evening_service_second_set_with_monitors_choir_and_band.qsx"),
                                          {QStringLiteral("Verse")}));
    StartAgain(IDCANCEL);
    ASSERT_GE(m_questions.size(), 1);
    const QString question = m_questions[0];
    ASSERT_TRUE(question.contains(QStringLiteral("Sunday_evening_service_second_set_with_monitors_choir_and_band")));

    g_strMessage = question;
    CNewYesNoDialog box;
    box.show();
    QWidget* message = box.GetDlgItem(CNewYesNoDialog::IDC_MESSAGE);
    ASSERT_NE(message, nullptr);
    const QFontMetrics metrics(message->font());
    ASSERT_GT(metrics.horizontalAdvance(QStringLiteral("Sunday_evening_service_second_set_with_monitors_choir_and_band.qsx")),
              message->width());

    // Dark pixels of the text as the box shows it, and of the same text with
    // each paragraph on one line of its own.
    const auto darkPixels = [](const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += qGray(image.pixel(x, y)) < 128;
        return count;
    };
    const QImage shown = message->grab().toImage();
    const QStringList paragraphs = question.split(QLatin1Char('\n'));
    QImage whole(4000, int(paragraphs.size()) * metrics.lineSpacing() + 10, QImage::Format_RGB32);
    whole.fill(Qt::white);
    {
        QPainter p(&whole);
        p.setFont(message->font());
        p.setPen(Qt::black);
        for (int i = 0; i < paragraphs.size(); ++i)
            p.drawText(QPoint(5, 5 + metrics.ascent() + i * metrics.lineSpacing()), paragraphs[i]);
    }
    const int expected = darkPixels(whole);
    ASSERT_GT(expected, 0);
    EXPECT_NEAR(darkPixels(shown), expected, expected / 50);

    for (const CBrannockButton* button : box.findChildren<CBrannockButton*>())
        EXPECT_GT(button->geometry().top(), message->geometry().bottom());
}
