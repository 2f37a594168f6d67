#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "app/app_services.h"
#include "app/preferences.h"
#include "app/project_file.h"
#include "app/project_state.h"
#include "app/recent_files.h"
#include "dialogs/dialog_result.h"
#include "platform/ini_file.h"
#include "protocol/unit_network.h"

#include "file_size_limit.h"
#include "support/project_bytes.h"
#include "support/test_files.h"

namespace {

using namespace console_test;

std::int32_t WordAt(const QByteArray& bytes, qsizetype offset)
{
    return qFromLittleEndian<std::int32_t>(bytes.constData() + offset);
}

// A different value in every field: a field in the wrong place shows.
SceneRecord MakeRecord(int seed)
{
    SceneRecord r;
    r.Blocks = 48;
    r.Name.setText(QStringLiteral("Scene %1").arg(seed));
    r.Notes.setText(QStringLiteral("Notes of scene %1").arg(seed));
    int v = seed * 100000;
    for (ChannelWords* words :
         {&r.SliderPosition, &r.PolButton, &r.PadButton, &r.Button48v, &r.MuteButton,
          &r.SplitButton, &r.SafeButton, &r.RbinButton, &r.SqrtButton, &r.LinkButton,
          &r.LinkGroup, &r.LinkButtonDown, &r.LinkedSliderOffset}) {
        for (auto& w : *words)
            w = ++v;
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        r.LinkGroupLabel[ch].setText(QString::number(ch % 11));
        r.ChannelTitle[ch].setText(QStringLiteral("T%1-%2").arg(seed).arg(ch));
        r.ChannelNotes[ch].setText(QStringLiteral("N%1-%2").arg(seed).arg(ch));
    }
    for (int s = 0; s < kSlotCount; ++s) {
        r.UnitName[s].setText(QStringLiteral("Unit %1-%2").arg(seed).arg(s));
        r.UnitNotes[s].setText(QStringLiteral("UN %1-%2").arg(seed).arg(s));
    }
    for (int g = 0; g < kLinkGroupCount; ++g) {
        r.LinkGroupTitle[g].setText(QStringLiteral("Group %1-%2").arg(seed).arg(g));
        r.LinkGroupNotes[g].setText(QStringLiteral("GN %1-%2").arg(seed).arg(g));
    }
    return r;
}

// As the program writes it: every word in range, each field its own pattern.
SceneRecord MakeLoadableRecord(int seed)
{
    SceneRecord r = MakeRecord(seed);
    constexpr std::int32_t kStates[] = {0, 1, 5};
    int field = 0;
    for (ChannelWords* words : {&r.PolButton, &r.PadButton, &r.Button48v, &r.MuteButton,
                                &r.SplitButton, &r.SafeButton, &r.RbinButton, &r.SqrtButton,
                                &r.LinkButton}) {
        ++field;
        for (int ch = 0; ch < kChannelCount; ++ch)
            (*words)[ch] = kStates[(ch / field + seed) % 3];
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        r.SliderPosition[ch] = (ch + seed) % (MaxGainStepOfChannel(ch) + 1);
        r.LinkedSliderOffset[ch] = (ch * 7 + seed) % (kMaxGainStepRemote + 1);
        r.LinkGroup[ch] = (ch + seed) % (kLinkGroupCount + 1);
        r.LinkButtonDown[ch] = (ch / 3 + seed) % 2;
    }
    return r;
}

// Everything a load may change.
struct ProjectSnapshot {
    PrefsBlock prefs;
    int meterPeriod = 0;
    ProjectTexts texts;
    SceneTable<QString> names;
    SceneTable<QString> notes;
    int sceneCount = 0;
    int currentIndex = 0;
    QString path;
    bool hasFile = false;

