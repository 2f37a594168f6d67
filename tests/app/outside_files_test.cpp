// What the program meets outside its own making: pipes and devices named
// like projects, project files far larger than any project, profile and
// settings files too large to be ours or impossible to write, and a
// terminate request while the project has changes that were never saved.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QTemporaryDir>

#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "app/app_services.h"
#include "app/main_dialog.h"
#include "app/project_file.h"
#include "app/recent_files.h"
#include "dialogs/dialog_result.h"
#include "fifo_guard.h"
#include "platform/clock.h"
#include "platform/data_folder.h"
#include "platform/ini_file.h"
#include "platform/settings_store.h"
#include "platform/skin_registry.h"
#include "platform/timer_table.h"

namespace {

using Dlg = CQuellonKR9SeriesDlg;

struct FileStamp {
    qint64 size = -1;
    qint64 mtimeNs = -1;
    ino_t inode = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, st.st_ino};
}

// A file holding start and then stretched, without writing, to size bytes.
bool MakeSparseFile(const QString& path, const QByteArray& start, off_t size)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, start.constData(), size_t(start.size())) == start.size()
        && ::ftruncate(fd, size) == 0;
    ::close(fd);
    return ok;
}

// A main window on a manual clock with a data folder, a settings file and a
// show folder of its own. Questions are answered from m_answer (by the text's
// start) or No; the file chooser hands back m_chosen and counts its calls.
class OutsideFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_data.isValid());
        ASSERT_TRUE(m_shows.isValid());
        ResetProjectState();
        for (QString& entry : g_RecentFiles)
            entry.clear();
        g_nRecentFileCount = 0;
        g_nRecentFileIndex = -1;
        m_oldDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", m_data.path().toLocal8Bit());
        m_savedCwd = QDir::currentPath();
        m_savedPalette = QApplication::palette();
        SetShowMessageHandler([this](const QString& text) { m_messages.append(text); });
        SetMessageBoxHandler([this](MessageBoxKind kind, const QString& text) {
            if (kind == MessageBoxKind::Message || kind == MessageBoxKind::SelfClosing) {
                m_messages.append(text);
                return IDOK;
            }
            m_questions.append(text);
            for (const auto& [start, answer] : m_answers)
                if (text.startsWith(start))
                    return answer;
            return kind == MessageBoxKind::YesNoCancel ? IDCANCEL : IDNO;
        });
        SetFileChooser([this](bool forSaving, const QString&) {
            (forSaving ? m_saveChooserCalls : m_openChooserCalls)++;
            return m_chosen;
        });
    }
    void TearDown() override
    {
        m_dlg.reset();
        g_pMainDlg = nullptr;
        SetShowMessageHandler({});
        SetMessageBoxHandler({});
        SetFileChooser({});
        qputenv("XDG_DATA_HOME", m_oldDataHome);
        QDir::setCurrent(m_savedCwd);
        QApplication::setPalette(m_savedPalette);
        for (QString& entry : g_RecentFiles)
            entry.clear();
        g_nRecentFileCount = 0;
        g_szProjectPath.clear();
    }

    Dlg& Build(StartupOptions options = {}, bool ask = false)
    {
        options.registerFileType = false;
        options.askStartupQuestion = ask;
        m_dlg.reset();
        m_dlg = std::make_unique<Dlg>(m_platform, options);
        g_pMainDlg = m_dlg.get();
        m_dlg->OnInitDialog();
        QCoreApplication::processEvents();
        return *m_dlg;
    }

    // A project file in the show folder with the named scenes (all channels
    // at their defaults).
    QString MakeProject(const QString& name, const QStringList& scenes = {})
    {
        std::vector<SceneRecord> records;
        for (const QString& scene : scenes) {
            SceneRecord r;
            r.Name.setText(scene);
            r.SliderPosition.fill(63);
            records.push_back(r);
        }
        const QString path = m_shows.filePath(name);
        EXPECT_TRUE(WriteProjectFile(path, ProjectFileHeader{}, records).ok);
        return path;
    }
    QString IniPath() const { return m_data.filePath(QStringLiteral("Quellon/Corvane/Corvane.ini")); }
    QString RecoveryPath() const
    {
        return m_data.filePath(QStringLiteral("Quellon/Corvane/Corvane Recovery.qsx"));
    }
    QStringList MessagesWith(const QString& word) const
    {
        QStringList found;
        for (const QString& m : m_messages)
            if (m.contains(word, Qt::CaseInsensitive))
                found.append(m);
        return found;
    }

    QTemporaryDir m_data;
    QTemporaryDir m_shows;
    QByteArray m_oldDataHome;
    QString m_savedCwd;
    QPalette m_savedPalette;
    ManualClock m_clock;
    ManualTimerTable m_timers{m_clock};
    QString m_settingsPath = m_shows.filePath(QStringLiteral("settings.conf"));
    std::unique_ptr<SettingsStore> m_settings = std::make_unique<SettingsStore>(m_settingsPath);
    PlatformServices m_platform{m_clock, m_timers, *m_settings, SkinRegistry::instance()};
    std::unique_ptr<Dlg> m_dlg;
    QStringList m_messages;
    QStringList m_questions;
    std::vector<std::pair<QString, int>> m_answers;
    QString m_chosen;
    int m_openChooserCalls = 0;
    int m_saveChooserCalls = 0;
};

