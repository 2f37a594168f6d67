// A seeded soak of the main window's unit network against emulated units on
// loopback: a dozen units of the three models report through the real
// receive thread and the window's handling while they fall silent and come
// back, change their IDs and fight over them, go into local mode, report
// faults, and mix malformed datagrams in; the clock crosses the wrap of the
// millisecond counter on the way. The lists, tables and window records are
// checked against each other throughout, and at the end against the units
// really on the wire.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMap>

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "dialogs/dialog_result.h"
#include "protocol/numbering.h"
#include "protocol/unit_status.h"
#include "protocol/watchdog.h"
#include "support/emulated_units.h"
#include "support/unit_list_checks.h"

namespace {

using namespace console_test;
using emu::Model;

constexpr unsigned kSeed = 20240917;
constexpr int kRounds = 3;
constexpr int kStepsPerRound = 15000;
constexpr int kCheckEvery = 20;
constexpr int kMaxUnits = 18; // the dozen at the start and the twins that join later
// Half a minute before the 32-bit millisecond counter of the nodes wraps,
// off the watchdog's beat, so that one of its ticks falls shortly before the
// wrap and looks at units heard on both sides of it.
constexpr std::uint64_t kStartMs = 0x100000000ull - 30777;
// A node lives at most this long after its unit was last heard: the
// off-line time, plus up to one watchdog period until the tick that sees it.
constexpr std::uint32_t kHeardWindowMs = kOfflineAfterMs + kWatchdogPeriodMs;

bool Is132(Model model)
{
    return model != Model::KR9X;
}

int UnitType(Model model)
{
    return model == Model::KR960 ? UNIT_TYPE_KR960 : model == Model::KR960_8 ? UNIT_TYPE_KR960_8 : UNIT_TYPE_KR9X;
}

std::string DefaultName(int slot, int type)
{
    const char* name = type == UNIT_TYPE_KR960 ? "KR-960" : type == UNIT_TYPE_KR960_8 ? "KR-960/8" : "KR-9X";
    return "UNIT " + std::to_string(SlotToUnitNumber(slot)) + " - " + name;
}

// KR-9X supplies as raw bytes (48 V, 24 V, 5 V, 3.3 V rails at 0.5, 0.2, 0.1,
// 0.1 V a step), and whether the console must see a fault: the ends of the
// 48 V range and one step past them, and each other rail out of range.
struct SupplyCase {
    emu::Supplies supplies;
    bool fault;
};
const SupplyCase kSupplyCases[] = {
    {{96, 120, 50, 33}, false}, {{92, 120, 50, 33}, false}, {{100, 120, 50, 33}, false},
    {{91, 120, 50, 33}, true},  {{80, 120, 50, 33}, true},  {{96, 100, 50, 33}, true},
    {{96, 120, 39, 33}, true},  {{96, 120, 50, 61}, true},
};
// Temperatures, and whether a KR-9X reports a fault with it (1 to 150 are fine).
const std::pair<std::uint8_t, bool> kTemperatureCases[] = {
    {40, false}, {25, false}, {1, false}, {150, false}, {0, true}, {151, true}, {200, true},
};

// What the test knows of one emulated unit.
struct SimUnit {
    int index = 0; // the emulator's
    Model model = Model::KR960;
    MacAddress mac{};
    std::uint8_t host = 0;
    int id = 0;
    bool silent = false;
    std::uint64_t resumeAt = 0;
    bool local = false;
    bool aux = false;         // 132-byte models: aux power on
    bool supplyFault = false; // KR-9X: a supply out of range
    std::uint8_t temperature = 40;
    bool temperatureFault = false; // KR-9X: out of 1..150
    // The last datagram with the unit's MAC and a valid ID: its slot, when,
    // and whether it is known to have been taken.
    int lastSlot = 0;
    std::uint64_t lastAt = 0;
    bool lastTaken = false;

