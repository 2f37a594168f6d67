// Project files whose fields lie outside what the console works with,
// written byte by byte, then loaded into the real main window (or read as
// the loader reads them).

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

#include "app/preferences.h"
#include "controls/gain_fader.h"
#include "controls/strip_switch.h"
#include "support/project_bytes.h"
#include "support/project_window_fixture.h"
#include "views/overview.h"
#include "views/underview.h"

using namespace project_bytes;
using console_test::ReadBytes;
using console_test::WriteBytes;

namespace {

class ProjectFields : public console_test::ProjectWindowFixture {
protected:
    QString file(const QString& name) const { return m_dir.filePath(name); }
};

} // namespace

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
    ASSERT_TRUE(WriteBytes(path, header + record));

    auto loaded = ReadProjectFile(path);
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded->size(), 1u);
    EXPECT_EQ(g_ChannelTitle[20], QString(99, QLatin1Char('A')));
    EXPECT_EQ(AutosaveIntervalMs(), 60000);

    const QString saved = file(QStringLiteral("saved.qsx"));
    ASSERT_TRUE(SaveProjectFile(saved, *loaded));
    const QByteArray bytes = ReadBytes(saved);
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
    ASSERT_TRUE(WriteBytes(path, HeaderBytes() + record));

    CQuellonKR9SeriesDlg& dlg = Build();
    ASSERT_TRUE(dlg.LoadProject(path));
    dlg.sceneList()->setCurrentRow(1);
    dlg.OnCommand(IDC_RECALL_SCENE);
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
    EXPECT_TRUE(m_questions.isEmpty());
    const QByteArray bytes = ReadBytes(path);
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
