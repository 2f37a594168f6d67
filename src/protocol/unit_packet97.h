#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The 97-byte datagram of the KR-9X, the same layout in both directions.
// Offsets name every field; multi-byte numbers are big-endian on the wire.

namespace p97 {

constexpr std::size_t kSize = 97;

constexpr std::size_t kMagic = 0x00;          // "KOVA"
constexpr std::size_t kPacketSource = 0x04;
constexpr std::size_t kUnitId = 0x05;         // unit ID 17..32 from the unit; the slot 33..48 to it
constexpr std::size_t kFormatByte1 = 0x06;
constexpr std::size_t kFormatByte2 = 0x07;
constexpr std::size_t kMac = 0x08;            // 6 bytes
constexpr std::size_t kFrmVer = 0x0E;         // u32
constexpr std::size_t kGuiVer = 0x12;         // u32
constexpr std::size_t kKrSeg = 0x16;          // u32
constexpr std::size_t kPcSeq = 0x1A;          // u32
constexpr std::size_t kStatusFlags = 0x1E;
constexpr std::size_t kERate = 0x1F;          // u16, meter/report period in ms
constexpr std::size_t kOptionFlags = 0x21;    // 0: the unit is in local mode
constexpr std::size_t kRecords = 0x22;        // 8 channel records of 6 bytes
constexpr std::size_t kUnitStatusByte = 0x52;
constexpr std::size_t kReserved53 = 0x53;     // 2 bytes
constexpr std::size_t kPs48V = 0x55;          // x 0.5 V
constexpr std::size_t kPs24V = 0x56;          // x 0.2 V
constexpr std::size_t kPs5V = 0x57;           // x 0.1 V
constexpr std::size_t kPs3V3 = 0x58;          // x 0.1 V
constexpr std::size_t kTemp = 0x59;           // whole degrees Celsius
constexpr std::size_t kReserved5A = 0x5A;     // 3 bytes
constexpr std::size_t kServIp = 0x5D;         // 4 bytes, least-significant byte first

constexpr std::uint8_t kPacketSourcePc = 3;

// One channel record.
constexpr std::size_t kRecordSize = 6;
constexpr std::size_t kRecordCount = 8;
constexpr std::size_t kRecPk = 0;             // u16 peak meter, sign byte then magnitude
constexpr std::size_t kRecAvg = 2;            // u16 average meter, the same form
constexpr std::size_t kRecGainCode = 4;       // bits 0-6 gain in dB, bit 7 changed
constexpr std::size_t kRecFlags = 5;

constexpr std::size_t RecordOffset(std::size_t n) { return kRecords + kRecordSize * n; }

static_assert(kOptionFlags + 1 == kRecords, "the records follow the option byte");
static_assert(RecordOffset(kRecordCount) == kUnitStatusByte, "records end where 0x52 begins");
static_assert(kServIp + 4 == kSize, "the server address closes the datagram");

// Bits of the record's flags byte.
constexpr int kFlagLink = 0;
constexpr int kFlag48v = 1;
constexpr int kFlagPad = 2;
constexpr int kFlagPol = 3;
constexpr int kFlagMute = 4;
constexpr int kFlagChanged = 7;

// The gain code: the gain in dB below bit 7, which marks a changed gain.
constexpr std::uint8_t kGainMask = 0x7F;
constexpr int kGainChanged = 7;

// The unit status byte value that sets the program's status latch.
constexpr std::uint8_t kUnitStatusLatchValue = 1;

} // namespace p97

using UnitPacket97 = std::array<std::uint8_t, p97::kSize>;
static_assert(sizeof(UnitPacket97) == p97::kSize, "no padding");