    bool idValid() const
    {
        return Is132(model) ? id >= 1 && id <= 16 : id >= kFirstUnitIdKR9X && id <= kLastUnitIdKR9X;
    }
    int slot() const { return UnitNumberToSlot(id); }
    bool faulty() const { return !Is132(model) && (supplyFault || temperatureFault); }
};

class UnitSoak : public EmulatedUnitsFixture {
protected:
    UnitSoak() : EmulatedUnitsFixture(kStartMs) {}
    void SetUp() override
    {
        EmulatedUnitsFixture::SetUp();
        SetNoticeHandler([this](const QString& caption, const QString&, bool) { ++m_noticesBy[caption]; });
        SetDialogHandler([this](CSkinnedDialog&) {
            ++m_dialogs;
            return IDCANCEL;
        });
    }
    void TearDown() override
    {
        SetDialogHandler({});
        EmulatedUnitsFixture::TearDown();
    }

    std::uint32_t Now32() const { return std::uint32_t(m_clock.nowMs()); }

    // A unit on the wire; a twin keeps what the unit it copies has been set to.
    void AddUnit(const emu::UnitConfig& config, SimUnit u = {})
    {
        u.index = m_emulator.addUnit(config);
        u.model = config.model;
        u.mac = config.mac;
        u.host = config.hostOctet;
        u.id = config.unitId;
        u.silent = u.local = u.lastTaken = false;
        u.lastSlot = 0;
        u.lastAt = 0;
        m_units.push_back(u);
    }
    SimUnit* UnitOfMac(const MacAddress& mac)
    {
        for (SimUnit& u : m_units)
            if (u.mac == mac)
                return &u;
        return nullptr;
    }

    // Books a datagram as the receive thread will take it: 97 and 132 bytes
    // are counted, and those it hands to the window wait in its queue.
    void Book(const std::vector<std::uint8_t>& bytes)
    {
        const std::size_t size = bytes.size();
        if (size != 97 && size != 132)
            return;
        ++m_counted;
        if (size == 132 && bytes[0x06] != 3)
            return;
        ++m_pending;
        ++m_queuedTotal;
        MacAddress mac;
        std::copy_n(bytes.begin() + 0x08, mac.size(), mac.begin());
        const int id = bytes[0x05];
        const bool valid = size == 97 ? id >= kFirstUnitIdKR9X && id <= kLastUnitIdKR9X : id >= 1 && id <= 16;
        if (valid) {
            const int slot = UnitNumberToSlot(id);
            m_sent[mac][slot] = m_clock.nowMs();
            if (SimUnit* u = UnitOfMac(mac)) {
                u->lastSlot = slot;
                u->lastAt = m_clock.nowMs();
                u->lastTaken = false; // known once the report is checked
            }
        } else {
            ++m_wrongIds; // the operator is told, and that is all
        }
    }

    void SendRaw(const SimUnit& u, const std::vector<std::uint8_t>& bytes)
    {
        ASSERT_TRUE(m_emulator.sendRaw(u.index, bytes)) << bytes.size() << " bytes";
        Book(bytes);
    }

    // Waits until everything sent has reached the queue and lets the window
    // handle it. The last datagram sent is always queued, and loopback keeps
    // the order, so whatever was dropped before it has been dropped by then.
    void Drain()
    {
        ASSERT_TRUE(Net().WaitForQueued(m_pending, kWaitMs)) << "step " << m_step << ": " << m_pending;
        m_dlg->DrainDatagrams();
        m_pending = 0;
        EXPECT_EQ(Net().queuedCount(), 0u) << "step " << m_step;
        EXPECT_EQ(Net().droppedDatagrams.load(), 0u) << "step " << m_step;
        EXPECT_EQ(Net().g_PacketsReceived.load(), m_counted) << "step " << m_step;
        EXPECT_EQ(Net().deliveredCount(), m_queuedTotal) << "step " << m_step;
        EXPECT_EQ(m_noticesBy.value(QStringLiteral("Error in KOVA Header")), m_wrongIds) << "step " << m_step;
        // A node lives for seconds, so a KR-960 taken as a KR-960/8 is seen here.
        for (const UnitNode132& n : g_Family_KR960_8.nodes())
            if (const SimUnit* u = UnitOfMac(n.Mac); u && u->model == Model::KR960)
                m_heardAsBoth.insert(n.Mac);
    }