    static ProjectSnapshot Take()
    {
        return {PrefsFromGlobals(), g_MeterPeriodMs, CurrentProjectTexts(), g_SceneName,
                g_SceneNotes, g_nSceneCount, g_nCurrentIndex, g_szProjectPath, g_bProjectHasFile};
    }
    bool operator==(const ProjectSnapshot&) const = default;
};

class ProjectFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_oldDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/data")).toLocal8Bit());
        ResetProjectState();
        ResetPreferences();
        g_MeterPeriodMs = 100;
        g_PrefsImageReserved = 0;
        for (QString& entry : g_RecentFiles)
            entry.clear();
        g_nRecentFileCount = 0;
        SetMessageBoxHandler([this](MessageBoxKind, const QString& text) {
            m_boxes.append(text);
            return IDOK;
        });
        SetShowMessageHandler([this](const QString& text) { m_plain.append(text); });
    }
    void TearDown() override
    {
        SetMessageBoxHandler({});
        SetShowMessageHandler({});
        qputenv("XDG_DATA_HOME", m_oldDataHome);
        ResetProjectState();
        ResetPreferences();
        g_PrefsImageReserved = 0;
    }
    QString file(const QString& name) const { return m_dir.filePath(name); }

    // A project whose globals all differ from the start values.
    void MakeCurrentProjectDistinct()
    {
        g_bPromptSceneDelete = 1;
        g_nRedZoneThreshold = 7;
        g_MeterPeriodMs = 500;
        g_ChannelTitle[5] = QStringLiteral("Kick");
        g_UnitNotes[3] = QStringLiteral("rack 2");
        g_LinkGroupTitle[1] = QStringLiteral("Drums");
        g_SceneName[1] = QStringLiteral("Opening");
        g_SceneNotes[1] = QStringLiteral("house lights");
        g_nSceneCount = 2;
        g_nCurrentIndex = 1;
        g_szProjectPath = file(QStringLiteral("current.qsx"));
        g_bProjectHasFile = true;
    }

    QTemporaryDir m_dir;
    QByteArray m_oldDataHome;
    QStringList m_boxes;
    QStringList m_plain;
};

} // namespace

TEST_F(ProjectFile, EmptyProjectSavesAsTheKnownHeaderAndLoadsBackToTheBlankSceneOnly)
{
    const QString path = file(QStringLiteral("empty.qsx"));
    std::vector<SceneRecord> none;
    ASSERT_TRUE(SaveProjectFile(path, none));
    EXPECT_EQ(ReadAll(path), project_bytes::HeaderBytes());

    MakeCurrentProjectDistinct();
    const auto records = ReadProjectFile(path);
    ASSERT_TRUE(records);
    EXPECT_TRUE(records->empty());
    EXPECT_EQ(g_nSceneCount, 1);
    EXPECT_TRUE(g_SceneName[1].isEmpty());
    EXPECT_EQ(PrefsFromGlobals(), PrefsBlock());
    // No record, so the project-wide texts stay as they were.
    EXPECT_EQ(g_ChannelTitle[5], QStringLiteral("Kick"));
    EXPECT_TRUE(m_boxes.isEmpty());
}

TEST_F(ProjectFile, PreferencesTravelFieldByField)
{
    g_bPromptNewScene = 1;
    g_bPromptSceneReorder = 1;
    g_MeterPeriodMs = 1000;
    g_nPeakHoldMs = -1;
    g_nDbfsRefLevel = -20;
    g_bAutosaveOff = 0;
    g_nAutosaveMinutes = 45;
    g_PrefsImageReserved = 0x5A5A;
    const QByteArray bytes = EncodeFileHeader(CurrentFileHeader());
    ASSERT_EQ(bytes.size(), 122);
    for (const auto& [offset, value] : {std::pair{0x00, 1}, {0x0C, 1}, {0x10, 1000}, {0x28, -1},
                                        {0x40, 0x5A5A}, {0x50, -20}, {0x64, 45}, {0x68, 0}})
        EXPECT_EQ(WordAt(bytes, 14 + offset), value) << offset;

    const PrefsBlock written = PrefsFromGlobals();
    ResetPreferences();
    g_MeterPeriodMs = 100;
    g_PrefsImageReserved = 0;
    const HeaderReadResult read = DecodeFileHeader(bytes);
    ASSERT_EQ(read.status, ProjectReadStatus::Ok);
    ApplyPrefsToGlobals(read.header.Prefs);
    EXPECT_EQ(PrefsFromGlobals(), written);
    EXPECT_EQ(g_PrefsImageReserved, 0x5A5A); // written back as it was read
}

