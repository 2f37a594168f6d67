#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Bit and byte-order helpers for the unit datagrams. Every multi-byte field
// is read and written byte by byte at a named offset; nothing casts a struct
// onto a buffer.

inline void SetBit(int bit, int on, std::uint8_t* byte)
{
    if (on)
        *byte = static_cast<std::uint8_t>(*byte | (1u << bit));
    else
        *byte = static_cast<std::uint8_t>(*byte & ~(1u << bit));
}

inline int GetBit(int bit, std::uint8_t byte)
{
    return (byte >> bit) & 1;
}

inline std::uint16_t ReadBe16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

inline std::uint32_t ReadBe32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8)
        | std::uint32_t(p[3]);
}

inline void WriteBe16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}

inline void WriteBe32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

// Little-endian: the order in which the stored copy of a unit's datagram
// keeps its converted numbers.
inline std::uint16_t ReadLe16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t ReadLe32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
        | (std::uint32_t(p[3]) << 24);
}

inline void WriteLe16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void WriteLe32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

// Reverses n bytes in place: big-endian on the wire <-> little-endian stored.
inline void ReverseBytes(std::uint8_t* p, std::size_t n)
{
    for (std::size_t i = 0; i < n / 2; ++i) {
        const std::uint8_t t = p[i];
        p[i] = p[n - 1 - i];
        p[n - 1 - i] = t;
    }
}

// Byte order of the network for 16- and 32-bit numbers held in memory.
std::uint16_t NetToHostShort(std::uint16_t v);
std::uint32_t NetToHostLong(std::uint32_t v);
