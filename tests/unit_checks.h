#pragma once

// Small helpers the suites that play units share: a free loopback port, the
// status codes a slot may hold, and a MAC as text for failure messages.

#include <cstdint>
#include <sstream>
#include <string>

#include "protocol/unit_tables.h"
#include "support/loopback_port.h"

// A UDP port on loopback that nothing holds at the moment of asking.
inline std::uint16_t FreeUdpPort()
{
    return LoopbackPort().port();
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
