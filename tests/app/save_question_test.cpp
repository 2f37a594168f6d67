// The question "Save changes to ... ?" before New Project, Open, a recent file
// and a project handed over by a second start, answered in the real box with
// a unit on line: only Yes and No go on. Escape, the close button and Enter
// (the box has no default button) end the command and leave the project on
// screen and the units as they were.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <functional>

#include "app/command_ids.h"
#include "app/project_file.h"
#include "app/recent_files.h"
#include "dialogs/naming_dialogs.h"
#include "dialogs/yes_no_dialogs.h"
#include "protocol/unit_network.h"
#include "support/emulated_units.h"

namespace {

using namespace console_test;

class SaveQuestion : public EmulatedUnitsFixture {
protected:
    void SetUp() override
    {
        EmulatedUnitsFixture::SetUp();
        ASSERT_TRUE(m_show.isValid());
        SetDialogHandler([](CSkinnedDialog& dialog) {
            if (!dynamic_cast<CNewSceneDialog*>(&dialog))
                return IDCANCEL;
            g_SceneName[std::size_t(g_nSceneCount)] = QStringLiteral("Verse");
            return IDOK;
        });
        SetFileChooser([this](bool, const QString&) {
            ++m_chooserAsked;
            return m_otherProject;
        });
        // A unit on line, and work on screen that no file holds yet.
        const int unit = AddUnit(emu::Model::KR960, 1, 1);
        Report(unit);
        Await(1);
        m_dlg->OnCommand(IDC_NEW_SCENE);
        m_dlg->SetChannelTitle(3, QStringLiteral("Lead vox"));
        ASSERT_EQ(g_nSceneCount, 2);

        // Another project, also in the recent-file list.
        SceneRecord other;
        other.Name.setText(QStringLiteral("Other"));
        m_otherProject = m_show.filePath(QStringLiteral("other.qsx"));
        ASSERT_TRUE(WriteProjectFile(m_otherProject, ProjectFileHeader{}, {other}).ok);
        g_RecentFiles[0] = m_otherProject;
        g_nRecentFileCount = 1;

        // From here on the program's own boxes ask.
        SetMessageBoxHandler({});
        SetShowMessageHandler({});
        m_sentBefore = g_PcSequence;
    }
    void TearDown() override
    {
        SetDialogHandler({});
        SetFileChooser({});
        for (QString& entry : g_RecentFiles)
            entry.clear();
        g_nRecentFileCount = 0;
        EmulatedUnitsFixture::TearDown();
    }

    // Runs command and answers the question it asks with answer, once the
    // box is up; the question's text.
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

    void ExpectProjectAndUnitsUntouched(const std::string& what)
    {
        EXPECT_EQ(g_nSceneCount, 2) << what;
        EXPECT_EQ(g_SceneName[1], QStringLiteral("Verse")) << what;
        EXPECT_EQ(g_ChannelTitle[3], QStringLiteral("Lead vox")) << what;
        EXPECT_EQ(g_szProjectName, QStringLiteral("New Project")) << what;
        EXPECT_EQ(m_chooserAsked, 0) << what;
        EXPECT_EQ(g_PcSequence, m_sentBefore) << what << ": the units were sent something";
        EXPECT_EQ(m_emulator.pump(0), 0u) << what;
    }

    QTemporaryDir m_show;
    QString m_otherProject;
    int m_chooserAsked = 0;
    std::uint32_t m_sentBefore = 0;
};

const QString kBeforeNew = QStringLiteral("Save changes to curent project\n before creating new project?");
const QString kBeforeOpen = QStringLiteral("Save changes to current project before opening?");

} // namespace

TEST_F(SaveQuestion, EscapeCloseAndEnterEndTheCommandWithNothingLostOrSent)
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
    struct Way {
        const char* name;
        std::function<void(CNewYesNoDialog&)> answer;
    };
    const Way ways[] = {
        {"Escape", [](CNewYesNoDialog& box) { QTest::keyClick(&box, Qt::Key_Escape); }},
        {"the close button", [](CNewYesNoDialog& box) { box.close(); }},
        {"Enter", [](CNewYesNoDialog& box) { QTest::keyClick(&box, Qt::Key_Return); }},
        {"keypad Enter", [](CNewYesNoDialog& box) { QTest::keyClick(&box, Qt::Key_Enter, Qt::KeypadModifier); }},
    };
    for (const Command& command : commands) {
        for (const Way& way : ways) {
            const std::string what = std::string(command.name) + " after " + way.name;
            EXPECT_EQ(Answer(command.run, way.answer), command.question) << what;
            ExpectProjectAndUnitsUntouched(what);
        }
    }
}

TEST_F(SaveQuestion, NoGoesOnWithoutSaving)
{
    // New Project: the blank project, with its defaults sent to the unit.
    EXPECT_EQ(Answer([this] { m_dlg->OnCommand(ID_FILE_NEW_PROJECT); },
                     [](CNewYesNoDialog& box) { QTest::keyClick(&box, 'n'); }),
              kBeforeNew);
    EXPECT_EQ(g_nSceneCount, 1);
    EXPECT_EQ(g_ChannelTitle[3], QStringLiteral("Channel 4"));
    EXPECT_GT(g_PcSequence, m_sentBefore);
    EXPECT_EQ(m_chooserAsked, 0);

    // A handed-over file opens without the chooser.
    Answer([this] { m_dlg->OnProjectHandedOver(m_otherProject); },
           [](CNewYesNoDialog& box) { QTest::keyClick(&box, 'n'); });
    EXPECT_EQ(g_szProjectName, QStringLiteral("other.qsx"));
    EXPECT_EQ(g_SceneName[1], QStringLiteral("Other"));
    EXPECT_EQ(m_chooserAsked, 0);
}
