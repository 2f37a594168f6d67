#include "protocol/sender_kr9x.h"

#include <cstring>

#include "protocol/bytes.h"
#include "protocol/ipv4.h"
#include "protocol/network_core.h"
#include "protocol/unit_network.h"

using namespace p97;

namespace {

constexpr std::uint8_t kMagicBytes[4] = {'K', 'O', 'V', 'A'};

// The version numbers the stored copy keeps in the computer's order go back
// to the wire's.
void VersionsToWire(UnitPacket97& p)
{
    for (std::size_t offset : {kFrmVer, kGuiVer, kKrSeg})
        ReverseBytes(&p[offset], 4);
}

void WriteCommonHeader(UnitPacket97& p, const UnitNodeKR9X& node, std::uint32_t sequence)
{
    std::memcpy(&p[kMagic], kMagicBytes, 4);
    p[kPacketSource] = kPacketSourcePc;
    p[kUnitStatusByte] = node.StatusByte;
    VersionsToWire(p);
    WriteBe32(&p[kPcSeq], sequence);
}

void SendPacket(const UnitPacket97& packet, const UnitNodeKR9X& node)
{
    if (g_pNetwork)
        g_pNetwork->Send(packet.data(), packet.size(), node.UnitAddr);
}

} // namespace

void ComposeStateKR9X(UnitNodeKR9X& node, std::uint32_t sequence, std::uint16_t periodMs,
                      UnitPacket97& out)
{
    out = node.Packet;
    WriteCommonHeader(out, node, sequence);
    out[kStatusFlags] = node.Flags;
    node.PeriodMs = periodMs;
    WriteBe16(&out[kERate], periodMs);
    // The meters go back as the unit sent them.
    for (std::size_t n = 0; n < kRecordCount; ++n) {
        ReverseBytes(&out[RecordOffset(n) + kRecPk], 2);
        ReverseBytes(&out[RecordOffset(n) + kRecAvg], 2);
    }
}

bool ApplyControlKR9X(UnitNodeKR9X& node, std::string_view name, int channel, float value)
{
    if (channel < 0 || channel >= int(kRecordCount))
        return false;
    std::uint8_t* r = &node.Packet[RecordOffset(std::size_t(channel))];
    std::uint8_t& flags = r[kRecFlags];
    const int v = ControlValue(value);
    const auto setSwitch = [&](int bit, bool on) {
        SetBit(kFlagChanged, 1, &flags);
        SetBit(bit, on, &flags);
    };

    if (name == "Gain") {
        r[kRecGainCode] = static_cast<std::uint8_t>(v);
        SetBit(kGainChanged, 1, &r[kRecGainCode]);
    } else if (name == "Link") {
        // The Link bit follows the low byte alone.
        setSwitch(kFlagLink, static_cast<std::uint8_t>(v) != 0);
    } else if (name == "Mute") {
        setSwitch(kFlagMute, v != 0);
    } else if (name == "Pol") {
        setSwitch(kFlagPol, v != 0);
    } else if (name == "Pad") {
        setSwitch(kFlagPad, v != 0);
    } else if (name == "48v") {
        setSwitch(kFlag48v, v != 0);
    }
    return true;
}

void ComposeControlKR9X(const UnitNodeKR9X& node, std::uint32_t sequence, UnitPacket97& out)
{
    out = node.Packet;
    WriteCommonHeader(out, node, sequence);
    for (std::size_t n = 0; n < kRecordCount; ++n)
        std::memset(&out[RecordOffset(n) + kRecPk], 0, 4); // Pk and Avg
    // The stored period is the unit's first one, kept little-endian.
    WriteBe16(&out[kERate], ReadLe16(&node.Packet[kERate]));
}

void SendUnitState_KR9X(UnitNodeKR9X& node)
{
    // Nothing goes to an address no unit can have.
    if (IsImpossibleUnitAddress(node.UnitAddr, 0) || !HaveSendSocket())
        return;
    UnitPacket97 packet;
    ComposeStateKR9X(node, ++g_PcSequence, static_cast<std::uint16_t>(g_MeterPeriodMs), packet);
    SendPacket(packet, node);
}

void SendAllUnits_KR9X()
{
    if (g_SuppressUnitSends)
        return;
    // A message box on the way may let units go; each is looked up afresh.
    for (const int slot : g_Family_KR9X.SlotsInOrder()) {
        if (UnitNodeKR9X* node = g_Family_KR9X.FindUnit(slot))
            SendUnitState_KR9X(*node);
    }
}

void SendControl_KR9X(int slot, std::string_view name, int channel, float value)
{
    if (g_SuppressUnitSends)
        return;
    for (const int nodeSlot : g_Family_KR9X.SlotsInOrder()) {
        UnitNodeKR9X* node = g_Family_KR9X.FindUnit(nodeSlot);
        if (!node || node->Packet[kUnitId] != slot)
            continue;
        // The edit stays in the stored copy whether or not it can be sent.
        if (!ApplyControlKR9X(*node, name, channel, value)
            || IsImpossibleUnitAddress(node->UnitAddr, 0))
            continue;
        if (!HaveSendSocket())
            return;
        UnitPacket97 packet;
        ComposeControlKR9X(*node, ++g_PcSequence, packet);
        g_SendInProgress = 1;
        SendPacket(packet, *node);
        g_SendInProgress = 0;
    }
}

bool SetMeterRate_KR9X(int periodMs)
{
    if (g_Family_KR9X.liveCount < 1)
        return false;
    for (const int slot : g_Family_KR9X.SlotsInOrder()) {
        if (UnitNodeKR9X* node = g_Family_KR9X.FindUnit(slot))
            node->PeriodMs = static_cast<std::uint16_t>(periodMs);
    }
    g_MeterPeriodMs = periodMs;
    // The new period goes out with a state datagram now rather than at the next poll.
    SendAllUnits_KR9X();
    return true;
}

void ResendLinks_KR9X(const std::function<bool(int channel)>& linkSwitchOn)
{
    if (!linkSwitchOn)
        return;
    for (const int slot : g_Family_KR9X.SlotsInOrder()) {
        const int first = (slot - 1) * kChannelsPerUnitKR9X;
        for (int i = 0; i < kChannelsPerUnitKR9X; ++i)
            SendControl_KR9X(slot, "Link", i, linkSwitchOn(first + i) ? 1.0f : 0.0f);
    }
}
