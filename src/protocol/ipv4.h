#pragma once

#include <cstdint>
#include <string>

// IPv4 addresses as the unit datagrams carry them: four bytes in network order.

// Dotted text of four bytes, first byte first ("192.168.1.20").
std::string DottedText(const std::uint8_t* networkOrderBytes);
// Dotted text of an address held as a host-order number (0xC0A80114).
std::string DottedText(std::uint32_t hostOrder);

// True for an address (host order) that no unit can have, so nothing may be
// sent there: 0.0.0.0/8 ("this network", which Linux takes for this computer),
// 255.255.255.255, a multicast group (224.0.0.0/4), and the broadcast address
// of the unit's own subnet when mask (host order; 0 when the unit states
// none) is a real subnet mask with room for a broadcast (a /30 or wider).
// Loopback addresses are allowed.
bool IsImpossibleUnitAddress(std::uint32_t address, std::uint32_t mask);

// The host-order number of four network-order bytes.
inline std::uint32_t AddressFromBytes(const std::uint8_t* b)
{
    return (std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) | (std::uint32_t(b[2]) << 8)
        | std::uint32_t(b[3]);
}
