// Throughput of datagram handling: what one unit datagram costs the GUI
// thread once the unit is on line, and what the replies cost to compose.
//   build/bench/datagram_bench

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "protocol/datagram_sort.h"
#include "protocol/packet_handler132.h"
#include "protocol/packet_handler_kr9x.h"
#include "protocol/sender132.h"
#include "protocol/sender_kr9x.h"
#include "protocol/quiet_unit_host.h"
#include "protocol/unit_network.h"

namespace {

class BenchHost : public QuietUnitHost {
public:
    void DrawMeterDb(int channel, float db) override { levels[channel] = db; }
    float levels[kChannelCount] = {};
};

// A KR-960 report of unit id at 127.0.0.id.
UnitPacket132 Report(int id)
{
    UnitPacket132 p{};
    std::memcpy(p.data(), "KOVA", 4);
    p[4] = 1;
    p[5] = std::uint8_t(id);
    p[6] = 3;
    const std::uint8_t mac[6] = {0x02, 0x4B, 0x56, 0x01, 0x80, std::uint8_t(id)};
    std::memcpy(&p[8], mac, 6);
    p[0x1F] = 0;
    p[0x20] = 50;
    p[0x21] = 0x09;
    for (int n = 0; n < 16; ++n) {
        p[0x22 + 5 * n] = std::uint8_t(n * 7);
        p[0x22 + 5 * n + 2] = 30;
    }
    p[0x72] = 0x20;
    p[0x75] = 40;
    const std::uint8_t address[8] = {127, 0, 0, std::uint8_t(id), 255, 255, 255, 0};
    std::memcpy(&p[0x7C], address, 8);
    return p;
}

// A KR-9X report of unit id (17..32) with in-range supplies.
UnitPacket97 Report97(int id)
{
    UnitPacket97 p{};
    std::memcpy(p.data(), "KOVA", 4);
    p[4] = 1;
    p[5] = std::uint8_t(id);
    const std::uint8_t mac[6] = {0x02, 0x4B, 0x56, 0x09, 0x80, std::uint8_t(id)};
    std::memcpy(&p[8], mac, 6);
    p[0x1F] = 0;
    p[0x20] = 50;
    p[0x21] = 0x01;
    for (int n = 0; n < 8; ++n) {
        p[0x22 + 6 * n] = 1;
        p[0x22 + 6 * n + 1] = std::uint8_t(n * 3);
        p[0x22 + 6 * n + 4] = 30;
    }
    const std::uint8_t supplies[5] = {96, 120, 50, 33, 40};
    std::memcpy(&p[0x55], supplies, 5);
    return p;
}

struct Rack {
    Rack()
    {
        g_pUnitHost = &host;
        g_pNetwork = nullptr;
        ResetProtocolState();
        g_SuppressUnitSends = 0;
        for (int id = 1; id <= 16; ++id)
            HandlePacket132(g_Family_KR960, Report(id), 0x7F000000u + std::uint32_t(id));
        for (int id = 17; id <= 32; ++id)
            HandlePacketKR9X(Report97(id), 0x7F000000u + std::uint32_t(id));
    }
    ~Rack() { g_pUnitHost = nullptr; }
    BenchHost host;
};

void BM_RouteDatagram(benchmark::State& state)
{
    const UnitPacket132 p = Report(3);
    for (auto _ : state)
        benchmark::DoNotOptimize(RouteDatagram(p.data(), p.size()));
}
BENCHMARK(BM_RouteDatagram);

// The hot path: an active datagram of a unit on line (meters, temperature,
// option and rate texts, last-heard time), across a full rack of 16 units.
void BM_HandleActiveDatagram(benchmark::State& state)
{
    Rack rack;
    UnitPacket132 reports[16];
    for (int id = 1; id <= 16; ++id)
        reports[id - 1] = Report(id);
    int i = 0;
    for (auto _ : state) {
        rack.host.now += 3;
        HandlePacket132(g_Family_KR960, reports[i], 0x7F000000u + std::uint32_t(i + 1));
        i = (i + 1) & 15;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HandleActiveDatagram);

// The same for the KR-9X: meters, supplies and range test, option and status bytes.
void BM_HandleActiveDatagramKR9X(benchmark::State& state)
{
    Rack rack;
    UnitPacket97 reports[16];
    for (int id = 17; id <= 32; ++id)
        reports[id - 17] = Report97(id);
    int i = 0;
    for (auto _ : state) {
        rack.host.now += 3;
        HandlePacketKR9X(reports[i], 0x7F000000u + std::uint32_t(i + 17));
        i = (i + 1) & 15;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HandleActiveDatagramKR9X);

void BM_ComposeState(benchmark::State& state)
{
    Rack rack;
    UnitNode132* node = g_Family_KR960.FindUnit(1);
    UnitPacket132 out;
    std::uint32_t sequence = 0;
    for (auto _ : state) {
        ComposeState132(UNIT_TYPE_KR960, *node, ++sequence, 100, out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_ComposeState);

void BM_ApplyAndComposeControl(benchmark::State& state)
{
    Rack rack;
    UnitNode132* node = g_Family_KR960.FindUnit(1);
    UnitPacket132 out;
    std::uint32_t sequence = 0;
    for (auto _ : state) {
        ApplyControl132(UNIT_TYPE_KR960, *node, "Gain", int(sequence & 15), float(sequence & 63));
        ComposeControl132(UNIT_TYPE_KR960, *node, ++sequence, false, out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_ApplyAndComposeControl);

} // namespace

BENCHMARK_MAIN();
