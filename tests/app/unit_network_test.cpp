// The main window's unit network against emulated units on loopback: the
// network starts 200 ms after the build, units are discovered and answered
// once, polled every 4 s, and every control reaches its unit byte for byte.

#include <gtest/gtest.h>

#include "unit_checks.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTemporaryDir>

#include <algorithm>
#include <memory>

#include "app/app_services.h"
#include "app/main_dialog.h"
#include "platform/clock.h"
#include "platform/settings_store.h"
#include "platform/skin_registry.h"
#include "platform/timer_table.h"
#include "controls/gain_fader.h"
#include "controls/strip_switch.h"
#include "protocol/bytes.h"
#include "protocol/unit_network.h"
#include "unit_emulator.h"
#include "views/underview.h"

#include <QTest>

namespace {

using Dlg = CQuellonKR9SeriesDlg;
constexpr int kWaitMs = 5000; // upper bound of a loopback hand-over; never waited out when all is well

class UnitNetwork : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProjectState();
        ResetProtocolState();
        SetShowMessageHandler([this](const QString& text) { m_messages.append(text); });
        SetNoticeHandler([this](const QString& caption, const QString& text, bool) {
            m_messages.append(caption);
            m_notices.append(text);
        });
        StartupOptions options;
        options.registerFileType = false;
        options.askStartupQuestion = false;
        options.network = NetworkConfig{m_pcPort, m_emulator.unitPort(), INADDR_LOOPBACK};
        m_dlg = std::make_unique<Dlg>(m_platform, options);
        g_pMainDlg = m_dlg.get();
        m_dlg->OnInitDialog();
        m_timers.advance(200); // timer 48 starts the network
        ASSERT_NE(m_dlg->network(), nullptr);
        ASSERT_TRUE(m_dlg->network()->isReceiving());
    }
    void TearDown() override
    {
        m_dlg.reset();
        g_pMainDlg = nullptr;
        SetShowMessageHandler({});
        SetNoticeHandler({});
        ResetProtocolState();
    }

    // Sends the unit's report and lets the main window handle it.
    void Report(int unit)
    {
        const std::size_t before = m_dlg->network()->g_PacketsReceived.load();
        ASSERT_TRUE(m_emulator.sendReport(unit));
        ASSERT_TRUE(m_dlg->network()->WaitForQueued(1, kWaitMs));
        m_dlg->DrainDatagrams();
        EXPECT_EQ(m_dlg->network()->g_PacketsReceived.load(), before + 1);
    }

    std::vector<emu::Received> Await(std::size_t count)
    {
        EXPECT_TRUE(m_emulator.waitFor(count, kWaitMs));
        std::vector<emu::Received> got = m_emulator.received();
        m_emulator.clearReceived();
        return got;
    }

    QTemporaryDir m_dir;
    ManualClock m_clock{100000};
    ManualTimerTable m_timers{m_clock};
    std::unique_ptr<SettingsStore> m_settings =
        std::make_unique<SettingsStore>(m_dir.filePath(QStringLiteral("settings.ini")));
    PlatformServices m_platform{m_clock, m_timers, *m_settings, SkinRegistry::instance()};
    std::uint16_t m_pcPort = FreeUdpPort();
    emu::Emulator m_emulator{m_pcPort, FreeUdpPort()};
    std::unique_ptr<Dlg> m_dlg;
    QStringList m_messages;
    QStringList m_notices;
};

std::uint32_t Sequence(const emu::Received& r)
{
    return ReadBe32(&r.bytes[0x1A]);
}

} // namespace