    // One report of the unit, handled, and what it must have left behind.
    void Report(SimUnit& u)
    {
        ASSERT_FALSE(u.silent);
        const std::vector<std::uint8_t> bytes = m_emulator.reportBytes(u.index);
        ASSERT_TRUE(m_emulator.sendReport(u.index));
        Book(bytes);
        Drain();
        if (u.idValid())
            ExpectTakenOrTurnedAway(u);
    }

    // A report is either taken (the unit is listed at the slot of its ID and
    // the slot shows what it reported) or turned away as a conflict because
    // another unit holds the slot; it never vanishes in between.
    void ExpectTakenOrTurnedAway(SimUnit& u)
    {
        SCOPED_TRACE("step " + std::to_string(m_step) + ", unit " + MacText(u.mac) + " (" + emu::modelName(u.model)
                     + ") ID " + std::to_string(u.id));
        const int slot = u.slot();
        const UnitNode132* heard132 = nullptr;
        const UnitNodeKR9X* heardKR9X = nullptr;
        bool heldByOther = false;
        if (Is132(u.model)) {
            const UnitNode132* a = std::as_const(g_Family_KR960).FindUnit(slot);
            const UnitNode132* b = std::as_const(g_Family_KR960_8).FindUnit(slot);
            const bool inA = a && a->Mac == u.mac;
            const bool inB = b && b->Mac == u.mac;
            heldByOther = (a && !inA) || (b && !inB);
            if (u.model == Model::KR960_8) {
                EXPECT_FALSE(inA) << "a KR-960/8 in the KR-960 list";
                heard132 = inB ? b : nullptr;
            } else if (!u.local) {
                heard132 = inA ? a : nullptr;
            } else {
                // In local mode its model bit is clear: a KR-960 not yet on
                // line under this ID is taken as a KR-960/8.
                heard132 = inA ? a : inB ? b : nullptr;
            }
        } else {
            const UnitNodeKR9X* n = std::as_const(g_Family_KR9X).FindUnit(slot);
            heardKR9X = n && n->Mac == u.mac ? n : nullptr;
            heldByOther = n && !heardKR9X;
        }
        const int status = g_UnitStatus[slot];
        if (!heard132 && !heardKR9X) {
            ASSERT_TRUE(heldByOther) << "the report was lost; status " << status;
            EXPECT_EQ(status, UNIT_CONFLICT);
            ++m_turnedAway;
            return;
        }
        ++m_taken;
        u.lastTaken = true;
        EXPECT_FALSE(heldByOther) << "the slot is held under two MACs";
        const std::uint32_t lastHeard = heard132 ? heard132->LastHeardTime : heardKR9X->LastHeardTime;
        EXPECT_EQ(lastHeard, Now32());
        if (u.local) {
            EXPECT_TRUE(status == UNIT_NOW_OFFLINE || status == UNIT_INACTIVE || status == UNIT_ACTIVE) << status;
            return;
        }
        if (Is132(u.model)) {
            EXPECT_EQ(status, u.aux ? UNIT_AUX_POWER_ON : UNIT_ACTIVE);
            EXPECT_EQ(g_UnitTemperature[slot], float(u.temperature));
        } else if (u.faulty()) {
            EXPECT_TRUE(status == UNIT_BAD_TEMP_OR_POWER_SUPPLY || status == UNIT_INACTIVE) << status;
        } else {
            EXPECT_EQ(status, UNIT_ACTIVE);
            EXPECT_EQ(g_UnitTemperature[slot], float(u.temperature));
        }
    }

