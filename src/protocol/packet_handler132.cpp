#include "protocol/packet_handler132.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "protocol/bytes.h"
#include "protocol/ipv4.h"
#include "protocol/network_core.h"
#include "protocol/sender132.h"
#include "protocol/unit_host.h"
#include "protocol/unit_network.h"
#include "protocol/unit_status.h"

using namespace p132;

namespace {

constexpr int kTimerSettle = UnitHost::kTimerSettle;

MacAddress MacOf(const UnitPacket132& p)
{
    MacAddress mac;
    std::memcpy(mac.data(), &p[kMac], mac.size());
    return mac;
}

std::string Format(const char* format, int a)
{
    char text[256];
    std::snprintf(text, sizeof text, format, a);
    return text;
}

void Notice(const char* caption, const std::string& text, bool restartNow)
{
    if (g_pUnitHost)
        g_pUnitHost->ShowNotice(caption, text, restartNow);
}

// Numbers the stored copy keeps in the computer's (little-endian) order.
void ConvertStoredNumbers(UnitPacket132& p)
{
    for (std::size_t offset : {kFrmVer, kGuiVer, kKrSeg, kPcSeq})
        ReverseBytes(&p[offset], 4);
    ReverseBytes(&p[kERate], 2);
}

// Whether a MAC may speak for the slot: no unit on line in either 132-byte
// list holds the slot under another MAC. The registered MACs are not asked:
// the one a unit leaves behind when it goes off line or moves to the other
// model would otherwise let it back in beside the unit that has taken the
// slot since, or lock every other unit out of a slot nobody holds.
bool MacAccepted(int slot, const MacAddress& mac)
{
    for (const UnitFamily132* family : {&g_Family_KR960, &g_Family_KR960_8}) {
        const UnitNode132* holder = family->FindUnit(slot);
        if (holder && holder->Mac != mac)
            return false;
    }
    return true;
}

// A KR-960 first heard in local mode reports no 16-channel bit and so stands
// in the 8-channel list. Once its own entry comes, the stand-in goes at once:
// while both were there every control of the slot went out twice, in both
// formats. The slot stays the unit's, on line and shown as it is; only what
// the stand-in holds of the 8-channel list goes.
void RetireLocalModeStandIn(int slot, const MacAddress& mac)
{
    UnitFamily132& eight = g_Family_KR960_8;
    const UnitNode132* standIn = eight.FindUnit(slot);
    if (!standIn || standIn->Mac != mac)
        return;
    eight.macTable[slot] = MacAddress{};
    --eight.liveCount;
    // Removal marks the slot off line; the unit's own entry, added right
    // after, puts it on line again before anything is shown.
    RemoveUnit132(eight, slot);
}

} // namespace

UnitNode132* NodeOfDatagram132(DatagramRoute route, const UnitPacket132& datagram)
{
    const int slot = SlotOfDatagram(route, datagram.data(), datagram.size(), 0);
    if (slot < 1)
        return nullptr;
    UnitNode132* node = FamilyForDatagram(datagram).FindUnit(slot);
    return node && node->Mac == MacOf(datagram) ? node : nullptr;
}

UnitFamily132& FamilyForDatagram(const UnitPacket132& datagram)
{
    if (GetBit(kOption16Channels, datagram[kOptionFlags]))
        return g_Family_KR960;
    const int id = datagram[kUnitId];
    if (datagram[kOptionFlags] == 0 && id >= 1 && id <= 16) {
        const UnitNode132* node = g_Family_KR960.FindUnit(UnitNumberToSlot(id));
        if (node && node->Mac == MacOf(datagram))
            return g_Family_KR960;
    }
    return g_Family_KR960_8;
}

