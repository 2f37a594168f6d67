// A long seeded run of the unit network: two dozen units of the three models
// report, fall silent, come back, change their IDs, fight over IDs, go into
// local mode and report faults, mixed with malformed datagrams, while the
// clock runs (across its wrap) and the off-line watchdog ticks. The lists,
// counts and tables are checked against each other throughout.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "crafted_packets.h"
#include "fake_host.h"
#include "protocol/bytes.h"
#include "protocol/datagram_sort.h"
#include "protocol/packet_handler132.h"
#include "protocol/packet_handler_kr9x.h"
#include "protocol/unit_status.h"
#include "protocol/watchdog.h"
#include "support/unit_list_checks.h"

namespace {

constexpr unsigned kSeed = 20240611;
constexpr int kSteps = 100000;
constexpr int kCheckEvery = 25;

enum class Mode { Normal, Local, Fault };

struct SimUnit {
    UnitType model = UNIT_TYPE_UNUSED;
    MacAddress mac{};
    int id = 0;
    Mode mode = Mode::Normal;
    std::uint64_t silentUntil = 0; // elapsed ms; the unit says nothing before
    std::uint8_t ipLast = 0;
};

int SlotOf(const SimUnit& u)
{
    return UnitNumberToSlot(u.id);
}

class Soak : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProtocolState();
        // Start close to the wrap of the millisecond counter, so the run crosses it.
        host.now = kStartMs;
    }
    void TearDown() override { ResetProtocolState(); }

    static constexpr std::uint32_t kStartMs = 0xFFFFFFFFu - 60000u;

    // The way every datagram takes from the socket to its handler: the
    // receive thread's length check and route, then the GUI thread's
    // dispatch by route.
    void Deliver(const std::vector<std::uint8_t>& bytes, std::uint32_t fromAddress)
    {
        if (bytes.size() > kReceiveBufferSize)
            return;
        const DatagramRoute route = RouteDatagram(bytes.data(), bytes.size());
        if (route == DatagramRoute::KR9X) {
            UnitPacket97 p{};
            std::copy_n(bytes.begin(), p.size(), p.begin());
            macsFed.insert(MacOf(&p[p97::kMac]));
            HandlePacketKR9X(p, fromAddress);
        } else if (route == DatagramRoute::KR960 || route == DatagramRoute::KR960_8) {
            UnitPacket132 p{};
            std::copy_n(bytes.begin(), p.size(), p.begin());
            macsFed.insert(MacOf(&p[p132::kMac]));
            UnitFamily132& family =
                route == DatagramRoute::KR960 ? g_Family_KR960 : FamilyForDatagram(p);
            familiesOfMac[MacOf(&p[p132::kMac])] |= &family == &g_Family_KR960 ? 1 : 2;
            HandlePacket132(family, p, fromAddress);
        }
    }

    static MacAddress MacOf(const std::uint8_t* at)
    {
        MacAddress mac;
        std::copy_n(at, mac.size(), mac.begin());
        return mac;
    }

    template <typename Packet>
    static std::vector<std::uint8_t> Bytes(const Packet& p)
    {
        return std::vector<std::uint8_t>(p.begin(), p.end());
    }

    static std::uint32_t AddressOf(const SimUnit& u) { return 0xC0A80100u | u.ipLast; }

    // What the unit sends in its present mode.
    static std::vector<std::uint8_t> DatagramOf(const SimUnit& u)
    {
        if (u.model == UNIT_TYPE_KR9X) {
            UnitPacket97 p = Crafted97::First(std::uint8_t(u.id), u.mode == Mode::Local ? 0 : 0x01);
            std::copy(u.mac.begin(), u.mac.end(), p.begin() + p97::kMac);
            if (u.mode == Mode::Fault)
                p[p97::kPs48V] = 80; // 40 V
            return Bytes(p);
        }
        const std::uint8_t option = u.mode == Mode::Local ? 0
            : u.model == UNIT_TYPE_KR960                  ? 0x09
                                                          : 0x08;
        UnitPacket132 p = Crafted132::First(std::uint8_t(u.id), option);
        std::copy(u.mac.begin(), u.mac.end(), p.begin() + p132::kMac);
        p[p132::kUnitIp + 3] = u.ipLast;
        if (u.mode == Mode::Fault)
            SetBit(p132::kStatusAuxPower, 1, &p[p132::kStatusFlags]);
        return Bytes(p);
    }

    void Speak(const SimUnit& u)
    {
        Deliver(DatagramOf(u), AddressOf(u));
        ExpectHeardOrInConflict(u);
    }

    // A unit's datagram is either taken (the unit is in a list at its slot)
    // or turned away because another unit holds the slot at this moment;
    // it never vanishes in between.
    void ExpectHeardOrInConflict(const SimUnit& u)
    {
        const int slot = SlotOf(u);
        bool heard = false;
        bool heldByOther = false;
        if (u.model == UNIT_TYPE_KR9X) {
            if (const UnitNodeKR9X* n = std::as_const(g_Family_KR9X).FindUnit(slot))
                (n->Mac == u.mac ? heard : heldByOther) = true;
        } else {
            for (const UnitFamily132* f : {&g_Family_KR960, &g_Family_KR960_8})
                if (const UnitNode132* n = f->FindUnit(slot))
                    (n->Mac == u.mac ? heard : heldByOther) = true;
        }
        if (!heard) {
            ASSERT_TRUE(heldByOther) << "step " << step << ": datagram of " << MacText(u.mac)
                                     << " for slot " << slot << " was lost, status "
                                     << g_UnitStatus[slot];
            EXPECT_EQ(g_UnitStatus[slot], UNIT_CONFLICT) << "step " << step << " slot " << slot;
        }
    }

    void Advance(std::uint32_t ms)
    {
        const std::uint64_t before = elapsed;
        elapsed += ms;
        host.now = kStartMs + std::uint32_t(elapsed);
        // The watchdog's timer fires every period, however the clock got there.
        for (std::uint64_t tick = before / kWatchdogPeriodMs + 1; tick <= elapsed / kWatchdogPeriodMs;
             ++tick)
            WatchdogTimerProc();
    }

    // A datagram that should never have reached a unit list as it is.
    std::vector<std::uint8_t> Malformed(const SimUnit& u)
    {
        std::vector<std::uint8_t> d = DatagramOf(u);
        switch (rng() % 8) {
        case 0: // wrong magic: the handlers go by length and format code alone
            d[rng() % 4] ^= 0x20;
            break;
        case 1: // short
            d.resize(rng() % d.size());
            break;
        case 2: // between the two lengths, or oversized (even beyond the receive buffer)
            d.resize(rng() % 2 ? 98 + rng() % 34 : 133 + rng() % 300, std::uint8_t(rng()));
            break;
        case 3: { // random bytes of a routed length
            d.resize(rng() % 2 ? p97::kSize : p132::kSize);
            for (auto& b : d)
                b = std::uint8_t(rng());
            break;
        }
        case 4: // another format code
            d.resize(p132::kSize);
            d[p132::kFormatCode] = std::uint8_t(4 + rng() % 200);
            break;
        case 5: // unit ID out of every range
            d[p132::kUnitId] = std::uint8_t(rng() % 2 ? 0 : 33 + rng() % 200);
            break;
        case 6: // a stray byte in a unit's datagram anywhere past the MAC
            d[14 + rng() % (d.size() - 14)] = std::uint8_t(rng());
            break;
        default: // the wrong model bit
            if (d.size() == p132::kSize)
                d[p132::kOptionFlags] ^= 0x01;
            break;
        }
        return d;
    }

    // The lists and tables agree, and the watchdog, which ran at most one
    // period ago, left only units heard within the off-line time before it.
    void CheckInvariants()
    {
        SCOPED_TRACE("step " + std::to_string(step));
        const unit_lists::Lists lists = unit_lists::Walk();
        for (const unit_lists::Listed& u : lists.units)
            EXPECT_LE(std::uint32_t(host.now - u.lastHeard), kOfflineAfterMs + kWatchdogPeriodMs)
                << "slot " << u.slot << " outlived the watchdog";
        EXPECT_LE(lists.units.size(), macsFed.size()); // no more than ever spoke
        unit_lists::CheckSlotTables(lists, [&](const unit_lists::Listed& u) {
            return u.type != UNIT_TYPE_KR9X && familiesOfMac[u.mac] == 3;
        });
        // The recording host keeps everything; the run only needs the latest.
        host.messages.clear();
        host.notices.clear();
        host.added.clear();
        host.removed.clear();
        host.setUnused.clear();
    }

    FakeHost host;
    std::mt19937 rng{kSeed};
    std::uint64_t elapsed = 0;
    int step = 0;
    std::set<MacAddress> macsFed;
    std::map<MacAddress, int> familiesOfMac; // bit 0: heard as KR-960, bit 1: as KR-960/8
};

} // namespace