TEST_F(UnitNetwork, DiscoveryAnswersOnceAndThePollFollowsEveryFourSeconds)
{
    const int a = m_emulator.addUnit(emu::defaultConfig(emu::Model::KR960, 3, 1));
    const int b = m_emulator.addUnit(emu::defaultConfig(emu::Model::KR960_8, 7, 2));

    // Nothing has been heard yet: the poll sends nothing.
    m_timers.advance(4000);
    EXPECT_EQ(g_PcSequence, 0u);

    Report(a);
    std::vector<emu::Received> got = Await(1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].unit, a);
    EXPECT_EQ(got[0].kind, emu::Kind::State);
    EXPECT_EQ(got[0].bytes[0x05], 5);    // the slot of unit 3
    EXPECT_EQ(got[0].bytes[0x72], 0x00); // the unit's own status byte, 0 on the emulated unit
    EXPECT_EQ(g_UnitStatus[5], UNIT_ACTIVE);
    EXPECT_EQ(g_UnitName[4], QStringLiteral("UNIT 3 - KR-960"));
    EXPECT_EQ(g_UnitName[5], QStringLiteral("UNIT 3 - KR-960"));
    EXPECT_EQ(m_dlg->m_nKR960UnitCount, 1);
    EXPECT_EQ(m_dlg->m_aChannelLink[32].ownerSlot, 5);
    EXPECT_EQ(m_dlg->m_aChannelLink[47].unitType, UNIT_TYPE_KR960);

    // Later reports of a known unit are not answered.
    Report(a);
    Report(b);
    got = Await(1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].unit, b);
    EXPECT_EQ(g_UnitName[12], QStringLiteral("UNIT 7 - KR-960/8"));
    EXPECT_EQ(g_PcSequence, 2u);

    // The poll: one state datagram per unit, every 4000 ms of the poll timer.
    // The units keep reporting meanwhile, or the watchdog would take them off line.
    EXPECT_EQ(m_timers.period(Dlg::kTimerPoll), 4000);
    m_timers.advance(3000);
    Report(a);
    Report(b);
    m_timers.advance(1000);
    got = Await(2);
    EXPECT_EQ(got.size(), 2u);
    for (const emu::Received& r : got)
        EXPECT_EQ(r.kind, emu::Kind::State);
    EXPECT_EQ(g_PcSequence, 4u);
}

