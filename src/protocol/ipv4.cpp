#include "protocol/ipv4.h"

#include <cstdio>

std::string DottedText(const std::uint8_t* b)
{
    char text[20];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return text;
}

std::string DottedText(std::uint32_t a)
{
    const std::uint8_t b[4] = {std::uint8_t(a >> 24), std::uint8_t(a >> 16), std::uint8_t(a >> 8),
                               std::uint8_t(a)};
    return DottedText(b);
}

bool IsImpossibleUnitAddress(std::uint32_t address, std::uint32_t mask)
{
    if ((address >> 24) == 0 || address == 0xFFFFFFFFu || (address >> 28) == 0xE)
        return true;
    const std::uint32_t hostBits = ~mask;
    // A subnet mask is a run of ones from the top; the host part then is a
    // run of ones from the bottom, and one of at least two bits holds a
    // broadcast address.
    const bool realMask = mask != 0 && (hostBits & (hostBits + 1)) == 0;
    return realMask && hostBits >= 3 && (address & hostBits) == hostBits;
}
