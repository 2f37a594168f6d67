#include "protocol/sender132.h"

#include <cstring>

#include "protocol/bytes.h"
#include "protocol/ipv4.h"
#include "protocol/network_core.h"
#include "protocol/unit_network.h"

using namespace p132;

namespace {

constexpr std::uint8_t kMagicBytes[4] = {'K', 'O', 'V', 'A'};
constexpr std::uint8_t kGuiVersionBytes[4] = {0x0A, 0x00, 0x00, 0x00};

void SetModelBit(UnitType model, UnitPacket132& p)
{
    SetBit(kOption16Channels, model == UNIT_TYPE_KR960, &p[kOptionFlags]);
}

// Fields the state and control datagrams write alike.
void WriteCommonHeader(UnitType model, UnitPacket132& p, std::uint32_t sequence)
{
    std::memcpy(&p[kMagic], kMagicBytes, 4);
    p[kPacketSource] = kPacketSourcePc;
    WriteBe32(&p[kPcSeq], sequence);
    std::memcpy(&p[kGuiVer], kGuiVersionBytes, 4);
    std::memset(&p[kFrmVer], 0, 4);
    if (model == UNIT_TYPE_KR960_8)
        std::memset(&p[kKrSeg], 0, 4);
    ReverseBytes(&p[kReserved78], 4);
    std::memset(&p[kUnitIp], 0, 8); // address and mask
    p[kFormatCode] = kFormatCodeValue;
    SetModelBit(model, p);
}

bool Suppressed()
{
    return g_SuppressUnitSends != 0;
}

void SendPacket(const UnitPacket132& packet, const UnitNode132& node)
{
    if (g_pNetwork)
        g_pNetwork->Send(packet.data(), packet.size(), node.UnitAddr);
}

} // namespace

void ComposeState132(UnitType model, UnitNode132& node, std::uint32_t sequence,
                     std::uint16_t periodMs, UnitPacket132& out)
{
    out = node.Packet;
    node.PeriodMs = periodMs;
    out[kUnitStatusByte] = node.StatusByte;
    out[kOptionFlags] = node.OptionByte;
    out[kStatusFlags] = node.Flags;
    SetBit(kUnitStatusSplit8, 0, &out[kUnitStatusByte]);
    SetBit(kStatusAuxPower, 0, &out[kStatusFlags]);
    WriteCommonHeader(model, out, sequence);
    WriteBe16(&out[kERate], periodMs);
}

bool ApplyControl132(UnitType model, UnitNode132& node, std::string_view name, int channel,
                     float value)
{
    const int records = model == UNIT_TYPE_KR960 ? 16 : 8;
    if (channel < 0 || channel >= records)
        return false;
    std::uint8_t* r = &node.Packet[RecordOffset(std::size_t(channel))];
    std::uint8_t& flags = r[kRecFlags];
    SetBit(kFlagChanged, 0, &flags);
    const int v = ControlValue(value);
    const int on = v != 0;
    const bool kr960 = model == UNIT_TYPE_KR960;
    const auto setSwitch = [&](int bit) {
        SetBit(kFlagChanged, 1, &flags);
        SetBit(bit, on, &flags);
    };

    if (name == "Gain") {
        SetBit(kFlagChanged, 1, &flags);
        r[kRecGainCode] = static_cast<std::uint8_t>(v);
    } else if (name == "Mute") {
        setSwitch(kFlagMute);
    } else if (name == "Pol") {
        setSwitch(kFlagPol);
    } else if (name == "Pad") {
        setSwitch(kFlagPad);
    } else if (name == "48v") {
        // Phantom power and the ribbon setting exclude each other on the 16-channel unit.
        if (kr960 && on)
            SetBit(kFlagRbin, 0, &flags);
        setSwitch(kFlag48v);
    } else if (name == "Rbin") {
        if (kr960 && on)
            SetBit(kFlag48v, 0, &flags);
        setSwitch(kFlagRbin);
    } else if (name == "Split") {
        if (kr960) {
            r[kRecSplitValue] = static_cast<std::uint8_t>(v);
        } else {
            SetBit(kFlagChanged, 1, &flags);
            SetBit(5, on, &r[kRecSplitValue]);
            SetBit(kUnitStatusSplit8, on, &node.Packet[kUnitStatusByte]);
        }
    } else if (name == "Sqrt") {
        setSwitch(kFlagSqrt);
    } else if (name == "HardwareMode") {
        if (!kr960)
            node.Packet[kOptionFlags] = static_cast<std::uint8_t>(v | 0x40);
    }
    return true;
}

