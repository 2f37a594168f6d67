// Byte-exact state and control datagrams of the KR-9X, built from one
// crafted first datagram (the expected datagrams are the first datagram with
// the changes listed by hand), the control edits, the meter and supply
// decoding, and what reaches a unit on loopback.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include "crafted_packets.h"
#include "fake_host.h"
#include "protocol/bytes.h"
#include "protocol/network_core.h"
#include "protocol/packet_handler132.h"
#include "protocol/packet_handler_kr9x.h"
#include "protocol/sender132.h"
#include "protocol/sender_kr9x.h"
#include "support/loopback_port.h"

namespace {

using C = Crafted97;

template <std::size_t N>
std::string Hex(const std::array<std::uint8_t, N>& p)
{
    std::string s;
    char b[4];
    for (std::size_t i = 0; i < p.size(); ++i) {
        std::snprintf(b, sizeof b, "%02X", p[i]);
        s += (i % 16 == 0 ? (i ? "\n" : "") : " ");
        s += b;
    }
    return s;
}

#define EXPECT_BYTES(actual, expected) EXPECT_EQ(Hex(actual), Hex(expected))

constexpr int kSlot = 36; // unit ID 20

class Packet97 : public ::testing::Test {
protected:
    void SetUp() override { ResetProtocolState(); }
    void TearDown() override { ResetProtocolState(); }

    // Adds the unit as the handler does: the slot replaces the unit ID first.
    UnitNodeKR9X& Add(const UnitPacket97& first, std::uint32_t from = 0xC0A80114)
    {
        UnitPacket97 withSlot = first;
        withSlot[p97::kUnitId] = static_cast<std::uint8_t>(first[p97::kUnitId] + 16);
        AddNewUnitKR9X(withSlot, "192.168.1.20", from);
        UnitNodeKR9X* node = FindUnit_KR9X(withSlot[p97::kUnitId]);
        EXPECT_NE(node, nullptr);
        return *node;
    }

    // The stored Pk and Avg of every record zeroed, as control datagrams carry them.
    static UnitPacket97 WithoutMeters(UnitPacket97 p)
    {
        for (std::size_t n = 0; n < 8; ++n)
            for (std::size_t i = 0; i < 4; ++i)
                p[0x22 + 6 * n + i] = 0;
        return p;
    }

    FakeHost host;
};

} // namespace

TEST_F(Packet97, StoredCopyStateAndControlDatagrams)
{
    const UnitPacket97 first = C::First(20, 0x01);
    UnitNodeKR9X& node = Add(first);

    // The stored copy: numbers in the computer's order, the slot at 0x05.
    UnitPacket97 stored = C::With(first, {
                                             {0x05, {0x24}},
                                             {0x0E, {0x04, 0x03, 0x02, 0x01}},
                                             {0x12, {0x08, 0x07, 0x06, 0x05}},
                                             {0x16, {0x0C, 0x0B, 0x0A, 0x09}},
                                             {0x1A, {0x10, 0x0F, 0x0E, 0x0D}},
                                             {0x1F, {0xC8, 0x00}},
                                             {0x5D, {0xC0, 0xA8, 0x01, 0x14}},
                                         });
    for (std::size_t n = 0; n < 8; ++n) {
        std::uint8_t* r = &stored[0x22 + 6 * n];
        std::swap(r[0], r[1]);
        std::swap(r[2], r[3]);
    }
    EXPECT_BYTES(node.Packet, stored);

    UnitPacket97 state;
    ComposeStateKR9X(node, 1, 100, state);
    EXPECT_BYTES(state, C::With(first, {
                            {0x04, {0x03}},
                            {0x05, {0x24}},
                            {0x1A, {0, 0, 0, 1}},
                            {0x1E, {0x00}},
                            {0x1F, {0x00, 0x64}},
                            {0x52, {0x23}}, // the unit's own status byte
                            {0x5D, {0xC0, 0xA8, 0x01, 0x14}}, // sent back reversed
                        }));
    EXPECT_EQ(node.PeriodMs, 100);

    ASSERT_TRUE(ApplyControlKR9X(node, "Mute", 2, 1.0f));
    UnitPacket97 control;
    ComposeControlKR9X(node, 2, control);
    EXPECT_BYTES(control, WithoutMeters(C::With(first, {
                              {0x04, {0x03}},
                              {0x05, {0x24}},
                              {0x1A, {0, 0, 0, 2}},
                              {0x33, {0x94}}, // record 2: Pad, Mute, changed
                              {0x52, {0x23}}, // the unit's own status byte
                              {0x5D, {0xC0, 0xA8, 0x01, 0x14}},
                          })));

    // An active datagram refreshes the status and option bytes; the edit and
    // its changed bit ride on every later datagram.
    UpdateUnitFromPacket_KR9X(node, C::With(first, {{0x52, {0x05}}, {0x21, {0x03}}}));
    ComposeStateKR9X(node, 3, 200, state);
    EXPECT_BYTES(state, C::With(first, {
                            {0x04, {0x03}},
                            {0x05, {0x24}},
                            {0x1A, {0, 0, 0, 3}},
                            {0x1E, {0x00}},
                            {0x1F, {0x00, 0xC8}},
                            {0x21, {0x03}},
                            {0x33, {0x94}},
                            {0x52, {0x05}},
                            {0x5D, {0xC0, 0xA8, 0x01, 0x14}},
                        }));
}