void HandlePacket132(UnitFamily132& family, const UnitPacket132& received, std::uint32_t fromAddress,
                     std::uint32_t heardMs)
{
    if (g_pNetwork && g_pNetwork->g_StopReceiveThread.load())
        return;
    UnitPacket132 datagram = received;
    const int id = datagram[kUnitId];
    const std::string ipText = DottedText(&datagram[kUnitIp]);

    if (id < 1 || id > 16) {
        char text[512];
        std::snprintf(text, sizeof text,
                      "You have chosen to set an KR960-type Unit ID to Unit %d.\n\nThe program is "
                      "configured for KR960-type Units to occupy only units %d through %d. \nPlease "
                      "use a Unit ID number between %d and %d.\n\n",
                      id, 1, 16, 1, 16);
        Notice("Error in KOVA Header", text, false);
        return;
    }
    const int slot = UnitNumberToSlot(id);
    // Everything for the unit goes to the address it states, so one that no
    // unit can have is refused like a malformed one.
    if (StatesImpossibleAddress(datagram.data())) {
        Notice("Error With Bad IP Address",
               std::string("The ") + family.modelName()
                   + " Unit ID has a bad IP Address. Please correct it.",
               true);
        SetUnitStatus(slot, UNIT_BAD_IP_ADDRESS);
        return;
    }
    if (!MacAccepted(slot, MacOf(datagram))) {
        Notice("Unit ID Conflict",
               Format((std::string("The ") + family.modelName()
                       + " Unit ID %d is in conflict with another unit of the same Unit ID. "
                         "Please correct it.")
                          .c_str(),
                      id),
               false);
        SetUnitStatus(slot, UNIT_CONFLICT);
        return;
    }
    datagram[kUnitId] = static_cast<std::uint8_t>(slot);

    UnitNode132* node = family.FindUnit(slot);
    if (node) {
        // Heard from now, even if what follows shows a box before the
        // handling ends.
        node->LastHeardTime = heardMs;
    } else {
        AddNewUnit132(family, datagram, ipText, fromAddress, heardMs);
        // Adding may have shown a box; the node is looked up afresh.
        node = family.FindUnit(slot);
        if (!node)
            return;
        SendUnitState132(family, *node);
        node = family.FindUnit(slot);
        if (!node)
            return;
    }

    SetBit(kStatusAuxPower, GetBit(kStatusAuxPower, datagram[kStatusFlags]), &node->Flags);
    node->IpText = ipText;
    node->UnitAddr = AddressFromBytes(&datagram[kUnitIp]);
    family.maskText[slot] = DottedText(&datagram[kSubnetMask]);

    switch (ClassifyPacket132(*node, datagram, heardMs)) {
    case kPacketLocalMode:
        AdvanceBlink(slot, BlinkDisplay{UNIT_NOW_OFFLINE, UNIT_INACTIVE, UNIT_ACTIVE},
                     family.localBlinkStarted[slot], node->BlinkTime, node->LastHeardTime, heardMs);
        break;
    case kPacketAux:
        if (!family.auxSeen[slot]) {
            family.auxSeen[slot] = 1;
            node->BlinkTime = heardMs;
        }
        UpdateUnitStatus(slot, UNIT_AUX_POWER_ON);
        node->LastHeardTime = heardMs;
        UpdateUnitFromPacket132(family, *node, datagram, heardMs);
        break;
    default:
        UpdateUnitFromPacket132(family, *node, datagram, heardMs);
        // The update may have shown a box, and the unit may have gone while it
        // was open: only a unit still in the slot is shown active.
        if (UnitNode132* again = family.FindUnit(slot)) {
            SetUnitStatus(slot, UNIT_ACTIVE);
            again->LastHeardTime = heardMs;
        }
        break;
    }
}

int ClassifyPacket132(UnitNode132& node, const UnitPacket132& datagram, std::uint32_t heardMs)
{
    if (datagram[kOptionFlags] == 0) {
        g_UnitStatus[node.Slot] = UNIT_LOCAL_MODE;
        return kPacketLocalMode;
    }
    if (GetBit(kStatusAuxPower, node.Flags)) {
        SetUnitStatus(node.Slot, UNIT_AUX_POWER_SUPPLY_FAILURE);
        node.LastHeardTime = heardMs;
        return kPacketAux;
    }
    SetBit(kStatusAuxPower, 0, &node.Flags);
    return kPacketActive;
}

void UpdateUnitFromPacket132(UnitFamily132& family, UnitNode132& node, const UnitPacket132& d,
                             std::uint32_t heardMs)
{
    const int slot = node.Slot;
    if (AddressFromBytes(&d[kSubnetMask]) != node.SubnetMask) {
        if (g_pUnitHost)
            g_pUnitHost->ShowDatagramMessage(slot, "Wrong SubnetMask.");
        return;
    }
    family.rateText[slot] = GetBit(kUnitStatus4x, d[kUnitStatusByte]) ? "4X" : "2X";
    node.StatusByte = d[kUnitStatusByte];
    std::memcpy(&node.Packet[kFrmVer], &d[kFrmVer], 4);
    ReverseBytes(&node.Packet[kFrmVer], 4);
    std::memcpy(&node.Packet[kGuiVer], &d[kGuiVer], 4);
    ReverseBytes(&node.Packet[kGuiVer], 4);
    node.Packet[kOptionFlags] = d[kOptionFlags];
    node.OptionByte = d[kOptionFlags];
    g_UnitTemperature[slot] = float(d[kTemp]);

    const std::uint8_t option = d[kOptionFlags];
    if (GetBit(kOptionMidi, option))
        g_UnitOption[slot] = "MIDI";
    else if (family.model() == UNIT_TYPE_KR960 || GetBit(kOptionDante, option))
        g_UnitOption[slot] = "DANTE";
    node.LastHeardTime = heardMs;

    if (g_pUnitHost) {
        const int first = (slot - 1) * 8;
        for (int n = 0; n < family.channelsPerUnit(); ++n)
            g_pUnitHost->DrawMeterDb(first + n, MeterByteToDb(d[RecordOffset(std::size_t(n)) + kRecMeter]));
    }
}

