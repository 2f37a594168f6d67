#include "unit_emulator.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace emu {

namespace {

// Both report formats.
constexpr std::uint8_t kMagic[4] = {'K', 'O', 'V', 'A'};
constexpr std::size_t kSourceAt = 0x04;
constexpr std::size_t kUnitIdAt = 0x05;
constexpr std::size_t kFormatAt = 0x06;
constexpr std::size_t kMacAt = 0x08;
constexpr std::size_t kFirmwareAt = 0x0E;
constexpr std::size_t kGuiAt = 0x12;
constexpr std::size_t kSegmentAt = 0x16;
constexpr std::size_t kSequenceAt = 0x1A;
constexpr std::size_t kStatusFlagsAt = 0x1E;
constexpr std::size_t kPeriodAt = 0x1F;
constexpr std::size_t kOptionAt = 0x21;
constexpr std::size_t kRecordsAt = 0x22;

// 132-byte format (KR-960, KR-960/8): 16 records of meter, meter2, gain code,
// split value, switch flags.
constexpr std::size_t kSize132 = 132;
constexpr std::uint8_t kFormatCode132 = 3;
constexpr std::size_t kRecord132 = 5;
constexpr std::size_t kRecords132 = 16;
constexpr std::size_t kUnitStatusAt132 = 0x72;
constexpr std::size_t kTemperatureAt132 = 0x75;
constexpr std::size_t kAddressAt132 = 0x7C;
constexpr std::size_t kMaskAt132 = 0x80;
constexpr std::uint8_t kAuxPowerBit = 0x02;

// 97-byte format (KR-9X): 8 records of Pk, Avg (two bytes each), gain code,
// switch flags.
constexpr std::size_t kSize97 = 97;
constexpr std::size_t kRecord97 = 6;
constexpr std::size_t kRecords97 = 8;
constexpr std::size_t kUnitStatusAt97 = 0x52;
constexpr std::size_t kSupplyAt97 = 0x55;  // 48 V, 24 V, 5 V, 3.3 V
constexpr std::size_t kTemperatureAt97 = 0x59;
constexpr std::size_t kServerAt97 = 0x5D;

constexpr std::uint8_t kChangedBit = 0x80;
constexpr std::size_t kMaxDrainPerSocket = 4096;

bool is132(Model model) { return model != Model::KR9X; }

void put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v >> 8);
  b[at + 1] = static_cast<std::uint8_t>(v);
}

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

std::uint16_t get16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}

