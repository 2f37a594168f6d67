#include "protocol/known_units.h"

#include "protocol/unit_packet132.h"
#include "protocol/unit_packet97.h"

std::uint64_t KnownUnits::KeyOf(const std::uint8_t* mac)
{
    std::uint64_t key = std::uint64_t(1) << 48;
    for (std::size_t i = 0; i < 6; ++i)
        key |= std::uint64_t(mac[i]) << (8 * i);
    return key;
}

void KnownUnits::Publish(int slot, const std::uint8_t* mac)
{
    if (slot < 1 || slot > kSlotCount)
        return;
    m_holder[std::size_t(slot)].store(mac ? KeyOf(mac) : 0, std::memory_order_relaxed);
}

void KnownUnits::ForgetAll()
{
    for (std::atomic<std::uint64_t>& holder : m_holder)
        holder.store(0, std::memory_order_relaxed);
}

bool KnownUnits::IsReportOfKnownUnit(DatagramRoute route, const std::uint8_t* data, std::size_t size,
                                     std::uint32_t fromAddress) const
{
    const int slot = SlotOfDatagram(route, data, size, fromAddress);
    if (slot < 1)
        return false;
    static_assert(p132::kMac == p97::kMac, "both formats carry the MAC at the same offset");
    return m_holder[std::size_t(slot)].load(std::memory_order_relaxed) == KeyOf(data + p132::kMac);
}
