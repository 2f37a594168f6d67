// What reaches the units, and what the console takes from them: a unit's own
// status byte in the answer to its first datagram, addresses no unit can
// have, the 8-channel stand-in of a KR-960 first heard in local mode, gain
// codes outside the faders' range, and datagrams counted as heard when they
// arrived.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <atomic>
#include <string>

#include "crafted_packets.h"
#include "fake_host.h"
#include "protocol/ipv4.h"
#include "protocol/network_core.h"
#include "protocol/numbering.h"
#include "protocol/packet_handler132.h"
#include "protocol/packet_handler_kr9x.h"
#include "protocol/sender132.h"
#include "protocol/sender_kr9x.h"
#include "protocol/unit_status.h"
#include "protocol/watchdog.h"
#include "support/loopback_port.h"

namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;

// The unit network on loopback: the program's port is a free one, the units'
// port is m_unit, and the receive thread stamps arrivals with m_arrivalMs.
class WireFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        Fresh();
        ASSERT_EQ(m_core.InitNetwork(), NetworkCore::InitResult::Ok);
        g_pNetwork = &m_core;
    }
    // No unit known yet, and sends no longer held back for a window.
    void Fresh()
    {
        ResetProtocolState();
        g_SuppressUnitSends = 0;
        host.notices.clear();
    }
    void TearDown() override
    {
        g_pNetwork = nullptr;
        m_core.ShutdownNetwork();
        ResetProtocolState();
    }

    // A 132-byte unit of its own MAC per ID that states 127.0.0.1/8 (so what
    // is sent to it comes back here).
    static UnitPacket132 Unit132(int id, std::uint8_t option, std::uint8_t statusByte = 0x23)
    {
        return Crafted132::With(Crafted132::First(std::uint8_t(id), option, statusByte),
                                {{0x0D, {0x50 + id}},
                                 {p132::kUnitIp, {127, 0, 0, 1}},
                                 {p132::kSubnetMask, {255, 0, 0, 0}}});
    }

    FakeHost host;
    LoopbackPort m_unit;
    std::atomic<std::uint32_t> m_arrivalMs{0};
    NetworkCore m_core{NetworkConfig{0, m_unit.port(), INADDR_LOOPBACK}, nullptr,
                       [this] { return m_arrivalMs.load(); }};
};

} // namespace

TEST_F(WireFaults, TheAnswerToAUnitsFirstDatagramCarriesItsOwnStatusByte)
{
    // Split level -3 dB and the 4X rate; bit 4 never goes back to a unit.
    const struct {
        std::uint8_t reported;
        std::uint8_t answered;
    } cases[] = {{0x21, 0x21}, {0x32, 0x22}, {0x00, 0x00}};
    for (const auto& c : cases) {
        Fresh();
        HandlePacket132(g_Family_KR960, Unit132(3, 0x09, c.reported), kLoopback);
        HandlePacket132(g_Family_KR960_8, Unit132(4, 0x08, c.reported), kLoopback);
        HandlePacketKR9X(Crafted97::First(20, 0x01, c.reported), kLoopback);
        const auto sent = m_unit.All();
        ASSERT_EQ(sent.size(), 3u);
        EXPECT_EQ(sent[0][0x72], c.answered) << int(c.reported);
        EXPECT_EQ(sent[1][0x72], c.answered) << int(c.reported);
        EXPECT_EQ(sent[2][0x52], c.reported) << int(c.reported); // the KR-9X echoes the whole byte
    }
}

