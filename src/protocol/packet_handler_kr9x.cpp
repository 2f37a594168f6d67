#include "protocol/packet_handler_kr9x.h"

#include <cstdio>

#include "protocol/bytes.h"
#include "protocol/ipv4.h"
#include "protocol/network_core.h"
#include "protocol/sender_kr9x.h"
#include "protocol/unit_host.h"
#include "protocol/unit_network.h"
#include "protocol/unit_status.h"

using namespace p97;

namespace {

MacAddress MacOf(const UnitPacket97& p)
{
    MacAddress mac;
    for (std::size_t i = 0; i < mac.size(); ++i)
        mac[i] = p[kMac + i];
    return mac;
}

void Notice(const char* caption, const std::string& text, bool restartNow)
{
    if (g_pUnitHost)
        g_pUnitHost->ShowNotice(caption, text, restartNow);
}

// Numbers the stored copy keeps in the computer's (little-endian) order.
void ConvertStoredNumbers(UnitPacket97& p)
{
    for (std::size_t n = 0; n < kRecordCount; ++n) {
        ReverseBytes(&p[RecordOffset(n) + kRecPk], 2);
        ReverseBytes(&p[RecordOffset(n) + kRecAvg], 2);
    }
    for (std::size_t offset : {kFrmVer, kGuiVer, kKrSeg, kPcSeq, kServIp})
        ReverseBytes(&p[offset], 4);
    ReverseBytes(&p[kERate], 2);
}

} // namespace

void HandlePacketKR9X(const UnitPacket97& received, std::uint32_t fromAddress, std::uint32_t heardMs)
{
    if (g_pNetwork && g_pNetwork->g_StopReceiveThread.load())
        return;
    UnitPacket97 datagram = received;
    const int id = datagram[kUnitId];

    if (id < kFirstUnitIdKR9X || id > kLastUnitIdKR9X) {
        char text[512];
        std::snprintf(text, sizeof text,
                      "You have chosen to set an KR9X-type Unit ID to Unit %d.\n\nThe program is "
                      "configured for KR9X-type Units to occupy only units %d through %d. \nPlease "
                      "use a Unit ID number between %d and %d.\n\n",
                      id, kFirstUnitIdKR9X, kLastUnitIdKR9X, kFirstUnitIdKR9X, kLastUnitIdKR9X);
        Notice("Error in KOVA Header", text, false);
        return;
    }
    const int slot = id + kSlotOffsetKR9X;
    const std::string ipText = DottedText(fromAddress);
    // Everything for the unit goes to where its datagrams come from, so a
    // source that no unit can have is refused like a malformed one.
    if (IsImpossibleUnitAddress(fromAddress, 0)) {
        Notice("Error With Bad IP Address",
               "The KR-9X Unit ID has a bad IP Address. Please correct it.", true);
        SetUnitStatus(slot, UNIT_BAD_IP_ADDRESS);
        return;
    }
    if (IsMacConflict_KR9X(slot, MacOf(datagram))) {
        SetUnitStatus(slot, UNIT_CONFLICT);
        char text[256];
        std::snprintf(text, sizeof text,
                      "The KR-9X Unit ID %d is in conflict with another unit of the same Unit ID. "
                      "Please correct it.",
                      id);
        Notice("Unit ID Conflict", text, true);
        return;
    }
    datagram[kUnitId] = static_cast<std::uint8_t>(slot);

    UnitNodeKR9X* node = FindUnit_KR9X(slot);
    if (node) {
        // Heard from now, even if what follows shows a box before the
        // handling ends.
        node->LastHeardTime = heardMs;
    } else {
        AddNewUnitKR9X(datagram, ipText, fromAddress, heardMs);
        // Adding and sending may show a box, during which the unit may go;
        // the node is looked up afresh after each.
        node = FindUnit_KR9X(slot);
        if (!node)
            return;
        SendUnitState_KR9X(*node);
        node = FindUnit_KR9X(slot);
        if (!node)
            return;
    }

    node->IpText = ipText;
    g_UnitIpText_KR9X[slot] = ipText;
    node->UnitAddr = fromAddress;

    switch (ClassifyPacket_KR9X(*node, datagram)) {
    case kPacketKR9XLocalMode:
        BlinkLocalMode_KR9X(*node, heardMs);
        break;
    case kPacketKR9XSupplyFault:
        SetSupplyFaultStatus_KR9X(*node, true, heardMs);
        break;
    default:
        SetSupplyFaultStatus_KR9X(*node, false, heardMs);
        UpdateUnitFromPacket_KR9X(*node, datagram, heardMs);
        SetUnitStatus(slot, UNIT_ACTIVE);
        break;
    }
}

int ClassifyPacket_KR9X(UnitNodeKR9X& node, const UnitPacket97& datagram)
{
    if (datagram[kOptionFlags] == 0) {
        g_UnitStatus[node.Slot] = UNIT_LOCAL_MODE;
        return kPacketKR9XLocalMode;
    }
    if (HasSupplyFault_KR9X(datagram))
        return kPacketKR9XSupplyFault;
    node.Flags = 0;
    return kPacketKR9XActive;
}

