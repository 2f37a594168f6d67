// Project files whose fields or length lie outside what the console works
// with: the files are written byte by byte at the format's offsets, then
// loaded into the real main window (or read as the loader reads them).

#include <gtest/gtest.h>

#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtEndian>

#include <climits>
#include <cstdint>
#include <memory>
#include <tuple>
#include <vector>

#include "app/app_services.h"
#include "app/command_ids.h"
#include "app/main_dialog.h"
#include "app/preferences.h"
#include "app/project_file.h"
#include "app/scene_store.h"
#include "controls/gain_fader.h"
#include "controls/strip_switch.h"
#include "dialogs/dialog_result.h"
#include "dialogs/naming_dialogs.h"
#include "dialogs/skinned_dialog.h"
#include "platform/clock.h"
#include "platform/settings_store.h"
#include "platform/skin_registry.h"
#include "platform/timer_table.h"
#include "protocol/unit_network.h"
#include "views/overview.h"
#include "views/underview.h"

#include "platform/qt_printers.h"

namespace {

using Dlg = CQuellonKR9SeriesDlg;

constexpr int kHeaderBytes = 122;
constexpr int kRecordBytes = 113956;
constexpr int kPrefsAt = 14;

// Offsets within a scene record.
constexpr int kNameAt = 0x00004;
constexpr int kSliderAt = 0x000CC;
constexpr int kPolAt = 0x00CCC;
constexpr int kPadAt = 0x012CC;
constexpr int k48vAt = 0x018CC;
constexpr int kMuteAt = 0x01ECC;
constexpr int kSplitAt = 0x024CC;
constexpr int kSafeAt = 0x02ACC;
constexpr int kRbinAt = 0x030CC;
constexpr int kSqrtAt = 0x036CC;
constexpr int kLinkAt = 0x03CCC;
constexpr int kLinkGroupAt = 0x042CC;
constexpr int kLinkDownAt = 0x048CC;
constexpr int kLinkedOffsetAt = 0x04ECC;
constexpr int kChannelTitleAt = 0x063CC;

void PutWord(QByteArray& bytes, qsizetype at, std::int32_t value)
{
    qToLittleEndian(value, bytes.data() + at);
}

std::int32_t WordAt(const QByteArray& bytes, qsizetype at)
{
    return qFromLittleEndian<std::int32_t>(bytes.constData() + at);
}

// The header with the preferences of a project that never read a file.
QByteArray HeaderBytes()
{
    QByteArray bytes("QSX\0CONVERTED\0", 14);
    for (std::int32_t v : {0, 0, 0, 0, 100, 1, 0, 1, 0, 0, 3000, 20, 0, 1, 0, 0, 0, 0, 22, 1,
                           -18, 1, 1, 0, 1, 10, 1}) {
        char le[4];
        qToLittleEndian(v, le);
        bytes.append(le, 4);
    }
    return bytes;
}

// A record of 48 blocks named name, every other byte zero.
QByteArray RecordBytes(const QByteArray& name)
{
    QByteArray record(kRecordBytes, '\0');
    PutWord(record, 0, 48);
    record.replace(kNameAt, name.size(), name);
    return record;
}

// Where a channel's word of a per-channel array lies in a record.
constexpr qsizetype WordOf(int arrayAt, int channel)
{
    return arrayAt + channel * 4;
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ProjectFields : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ResetProjectState();
        ResetProtocolState();
        ResetPreferences();
        SetShowMessageHandler([this](const QString& text) { m_messages.append(text); });
        SetMessageBoxHandler([this](MessageBoxKind, const QString& text) {
            m_messages.append(text);
            return IDNO;
        });
    }
    void TearDown() override
    {
        m_dlg.reset();
        g_pMainDlg = nullptr;
        SetShowMessageHandler({});
        SetMessageBoxHandler({});
        SetDialogHandler({});
        ResetProjectState();
        ResetPreferences();
    }

    Dlg& Window()
    {
        StartupOptions options;
        options.registerFileType = false;
        options.askStartupQuestion = false;
        m_dlg = std::make_unique<Dlg>(m_platform, options);
        g_pMainDlg = m_dlg.get();
        m_dlg->OnInitDialog();
        return *m_dlg;
    }

