#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The 132-byte datagram of the KR-960 and KR-960/8, the same layout in both
// directions. Offsets name every field; multi-byte numbers are big-endian on
// the wire.

namespace p132 {

constexpr std::size_t kSize = 132;

constexpr std::size_t kMagic = 0x00;          // "KOVA"
constexpr std::size_t kPacketSource = 0x04;
constexpr std::size_t kUnitId = 0x05;         // unit ID from the unit; the slot or 0 to it
constexpr std::size_t kFormatCode = 0x06;     // 3
constexpr std::size_t kFormatByte2 = 0x07;
constexpr std::size_t kMac = 0x08;            // 6 bytes
constexpr std::size_t kFrmVer = 0x0E;         // u32
constexpr std::size_t kGuiVer = 0x12;         // u32
constexpr std::size_t kKrSeg = 0x16;          // u32
constexpr std::size_t kPcSeq = 0x1A;          // u32
constexpr std::size_t kStatusFlags = 0x1E;
constexpr std::size_t kERate = 0x1F;          // u16, meter/report period in ms
constexpr std::size_t kOptionFlags = 0x21;
constexpr std::size_t kRecords = 0x22;        // 16 channel records of 5 bytes
constexpr std::size_t kUnitStatusByte = 0x72;
constexpr std::size_t kReserved73 = 0x73;     // 2 bytes
constexpr std::size_t kTemp = 0x75;
constexpr std::size_t kReserved76 = 0x76;
constexpr std::size_t kReserved77 = 0x77;
constexpr std::size_t kReserved78 = 0x78;     // 4 bytes
constexpr std::size_t kUnitIp = 0x7C;         // 4 bytes, network order
constexpr std::size_t kSubnetMask = 0x80;     // 4 bytes, network order

constexpr std::uint8_t kFormatCodeValue = 3;
constexpr std::uint8_t kPacketSourcePc = 3;

// One channel record.
constexpr std::size_t kRecordSize = 5;
constexpr std::size_t kRecordCount = 16;
constexpr std::size_t kRecMeter = 0;
constexpr std::size_t kRecMeter2 = 1;
constexpr std::size_t kRecGainCode = 2;
constexpr std::size_t kRecSplitValue = 3;
constexpr std::size_t kRecFlags = 4;

constexpr std::size_t RecordOffset(std::size_t n) { return kRecords + kRecordSize * n; }

static_assert(RecordOffset(kRecordCount) == kUnitStatusByte, "records end where 0x72 begins");
static_assert(kSubnetMask + 4 == kSize, "the mask closes the datagram");

// Bits of the record's flags byte.
constexpr int kFlagPad = 0;
constexpr int kFlag48v = 1;
constexpr int kFlagRbin = 2;
constexpr int kFlagSqrt = 3;
constexpr int kFlagPol = 4;
constexpr int kFlagMute = 5;
constexpr int kFlagChanged = 7;

// Bits of the status flags (0x1E).
constexpr int kStatusIdentify = 0;
constexpr int kStatusAuxPower = 1;
constexpr int kStatusAdvanced = 2;
constexpr int kStatusSnake = 3;

// Bits of the option flags (0x21).
constexpr int kOption16Channels = 0;
constexpr int kOptionAutoIp = 1;
constexpr int kOptionMidi = 2;
constexpr int kOptionDante = 3;

// Bits of the unit status byte (0x72).
constexpr int kUnitStatusSplit8 = 4;
constexpr int kUnitStatus4x = 5;

} // namespace p132

using UnitPacket132 = std::array<std::uint8_t, p132::kSize>;
