#!/usr/bin/env python3
"""Writes the two stand-in flash images that the utility embeds.

The production payloads are not distributed with the sources, so the build
carries stand-ins with the same container layout, sizes, record counts and
header fields: KeMCORE06.s19 (microcontroller program, S-record text) and
KeXilinx.bit (FPGA configuration file). The payload bytes are made up but
shaped like the real thing, so that every byte count, block boundary and
checksum the download path depends on is exercised.

Deterministic: the same seed always gives byte-identical files.
Standard library only. Usage: generate_images.py [OUTPUT_DIR]
"""

import random
import sys
from pathlib import Path

SEED = 0x4B6506

# ---------------------------------------------------------------- S-records

SREC_NAME = "KeMCORE06.s19"
SREC_SIZE = 71444
SREC_LINES = 995
FULL_DATA = 28  # data bytes of a full S3 record (count 0x21)
START_ADDRESS = 0x00020300
FIRST_RECORD_CHECKSUM = 0xBF

VECTORS_BASE = 0x00020000  # exception vector table
CODE_BASE = 0x00020300  # program, entered at START_ADDRESS
CODE_SIZE = 0x6638
TABLES_BASE = 0x00030000  # constant tables and texts
TABLES_SIZE = 0x43C

# Flash-resident 16-bit instruction words, big-endian. Only the rough shape of
# compiled code matters here: stack adjust, loads/stores, moves, compares,
# branches, calls and returns, with literal pools after each routine.
RTS = 0x00CF


def record(rtype, address, data, addr_len):
    """One S-record line (without CR LF) with its checksum."""
    body = bytes([addr_len + len(data) + 1]) + address.to_bytes(addr_len, "big") + data
    checksum = ~sum(body) & 0xFF
    return "S%d%s%02X" % (rtype, body.hex().upper(), checksum)


def record_checksum(address, data):
    body = bytes([4 + len(data) + 1]) + address.to_bytes(4, "big") + data
    return ~sum(body) & 0xFF


