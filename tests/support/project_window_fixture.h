#pragma once

// The main window for the suites of projects, recent files and start-up: a
// data folder of its own (so its own profile and recent-file list), the
// working folder and palette given back afterwards, plain messages caught in
// m_messages and questions in m_questions (Yes/No answered m_answer, the save
// question m_saveAnswer), and the file chooser handing back m_chosen.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPalette>

#include <memory>
#include <vector>

#include "app/command_ids.h"
#include "app/project_file.h"
#include "app/recent_files.h"
#include "dialogs/naming_dialogs.h"
#include "support/console_fixture.h"

namespace console_test {

inline void ClearRecentFiles()
{
    for (QString& entry : g_RecentFiles)
        entry.clear();
    g_nRecentFileCount = 0;
    g_nRecentFileIndex = -1;
}

inline QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The scene list's lines as the operator sees them.
inline QStringList SceneLines(const CQuellonKR9SeriesDlg& dlg)
{
    QStringList lines;
    for (int i = 0; i < dlg.sceneList()->count(); ++i)
        lines.append(dlg.sceneList()->item(i)->text());
    return lines;
}

class ProjectWindowFixture : public DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        ASSERT_TRUE(m_data.isValid());
        ClearRecentFiles();
        g_szProjectPath.clear();
        m_oldDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", m_data.path().toLocal8Bit());
        m_savedCwd = QDir::currentPath();
        m_savedPalette = QApplication::palette();
        SetMessageBoxHandler([this](MessageBoxKind kind, const QString& text) {
            if (kind == MessageBoxKind::Message || kind == MessageBoxKind::SelfClosing) {
                m_messages.append(text);
                return IDOK;
            }
            m_questions.append(text);
            return kind == MessageBoxKind::YesNo ? m_answer : m_saveAnswer;
        });
        SetFileChooser([this](bool forSaving, const QString&) {
            m_chooserCalls.push_back(forSaving);
            return m_chosen;
        });
    }
    void TearDown() override
    {
        m_dlg.reset();
        g_pMainDlg = nullptr;
        SetFileChooser({});
        SetDialogHandler({});
        qputenv("XDG_DATA_HOME", m_oldDataHome);
        QDir::setCurrent(m_savedCwd);
        QApplication::setPalette(m_savedPalette);
        ClearRecentFiles();
        g_szProjectPath.clear();
        DialogFixture::TearDown();
    }

    // A new window in place of the last one, as the program's start builds
    // it; with ask, the start-up question is asked and answered first.
    CQuellonKR9SeriesDlg& Build(StartupOptions options = {}, bool ask = false)
    {
        m_dlg.reset();
        m_dlg = StartMainWindow(m_platform, options, ask);
        QCoreApplication::processEvents();
        return *m_dlg;
    }

    // A project file in the show folder with the named scenes (every fader
    // at its lowest gain).
    QString MakeProject(const QString& name, const QStringList& scenes = {})
    {
        std::vector<SceneRecord> records;
        for (const QString& scene : scenes) {
            SceneRecord r;
            r.Name.setText(scene);
            r.SliderPosition.fill(63);
            records.push_back(r);
        }
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(WriteProjectFile(path, ProjectFileHeader{}, records).ok) << name.toStdString();
        return path;
    }

    // Files > Open with the chooser handing back path.
    void Open(const QString& path)
    {
        m_chosen = path;
        m_dlg->OnCommand(ID_FILE_OPEN);
    }

    // From now on the new-scene dialog is answered by naming the scene in the
    // tables (with notes "notes of <name>"); other dialogs are cancelled.
    void AnswerNewSceneDialogs()
    {
        SetDialogHandler([this](CSkinnedDialog& dialog) {
            if (!dynamic_cast<CNewSceneDialog*>(&dialog))
                return IDCANCEL;
            g_SceneName[std::size_t(g_nSceneCount)] = m_nextSceneName;
            g_SceneNotes[std::size_t(g_nSceneCount)] = QStringLiteral("notes of ") + m_nextSceneName;
            return IDOK;
        });
    }
    // New Scene, named name (after AnswerNewSceneDialogs).
    void NewScene(const QString& name)
    {
        m_nextSceneName = name;
        m_dlg->OnCommand(IDC_NEW_SCENE);
    }

    // The window on a receive port of its own once its network starts, shown.
    CQuellonKR9SeriesDlg& BuildShownOnOwnPort()
    {
        StartupOptions options;
        options.network.pcPort = 0;
        Build(options).show();
        return *m_dlg;
    }

    ManualPlatform m_manual;
    QTemporaryDir& m_dir = m_manual.dir; // the show folder
    ManualClock& m_clock = m_manual.clock;
    ManualTimerTable& m_timers = m_manual.timers;
    SettingsStore& m_settings = m_manual.settings;
    PlatformServices& m_platform = m_manual.services;
    QTemporaryDir m_data;
    QByteArray m_oldDataHome;
    QString m_savedCwd;
    QPalette m_savedPalette;
    std::unique_ptr<CQuellonKR9SeriesDlg> m_dlg;
    QStringList m_questions;
    int m_saveAnswer = IDNO;
    QString m_chosen;
    std::vector<bool> m_chooserCalls; // forSaving of each call
    QString m_nextSceneName;
};

} // namespace console_test