TEST_F(Soak, TwoDozenUnitsComeAndGoWithoutTheListsAndTablesDrifting)
{
    std::vector<SimUnit> units;
    for (int i = 0; i < 24; ++i) {
        SimUnit u;
        u.model = i < 8 ? UNIT_TYPE_KR960 : i < 16 ? UNIT_TYPE_KR960_8 : UNIT_TYPE_KR9X;
        u.mac = {0x02, 0x1C, std::uint8_t(u.model), std::uint8_t(0x40 + i), 0x5A, std::uint8_t(i + 1)};
        // 132-byte units share IDs 1..16 between both models; KR-9X 17..24 at first.
        u.id = i < 16 ? i + 1 : kFirstUnitIdKR9X + (i - 16);
        u.ipLast = std::uint8_t(10 + i);
        units.push_back(u);
    }
    const auto idRange = [](const SimUnit& u) {
        return u.model == UNIT_TYPE_KR9X ? std::pair(kFirstUnitIdKR9X, kLastUnitIdKR9X) : std::pair(1, 16);
    };

    for (step = 0; step < kSteps; ++step) {
        Advance(rng() % 41);
        SimUnit& u = units[rng() % units.size()];
        const unsigned action = rng() % 100;
        if (action < 72) {
            if (elapsed >= u.silentUntil)
                Speak(u);
        } else if (action < 78) {
            const unsigned m = rng() % 4;
            u.mode = m == 0 ? Mode::Local : m == 1 ? Mode::Fault : Mode::Normal;
        } else if (action < 81) {
            // Silent long enough for the watchdog, or just a hiccup.
            u.silentUntil = elapsed + (rng() % 3 ? 2200 + rng() % 5000 : rng() % 1500);
        } else if (action < 83) {
            const auto [low, high] = idRange(u);
            u.id = low + int(rng() % unsigned(high - low + 1));
        } else if (action < 85) {
            // Takes the ID of another unit of the same ID range.
            const SimUnit& other = units[rng() % units.size()];
            if ((other.model == UNIT_TYPE_KR9X) == (u.model == UNIT_TYPE_KR9X))
                u.id = other.id;
        } else {
            Deliver(Malformed(u), rng() % 4 ? AddressOf(u) : std::uint32_t(rng()));
        }
        if (HasFatalFailure() || HasFailure())
            return;
        if (step % kCheckEvery == 0) {
            CheckInvariants();
            if (HasFailure())
                return;
        }
    }
    CheckInvariants();
    ASSERT_FALSE(HasFailure());
    EXPECT_LT(kStartMs + std::uint32_t(elapsed), kStartMs) << "the clock should have wrapped";

    // Everyone falls silent: within two watchdog periods past the off-line
    // time every unit is off line, and nothing of it stays behind.
    Advance(kOfflineAfterMs + 2 * kWatchdogPeriodMs);
    CheckInvariants();
    EXPECT_TRUE(g_Family_KR960.nodes().empty());
    EXPECT_TRUE(g_Family_KR960_8.nodes().empty());
    EXPECT_TRUE(g_Family_KR9X.nodes().empty());
    EXPECT_EQ(g_Family_KR960.liveCount, 0);
    EXPECT_EQ(g_Family_KR960_8.liveCount, 0);
    EXPECT_EQ(g_Family_KR9X.liveCount, 0);
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        EXPECT_EQ(g_UnitOnline[slot], 0) << "slot " << slot;
        EXPECT_EQ(g_UnitOfflineLatch[slot], 0) << "slot " << slot;
        EXPECT_TRUE(g_UnitStatus[slot] == UNIT_OFFLINE || g_UnitStatus[slot] == UNIT_INACTIVE)
            << "slot " << slot << ": " << g_UnitStatus[slot];
    }

    // And every unit is welcome back in its slot once it speaks again.
    for (SimUnit& u : units) {
        u.mode = Mode::Normal;
        u.silentUntil = 0;
    }
    std::set<std::pair<bool, int>> taken; // KR-9X or not, slot
    for (const SimUnit& u : units) {
        if (!taken.insert({u.model == UNIT_TYPE_KR9X, SlotOf(u)}).second)
            continue; // the ID is shared: the first to speak keeps it
        Deliver(DatagramOf(u), AddressOf(u));
        const MacAddress* heard = nullptr;
        if (u.model == UNIT_TYPE_KR9X) {
            if (const UnitNodeKR9X* n = std::as_const(g_Family_KR9X).FindUnit(SlotOf(u)))
                heard = &n->Mac;
        } else if (const UnitNode132* n = (u.model == UNIT_TYPE_KR960 ? g_Family_KR960 : g_Family_KR960_8)
                                              .FindUnit(SlotOf(u))) {
            heard = &n->Mac;
        }
        ASSERT_NE(heard, nullptr) << MacText(u.mac) << " slot " << SlotOf(u) << " status " << g_UnitStatus[SlotOf(u)];
        EXPECT_EQ(*heard, u.mac);
        EXPECT_EQ(g_UnitStatus[SlotOf(u)], UNIT_ACTIVE);
    }
    CheckInvariants();
}