TEST_F(Packet97, ControlEditsSetTheirBitAndTheChangedMark)
{
    UnitNodeKR9X& node = Add(C::First(20, 0x01));
    const auto flags = [&](int ch) { return node.Packet[0x22 + 6 * ch + 5]; };
    const auto gain = [&](int ch) { return node.Packet[0x22 + 6 * ch + 4]; };

    ApplyControlKR9X(node, "Gain", 7, 45.9f);
    EXPECT_EQ(gain(7), 0xAD);
    ApplyControlKR9X(node, "Gain", 6, 300.0f);
    EXPECT_EQ(gain(6), 0xAC); // the low byte, marked

    ApplyControlKR9X(node, "Link", 1, 1.0f);
    EXPECT_EQ(flags(1), 0x8B);
    // Link looks at the low byte only; the other switches at the whole value.
    ApplyControlKR9X(node, "Link", 0, 256.0f);
    EXPECT_EQ(flags(0), 0x90);
    ApplyControlKR9X(node, "Mute", 3, 256.0f);
    EXPECT_EQ(flags(3), 0x91);
    ApplyControlKR9X(node, "Pol", 4, 0.0f);
    EXPECT_EQ(flags(4), 0x82);
    ApplyControlKR9X(node, "Pad", 5, 0.9f);
    EXPECT_EQ(flags(5), 0x80);
    ApplyControlKR9X(node, "48v", 6, 1.0f);
    EXPECT_EQ(flags(6), 0x93);

    // Names the KR-9X does not have edit nothing but still count as handled.
    UnitPacket97 before = node.Packet;
    for (const char* name : {"Split", "Rbin", "mute"})
        EXPECT_TRUE(ApplyControlKR9X(node, name, 2, 1.0f)) << name;
    EXPECT_EQ(node.Packet, before);

    // Channels outside the eight records are refused, nothing is written.
    for (int channel : {8, 9, -1, 1000})
        EXPECT_FALSE(ApplyControlKR9X(node, "Mute", channel, 1.0f)) << channel;
    EXPECT_EQ(node.Packet, before);

    // The sender ignores them too, and sends nothing.
    g_SuppressUnitSends = 0;
    SendControl_KR9X(kSlot, "Gain", 8, 40.0f);
    SendControl_KR9X(kSlot, "Mute", -1, 1.0f);
    EXPECT_EQ(node.Packet, before);
    EXPECT_EQ(host.SocketErrors(), 0);
    // A slot without a unit gets nothing.
    SendControl_KR9X(kSlot + 1, "Mute", 0, 1.0f);
    EXPECT_EQ(host.SocketErrors(), 0);
    EXPECT_EQ(g_PcSequence, 0u);
}

TEST(MeterKR9X, SignedMagnitudeToDb)
{
    const std::pair<std::uint16_t, float> cases[] = {
        {0x0000, -22.0f}, {0x0100, -22.0f}, {0x0114, -2.0f}, {0x0014, -42.0f},
        {0x0030, -70.0f}, {0x0031, -51.0f}, {0x0032, -52.0f}, {0x00FF, -257.0f},
        {0xFF05, -17.0f}, {0x8000, -22.0f},
    };
    for (const auto& [peak, db] : cases)
        EXPECT_FLOAT_EQ(MeterToDbKR9X(peak), db) << std::hex << peak;
}

TEST(SuppliesKR9X, EveryRangeIncludesItsBounds)
{
    const UnitPacket97 good = C::First(20, 0x01);
    EXPECT_FALSE(HasSupplyFault_KR9X(good));

    // Each bound in and one step out pins the field's offset and scale.
    struct Case {
        std::size_t offset;
        int inLow, inHigh, outLow, outHigh;
    };
    const Case cases[] = {
        {0x55, 92, 100, 91, 101},  // 46.0 .. 50.0 V
        {0x56, 110, 130, 109, 131}, // 22.0 .. 26.0 V
        {0x57, 40, 70, 39, 71},    // 4.0 .. 7.0 V
        {0x58, 10, 60, 9, 61},     // 1.0 .. 6.0 V
        {0x59, 1, 150, 0, 151},    // 1 .. 150 degrees
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(HasSupplyFault_KR9X(C::With(good, {{c.offset, {c.inLow}}}))) << c.offset;
        EXPECT_FALSE(HasSupplyFault_KR9X(C::With(good, {{c.offset, {c.inHigh}}}))) << c.offset;
        EXPECT_TRUE(HasSupplyFault_KR9X(C::With(good, {{c.offset, {c.outLow}}}))) << c.offset;
        EXPECT_TRUE(HasSupplyFault_KR9X(C::With(good, {{c.offset, {c.outHigh}}}))) << c.offset;
    }

    // The same verdict over what is stored per slot.
    ResetProtocolState();
    EXPECT_FALSE(SuppliesInRange_KR9X(40)); // nothing stored yet: temperature 0
    StoreSupplies_KR9X(40, DecodeSuppliesKR9X(good));
    EXPECT_TRUE(SuppliesInRange_KR9X(40));
    g_PS48V[40] = 45.9f;
    EXPECT_FALSE(SuppliesInRange_KR9X(40));
    EXPECT_FALSE(SuppliesInRange_KR9X(0));
    EXPECT_FALSE(SuppliesInRange_KR9X(49));
}