std::uint8_t clampByte(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

// A KR-9X meter: sign byte (1 positive or zero, 0 negative), then magnitude.
void putMeter97(std::vector<std::uint8_t>& b, std::size_t at, int v) {
  v = std::clamp(v, -255, 255);
  b[at] = v < 0 ? 0x00 : 0x01;
  b[at + 1] = static_cast<std::uint8_t>(v < 0 ? -v : v);
}

sockaddr_in loopback(std::uint8_t hostOctet, std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(0x7F000000u | hostOctet);
  return a;
}

[[noreturn]] void throwErrno(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

std::size_t reportSize(Model model) { return is132(model) ? kSize132 : kSize97; }

int channelCount(Model model) { return model == Model::KR960 ? 16 : 8; }

const char* modelName(Model model) {
  switch (model) {
    case Model::KR960: return "KR-960";
    case Model::KR960_8: return "KR-960/8";
    case Model::KR9X: return "KR-9X";
  }
  return "?";
}

std::uint8_t switchMask(Model model, Switch sw) {
  if (is132(model)) {
    switch (sw) {
      case Switch::Pad: return 0x01;
      case Switch::Phantom48v: return 0x02;
      case Switch::Rbin: return 0x04;
      case Switch::Sqrt: return 0x08;
      case Switch::Pol: return 0x10;
      case Switch::Mute: return 0x20;
      case Switch::Link: return 0;
    }
    return 0;
  }
  switch (sw) {
    case Switch::Link: return 0x01;
    case Switch::Phantom48v: return 0x02;
    case Switch::Pad: return 0x04;
    case Switch::Pol: return 0x08;
    case Switch::Mute: return 0x10;
    case Switch::Rbin:
    case Switch::Sqrt: return 0;
  }
  return 0;
}

UnitConfig defaultConfig(Model model, int unitId, int serial) {
  if (serial < 1 || serial > 253) throw std::invalid_argument("serial must be 1 to 253");
  UnitConfig c;
  c.model = model;
  c.unitId = unitId;
  const std::uint8_t modelByte = model == Model::KR960 ? 0x60 : model == Model::KR960_8 ? 0x68 : 0x90;
  c.mac = {0x02, 0x4B, 0x56, modelByte, 0x80, static_cast<std::uint8_t>(serial)};
  c.hostOctet = static_cast<std::uint8_t>(serial + 1);
  c.optionByte = model == Model::KR960_8 ? 0x08 : 0x01;  // KR-960/8: DANTE, bit 0 clear
  c.statusFlags = is132(model) ? 0x04 : 0x00;
  for (int ch = 0; ch < 16; ++ch) {
    c.gainCodes[ch] = static_cast<std::uint8_t>(20 + ch);
    if (is132(model)) {
      // Pad, 48v, Rbin, Sqrt, Pol, Mute, none, then again.
      c.switchFlags[ch] = ch % 7 == 6 ? 0 : static_cast<std::uint8_t>(1 << (ch % 7));
      c.meterPeak[ch] = static_cast<std::int16_t>(10 + 6 * ch);
      c.meterAverage[ch] = static_cast<std::int16_t>(12 + 6 * ch);
    } else {
      // Link, 48v, Pad, Pol, Mute, then none.
      c.switchFlags[ch] = ch < 5 ? static_cast<std::uint8_t>(1 << ch) : 0;
      c.meterPeak[ch] = static_cast<std::int16_t>(20 - 8 * ch);
      c.meterAverage[ch] = static_cast<std::int16_t>(17 - 8 * ch);
    }
  }
  return c;
}

const char* kindName(Kind kind) {
  switch (kind) {
    case Kind::State: return "state";
    case Kind::Control: return "control";
    case Kind::NetConfig: return "netconfig";
    case Kind::Unknown: return "unknown";
  }
  return "?";
}

Kind classify(Model model, const std::vector<std::uint8_t>& b) {
  if (b.size() != reportSize(model) || !std::equal(kMagic, kMagic + 4, b.begin())) return Kind::Unknown;
  if (is132(model)) {
    if (b[kUnitIdAt] == 0) return Kind::Control;
    const bool noAddress = std::all_of(b.begin() + kAddressAt132, b.begin() + kMaskAt132 + 4,
                                       [](std::uint8_t x) { return x == 0; });
    return noAddress ? Kind::State : Kind::NetConfig;
  }
  for (std::size_t n = 0; n < kRecords97; ++n) {
    const std::size_t r = kRecordsAt + kRecord97 * n;
    if (b[r] | b[r + 1] | b[r + 2] | b[r + 3]) return Kind::State;
  }
  return Kind::Control;
}

std::string toHex(const std::vector<std::uint8_t>& bytes) {
  std::string s;
  s.reserve(bytes.size() * 3);
  char buf[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(buf, sizeof buf, i ? " %02x" : "%02x", bytes[i]);
    s += buf;
  }
  return s;
}

struct Emulator::Unit {
  UnitConfig config;
  int fd = -1;
  bool silent = false;
  bool local = false;
  std::uint16_t period = 100;
  bool ticked = false;       // tick() has sent at least once
  std::uint64_t lastTickMs = 0;
  std::uint64_t sent = 0;
  std::vector<std::pair<std::size_t, std::uint8_t>> pins;
};

Emulator::Emulator(std::uint16_t pcPort, std::uint16_t unitPort) : pcPort_(pcPort), unitPort_(unitPort) {
  if (pcPort == 0) throw std::invalid_argument("the console's port must not be 0");
}

Emulator::~Emulator() {
  for (Unit& u : units_) ::close(u.fd);
}

int Emulator::unitCount() const { return static_cast<int>(units_.size()); }

Emulator::Unit& Emulator::at(int unit) {
  if (unit < 0 || unit >= unitCount()) throw std::out_of_range("no such unit");
  return units_[static_cast<std::size_t>(unit)];
}

const Emulator::Unit& Emulator::at(int unit) const {
  if (unit < 0 || unit >= unitCount()) throw std::out_of_range("no such unit");
  return units_[static_cast<std::size_t>(unit)];
}

int Emulator::addUnit(const UnitConfig& config) {
  if (config.hostOctet < 1 || config.hostOctet > 254) throw std::invalid_argument("host octet must be 1 to 254");
  for (const Unit& u : units_)
    if (u.config.hostOctet == config.hostOctet) throw std::invalid_argument("host octet already taken");

  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) throwErrno("socket");
  sockaddr_in a = loopback(config.hostOctet, unitPort_);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
    const int e = errno;
    ::close(fd);
    errno = e;
    throwErrno("bind 127.0.0." + std::to_string(config.hostOctet) + ":" + std::to_string(unitPort_));
  }
  if (unitPort_ == 0) {
    socklen_t len = sizeof a;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
      const int e = errno;
      ::close(fd);
      errno = e;
      throwErrno("getsockname");
    }
    unitPort_ = ntohs(a.sin_port);
  }
  Unit u;
  u.config = config;
  u.fd = fd;
  u.period = config.meterPeriodMs;
  units_.push_back(std::move(u));
  return unitCount() - 1;
}