TEST_F(ProjectFile, MeterPeriodIsSixteenBitsAndTimersStayInRange)
{
    PrefsBlock prefs;
    prefs.MeterPeriodMs = 0x00010064;
    ApplyPrefsToGlobals(prefs);
    EXPECT_EQ(g_MeterPeriodMs, 100);

    g_MeterPeriodMs = 0x101C8;
    EXPECT_EQ(PrefsFromGlobals().MeterPeriodMs, 0x1C8);

    // A period of 0 would spin the meter timer; autosave is held to 1..60 minutes.
    prefs.MeterPeriodMs = 0x00010000;
    prefs.AutosaveOff = 0;
    prefs.AutosaveMinutes = 0;
    ApplyPrefsToGlobals(prefs);
    EXPECT_EQ(g_MeterPeriodMs, 50);
    EXPECT_EQ(AutosaveIntervalMs(), 60000);
    g_nAutosaveMinutes = 1 << 30;
    EXPECT_EQ(AutosaveIntervalMs(), 60 * 60000);
    g_bAutosaveOff = 1;
    EXPECT_EQ(AutosaveIntervalMs(), 0);
}

TEST_F(ProjectFile, RecordFieldsSitAtTheirOffsets)
{
    SceneRecord r = MakeRecord(1);
    r.LinkedSliderOffset[0] = -3;
    r.LinkGroupLabel[383].setText(QStringLiteral("10"));
    const QByteArray bytes = EncodeSceneRecord(r);
    ASSERT_EQ(bytes.size(), 113956);
    EXPECT_EQ(WordAt(bytes, 0), 48);
    const struct {
        int offset;
        const ChannelWords& words;
    } arrays[] = {
        {0x000CC, r.SliderPosition}, {0x00CCC, r.PolButton},     {0x012CC, r.PadButton},
        {0x018CC, r.Button48v},      {0x01ECC, r.MuteButton},    {0x024CC, r.SplitButton},
        {0x02ACC, r.SafeButton},     {0x030CC, r.RbinButton},    {0x036CC, r.SqrtButton},
        {0x03CCC, r.LinkButton},     {0x042CC, r.LinkGroup},     {0x048CC, r.LinkButtonDown},
        {0x04ECC, r.LinkedSliderOffset},
    };
    for (const auto& a : arrays) {
        for (int ch : {0, 1, 255, 383})
            EXPECT_EQ(WordAt(bytes, a.offset + ch * 4), a.words[ch]) << a.offset << " " << ch;
    }
    for (const auto& [offset, text] :
         {std::pair{4, "Scene 1"}, {0x68, "Notes of scene 1"}, {0x54CC + 383 * 10, "10"},
          {0x63CC + 7 * 100, "T1-7"}, {0xF9CC, "N1-0"}, {0x18FCC + 100, "Unit 1-1"},
          {0x1A28C + 47 * 100, "UN 1-47"}, {0x1B54C, "Group 1-0"}, {0x1B934 + 900, "GN 1-9"}})
        EXPECT_EQ(QByteArray(bytes.constData() + offset), QByteArray(text)) << offset;
    // The reserved words and the two list words carry nothing.
    for (int ch = 0; ch < kChannelCount; ++ch)
        EXPECT_EQ(WordAt(bytes, 0x6CC + ch * 4), 0);
    EXPECT_EQ(WordAt(bytes, 0x1BD1C), 0);
    EXPECT_EQ(WordAt(bytes, 0x1BD20), 0);
    // Text fields are cleared behind their NUL.
    EXPECT_EQ(bytes.mid(4 + 7, 100 - 7), QByteArray(93, '\0'));
}

TEST_F(ProjectFile, TwoScenesRoundTripEveryField)
{
    MakeCurrentProjectDistinct();
    ProjectFileHeader header = CurrentFileHeader();
    header.Prefs.Reserved = 77;
    std::vector<SceneRecord> records{MakeLoadableRecord(1), MakeLoadableRecord(2)};
    records[1].LinkButton[200] = 5; // a disabled switch state survives
    const QByteArray bytes = EncodeProjectFile(header, records);
    ASSERT_EQ(bytes.size(), 122 + 2 * 113956);

    const ProjectReadResult read = DecodeProjectFile(bytes, ProjectTexts());
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.image.header, header);
    EXPECT_TRUE(read.image.records == records);
    // The later record's texts are the project's.
    EXPECT_EQ(read.image.texts.channelTitle[383], QStringLiteral("T2-383"));
    EXPECT_EQ(read.image.texts.unitNotes[47], QStringLiteral("UN 2-47"));
    EXPECT_EQ(read.image.texts.linkGroupNotes[9], QStringLiteral("GN 2-9"));
}

