// What the strips, meters and the unit status strip show as units come and
// go: a slot a unit leaves for a new ID goes back to an unused slot, a unit
// that falls silent leaves empty meters behind, and no box shown while a
// datagram is handled lets a slot look active after its unit has gone.

#include <gtest/gtest.h>

#include "support/console_fixture.h"

#include <string>
#include <vector>

#include "app/command_ids.h"
#include "controls/gain_fader.h"
#include "controls/strip_switch.h"
#include "protocol/numbering.h"
#include "views/meter_law.h"
#include "views/overview.h"
#include "views/underview.h"
#include "views/unit_status_strip.h"

namespace {

using namespace console_test;
using Dlg = CQuellonKR9SeriesDlg;

enum class Model { KR960, KR960_8, KR9X };

UnitPacket132 Report132(int unitId, bool sixteen, std::uint8_t macLast)
{
    const UnitPacket132 p = Crafted132::First(std::uint8_t(unitId), sixteen ? 0x09 : 0x08);
    return Crafted132::With(p, {{0x0D, {macLast}}, {0x7C, {127, 0, 0, 1}}});
}

class UnitSlots : public ConsoleFixture {
public:
    void SetUp() override
    {
        ConsoleFixture::SetUp();
        // The window's own network stays off: datagrams are handed to it here.
        m_timers.kill(Dlg::kTimerStartNetwork);
    }

    // A datagram as the receive thread hands it to the window, arriving now.
    void Deliver132(const UnitPacket132& packet, bool sixteen)
    {
        const auto route = sixteen ? DatagramRoute::KR960 : DatagramRoute::KR960_8;
        const ReceivedDatagram d = AsReceived(packet, route, kLoopback, m_dlg->NowMs());
        sixteen ? m_dlg->OnUnitPacket_KR960(d) : m_dlg->OnUnitPacket_KR960_8(d);
        m_capture.Drain();
    }
    // One report of a unit of the model (its first one adds it).
    void Report(Model model, int unitId, std::uint8_t macLast)
    {
        if (model != Model::KR9X)
            return Deliver132(Report132(unitId, model == Model::KR960, macLast), model == Model::KR960);
        const UnitPacket97 p = Crafted97::With(Crafted97::First(std::uint8_t(unitId), 0x01), {{0x0D, {macLast}}});
        m_dlg->OnUnitPacket_KR9X(AsReceived(p, DatagramRoute::KR9X, kLoopback, m_dlg->NowMs()));
        m_capture.Drain();
    }

    CUnderviewWnd& strips() const { return *m_dlg->m_wndUnderview; }
    COverviewWnd& overview() const { return *m_dlg->m_wndOverview; }

    bool MeterEmptyInBothViews(int channel) const
    {
        const std::size_t c = std::size_t(channel);
        return strips().meterView(channel) == CUnderviewWnd::MeterView{} && strips().m_fPeak[c] == kNoPeak
            && overview().meterPicture(channel) == overview_meter::Picture{}
            && overview().m_nMeterPeak[c] == COverviewWnd::kNoMeterPeak;
    }
    bool MeterLitInBothViews(int channel) const
    {
        return strips().meterView(channel) != CUnderviewWnd::MeterView{} && overview().meterPicture(channel).lit;
    }

    // Unit numbers whose box shows the active picture with no unit in any list behind it.
    static std::vector<int> ActiveBoxesWithoutUnit()
    {
        std::vector<int> found;
        for (int n = 1; n <= 32; ++n) {
            const int slot = UnitNumberToSlot(n);
            const bool unit = std::as_const(g_Family_KR960).FindUnit(slot)
                || std::as_const(g_Family_KR960_8).FindUnit(slot) || std::as_const(g_Family_KR9X).FindUnit(slot);
            if (!unit && CUnitStatusWnd::PictureForUnit(n) == CUnitStatusWnd::PictureForStatus(n, UNIT_ACTIVE, 0))
                found.push_back(n);
        }
        return found;
    }
};

// ---- the settle timer ----

// A unit of any model that is added, and a gain change, start the settle
// timer's 2-second period anew.
TEST_F(UnitSlots, AnAddedUnitOfEveryModelAndAGainChangeRestartTheSettleTimer)
{
    const struct {
        Model model;
        int unitId;
    } adds[] = {{Model::KR960, 1}, {Model::KR960_8, 3}, {Model::KR9X, 17}};
    for (const auto& add : adds) {
        m_timers.kill(Dlg::kTimerSettle);
        Report(add.model, add.unitId, std::uint8_t(0x40 + add.unitId));
        EXPECT_EQ(m_timers.period(Dlg::kTimerSettle), 2000) << "unit " << add.unitId;
        // A later report of the same unit adds nothing.
        m_timers.kill(Dlg::kTimerSettle);
        Report(add.model, add.unitId, std::uint8_t(0x40 + add.unitId));
        EXPECT_FALSE(m_timers.isArmed(Dlg::kTimerSettle)) << "unit " << add.unitId;
    }

    m_timers.kill(Dlg::kTimerSettle);
    g_nCurrentChannel = 5;
    g_nLastGain = 20;
    m_dlg->OnCommand(ID_GAIN_CHANGE);
    EXPECT_EQ(m_dlg->FaderPosition(5), 20);
    EXPECT_EQ(m_timers.period(Dlg::kTimerSettle), 2000);
}

// ---- a slot left for a new unit ID ----

struct MoveCase {
    const char* name;
    bool sixteen;
    int newId;
};

class SlotLeftForNewId : public UnitSlots, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(SlotLeftForNewId, LosesItsLinksFadersAndReadOuts)
{
    const MoveCase& k = GetParam();
    const int channels = k.sixteen ? 16 : 8;
    Deliver132(Report132(1, true, 0x21), true);           // unit 1: channels 0..15
    Deliver132(Report132(2, k.sixteen, 0x42), k.sixteen); // unit 2: channels 16..
    // Two channels of unit 2 in link group 1; unit 1 may not have it then.
    m_dlg->AssignLinkGroup(16, 0, true);
    m_dlg->AssignLinkGroup(17, 0, true);
    m_dlg->AssignLinkGroup(0, 0, true);
    ASSERT_TRUE(m_boxes.contains(QStringLiteral("Two different Units cannot have the same Link Group.")));
    ASSERT_NE(strips().m_Slider[16]->GetPos(), 63);
    m_boxes.clear();
    g_nCurrentChannel = 5;