TEST(UnitAddressRule, RefusesWhatNoUnitCanBeAndKeepsLoopback)
{
    const struct {
        const char* address;
        const char* mask; // "" when the unit states none
        bool impossible;
    } cases[] = {
        {"0.0.0.0", "255.255.255.0", true},
        {"0.0.0.0", "", true},
        {"0.1.2.3", "", true},              // "this network"
        {"255.255.255.255", "", true},
        {"255.255.255.255", "255.255.255.0", true},
        {"224.0.0.1", "", true},
        {"239.255.255.250", "255.255.255.0", true},
        {"192.168.1.255", "255.255.255.0", true}, // the subnet's broadcast
        {"10.255.255.255", "255.0.0.0", true},
        {"192.168.1.255", "255.255.0.0", false},  // an ordinary host of a /16
        {"192.168.1.255", "", false},
        {"192.168.1.20", "255.255.255.0", false},
        {"192.168.1.0", "255.255.255.0", false},
        {"192.168.1.1", "255.255.255.254", false}, // a /31 has no broadcast
        {"192.168.1.1", "255.255.255.255", false},
        {"192.168.1.255", "255.0.255.0", false},   // no mask a unit can have
        {"127.0.0.1", "255.0.0.0", false},
        {"127.0.0.2", "", false},
        {"223.255.255.254", "", false},
        {"240.0.0.1", "", false},
    };
    for (const auto& c : cases) {
        in_addr a{}, m{};
        ASSERT_EQ(::inet_pton(AF_INET, c.address, &a), 1);
        if (*c.mask) {
            ASSERT_EQ(::inet_pton(AF_INET, c.mask, &m), 1);
        }
        EXPECT_EQ(IsImpossibleUnitAddress(ntohl(a.s_addr), ntohl(m.s_addr)), c.impossible)
            << c.address << " / " << c.mask;
    }
}

TEST_F(WireFaults, AnAddressNoUnitCanHaveIsRefusedAndNeverSentTo)
{
    const struct {
        std::uint8_t ip[4];
        std::uint8_t mask[4];
    } stated[] = {
        {{0, 0, 0, 0}, {255, 255, 255, 0}},
        {{255, 255, 255, 255}, {255, 255, 255, 0}},
        {{224, 0, 0, 1}, {255, 255, 255, 0}},
        {{192, 168, 1, 255}, {255, 255, 255, 0}},
    };
    for (const auto& s : stated) {
        Fresh();
        const auto with = [&](UnitPacket132 p) {
            for (int i = 0; i < 4; ++i) {
                p[p132::kUnitIp + std::size_t(i)] = s.ip[i];
                p[p132::kSubnetMask + std::size_t(i)] = s.mask[i];
            }
            return p;
        };
        HandlePacket132(g_Family_KR960, with(Unit132(3, 0x09)), kLoopback);
        HandlePacket132(g_Family_KR960_8, with(Unit132(4, 0x08)), kLoopback);
        const std::string what = DottedText(s.ip);
        EXPECT_EQ(g_UnitStatus[5], UNIT_BAD_IP_ADDRESS) << what;
        EXPECT_EQ(g_UnitStatus[7], UNIT_BAD_IP_ADDRESS) << what;
        EXPECT_EQ(g_Family_KR960.FindUnit(5), nullptr) << what;
        EXPECT_EQ(g_Family_KR960_8.FindUnit(7), nullptr) << what;
        ASSERT_EQ(host.notices.size(), 2u) << what;
        EXPECT_EQ(host.notices[0].first, "Error With Bad IP Address");
        EXPECT_EQ(host.notices[0].second, "The KR-960 Unit ID has a bad IP Address. Please correct it.");
        EXPECT_EQ(host.notices[1].second, "The KR-960/8 Unit ID has a bad IP Address. Please correct it.");
        EXPECT_TRUE(host.lastNoticeRestart);
        SendAllModels();
        EXPECT_EQ(g_PcSequence, 0u) << what; // nothing was sent anywhere
        EXPECT_TRUE(m_unit.All().empty()) << what;
    }

    // The KR-9X is sent to where its datagrams come from.
    for (const std::uint32_t from : {0x00000000u, 0xFFFFFFFFu, 0xE0000001u}) {
        Fresh();
        HandlePacketKR9X(Crafted97::First(20, 0x01), from);
        EXPECT_EQ(g_UnitStatus[36], UNIT_BAD_IP_ADDRESS) << from;
        EXPECT_EQ(FindUnit_KR9X(36), nullptr) << from;
        ASSERT_EQ(host.notices.size(), 1u) << from;
        EXPECT_EQ(host.notices[0].second, "The KR-9X Unit ID has a bad IP Address. Please correct it.");
        SendAllModels();
        SendControl_KR9X(36, "Mute", 0, 1.0f);
        EXPECT_EQ(g_PcSequence, 0u) << from;
    }

    // A unit on line that starts stating such an address keeps being sent to
    // the address it stated before.
    Fresh();
    HandlePacket132(g_Family_KR960, Unit132(3, 0x09), kLoopback);
    HandlePacket132(g_Family_KR960, Crafted132::With(Unit132(3, 0x09), {{p132::kUnitIp, {127, 255, 255, 255}}}),
                    kLoopback);
    EXPECT_EQ(g_UnitStatus[5], UNIT_BAD_IP_ADDRESS);
    ASSERT_NE(g_Family_KR960.FindUnit(5), nullptr);
    EXPECT_EQ(g_Family_KR960.FindUnit(5)->UnitAddr, kLoopback);
    EXPECT_EQ(g_Family_KR960.FindUnit(5)->IpText, "127.0.0.1");
}