// The project on screen, to see that a refused file left it as it was.
struct ShownProject {
    QString title;
    QString path;
    int sceneCount = 0;
    QStringList lines;
    bool operator==(const ShownProject&) const = default;
};

ShownProject Shown(const Dlg& dlg)
{
    ShownProject p{dlg.windowTitle(), g_szProjectPath, g_nSceneCount, {}};
    for (int i = 0; i < dlg.sceneList()->count(); ++i)
        p.lines.append(dlg.sceneList()->item(i)->text());
    return p;
}

} // namespace

// A pipe named like a project, reached by Open, by the command line or as a
// recent file, is refused with a clear message before it is opened; the
// program never waits on it and the project on screen stays.
TEST_F(OutsideFiles, PipesNamedLikeProjectsAreRefusedWithoutWaiting)
{
    FifoGuard fifo(m_shows.filePath(QStringLiteral("live.qsx")));
    ASSERT_TRUE(fifo.made());
    const QString show = MakeProject(QStringLiteral("show.qsx"), {QStringLiteral("Verse")});

    // Through Files > Open.
    {
        Dlg& dlg = Build();
        ASSERT_TRUE(dlg.LoadProject(show));
        const ShownProject before = Shown(dlg);
        m_messages.clear();
        m_chosen = fifo.path();
        fifo.arm();
        dlg.OpenProject(false);
        EXPECT_FALSE(fifo.disarm()) << "Open waited on the pipe";
        EXPECT_EQ(Shown(dlg), before);
        ASSERT_EQ(m_messages.size(), 1) << m_messages.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(m_messages[0].contains(fifo.path()));
        EXPECT_TRUE(m_messages[0].contains(QStringLiteral("not an ordinary file")));
    }
    // On the command line.
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
        ASSERT_EQ(MessagesWith(fifo.path()).size(), 1) << m_messages.join(QLatin1Char('|')).toStdString();
    }
    // As a recent file: left out of the list like a file that is gone.
    {
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

// Devices and sockets named like projects get the same refusal.
TEST_F(OutsideFiles, DevicesAndSocketsNamedLikeProjectsAreRefused)
{
    const QString device = m_shows.filePath(QStringLiteral("zero.qsx"));
    ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(device).constData()), 0);
    const QString socketPath = m_shows.filePath(QStringLiteral("sock.qsx"));
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
        m_messages.clear();
        m_chosen = path;
        dlg.OpenProject(false);
        EXPECT_EQ(Shown(dlg), before) << path.toStdString();
        ASSERT_EQ(m_messages.size(), 1) << path.toStdString();
        EXPECT_TRUE(m_messages[0].contains(QStringLiteral("not an ordinary file"))) << m_messages[0].toStdString();
        // The loader itself (command line, recent files) refuses it too.
        m_messages.clear();
        EXPECT_FALSE(dlg.LoadProject(path));
        EXPECT_EQ(Shown(dlg), before);
        ASSERT_EQ(m_messages.size(), 1);
        EXPECT_TRUE(m_messages[0].contains(QStringLiteral("not an ordinary file")));
    }
    ::close(sock);
}