const UnitConfig& Emulator::config(int unit) const { return at(unit).config; }

std::vector<std::uint8_t> Emulator::reportBytes(int unit) const {
  const Unit& u = at(unit);
  const UnitConfig& c = u.config;
  std::vector<std::uint8_t> b(reportSize(c.model), 0);
  std::copy(kMagic, kMagic + 4, b.begin());
  b[kSourceAt] = c.packetSource;
  b[kUnitIdAt] = static_cast<std::uint8_t>(c.unitId);
  std::copy(c.mac.begin(), c.mac.end(), b.begin() + kMacAt);
  put32(b, kFirmwareAt, c.firmwareVersion);
  put32(b, kGuiAt, c.guiVersion);
  put32(b, kSegmentAt, c.segmentWord);
  put32(b, kSequenceAt, c.sequenceWord);
  b[kStatusFlagsAt] = c.statusFlags;
  put16(b, kPeriodAt, u.period);
  b[kOptionAt] = u.local ? 0 : c.optionByte;
  const int channels = channelCount(c.model);

  if (is132(c.model)) {
    b[kFormatAt] = kFormatCode132;
    for (int n = 0; n < channels; ++n) {
      const std::size_t r = kRecordsAt + kRecord132 * static_cast<std::size_t>(n);
      b[r] = clampByte(c.meterPeak[n]);
      b[r + 1] = clampByte(c.meterAverage[n]);
      b[r + 2] = c.gainCodes[n];
      b[r + 3] = c.splitValues[n];
      b[r + 4] = c.switchFlags[n];
    }
    b[kUnitStatusAt132] = c.unitStatusByte;
    b[kTemperatureAt132] = c.temperature;
    put32(b, kAddressAt132, 0x7F000000u | c.hostOctet);
    put32(b, kMaskAt132, c.subnetMask);
  } else {
    b[kFormatAt] = c.kr9xFormatBytes[0];
    b[kFormatAt + 1] = c.kr9xFormatBytes[1];
    for (int n = 0; n < channels; ++n) {
      const std::size_t r = kRecordsAt + kRecord97 * static_cast<std::size_t>(n);
      putMeter97(b, r, c.meterPeak[n]);
      putMeter97(b, r + 2, c.meterAverage[n]);
      b[r + 4] = c.gainCodes[n];
      b[r + 5] = c.switchFlags[n];
    }
    b[kUnitStatusAt97] = c.unitStatusByte;
    b[kSupplyAt97] = c.supplies.v48;
    b[kSupplyAt97 + 1] = c.supplies.v24;
    b[kSupplyAt97 + 2] = c.supplies.v5;
    b[kSupplyAt97 + 3] = c.supplies.v3v3;
    b[kTemperatureAt97] = c.temperature;
    for (int i = 0; i < 4; ++i) b[kServerAt97 + i] = static_cast<std::uint8_t>(c.serverAddress >> (8 * i));
  }
  for (const auto& [offset, value] : u.pins)
    if (offset < b.size()) b[offset] = value;
  return b;
}