    // A datagram that is not a proper report. Units send what they like, so
    // the right size with a wrong header or a KR-9X format code still counts
    // as the unit's report: the console goes by length and the 132-byte
    // format code alone.
    std::vector<std::uint8_t> Malformed(const SimUnit& u)
    {
        std::vector<std::uint8_t> d = m_emulator.reportBytes(u.index);
        const auto randomFill = [&](std::size_t from) {
            for (std::size_t i = from; i < d.size(); ++i)
                d[i] = std::uint8_t(m_rng());
        };
        switch (m_rng() % 7) {
        case 0: // short
            d.resize(m_rng() % 97);
            break;
        case 1: { // a byte short or long of either size
            const std::size_t near[] = {96, 98, 131, 133};
            const std::size_t old = d.size();
            d.resize(near[m_rng() % 4]);
            randomFill(old);
            break;
        }
        case 2: { // oversized, mostly beyond the receive buffer
            const std::size_t old = d.size();
            d.resize(133 + m_rng() % 4000);
            randomFill(old);
            break;
        }
        case 3: // a wrong header
            d[m_rng() % 4] ^= std::uint8_t(1 + m_rng() % 255);
            break;
        case 4: // a wrong format code
            if (d.size() == 132) {
                d[0x06] = std::uint8_t(4 + m_rng() % 255); // anything but 3
            } else {
                d[0x06] ^= 0x5A;
                d[0x07] ^= 0xA5;
            }
            break;
        case 5: // random bytes of a size that is handed on
            d.resize(m_rng() % 2 ? 97 : 132);
            randomFill(0);
            if (d.size() == 132) {
                // The console answers the address a 132-byte datagram states: keep it on loopback.
                d[0x7C] = 127;
                d[0x7D] = 0;
                d[0x7E] = 0;
                d[0x7F] = u.host;
            }
            break;
        default: // random bytes of any size
            d.resize(m_rng() % 2048);
            randomFill(0);
            break;
        }
        return d;
    }

    void Advance(std::uint64_t ms)
    {
        m_timers.advance(ms);
        ExpectRecentUnitsListed();
        for (SimUnit& u : m_units) {
            if (u.silent && m_clock.nowMs() >= u.resumeAt) {
                u.silent = false;
                m_emulator.setSilent(u.index, false);
            }
        }
    }

    // The watchdog takes no unit that was taken no longer than the off-line
    // time ago: it is still listed at the slot of its last datagram.
    void ExpectRecentUnitsListed()
    {
        for (const SimUnit& u : m_units) {
            if (!u.lastTaken || m_clock.nowMs() - u.lastAt > kOfflineAfterMs)
                continue;
            const UnitNode132* a = std::as_const(g_Family_KR960).FindUnit(u.lastSlot);
            const UnitNode132* b = std::as_const(g_Family_KR960_8).FindUnit(u.lastSlot);
            const UnitNodeKR9X* c = std::as_const(g_Family_KR9X).FindUnit(u.lastSlot);
            EXPECT_TRUE((a && a->Mac == u.mac) || (b && b->Mac == u.mac) || (c && c->Mac == u.mac))
                << "step " << m_step << ": " << MacText(u.mac) << " taken at slot " << u.lastSlot << " "
                << m_clock.nowMs() - u.lastAt << " ms ago is gone; status " << g_UnitStatus[u.lastSlot];
        }
    }

    SimUnit& AnyUnit() { return m_units[m_rng() % m_units.size()]; }
    SimUnit& AnySpeakingUnit()
    {
        std::vector<SimUnit*> speaking;
        for (SimUnit& u : m_units)
            if (!u.silent)
                speaking.push_back(&u);
        if (speaking.empty()) {
            SimUnit& u = AnyUnit();
            u.silent = false;
            m_emulator.setSilent(u.index, false);
            return u;
        }
        return *speaking[m_rng() % speaking.size()];
    }

    void SetId(SimUnit& u, int id)
    {
        u.id = id;
        m_emulator.setUnitId(u.index, id);
    }
    void SetLocal(SimUnit& u, bool local)
    {
        u.local = local;
        m_emulator.setLocalMode(u.index, local);
    }
    void SetAux(SimUnit& u, bool aux)
    {
        u.aux = aux && Is132(u.model);
        m_emulator.setAuxPower(u.index, aux);
    }
    void SetSupplies(SimUnit& u, const SupplyCase& c)
    {
        u.supplyFault = c.fault;
        m_emulator.setSupplies(u.index, c.supplies);
    }
    void SetTemperature(SimUnit& u, const std::pair<std::uint8_t, bool>& c)
    {
        u.temperature = c.first;
        u.temperatureFault = c.second;
        m_emulator.setTemperature(u.index, c.first);
    }

