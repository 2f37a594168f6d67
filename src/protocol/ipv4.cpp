#include "protocol/ipv4.h"

#include <algorithm>
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

bool IsBadIpString(const std::string& text)
{
    if (text.empty())
        return true;
    if (std::any_of(text.begin(), text.end(),
                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        return true;
    return std::count(text.begin(), text.end(), '.') != 3;
}