    // Loads the file and recalls its first scene.
    void LoadAndRecallFirstScene(const QString& path)
    {
        ASSERT_TRUE(m_dlg->LoadProject(path));
        m_dlg->sceneList()->setCurrentRow(1);
        m_dlg->OnCommand(IDC_RECALL_SCENE);
    }

    QString file(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    ManualClock m_clock{1000};
    ManualTimerTable m_timers{m_clock};
    std::unique_ptr<SettingsStore> m_settings =
        std::make_unique<SettingsStore>(m_dir.filePath(QStringLiteral("settings.ini")));
    PlatformServices m_platform{m_clock, m_timers, *m_settings, SkinRegistry::instance()};
    std::unique_ptr<Dlg> m_dlg;
    QStringList m_messages;
};

} // namespace

// A file of one scene more than the list holds is refused whole with its own
// message, and the project on screen stays as it was; one whose 200th scene
// is only begun loads its 199 whole scenes.
TEST_F(ProjectFields, AFileOfMoreScenesThanTheListHoldsIsRefusedBeforeAnythingChanges)
{
    QByteArray bytes = HeaderBytes();
    bytes.reserve(kHeaderBytes + 200 * qsizetype(kRecordBytes));
    for (int n = 1; n <= 199; ++n)
        bytes.append(RecordBytes(QByteArray("Scene ") + QByteArray::number(n)));
    const QString begun = file(QStringLiteral("begun.qsx"));
    ASSERT_TRUE(WriteAll(begun, bytes + RecordBytes("Scene 200").left(1)));
    bytes.append(RecordBytes("Scene 200"));
    const QString tooMany = file(QStringLiteral("too-many.qsx"));
    ASSERT_TRUE(WriteAll(tooMany, bytes));
    bytes.clear();

    Dlg& dlg = Window();
    SetDialogHandler([](CSkinnedDialog& dialog) {
        if (!dynamic_cast<CNewSceneDialog*>(&dialog))
            return IDCANCEL;
        g_SceneName[std::size_t(g_nSceneCount)] = QStringLiteral("Keep");
        return IDOK;
    });
    dlg.OnCommand(IDC_NEW_SCENE);
    ASSERT_EQ(g_nSceneCount, 2);
    const QString title = dlg.windowTitle();
    m_messages.clear();

    EXPECT_FALSE(dlg.LoadProject(tooMany));
    EXPECT_EQ(m_messages,
              QStringList{QStringLiteral("The file %1 holds more than 199 scenes and was not loaded.")
                              .arg(tooMany)});
    EXPECT_EQ(g_nSceneCount, 2);
    ASSERT_EQ(dlg.sceneList()->count(), 2);
    EXPECT_EQ(dlg.sceneList()->item(1)->text(), QStringLiteral("  001 Keep"));
    EXPECT_EQ(g_SceneName[1], QStringLiteral("Keep"));
    EXPECT_TRUE(g_SceneName[2].isEmpty());
    EXPECT_NE(FindScene(QStringLiteral("Keep")), nullptr);
    EXPECT_EQ(SceneRecordCount(), 1u);
    EXPECT_EQ(dlg.windowTitle(), title);
    EXPECT_FALSE(g_bProjectHasFile);

    // The piece of a 200th record is a save cut short, not a 200th scene.
    m_messages.clear();
    bool cutShort = false;
    const auto records = ReadProjectFile(begun, &cutShort);
    ASSERT_TRUE(records);
    EXPECT_EQ(records->size(), 199u);
    EXPECT_TRUE(cutShort);
    EXPECT_TRUE(m_messages.isEmpty());
}