    // One random thing happens.
    void Step()
    {
        Advance(m_rng() % 50);
        const unsigned action = m_rng() % 1000;
        if (action < 600) {
            SimUnit& u = AnyUnit();
            if (!u.silent)
                Report(u);
        } else if (action < 640) {
            // Silent long enough for the watchdog, or just a hiccup.
            SimUnit& u = AnyUnit();
            u.silent = true;
            u.resumeAt = m_clock.nowMs() + (m_rng() % 3 ? 2200 + m_rng() % 5000 : m_rng() % 1500);
            m_emulator.setSilent(u.index, true);
        } else if (action < 670) {
            SimUnit& u = AnyUnit();
            if (m_rng() % 10 == 0) {
                // An ID out of the model's range.
                const int odd[] = {0, 17, 32, 200};
                SetId(u, Is132(u.model) ? odd[m_rng() % 4] : m_rng() % 2 ? 16 : 33);
            } else {
                SetId(u, Is132(u.model) ? 1 + int(m_rng() % 16) : kFirstUnitIdKR9X + int(m_rng() % 16));
            }
        } else if (action < 690) {
            // The ID of another unit of the same ID range.
            SimUnit& u = AnyUnit();
            const SimUnit& other = AnyUnit();
            if (Is132(other.model) == Is132(u.model))
                SetId(u, other.id);
        } else if (action < 700) {
            // A twin: a second unit with the same ID and another MAC. Each ID
            // range keeps room for all its units to settle on IDs of their own.
            const SimUnit like = AnyUnit();
            const auto sameRange = std::count_if(m_units.begin(), m_units.end(), [&](const SimUnit& u) {
                return Is132(u.model) == Is132(like.model);
            });
            if (int(m_units.size()) < kMaxUnits && sameRange < 16) {
                emu::UnitConfig config = m_emulator.config(like.index);
                const int serial = m_nextSerial++;
                config.mac[5] = std::uint8_t(serial);
                config.hostOctet = std::uint8_t(serial + 1);
                AddUnit(config, like);
            }
        } else if (action < 740) {
            SimUnit& u = AnyUnit();
            SetLocal(u, !u.local);
        } else if (action < 790) {
            SimUnit& u = AnyUnit();
            switch (m_rng() % 3) {
            case 0:
                if (Is132(u.model))
                    SetAux(u, !u.aux);
                else
                    SetSupplies(u, kSupplyCases[m_rng() % std::size(kSupplyCases)]);
                break;
            case 1:
                SetTemperature(u, kTemperatureCases[m_rng() % std::size(kTemperatureCases)]);
                break;
            default: // back to normal
                SetAux(u, false);
                SetSupplies(u, kSupplyCases[0]);
                SetTemperature(u, kTemperatureCases[0]);
                break;
            }
        } else if (action < 890) {
            // Junk from one to three units, then a report to stay in step.
            for (unsigned n = 1 + m_rng() % 3; n > 0; --n) {
                const SimUnit& from = AnyUnit();
                SendRaw(from, Malformed(from));
                ++m_junk;
            }
            Report(AnySpeakingUnit());
        } else if (action < 893) {
            // The console hears nothing for a while: everyone may go off line.
            Advance(2100 + m_rng() % 2500);
        }
        // else: time passes
    }