    // Unit 2 comes back under another unit ID.
    Deliver132(Report132(k.newId, k.sixteen, 0x42), k.sixteen);
    ASSERT_TRUE(m_boxes.contains(QStringLiteral("Unit 2 has been set to an Unused Unit.")));
    EXPECT_EQ(g_nCurrentChannel, 5);

    for (int c = 16; c < 16 + channels; ++c) {
        SCOPED_TRACE(c);
        const std::size_t i = std::size_t(c);
        EXPECT_EQ(g_ChannelLinkGroup[i], 0);
        EXPECT_EQ(g_ChannelLinkLabel[i], QStringLiteral("-"));
        EXPECT_EQ(g_ChannelLinkOn[i], 0);
        EXPECT_EQ(g_ChannelLinkIndex[i], -1);
        for (int g = 0; g < kLinkGroupCount; ++g)
            EXPECT_EQ(g_LinkMembership[i * kLinkGroupCount + std::size_t(g)], 0) << "group " << g + 1;
        EXPECT_EQ(strips().m_pLinkButton[i]->m_nState, CNewCustomBtn::kOff);
        EXPECT_EQ(m_dlg->m_aChannelLink[i].linkGroup, -1);
        EXPECT_EQ(g_ChannelUnitType[i], UNIT_TYPE_UNUSED);
        EXPECT_EQ(strips().m_Slider[i]->GetPos(), 63);
        EXPECT_EQ(overview().m_Slider[i]->GetPos(), 63);
        for (auto table : {&CUnderviewWnd::m_pSplitButton, &CUnderviewWnd::m_pSafeButton,
                           &CUnderviewWnd::m_pRbinButton, &CUnderviewWnd::m_pSqrtButton})
            EXPECT_FALSE((strips().*table)[i]->isHidden());
        for (auto table : {&COverviewWnd::m_pSplitButton, &COverviewWnd::m_pSafeButton,
                           &COverviewWnd::m_pRbinButton, &COverviewWnd::m_pSqrtButton})
            EXPECT_FALSE((overview().*table)[i]->isHidden());
    }
    // The read-outs follow the faders (channel 17 has no Pad on).
    EXPECT_EQ(g_ChannelGainShortText[17], QStringLiteral("+1 "));
    EXPECT_EQ(g_ChannelGainText[17], QStringLiteral("+1 dB"));

