// Tests of the unit emulator itself: the exact bytes a default unit reports,
// the scenario switches, the sorting of the console's datagrams, and a round
// trip over loopback with a plain socket playing the console.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "unit_emulator.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using emu::Kind;
using emu::Model;

// A default KR-960, unit ID 1, serial 1 (127.0.0.2).
const Bytes kKr960Report = {
    0x4B, 0x4F, 0x56, 0x41,              // "KOVA"
    0x01, 0x01, 0x03, 0x00,              // source, unit ID 1, format code 3, spare
    0x02, 0x4B, 0x56, 0x60, 0x80, 0x01,  // MAC
    0x00, 0x01, 0x02, 0x03,              // firmware version
    0x00, 0x00, 0x01, 0x05,              // GUI version
    0x01, 0x02, 0x03, 0x04,              // segment word
    0x00, 0x00, 0x00, 0x00,              // sequence word
    0x04, 0x00, 0x64, 0x01,              // status flags, period 100 ms, option byte
    // 16 records: meter, meter2, gain code, split, switch flags
    0x0A, 0x0C, 0x14, 0x00, 0x01, 0x10, 0x12, 0x15, 0x00, 0x02,  //
    0x16, 0x18, 0x16, 0x00, 0x04, 0x1C, 0x1E, 0x17, 0x00, 0x08,  //
    0x22, 0x24, 0x18, 0x00, 0x10, 0x28, 0x2A, 0x19, 0x00, 0x20,  //
    0x2E, 0x30, 0x1A, 0x00, 0x00, 0x34, 0x36, 0x1B, 0x00, 0x01,  //
    0x3A, 0x3C, 0x1C, 0x00, 0x02, 0x40, 0x42, 0x1D, 0x00, 0x04,  //
    0x46, 0x48, 0x1E, 0x00, 0x08, 0x4C, 0x4E, 0x1F, 0x00, 0x10,  //
    0x52, 0x54, 0x20, 0x00, 0x20, 0x58, 0x5A, 0x21, 0x00, 0x00,  //
    0x5E, 0x60, 0x22, 0x00, 0x01, 0x64, 0x66, 0x23, 0x00, 0x02,  //
    0x00, 0x00, 0x00, 0x28,              // unit status, spare, temperature 40
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // spare
    0x7F, 0x00, 0x00, 0x02,              // 127.0.0.2
    0xFF, 0xFF, 0xFF, 0x00,              // 255.255.255.0
};

// A default KR-960/8, unit ID 3, serial 2 (127.0.0.3).
const Bytes kKr960_8Report = {
    0x4B, 0x4F, 0x56, 0x41, 0x01, 0x03, 0x03, 0x00,  //
    0x02, 0x4B, 0x56, 0x68, 0x80, 0x02,              // MAC
    0x00, 0x01, 0x02, 0x03, 0x00, 0x00, 0x01, 0x05,  //
    0x01, 0x02, 0x03, 0x04, 0x00, 0x00, 0x00, 0x00,  //
    0x04, 0x00, 0x64, 0x08,                          // option byte: DANTE, bit 0 clear
    0x0A, 0x0C, 0x14, 0x00, 0x01, 0x10, 0x12, 0x15, 0x00, 0x02,  //
    0x16, 0x18, 0x16, 0x00, 0x04, 0x1C, 0x1E, 0x17, 0x00, 0x08,  //
    0x22, 0x24, 0x18, 0x00, 0x10, 0x28, 0x2A, 0x19, 0x00, 0x20,  //
    0x2E, 0x30, 0x1A, 0x00, 0x00, 0x34, 0x36, 0x1B, 0x00, 0x01,  //
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // records 8-15 unused
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
    0x00, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
    0x7F, 0x00, 0x00, 0x03, 0xFF, 0xFF, 0xFF, 0x00,              //
};

