// Unit names through the main window: the names the operator gave come back
// with the project and stay when the units come on line; a slot without a
// name of the operator's takes the model's default name.

#include <gtest/gtest.h>

#include "app/command_ids.h"
#include "app/project_file.h"
#include "dialogs/naming_dialogs.h"
#include "protocol/watchdog.h"
#include "views/overview.h"
#include "views/strip_labels.h"
#include "support/project_bytes.h"
#include "support/project_window_fixture.h"

namespace {

using console_test::ConsoleFixture;
using Dlg = CQuellonKR9SeriesDlg;

class UnitNames : public ConsoleFixture {
protected:
    void SetUp() override
    {
        ConsoleFixture::SetUp();
        // The fixture's network core stands in for the window's own.
        m_timers.kill(Dlg::kTimerStartNetwork);
        SetFileChooser([this](bool, const QString&) { return m_chosenFile; });
    }
    void TearDown() override
    {
        SetFileChooser({});
        ConsoleFixture::TearDown();
    }

    // A project of one scene "Show" (every fader at its lowest gain)
    // holding the given unit names by slot.
    void WriteProject(const QString& file, const std::vector<std::pair<int, QByteArray>>& names)
    {
        using namespace project_bytes;
        QByteArray record = RecordBytes("Show");
        for (int ch = 0; ch < kChannelCount; ++ch)
            PutWord(record, WordOf(kSliderAt, ch), 63);
        for (const auto& [slot, name] : names)
            record.replace(kUnitNameAt + 100 * (slot - 1), name.size(), name);
        ASSERT_TRUE(console_test::WriteBytes(file, HeaderBytes() + record));
    }

    void Open(const QString& file)
    {
        m_chosenFile = file;
        m_dlg->OnCommand(ID_FILE_OPEN);
        ASSERT_EQ(g_szProjectPath, file);
    }

    // The unit names of the file's first record.
    std::array<QString, kSlotCount> SavedNames(const QString& file)
    {
        std::array<QString, kSlotCount> names;
        const ProjectReadResult read = ReadProjectImage(file, ProjectTexts{});
        EXPECT_TRUE(read.ok());
        if (read.ok() && !read.image.records.empty())
            for (int s = 0; s < kSlotCount; ++s)
                names[std::size_t(s)] = read.image.records[0].UnitName[std::size_t(s)].text();
        return names;
    }

    QString m_chosenFile;
};

} // namespace