// Every word a file gives a scene or the preferences is brought into the
// range the console works with, and a save writes it back so.
TEST_F(ProjectFields, FieldsOutOfRangeAreBroughtIntoRangeAndSavedSo)
{
    const struct {
        const char* what;
        int arrayAt;
        int channel;
        std::int32_t inFile;
        std::int32_t loaded;
    } words[] = {
        {"gain step below the fader's top", kSliderAt, 0, -1, 0},
        {"gain step past the fader's end", kSliderAt, 1, 64, 63},
        {"gain step at the fader's end", kSliderAt, 255, 63, 63},
        {"remote gain step past its end", kSliderAt, 256, 62, 61},
        {"linked offset far below", kLinkedOffsetAt, 0, INT_MIN, 0},
        {"linked offset far above", kLinkedOffsetAt, 1, INT_MAX, 63},
        {"remote linked offset", kLinkedOffsetAt, 300, 62, 61},
        {"linked offset in range", kLinkedOffsetAt, 2, 17, 17},
        {"Pol of an unknown state", kPolAt, 0, 1000, 0},
        {"Pad negative", kPadAt, 1, -1, 0},
        {"48v disabled", k48vAt, 2, 5, 5},
        {"Mute on", kMuteAt, 3, 1, 1},
        {"Split 2", kSplitAt, 4, 2, 0},
        {"Safe lowest", kSafeAt, 5, INT_MIN, 0},
        {"Rbin 4", kRbinAt, 6, 4, 0},
        {"Sqrt 6", kSqrtAt, 7, 6, 0},
        {"Link unknown", kLinkAt, 8, 1000, 0},
        {"Link disabled", kLinkAt, 9, 5, 5},
        {"link group negative", kLinkGroupAt, 10, -5, 0},
        {"link group 1000", kLinkGroupAt, 11, 1000, 0},
        {"link group 11", kLinkGroupAt, 12, 11, 0},
        {"link group 10", kLinkGroupAt, 13, 10, 10},
        {"Link-down 7", kLinkDownAt, 14, 7, 1},
        {"Link-down negative", kLinkDownAt, 15, -1, 1},
        {"Link-down clear", kLinkDownAt, 16, 0, 0},
    };
    const struct {
        const char* what;
        int at; // within the preferences block
        std::int32_t inFile;
        std::int32_t loaded;
    } prefs[] = {
        {"prompt flag -1", 0x00, -1, 1},
        {"prompt flag 2", 0x04, 2, 1},
        {"metering period of 0 in its low 16 bits", 0x10, 0x00010000, 50},
        {"mute-linked flag 7", 0x14, 7, 1},
        {"peak hold no time offered", 0x28, -3000, 3000},
        {"red zone above", 0x2C, 999, 22},
        {"reserved word kept", 0x40, 0x5A5A5A5A, 0x5A5A5A5A},
        {"dBU list index past the list", 0x44, 99, 0},
        {"dBU level not offered", 0x48, -22, 22},
        {"dBFS list index negative", 0x4C, -1, 1},
        {"dBFS level not offered", 0x50, 18, -18},
        {"autosave minutes lowest", 0x64, INT_MIN, 1},
        {"autosave on", 0x68, 0, 0},
    };

    QByteArray header = HeaderBytes();
    for (const auto& p : prefs)
        PutWord(header, kPrefsAt + p.at, p.inFile);
    QByteArray record = RecordBytes("Odd");
    for (const auto& w : words)
        PutWord(record, WordOf(w.arrayAt, w.channel), w.inFile);
    // A title filling its whole field, with no NUL.
    record.replace(kChannelTitleAt + 20 * 100, 100, QByteArray(100, 'A'));
    const QString path = file(QStringLiteral("odd.qsx"));
    ASSERT_TRUE(WriteAll(path, header + record));

    auto loaded = ReadProjectFile(path);
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->size(), 1u);
    EXPECT_EQ(g_ChannelTitle[20], QString(99, QLatin1Char('A')));
    EXPECT_EQ(AutosaveIntervalMs(), 60000);

    const QString saved = file(QStringLiteral("saved.qsx"));
    ASSERT_TRUE(SaveProjectFile(saved, *loaded));
    const QByteArray bytes = ReadAll(saved);
    ASSERT_EQ(bytes.size(), kHeaderBytes + kRecordBytes);
    for (const auto& p : prefs)
        EXPECT_EQ(WordAt(bytes, kPrefsAt + p.at), p.loaded) << p.what;
    for (const auto& w : words)
        EXPECT_EQ(WordAt(bytes, kHeaderBytes + WordOf(w.arrayAt, w.channel)), w.loaded) << w.what;
    EXPECT_EQ(bytes.mid(kHeaderBytes + kChannelTitleAt + 20 * 100, 100),
              QByteArray(99, 'A') + QByteArray(1, '\0'));
}