// A default KR-9X, unit ID 17, serial 3 (127.0.0.4).
const Bytes kKr9xReport = {
    0x4B, 0x4F, 0x56, 0x41, 0x01, 0x11, 0x02, 0x00,  // unit ID 17, format bytes
    0x02, 0x4B, 0x56, 0x90, 0x80, 0x03,              // MAC
    0x00, 0x01, 0x02, 0x03, 0x00, 0x00, 0x01, 0x05,  //
    0x01, 0x02, 0x03, 0x04, 0x00, 0x00, 0x00, 0x00,  //
    0x00, 0x00, 0x64, 0x01,                          // status flags, period, option
    // 8 records: Pk (sign, magnitude), Avg, gain code, switch flags
    0x01, 0x14, 0x01, 0x11, 0x14, 0x01,  // +20 / +17
    0x01, 0x0C, 0x01, 0x09, 0x15, 0x02,  // +12 / +9
    0x01, 0x04, 0x01, 0x01, 0x16, 0x04,  // +4 / +1
    0x00, 0x04, 0x00, 0x07, 0x17, 0x08,  // -4 / -7
    0x00, 0x0C, 0x00, 0x0F, 0x18, 0x10,  //
    0x00, 0x14, 0x00, 0x17, 0x19, 0x00,  //
    0x00, 0x1C, 0x00, 0x1F, 0x1A, 0x00,  //
    0x00, 0x24, 0x00, 0x27, 0x1B, 0x00,  //
    0x00, 0x00, 0x00,                    // KRStat, spare
    0x60, 0x78, 0x32, 0x21, 0x28,        // 48 V, 24 V, 5 V, 3.3 V, 40 degrees
    0x00, 0x00, 0x00,                    // spare
    0x01, 0x00, 0x00, 0x7F,              // server 127.0.0.1, least significant byte first
};

// Plays the console: one UDP socket on 127.0.0.1, any free port.
class Console {
 public:
  Console() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = address(1, 0);
    socklen_t len = sizeof a;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
      ADD_FAILURE() << "console socket";
    port_ = ntohs(a.sin_port);
  }
  ~Console() { ::close(fd_); }
  std::uint16_t port() const { return port_; }

  struct Datagram {
    Bytes bytes;
    sockaddr_in from;
  };
  // The next datagram, waiting at most timeoutMs.
  std::optional<Datagram> receive(int timeoutMs = 2000) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) != 1) return std::nullopt;
    Datagram d{Bytes(1024), {}};
    socklen_t len = sizeof d.from;
    const ssize_t n = ::recvfrom(fd_, d.bytes.data(), d.bytes.size(), 0, reinterpret_cast<sockaddr*>(&d.from), &len);
    if (n < 0) return std::nullopt;
    d.bytes.resize(static_cast<std::size_t>(n));
    return d;
  }
  void send(std::uint8_t hostOctet, std::uint16_t port, const Bytes& bytes) {
    const sockaddr_in to = address(hostOctet, port);
    ASSERT_EQ(::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to),
              static_cast<ssize_t>(bytes.size()));
  }

 private:
  static sockaddr_in address(std::uint8_t hostOctet, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(0x7F000000u | hostOctet);
    return a;
  }
  int fd_ = -1;
  std::uint16_t port_ = 0;
};

TEST(Report, DefaultUnitsReportTheirExactBytes) {
  emu::Emulator e(2000, 0);
  const int kr960 = e.addUnit(emu::defaultConfig(Model::KR960, 1, 1));
  const int kr960_8 = e.addUnit(emu::defaultConfig(Model::KR960_8, 3, 2));
  const int kr9x = e.addUnit(emu::defaultConfig(Model::KR9X, 17, 3));
  EXPECT_EQ(e.reportBytes(kr960), kKr960Report);
  EXPECT_EQ(e.reportBytes(kr960_8), kKr960_8Report);
  EXPECT_EQ(e.reportBytes(kr9x), kKr9xReport);
  ASSERT_EQ(kKr960Report.size(), 132u);
  ASSERT_EQ(kKr960_8Report.size(), 132u);
  ASSERT_EQ(kKr9xReport.size(), 97u);
  EXPECT_NE(e.unitPort(), 0);
}