TEST_F(WireFaults, AKr960LeavingLocalModeDropsItsEightChannelStandInAtOnce)
{
    // First heard in local mode, the unit has no model bit and stands in the
    // 8-channel list.
    const UnitPacket132 local = Unit132(2, 0x00);
    HandlePacket132(FamilyForDatagram(local), local, kLoopback);
    ASSERT_NE(g_Family_KR960_8.FindUnit(3), nullptr);
    ASSERT_EQ(g_Family_KR960_8.liveCount, 1);
    m_unit.All();

    host.now += 100;
    HandlePacket132(g_Family_KR960, Unit132(2, 0x09), kLoopback);
    ASSERT_NE(g_Family_KR960.FindUnit(3), nullptr);
    EXPECT_EQ(g_Family_KR960_8.FindUnit(3), nullptr);
    EXPECT_EQ(g_Family_KR960_8.liveCount, 0);
    EXPECT_EQ(g_Family_KR960_8.macTable[3], MacAddress{});
    EXPECT_EQ(g_Family_KR960.liveCount, 1);
    // The slot stays the live unit's: on line, active, channels of the KR-960.
    EXPECT_EQ(g_UnitStatus[3], UNIT_ACTIVE);
    EXPECT_EQ(g_UnitOnline[3], 1);
    EXPECT_EQ(g_UnitModel[3], UNIT_TYPE_KR960);
    EXPECT_EQ(g_ChannelUnitType[16], UNIT_TYPE_KR960);
    EXPECT_EQ(g_ChannelUnitType[31], UNIT_TYPE_KR960);
    EXPECT_TRUE(host.setUnused.empty());
    m_unit.All();

    // A control to the slot goes out once, in the KR-960's format.
    SendControlToModels(false, true, true, 3, "Mute", 1.0f, 2);
    const auto sent = m_unit.All();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][p132::kOptionFlags] & 0x01, 0x01);

    // Nothing is left for the watchdog to find in the 8-channel list.
    host.now += 1900;
    HandlePacket132(g_Family_KR960, Unit132(2, 0x09), kLoopback);
    host.now += 200;
    WatchdogTimerProc();
    EXPECT_EQ(g_UnitStatus[3], UNIT_ACTIVE);
    EXPECT_EQ(g_Family_KR960.liveCount, 1);
}

TEST(GainCodeOnFader, ComesIntoTheRangeTheChannelsFaderShows)
{
    const struct {
        int channel;
        int code;
        int onFader;
    } cases[] = {
        {0, 0, 6},   {0, 5, 6},    {0, 6, 6},     {0, 40, 40},   {0, 69, 69},
        {0, 70, 69}, {255, 247, 69}, {0, -3, 6},  {256, 0, 8},   {256, 7, 8},
        {256, 8, 8}, {383, 69, 69}, {383, 127, 69}, {300, 255, 69},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GainCodeOnFader(c.channel, c.code), c.onFader) << c.channel << " " << c.code;
        // The fader's position of the code is one it can take.
        const int position = kGainCodeAtTop - GainCodeOnFader(c.channel, c.code);
        EXPECT_GE(position, 0);
        EXPECT_LE(position, MaxGainStepOfChannel(c.channel));
    }
}

TEST_F(WireFaults, TheReceiveThreadStampsEachDatagramWithItsArrivalTime)
{
    ASSERT_TRUE(m_core.StartReceiveThread());
    m_arrivalMs = 5000;
    m_unit.SendTo(m_core.boundPort(), Unit132(1, 0x09));
    ASSERT_TRUE(m_core.WaitForQueued(1, 5000));
    m_arrivalMs = 7000;
    m_unit.SendTo(m_core.boundPort(), Crafted97::First(20, 0x01));
    ASSERT_TRUE(m_core.WaitForQueued(2, 5000));
    ReceivedDatagram d;
    ASSERT_TRUE(m_core.PopDatagram(d));
    EXPECT_EQ(d.arrivalMs, 5000u);
    ASSERT_TRUE(m_core.PopDatagram(d));
    EXPECT_EQ(d.arrivalMs, 7000u);
}