// A scene whose switch, link group and linked offsets lie out of range is
// shown in range once recalled: the switch is drawn, the link label names no
// group that does not exist, a linked move keeps within the faders, and the
// next save writes the scene back in range.
TEST_F(ProjectFields, AnOutOfRangeSceneRecallsInRangeInTheWindow)
{
    QByteArray record = RecordBytes("Odd");
    PutWord(record, WordOf(kMuteAt, 3), 1000);
    PutWord(record, WordOf(kPolAt, 3), 1);
    for (const auto& [channel, group] : {std::pair{40, 1000}, {41, -5}}) {
        PutWord(record, WordOf(kLinkGroupAt, channel), group);
        PutWord(record, WordOf(kLinkAt, channel), 1);
        PutWord(record, WordOf(kLinkDownAt, channel), 1);
    }
    // Channels 16 and 17 in group 2, their reference positions at the ends
    // of the integers.
    for (const auto& [channel, position, offset] :
         {std::tuple{16, 20, INT_MIN}, std::tuple{17, 30, INT_MAX}}) {
        PutWord(record, WordOf(kSliderAt, channel), position);
        PutWord(record, WordOf(kLinkedOffsetAt, channel), offset);
        PutWord(record, WordOf(kLinkGroupAt, channel), 2);
        PutWord(record, WordOf(kLinkAt, channel), 1);
        PutWord(record, WordOf(kLinkDownAt, channel), 1);
    }
    const QString path = file(QStringLiteral("odd.qsx"));
    ASSERT_TRUE(WriteAll(path, HeaderBytes() + record));

    Dlg& dlg = Window();
    LoadAndRecallFirstScene(path);
    CUnderviewWnd* strips = dlg.m_wndUnderview;
    COverviewWnd* overview = dlg.m_wndOverview;
    EXPECT_EQ(strips->m_pMuteButton[3]->m_nState, CNewCustomBtn::kOff);
    EXPECT_EQ(overview->m_pMuteButton[3]->m_nState, CNewCustomBtn::kOff);
    EXPECT_EQ(strips->m_pPolButton[3]->m_nState, CNewCustomBtn::kOn);
    for (const int channel : {40, 41}) {
        SCOPED_TRACE(channel);
        EXPECT_EQ(g_ChannelLinkGroup[channel], 0);
        EXPECT_EQ(g_ChannelLinkIndex[channel], -1);
        EXPECT_EQ(g_ChannelLinkLabel[channel], QStringLiteral("-"));
        EXPECT_EQ(strips->m_pLinkButton[channel]->m_nState, CNewCustomBtn::kOff);
    }

    // The references are the faders' ends, so the group can only sit with
    // the first member at the top and the second at the bottom.
    g_nCurrentChannel = 16;
    int count = 0;
    ASSERT_TRUE(dlg.CollectLinkedChannels(16, count));
    ASSERT_EQ(count, 2);
    dlg.SetLinkedGain(40, count);
    EXPECT_EQ(strips->m_Slider[16]->GetPos(), 0);
    EXPECT_EQ(strips->m_Slider[17]->GetPos(), 63);

    m_messages.clear();
    dlg.OnCommand(ID_FILE_SAVE);
    EXPECT_TRUE(m_messages.isEmpty());
    const QByteArray bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), kHeaderBytes + kRecordBytes);
    const auto word = [&bytes](int arrayAt, int channel) {
        return WordAt(bytes, kHeaderBytes + WordOf(arrayAt, channel));
    };
    EXPECT_EQ(word(kMuteAt, 3), 0);
    EXPECT_EQ(word(kLinkGroupAt, 40), 0);
    EXPECT_EQ(word(kLinkGroupAt, 41), 0);
    EXPECT_EQ(word(kLinkedOffsetAt, 16), 0);
    EXPECT_EQ(word(kLinkedOffsetAt, 17), 63);
}