TEST_F(UnitNetwork, ControlsReachTheirUnitByteForByteWithOneSequenceAcrossModels)
{
    const int a = m_emulator.addUnit(emu::defaultConfig(emu::Model::KR960, 1, 1));
    const int b = m_emulator.addUnit(emu::defaultConfig(emu::Model::KR960_8, 2, 2));
    const std::vector<std::uint8_t> firstA = m_emulator.reportBytes(a);
    const std::vector<std::uint8_t> firstB = m_emulator.reportBytes(b);
    Report(a);
    Report(b);
    Await(2);

    SendControlToModels(false, false, true, 1, "Mute", 1.0f, 2);
    SendControlToModels(false, true, false, 3, "Gain", 33.0f, 5);
    // A control for a slot no unit of the model holds goes nowhere.
    SendControlToModels(false, true, false, 1, "Gain", 33.0f, 5);
    std::vector<emu::Received> got = Await(2);
    ASSERT_EQ(got.size(), 2u);
    std::sort(got.begin(), got.end(),
              [](const emu::Received& x, const emu::Received& y) { return Sequence(x) < Sequence(y); });

    // KR-960: the first report with the control datagram's own bytes.
    std::vector<std::uint8_t> expected = firstA;
    const auto put = [&](std::size_t at, std::initializer_list<int> bytes) {
        for (int v : bytes)
            expected[at++] = std::uint8_t(v);
    };
    put(0x04, {3, 0});
    put(0x0E, {0, 0, 0, 0, 0x0A, 0, 0, 0});
    put(0x16, {firstA[0x19], firstA[0x18], firstA[0x17], firstA[0x16], 0, 0, 0, 3});
    put(0x1E, {firstA[0x1E] & ~0x0B});
    put(0x72, {firstA[0x72] & ~0x10});
    put(0x78, {firstA[0x7B], firstA[0x7A], firstA[0x79], firstA[0x78], 0, 0, 0, 0, 0, 0, 0, 0});
    for (int n = 0; n < 16; ++n)
        put(0x22 + 5 * n, {0, 0});
    expected[0x22 + 5 * 2 + 4] = std::uint8_t((firstA[0x22 + 5 * 2 + 4] & 0x7F) | 0xA0);
    EXPECT_EQ(got[0].unit, a);
    EXPECT_EQ(got[0].kind, emu::Kind::Control);
    EXPECT_EQ(emu::toHex(got[0].bytes), emu::toHex(expected));

    // KR-960/8: its own zeroed bytes, gain code in record 5.
    expected = firstB;
    put(0x04, {3, 0});
    put(0x0E, {0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4});
    put(0x1E, {firstB[0x1E] & ~0x0B});
    put(0x72, {firstB[0x72] & ~0x10, 0, 0});
    put(0x77, {0});
    put(0x78, {firstB[0x7B], firstB[0x7A], firstB[0x79], firstB[0x78], 0, 0, 0, 0, 0, 0, 0, 0});
    for (int n = 0; n < 8; ++n) {
        put(0x22 + 5 * n, {0, 0});
        expected[0x22 + 5 * n + 3] = 0;
    }
    expected[0x22 + 5 * 5 + 2] = 33;
    expected[0x22 + 5 * 5 + 4] = std::uint8_t(firstB[0x22 + 5 * 5 + 4] | 0x80);
    EXPECT_EQ(got[1].unit, b);
    EXPECT_EQ(emu::toHex(got[1].bytes), emu::toHex(expected));

    // State, control and poll share one run of sequence numbers.
    m_timers.advance(3700);
    Report(a);
    Report(b);
    m_timers.advance(300); // the poll at 4 s after the network start
    got = Await(2);
    std::vector<std::uint32_t> sequences;
    for (const emu::Received& r : got)
        sequences.push_back(Sequence(r));
    std::sort(sequences.begin(), sequences.end());
    EXPECT_EQ(sequences, (std::vector<std::uint32_t>{5, 6}));

    // The emulated units took the controls.
    EXPECT_TRUE(m_emulator.switchOn(a, 2, emu::Switch::Mute));
    EXPECT_EQ(m_emulator.config(b).gainCodes[5], 33);
}

TEST_F(UnitNetwork, SilentUnitsGoOffLineAndComeBackAsNewUnits)
{
    const int a = m_emulator.addUnit(emu::defaultConfig(emu::Model::KR960, 1, 1));
    Report(a);
    Await(1);
    m_timers.advance(2000); // the first watchdog tick after 2 s: 2000 ms is not "more than"
    EXPECT_EQ(m_dlg->m_nKR960UnitCount, 1);
    m_timers.advance(2000);
    EXPECT_EQ(m_dlg->m_nKR960UnitCount, 0);
    EXPECT_EQ(g_UnitStatus[1], UNIT_OFFLINE);
    const std::uint32_t sequence = g_PcSequence;
    m_timers.advance(200); // the poll finds no unit
    EXPECT_EQ(g_PcSequence, sequence);

    Report(a);
    std::vector<emu::Received> got = Await(1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].kind, emu::Kind::State);
    EXPECT_EQ(m_dlg->m_nKR960UnitCount, 1);
    EXPECT_EQ(g_UnitStatus[1], UNIT_ACTIVE);
}

TEST_F(UnitNetwork, ShutDownStopsTheReceiveThreadAndEmptiesTheLists)
{
    const int a = m_emulator.addUnit(emu::defaultConfig(emu::Model::KR960_8, 1, 1));
    Report(a);
    Await(1);
    ASSERT_TRUE(m_dlg->QuerySaveAndShutDown());
    EXPECT_EQ(m_dlg->network(), nullptr);
    EXPECT_EQ(g_pNetwork, nullptr);
    EXPECT_TRUE(g_Family_KR960_8.nodes().empty());
    EXPECT_FALSE(m_timers.isArmed(Dlg::kTimerWatchdog));
}