void BlinkLocalMode_KR9X(UnitNodeKR9X& node, std::uint32_t heardMs)
{
    const int slot = node.Slot;
    AdvanceBlink(slot, BlinkDisplay{UNIT_NOW_OFFLINE, UNIT_INACTIVE, UNIT_ACTIVE},
                 g_Family_KR9X.localBlinkStarted[slot], node.BlinkTime, node.LastHeardTime,
                 heardMs);
}

void SetSupplyFaultStatus_KR9X(UnitNodeKR9X& node, bool fault, std::uint32_t heardMs)
{
    const int slot = node.Slot;
    if (!fault) {
        node.Flags = 0;
        g_UnitStatus[slot] = UNIT_ACTIVE;
        return;
    }
    AdvanceBlink(slot,
                 BlinkDisplay{UNIT_BAD_TEMP_OR_POWER_SUPPLY, UNIT_INACTIVE,
                              UNIT_BAD_TEMP_OR_POWER_SUPPLY},
                 g_Family_KR9X.supplyBlinkStarted[slot], node.BlinkTime, node.LastHeardTime,
                 heardMs);
}

void UpdateUnitFromPacket_KR9X(UnitNodeKR9X& node, const UnitPacket97& d, std::uint32_t heardMs)
{
    const int slot = node.Slot;
    node.StatusByte = d[kUnitStatusByte];
    if (node.StatusByte == kUnitStatusLatchValue)
        g_Status1Seen_KR9X = 1;
    StoreSupplies_KR9X(slot, DecodeSuppliesKR9X(d));
    node.Packet[kOptionFlags] = d[kOptionFlags];
    node.LastHeardTime = heardMs;

    if (g_pUnitHost) {
        const int first = (slot - 1) * kChannelsPerUnitKR9X;
        for (std::size_t n = 0; n < kRecordCount; ++n)
            g_pUnitHost->DrawMeterDb(first + int(n),
                                     MeterToDbKR9X(ReadBe16(&d[RecordOffset(n) + kRecPk])));
    }
}

void AddNewUnitKR9X(UnitPacket97 packet, const std::string& ipText, std::uint32_t fromAddress,
                    std::uint32_t heardMs)
{
    const int slot = packet[kUnitId];
    if (slot < kFirstUnitIdKR9X + kSlotOffsetKR9X || slot > kLastUnitIdKR9X + kSlotOffsetKR9X)
        return;
    const SuppliesKR9X supplies = DecodeSuppliesKR9X(packet);
    ConvertStoredNumbers(packet);

    UnitNodeKR9X node{};
    node.Packet = packet;
    node.Mac = MacOf(packet);
    node.IpText = ipText;
    g_UnitIpAddress[slot] = ipText;
    g_UnitMacConflict[slot] = 0;
    ++g_Family_KR9X.liveCount;
    node.Slot = static_cast<std::uint8_t>(slot);
    // The unit's own status byte: the state datagram that answers this one
    // at once must not tell the unit 0.
    node.StatusByte = packet[kUnitStatusByte];
    node.UnitAddr = fromAddress;
    node.LastHeardTime = heardMs;
    node.PeriodMs = static_cast<std::uint16_t>(g_MeterPeriodMs);
    InsertUnitSorted_KR9X(std::move(node));
    PublishSlotHolder(slot);
    ++g_Family_KR9X.unitsAdded;

    StoreSupplies_KR9X(slot, supplies);
    g_UnitOfflineLatch[slot] = 0;
    g_UnitModel[slot] = UNIT_TYPE_KR9X;
    g_UnitOnline[slot] = 1;
    const int first = FirstChannelOfUnit(slot);
    for (int c = first; c < first + kChannelsPerUnitKR9X && c < kChannelCount; ++c)
        g_ChannelUnitType[c] = UNIT_TYPE_KR9X;
    g_SlotModel[slot] = UNIT_TYPE_KR9X;
    SetUnitStatus(slot, UNIT_ACTIVE);

    if (g_pUnitHost) {
        g_pUnitHost->OnUnitAddedKR9X(slot);
        g_pUnitHost->ArmTimer(UnitHost::kTimerSettle, 2000);
    }
}

UnitNodeKR9X* NodeOfDatagramKR9X(const UnitPacket97& datagram, std::uint32_t fromAddress)
{
    const int slot = SlotOfDatagram(DatagramRoute::KR9X, datagram.data(), datagram.size(), fromAddress);
    if (slot < 1)
        return nullptr;
    UnitNodeKR9X* node = FindUnit_KR9X(slot);
    return node && node->Mac == MacOf(datagram) ? node : nullptr;
}

void RemoveUnit_KR9X(int slot)
{
    if (!g_Family_KR9X.FindUnit(slot))
        return;
    if (g_pUnitHost)
        g_pUnitHost->OnUnitRemoved(slot, UNIT_TYPE_KR9X);
    g_Family_KR9X.RemoveNode(slot);
    PublishSlotHolder(slot);
}

void RemoveAllUnits_KR9X()
{
    for (const int slot : g_Family_KR9X.SlotsInOrder())
        RemoveUnit_KR9X(slot);
}
