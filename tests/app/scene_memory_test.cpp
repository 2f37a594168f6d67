// Memory that runs out where scene records are taken: a new scene and a
// project read in from a file. The scene-record allocator stands in for the
// system running out at one chosen allocation.

#include <gtest/gtest.h>

#include "app/scene_store.h"
#include "support/project_window_fixture.h"

namespace {

// Fails the allocation numbered g_failAt (counted from 1), and only that one.
int g_allocations = 0;
int g_failAt = 0;

void* FailingOnce(std::size_t bytes)
{
    return ++g_allocations == g_failAt ? nullptr : ::operator new(bytes);
}

class SceneMemory : public console_test::ProjectWindowFixture {
protected:
    void SetUp() override
    {
        ProjectWindowFixture::SetUp();
        AnswerNewSceneDialogs();
        Build().show();
    }
    void TearDown() override
    {
        SetSceneRecordAllocator(nullptr);
        ProjectWindowFixture::TearDown();
    }
    static void FailAllocation(int number)
    {
        g_allocations = 0;
        g_failAt = number;
        SetSceneRecordAllocator(FailingOnce);
    }
};

} // namespace

TEST_F(SceneMemory, ANewSceneWithoutMemoryIsRefusedAndLeavesNoLine)
{
    NewScene(QStringLiteral("Verse"));
    FailAllocation(1);
    NewScene(QStringLiteral("Chorus"));
    EXPECT_EQ(m_messages, QStringList{QStringLiteral("Cannot allocate memory for new scene.")});
    EXPECT_EQ(console_test::SceneLines(*m_dlg), (QStringList{kBlankSceneLine, QStringLiteral("  001 Verse")}));
    EXPECT_EQ(g_nSceneCount, 2);
    EXPECT_EQ(SceneRecordCount(), 1u);

    // With memory again the same scene is made as usual.
    NewScene(QStringLiteral("Chorus"));
    EXPECT_EQ(console_test::SceneLines(*m_dlg),
              (QStringList{kBlankSceneLine, QStringLiteral("  001 Verse"), QStringLiteral("  002 Chorus")}));
}

// The third record of the file finds no memory: the two read before it are
// the project now, of no file, so a save overwrites neither file.
TEST_F(SceneMemory, AReadInWithoutMemoryKeepsTheScenesReadSoFar)
{
    const QString before = MakeProject(QStringLiteral("before.qsx"), {QStringLiteral("Old")});
    Open(before);
    const QString show = MakeProject(QStringLiteral("show.qsx"),
                                     {QStringLiteral("Intro"), QStringLiteral("Verse"), QStringLiteral("Encore")});
    const QByteArray showBytes = console_test::ReadBytes(show);
    const QByteArray beforeBytes = console_test::ReadBytes(before);
    ASSERT_TRUE(m_messages.isEmpty());

    FailAllocation(3);
    Open(show);
    EXPECT_EQ(m_messages, QStringList{QStringLiteral("Cannot allocate memory for file read-in")});
    EXPECT_EQ(console_test::SceneLines(*m_dlg),
              (QStringList{kBlankSceneLine, QStringLiteral("  001 Intro"), QStringLiteral("  002 Verse")}));
    EXPECT_EQ(SceneRecordCount(), 2u);
    EXPECT_FALSE(g_bProjectHasFile);

    // Save asks where; cancelled, neither file changed.
    m_chooserCalls.clear();
    m_chosen.clear();
    m_dlg->OnCommand(ID_FILE_SAVE);
    EXPECT_EQ(m_chooserCalls, std::vector<bool>{true});
    EXPECT_EQ(console_test::ReadBytes(show), showBytes);
    EXPECT_EQ(console_test::ReadBytes(before), beforeBytes);
}
