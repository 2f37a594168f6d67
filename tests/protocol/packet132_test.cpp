// Byte-exact state, control and network-configuration datagrams of both
// 132-byte models, built from one crafted first datagram. The expected
// datagrams are the first datagram with the changes listed by hand.

#include <gtest/gtest.h>

#include "crafted_packets.h"
#include "fake_host.h"
#include "protocol/datagram_sort.h"
#include "protocol/packet_handler132.h"
#include "protocol/sender132.h"

namespace {

using C = Crafted132;

std::string Hex(const UnitPacket132& p)
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

class Packet132 : public ::testing::Test {
protected:
    void SetUp() override { ResetProtocolState(); }

    // Adds the unit as the handler does: the slot replaces the unit ID first.
    UnitNode132& Add(UnitFamily132& family, const UnitPacket132& first)
    {
        UnitPacket132 withSlot = first;
        withSlot[p132::kUnitId] = static_cast<std::uint8_t>(UnitNumberToSlot(first[p132::kUnitId]));
        AddNewUnit132(family, withSlot, "192.168.1.20", 0x7F000002);
        UnitNode132* node = family.FindUnit(withSlot[p132::kUnitId]);
        EXPECT_NE(node, nullptr);
        return *node;
    }

    FakeHost host;
};

} // namespace

TEST_F(Packet132, Kr960StateDatagramAndIdentification)
{
    const UnitPacket132 first = C::First(3, 0x09);
    UnitNode132& node = Add(g_Family_KR960, first);

    UnitPacket132 state;
    ComposeState132(UNIT_TYPE_KR960, node, 1, 100, state);
    EXPECT_BYTES(state, C::With(first, {
                            {0x04, {0x03}},
                            {0x05, {0x05}},
                            {0x0E, {0, 0, 0, 0}},
                            {0x12, {0x0A, 0, 0, 0}},
                            {0x16, {0x0C, 0x0B, 0x0A, 0x09}},
                            {0x1A, {0, 0, 0, 1}},
                            {0x1E, {0x04}}, // identify and LED bits of the first datagram dropped
                            {0x1F, {0x00, 0x64}},
                            {0x21, {0x09}},
                            {0x72, {0x23}}, // the unit's own split level and rate
                            {0x78, {0xC4, 0xC3, 0xC2, 0xC1}},
                            {0x7C, {0, 0, 0, 0, 0, 0, 0, 0}},
                        }));
    EXPECT_EQ(node.PeriodMs, 100);

    // Identification rides on every control datagram. (A KR-960 control
    // datagram is compared byte for byte as it reaches an emulated unit in the
    // app suite.)
    UnitPacket132 control;
    ComposeControl132(UNIT_TYPE_KR960, node, 2, false, control);
    EXPECT_EQ(control[0x1E], 0x04);
    ComposeControl132(UNIT_TYPE_KR960, node, 3, true, control);
    EXPECT_EQ(control[0x1E], 0x05);
}

TEST_F(Packet132, Kr960_8StateControlAndNetworkConfigurationDatagrams)
{
    const UnitPacket132 first = C::First(3, 0x08);
    UnitNode132& node = Add(g_Family_KR960_8, first);

    UnitPacket132 state;
    ComposeState132(UNIT_TYPE_KR960_8, node, 1, 100, state);
    EXPECT_BYTES(state, C::With(first, {
                            {0x04, {0x03}},
                            {0x05, {0x05}},
                            {0x0E, {0, 0, 0, 0}},
                            {0x12, {0x0A, 0, 0, 0}},
                            {0x16, {0, 0, 0, 0}},
                            {0x1A, {0, 0, 0, 1}},
                            {0x1E, {0x04}},
                            {0x1F, {0x00, 0x64}},
                            {0x21, {0x08}},
                            {0x72, {0x23}}, // the unit's own split level and rate
                            {0x78, {0xC4, 0xC3, 0xC2, 0xC1}},
                            {0x7C, {0, 0, 0, 0, 0, 0, 0, 0}},
                        }));

    ASSERT_TRUE(ApplyControl132(UNIT_TYPE_KR960_8, node, "Split", 1, 1.0f));
    UnitPacket132 control;
    ComposeControl132(UNIT_TYPE_KR960_8, node, 2, false, control);
    UnitPacket132 expected = C::With(first, {
                                         {0x04, {0x03}},
                                         {0x05, {0x00}},
                                         {0x0E, {0, 0, 0, 0}},
                                         {0x12, {0x0A, 0, 0, 0}},
                                         {0x16, {0, 0, 0, 0}},
                                         {0x1A, {0, 0, 0, 2}},
                                         {0x1E, {0x04}},
                                         {0x1F, {0x00, 0xC8}},
                                         {0x21, {0x08}},
                                         {0x2B, {0x92}}, // record 1 flags: changed again
                                         {0x72, {0x23, 0x00, 0x00}},
                                         {0x77, {0x00}},
                                         {0x78, {0xC4, 0xC3, 0xC2, 0xC1}},
                                         {0x7C, {0, 0, 0, 0, 0, 0, 0, 0}},
                                     });
    for (std::size_t n = 0; n < 8; ++n)
        expected[0x22 + 5 * n] = expected[0x23 + 5 * n] = expected[0x25 + 5 * n] = 0;
    EXPECT_BYTES(control, expected);

    // The network configuration goes out as the stored copy holds it: numbers
    // kept little-endian, no sequence number, the Split edits in place.
    UnitPacket132 config;
    ComposeNetConfig132(UNIT_TYPE_KR960_8, node, 0xC0A80132, 0xFFFFFF00, config);
    EXPECT_BYTES(config, C::With(first, {
                             {0x04, {0x03}},
                             {0x05, {0x05}},
                             {0x0E, {0x04, 0x03, 0x02, 0x01}},
                             {0x12, {0x08, 0x07, 0x06, 0x05}},
                             {0x16, {0x0C, 0x0B, 0x0A, 0x09}},
                             {0x1A, {0x10, 0x0F, 0x0E, 0x0D}},
                             {0x1F, {0xC8, 0x00}},
                             {0x21, {0x08}},
                             {0x2A, {0x21}}, // record 1 split byte with bit 5
                             {0x72, {0x33}}, // bit 4 as the Split left it
                             {0x7C, {0xC0, 0xA8, 0x01, 0x32, 0xFF, 0xFF, 0xFF, 0x00}},
                         }));
}