    // The lists and tables agree, every listed node is explained by a unit
    // that spoke for its slot lately, and the window's records agree too.
    void CheckInvariants()
    {
        SCOPED_TRACE("step " + std::to_string(m_step));
        // What the console sent is dropped, and its queued drain calls run.
        m_emulator.pump(0);
        m_emulator.clearReceived();
        QCoreApplication::processEvents();
        EXPECT_EQ(Net().queuedCount(), 0u);

        const std::uint32_t now = Now32();
        const unit_lists::Lists lists = unit_lists::Walk();
        std::set<MacAddress> listedMacs;
        for (const unit_lists::Listed& n : lists.units) {
            EXPECT_LE(std::uint32_t(now - n.lastHeard), kHeardWindowMs) << "slot " << n.slot << " outlived the watchdog";
            listedMacs.insert(n.mac);
            // A node is a datagram's that named the slot, heard no later than
            // the last such datagram of its MAC.
            const auto bySlot = m_sent.find(n.mac);
            if (bySlot == m_sent.end() || !bySlot->second.count(n.slot))
                ADD_FAILURE() << MacText(n.mac) << " listed in slot " << n.slot << " it never named";
            else
                EXPECT_LE(now - std::uint32_t(bySlot->second.at(n.slot)), now - n.lastHeard) << "slot " << n.slot;
            const SimUnit* u = UnitOfMac(n.mac);
            if (!u)
                continue; // made up by a junk datagram
            const bool modelFits = u->model == Model::KR9X ? n.type == UNIT_TYPE_KR9X
                : u->model == Model::KR960_8               ? n.type == UNIT_TYPE_KR960_8
                                                           : n.type == UNIT_TYPE_KR960 || n.type == UNIT_TYPE_KR960_8;
            EXPECT_TRUE(modelFits) << emu::modelName(u->model) << " " << MacText(n.mac) << " listed as model " << n.type;
        }
        ExpectRecentUnitsListed();
        // The lists hold no more units than have spoken lately.
        std::size_t speaking = 0;
        for (const auto& [mac, bySlot] : m_sent)
            speaking += std::any_of(bySlot.begin(), bySlot.end(),
                                    [&](const auto& at) { return m_clock.nowMs() - at.second <= kHeardWindowMs; });
        EXPECT_LE(listedMacs.size(), speaking);

        unit_lists::CheckSlotTables(
            lists, [&](const unit_lists::Listed& n) { return m_heardAsBoth.count(n.mac) > 0; },
            [&](const unit_lists::Listed& n) {
                EXPECT_EQ(g_UnitName[n.slot - 1].toStdString(), DefaultName(n.slot, n.type));
                for (int c = FirstChannelOfUnit(n.slot); c < FirstChannelOfUnit(n.slot) + n.channels; ++c) {
                    EXPECT_EQ(m_dlg->m_aChannelLink[c].ownerSlot, n.slot) << "channel " << c;
                    EXPECT_EQ(m_dlg->m_aChannelLink[c].unitType, n.type) << "channel " << c;
                }
            });
    }

    // Every unit speaks again, normally, under an ID of its own, for long
    // enough that every node left behind is taken off line and the units
    // turned away meanwhile are taken; then the lists match the wire.
    void Settle()
    {
        std::vector<int> ids132;
        std::vector<int> idsKR9X;
        for (int id = 1; id <= 16; ++id) {
            ids132.push_back(id);
            idsKR9X.push_back(kFirstUnitIdKR9X - 1 + id);
        }
        for (std::vector<int>* ids : {&ids132, &idsKR9X})
            for (std::size_t i = ids->size() - 1; i > 0; --i)
                std::swap((*ids)[i], (*ids)[m_rng() % (i + 1)]);
        std::size_t next132 = 0;
        std::size_t nextKR9X = 0;
        for (SimUnit& u : m_units) {
            u.silent = false;
            m_emulator.setSilent(u.index, false);
            SetLocal(u, false);
            SetAux(u, false);
            SetSupplies(u, kSupplyCases[0]);
            SetTemperature(u, kTemperatureCases[0]);
            SetId(u, Is132(u.model) ? ids132.at(next132++) : idsKR9X.at(nextKR9X++));
        }
        const std::uint64_t end = m_clock.nowMs() + kOfflineAfterMs + 2 * kWatchdogPeriodMs + 1000;
        while (m_clock.nowMs() < end) {
            Advance(400);
            std::vector<SimUnit*> order;
            for (SimUnit& u : m_units)
                order.push_back(&u);
            for (std::size_t i = order.size() - 1; i > 0; --i)
                std::swap(order[i], order[m_rng() % (i + 1)]);
            for (SimUnit* u : order) {
                Report(*u);
                ASSERT_FALSE(HasFatalFailure());
            }
        }
        CheckInvariants();
        ExpectListsMatchTheWire();
    }

