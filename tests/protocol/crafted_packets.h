#pragma once

// A unit's first datagram written out byte by byte, so tests compare what
// the program sends with values worked out by hand.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <utility>

#include "protocol/unit_packet132.h"
#include "protocol/unit_packet97.h"

struct Crafted132 {
    // The first datagram of a unit with the given ID and option byte.
    static UnitPacket132 First(std::uint8_t unitId, std::uint8_t option,
                               std::uint8_t statusByte = 0x23)
    {
        UnitPacket132 p{};
        const std::uint8_t head[] = {
            'K', 'O', 'V', 'A', 0x01, unitId, 0x03, 0x5A,  // magic, source, ID, format, 0x07
            0x00, 0x1C, 0x2D, 0x3E, 0x4F, 0x50,           // MAC
            0x01, 0x02, 0x03, 0x04,                       // FrmVer
            0x05, 0x06, 0x07, 0x08,                       // GUIVer
            0x09, 0x0A, 0x0B, 0x0C,                       // KRSeg
            0x0D, 0x0E, 0x0F, 0x10,                       // PCSeq
            0x0D,                                         // StatusFlags: identify, advanced, snake
            0x00, 0xC8,                                   // ERate 200 ms
            option,
        };
        static_assert(sizeof head == 0x22);
        std::copy(std::begin(head), std::end(head), p.begin());
        for (int n = 0; n < 16; ++n) {
            std::uint8_t* r = &p[0x22 + 5 * n];
            r[0] = std::uint8_t(10 + n);    // meter
            r[1] = std::uint8_t(0x80 + n);  // meter 2
            r[2] = std::uint8_t(20 + n);    // gain code
            r[3] = std::uint8_t(n & 3);     // split value
            r[4] = n % 3 == 0 ? 0x21 : n % 3 == 1 ? 0x92 : 0x04; // Pad+Mute / 48v+Pol+changed / Rbin
        }
        const std::uint8_t tail[] = {
            statusByte, 0xA1, 0xA2, 41, 0xB6, 0xB7,       // 0x72 .. 0x77
            0xC1, 0xC2, 0xC3, 0xC4,                       // 0x78
            0xC0, 0xA8, 0x01, 0x14,                       // 192.168.1.20
            0xFF, 0xFF, 0xFF, 0x00,                       // 255.255.255.0
        };
        std::copy(std::begin(tail), std::end(tail), p.begin() + 0x72);
        return p;
    }

    // A copy of p with bytes replaced at the given offsets.
    static UnitPacket132 With(UnitPacket132 p,
                              std::initializer_list<std::pair<std::size_t, std::initializer_list<int>>>
                                  changes)
    {
        for (const auto& [offset, bytes] : changes) {
            std::size_t at = offset;
            for (int b : bytes)
                p[at++] = std::uint8_t(b);
        }
        return p;
    }
};

struct Crafted97 {
    // The first datagram of a KR-9X with the given ID and option byte: every
    // field distinct, supplies and temperature in range (48.0, 24.0, 5.0,
    // 3.3 V, 41 degrees), server address 192.168.1.20.
    static UnitPacket97 First(std::uint8_t unitId, std::uint8_t option,
                              std::uint8_t statusByte = 0x23)
    {
        UnitPacket97 p{};
        const std::uint8_t head[] = {
            'K', 'O', 'V', 'A', 0x01, unitId, 0x11, 0x22, // magic, source, ID, format bytes
            0x00, 0x1C, 0x2D, 0x3E, 0x4F, 0x61,           // MAC
            0x01, 0x02, 0x03, 0x04,                       // FrmVer
            0x05, 0x06, 0x07, 0x08,                       // GUIVer
            0x09, 0x0A, 0x0B, 0x0C,                       // KRSeg
            0x0D, 0x0E, 0x0F, 0x10,                       // PCSeq
            0x0D,                                         // StatusFlags
            0x00, 0xC8,                                   // ERate 200 ms
            option,
        };
        static_assert(sizeof head == 0x22);
        std::copy(std::begin(head), std::end(head), p.begin());
        for (int n = 0; n < 8; ++n) {
            std::uint8_t* r = &p[0x22 + 6 * n];
            r[0] = 0x01;                    // Pk: positive,
            r[1] = std::uint8_t(10 + n);    //     10 + n
            r[2] = 0x00;                    // Avg: negative,
            r[3] = std::uint8_t(0x30 + n);  //      0x30 + n
            r[4] = std::uint8_t(20 + n);    // gain code
            r[5] = n % 3 == 0 ? 0x11 : n % 3 == 1 ? 0x0A : 0x84; // Link+Mute / 48v+Pol / Pad+changed
        }
        const std::uint8_t tail[] = {
            statusByte, 0xA1, 0xA2,                       // 0x52 .. 0x54
            96, 120, 50, 33, 41,                          // supplies, temperature
            0xB1, 0xB2, 0xB3,                             // 0x5A .. 0x5C
            0x14, 0x01, 0xA8, 0xC0,                       // 192.168.1.20, low byte first
        };
        static_assert(0x52 + sizeof tail == 97);
        std::copy(std::begin(tail), std::end(tail), p.begin() + 0x52);
        return p;
    }

    static UnitPacket97 With(UnitPacket97 p,
                             std::initializer_list<std::pair<std::size_t, std::initializer_list<int>>>
                                 changes)
    {
        for (const auto& [offset, bytes] : changes) {
            std::size_t at = offset;
            for (int b : bytes)
                p[at++] = std::uint8_t(b);
        }
        return p;
    }
};