TEST_F(UnitNetwork, UnitsOfAllThreeModelsComeOnLineWithTheirStripsSet)
{
    const int a = m_emulator.addUnit(emu::defaultConfig(emu::Model::KR960, 1, 1));
    const int b = m_emulator.addUnit(emu::defaultConfig(emu::Model::KR960_8, 2, 2));
    const int c = m_emulator.addUnit(emu::defaultConfig(emu::Model::KR9X, 17, 3));
    Report(a);
    Report(b);
    Report(c);
    const std::vector<emu::Received> answers = Await(3);
    EXPECT_EQ(answers.size(), 3u);
    EXPECT_EQ(g_UnitStatus[1], UNIT_ACTIVE);
    EXPECT_EQ(g_UnitStatus[3], UNIT_ACTIVE);
    EXPECT_EQ(g_UnitStatus[33], UNIT_ACTIVE);
    EXPECT_EQ(g_UnitName[0], QStringLiteral("UNIT 1 - KR-960"));
    EXPECT_EQ(g_UnitName[2], QStringLiteral("UNIT 2 - KR-960/8"));
    EXPECT_EQ(g_UnitName[32], QStringLiteral("UNIT 17 - KR-9X"));
    EXPECT_EQ(m_dlg->m_nKR960UnitCount + m_dlg->m_nKR960_8UnitCount + m_dlg->m_nKR9XUnitCount, 3);

    CUnderviewWnd* view = m_dlg->m_wndUnderview;
    const struct {
        int unit;
        int channel;  // global channel
        int record;   // channel within the unit
    } strips[] = {{a, 0, 0}, {a, 15, 15}, {b, 16, 0}, {b, 23, 7}, {c, 256, 0}, {c, 263, 7}};
    for (const auto& s : strips) {
        const emu::UnitConfig& cfg = m_emulator.config(s.unit);
        EXPECT_EQ(view->m_Slider[std::size_t(s.channel)]->GetPos(),
                  std::min(69 - cfg.gainCodes[std::size_t(s.record)], view->m_Slider[std::size_t(s.channel)]->GetMax()))
            << s.channel;
        EXPECT_EQ(view->m_pMuteButton[std::size_t(s.channel)]->m_nState == CNewCustomBtn::kOn,
                  m_emulator.switchOn(s.unit, s.record, emu::Switch::Mute))
            << s.channel;
        EXPECT_EQ(view->m_pPolButton[std::size_t(s.channel)]->m_nState == CNewCustomBtn::kOn,
                  m_emulator.switchOn(s.unit, s.record, emu::Switch::Pol))
            << s.channel;
    }
    // A remote unit's read-out shows its gain as it is; the others 5 dB less,
    // and a Pad that is on takes 20 dB more.
    EXPECT_EQ(g_ChannelGainShortText[256], QString::asprintf("%+d ", m_emulator.config(c).gainCodes[0]));
    EXPECT_EQ(g_ChannelGainShortText[17], QString::asprintf("%+d ", m_emulator.config(b).gainCodes[1] - 5));
    ASSERT_TRUE(m_emulator.switchOn(b, 0, emu::Switch::Pad));
    EXPECT_EQ(g_ChannelGainShortText[16], QString::asprintf("%+d ", m_emulator.config(b).gainCodes[0] - 25));
}

