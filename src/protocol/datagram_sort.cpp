#include "protocol/datagram_sort.h"

#include "protocol/bytes.h"
#include "protocol/unit_packet132.h"

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
