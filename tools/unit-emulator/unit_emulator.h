// Unit emulator: plays KR-960, KR-960/8 and KR-9X preamplifier units on the
// loopback network so the console's network layer can be tested and
// benchmarked without hardware.
//
// Every unit owns one UDP socket bound to 127.0.0.<hostOctet>:<unitPort>. It
// sends its report datagrams from there to the console at 127.0.0.1:<pcPort>
// and receives the console's state, control and network-configuration
// datagrams on it. Report bytes come from this emulator's own tables, never
// from the console's code.
//
// Nothing here reads a clock: tick() takes the time from the caller, and the
// only waiting is poll() with the caller's timeout. Single-threaded: one
// Emulator belongs to one thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace emu {

enum class Model { KR960, KR960_8, KR9X };

// 132 bytes for the KR-960 and KR-960/8, 97 bytes for the KR-9X.
std::size_t reportSize(Model model);
// Channels of the unit: 16, 8, 8.
int channelCount(Model model);
const char* modelName(Model model);

// Switches of a channel. Their bits in a channel record differ by family:
//   KR-960 family (record byte 4): Pad 0, 48v 1, Rbin 2, Sqrt 3, Pol 4, Mute 5
//   KR-9X (record byte 5):         Link 0, 48v 1, Pad 2, Pol 3, Mute 4
// Bit 7 of the byte is the console's "changed" mark, never a switch.
enum class Switch { Pad, Phantom48v, Rbin, Sqrt, Pol, Mute, Link };
// The switch's bit mask in the model's record, 0 when the model lacks it.
std::uint8_t switchMask(Model model, Switch sw);

// KR-9X supply readings as raw bytes (48 V in 0.5 V steps, 24 V in 0.2 V,
// 5 V and 3.3 V in 0.1 V). The defaults read 48.0, 24.0, 5.0 and 3.3 V.
struct Supplies {
  std::uint8_t v48 = 96;
  std::uint8_t v24 = 120;
  std::uint8_t v5 = 50;
  std::uint8_t v3v3 = 33;
};

// Everything a unit reports. Multi-byte words are held as numbers and go on
// the wire big-endian (most significant byte first).
struct UnitConfig {
  Model model = Model::KR960;
  int unitId = 1;  // sent as is (low byte), so out-of-range IDs can be tried
  std::array<std::uint8_t, 6> mac{};
  std::uint8_t hostOctet = 2;         // the unit lives on 127.0.0.<hostOctet>, 1 to 254
  std::uint16_t meterPeriodMs = 100;  // report period until the console sets one
  std::uint8_t packetSource = 0x01;   // byte 0x04; the console answers with 3
  // Byte 0x21. KR-960 family: bit 0 set = 16 channels (KR-960), clear =
  // KR-960/8; bit 1 automatic IP; bit 2 MIDI; bit 3 DANTE; bit 4 DSD; bit 5
  // MADI. KR-9X: any nonzero value means active. Sent as configured (0 only
  // while the unit is in local mode), so a wrong bit 0 can be tried.
  std::uint8_t optionByte = 0x01;
  // KR-960 family, bytes 0x80-0x83. 0xFFFFFF00 is 255.255.255.0: the number
  // is written most significant byte first, which is network order.
  std::uint32_t subnetMask = 0xFFFFFF00;
  std::uint32_t firmwareVersion = 0x00010203;  // 0x0E
  std::uint32_t guiVersion = 0x00000105;       // 0x12
  std::uint32_t segmentWord = 0x01020304;      // 0x16
  std::uint32_t sequenceWord = 0;              // 0x1A
  // Byte 0x1E. KR-960 family: bit 1 aux power (driven by setAuxPower, so
  // leave it clear here), bit 2 the unit offers the Advanced functions.
  std::uint8_t statusFlags = 0x04;
  // KR-960 family byte 0x72 (bits 0-1 split level, bit 5 sample rate 4X);
  // KR-9X byte 0x52 (the value 1 is the console's "status 1" latch).
  std::uint8_t unitStatusByte = 0x00;
  std::uint8_t temperature = 40;  // whole degrees Celsius: 0x75 / 0x59
  // Per channel, channel 0 first; the model uses the first channelCount().
  std::array<std::uint8_t, 16> gainCodes{};    // gain in dB (bits 0-6)
  std::array<std::uint8_t, 16> switchFlags{};  // switch bits of the model's layout
  std::array<std::uint8_t, 16> splitValues{};  // KR-960 family record byte 3
  // Meters. KR-960 family: meterPeak is record byte 0 and meterAverage byte 1,
  // 0 to 255, level = -0.5 dB per step. KR-9X: Pk and Avg, -255 to +255, sent
  // as sign byte (1 = positive or zero, 0 = negative) and magnitude byte; zero
  // goes out as 01 00 so a KR-9X report never has an all-zero meter.
  std::array<std::int16_t, 16> meterPeak{};
  std::array<std::int16_t, 16> meterAverage{};
  // KR-9X only.
  Supplies supplies;
  std::array<std::uint8_t, 2> kr9xFormatBytes{0x02, 0x00};  // bytes 0x06-0x07
  std::uint32_t serverAddress = 0x7F000001;  // 0x5D-0x60, least significant byte first
};

