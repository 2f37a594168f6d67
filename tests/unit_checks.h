#pragma once

// Small helpers the suites that play units share: a free loopback port, the
// status codes a slot may hold, and a MAC as text for failure messages.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <sstream>
#include <string>

#include "protocol/unit_tables.h"

// A UDP port on loopback that nothing holds at the moment of asking.
inline std::uint16_t FreeUdpPort()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

inline bool DefinedStatus(int status)
{
    switch (status) {
    case UNIT_STATUS_NONE:
    case UNIT_INACTIVE:
    case UNIT_ACTIVE:
    case UNIT_OFFLINE:
    case UNIT_CONFLICT:
    case UNIT_NOW_OFFLINE:
    case UNIT_WRONG_UNIT_ID:
    case UNIT_BAD_TEMP_OR_POWER_SUPPLY:
    case UNIT_AUX_POWER_ON:
    case UNIT_BAD_IP_ADDRESS:
    case UNIT_LOCAL_MODE:
    case UNIT_AUX_POWER_SUPPLY_FAILURE:
        return true;
    default:
        return false;
    }
}

template <typename Mac>
std::string MacText(const Mac& mac)
{
    std::ostringstream out;
    out << std::hex;
    for (std::size_t i = 0; i < mac.size(); ++i)
        out << (i ? ":" : "") << int(mac[i]);
    return out.str();
}