// Every kind of name a slot may hold when its unit is first heard, from a
// project file: the operator's names stay, the program's own give way.
TEST_F(UnitNames, OperatorNamesFromTheProjectStayWhenTheirUnitsComeOnLine)
{
    const QString file = m_dir.filePath(QStringLiteral("tour.qsx"));
    WriteProject(file, {
                           {1, "Drums"}, {2, "Drums"},                       // unit 1
                           {3, "Keys"}, {4, "Keys"},                         // unit 2
                           {5, "UNIT 3 - KR-960/8"}, {6, "UNIT 3 - KR-960/8"}, // another model's default
                           {7, "KR-960 Unit 4 Unused"}, {8, "KR-960 Unit 4 Unused"},
                           /* slots 9 and 10 empty */                        // unit 5
                           {11, "Choir"}, {12, "KR-960 Unit 6 Unused"},      // unit 6
                           {33, "Brass"},                                    // unit 17
                           {34, "KR-9X Unit 18 Unused"},                     // unit 18
                           {35, "Spare - Unused"},                           // unit 19
                           {36, "UNIT 20 - KR-960"},                         // unit 20
                       });
    Open(file);
    EXPECT_EQ(g_UnitName[0], QStringLiteral("Drums"));

    for (const auto& [unitId, sixteen] : {std::pair{1, true}, {2, false}, {3, true}, {4, false}, {5, false}, {6, true}})
        Add132(unitId, sixteen, std::uint8_t(unitId));
    for (int unitId = 17; unitId <= 20; ++unitId)
        AddKR9X(unitId, std::uint8_t(unitId - 10));

    const struct {
        int slot;
        const char* name;
    } expected[] = {
        {1, "Drums"}, {2, "Drums"},
        {3, "Keys"}, {4, "Keys"},   // the 8-channel unit names its first slot only
        {5, "UNIT 3 - KR-960"}, {6, "UNIT 3 - KR-960"},
        {7, "UNIT 4 - KR-960/8"}, {8, "KR-960 Unit 4 Unused"},
        {9, "UNIT 5 - KR-960/8"},
        {11, "Choir"}, {12, "Choir"}, // both halves of a 16-channel unit carry its name
        {33, "Brass"},
        {34, "UNIT 18 - KR-9X"},
        {35, "UNIT 19 - KR-9X"},      // a name holding "Unused" goes, so the unit takes link groups
        {36, "UNIT 20 - KR-9X"},
    };
    for (const auto& e : expected)
        EXPECT_EQ(g_UnitName[std::size_t(e.slot - 1)], QString::fromLatin1(e.name)) << "slot " << e.slot;

    // Shown in both views' unit headers.
    EXPECT_EQ(OverviewUnitHeader(0).text(), QStringLiteral("Drums - A"));
    EXPECT_EQ(OverviewUnitHeader(11).text(), QStringLiteral("Choir - B"));
    EXPECT_EQ(OverviewUnitHeader(32).text(), QStringLiteral("Brass"));
    EXPECT_EQ(StripUnitHeader(8 * 1).text(), QStringLiteral("Drums - B"));
    EXPECT_EQ(StripUnitHeader(8 * 2).text(), QStringLiteral("Keys - A"));
    EXPECT_EQ(StripUnitHeader(8 * 32).text(), QStringLiteral("Brass"));

    // Saved again, the file holds the names as they stand.
    m_dlg->OnCommand(ID_FILE_SAVE);
    const std::array<QString, kSlotCount> saved = SavedNames(file);
    for (const auto& e : expected)
        EXPECT_EQ(saved[std::size_t(e.slot - 1)], QString::fromLatin1(e.name)) << "slot " << e.slot;
}

// Names given while the units are on line, saved by the program itself: they
// stay through a reopening and through a unit going off line and coming back,
// while New Project gives every unit on line its default name again.
TEST_F(UnitNames, NamesSavedByTheProgramOutliveAUnitThatComesBack)
{
    Add132(3, true, 1);
    AddKR9X(17, 2);
    ASSERT_EQ(g_UnitName[4], QStringLiteral("UNIT 3 - KR-960"));
    // What the unit naming dialog stores.
    g_UnitName[4] = g_UnitName[5] = QStringLiteral("Stage Left");
    g_UnitName[32] = QStringLiteral("Brass");
    SetDialogHandler([](CSkinnedDialog& dialog) {
        if (!dynamic_cast<CNewSceneDialog*>(&dialog))
            return IDCANCEL;
        g_SceneName[std::size_t(g_nSceneCount)] = QStringLiteral("Show");
        return IDOK;
    });
    m_dlg->OnCommand(IDC_NEW_SCENE);
    SetDialogHandler({});
    ASSERT_EQ(g_nSceneCount, 2);
    const QString file = m_dir.filePath(QStringLiteral("stage.qsx"));
    m_chosenFile = file;
    m_dlg->OnCommand(ID_FILE_SAVE_AS);
    ASSERT_TRUE(g_bProjectHasFile);

    Open(file);
    EXPECT_EQ(g_UnitName[4], QStringLiteral("Stage Left"));

    // Both units fall silent, go off line and are heard again.
    m_clock.advance(kOfflineAfterMs + 1);
    WatchdogTimerProc();
    ASSERT_EQ(m_dlg->m_nKR960UnitCount + m_dlg->m_nKR9XUnitCount, 0);
    Add132(3, true, 1);
    AddKR9X(17, 2);
    EXPECT_EQ(g_UnitName[4], QStringLiteral("Stage Left"));
    EXPECT_EQ(g_UnitName[5], QStringLiteral("Stage Left"));
    EXPECT_EQ(g_UnitName[32], QStringLiteral("Brass"));

    m_dlg->OnCommand(ID_FILE_SAVE);
    const std::array<QString, kSlotCount> saved = SavedNames(file);
    EXPECT_EQ(saved[4], QStringLiteral("Stage Left"));
    EXPECT_EQ(saved[5], QStringLiteral("Stage Left"));
    EXPECT_EQ(saved[32], QStringLiteral("Brass"));

    m_dlg->OnCommand(ID_FILE_NEW_PROJECT);
    EXPECT_EQ(g_UnitName[4], QStringLiteral("UNIT 3 - KR-960"));
    EXPECT_EQ(g_UnitName[5], QStringLiteral("UNIT 3 - KR-960"));
    EXPECT_EQ(g_UnitName[32], QStringLiteral("UNIT 17 - KR-9X"));
    EXPECT_EQ(g_UnitName[0], QStringLiteral("KR-960 Unit 1 Unused"));
    EXPECT_EQ(g_UnitName[47], QStringLiteral("KR-9X Unit 32 Unused"));
}