// A sensible unit of the model. serial (1 to 253) makes it distinct: MAC
// 02:4B:56:<model>:80:<serial> (no zero byte) and host octet serial + 1.
// Gains, switches and meters differ per channel so a record read from the
// wrong offset shows.
UnitConfig defaultConfig(Model model, int unitId, int serial);

// What the console sent. For 132 bytes: byte 0x05 zero = Control, else
// 0x7C-0x83 all zero = State, else NetConfig (it states an address). For 97
// bytes: Pk and Avg of all 8 records zero = Control, else State. A datagram
// whose length is not the unit's model's report size, or that does not start
// with "KOVA", is Unknown.
enum class Kind { State, Control, NetConfig, Unknown };
const char* kindName(Kind kind);
Kind classify(Model model, const std::vector<std::uint8_t>& bytes);

struct Received {
  int unit;  // index returned by addUnit
  Kind kind;
  std::vector<std::uint8_t> bytes;
};

class Emulator {
 public:
  // pcPort: the console's receive port on 127.0.0.1. unitPort: every unit's
  // own port; 0 lets the first unit take a free port that later units share
  // (read it back with unitPort()). Throws std::system_error / invalid_argument.
  Emulator(std::uint16_t pcPort, std::uint16_t unitPort);
  ~Emulator();
  Emulator(const Emulator&) = delete;
  Emulator& operator=(const Emulator&) = delete;

  std::uint16_t pcPort() const { return pcPort_; }
  std::uint16_t unitPort() const { return unitPort_; }

  // Opens the unit's socket on 127.0.0.<hostOctet>:unitPort and returns the
  // unit's index (0, 1, ...). A second unit with an ID already in use and
  // another MAC plays an ID conflict. Throws when the socket cannot be bound
  // or the host octet is taken or out of 1-254.
  int addUnit(const UnitConfig& config);
  int unitCount() const;
  // The unit's current values (including gains and switches set by the
  // console's control datagrams). The reference lasts until the next addUnit.
  const UnitConfig& config(int unit) const;

  // The exact datagram the unit's next report carries, without sending it.
  std::vector<std::uint8_t> reportBytes(int unit) const;
  // Sends one report to 127.0.0.1:pcPort. A silent unit sends nothing.
  // Returns true when the whole datagram went out.
  bool sendReport(int unit);
  // Sends any bytes from the unit's socket (also while silent).
  bool sendRaw(int unit, const std::vector<std::uint8_t>& bytes);

  // Sends a report from every unit that is due: never reported yet, or at
  // least its period since the last report by tick. Silent units are skipped.
  // Returns the number of reports sent.
  std::size_t tick(std::uint64_t nowMs);
  // The report period: the last nonzero period of a state datagram from the
  // console, else the configured one. Reported at 0x1F.
  std::uint16_t periodMs(int unit) const;
  std::uint64_t reportsSent(int unit) const;

  // Scenario switches.
  void setSilent(int unit, bool silent);        // stops all reports
  void setLocalMode(int unit, bool local);      // option byte 0 in reports
  void setAuxPower(int unit, bool aux);         // bit 1 of 0x1E; no effect on a KR-9X
  void setUnitId(int unit, int unitId);         // the unit is given a new ID
  void setMeter(int unit, int channel, int peak, int average);
  void setSupplies(int unit, const Supplies& supplies);  // KR-9X
  void setTemperature(int unit, std::uint8_t celsius);
  void setSubnetMask(int unit, std::uint32_t mask);      // KR-960 family
  // Pins one byte of every later report (applied last), for odd reports
  // such as a wrong format code (a later pin of the same offset wins);
  // clearReportBytes drops all pins of the unit.
  void setReportByte(int unit, std::size_t offset, std::uint8_t value);
  void clearReportBytes(int unit);
  bool switchOn(int unit, int channel, Switch sw) const;

  // Waits up to timeoutMs (poll) for datagrams on the unit sockets, then
  // reads all that are available, records and applies each. Returns the
  // number recorded by this call. timeoutMs 0 only drains.
  std::size_t pump(int timeoutMs);
  // Pumps until at least count datagrams are recorded in total or timeoutMs
  // has passed. True when the count was reached.
  bool waitFor(std::size_t count, int timeoutMs);
  const std::vector<Received>& received() const { return received_; }
  std::size_t receivedCount(int unit, Kind kind) const;
  void clearReceived() { received_.clear(); }

 private:
  struct Unit;
  Unit& at(int unit);
  const Unit& at(int unit) const;
  void apply(Unit& unit, Kind kind, const std::vector<std::uint8_t>& bytes);

  std::uint16_t pcPort_;
  std::uint16_t unitPort_;
  std::vector<Unit> units_;
  std::vector<Received> received_;
};

// The moving meters of a unit playing a show: triangle waves over 60 steps,
// advancing every 20 ms, a different phase per unit and channel.
void moveMeterPattern(Emulator& emulator, int unit, std::uint64_t nowMs);

// Lowercase hex bytes separated by blanks.
std::string toHex(const std::vector<std::uint8_t>& bytes);

}  // namespace emu