TEST_F(UnitNetwork, AMuteClickReachesItsUnitAndCtrlReachesTheWholeUnit)
{
    const int a = m_emulator.addUnit(emu::defaultConfig(emu::Model::KR960, 3, 1)); // channels 32..47
    Report(a);
    Await(1);
    m_dlg->OnOverviewButton(); // the channel strips
    m_dlg->show();
    CUnderviewWnd* view = m_dlg->m_wndUnderview;
    const bool wasOn = m_emulator.switchOn(a, 5, emu::Switch::Mute);

    QTest::mouseClick(view->m_pMuteButton[37], Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    std::vector<emu::Received> got = Await(1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].kind, emu::Kind::Control);
    const std::uint8_t flags = got[0].bytes[0x22 + 5 * 5 + 4];
    EXPECT_EQ((flags & 0x20) != 0, !wasOn); // the Mute bit
    EXPECT_NE(flags & 0x80, 0);             // changed
    EXPECT_EQ(m_emulator.switchOn(a, 5, emu::Switch::Mute), !wasOn);

    // With Ctrl every channel of the unit follows, one control datagram each.
    QTest::mouseClick(view->m_pMuteButton[40], Qt::LeftButton, Qt::ControlModifier, QPoint(5, 5));
    got = Await(16);
    EXPECT_EQ(got.size(), 16u);
    const bool nowOn = view->m_pMuteButton[40]->m_nState == CNewCustomBtn::kOn;
    for (int record = 0; record < 16; ++record)
        EXPECT_EQ(m_emulator.switchOn(a, record, emu::Switch::Mute), nowOn) << record;
}

TEST_F(UnitNetwork, ConflictsAndUnusualUnitsGiveTheirStatusesAndTexts)
{
    const int a = m_emulator.addUnit(emu::defaultConfig(emu::Model::KR960, 4, 1));
    emu::UnitConfig twin = emu::defaultConfig(emu::Model::KR960, 4, 2); // same ID, another MAC
    const int b = m_emulator.addUnit(twin);
    Report(a);
    Await(1);
    Report(b);
    EXPECT_EQ(g_UnitStatus[7], UNIT_CONFLICT);
    EXPECT_TRUE(m_messages.contains(QStringLiteral("Unit ID Conflict")));
    EXPECT_TRUE(m_notices.contains(QStringLiteral(
        "The KR-960 Unit ID 4 is in conflict with another unit of the same Unit ID. Please correct it.")));

    // IDs outside the family's range.
    const int odd = m_emulator.addUnit(emu::defaultConfig(emu::Model::KR9X, 16, 3));
    Report(odd);
    EXPECT_TRUE(m_notices.last().startsWith(QStringLiteral("You have chosen to set an KR9X-type Unit ID to Unit 16.")));

    // Local mode blinks, aux power shows 9.
    Report(a);
    m_emulator.setLocalMode(a, true);
    Report(a);
    EXPECT_EQ(g_UnitStatus[7], UNIT_NOW_OFFLINE);
    m_emulator.setLocalMode(a, false);
    m_emulator.setAuxPower(a, true);
    Report(a);
    EXPECT_EQ(g_UnitStatus[7], UNIT_AUX_POWER_ON);

    // A remote unit with a bad supply blinks its fault.
    const int r = m_emulator.addUnit(emu::defaultConfig(emu::Model::KR9X, 20, 4));
    Report(r);
    emu::Supplies low;
    low.v48 = 80; // 40 V
    m_emulator.setSupplies(r, low);
    Report(r);
    EXPECT_EQ(g_UnitStatus[36], UNIT_BAD_TEMP_OR_POWER_SUPPLY);

    // A unit given a new ID leaves its old slot unused.
    const int moving = m_emulator.addUnit(emu::defaultConfig(emu::Model::KR960_8, 2, 5));
    Report(moving);
    m_emulator.setUnitId(moving, 6);
    Report(moving);
    EXPECT_EQ(g_UnitStatus[3], UNIT_INACTIVE);
    EXPECT_EQ(g_UnitStatus[11], UNIT_ACTIVE);
    EXPECT_TRUE(m_messages.contains(QStringLiteral("Unit 2 has been set to an Unused Unit.")));
    EXPECT_EQ(g_UnitName[2], QStringLiteral("KR-960 Unit 2 Unused"));
}