void ComposeControl132(UnitType model, const UnitNode132& node, std::uint32_t sequence,
                       bool identify, UnitPacket132& out)
{
    out = node.Packet;
    out[kUnitId] = 0;
    if (model == UNIT_TYPE_KR960) {
        for (std::size_t n = 0; n < kRecordCount; ++n) {
            out[RecordOffset(n) + kRecMeter] = 0;
            out[RecordOffset(n) + kRecMeter2] = 0;
        }
    } else {
        for (std::size_t n = 0; n < 8; ++n) {
            out[RecordOffset(n) + kRecMeter] = 0;
            out[RecordOffset(n) + kRecMeter2] = 0;
            out[RecordOffset(n) + kRecSplitValue] = 0;
        }
        out[kReserved73] = 0;
        out[kReserved73 + 1] = 0;
        out[kReserved77] = 0;
    }
    // The stored period is the unit's first one, kept little-endian.
    WriteBe16(&out[kERate], ReadLe16(&node.Packet[kERate]));
    out[kUnitStatusByte] = node.StatusByte;
    SetBit(kUnitStatusSplit8, 0, &out[kUnitStatusByte]);
    out[kStatusFlags] = node.Flags;
    if (identify)
        SetBit(kStatusIdentify, 1, &out[kStatusFlags]);
    WriteCommonHeader(model, out, sequence);
}

void ComposeNetConfig132(UnitType model, UnitNode132& node, std::uint32_t ip, std::uint32_t mask,
                         UnitPacket132& out)
{
    node.Packet[kOptionFlags] = node.OptionByte;
    out = node.Packet;
    std::memcpy(&out[kMagic], kMagicBytes, 4);
    out[kPacketSource] = kPacketSourcePc;
    out[kFormatCode] = kFormatCodeValue;
    SetModelBit(model, out);
    WriteBe32(&out[kUnitIp], ip);
    WriteBe32(&out[kSubnetMask], mask);
}

void SendUnitState132(UnitFamily132& family, UnitNode132& node)
{
    // Nothing goes to an address no unit can have.
    if (IsImpossibleUnitAddress(node.UnitAddr, 0) || !HaveSendSocket())
        return;
    UnitPacket132 packet;
    ComposeState132(family.model(), node, ++g_PcSequence, static_cast<std::uint16_t>(g_MeterPeriodMs),
                    packet);
    SendPacket(packet, node);
}

void SendAllUnits132(UnitFamily132& family)
{
    if (Suppressed())
        return;
    // A message box on the way may let units go; each is looked up afresh.
    for (const int slot : family.SlotsInOrder()) {
        if (UnitNode132* node = family.FindUnit(slot))
            SendUnitState132(family, *node);
    }
}

void SendControl132(UnitFamily132& family, int slot, std::string_view name, int channel,
                    float value)
{
    if (Suppressed())
        return;
    for (const int nodeSlot : family.SlotsInOrder()) {
        UnitNode132* node = family.FindUnit(nodeSlot);
        if (!node || node->Packet[kUnitId] != slot)
            continue;
        // A unit run from its MIDI card takes no controls from the computer.
        if (slot >= 1 && slot <= kSlotCount && g_UnitOption[slot] == "MIDI")
            return;
        // The edit stays in the stored copy whether or not it can be sent.
        if (!ApplyControl132(family.model(), *node, name, channel, value)
            || IsImpossibleUnitAddress(node->UnitAddr, 0))
            continue;
        UnitPacket132 packet;
        ComposeControl132(family.model(), *node, ++g_PcSequence, (g_IdentifyUnit & 1) != 0, packet);
        if (!HaveSendSocket())
            return;
        g_SendInProgress = 1;
        SendPacket(packet, *node);
        g_SendInProgress = 0;
    }
}

void SendNetConfig132(UnitFamily132& family, int slot, std::uint32_t ip, std::uint32_t mask)
{
    UnitNode132* node = family.FindUnit(slot);
    if (!node)
        return;
    UnitPacket132 packet;
    ComposeNetConfig132(family.model(), *node, ip, mask, packet);
    if (IsImpossibleUnitAddress(node->UnitAddr, 0) || !g_pNetwork || !g_pNetwork->hasSendSocket())
        return;
    g_SendInProgress = 1;
    SendPacket(packet, *node);
    g_SendInProgress = 0;
}

void SetMeterRate132(UnitFamily132& family)
{
    if (family.liveCount < 1)
        return;
    for (const int slot : family.SlotsInOrder()) {
        if (UnitNode132* node = family.FindUnit(slot))
            node->PeriodMs = static_cast<std::uint16_t>(g_MeterPeriodMs);
    }
    // The new period goes out with a state datagram now rather than at the next poll.
    SendAllUnits132(family);
}
