#pragma once

// Project files written byte by byte at the format's own offsets, so tests
// do not lean on the program's encoder to say what a file holds.

#include <QByteArray>
#include <QtEndian>

#include <cstdint>

namespace project_bytes {

constexpr int kHeaderBytes = 122;
constexpr int kRecordBytes = 113956;
constexpr int kPrefsAt = 14;

// Offsets within a scene record.
constexpr int kNameAt = 0x00004;
constexpr int kSliderAt = 0x000CC;
constexpr int kPolAt = 0x00CCC;
constexpr int kPadAt = 0x012CC;
constexpr int k48vAt = 0x018CC;
constexpr int kMuteAt = 0x01ECC;
constexpr int kSplitAt = 0x024CC;
constexpr int kSafeAt = 0x02ACC;
constexpr int kRbinAt = 0x030CC;
constexpr int kSqrtAt = 0x036CC;
constexpr int kLinkAt = 0x03CCC;
constexpr int kLinkGroupAt = 0x042CC;
constexpr int kLinkDownAt = 0x048CC;
constexpr int kLinkedOffsetAt = 0x04ECC;
constexpr int kChannelTitleAt = 0x063CC;
constexpr int kUnitNameAt = 0x18FCC;

inline void PutWord(QByteArray& bytes, qsizetype at, std::int32_t value)
{
    qToLittleEndian(value, bytes.data() + at);
}

inline std::int32_t WordAt(const QByteArray& bytes, qsizetype at)
{
    return qFromLittleEndian<std::int32_t>(bytes.constData() + at);
}

// Where a channel's word of a per-channel array lies in a record.
constexpr qsizetype WordOf(int arrayAt, int channel)
{
    return arrayAt + channel * 4;
}

// The header with the preferences of a project that never read a file.
inline QByteArray HeaderBytes()
{
    QByteArray bytes("QSX\0CONVERTED\0", 14);
    for (std::int32_t v : {0, 0, 0, 0, 100, 1, 0, 1, 0, 0, 3000, 20, 0, 1, 0, 0, 0, 0, 22, 1,
                           -18, 1, 1, 0, 1, 10, 1}) {
        char le[4];
        qToLittleEndian(v, le);
        bytes.append(le, 4);
    }
    return bytes;
}

// A record of 48 blocks named name, every other byte zero.
inline QByteArray RecordBytes(const QByteArray& name)
{
    QByteArray record(kRecordBytes, '\0');
    PutWord(record, 0, 48);
    record.replace(kNameAt, name.size(), name);
    return record;
}

} // namespace project_bytes