    // After the settle phase: every unit is listed at the slot of its ID and
    // active, and nothing else is listed or active.
    void ExpectListsMatchTheWire()
    {
        std::map<int, const SimUnit*> present; // slot -> unit
        std::array<int, 4> perType{};
        for (const SimUnit& u : m_units) {
            SCOPED_TRACE(std::string(emu::modelName(u.model)) + " " + MacText(u.mac) + " ID " + std::to_string(u.id));
            ASSERT_TRUE(u.idValid());
            const int slot = u.slot();
            ASSERT_TRUE(present.emplace(slot, &u).second) << "two units given slot " << slot;
            const int type = UnitType(u.model);
            ++perType[type];
            bool listed = false;
            if (u.model == Model::KR9X) {
                const UnitNodeKR9X* n = std::as_const(g_Family_KR9X).FindUnit(slot);
                listed = n && n->Mac == u.mac;
            } else {
                const UnitFamily132& mine = u.model == Model::KR960 ? g_Family_KR960 : g_Family_KR960_8;
                const UnitFamily132& other = u.model == Model::KR960 ? g_Family_KR960_8 : g_Family_KR960;
                const UnitNode132* n = mine.FindUnit(slot);
                listed = n && n->Mac == u.mac;
                EXPECT_EQ(other.FindUnit(slot), nullptr) << "slot " << slot << " also in the " << other.modelName() << " list";
            }
            EXPECT_TRUE(listed) << "not listed at slot " << slot << ", status " << g_UnitStatus[slot];
            EXPECT_EQ(g_UnitStatus[slot], UNIT_ACTIVE) << "slot " << slot;
            if (!m_heardAsBoth.count(u.mac)) {
                EXPECT_EQ(g_UnitOnline[slot], 1) << "slot " << slot;
            }
            EXPECT_EQ(g_SlotModel[slot], type) << "slot " << slot;
            EXPECT_EQ(g_UnitName[slot - 1].toStdString(), DefaultName(slot, type));
            const int first = FirstChannelOfUnit(slot);
            for (int c = first; c < first + emu::channelCount(u.model); ++c) {
                EXPECT_EQ(g_ChannelUnitType[c], type) << "channel " << c;
                EXPECT_EQ(m_dlg->m_aChannelLink[c].ownerSlot, slot) << "channel " << c;
                EXPECT_EQ(m_dlg->m_aChannelLink[c].unitType, type) << "channel " << c;
            }
        }
        EXPECT_EQ(g_Family_KR960.nodes().size(), std::size_t(perType[UNIT_TYPE_KR960]));
        EXPECT_EQ(g_Family_KR960_8.nodes().size(), std::size_t(perType[UNIT_TYPE_KR960_8]));
        EXPECT_EQ(g_Family_KR9X.nodes().size(), std::size_t(perType[UNIT_TYPE_KR9X]));
        EXPECT_EQ(m_dlg->m_nKR960UnitCount, perType[UNIT_TYPE_KR960]);
        EXPECT_EQ(m_dlg->m_nKR960_8UnitCount, perType[UNIT_TYPE_KR960_8]);
        EXPECT_EQ(m_dlg->m_nKR9XUnitCount, perType[UNIT_TYPE_KR9X]);

        // The slots no unit is on: nothing listed, nothing active.
        for (int slot = 1; slot <= kSlotCount; ++slot) {
            if ((slot <= 32 && slot % 2 == 0) || present.count(slot))
                continue;
            EXPECT_EQ(std::as_const(g_Family_KR960).FindUnit(slot), nullptr) << "slot " << slot;
            EXPECT_EQ(std::as_const(g_Family_KR960_8).FindUnit(slot), nullptr) << "slot " << slot;
            EXPECT_EQ(std::as_const(g_Family_KR9X).FindUnit(slot), nullptr) << "slot " << slot;
            const int status = g_UnitStatus[slot];
            EXPECT_TRUE(status == UNIT_STATUS_NONE || status == UNIT_INACTIVE || status == UNIT_OFFLINE)
                << "absent slot " << slot << " shows status " << status;
        }
    }

    std::mt19937 m_rng{kSeed};
    int m_step = 0;
    int m_nextSerial = 1;
    std::vector<SimUnit> m_units;
    std::uint32_t m_counted = 0;     // datagrams the receive thread counts
    std::uint64_t m_queuedTotal = 0; // of those, handed to the window
    std::size_t m_pending = 0;       // handed over but not drained yet
    int m_wrongIds = 0;              // of those handed over, with an ID out of the model's range
    // MAC -> slot -> clock of the last datagram handed to the window that
    // named the slot (by the unit ID in it).
    std::map<MacAddress, std::map<int, std::uint64_t>> m_sent;
    // KR-960s that have been listed as KR-960/8s (taken so in local mode
    // before they were on line under the ID): their slots' shared entries
    // may speak for either model, or for a slot they have left, until the
    // watchdog has taken the node they left behind.
    std::set<MacAddress> m_heardAsBoth;
    int m_taken = 0;
    int m_turnedAway = 0;
    int m_junk = 0;