TEST_F(ProjectFile, LoadingAppliesPreferencesTextsAndSceneNames)
{
    ProjectFileHeader header;
    header.Prefs.RedZoneThreshold = 12;
    header.Prefs.MeterPeriodMs = 200;
    header.Prefs.AutosaveOff = 0;
    std::vector<SceneRecord> records{MakeLoadableRecord(1), MakeLoadableRecord(2)};
    ASSERT_TRUE(WriteProjectFile(file(QStringLiteral("show.qsx")), header, records).ok);

    MakeCurrentProjectDistinct();
    g_SceneNotes[0] = QStringLiteral("blank notes");
    g_SceneName[5] = QStringLiteral("stale");
    const auto loaded = ReadProjectFile(file(QStringLiteral("show.qsx")));
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->size(), 2u);
    EXPECT_EQ((*loaded)[1], records[1]);
    EXPECT_EQ(g_nRedZoneThreshold, 12);
    EXPECT_EQ(g_MeterPeriodMs, 200);
    EXPECT_EQ(g_bPromptSceneDelete, 0);
    EXPECT_EQ(AutosaveIntervalMs(), 10 * 60000);
    EXPECT_EQ(g_nSceneCount, 3);
    EXPECT_EQ(g_SceneName[0], QStringLiteral("  000 Blank Scene"));
    EXPECT_EQ(g_SceneName[1], QStringLiteral("Scene 1"));
    EXPECT_EQ(g_SceneName[2], QStringLiteral("Scene 2"));
    EXPECT_TRUE(g_SceneName[5].isEmpty());
    EXPECT_EQ(g_SceneNotes[0], QStringLiteral("blank notes"));
    EXPECT_EQ(g_SceneNotes[2], QStringLiteral("Notes of scene 2"));
    EXPECT_EQ(g_ChannelTitle[5], QStringLiteral("T2-5"));
    EXPECT_EQ(g_UnitNotes[3], QStringLiteral("UN 2-3"));
    EXPECT_EQ(g_LinkGroupTitle[1], QStringLiteral("Group 2-1"));
    EXPECT_TRUE(m_boxes.isEmpty());
}

TEST_F(ProjectFile, BlockCountLimitsTheTextsARecordApplies)
{
    ProjectTexts base;
    base.channelTitle.fill(QStringLiteral("old"));
    base.unitName.fill(QStringLiteral("old unit"));
    base.linkGroupTitle.fill(QStringLiteral("old group"));

    SceneRecord two = MakeRecord(1);
    two.Blocks = 2;
    SceneRecord none = MakeRecord(2);
    none.Blocks = -7;
    SceneRecord many = MakeRecord(3);
    many.Blocks = 49; // the texts of a 49th block would lie beyond the last channel
    EXPECT_EQ(AppliedBlockCount(two), 2);
    EXPECT_EQ(AppliedBlockCount(none), 0);
    EXPECT_EQ(AppliedBlockCount(many), 48);

    ProjectReadResult read = DecodeProjectFile(EncodeProjectFile({}, {two}), base);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.image.texts.channelTitle[15], QStringLiteral("T1-15"));
    EXPECT_EQ(read.image.texts.channelTitle[16], QStringLiteral("old"));
    EXPECT_EQ(read.image.texts.unitName[1], QStringLiteral("Unit 1-1"));
    EXPECT_EQ(read.image.texts.unitName[2], QStringLiteral("old unit"));
    EXPECT_EQ(read.image.texts.linkGroupTitle[9], QStringLiteral("Group 1-9"));

    // No channel texts, but the link-group texts and the scene itself count.
    read = DecodeProjectFile(EncodeProjectFile({}, {none}), base);
    ASSERT_TRUE(read.ok());
    ASSERT_EQ(read.image.records.size(), 1u);
    EXPECT_EQ(read.image.records[0].Name.text(), QStringLiteral("Scene 2"));
    EXPECT_EQ(read.image.texts.channelTitle[0], QStringLiteral("old"));
    EXPECT_EQ(read.image.texts.linkGroupTitle[0], QStringLiteral("Group 2-0"));
}

