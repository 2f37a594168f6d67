#!/usr/bin/env python3
"""Writes the hand-made kept inputs of fuzz/regressions/datagram and
fuzz/regressions/project. They are checked in as they are; run this again
only to change them, then look at the diff of the files it wrote.

   python3 fuzz/regressions/make_seeds.py

The datagram fuzzer reads its input as a run of datagrams, each led by one
byte: bits 0-1 pick the length (0: 97, 1 or 2: 132, 3: lead * 7 % 301),
bits 2-7 times 40 ms is how far the clock moves first, bit 6 puts a 97-byte
datagram's unit ID into the KR-9X range and bit 7 runs the watchdog after it.
A datagram the input ends inside of is filled up with zeros.
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------------------
# Datagrams
# ---------------------------------------------------------------------------

# Leads.
KR9X = 0x00             # a 97-byte datagram
KR960 = 0x01            # a 132-byte datagram
KR9X_ID_IN_RANGE = 0x40
WATCHDOG = 0x80


def clock(steps):
    """The lead bits that move the clock steps * 40 ms (0..15 without
    touching bits 6 and 7)."""
    assert 0 <= steps < 16
    return steps << 2


def odd_length_lead(length):
    """The first lead whose datagram is length bytes long (a multiple of 7
    up to 294); its other bits are what they happen to be."""
    for lead in range(256):
        if lead & 3 == 3 and lead * 7 % 301 == length:
            return lead
    raise ValueError(length)


def kr9x(unit_id=17, mac=b"\x00\x1d\xc1\x00\x00\x11", option=1, gain=20, flags=0x12,
         supplies=(96, 120, 50, 33, 40), status=0):
    """A 97-byte datagram as a KR-9X sends it; supplies are the raw bytes of
    48 V, 24 V, 5 V, 3.3 V and the temperature (all in range by default)."""
    p = bytearray(97)
    p[0:4] = b"KOVA"
    p[4] = 1
    p[5] = unit_id
    p[8:14] = mac
    struct.pack_into(">IIII", p, 0x0E, 0x01020304, 0x00050006, 7, 8)
    struct.pack_into(">H", p, 0x1F, 100)
    p[0x21] = option
    for n in range(8):
        at = 0x22 + 6 * n
        struct.pack_into(">HH", p, at, 0x0100 | (n * 16), 0x0100 | (n * 8))
        p[at + 4] = (gain + n) & 0x7F
        p[at + 5] = flags
    p[0x52] = status
    p[0x55:0x5A] = bytes(supplies)
    p[0x5D:0x61] = bytes([2, 0, 0, 127])  # least-significant byte first
    return bytes(p)


def kr960(unit_id=1, sixteen=True, mac=b"\x00\x1d\xc1\x00\x01\x01", option=None,
          format_code=3, mask=b"\xff\x00\x00\x00", status=0x20, gain=30):
    """A 132-byte datagram as a KR-960 (sixteen channels) or a KR-960/8
    sends it."""
    if option is None:
        option = 0x09 if sixteen else 0x04
    p = bytearray(132)
    p[0:4] = b"KOVA"
    p[4] = 1
    p[5] = unit_id
    p[6] = format_code
    p[8:14] = mac
    struct.pack_into(">IIII", p, 0x0E, 0x01020304, 0x00050006, 7, 8)
    p[0x1E] = 0
    struct.pack_into(">H", p, 0x1F, 100)
    p[0x21] = option
    for n in range(16):
        at = 0x22 + 5 * n
        p[at] = 0x80 + n
        p[at + 1] = 0x40 + n
        p[at + 2] = gain + n
        p[at + 3] = n
        p[at + 4] = 0x31 if n % 2 else 0x02
    p[0x72] = status
    p[0x75] = 41
    p[0x7C:0x80] = bytes([127, 0, 0, 2 + unit_id])
    p[0x80:0x84] = mask
    return bytes(p)


def frame(lead, datagram=b""):
    return bytes([lead]) + datagram


def mixed_run(size):
    """Units of all three models come, change, clash, move, go quiet and are
    dropped by the watchdog; the run is cut (or padded with KR-9X leads) to
    exactly size bytes."""
    other_mac = b"\x00\x1d\xc1\x00\x00\x99"
    steps = [
        frame(KR9X | clock(1), kr9x(17)),
        frame(KR960 | clock(1), kr960(1)),
        frame(KR960 | clock(1), kr960(3, sixteen=False, mac=b"\x00\x1d\xc1\x00\x03\x03")),
        frame(KR9X | clock(2), kr9x(18, mac=b"\x00\x1d\xc1\x00\x00\x12", gain=60)),
        # The last IDs: the top slot of each range.
        frame(KR9X | clock(1), kr9x(32, mac=b"\x00\x1d\xc1\x00\x00\x32")),
        frame(KR960 | clock(1), kr960(16, mac=b"\x00\x1d\xc1\x00\x01\x16")),
        # The same IDs again with changed gains and switches.
        frame(KR9X | clock(1), kr9x(17, gain=5, flags=0x9F)),
        frame(KR960 | clock(1), kr960(1, gain=61, status=0x10)),
        # Another unit under an ID already held: a conflict.
        frame(KR9X | clock(1), kr9x(17, mac=other_mac)),
        frame(KR960 | clock(1), kr960(1, mac=other_mac)),
        # The KR-960/8 comes back under another ID: it moved.
        frame(KR960 | clock(1), kr960(5, sixteen=False, mac=b"\x00\x1d\xc1\x00\x03\x03")),
        # Local mode, a supply fault, a wrong subnet mask.
        frame(KR9X | clock(1), kr9x(18, mac=b"\x00\x1d\xc1\x00\x00\x12", option=0)),
        frame(KR9X | clock(1), kr9x(17, supplies=(0, 0, 0, 0, 200))),
        frame(KR960 | clock(1), kr960(1, mask=b"\xff\xff\xff\x00")),
        frame(KR960 | clock(1), kr960(1, option=0)),
        # Out-of-range IDs and a 132-byte datagram of another format.
        frame(KR9X, kr9x(5)),
        frame(KR960, kr960(0)),
        frame(KR960, kr960(17)),
        frame(KR960, kr960(2, format_code=2)),
        # Odd lengths: ignored.
        frame(odd_length_lead(0)),
        frame(odd_length_lead(98), kr9x(19) + b"\x00"),
        frame(odd_length_lead(133), kr960(4) + b"\x00"),
        # Silence long enough for the watchdog to drop every unit, twice.
        frame(WATCHDOG | KR9X_ID_IN_RANGE | KR9X | clock(15)),
        frame(WATCHDOG | KR9X_ID_IN_RANGE | KR9X | clock(15)),
        # And back.
        frame(KR9X | clock(1), kr9x(17)),
        frame(KR960 | clock(1), kr960(1)),
        frame(WATCHDOG | KR960 | clock(1), kr960(7, sixteen=False, mac=b"\x00\x1d\xc1\x00\x07\x07")),
    ]
    out = b"".join(steps)
    while len(out) < size:
        out += frame(WATCHDOG | KR9X_ID_IN_RANGE | KR9X | clock(len(out) % 16),
                     kr9x(17 + len(out) % 16, mac=bytes([0, 0x1d, 0xc1, 0, 0, len(out) % 256])))
    return out[:size]


def datagram_inputs():
    valid9x = kr9x(17)
    valid960 = kr960(1)
    valid960_8 = kr960(2, sixteen=False, mac=b"\x00\x1d\xc1\x00\x02\x02")
    return {
        # 0 and 1 byte: nothing at all, and a lead with no datagram after it
        # (a 97-byte datagram of zeros whose ID is put in range).
        "empty": b"",
        "lead-only": frame(WATCHDOG | KR9X_ID_IN_RANGE | KR9X),
        # 96 to 98 bytes: a KR-9X datagram cut two and one bytes short, whole.
        "kr9x-two-bytes-short": frame(KR9X, valid9x[:95]),
        "kr9x-one-byte-short": frame(KR9X, valid9x[:96]),
        "kr9x-valid": frame(KR9X, valid9x),
        "kr9x-unit-id-out-of-range": frame(KR9X, kr9x(33)),
        "kr9x-last-unit-id": frame(KR9X, kr9x(32)),
        # 131 to 133 bytes: the 132-byte models cut short, whole, wrong.
        "kr960-two-bytes-short": frame(KR960, valid960[:130]),
        "kr960-8-one-byte-short": frame(KR960, valid960_8[:131]),
        "kr960-valid": frame(KR960, valid960),
        "kr960-8-valid": frame(KR960, valid960_8),
        "kr960-other-format-code": frame(KR960, kr960(1, format_code=2)),
        "kr960-unit-id-out-of-range": frame(KR960, kr960(17)),
        "kr960-last-unit-id": frame(KR960, kr960(16)),
        # A KR-960 that goes to local mode answers in the 8-channel form.
        "kr960-local-mode": frame(KR960, valid960) + frame(KR960 | clock(1), kr960(1, option=0)),
        # 4096 bytes: a long run through all three models and the watchdog.
        "mixed-4096": mixed_run(4096),
    }


# ---------------------------------------------------------------------------
# Project files
# ---------------------------------------------------------------------------

HEADER_SIZE = 122
RECORD_SIZE = 113956
DEFAULT_PREFS = [0, 0, 0, 0, 100, 1, 0, 1, 0, 0, 3000, 20, 0, 1, 0, 0, 0, 0, 22, 1,
                 -18, 1, 1, 0, 1, 10, 1]

# Offsets of a scene record.
R_BLOCKS = 0x00000
R_NAME = 0x00004
R_NOTES = 0x00068
R_SLIDER = 0x000CC
R_POL = 0x00CCC
R_SQRT = 0x036CC
R_LINK = 0x03CCC
R_LINK_GROUP = 0x042CC
R_LINK_DOWN = 0x048CC
R_LINKED_OFFSET = 0x04ECC
R_LINK_LABEL = 0x054CC
R_CHANNEL_TITLE = 0x063CC
R_UNIT_NAME = 0x18FCC
R_LINK_GROUP_TITLE = 0x1B54C
R_NEXT = 0x1BD1C


def header(prefs=DEFAULT_PREFS, magic=b"QSX\x00", mark=b"CONVERTED\x00"):
    return magic + mark + struct.pack("<27i", *prefs)


def record(blocks=48, name=b"Scene", notes=b""):
    r = bytearray(RECORD_SIZE)
    struct.pack_into("<i", r, R_BLOCKS, blocks)
    r[R_NAME:R_NAME + len(name)] = name
    r[R_NOTES:R_NOTES + len(notes)] = notes
    return r


def not_text_record():
    """Every kind of text field holds bytes that are not text: the five
    bytes Windows-1252 leaves undefined, control characters, 0xFF, fields
    with no NUL at all and bytes after the NUL."""
    undefined = b"\x81\x8d\x8f\x90\x9d"
    r = record(blocks=0x7FFFFFFF, name=b"\x01\x1b[2J" + undefined + b"\xff" * 80 + b"\x7f" * 10,
               notes=bytes(range(1, 100)) + b"\xfe")
    # Name and notes take their whole 100 bytes with no NUL.
    assert r[R_NAME + 99] != 0 and r[R_NAME + 100 + 99] != 0
    r[R_LINK_LABEL:R_LINK_LABEL + 10] = b"\x9d" * 10
    r[R_CHANNEL_TITLE:R_CHANNEL_TITLE + 100] = undefined * 20
    r[R_CHANNEL_TITLE + 100:R_CHANNEL_TITLE + 103] = b"A\x00\x81"
    r[R_UNIT_NAME:R_UNIT_NAME + 100] = bytes(range(0x80, 0xE4))
    r[R_LINK_GROUP_TITLE:R_LINK_GROUP_TITLE + 100] = b"\xa0" * 100
    # Words outside every range the program uses.
    for n, word in enumerate([0x7FFFFFFF, -0x80000000, -1, 64, 5, 11]):
        struct.pack_into("<i", r, R_SLIDER + 4 * n, word)
        struct.pack_into("<i", r, R_LINK_GROUP + 4 * n, word)
    # The list-link words the program never reads.
    struct.pack_into("<ii", r, R_NEXT, -1, 0x7FFFFFFF)
    return bytes(r)


def out_of_range_record():
    """Every control word of a record outside what the console works with:
    switch states of all nine switches, link groups, Link-down flags, gain
    steps and linked offsets at the ends of the integers and just past their
    ranges, on the first channels and on the remote units' channels."""
    r = record(name=b"Out of range")
    words = [0x7FFFFFFF, -0x80000000, -1, 2, 6, 1000, 11, 64, 62]
    for channel in list(range(len(words))) + list(range(256, 256 + len(words))):
        word = words[channel % 256]
        for array in range(R_POL, R_SQRT + 1, 384 * 4):
            struct.pack_into("<i", r, array + 4 * channel, word)
        for array in (R_SLIDER, R_LINK, R_LINK_GROUP, R_LINK_DOWN, R_LINKED_OFFSET):
            struct.pack_into("<i", r, array + 4 * channel, word)
    return bytes(r)


