// The main window's unit network against emulated units on loopback: units
// are discovered and answered once, polled every 4 s, and every control
// reaches its unit byte for byte.

#include <gtest/gtest.h>

#include <QTest>

#include <algorithm>

#include "controls/gain_fader.h"
#include "controls/strip_switch.h"
#include "protocol/bytes.h"
#include "support/emulated_units.h"
#include "views/overview.h"
#include "views/underview.h"

namespace {

using namespace console_test;
using Dlg = CQuellonKR9SeriesDlg;
using emu::Model;

class UnitNetwork : public EmulatedUnitsFixture {};

std::uint32_t Sequence(const emu::Received& r)
{
    return ReadBe32(&r.bytes[0x1A]);
}

} // namespace

TEST_F(UnitNetwork, DiscoveryAnswersOnceAndThePollFollowsEveryFourSeconds)
{
    const int a = AddUnit(Model::KR960, 3, 1);
    const int b = AddUnit(Model::KR960_8, 7, 2);

    m_timers.advance(4000); // nothing heard yet: the poll sends nothing
    EXPECT_EQ(g_PcSequence, 0u);

    Report(a);
    std::vector<emu::Received> got = Await(1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].unit, a);
    EXPECT_EQ(got[0].kind, emu::Kind::State);
    EXPECT_EQ(got[0].bytes[0x05], 5);    // the slot of unit 3
    EXPECT_EQ(got[0].bytes[0x72], 0x00); // the unit's own status byte
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
    EXPECT_EQ(g_PcSequence, 2u);

    // One state datagram per unit every 4000 ms; the units keep reporting
    // meanwhile, or the watchdog would take them off line.
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
    const int a = AddUnit(Model::KR960, 1, 1);
    const int b = AddUnit(Model::KR960_8, 2, 2);
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
    std::vector<std::uint32_t> sequences;
    for (const emu::Received& r : Await(2))
        sequences.push_back(Sequence(r));
    std::sort(sequences.begin(), sequences.end());
    EXPECT_EQ(sequences, (std::vector<std::uint32_t>{5, 6}));

    EXPECT_TRUE(m_emulator.switchOn(a, 2, emu::Switch::Mute));
    EXPECT_EQ(m_emulator.config(b).gainCodes[5], 33);
}

TEST_F(UnitNetwork, SilentUnitsGoOffLineAndComeBackAsNewUnits)
{
    const int a = AddUnit(Model::KR960, 1, 1);
    Report(a);
    Await(1);
    m_timers.advance(2000); // the first watchdog tick: 2000 ms is not "more than"
    EXPECT_EQ(m_dlg->m_nKR960UnitCount, 1);
    m_timers.advance(2000);
    EXPECT_EQ(m_dlg->m_nKR960UnitCount, 0);
    EXPECT_EQ(g_UnitStatus[1], UNIT_OFFLINE);
    const std::uint32_t sequence = g_PcSequence;
    m_timers.advance(200); // the poll finds no unit
    EXPECT_EQ(g_PcSequence, sequence);

    Report(a);
    const std::vector<emu::Received> got = Await(1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].kind, emu::Kind::State);
    EXPECT_EQ(g_UnitStatus[1], UNIT_ACTIVE);
}

TEST_F(UnitNetwork, ShutDownStopsTheReceiveThreadAndEmptiesTheLists)
{
    Report(AddUnit(Model::KR960_8, 1, 1));
    Await(1);
    SetMessageBoxHandler([](MessageBoxKind, const QString&) { return IDNO; }); // not saved
    ASSERT_TRUE(m_dlg->QuerySaveAndShutDown());
    EXPECT_EQ(m_dlg->network(), nullptr);
    EXPECT_EQ(g_pNetwork, nullptr);
    EXPECT_TRUE(g_Family_KR960_8.nodes().empty());
    EXPECT_FALSE(m_timers.isArmed(Dlg::kTimerWatchdog));
}