TEST_F(ProjectFile, RefusedFilesLeaveTheProjectAsItWas)
{
    const QByteArray good = EncodeProjectFile({}, {MakeRecord(1), MakeRecord(2)});
    QByteArray badMagic = good;
    badMagic[2] = 'Y';
    QByteArray badMarker = good;
    badMarker[12] = 'd';
    QByteArray markerWithoutNul = good;
    markerWithoutNul[13] = '!';

    const QString incompatible =
        QStringLiteral("This Corvane scene file is incompatible with this version of Corvane.");
    const struct {
        const char* name;
        QByteArray bytes;
        QString message; // empty: refused without a word
    } cases[] = {
        {"empty", QByteArray(), incompatible},
        {"short magic", QByteArray("QSX", 3), incompatible},
        {"bad magic", badMagic, incompatible},
        {"bad marker", badMarker, QString()},
        {"marker without its NUL", markerWithoutNul, QString()},
        {"short marker", good.left(10), QString()},
        {"short prefs", good.left(121), QStringLiteral("Failed to read prefs")},
    };
    MakeCurrentProjectDistinct();
    const ProjectSnapshot before = ProjectSnapshot::Take();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = file(QStringLiteral("bad.qsx"));
        ASSERT_TRUE(WriteAll(path, c.bytes));
        m_boxes.clear();
        EXPECT_FALSE(ReadProjectFile(path));
        EXPECT_EQ(m_boxes, c.message.isEmpty() ? QStringList() : QStringList{c.message});
        EXPECT_TRUE(ProjectSnapshot::Take() == before);
    }
    // A missing file, or a folder, cannot be opened.
    for (const QString& path : {file(QStringLiteral("missing.qsx")), m_dir.path()}) {
        m_boxes.clear();
        EXPECT_FALSE(ReadProjectFile(path));
        EXPECT_EQ(m_boxes, QStringList{QStringLiteral("Cannot open file %1").arg(path)});
        EXPECT_TRUE(ProjectSnapshot::Take() == before);
    }
}

TEST_F(ProjectFile, MoreScenesThanTheListHoldsAreRefused)
{
    QByteArray bytes = EncodeFileHeader({});
    bytes.append(QByteArray(qsizetype(kMaxStoredScenes) * 113956, '\0'));
    EXPECT_TRUE(DecodeProjectFile(bytes, {}).ok());
    bytes.append('\0'); // a piece of a 200th record is left aside
    EXPECT_TRUE(DecodeProjectFile(bytes, {}).ok());
    bytes.append(QByteArray(113955, '\0'));
    EXPECT_EQ(DecodeProjectFile(bytes, {}).status, ProjectReadStatus::TooManyScenes);
}

TEST_F(ProjectFile, AFileCutInsideARecordLoadsItsWholeRecords)
{
    const std::vector<SceneRecord> records{MakeRecord(1), MakeRecord(2)};
    QByteArray bytes = EncodeProjectFile(ProjectFileHeader{}, records);
    EXPECT_FALSE(DecodeProjectFile(bytes, {}).cutShort);
    bytes.append(EncodeSceneRecord(MakeRecord(3)).left(500));
    const ProjectReadResult read = DecodeProjectFile(bytes, {});
    ASSERT_TRUE(read.ok());
    EXPECT_TRUE(read.cutShort);
    ASSERT_EQ(read.image.records.size(), 2u);
    EXPECT_EQ(read.image.records[1].Name.text(), records[1].Name.text());

    // Through the file: the caller learns of the piece, nothing is shown yet.
    const QString path = file(QStringLiteral("cut.qsx"));
    ASSERT_TRUE(WriteAll(path, bytes));
    bool cutShort = false;
    const auto loaded = ReadProjectFile(path, &cutShort);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->size(), 2u);
    EXPECT_TRUE(cutShort);
    EXPECT_TRUE(m_boxes.isEmpty());

    // A refused file is not reported as cut short.
    ASSERT_TRUE(WriteAll(path, bytes.left(121)));
    m_boxes.clear();
    EXPECT_FALSE(ReadProjectFile(path, &cutShort));
    EXPECT_FALSE(cutShort);
}