namespace {

class Packet97Loopback : public Packet97 {
protected:
    void SetUp() override
    {
        Packet97::SetUp();
        g_pNetwork = &m_core;
        g_SuppressUnitSends = 0;
    }
    void TearDown() override
    {
        g_pNetwork = nullptr;
        Packet97::TearDown();
    }

    static std::uint32_t Sequence(const std::vector<std::uint8_t>& d)
    {
        return d.size() > 0x1D ? ReadBe32(&d[0x1A]) : 0;
    }

    LoopbackPort m_unit;
    NetworkCore m_core{NetworkConfig{0, m_unit.port(), INADDR_LOOPBACK}, nullptr};
};

constexpr std::uint32_t kLoopback = 0x7F000001;

} // namespace

TEST_F(Packet97Loopback, OneSequenceRunsAcrossEveryModel)
{
    HandlePacketKR9X(C::First(20, 0x01), kLoopback);
    HandlePacket132(g_Family_KR960_8,
                    Crafted132::With(Crafted132::First(1, 0x08), {{0x7C, {127, 0, 0, 1}}}), kLoopback);
    SendControl_KR9X(kSlot, "Gain", 0, 40.0f);
    SendControl_KR960_8(1, "Mute", 0, 1.0f);
    SendAllModels();
    SendControlToModels(true, true, false, kSlot, "Pad", 1.0f, 3);

    const std::vector<std::size_t> sizes = {97, 132, 97, 132, 97, 132, 97};
    std::vector<std::vector<std::uint8_t>> sent;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        sent.push_back(m_unit.Next().value_or(std::vector<std::uint8_t>{}));
        ASSERT_EQ(sent.back().size(), sizes[i]) << i;
        EXPECT_EQ(Sequence(sent.back()), i + 1) << i;
    }
    for (const auto& d : sent) {
        if (d.size() == 97) {
            EXPECT_EQ(d[0x05], kSlot); // the slot, never the unit ID
        }
    }
    EXPECT_EQ(sent[2][0x22 + 4], 0x80 | 40);
    EXPECT_EQ(sent[6][0x22 + 6 * 3 + 5], 0x95); // record 3: Link, Mute, now Pad, marked
    EXPECT_EQ(sent[6][0x22 + 4], 0x80 | 40);    // the earlier gain stays
    EXPECT_EQ(host.SocketErrors(), 0);
}

TEST_F(Packet97Loopback, MeterRateAndLinkResendReachTheUnit)
{
    EXPECT_FALSE(SetMeterRate_KR9X(500)); // no unit on line: nothing changes
    EXPECT_EQ(g_MeterPeriodMs, 100);

    HandlePacketKR9X(C::First(20, 0x01), kLoopback);
    ASSERT_EQ(m_unit.Next().value_or(std::vector<std::uint8_t>{}).size(), 97u); // the state datagram of the first datagram

    EXPECT_TRUE(SetMeterRate_KR9X(500));
    EXPECT_EQ(g_MeterPeriodMs, 500);
    EXPECT_EQ(FindUnit_KR9X(kSlot)->PeriodMs, 500);
    const std::vector<std::uint8_t> state = m_unit.Next().value_or(std::vector<std::uint8_t>{});
    ASSERT_EQ(state.size(), 97u);
    EXPECT_EQ(ReadBe16(&state[0x1F]), 500);

    // Channels 281 and 286 (1 and 6 of the unit) have their Link switch on.
    std::vector<int> asked;
    ResendLinks_KR9X([&](int channel) {
        asked.push_back(channel);
        return channel == 281 || channel == 286;
    });
    EXPECT_EQ(asked, (std::vector<int>{280, 281, 282, 283, 284, 285, 286, 287}));
    std::vector<std::uint8_t> last;
    for (int i = 0; i < 8; ++i) {
        last = m_unit.Next().value_or(std::vector<std::uint8_t>{});
        ASSERT_EQ(last.size(), 97u) << i;
    }
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(last[0x22 + 6 * n + 5] & 0x81, n == 1 || n == 6 ? 0x81 : 0x80) << n;
    // Control datagrams carry the first datagram's period, not the new one.
    EXPECT_EQ(ReadBe16(&last[0x1F]), 200);
}