TEST_F(WireFaults, ADatagramWaitingAtTheWatchdogTickKeepsItsUnitOnLine)
{
    ASSERT_TRUE(m_core.StartReceiveThread());
    host.now = 1000;
    HandlePacket132(g_Family_KR960, Unit132(1, 0x09), kLoopback, 1000);
    HandlePacket132(g_Family_KR960_8, Unit132(2, 0x08), kLoopback, 1000);
    HandlePacketKR9X(Crafted97::First(20, 0x01), kLoopback, 1000);
    // Two of them speak again at 2500, but their datagrams wait (a box is
    // up); under the KR-960's ID only a unit of another MAC speaks, which
    // keeps no one on line.
    m_arrivalMs = 2500;
    m_unit.SendTo(m_core.boundPort(), Unit132(2, 0x08));
    m_unit.SendTo(m_core.boundPort(), Crafted97::First(20, 0x01));
    m_unit.SendTo(m_core.boundPort(), Crafted132::With(Unit132(1, 0x09), {{0x0D, {0x77}}}));
    ASSERT_TRUE(m_core.WaitForQueued(3, 5000));

    host.now = 4000;
    WatchdogTimerProc();
    EXPECT_EQ(g_UnitStatus[1], UNIT_OFFLINE);
    EXPECT_EQ(g_UnitStatus[3], UNIT_ACTIVE);
    EXPECT_EQ(g_UnitStatus[36], UNIT_ACTIVE);
    EXPECT_EQ(g_Family_KR960_8.liveCount, 1);
    EXPECT_EQ(g_Family_KR9X.liveCount, 1);

    // Heard at 2500: more than 2000 ms later they go, their datagrams handled or not.
    host.now = 4501;
    WatchdogTimerProc();
    EXPECT_EQ(g_UnitStatus[3], UNIT_OFFLINE);
    EXPECT_EQ(g_UnitStatus[36], UNIT_OFFLINE);
}

// A slot's option card is its unit's. A unit that claimed the MIDI card (and
// with it a second state datagram at every poll) takes the card along when
// it goes off line or its slot is set unused, so the unit that holds the
// slot after it is polled for what it reports itself.
TEST_F(WireFaults, AUnitsOptionCardLeavesTheSlotWithIt)
{
    m_core.g_PacketsReceived.store(1); // as the receive thread counts unit datagrams
    const auto statesPerPoll = [&] {
        m_unit.All();
        PollAllUnits();
        return m_unit.All().size();
    };
    const auto silence = [&] {
        host.now += kOfflineAfterMs + 1;
        WatchdogTimerProc();
    };
    const auto otherUnit = [](int id, std::uint8_t option) {
        return Crafted132::With(Unit132(id, option), {{0x0D, {0x7A}}});
    };

    // Off line: a sender claims the card under unit 1 and falls silent.
    HandlePacket132(g_Family_KR960_8, Unit132(1, 0x04), kLoopback);
    ASSERT_EQ(g_UnitOption[1], "MIDI");
    EXPECT_EQ(statesPerPoll(), 2u);
    silence();
    EXPECT_EQ(g_UnitOption[1], "");
    // A unit without a card takes the slot: one state datagram per poll.
    HandlePacket132(g_Family_KR960_8, otherUnit(1, 0x02), kLoopback);
    EXPECT_EQ(g_UnitOption[1], "");
    EXPECT_EQ(statesPerPoll(), 1u);
    silence();

    // Set unused: a unit with the card moves to unit 3 without it (its
    // bit 1 alone leaves the text as it was).
    HandlePacket132(g_Family_KR960_8, Unit132(2, 0x04), kLoopback);
    ASSERT_EQ(g_UnitOption[3], "MIDI");
    HandlePacket132(g_Family_KR960_8, Crafted132::With(Unit132(3, 0x02), {{0x0D, {0x52}}}), kLoopback);
    ASSERT_EQ(g_Family_KR960_8.FindUnit(3), nullptr);
    EXPECT_EQ(g_UnitOption[3], "");
    EXPECT_EQ(g_UnitOption[5], "");
    EXPECT_EQ(statesPerPoll(), 1u);
}