TEST_F(UnitNetwork, UnitsOfAllThreeModelsComeOnLineWithTheirStripsSet)
{
    const int a = AddUnit(Model::KR960, 1, 1);
    const int b = AddUnit(Model::KR960_8, 2, 2);
    const int c = AddUnit(Model::KR9X, 17, 3);
    for (int unit : {a, b, c})
        Report(unit);
    EXPECT_EQ(Await(3).size(), 3u);

    CUnderviewWnd* view = m_dlg->m_wndUnderview;
    const struct {
        int unit;
        int channel; // global
        int record;  // within the unit
    } strips[] = {{a, 0, 0}, {a, 15, 15}, {b, 16, 0}, {b, 23, 7}, {c, 256, 0}, {c, 263, 7}};
    for (const auto& s : strips) {
        const std::size_t ch = std::size_t(s.channel);
        const int code = m_emulator.config(s.unit).gainCodes[std::size_t(s.record)];
        EXPECT_EQ(view->m_Slider[ch]->GetPos(), std::min(69 - code, view->m_Slider[ch]->GetMax())) << s.channel;
        EXPECT_EQ(view->m_pMuteButton[ch]->m_nState == CNewCustomBtn::kOn,
                  m_emulator.switchOn(s.unit, s.record, emu::Switch::Mute))
            << s.channel;
        EXPECT_EQ(view->m_pPolButton[ch]->m_nState == CNewCustomBtn::kOn,
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

// 48v and Rbin dim each other, and a dimmed switch takes no set. Whatever
// the two showed before, a unit that comes (back) on line has them shown as
// it reports them; a unit that reports both has its phantom power shown.
TEST_F(UnitNetwork, AUnitBackOnLineShowsItsPhantomPowerAndRibbonAsItReportsThem)
{
    using emu::Switch;
    const std::uint8_t v48 = emu::switchMask(Model::KR960, Switch::Phantom48v); // 0x02
    const std::uint8_t rbin = emu::switchMask(Model::KR960, Switch::Rbin);      // 0x04
    const struct {
        int record;
        std::uint8_t before;
        std::uint8_t after;
    } records[] = {
        {1, rbin, v48}, {2, v48, rbin}, {3, rbin, 0}, {4, v48, 0}, {5, rbin, std::uint8_t(v48 | rbin)},
    };
    emu::UnitConfig config = emu::defaultConfig(Model::KR960, 1, 1);
    for (const auto& r : records)
        config.switchFlags[std::size_t(r.record)] = r.before;
    const int a = m_emulator.addUnit(config);
    const auto shown = [&](int channel) {
        const int phantom = m_dlg->m_wndUnderview->m_p48vButton[std::size_t(channel)]->m_nState;
        const int ribbon = m_dlg->m_wndUnderview->m_pRbinButton[std::size_t(channel)]->m_nState;
        EXPECT_EQ(m_dlg->m_wndOverview->m_p48vButton[std::size_t(channel)]->m_nState, phantom) << channel;
        EXPECT_EQ(m_dlg->m_wndOverview->m_pRbinButton[std::size_t(channel)]->m_nState, ribbon) << channel;
        return std::pair{phantom, ribbon};
    };
    const auto expected = [](std::uint8_t flags, std::uint8_t phantomBit, std::uint8_t ribbonBit) {
        if (flags & phantomBit)
            return std::pair{int(CNewCustomBtn::kOn), int(CNewCustomBtn::kDisabled)};
        if (flags & ribbonBit)
            return std::pair{int(CNewCustomBtn::kDisabled), int(CNewCustomBtn::kOn)};
        return std::pair{int(CNewCustomBtn::kOff), int(CNewCustomBtn::kOff)};
    };
    Report(a);
    Await(1);
    for (const auto& r : records)
        EXPECT_EQ(shown(r.record), expected(r.before, v48, rbin)) << "first heard, record " << r.record;

    // Silent for more than 4 s: off line. Back with the other switch on.
    m_timers.advance(4000);
    ASSERT_EQ(g_UnitStatus[1], UNIT_OFFLINE);
    for (const auto& r : records)
        m_emulator.setReportByte(a, 0x22 + 5 * std::size_t(r.record) + 4, r.after);
    Report(a);
    const std::vector<emu::Received> answer = Await(1);
    ASSERT_EQ(g_UnitStatus[1], UNIT_ACTIVE);
    for (const auto& r : records)
        EXPECT_EQ(shown(r.record), expected(r.after, v48, rbin)) << "back on line, record " << r.record;
    // The answer leaves the unit as it is.
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(answer[0].bytes[0x22 + 5 + 4] & (v48 | rbin), v48);

    // A remote unit has no Rbin: one left on where it comes on line (as a
    // recalled scene may leave it) does not hide the 48v it reports.
    emu::UnitConfig remote = emu::defaultConfig(Model::KR9X, 17, 2);
    remote.switchFlags[1] = emu::switchMask(Model::KR9X, Switch::Phantom48v);
    const int b = m_emulator.addUnit(remote);
    m_dlg->SetRbinButtons(257, 1);
    Report(b);
    Await(1);
    EXPECT_EQ(shown(257), std::pair(int(CNewCustomBtn::kOn), int(CNewCustomBtn::kDisabled)));
}

TEST_F(UnitNetwork, AMuteClickReachesItsUnitAndCtrlReachesTheWholeUnit)
{
    const int a = AddUnit(Model::KR960, 3, 1); // channels 32..47
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
    EXPECT_EQ(Await(16).size(), 16u);
    const bool nowOn = view->m_pMuteButton[40]->m_nState == CNewCustomBtn::kOn;
    for (int record = 0; record < 16; ++record)
        EXPECT_EQ(m_emulator.switchOn(a, record, emu::Switch::Mute), nowOn) << record;
}

TEST_F(UnitNetwork, ConflictsWrongIdsAndMovesTellTheOperator)
{
    const int a = AddUnit(Model::KR960, 4, 1);
    const int twin = AddUnit(Model::KR960, 4, 2); // same ID, another MAC
    Report(a);
    Await(1);
    Report(twin);
    EXPECT_EQ(g_UnitStatus[7], UNIT_CONFLICT);
    EXPECT_TRUE(m_noticeCaptions.contains(QStringLiteral("Unit ID Conflict")));
    EXPECT_TRUE(m_notices.contains(QStringLiteral(
        "The KR-960 Unit ID 4 is in conflict with another unit of the same Unit ID. Please correct it.")));

    Report(AddUnit(Model::KR9X, 16, 3)); // an ID outside the model's range
    EXPECT_TRUE(m_notices.last().startsWith(QStringLiteral("You have chosen to set an KR9X-type Unit ID to Unit 16.")));

    // A unit given a new ID leaves its old slot unused.
    const int moving = AddUnit(Model::KR960_8, 2, 5);
    Report(moving);
    m_emulator.setUnitId(moving, 6);
    Report(moving);
    EXPECT_EQ(g_UnitStatus[3], UNIT_INACTIVE);
    EXPECT_EQ(g_UnitStatus[11], UNIT_ACTIVE);
    EXPECT_TRUE(m_boxes.contains(QStringLiteral("Unit 2 has been set to an Unused Unit.")));
    EXPECT_EQ(g_UnitName[2], QStringLiteral("KR-960 Unit 2 Unused"));
}
