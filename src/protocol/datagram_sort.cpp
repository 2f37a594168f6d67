#include "protocol/datagram_sort.h"

#include "protocol/bytes.h"
#include "protocol/ipv4.h"
#include "protocol/numbering.h"
#include "protocol/unit_list_kr9x.h"
#include "protocol/unit_packet132.h"
#include "protocol/unit_packet97.h"

DatagramRoute RouteDatagram(const std::uint8_t* data, std::size_t size)
{
    if (size == kPacket97Size)
        return DatagramRoute::KR9X;
    if (size != p132::kSize)
        return DatagramRoute::Ignored;
    if (data[p132::kFormatCode] != p132::kFormatCodeValue)
        return DatagramRoute::CountedOnly;
    return GetBit(p132::kOption16Channels, data[p132::kOptionFlags]) ? DatagramRoute::KR960
                                                                     : DatagramRoute::KR960_8;
}

bool StatesImpossibleAddress(const std::uint8_t* datagram132)
{
    return IsImpossibleUnitAddress(AddressFromBytes(&datagram132[p132::kUnitIp]),
                                   AddressFromBytes(&datagram132[p132::kSubnetMask]));
}

int SlotOfDatagram(DatagramRoute route, const std::uint8_t* data, std::size_t size, std::uint32_t fromAddress)
{
    switch (route) {
    case DatagramRoute::KR9X: {
        if (size < p97::kSize)
            return 0;
        const int id = data[p97::kUnitId];
        if (id < kFirstUnitIdKR9X || id > kLastUnitIdKR9X || IsImpossibleUnitAddress(fromAddress, 0))
            return 0;
        return id + kSlotOffsetKR9X;
    }
    case DatagramRoute::KR960:
    case DatagramRoute::KR960_8: {
        if (size < p132::kSize)
            return 0;
        const int id = data[p132::kUnitId];
        if (id < 1 || id > 16 || StatesImpossibleAddress(data))
            return 0;
        return UnitNumberToSlot(id);
    }
    default:
        return 0;
    }
}