TEST_F(ProjectFile, SaveWritesTheCurrentTextsIntoEveryRecord)
{
    std::vector<SceneRecord> records{MakeLoadableRecord(1), MakeLoadableRecord(2)};
    records[0].Blocks = 5;
    g_ChannelTitle[0] = QString(150, QLatin1Char('x'));
    g_ChannelNotes[383] = QStringLiteral("last");
    g_UnitName[47] = QStringLiteral("KR-9X Unit 32");
    g_LinkGroupNotes[9] = QStringLiteral("white");
    const QString path = file(QStringLiteral("save.qsx"));
    ASSERT_TRUE(SaveProjectFile(path, records));

    const ProjectReadResult read = DecodeProjectFile(ReadAll(path), {});
    ASSERT_TRUE(read.ok());
    ASSERT_EQ(read.image.records.size(), 2u);
    for (const SceneRecord& r : read.image.records) {
        EXPECT_EQ(r.Blocks, 48);
        EXPECT_EQ(r.ChannelTitle[0].text(), QString(99, QLatin1Char('x')));
        EXPECT_EQ(r.ChannelTitle[1].text(), QStringLiteral("Ch 2"));
        EXPECT_EQ(r.ChannelNotes[383].text(), QStringLiteral("last"));
        EXPECT_EQ(r.UnitName[47].text(), QStringLiteral("KR-9X Unit 32"));
        EXPECT_EQ(r.LinkGroupNotes[9].text(), QStringLiteral("white"));
        EXPECT_EQ(r.ChannelTitle, read.image.records[0].ChannelTitle);
    }
    // Per-scene state is the scene's own.
    EXPECT_EQ(read.image.records[1].Name.text(), QStringLiteral("Scene 2"));
    EXPECT_EQ(read.image.records[1].SliderPosition, records[1].SliderPosition);
}

// The stored scenes are written and fingerprinted a record at a time, never
// copied or built whole: the file is the one a save of refreshed copies
// writes, and the fingerprint changes with what the file would hold.
TEST_F(ProjectFile, StoredScenesAreWrittenAndFingerprintedAsASaveWritesThem)
{
    std::vector<SceneRecord> stored{MakeLoadableRecord(1), MakeLoadableRecord(2)};
    stored[0].Blocks = 5;
    stored[1].UnitName[3].setText(QStringLiteral("stale"));
    const std::vector<const SceneRecord*> pointers{&stored[0], &stored[1]};
    g_UnitName[3] = QStringLiteral("Keys");
    const ProjectTexts texts = CurrentProjectTexts();
    const ProjectFileHeader header = CurrentFileHeader();

    std::vector<SceneRecord> copies = stored;
    RefreshProjectTexts(copies, texts);
    const QByteArray expected = EncodeProjectFile(header, copies);
    const QString path = file(QStringLiteral("stored.qsx"));
    ASSERT_TRUE(WriteProjectFile(path, header, pointers, texts).ok);
    EXPECT_EQ(ReadAll(path), expected);
    EXPECT_EQ(stored[1].UnitName[3].text(), QStringLiteral("stale")); // the stored scene is left alone

    const std::size_t print = ProjectFileFingerprint(header, pointers, texts);
    EXPECT_EQ(ProjectFileFingerprint(header, pointers, texts), print);
    stored[1].UnitName[3].setText(QStringLiteral("other stale")); // a save overwrites it anyway
    EXPECT_EQ(ProjectFileFingerprint(header, pointers, texts), print);
    stored[1].SliderPosition[7] += 1;
    EXPECT_NE(ProjectFileFingerprint(header, pointers, texts), print);
    stored[1].SliderPosition[7] -= 1;
    ProjectTexts renamed = texts;
    renamed.unitName[3] = QStringLiteral("Drums");
    EXPECT_NE(ProjectFileFingerprint(header, pointers, renamed), print);
    EXPECT_NE(ProjectFileFingerprint(header, {pointers[0]}, texts), print);
}