    QMap<QString, int> m_noticesBy; // caption -> count
    int m_dialogs = 0;
};

} // namespace

TEST_F(UnitSoak, UnitsComeAndGoOnTheWireWithoutTheListsAndTablesDrifting)
{
    for (int i = 0; i < 4; ++i) {
        AddUnit(emu::defaultConfig(Model::KR960, 1 + 2 * i, m_nextSerial++));
        AddUnit(emu::defaultConfig(Model::KR960_8, 2 + 2 * i, m_nextSerial++));
        AddUnit(emu::defaultConfig(Model::KR9X, kFirstUnitIdKR9X + i, m_nextSerial++));
    }
    for (SimUnit& u : m_units)
        Report(u);
    CheckInvariants();
    ASSERT_FALSE(HasFailure());

    for (int round = 1; round <= kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        for (int n = 0; n < kStepsPerRound; ++n) {
            ++m_step;
            Step();
            if (HasFatalFailure())
                return;
            if (m_step % kCheckEvery == 0) {
                CheckInvariants();
                ASSERT_FALSE(HasFailure()) << "stopped at step " << m_step;
            }
        }
        CheckInvariants();
        Settle();
        ASSERT_FALSE(HasFailure()) << "after round " << round;
    }
    EXPECT_GT(m_clock.nowMs(), 0x100000000ull) << "the node clock should have wrapped";

    // No dialog of its own and no plain message came up; the notices were
    // the conflicts and wrong IDs, the boxes the slots set unused.
    EXPECT_EQ(m_dialogs, 0);
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join(QStringLiteral(" | ")).toStdString();
    for (const QString& caption : m_noticesBy.keys())
        EXPECT_TRUE(caption == QStringLiteral("Unit ID Conflict") || caption == QStringLiteral("Error in KOVA Header"))
            << caption.toStdString();
    for (const QString& text : std::set<QString>(m_boxes.begin(), m_boxes.end()))
        EXPECT_TRUE(text.startsWith(QStringLiteral("Unit ")) && text.endsWith(QStringLiteral(" has been set to an Unused Unit.")))
            << text.toStdString();
    // The run went where it should: conflicts, wrong IDs, moves, KR-960s
    // taken as KR-960/8s, twins and junk all happened.
    EXPECT_GT(m_noticesBy.value(QStringLiteral("Unit ID Conflict")), 0);
    EXPECT_GT(m_noticesBy.value(QStringLiteral("Error in KOVA Header")), 0);
    EXPECT_FALSE(m_boxes.isEmpty());
    EXPECT_GT(m_turnedAway, 0);
    EXPECT_FALSE(m_heardAsBoth.empty());
    EXPECT_EQ(int(m_units.size()), kMaxUnits);
    EXPECT_GT(m_junk, 1000);
    RecordProperty("reports_taken", m_taken);
    RecordProperty("reports_turned_away", m_turnedAway);
    RecordProperty("junk", m_junk);
    RecordProperty("boxes", int(m_boxes.size()));

    // Then everyone falls silent: two watchdog periods past the off-line
    // time nothing is listed, and every unit's slot shows it off line.
    for (SimUnit& u : m_units) {
        u.silent = true;
        m_emulator.setSilent(u.index, true);
    }
    m_timers.advance(kOfflineAfterMs + 2 * kWatchdogPeriodMs);
    EXPECT_TRUE(g_Family_KR960.nodes().empty());
    EXPECT_TRUE(g_Family_KR960_8.nodes().empty());
    EXPECT_TRUE(g_Family_KR9X.nodes().empty());
    EXPECT_EQ(m_dlg->m_nKR960UnitCount + m_dlg->m_nKR960_8UnitCount + m_dlg->m_nKR9XUnitCount, 0);
    for (const SimUnit& u : m_units)
        EXPECT_EQ(g_UnitStatus[u.slot()], UNIT_OFFLINE) << "slot " << u.slot();
}
