// The question "Save changes to ... ?" before another project replaces this
// one, answered in the real box: only Yes and No go on.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>

#include "app/command_ids.h"
#include "app/project_file.h"
#include "dialogs/yes_no_dialogs.h"
#include "protocol/unit_network.h"
#include "support/emulated_units.h"
#include "support/project_window_fixture.h"

namespace {

using namespace console_test;

class SaveQuestion : public EmulatedUnitsFixture {
protected:
    void SetUp() override
    {
        EmulatedUnitsFixture::SetUp();
        SetFileChooser([this](bool, const QString&) {
            ++m_chooserAsked;
            return m_otherProject;
        });
        // A unit on line, and work on screen that no file holds yet.
        Report(AddUnit(emu::Model::KR960, 1, 1));
        Await(1);
        m_dlg->SetChannelTitle(3, QStringLiteral("Lead vox"));

        // Another project, also in the recent-file list.
        m_otherProject = m_show.filePath(QStringLiteral("other.qsx"));
        ASSERT_TRUE(WriteProjectFile(m_otherProject, ProjectFileHeader{}, {SceneRecord{}}).ok);
        g_RecentFiles[0] = m_otherProject;
        g_nRecentFileCount = 1;

        // From here on the program's own boxes ask.
        SetMessageBoxHandler({});
        SetShowMessageHandler({});
        m_sentBefore = g_PcSequence;
    }
    void TearDown() override
    {
        SetFileChooser({});
        ClearRecentFiles();
        EmulatedUnitsFixture::TearDown();
    }

    // Runs command, answers its question with answer; the question's text.
    QString Answer(const std::function<void()>& command, const std::function<void(CNewYesNoDialog&)>& answer)
    {
        QString asked;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<CNewYesNoDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr) << "no question is up";
            asked = box->GetDlgItemText(CNewYesNoDialog::IDC_MESSAGE);
            answer(*box);
        });
        command();
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        return asked;
    }

    QTemporaryDir m_show;
    QString m_otherProject;
    int m_chooserAsked = 0;
    std::uint32_t m_sentBefore = 0;
};

const QString kBeforeNew = QStringLiteral("Save changes to curent project\n before creating new project?");
const QString kBeforeOpen = QStringLiteral("Save changes to current project before opening?");
const QString kBeforeExit = QStringLiteral("Do you want to save any changes you made?");

} // namespace

TEST_F(SaveQuestion, EscapeCloseAndEnterEndTheCommandWhereNoGoesOn)
{
    struct Command {
        const char* name;
        QString question;
        std::function<void()> run;
    };
    const Command commands[] = {
        {"New Project", kBeforeNew, [this] { m_dlg->OnCommand(ID_FILE_NEW_PROJECT); }},
        {"Open", kBeforeOpen, [this] { m_dlg->OnCommand(ID_FILE_OPEN); }},
        {"recent file", kBeforeOpen, [this] { m_dlg->OnCommand(ID_FILE_MRU_FIRST); }},
        {"handed-over file", kBeforeOpen, [this] { m_dlg->OnProjectHandedOver(m_otherProject); }},
    };
    // Escape, the close button, Enter and keypad Enter (the box has no default button).
    const std::function<void(CNewYesNoDialog&)> ways[] = {
        [](CNewYesNoDialog& box) { QTest::keyClick(&box, Qt::Key_Escape); },
        [](CNewYesNoDialog& box) { box.close(); },
        [](CNewYesNoDialog& box) { QTest::keyClick(&box, Qt::Key_Return); },
        [](CNewYesNoDialog& box) { QTest::keyClick(&box, Qt::Key_Enter, Qt::KeypadModifier); },
    };
    for (const Command& command : commands) {
        for (std::size_t way = 0; way < std::size(ways); ++way) {
            const std::string what = std::string(command.name) + ", way " + std::to_string(way);
            EXPECT_EQ(Answer(command.run, ways[way]), command.question) << what;
            EXPECT_EQ(g_ChannelTitle[3], QStringLiteral("Lead vox")) << what;
            EXPECT_EQ(g_szProjectName, QStringLiteral("New Project")) << what;
            EXPECT_EQ(m_chooserAsked, 0) << what;
            EXPECT_EQ(g_PcSequence, m_sentBefore) << what << ": the units were sent something";
        }
    }

    // No goes on without saving.
    const auto no = [](CNewYesNoDialog& box) { QTest::keyClick(&box, 'n'); };
    // New Project: the blank project, with its defaults sent to the unit.
    Answer([this] { m_dlg->OnCommand(ID_FILE_NEW_PROJECT); }, no);
    EXPECT_EQ(g_ChannelTitle[3], QStringLiteral("Channel 4"));
    EXPECT_GT(g_PcSequence, m_sentBefore);

    // A handed-over file opens without the chooser.
    Answer([this] { m_dlg->OnProjectHandedOver(m_otherProject); }, no);
    EXPECT_EQ(g_szProjectName, QStringLiteral("other.qsx"));
    EXPECT_EQ(m_chooserAsked, 0);
}

