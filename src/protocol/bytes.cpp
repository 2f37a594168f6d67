#include "protocol/bytes.h"

#include <arpa/inet.h>

std::uint16_t NetToHostShort(std::uint16_t v)
{
    return ntohs(v);
}

std::uint32_t NetToHostLong(std::uint32_t v)
{
    return ntohl(v);
}