// A file larger than the header and one record past the most scenes the
// list holds cannot be a project: it is refused with the too-many-scenes
// text before anything is read, and the open project stays.
TEST_F(OutsideFiles, FilesFarLargerThanAnyProjectAreRefused)
{
    const QString show = MakeProject(QStringLiteral("show.qsx"), {QStringLiteral("Verse")});
    const QByteArray header = EncodeFileHeader(ProjectFileHeader{});
    Dlg& dlg = Build();
    ASSERT_TRUE(dlg.LoadProject(show));
    const ShownProject before = Shown(dlg);

    const off_t exactlyTooMany = ProjectFileLayout::kHeaderSize + off_t(kMaxStoredScenes + 1) * kSceneRecordSize;
    struct Case {
        const char* name;
        off_t size;
    } cases[] = {
        {"gigabyte.qsx", off_t(1) << 30},
        {"one-past.qsx", exactlyTooMany + 1},
        {"two-hundred.qsx", exactlyTooMany},
    };
    for (const Case& c : cases) {
        const QString path = m_shows.filePath(QString::fromLatin1(c.name));
        ASSERT_TRUE(MakeSparseFile(path, header, c.size));
        m_messages.clear();
        EXPECT_FALSE(dlg.LoadProject(path)) << c.name;
        EXPECT_EQ(Shown(dlg), before) << c.name;
        EXPECT_EQ(m_messages, QStringList{ProjectReadMessage(ProjectReadStatus::TooManyScenes, path)})
            << c.name;
        EXPECT_TRUE(ReadProjectImage(path, {}).status == ProjectReadStatus::TooManyScenes) << c.name;
    }
}

// A profile far larger than any the program writes is not read at start or
// written at exit: the program starts with an empty list, the operator hears
// of it once and the file keeps every byte.
TEST_F(OutsideFiles, AnOversizedProfileIsLeftUntouchedAndReportedOnce)
{
    const QString show = MakeProject(QStringLiteral("show.qsx"));
    ASSERT_TRUE(EnsureFolder(QFileInfo(IniPath()).absolutePath()));
    ASSERT_TRUE(MakeSparseFile(IniPath(),
                               "[Recent File List]\nFile1=" + show.toUtf8() + "\n", 64LL << 20));
    const FileStamp before = StampOf(IniPath());

    Dlg& dlg = Build();
    EXPECT_EQ(g_nRecentFileCount, 0);
    ASSERT_EQ(MessagesWith(QStringLiteral("Corvane.ini")).size(), 1) << m_messages.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(MessagesWith(QStringLiteral("recent files")).size() == 1);
    ASSERT_TRUE(dlg.LoadProject(show));
    dlg.CloseWithoutAsking();
    ASSERT_TRUE(dlg.QuerySaveAndShutDown());
    EXPECT_EQ(MessagesWith(QStringLiteral("Corvane.ini")).size(), 1) << m_messages.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(StampOf(IniPath()), before);
}

// With nowhere to write (a home folder that cannot take files), the operator
// is told once per run and in plain words what will not be kept.
TEST_F(OutsideFiles, SettingsThatCannotBeWrittenAreReportedOncePerRun)
{
    const QString blocker = m_shows.filePath(QStringLiteral("not-a-folder"));
    ASSERT_TRUE(MakeSparseFile(blocker, "x", 1));
    qputenv("XDG_DATA_HOME", (blocker + QStringLiteral("/data")).toLocal8Bit());
    SettingsStore settings(blocker + QStringLiteral("/config/Corvane.conf"));
    PlatformServices platform{m_clock, m_timers, settings, SkinRegistry::instance()};
    const QString show = MakeProject(QStringLiteral("show.qsx"));
    const QString other = MakeProject(QStringLiteral("other.qsx"));

    StartupOptions options;
    options.registerFileType = false;
    options.askStartupQuestion = false;
    auto dlg = std::make_unique<Dlg>(platform, options);
    g_pMainDlg = dlg.get();
    dlg->OnInitDialog();
    dlg->show();
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join(QLatin1Char('|')).toStdString();

    ASSERT_TRUE(dlg->LoadProject(show));
    ASSERT_TRUE(dlg->LoadProject(other));
    ASSERT_EQ(m_messages.size(), 1) << m_messages.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(m_messages[0].contains(QStringLiteral("recent files")));
    EXPECT_TRUE(m_messages[0].contains(QStringLiteral("last used folder")));

    m_answers = {{QStringLiteral("Do you want to save"), IDNO}};
    dlg->close();
    ASSERT_TRUE(dlg->isShutDown());
    ASSERT_EQ(m_messages.size(), 2) << m_messages.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(m_messages[1].contains(QStringLiteral("window placement")));
    dlg.reset();
    g_pMainDlg = nullptr;
}