TEST(Report, ScenarioSwitchesChangeOnlyTheirBytes) {
  emu::Emulator e(2000, 0);
  const int a = e.addUnit(emu::defaultConfig(Model::KR960, 1, 1));
  const int x = e.addUnit(emu::defaultConfig(Model::KR9X, 17, 3));
  auto expectOnly = [&](int unit, const Bytes& base, std::vector<std::pair<std::size_t, std::uint8_t>> changes) {
    Bytes want = base;
    for (auto [at, v] : changes) want[at] = v;
    EXPECT_EQ(e.reportBytes(unit), want);
  };

  e.setLocalMode(a, true);
  e.setAuxPower(a, true);
  e.setUnitId(a, 7);
  e.setMeter(a, 15, 255, 0);
  e.setSubnetMask(a, 0xFFFF0000);
  expectOnly(a, kKr960Report, {{0x21, 0x00}, {0x1E, 0x06}, {0x05, 7}, {0x22 + 75, 255}, {0x22 + 76, 0}, {0x82, 0}});
  e.setLocalMode(a, false);
  e.setAuxPower(a, false);
  e.setUnitId(a, 1);
  e.setMeter(a, 15, 300, -4);  // clamped to 255 and 0
  e.setSubnetMask(a, 0xFFFFFF00);
  e.setReportByte(a, 0x06, 2);  // a wrong format code
  expectOnly(a, kKr960Report, {{0x22 + 75, 255}, {0x22 + 76, 0}, {0x06, 2}});
  e.clearReportBytes(a);
  EXPECT_EQ(e.reportBytes(a)[0x06], 3);

  // A KR-9X has no aux bit; zero meters still go out nonzero (01 00).
  e.setAuxPower(x, true);
  e.setLocalMode(x, true);
  e.setMeter(x, 7, 0, -255);
  e.setSupplies(x, emu::Supplies{91, 121, 70, 10});
  e.setTemperature(x, 0);
  expectOnly(x, kKr9xReport,
             {{0x21, 0}, {0x22 + 42, 0x01}, {0x22 + 43, 0x00}, {0x22 + 44, 0x00}, {0x22 + 45, 0xFF},
              {0x55, 91}, {0x56, 121}, {0x57, 70}, {0x58, 10}, {0x59, 0}});
  EXPECT_THROW(e.setMeter(x, 8, 0, 0), std::out_of_range);
}

TEST(Classify, SortsTheConsolesDatagrams) {
  Bytes state = kKr960Report;
  state[0x05] = 1;  // slot of unit 1
  std::fill(state.begin() + 0x7C, state.end(), 0);
  Bytes control = state;
  control[0x05] = 0;
  Bytes netConfig = kKr960Report;  // states an address and a mask
  EXPECT_EQ(emu::classify(Model::KR960, state), Kind::State);
  EXPECT_EQ(emu::classify(Model::KR960_8, control), Kind::Control);
  EXPECT_EQ(emu::classify(Model::KR960, netConfig), Kind::NetConfig);
  netConfig[0x7F] = 0;
  netConfig[0x80] = 0;
  netConfig[0x83] = 1;  // any nonzero byte of address or mask
  std::fill(netConfig.begin() + 0x7C, netConfig.begin() + 0x83, 0);
  EXPECT_EQ(emu::classify(Model::KR960, netConfig), Kind::NetConfig);

  Bytes state97 = kKr9xReport;
  Bytes control97 = kKr9xReport;
  for (std::size_t n = 0; n < 8; ++n) std::fill_n(control97.begin() + 0x22 + 6 * n, 4, 0);
  EXPECT_EQ(emu::classify(Model::KR9X, control97), Kind::Control);
  control97[0x22 + 6 * 7 + 3] = 1;  // the last Avg byte alone makes it a state datagram
  EXPECT_EQ(emu::classify(Model::KR9X, control97), Kind::State);
  EXPECT_EQ(emu::classify(Model::KR9X, state97), Kind::State);

  // Wrong length for the model, or no magic: Unknown.
  EXPECT_EQ(emu::classify(Model::KR9X, state), Kind::Unknown);
  EXPECT_EQ(emu::classify(Model::KR960, state97), Kind::Unknown);
  EXPECT_EQ(emu::classify(Model::KR960, Bytes(state.begin(), state.end() - 1)), Kind::Unknown);
  EXPECT_EQ(emu::classify(Model::KR960, Bytes{}), Kind::Unknown);
  state[3] = 'B';
  EXPECT_EQ(emu::classify(Model::KR960, state), Kind::Unknown);
}

