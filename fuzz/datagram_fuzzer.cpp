// Feeds arbitrary bytes to the datagram handling: the input is read as a run
// of datagrams, each led by one byte that picks its length and how far the
// clock moves before it (and, for a 97-byte one, whether its unit ID is
// forced into the KR-9X range). Between datagrams the senders' builders, the
// control edits and the watchdog run over whatever units exist.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "protocol/datagram_sort.h"
#include "protocol/packet_handler132.h"
#include "protocol/packet_handler_kr9x.h"
#include "protocol/sender132.h"
#include "protocol/sender_kr9x.h"
#include "protocol/quiet_unit_host.h"
#include "protocol/unit_network.h"
#include "protocol/watchdog.h"

namespace {

// Traps on a meter level for a channel that does not exist.
class CheckingHost : public QuietUnitHost {
public:
    void DrawMeterDb(int channel, float) override
    {
        if (channel < 0 || channel >= kChannelCount)
            __builtin_trap();
    }
};

const char* const kControlNames[] = {"Gain", "Mute", "Pol", "Pad", "48v", "Rbin",
                                     "Split", "Sqrt", "HardwareMode", "Link"};

void Exercise(UnitFamily132& family, std::uint8_t selector)
{
    for (const int slot : family.SlotsInOrder()) {
        UnitNode132* node = family.FindUnit(slot);
        if (!node)
            continue;
        UnitPacket132 out;
        ComposeState132(family.model(), *node, selector, 100, out);
        ApplyControl132(family.model(), *node, kControlNames[selector % 10], selector % 20 - 2,
                        float(selector) * 1.7f);
        ComposeControl132(family.model(), *node, selector, selector & 1, out);
        ComposeNetConfig132(family.model(), *node, 0x7F000001u + selector, 0xFFFFFF00u, out);
    }
}

void ExerciseKR9X(std::uint8_t selector)
{
    for (const int slot : g_Family_KR9X.SlotsInOrder()) {
        UnitNodeKR9X* node = g_Family_KR9X.FindUnit(slot);
        if (!node)
            continue;
        UnitPacket97 out;
        ComposeStateKR9X(*node, selector, 100, out);
        ApplyControlKR9X(*node, kControlNames[selector % 10], selector % 20 - 2,
                         float(selector) * 1.7f);
        ComposeControlKR9X(*node, selector, out);
    }
    int slot = 0;
    int channel = 0;
    if (FindUnitForChannel_KR9X(256 + selector % 128, &slot, &channel)
        && (channel < 0 || channel > 7 || slot < 33 || slot > 48))
        __builtin_trap();
    for (int s = 33; s <= 48; ++s)
        SuppliesInRange_KR9X(s);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static CheckingHost host;
    g_pUnitHost = &host;
    g_pNetwork = nullptr; // nothing leaves the process
    ResetProtocolState();
    host.now = 0;

    while (size > 0) {
        const std::uint8_t lead = data[0];
        ++data;
        --size;
        // Mostly the two unit sizes, sometimes any length up to the buffer.
        std::size_t length = (lead & 3) == 0 ? 97 : (lead & 3) == 3 ? (lead * 7u) % 301u : 132;
        std::uint8_t buffer[kReceiveBufferSize] = {};
        const std::size_t take = length < size ? length : size;
        std::memcpy(buffer, data, take);
        data += take;
        size -= take;
        host.now += (lead >> 2) * 40u;

        UnitPacket132 packet{};
        std::memcpy(packet.data(), buffer, packet.size());
        switch (RouteDatagram(buffer, length)) {
        case DatagramRoute::KR9X: {
            UnitPacket97 packet97{};
            std::memcpy(packet97.data(), buffer, packet97.size());
            // Half of them get a unit ID in range, so units come and go.
            if (lead & 0x40)
                packet97[p97::kUnitId] = std::uint8_t(17 + packet97[p97::kUnitId] % 16);
            HandlePacketKR9X(packet97, 0x7F000004u);
            break;
        }
        case DatagramRoute::KR960:
            HandlePacket132(g_Family_KR960, packet, 0x7F000002u);
            break;
        case DatagramRoute::KR960_8:
            // As the program does: a KR-960 in local mode sends the 8-channel
            // form and is still its own.
            HandlePacket132(FamilyForDatagram(packet), packet, 0x7F000003u);
            break;
        default:
            break;
        }
        Exercise(g_Family_KR960, lead);
        Exercise(g_Family_KR960_8, lead);
        ExerciseKR9X(lead);
        if (lead & 0x80)
            WatchdogTimerProc();
    }
    return 0;
}