void AddNewUnit132(UnitFamily132& family, UnitPacket132 packet, const std::string& ipText,
                   std::uint32_t fromAddress, std::uint32_t heardMs)
{
    ConvertStoredNumbers(packet);
    const int slot = packet[kUnitId];
    const int model = family.model();
    if (model == UNIT_TYPE_KR960)
        RetireLocalModeStandIn(slot, MacOf(packet));

    UnitNode132 node{};
    g_UnitModel[slot] = model;
    node.Packet = packet;
    node.Mac = MacOf(packet);
    node.IpText = ipText;
    family.maskText[slot] = DottedText(&packet[kSubnetMask]);
    g_UnitOnline[slot] = 1;
    family.macTable[slot] = node.Mac;
    node.SubnetMask = AddressFromBytes(&packet[kSubnetMask]);
    g_UnitIpAddress[slot] = ipText;
    ++family.liveCount;
    node.Slot = static_cast<std::uint8_t>(slot);
    node.OptionByte = packet[kOptionFlags];
    // The unit's split level and rate: the state datagram that answers this
    // one at once must not tell the unit 0 dB and 2X.
    node.StatusByte = packet[kUnitStatusByte];
    node.Flags = packet[kStatusFlags];
    SetBit(kStatusIdentify, 0, &node.Flags);
    SetBit(kStatusSnake, 0, &node.Flags);

    const int first = FirstChannelOfUnit(slot);
    for (int c = first; c < first + family.channelsPerUnit() && c < kChannelCount; ++c)
        g_ChannelUnitType[c] = model;
    g_UnitMacConflict[slot] = 0;
    g_SlotModel[slot] = model;
    node.UnitAddr = fromAddress;
    node.LastHeardTime = heardMs;
    node.PeriodMs = static_cast<std::uint16_t>(g_MeterPeriodMs);
    const MacAddress mac = node.Mac;
    family.InsertUnitSorted(std::move(node));
    PublishSlotHolder(slot);
    ++family.unitsAdded;
    g_UnitOfflineLatch[slot] = 0;
    SetUnitStatus(slot, UNIT_ACTIVE);

    if (g_pUnitHost) {
        g_pUnitHost->OnUnitAdded132(family, slot);
        g_pUnitHost->ArmTimer(kTimerSettle, 2000);
    }

    // The same unit registered under another slot has been given a new ID.
    int otherSlot = 0;
    if (family.FindMacUnderOtherSlot(mac, slot, &otherSlot)) {
        if (!MacAccepted(otherSlot, mac)) {
            // It had left that slot off line and another unit holds it now:
            // only the registration it left behind goes.
            family.macTable[otherSlot] = MacAddress{};
            return;
        }
        if (g_pUnitHost)
            g_pUnitHost->KillTimer(kTimerSettle);
        SetUnitUnused132(family, otherSlot);
        g_UnitStatus[otherSlot] = UNIT_INACTIVE;
        if (g_pUnitHost)
            g_pUnitHost->ArmTimer(kTimerSettle, 2000);
    }
}

void SetUnitUnused132(UnitFamily132& family, int s)
{
    if (s < 1 || s > kSlotCount)
        return;
    family.macTable[s] = MacAddress{};
    const int first = (s - 1) * 8;
    for (int c = first; c < first + family.channelsPerUnit() && c < kChannelCount; ++c)
        g_ChannelUnitType[c] = UNIT_TYPE_UNUSED;

    const bool hadNode = family.FindUnit(s) != nullptr;
    if (hadNode) {
        --family.liveCount;
        g_UnitOnline[s] = 0;
        if (family.model() == UNIT_TYPE_KR960 && s + 1 <= kSlotCount)
            g_UnitOnline[s + 1] = 0;
        SetUnitStatus(s, UNIT_INACTIVE);
        RemoveUnit132(family, s);
    }
    if (g_pUnitHost)
        g_pUnitHost->OnSlotSetUnused132(family, s, hadNode);
}

void RemoveUnit132(UnitFamily132& family, int slot)
{
    UnitNode132* node = family.FindUnit(slot);
    if (!node)
        return;
    if (family.model() == UNIT_TYPE_KR960) {
        if (g_pUnitHost)
            g_pUnitHost->OnUnitRemoved(slot, family.model());
    } else {
        node->IpText.clear();
    }
    family.RemoveNode(slot);
    // The option card was the leaving unit's: a unit that holds the slot
    // later is polled and controlled by what it reports itself. A KR-960's
    // 8-channel stand-in going leaves the KR-960 its card.
    if (!std::as_const(g_Family_KR960).FindUnit(slot) && !std::as_const(g_Family_KR960_8).FindUnit(slot))
        g_UnitOption[slot].clear();
    PublishSlotHolder(slot);
}
