#pragma once

#include <cstddef>
#include <cstdint>

// Which handler an incoming datagram goes to. The length alone separates
// the KR-9X (97 bytes) from the 132-byte models; among those the format code
// must be 3 and bit 0 of the option flags picks the KR-960 (set) or the
// KR-960/8 (clear).
enum class DatagramRoute {
    Ignored,      // any other length: not counted, not handed on
    CountedOnly,  // 132 bytes with another format code: counted, not handed on
    KR9X,
    KR960,
    KR960_8,
};

constexpr std::size_t kPacket97Size = 97;
// Longest datagram that is read; anything longer is recognised and dropped.
constexpr std::size_t kReceiveBufferSize = 300;

DatagramRoute RouteDatagram(const std::uint8_t* data, std::size_t size);

// True when a KR-960 or KR-960/8 datagram (132 bytes) states an address and
// mask that no unit can have.
bool StatesImpossibleAddress(const std::uint8_t* datagram132);

// The slot a unit datagram of this route speaks for: a unit ID in its
// model's range, from an address a unit can have (a KR-960 or KR-960/8 states
// its address and mask in the datagram, a KR-9X is known by the address it
// sends from, fromAddress, host order); 0 for anything else.
int SlotOfDatagram(DatagramRoute route, const std::uint8_t* data, std::size_t size, std::uint32_t fromAddress);

// True for the routes that count as a received unit datagram.
constexpr bool CountsAsReceived(DatagramRoute r)
{
    return r != DatagramRoute::Ignored;
}