bool Emulator::sendRaw(int unit, const std::vector<std::uint8_t>& bytes) {
  const Unit& u = at(unit);
  const sockaddr_in to = loopback(1, pcPort_);
  const ssize_t n = ::sendto(u.fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  return n == static_cast<ssize_t>(bytes.size());
}

bool Emulator::sendReport(int unit) {
  Unit& u = at(unit);
  if (u.silent) return false;
  if (!sendRaw(unit, reportBytes(unit))) return false;
  ++u.sent;
  return true;
}

std::size_t Emulator::tick(std::uint64_t nowMs) {
  std::size_t count = 0;
  for (int i = 0; i < unitCount(); ++i) {
    Unit& u = units_[static_cast<std::size_t>(i)];
    if (u.silent) continue;
    if (!u.ticked) {
      u.ticked = true;
      u.lastTickMs = nowMs;
    } else if (nowMs >= u.lastTickMs + u.period) {
      // Keep the cadence; after a long gap (or a resume) start it afresh.
      u.lastTickMs += u.period;
      if (nowMs >= u.lastTickMs + u.period) u.lastTickMs = nowMs;
    } else {
      continue;
    }
    if (sendReport(i)) ++count;
  }
  return count;
}

std::uint16_t Emulator::periodMs(int unit) const { return at(unit).period; }
std::uint64_t Emulator::reportsSent(int unit) const { return at(unit).sent; }

void Emulator::setSilent(int unit, bool silent) { at(unit).silent = silent; }
void Emulator::setLocalMode(int unit, bool local) { at(unit).local = local; }

void Emulator::setAuxPower(int unit, bool aux) {
  UnitConfig& c = at(unit).config;
  if (!is132(c.model)) return;
  c.statusFlags = static_cast<std::uint8_t>(aux ? c.statusFlags | kAuxPowerBit : c.statusFlags & ~kAuxPowerBit);
}

void Emulator::setUnitId(int unit, int unitId) { at(unit).config.unitId = unitId; }

void Emulator::setMeter(int unit, int channel, int peak, int average) {
  UnitConfig& c = at(unit).config;
  if (channel < 0 || channel >= channelCount(c.model)) throw std::out_of_range("no such channel");
  const int lo = is132(c.model) ? 0 : -255;
  c.meterPeak[channel] = static_cast<std::int16_t>(std::clamp(peak, lo, 255));
  c.meterAverage[channel] = static_cast<std::int16_t>(std::clamp(average, lo, 255));
}

void Emulator::setSupplies(int unit, const Supplies& supplies) { at(unit).config.supplies = supplies; }
void Emulator::setTemperature(int unit, std::uint8_t celsius) { at(unit).config.temperature = celsius; }
void Emulator::setSubnetMask(int unit, std::uint32_t mask) { at(unit).config.subnetMask = mask; }

void Emulator::setReportByte(int unit, std::size_t offset, std::uint8_t value) {
  at(unit).pins.emplace_back(offset, value);
}

void Emulator::clearReportBytes(int unit) { at(unit).pins.clear(); }

bool Emulator::switchOn(int unit, int channel, Switch sw) const {
  const UnitConfig& c = at(unit).config;
  if (channel < 0 || channel >= channelCount(c.model)) throw std::out_of_range("no such channel");
  return (c.switchFlags[channel] & switchMask(c.model, sw)) != 0;
}

// What a unit takes from the console: the report period of a state datagram,
// and from a control datagram the gains and switches of every channel (the
// console sends its whole view of the unit, the changed channel marked by
// bit 7). A KR-960/8 gets no split values in control datagrams (the console
// zeroes them there), so its split values stay as they are.
void Emulator::apply(Unit& u, Kind kind, const std::vector<std::uint8_t>& b) {
  UnitConfig& c = u.config;
  if (kind == Kind::State) {
    const std::uint16_t period = get16(b, kPeriodAt);
    if (period != 0) u.period = period;
    return;
  }
  if (kind != Kind::Control) return;
  const int channels = channelCount(c.model);
  for (int n = 0; n < channels; ++n) {
    if (is132(c.model)) {
      const std::size_t r = kRecordsAt + kRecord132 * static_cast<std::size_t>(n);
      c.gainCodes[n] = b[r + 2];
      if (c.model == Model::KR960) c.splitValues[n] = b[r + 3];
      c.switchFlags[n] = static_cast<std::uint8_t>(b[r + 4] & ~kChangedBit);
    } else {
      const std::size_t r = kRecordsAt + kRecord97 * static_cast<std::size_t>(n);
      c.gainCodes[n] = static_cast<std::uint8_t>(b[r + 4] & ~kChangedBit);
      c.switchFlags[n] = static_cast<std::uint8_t>(b[r + 5] & ~kChangedBit);
    }
  }
}

std::size_t Emulator::pump(int timeoutMs) {
  if (units_.empty()) return 0;
  std::vector<pollfd> fds(units_.size());
  for (std::size_t i = 0; i < units_.size(); ++i) fds[i] = pollfd{units_[i].fd, POLLIN, 0};
  if (::poll(fds.data(), fds.size(), std::max(timeoutMs, 0)) <= 0) return 0;

  std::size_t count = 0;
  std::vector<std::uint8_t> buf(65536);
  for (std::size_t i = 0; i < fds.size(); ++i) {
    if (!(fds[i].revents & (POLLIN | POLLERR))) continue;
    for (std::size_t k = 0; k < kMaxDrainPerSocket; ++k) {
      const ssize_t n = ::recv(units_[i].fd, buf.data(), buf.size(), MSG_DONTWAIT);
      if (n < 0) break;  // drained (EAGAIN) or an error: nothing more now
      Received r{static_cast<int>(i), Kind::Unknown, std::vector<std::uint8_t>(buf.begin(), buf.begin() + n)};
      r.kind = classify(units_[i].config.model, r.bytes);
      apply(units_[i], r.kind, r.bytes);
      received_.push_back(std::move(r));
      ++count;
    }
  }
  return count;
}

bool Emulator::waitFor(std::size_t count, int timeoutMs) {
  using clock = std::chrono::steady_clock;
  const auto deadline = clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  // Each round either records a datagram or runs into the deadline.
  for (std::size_t round = 0; round < count + 10000 && received_.size() < count; ++round) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
    if (left <= 0) {
      pump(0);
      break;
    }
    pump(static_cast<int>(left));
  }
  return received_.size() >= count;
}

std::size_t Emulator::receivedCount(int unit, Kind kind) const {
  return static_cast<std::size_t>(
      std::count_if(received_.begin(), received_.end(), [&](const Received& r) { return r.unit == unit && r.kind == kind; }));
}

void moveMeterPattern(Emulator& emulator, int unit, std::uint64_t nowMs) {
  const Model model = emulator.config(unit).model;
  for (int ch = 0; ch < channelCount(model); ++ch) {
    const int phase = static_cast<int>((nowMs / 20 + static_cast<std::uint64_t>(ch * 7 + unit * 3)) % 120);
    const int level = phase < 60 ? phase : 120 - phase;  // 0..60
    if (model == Model::KR9X)
      emulator.setMeter(unit, ch, -level, -level - 3);
    else
      emulator.setMeter(unit, ch, 2 * level, 2 * level + 6);
  }
}

}  // namespace emu