TEST(Cadence, TickFollowsThePeriodAndSilence) {
  Console console;
  emu::Emulator e(console.port(), 0);
  const int a = e.addUnit(emu::defaultConfig(Model::KR960, 1, 1));
  const int b = e.addUnit(emu::defaultConfig(Model::KR9X, 17, 2));
  emu::UnitConfig slow = emu::defaultConfig(Model::KR960_8, 2, 3);
  slow.meterPeriodMs = 250;
  const int c = e.addUnit(slow);

  EXPECT_EQ(e.tick(1000), 3u);  // everyone reports at once
  EXPECT_EQ(e.tick(1099), 0u);
  EXPECT_EQ(e.tick(1100), 2u);
  EXPECT_EQ(e.tick(1200), 2u);
  EXPECT_EQ(e.tick(1250), 1u);  // the 250 ms unit
  EXPECT_EQ(e.tick(5000), 3u);  // one report after a long gap, no burst
  EXPECT_EQ(e.tick(5001), 0u);
  e.setSilent(b, true);
  EXPECT_FALSE(e.sendReport(b));
  EXPECT_EQ(e.tick(5100), 1u);
  EXPECT_EQ(e.tick(5150), 0u);
  e.setSilent(b, false);
  EXPECT_EQ(e.tick(5150), 1u);  // a resumed unit that is due reports at once
  EXPECT_EQ(e.reportsSent(a), 5u);
  EXPECT_EQ(e.reportsSent(b), 5u);
  EXPECT_EQ(e.reportsSent(c), 3u);

  std::size_t got = 0;
  for (int i = 0; i < 13 && console.receive(); ++i) ++got;
  EXPECT_EQ(got, 13u);
  EXPECT_FALSE(console.receive(0));
}