TEST_F(Packet132, ControlEditsFollowEachModelsRules)
{
    UnitNode132& k16 = Add(g_Family_KR960, C::First(1, 0x09));
    UnitNode132& k8 = Add(g_Family_KR960_8, C::First(2, 0x08));
    const auto flags = [](const UnitNode132& n, int ch) { return n.Packet[0x22 + 5 * ch + 4]; };
    const auto gain = [](const UnitNode132& n, int ch) { return n.Packet[0x22 + 5 * ch + 2]; };

    // Channel 2 starts with Rbin on: phantom power turns it off on the 16-channel unit only.
    ApplyControl132(UNIT_TYPE_KR960, k16, "48v", 2, 1.0f);
    EXPECT_EQ(flags(k16, 2), 0x82);
    ApplyControl132(UNIT_TYPE_KR960_8, k8, "48v", 2, 1.0f);
    EXPECT_EQ(flags(k8, 2), 0x86);
    ApplyControl132(UNIT_TYPE_KR960, k16, "Rbin", 1, 1.0f); // channel 1 has 48v on
    EXPECT_EQ(flags(k16, 1) & 0x06, 0x04);

    ApplyControl132(UNIT_TYPE_KR960, k16, "Gain", 4, 57.9f);
    EXPECT_EQ(gain(k16, 4), 57);
    ApplyControl132(UNIT_TYPE_KR960, k16, "Gain", 4, 300.0f);
    EXPECT_EQ(gain(k16, 4), 44); // the low byte
    ApplyControl132(UNIT_TYPE_KR960, k16, "Gain", 5, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(gain(k16, 5), 0);

    // A 16-channel Split writes the value and leaves the changed bit clear.
    ApplyControl132(UNIT_TYPE_KR960, k16, "Split", 1, 2.0f);
    EXPECT_EQ(k16.Packet[0x22 + 5 + 3], 2);
    EXPECT_EQ(flags(k16, 1) & 0x80, 0);

    // Names a model does not handle edit nothing but clear the changed bit.
    ApplyControl132(UNIT_TYPE_KR960, k16, "HardwareMode", 1, 5.0f);
    EXPECT_EQ(k16.Packet[0x21], 0x09);
    ApplyControl132(UNIT_TYPE_KR960, k16, "Link", 7, 1.0f);
    EXPECT_EQ(flags(k16, 7), 0x12);

    // HardwareMode on the 8-channel unit goes into the stored option byte with bit 6.
    ApplyControl132(UNIT_TYPE_KR960_8, k8, "HardwareMode", 0, 5.0f);
    EXPECT_EQ(k8.Packet[0x21], 0x45);
    UnitPacket132 control;
    ComposeControl132(UNIT_TYPE_KR960_8, k8, 9, false, control);
    EXPECT_EQ(control[0x21], 0x44);

    // Channels outside the unit's records are refused, nothing is written.
    const UnitPacket132 before = k8.Packet;
    EXPECT_FALSE(ApplyControl132(UNIT_TYPE_KR960_8, k8, "Mute", 8, 1.0f));
    EXPECT_FALSE(ApplyControl132(UNIT_TYPE_KR960_8, k8, "Mute", -1, 1.0f));
    EXPECT_FALSE(ApplyControl132(UNIT_TYPE_KR960, k16, "Mute", 16, 1.0f));
    EXPECT_EQ(k8.Packet, before);
}

TEST(DatagramRoute, LengthFormatCodeAndModelBitDecide)
{
    std::array<std::uint8_t, 300> d{};
    EXPECT_EQ(RouteDatagram(d.data(), 97), DatagramRoute::KR9X); // whatever bytes 6 and 7 hold
    for (std::size_t size : {0u, 96u, 98u, 131u, 133u, 300u})
        EXPECT_EQ(RouteDatagram(d.data(), size), DatagramRoute::Ignored) << size;
    d[6] = 2;
    EXPECT_EQ(RouteDatagram(d.data(), 132), DatagramRoute::CountedOnly);
    d[6] = 3;
    d[0x21] = 0x08;
    EXPECT_EQ(RouteDatagram(d.data(), 132), DatagramRoute::KR960_8);
    d[0x21] = 0x09;
    EXPECT_EQ(RouteDatagram(d.data(), 132), DatagramRoute::KR960);
    d[0x21] = 0x01;
    d[6] = 0;
    EXPECT_EQ(RouteDatagram(d.data(), 132), DatagramRoute::CountedOnly);
}