// A close request for the main window while a save question is open (the
// window manager's close button, a second Alt+F4) does nothing more than the
// question's own Cancel: the question stays up, no second one opens, and the
// console stays with its work unsaved. Only No ends it.
TEST_F(SaveQuestion, ACloseRequestWhileAQuestionIsOpenKeepsTheConsoleAndItsWork)
{
    m_dlg->show();
    QWindow* window = m_dlg->windowHandle();
    ASSERT_NE(window, nullptr);
    // The window manager's close request, as the window system hands it over.
    const auto requestClose = [window] {
        QCloseEvent close;
        QCoreApplication::sendEvent(window, &close);
    };
    int lastWindowClosed = 0;
    const QObject counting;
    QObject::connect(qApp, &QGuiApplication::lastWindowClosed, &counting, [&] { ++lastWindowClosed; });

    struct Command {
        const char* name;
        QString question;
        std::function<void()> run;
    };
    const Command commands[] = {
        {"Exit", kBeforeExit, [this] { m_dlg->OnCommand(ID_APP_EXIT); }},
        {"window close", kBeforeExit,
         [&] {
             requestClose();
             QCoreApplication::sendPostedEvents(m_dlg.get(), QEvent::MetaCall);
         }},
        {"Restart", kBeforeExit, [this] { m_dlg->OnCommand(ID_RESTART_PROGRAM); }},
        {"New Project", kBeforeNew, [this] { m_dlg->OnCommand(ID_FILE_NEW_PROJECT); }},
        {"Open", kBeforeOpen, [this] { m_dlg->OnCommand(ID_FILE_OPEN); }},
        {"recent file", kBeforeOpen, [this] { m_dlg->OnCommand(ID_FILE_MRU_FIRST); }},
    };
    for (const Command& command : commands) {
        SCOPED_TRACE(command.name);
        bool stillAsked = false;
        bool windowKept = false;
        QString secondQuestion;
        const QString asked = Answer(command.run, [&](CNewYesNoDialog& box) {
            // Any further question a close might open is cancelled at once,
            // so the first one can still be answered.
            QTimer second;
            QObject::connect(&second, &QTimer::timeout, [&] {
                if (auto* other = qobject_cast<CNewYesNoDialog*>(QApplication::activeModalWidget());
                    other && other != &box) {
                    secondQuestion = other->GetDlgItemText(CNewYesNoDialog::IDC_MESSAGE);
                    other->close();
                }
            });
            second.start(0);
            requestClose();
            requestClose();
            stillAsked = QApplication::activeModalWidget() == &box && box.isVisible();
            windowKept = window->handle() != nullptr && m_dlg->isVisible();
            QTest::keyClick(&box, Qt::Key_Escape);
        });
        EXPECT_EQ(asked, command.question);
        EXPECT_TRUE(stillAsked);
        EXPECT_TRUE(secondQuestion.isEmpty()) << secondQuestion.toStdString();
        EXPECT_TRUE(windowKept);
        EXPECT_EQ(lastWindowClosed, 0);
        EXPECT_FALSE(m_dlg->isShutDown());
        EXPECT_TRUE(m_dlg->isVisible());
        EXPECT_FALSE(m_dlg->restartRequested());
        EXPECT_EQ(g_ChannelTitle[3], QStringLiteral("Lead vox"));
        EXPECT_EQ(g_szProjectName, QStringLiteral("New Project"));
        EXPECT_EQ(m_chooserAsked, 0);
        EXPECT_EQ(g_PcSequence, m_sentBefore) << "the units were sent something";
        // A console that has lost its window asks nothing more.
        if (HasFailure())
            return;
    }

    // The window manager's close, answered No, ends the console.
    EXPECT_EQ(Answer(commands[1].run, [](CNewYesNoDialog& box) { QTest::keyClick(&box, 'n'); }), kBeforeExit);
    EXPECT_TRUE(m_dlg->isShutDown());
    EXPECT_FALSE(m_dlg->isVisible());
}