// A terminate request while the project has unsaved changes ends the
// program without a question, but first keeps the changes in a recovery
// file in the data folder; the next start offers it once.
TEST_F(OutsideFiles, TerminatingWithUnsavedChangesKeepsThemForTheNextStart)
{
    const QString show = MakeProject(QStringLiteral("show.qsx"), {QStringLiteral("Verse")});
    const QByteArray showBytes = [&] {
        QFile f(show);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    {
        Dlg& dlg = Build();
        ASSERT_TRUE(dlg.LoadProject(show));
        dlg.SetChannelTitle(5, QStringLiteral("Lead vocal"));
        dlg.CloseWithoutAsking();
        ASSERT_TRUE(dlg.QuerySaveAndShutDown());
        EXPECT_TRUE(m_questions.isEmpty());
    }
    // The project's own file is not touched; the recovery is a project.
    QFile f(show);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), showBytes);
    const ProjectReadResult kept = ReadProjectImage(RecoveryPath(), CurrentProjectTexts());
    ASSERT_TRUE(kept.ok());
    ASSERT_EQ(kept.image.records.size(), 1u);
    EXPECT_EQ(kept.image.texts.channelTitle[5], QStringLiteral("Lead vocal"));

    // The next start offers it; Yes opens it untitled, named after the show.
    ResetProjectState();
    m_answers = {{QStringLiteral("Corvane was ended"), IDYES}};
    Dlg& dlg = Build({}, true);
    ASSERT_EQ(m_questions.size(), 1) << m_questions.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(m_questions[0].contains(QStringLiteral("show.qsx")));
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral(" Corvane - show.qsx"));
    EXPECT_FALSE(g_bProjectHasFile);
    EXPECT_EQ(g_nSceneCount, 2);
    EXPECT_EQ(g_ChannelTitle[5], QStringLiteral("Lead vocal"));
    EXPECT_FALSE(QFileInfo::exists(RecoveryPath()));
    // A save asks where; the original file stays as it was.
    m_chosen.clear();
    EXPECT_FALSE(dlg.OnFileSave());
    EXPECT_EQ(m_saveChooserCalls, 1);
    f.seek(0);
    EXPECT_EQ(f.readAll(), showBytes);

    // It was offered once: the next start asks nothing more.
    m_questions.clear();
    Build({}, true);
    for (const QString& q : m_questions)
        EXPECT_FALSE(q.startsWith(QStringLiteral("Corvane was ended"))) << q.toStdString();
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
    {
        // A scene stored in the untitled project, as New Scene stores it.
        Dlg& dlg = Build();
        const int index = g_nSceneCount;
        g_SceneName[std::size_t(index)] = QStringLiteral("Chorus");
        dlg.sceneList()->addItem(SceneLine(index, QStringLiteral("Chorus")));
        dlg.NewScene(QStringLiteral("Chorus"));
        ++g_nSceneCount;
        dlg.CloseWithoutAsking();
        ASSERT_TRUE(dlg.QuerySaveAndShutDown());
    }
    ASSERT_TRUE(QFileInfo::exists(RecoveryPath()));

    ResetProjectState();
    Build({}, true);
    ASSERT_GE(m_questions.size(), 1);
    EXPECT_TRUE(m_questions[0].startsWith(QStringLiteral("Corvane was ended")));
    EXPECT_TRUE(m_questions[0].contains(QStringLiteral("New Project")));
    EXPECT_EQ(g_nSceneCount, 1);
    EXPECT_FALSE(QFileInfo::exists(RecoveryPath()));
}