    // Group 1 is free for unit 1 now, and its members are unit 1's alone.
    m_dlg->AssignLinkGroup(0, 0, true);
    EXPECT_FALSE(m_boxes.contains(QStringLiteral("Two different Units cannot have the same Link Group.")));
    int count = 0;
    ASSERT_TRUE(m_dlg->CollectLinkedChannels(0, count));
    EXPECT_EQ(count, 1);
}

INSTANTIATE_TEST_SUITE_P(Models, SlotLeftForNewId,
                         ::testing::Values(MoveCase{"KR960", true, 5}, MoveCase{"KR960_8", false, 6}),
                         [](const auto& info) { return std::string(info.param.name); });

// A KR-9X has no Split, Safe, Rbin or Sqrt: once it is on line they stay
// hidden in both views, and a call for a slot that holds no KR-9X brings
// none of them back.
TEST_F(UnitSlots, AKr9XKeepsItsMissingSwitchesHidden)
{
    Report(Model::KR9X, 17, 0x61);
    ASSERT_EQ(g_UnitName[32], QStringLiteral("UNIT 17 - KR-9X"));
    m_dlg->HideSwitchesMissingOnKR9X(33, false);
    for (int c = 256; c < 264; ++c) {
        SCOPED_TRACE(c);
        const std::size_t i = std::size_t(c);
        for (auto table : {&CUnderviewWnd::m_pSplitButton, &CUnderviewWnd::m_pSafeButton,
                           &CUnderviewWnd::m_pRbinButton, &CUnderviewWnd::m_pSqrtButton})
            EXPECT_TRUE((strips().*table)[i]->isHidden());
        for (auto table : {&COverviewWnd::m_pSplitButton, &COverviewWnd::m_pSafeButton,
                           &COverviewWnd::m_pRbinButton, &COverviewWnd::m_pSqrtButton})
            EXPECT_TRUE((overview().*table)[i]->isHidden());
    }
}

// ---- meters of a unit that has gone ----

struct OfflineCase {
    const char* name;
    Model model;
    int unitId;
};

class MetersOfAGoneUnit : public UnitSlots, public ::testing::WithParamInterface<OfflineCase> {};

TEST_P(MetersOfAGoneUnit, AreEmptyInBothViewsUntilItReportsAgain)
{
    const OfflineCase& k = GetParam();
    const int slot = k.model == Model::KR9X ? k.unitId + 16 : UnitNumberToSlot(k.unitId);
    const int first = (slot - 1) * 8;
    const int last = first + (k.model == Model::KR960 ? 16 : 8) - 1;
    // A unit that keeps reporting throughout (channels 0..15).
    Report(Model::KR960, 1, 0x11);

    // Levels reach the overview, then the channel strips once they are shown.
    Report(k.model, k.unitId, 0x22);
    m_dlg->OnOverviewButton();
    ASSERT_FALSE(g_bOverviewMode);
    Report(k.model, k.unitId, 0x22);
    Report(Model::KR960, 1, 0x11);
    for (int c : {first, last, 0, 15})
        ASSERT_TRUE(MeterLitInBothViews(c)) << c;

    m_timers.advance(3000);
    Report(Model::KR960, 1, 0x11);
    m_timers.advance(1000); // the watchdog's second tick finds the unit silent
    ASSERT_EQ(g_UnitStatus[std::size_t(slot)], UNIT_OFFLINE);
    for (int c : {first, last})
        EXPECT_TRUE(MeterEmptyInBothViews(c)) << c;
    for (int c : {0, 15})
        EXPECT_TRUE(MeterLitInBothViews(c)) << c;

    // Its next report lights the meters of the view shown, and only those.
    Report(k.model, k.unitId, 0x22);
    EXPECT_NE(strips().meterView(first), CUnderviewWnd::MeterView{});
    EXPECT_FALSE(overview().meterPicture(first).lit);
}

INSTANTIATE_TEST_SUITE_P(Models, MetersOfAGoneUnit,
                         ::testing::Values(OfflineCase{"KR960", Model::KR960, 2},
                                           OfflineCase{"KR960_8", Model::KR960_8, 3},
                                           OfflineCase{"KR9X", Model::KR9X, 20}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- no active box without a unit ----

struct BoxCase {
    const char* name;
    UnitPacket132 before;   // of an 8- or 16-channel unit, as the datagram
    UnitPacket132 datagram; // raises the box
    bool sixteen;
    const char* box;
};

class BoxDuringADatagram : public UnitSlots, public ::testing::WithParamInterface<BoxCase> {};

// The box stays open long enough for the watchdog to take silent units off line.
TEST_P(BoxDuringADatagram, LeavesNoSlotActiveWithoutItsUnit)
{
    const BoxCase& k = GetParam();
    const QString box = QString::fromLatin1(k.box);
    const auto whileOpen = [this, box](const QString& text) {
        if (text == box)
            m_timers.advance(4000);
    };
    SetMessageBoxHandler([this, whileOpen](MessageBoxKind, const QString& text) {
        m_boxes.append(text);
        whileOpen(text);
        return IDOK;
    });
    SetShowMessageHandler([this, whileOpen](const QString& text) {
        m_messages.append(text);
        whileOpen(text);
    });
    Deliver132(k.before, k.sixteen);
    Deliver132(k.datagram, k.sixteen);
    ASSERT_TRUE(m_messages.contains(box) || m_boxes.contains(box));
    EXPECT_EQ(m_dlg->m_nKR960UnitCount + m_dlg->m_nKR960_8UnitCount, 0);
    EXPECT_EQ(ActiveBoxesWithoutUnit(), std::vector<int>{});
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, BoxDuringADatagram,
    ::testing::Values(BoxCase{"WrongSubnetMask", Report132(1, true, 0x11),
                              Crafted132::With(Report132(1, true, 0x11), {{0x80, {255, 255, 0, 0}}}), true,
                              "Wrong SubnetMask."},
                      BoxCase{"UnitMovedToANewId", Report132(2, false, 0x33), Report132(4, false, 0x33), false,
                              "Unit 2 has been set to an Unused Unit."}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