def code_word(rng, routine_start, here):
    """A plausible instruction word for the body of a routine."""
    rx, ry = rng.randrange(16), rng.randrange(1, 16)
    kind = rng.choices(
        ["mov", "movi", "addi", "subi", "ldw", "stw", "ldb", "stb", "cmp", "bt", "bf", "br", "bsr", "lrw",
         "alu"],
        weights=[14, 10, 8, 4, 12, 9, 4, 3, 7, 5, 5, 3, 5, 6, 8])[0]
    imm = rng.randrange(32)
    if kind == "mov":
        return 0x1200 | ry << 4 | rx
    if kind == "movi":
        return 0x6000 | rng.randrange(128) << 4 | rx
    if kind == "addi":
        return 0x2000 | imm << 4 | rx
    if kind == "subi":
        return 0x2400 | imm << 4 | rx
    if kind == "ldw":
        return 0x8000 | rx << 8 | ry << 4 | rng.randrange(8)
    if kind == "stw":
        return 0x9000 | rx << 8 | ry << 4 | rng.randrange(8)
    if kind == "ldb":
        return 0xA000 | rx << 8 | ry << 4 | rng.randrange(16)
    if kind == "stb":
        return 0xB000 | rx << 8 | ry << 4 | rng.randrange(16)
    if kind == "cmp":
        return rng.choice([0x0C00, 0x0D00, 0x0F00, 0x2800, 0x2A00]) | ry << 4 | rx
    if kind in ("bt", "bf", "br"):
        # Short branches stay inside the routine.
        span = max(1, (here - routine_start) // 2)
        disp = -rng.randrange(1, span + 1) if rng.random() < 0.4 else rng.randrange(1, 24)
        base = {"bt": 0xE000, "bf": 0xE800, "br": 0xF000}[kind]
        return base | (disp & 0x7FF)
    if kind == "bsr":
        target = CODE_BASE + 2 * rng.randrange(CODE_SIZE // 2)
        disp = (target - (here + 2)) // 2
        return 0xF800 | (disp & 0x7FF)
    if kind == "lrw":
        return 0x7000 | rx << 8 | rng.randrange(256)
    return rng.choice([0x0100, 0x0200, 0x0300, 0x0600, 0x1600, 0x1A00, 0x1E00]) | ry << 4 | rx


def literal(rng):
    """A literal-pool word: an address in the program, a table or a peripheral."""
    choice = rng.random()
    if choice < 0.45:
        return CODE_BASE + 2 * rng.randrange(CODE_SIZE // 2)
    if choice < 0.7:
        return TABLES_BASE + 4 * rng.randrange(TABLES_SIZE // 4)
    if choice < 0.9:
        return 0x10000000 | rng.randrange(0x400) << 4
    return rng.getrandbits(32)


def make_code(rng):
    out = bytearray()
    while len(out) < CODE_SIZE:
        start = CODE_BASE + len(out)
        frame = rng.choice([8, 12, 16, 24])
        words = [0x2400 | (frame - 1) << 4, 0x9F00 | (frame // 4 - 1)]  # subi r0, st.w r15
        for _ in range(rng.randrange(12, 90)):
            words.append(code_word(rng, start, start + 2 * len(words)))
        words += [0x8F00 | (frame // 4 - 1), 0x2000 | (frame - 1) << 4, RTS]  # ld.w r15, addi r0, rts
        if len(words) % 2:
            words.append(0x0F00)  # bkpt filler keeps the pool word-aligned
        for word in words:
            out += word.to_bytes(2, "big")
        for _ in range(rng.randrange(1, 7)):
            out += literal(rng).to_bytes(4, "big")
    return bytes(out[:CODE_SIZE])


def make_vectors(rng):
    """128 exception vectors: reset, a handful of real handlers, the rest to a default trap."""
    default = CODE_BASE + 0x10
    handlers = [CODE_BASE + 2 * rng.randrange(0x40, CODE_SIZE // 2) for _ in range(12)]
    vectors = [START_ADDRESS] + [default] * 127
    for index in range(1, 128):
        if index in (1, 2, 3, 4, 5, 6) or 32 <= index < 40 or 64 <= index < 68:
            vectors[index] = rng.choice(handlers)
    # The first record holds vectors 0-6; the low half of vector 6 is chosen so
    # that the record's checksum comes out as in the production image. Handlers
    # stay halfword-aligned and inside the program.
    head = vectors[6] & 0xFFFF0000
    for low in range(0x0400, 0x6900, 2):
        vectors[6] = head | low
        data = b"".join(v.to_bytes(4, "big") for v in vectors[:7])
        if record_checksum(VECTORS_BASE, data) == FIRST_RECORD_CHECKSUM:
            break
    else:
        raise AssertionError("no handler address gives the first record checksum")
    return b"".join(v.to_bytes(4, "big") for v in vectors)


def make_tables(rng):
    out = bytearray()
    # Configuration words: flash geometry, register offsets, time-outs.
    for word in (0x00020000, 0x00040000, 0x00001000, 0x00000080, 0x0000F043, 0x00000014,
                 0x00000020, 0x00000220, 0x000003E8, 0x00002710, 0x00000A27, 0x00000011):
        out += word.to_bytes(4, "big")
    # A 16-bit CRC table (polynomial 0x1021), as firmware often carries one.
    for byte in range(256):
        crc = byte << 8
        for _ in range(8):
            crc = (crc << 1) ^ 0x1021 if crc & 0x8000 else crc << 1
        out += (crc & 0xFFFF).to_bytes(2, "big")
    # Jump table of command handlers.
    for _ in range(40):
        out += (CODE_BASE + 2 * rng.randrange(CODE_SIZE // 2)).to_bytes(4, "big")
    for text in ("BOOT", "UPDATE MODE", "ERASE FLASH", "ERASE DONE", "WRITE FLASH", "CRC OK",
                 "CRC ERROR", "FPGA CONFIG", "FPGA DONE", "WATCHDOG", "BUS RESET", "SELF TEST"):
        out += text.encode("ascii") + b"\0"
        while len(out) % 4:
            out += b"\0"
    assert len(out) <= TABLES_SIZE
    out += b"\xFF" * (TABLES_SIZE - len(out))  # erased flash
    return bytes(out)


def make_srec(rng):
    runs = [(VECTORS_BASE, make_vectors(rng)), (CODE_BASE, make_code(rng)), (TABLES_BASE, make_tables(rng))]
    lines = [record(0, 0, b"", 2)]
    for base, data in runs:
        for pos in range(0, len(data), FULL_DATA):
            lines.append(record(3, base + pos, data[pos:pos + FULL_DATA], 4))
    lines.append(record(7, START_ADDRESS, b"", 4))
    return "".join(line + "\r\n" for line in lines).encode("ascii")


def check_srec(image):
    assert len(image) == SREC_SIZE, len(image)
    lines = image.split(b"\r\n")
    assert lines[-1] == b"" and len(lines) - 1 == SREC_LINES
    lines = lines[:-1]
    assert lines[0] == b"S0030000FC"
    assert lines[-1] == b"S70500020300F5"
    assert lines[1][:12] == b"S32100020000" and lines[1][-2:] == b"BF"
    assert all(line.startswith(b"S3") for line in lines[1:-1])
    short = [(index + 1, line[2:4]) for index, line in enumerate(lines) if line.startswith(b"S3") and
             line[2:4] != b"21"]
    assert short == [(20, b"0D"), (955, b"15"), (994, b"19")], short
    for line in lines:
        raw = bytes.fromhex(line[2:].decode())
        assert raw[0] == len(raw) - 1 and (sum(raw) & 0xFF) == 0xFF
    assert b"\r" not in image.replace(b"\r\n", b"") and b"\n" not in image.replace(b"\r\n", b"")


# ---------------------------------------------------------------- bitstream

BIT_NAME = "KeXilinx.bit"
BIT_SIZE = 336759
DESIGN = b"ke_video_top.ncd"
PART = b"2s400efg456"
DATE = b"2006/03/14"
TIME = b"11:42:07"
BITSTREAM_SIZE = 336680
SYNC = bytes.fromhex("FFFFFFFFAA995566")

FRAME_WORDS = 46  # words per configuration frame
NOOP = 0x20000000


def type1_write(register, count):
    return 0x30000000 | register << 13 | count


def type2_write(count):
    return 0x50000000 | count


REG_CRC, REG_FAR, REG_FDRI, REG_CMD, REG_CTL, REG_MASK, REG_COR, REG_FLR = 0, 1, 2, 4, 5, 6, 9, 11
CMD_WCFG, CMD_LFRM, CMD_START, CMD_RCRC, CMD_DESYNCH = 1, 3, 5, 7, 0xD


def frame(rng, dense):
    """One frame: block-RAM columns are busy, logic columns mostly empty."""
    words = []
    for _ in range(FRAME_WORDS):
        if dense:
            words.append(rng.getrandbits(32))
        elif rng.random() < 0.22:
            bits = 0
            for _ in range(rng.randrange(1, 5)):
                bits |= 1 << rng.randrange(32)
            words.append(bits)
        else:
            words.append(0)
    return words


def make_bitstream(rng):
    head = [0xFFFFFFFF, 0xAA995566,
            type1_write(REG_CMD, 1), CMD_RCRC,
            type1_write(REG_FLR, 1), FRAME_WORDS - 1,
            type1_write(REG_COR, 1), 0x00803F2D,
            type1_write(REG_MASK, 1), 0x00000000,
            type1_write(REG_FAR, 1), 0x00000000,
            type1_write(REG_CMD, 1), CMD_WCFG,
            type1_write(REG_FDRI, 0)]
    tail = [type1_write(REG_CRC, 1), None,
            type1_write(REG_CMD, 1), CMD_LFRM,
            type1_write(REG_FDRI, FRAME_WORDS)] + [0] * FRAME_WORDS + [
            type1_write(REG_CMD, 1), CMD_START,
            type1_write(REG_CTL, 1), 0x00000000,
            type1_write(REG_CRC, 1), None,
            type1_write(REG_CMD, 1), CMD_DESYNCH]
    total = BITSTREAM_SIZE // 4
    room = total - len(head) - 1 - len(tail) - 4  # 1 for the type 2 header, 4 zero words
    frames = room // FRAME_WORDS
    noops = room - frames * FRAME_WORDS
    data = []
    for index in range(frames):
        data += frame(rng, dense=(index // 96) % 7 == 3)
    crc = 0
    for word in data:
        crc = (crc * 31 + word) & 0xFFFF
    tail = [crc if word is None else word for word in tail]
    words = head + [type2_write(len(data))] + data + tail + [NOOP] * noops + [0, 0, 0, 0]
    assert len(words) == total
    out = b"".join(w.to_bytes(4, "big") for w in words)
    # Frame data is random; make sure it never forms the sync sequence.
    if out.find(SYNC, 1) != -1:
        raise AssertionError("sync sequence inside frame data; change the seed")
    return out


def bit_field(tag, value):
    return tag + len(value).to_bytes(2, "big") + value


def make_bit(rng):
    header = (b"\x00\x09" + bytes.fromhex("0FF00FF00FF00FF000") + b"\x00\x01" +
              bit_field(b"a", DESIGN + b"\0") + bit_field(b"b", PART + b"\0") +
              bit_field(b"c", DATE + b"\0") + bit_field(b"d", TIME + b"\0") +
              b"e" + BITSTREAM_SIZE.to_bytes(4, "big"))
    return header + make_bitstream(rng)


def check_bit(image):
    assert len(image) == BIT_SIZE, len(image)
    assert image[:13] == bytes.fromhex("00090FF00FF00FF00FF0000001")
    assert image[13:16] == b"a\x00\x11" and image[32] == 0
    assert image[33:36] == b"b\x00\x0c" and image[36:48] == b"2s400efg456\0"
    assert image[48:51] == b"c\x00\x0b" and image[61] == 0
    assert image[62:65] == b"d\x00\x09" and image[73] == 0
    assert image[74:79] == b"e\x00\x05\x23\x28"
    assert image.find(SYNC) == 79 and image.find(SYNC, 80) == -1
    assert (len(image) - 79) % 4 == 0 and image[-16:] == bytes(16)
    assert any(image[79 + 8:-16])


def main():
    out_dir = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent
    srec = make_srec(random.Random(SEED))
    check_srec(srec)
    bit = make_bit(random.Random(SEED + 1))
    check_bit(bit)
    (out_dir / SREC_NAME).write_bytes(srec)
    (out_dir / BIT_NAME).write_bytes(bit)
    print("wrote %s (%d bytes) and %s (%d bytes)" % (SREC_NAME, len(srec), BIT_NAME, len(bit)))


if __name__ == "__main__":
    main()