// A project saved while no unit answered holds "Unused" names; opened with
// the units on line, those live units keep their model names (a name with
// "Unused" would refuse them every link group), while an operator's name in
// the file is taken.
TEST_F(UnitNames, AProjectOpenedWithUnitsOnLineKeepsTheirNamesUnlessItGivesTheirOwn)
{
    Add132(1, true, 0x11);
    AddKR9X(17, 0x17);
    ASSERT_EQ(g_UnitName[0], QStringLiteral("UNIT 1 - KR-960"));
    const QString file = m_dir.filePath(QStringLiteral("offline.qsx"));
    WriteProject(file, {{1, "KR-960 Unit 1 Unused"}, {2, "KR-960 Unit 1 Unused"},
                        {33, "KR-9X Unit 17 Unused"}, {3, "Keys"}, {4, "Keys"}});
    Open(file);
    EXPECT_EQ(g_UnitName[0], QStringLiteral("UNIT 1 - KR-960"));
    EXPECT_EQ(g_UnitName[1], QStringLiteral("UNIT 1 - KR-960"));
    EXPECT_EQ(g_UnitName[32], QStringLiteral("UNIT 17 - KR-9X"));
    EXPECT_EQ(g_UnitName[2], QStringLiteral("Keys")); // no unit there: the file's name

    // The live unit takes a link group.
    g_nCurrentChannel = 0;
    m_dlg->SetCurrentChannelGroup(1, true);
    EXPECT_FALSE(m_boxes.join(QLatin1Char('|')).contains(QStringLiteral("Unused")));
    EXPECT_EQ(g_ChannelLinkGroup[0], 1);
}

// A project named when the program starts (as the desktop entry starts it)
// brings its unit names as Files > Open does: they stay through the rest of
// the start-up, show when their units come on line, and a save writes them
// back. A start without a project gives every slot its "Unused" name.
TEST_F(UnitNames, AProjectNamedAtStartKeepsItsUnitNames)
{
    const QString file = m_dir.filePath(QStringLiteral("Friday Gig.qsx"));
    WriteProject(file, {{1, "Stage Left"}, {2, "Stage Left"}, {33, "Brass"}});
    StartupOptions options;
    options.projectPath = file;
    m_dlg.reset();
    m_dlg = console_test::StartMainWindow(m_platform, options);
    ASSERT_EQ(g_szProjectPath, file);
    EXPECT_EQ(g_UnitName[0], QStringLiteral("Stage Left"));
    EXPECT_EQ(g_UnitName[1], QStringLiteral("Stage Left"));
    EXPECT_EQ(g_UnitName[32], QStringLiteral("Brass"));

    Add132(1, true, 0x11);
    EXPECT_EQ(OverviewUnitHeader(0).text(), QStringLiteral("Stage Left - A"));
    m_dlg->OnCommand(ID_FILE_SAVE);
    const std::array<QString, kSlotCount> saved = SavedNames(file);
    EXPECT_EQ(saved[0], QStringLiteral("Stage Left"));
    EXPECT_EQ(saved[1], QStringLiteral("Stage Left"));
    EXPECT_EQ(saved[32], QStringLiteral("Brass"));

    // Started again without a project, nothing of the last one's names is left.
    m_dlg.reset();
    m_dlg = console_test::StartMainWindow(m_platform);
    EXPECT_EQ(g_UnitName[0], QStringLiteral("KR-960 Unit 1 Unused"));
    EXPECT_EQ(g_UnitName[32], QStringLiteral("KR-9X Unit 17 Unused"));
}