TEST(RoundTrip, ConsoleDatagramsAreSortedAndApplied) {
  Console console;
  emu::Emulator e(console.port(), 0);
  const int a = e.addUnit(emu::defaultConfig(Model::KR960, 4, 1));
  const int x = e.addUnit(emu::defaultConfig(Model::KR9X, 17, 2));
  // Same ID as unit a, another MAC: what the console must see as a conflict.
  const int twin = e.addUnit(emu::defaultConfig(Model::KR960, 4, 3));
  EXPECT_THROW(e.addUnit(emu::defaultConfig(Model::KR960, 5, 1)), std::invalid_argument);  // host taken

  // Reports come from 127.0.0.K:unitPort with exactly reportBytes.
  std::vector<Bytes> firsts(3);
  for (int u : {a, x, twin}) firsts[static_cast<std::size_t>(u)] = e.reportBytes(u);
  ASSERT_EQ(e.tick(0), 3u);
  for (int i = 0; i < 3; ++i) {
    auto d = console.receive();
    ASSERT_TRUE(d);
    const int host = static_cast<int>(ntohl(d->from.sin_addr.s_addr) & 0xFF) - 2;
    ASSERT_TRUE(host >= 0 && host < 3);
    EXPECT_EQ(ntohl(d->from.sin_addr.s_addr) >> 8, 0x7F0000u);
    EXPECT_EQ(ntohs(d->from.sin_port), e.unitPort());
    EXPECT_EQ(d->bytes, firsts[static_cast<std::size_t>(host)]);
  }
  EXPECT_EQ(firsts[a][0x05], firsts[twin][0x05]);
  EXPECT_NE(firsts[a][0x0D], firsts[twin][0x0D]);

  // A state datagram sets the report period.
  Bytes state = firsts[a];
  state[0x05] = 7;  // slot of unit 4
  std::fill(state.begin() + 0x7C, state.end(), 0);
  state[0x1F] = 0x01;
  state[0x20] = 0xF4;  // 500 ms
  console.send(2, e.unitPort(), state);
  // A control datagram: channel 2 gain 45 and Mute on (changed mark set),
  // channel 12 Rbin instead of Mute.
  Bytes control = state;
  control[0x05] = 0;
  control[0x1F] = 0x00;
  control[0x20] = 0x64;
  control[0x22 + 5 * 2 + 2] = 45;
  control[0x22 + 5 * 2 + 4] = 0x80 | 0x20 | 0x04;
  control[0x22 + 5 * 12 + 4] = 0x04;
  console.send(2, e.unitPort(), control);
  // KR-9X: its first report's meters echoed = state; zero meters = control.
  Bytes state97 = firsts[x];
  state97[0x1F] = 0x00;
  state97[0x20] = 0xC8;  // 200 ms
  console.send(3, e.unitPort(), state97);
  Bytes control97 = state97;
  for (std::size_t n = 0; n < 8; ++n) std::fill_n(control97.begin() + 0x22 + 6 * n, 4, 0);
  control97[0x22 + 6 * 1 + 4] = 0x80 | 45;  // gain 45, changed
  control97[0x22 + 6 * 1 + 5] = 0x80 | 0x10;  // Mute on, 48v off
  console.send(3, e.unitPort(), control97);
  console.send(3, e.unitPort(), Bytes(96, 0));  // wrong size

  ASSERT_TRUE(e.waitFor(5, 2000));
  EXPECT_FALSE(e.waitFor(6, 20));  // nothing more comes
  ASSERT_EQ(e.received().size(), 5u);
  EXPECT_EQ(e.receivedCount(a, Kind::State), 1u);
  EXPECT_EQ(e.receivedCount(a, Kind::Control), 1u);
  EXPECT_EQ(e.receivedCount(x, Kind::State), 1u);
  EXPECT_EQ(e.receivedCount(x, Kind::Control), 1u);
  EXPECT_EQ(e.receivedCount(x, Kind::Unknown), 1u);
  EXPECT_EQ(e.receivedCount(twin, Kind::State), 0u);
  EXPECT_EQ(e.received()[0].bytes, state);

  // The period came from the state datagram, not from the control datagram.
  EXPECT_EQ(e.periodMs(a), 500);
  EXPECT_EQ(e.periodMs(x), 200);
  EXPECT_EQ(e.periodMs(twin), 100);
  e.tick(499);
  EXPECT_EQ(e.reportsSent(a), 1u);
  e.tick(500);
  EXPECT_EQ(e.reportsSent(a), 2u);

  // Later reports carry what the console set; the changed mark is not echoed.
  const Bytes ra = e.reportBytes(a);
  EXPECT_EQ(ra[0x1F], 0x01);
  EXPECT_EQ(ra[0x20], 0xF4);
  EXPECT_EQ(ra[0x22 + 5 * 2 + 2], 45);
  EXPECT_EQ(ra[0x22 + 5 * 2 + 4], 0x24);
  EXPECT_TRUE(e.switchOn(a, 2, emu::Switch::Mute));
  EXPECT_TRUE(e.switchOn(a, 12, emu::Switch::Rbin));
  EXPECT_FALSE(e.switchOn(a, 12, emu::Switch::Mute));
  EXPECT_EQ(ra[0x22 + 5 * 3 + 2], firsts[a][0x22 + 5 * 3 + 2]);  // other channels as before
  const Bytes rx = e.reportBytes(x);
  EXPECT_EQ(rx[0x22 + 6 * 1 + 4], 45);
  EXPECT_EQ(rx[0x22 + 6 * 1 + 5], 0x10);
  EXPECT_TRUE(e.switchOn(x, 1, emu::Switch::Mute));
  EXPECT_FALSE(e.switchOn(x, 1, emu::Switch::Phantom48v));
  EXPECT_EQ(rx[0x22 + 6 * 1], firsts[x][0x22 + 6 * 1]);  // meters are the unit's own

  // A network configuration (it states an address) and a wrong-model
  // datagram are recorded but change nothing; the list clears.
  e.clearReceived();
  Bytes netConfig = e.reportBytes(a);
  netConfig[0x05] = 7;
  netConfig[0x22 + 2] = 60;  // a gain that must not be taken
  netConfig[0x7F] = 9;       // new address 127.0.0.9
  console.send(2, e.unitPort(), netConfig);
  console.send(3, e.unitPort(), control);
  ASSERT_TRUE(e.waitFor(2, 2000));
  EXPECT_EQ(e.received()[0].kind, Kind::NetConfig);
  EXPECT_EQ(e.received()[1].kind, Kind::Unknown);
  EXPECT_EQ(e.reportBytes(a), ra);
  EXPECT_EQ(e.reportBytes(x), rx);
}

}  // namespace