TEST_F(ProjectFile, FailedSaveLeavesTheOldFile)
{
    const QString path = file(QStringLiteral("show.qsx"));
    const QByteArray old = project_bytes::HeaderBytes();
    ASSERT_TRUE(WriteAll(path, old));
    std::vector<SceneRecord> records{MakeRecord(1), MakeRecord(2)};

    {   // Full while the records are written.
        FileSizeLimit limit(200000);
        const ProjectWriteResult r = WriteProjectFile(path, CurrentFileHeader(), records);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, QStringLiteral("The project could not be saved to %1. The file on disk "
                                          "was left as it was.").arg(path));
    }
    EXPECT_EQ(ReadAll(path), old);

    {   // Not even the header fits.
        FileSizeLimit limit(100);
        const ProjectWriteResult r = WriteProjectFile(path, CurrentFileHeader(), records);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, QStringLiteral("Failed to write prefs"));
    }
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(Entries(m_dir.path()), QStringList{QStringLiteral("show.qsx")});
    {
        FileSizeLimit limit(200000);
        EXPECT_FALSE(SaveProjectFile(path, records));
    }
    ASSERT_EQ(m_boxes.size(), 1);
    EXPECT_TRUE(m_boxes[0].startsWith(QStringLiteral("The project could not be saved")));
    EXPECT_EQ(ReadAll(path), old);

    EXPECT_TRUE(WriteProjectFile(path, CurrentFileHeader(), records).ok);
    EXPECT_EQ(ReadAll(path).size(), 122 + 2 * 113956);
}

// Refused with the reason; the file keeps its bytes and mode, nothing beside it.
TEST_F(ProjectFile, SaveOverAReadOnlyFileOrIntoAReadOnlyFolderFails)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders and files; run as another user";
    const QByteArray old = EncodeProjectFile(CurrentFileHeader(), {MakeRecord(7)});
    std::vector<SceneRecord> records{MakeRecord(1), MakeRecord(2)};

    const struct {
        const char* name;
        mode_t folderMode;
        mode_t fileMode;
    } cases[] = {
        {"read-only folder", 0555, 0644},
        {"read-only file", 0755, 0444},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder =
            file(QString::fromLatin1(c.name).replace(QLatin1Char(' '), QLatin1Char('-')));
        const QString path = folder + QStringLiteral("/show.qsx");
        ASSERT_TRUE(QDir().mkdir(folder));
        ASSERT_TRUE(WriteAll(path, old));
        const QByteArray nativeFolder = QFile::encodeName(folder);
        const QByteArray nativePath = QFile::encodeName(path);
        ASSERT_EQ(::chmod(nativePath.constData(), c.fileMode), 0);
        ASSERT_EQ(::chmod(nativeFolder.constData(), c.folderMode), 0);
        const auto restore = qScopeGuard([&] { ::chmod(nativeFolder.constData(), 0755); });

        const ProjectWriteResult r = WriteProjectFile(path, CurrentFileHeader(), records);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, QStringLiteral("Cannot open file %1").arg(path));
        EXPECT_EQ(ReadAll(path), old);
        struct stat info {};
        ASSERT_EQ(::stat(nativePath.constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, c.fileMode);
        EXPECT_EQ(Entries(folder), QStringList{QStringLiteral("show.qsx")});
    }
}

TEST_F(ProjectFile, SaveToAMissingFolderOrOverAFolderFails)
{
    const QString nowhere = file(QStringLiteral("no-such-folder/show.qsx"));
    ProjectWriteResult r = WriteProjectFile(nowhere, CurrentFileHeader(), {MakeRecord(1)});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, QStringLiteral("Cannot open file %1").arg(nowhere));
    EXPECT_FALSE(QFileInfo::exists(nowhere));

    const QString folder = file(QStringLiteral("folder.qsx"));
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_TRUE(WriteAll(folder + QStringLiteral("/inside"), "keep"));
    r = WriteProjectFile(folder, CurrentFileHeader(), {MakeRecord(1)});
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(ReadAll(folder + QStringLiteral("/inside")), QByteArray("keep"));
}

TEST_F(ProjectFile, TextIsWindows1252CutToItsField)
{
    EXPECT_EQ(EncodeAnsiText(QStringLiteral("Caf\u00e9 \u20ac5")), QByteArray("Caf\xe9 \x80" "5"));
    // Outside the code page: one '?' per character, also beyond the BMP.
    EXPECT_EQ(EncodeAnsiText(QString::fromUtf8("\xc4\x80-\xf0\x9f\x8e\xb8-\xe2\x84\xa2")),
              QByteArray("?-?-\x99"));
    QString lone;
    lone.append(QChar(0xD800));
    EXPECT_EQ(EncodeAnsiText(lone + QLatin1Char('a')), QByteArray("?a"));
    EXPECT_EQ(DecodeAnsiText(QByteArray("\x80\x9f\xff")), QStringLiteral("\u20ac\u0178\u00ff"));

    SceneText title;
    title.setText(QString(150, QLatin1Char('a')));
    EXPECT_EQ(title.text(), QString(99, QLatin1Char('a'))); // the NUL kept in the last byte
    title.setText(QStringLiteral("\u20ac") + QString(120, QLatin1Char('b')));
    EXPECT_EQ(title.text(), QStringLiteral("\u20ac") + QString(98, QLatin1Char('b')));

    LinkLabelText label;
    label.setText(QStringLiteral("0123456789AB"));
    EXPECT_EQ(label.text(), QStringLiteral("012345678"));

    // A field of a foreign file without its NUL ends where a save ends it.
    QByteArray raw = EncodeSceneRecord(SceneRecord());
    std::memset(raw.data() + 4, 'n', 100);
    const auto decoded = DecodeSceneRecord(raw);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->Name.text(), QString(99, QLatin1Char('n')));
    EXPECT_EQ(decoded->Notes.text(), QString());
    EXPECT_FALSE(DecodeSceneRecord(raw.left(113955)));
}