def project_inputs():
    odd_prefs = [-1, 2, 0x7FFFFFFF, -0x80000000, 0, 0x10000, -5, 7, 0, 1, -3000, 999, 1, 1, 1,
                 1, 0x5A5A5A5A, 99, -22, -1, 18, 0, 0, 1, 1, -0x80000000, 0]
    first = record(blocks=-1, name=b"First", notes=b"cut after this one")
    second = record(blocks=49, name=b"Second")
    return {
        # Refused before the preferences: nothing, the magic alone, a wrong
        # conversion mark, the preferences cut one byte short.
        "empty.qsx": b"",
        "magic-only.qsx": b"QSX\x00",
        "wrong-mark.qsx": header(mark=b"CONVERTEX\x00"),
        "prefs-one-byte-short.qsx": header()[:HEADER_SIZE - 1],
        # The header alone with preferences outside every range, and with
        # the defaults and one byte of a record after it.
        "header-only-odd-prefs.qsx": header(odd_prefs),
        "header-and-one-byte.qsx": header() + b"\x30",
        # Cut inside the first record, and one whole record (with a negative
        # block count) followed by part of a second (claiming 49 blocks).
        "cut-inside-first-record.qsx": header() + bytes(record(name=b"Cut"))[:5000],
        "one-record-and-a-piece.qsx": header() + bytes(first) + bytes(second)[:RECORD_SIZE // 3],
        # One whole record whose text fields hold bytes that are not text.
        "text-fields-not-text.qsx": header() + not_text_record(),
        # One whole record whose switch states, link groups, gain steps and
        # linked offsets lie out of range, after preferences out of range.
        "control-words-out-of-range.qsx": header(odd_prefs) + out_of_range_record(),
    }


def write(folder, inputs):
    path = os.path.join(HERE, folder)
    os.makedirs(path, exist_ok=True)
    for name, data in inputs.items():
        with open(os.path.join(path, name), "wb") as out:
            out.write(data)
        print(f"{folder}/{name}: {len(data)} bytes")


if __name__ == "__main__":
    write("datagram", datagram_inputs())
    write("project", project_inputs())
