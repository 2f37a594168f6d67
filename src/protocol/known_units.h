#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "protocol/datagram_sort.h"
#include "protocol/numbering.h"

// Which unit holds each slot, by its MAC, as the GUI thread (which owns the
// unit lists) publishes it for the receive thread, which must not walk those
// lists. A datagram whose slot and MAC are those of a unit on line is that
// unit's report and costs the GUI thread what a report costs; anything else
// (a unit new to its slot, one that took a new ID, one in conflict or out of
// range) may cost far more. When the queue to the GUI thread is full, the
// reports of the units on line are kept before the rest.
//
// One 64-bit word per slot: publishing never waits for the receive thread,
// and a lookup is a few loads.
class KnownUnits {
public:
    // GUI thread: mac (6 bytes) holds the slot now; null when nothing does.
    void Publish(int slot, const std::uint8_t* mac);
    // GUI thread: no slot is held.
    void ForgetAll();
    // Any thread: whether the datagram (of its route, from fromAddress, host
    // order) is the report of the unit that holds the slot it speaks for.
    bool IsReportOfKnownUnit(DatagramRoute route, const std::uint8_t* data, std::size_t size,
                             std::uint32_t fromAddress) const;

private:
    // The MAC in the low 48 bits, bit 48 set: never 0, which means "nobody".
    static std::uint64_t KeyOf(const std::uint8_t* mac);

    std::array<std::atomic<std::uint64_t>, kSlotCount + 1> m_holder{};
};