TEST_F(ProjectFile, FilesLastWrittenBefore2018AreOldStyle)
{
    EXPECT_TRUE(IsOldStyleFileTime(QDateTime(QDate(2017, 12, 31), QTime(23, 59, 59))));
    EXPECT_FALSE(IsOldStyleFileTime(QDateTime(QDate(2018, 1, 1), QTime(0, 0))));

    const QString path = file(QStringLiteral("dated.qsx"));
    ASSERT_TRUE(WriteAll(path, project_bytes::HeaderBytes()));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime(QDate(2017, 12, 31), QTime(12, 0)),
                                  QFileDevice::FileModificationTime));
    }
    EXPECT_FALSE(PassesOldStyleDateTest(path));
    EXPECT_EQ(m_plain, QStringList{QStringLiteral(
                           "This is an old-style .qsx file and is incompatible with the new system.")});
    // The recent-file list skips the test: the same file loads.
    EXPECT_TRUE(ReadProjectFile(path));

    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime(QDate(2018, 1, 1), QTime(0, 0, 30)),
                                  QFileDevice::FileModificationTime));
    }
    m_plain.clear();
    EXPECT_TRUE(PassesOldStyleDateTest(path));
    EXPECT_TRUE(m_plain.isEmpty());

    const QString missing = file(QStringLiteral("missing.qsx"));
    EXPECT_FALSE(PassesOldStyleDateTest(missing));
    EXPECT_EQ(m_plain, QStringList{QStringLiteral(
                           "Terminal failure: unable to open file \"%1\" for read. (2)\n").arg(missing)});
}

TEST_F(ProjectFile, FinishingALoadNamesTheProjectAndListsItUnlessItsNameIsTooShort)
{
    // A name under four characters: the scenes are this file's, nothing else moves on.
    const QString bad = file(QStringLiteral("a.q"));
    ASSERT_TRUE(WriteAll(bad, project_bytes::HeaderBytes()));
    g_szLastDirectory = QStringLiteral("/srv/shows/");
    EXPECT_FALSE(FinishProjectLoad(bad));
    EXPECT_EQ(m_boxes, QStringList{QStringLiteral("Bad file")});
    EXPECT_EQ(g_szProjectPath, bad);
    EXPECT_EQ(g_szLastDirectory, QStringLiteral("/srv/shows/"));
    EXPECT_TRUE(LoadLastUsedDirectory().isEmpty());
    EXPECT_FALSE(g_bProjectHasFile);

    m_boxes.clear();
    const QString path = file(QStringLiteral("Gala.qsx"));
    ASSERT_TRUE(WriteAll(path, project_bytes::HeaderBytes()));
    g_nCurrentIndex = 4;
    ASSERT_TRUE(FinishProjectLoad(path));
    EXPECT_EQ(g_szProjectPath, path);
    EXPECT_EQ(g_szProjectName, QStringLiteral("Gala.qsx"));
    EXPECT_EQ(g_szLastDirectory, m_dir.path() + QLatin1Char('/'));
    EXPECT_EQ(LoadLastUsedDirectory(), m_dir.path() + QLatin1Char('/'));
    EXPECT_EQ(g_nRecentFileCount, 1);
    EXPECT_EQ(g_RecentFiles[0], path);
    EXPECT_EQ(g_nCurrentIndex, 0);
    EXPECT_TRUE(g_bProjectHasFile);
    EXPECT_TRUE(m_boxes.isEmpty());
}
