#pragma once

#include <cstdint>
#include <string>

// IPv4 addresses as the unit datagrams carry them: four bytes in network order.

// Dotted text of four bytes, first byte first ("192.168.1.20").
std::string DottedText(const std::uint8_t* networkOrderBytes);
// Dotted text of an address held as a host-order number (0xC0A80114).
std::string DottedText(std::uint32_t hostOrder);

// True when the text cannot be a dotted address: empty, a byte of 0x80 or
// above, or other than exactly three dots.
bool IsBadIpString(const std::string& text);

// The host-order number of four network-order bytes.
inline std::uint32_t AddressFromBytes(const std::uint8_t* b)
{
    return (std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) | (std::uint32_t(b[2]) << 8)
        | std::uint32_t(b[3]);
}
