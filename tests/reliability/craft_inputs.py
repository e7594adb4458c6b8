#!/usr/bin/env python3
"""Writes the crafted hostile inputs kept in tests/reliability/data: tiny files
that declare far more than they hold, one of each class the readers must
bound. Each is named <target>-<what>, as the replay test expects.
Usage: tests/reliability/craft_inputs.py"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "data")


def put(name, data):
    with open(os.path.join(DATA, name), "wb") as f:
        f.write(data)


# ---- embedded bitmaps: a BITMAPINFOHEADER declaring 10000 x 10000, RLE8, 160 bytes of data ----
def rle8_dib(width, height):
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, 160, 0, 0, 2, 0)
    table = b"\x00\x00\x00\x00\xff\xff\xff\x00"
    bits = b"\x00\x02\xff\xff" * 40  # jumps of 255 rows and columns: 10200 rows from 160 bytes
    return info + table, bits


def emf_header(width_px, height_px, records, size):
    # 10 pixels a millimetre: the frame in hundredths of a millimetre is ten times the pixels.
    bounds = struct.pack("<iiii", 0, 0, width_px - 1, height_px - 1)
    frame = struct.pack("<iiii", 0, 0, width_px * 10, height_px * 10)
    return (struct.pack("<II", 1, 88) + bounds + frame +
            struct.pack("<IIIIHHIIIiiii", 0x464D4520, 0x10000, size, records, 1, 0, 0, 0, 0, 1000, 1000, 100, 100))


def emf(width_px, height_px, body_records):
    body = b"".join(body_records)
    eof = struct.pack("<IIIII", 14, 20, 0, 16, 20)
    size = 88 + len(body) + len(eof)
    return emf_header(width_px, height_px, len(body_records) + 2, size) + body + eof


def emf_stretchdibits(x, y, w, h, info, bits):
    off_bmi = 80
    off_bits = off_bmi + len(info)
    size = off_bits + len(bits)
    return (struct.pack("<II", 81, size) + struct.pack("<iiii", x, y, x + w, y + h) +
            struct.pack("<iiiiiiIIIIIIii", x, y, 0, 0, 10000, 10000, off_bmi, len(info), off_bits, len(bits),
                        0, 0x00CC0020, w, h) + info + bits)


info, bits = rle8_dib(10000, 10000)
put("emf-rle_bitmaps_declaring_10000x10000",
    emf(200, 200, [emf_stretchdibits(i, i, 100, 100, info, bits) for i in range(40)]))

# A world transform of NaN, then an ellipse drawn through it.
nan = struct.pack("<f", float("nan"))
world = struct.pack("<II", 35, 32) + nan + struct.pack("<fffff", 0, 0, 1, 0, 0)
ellipse = struct.pack("<IIiiii", 42, 24, 10, 10, 90, 90)
put("emf-nan_world_transform", emf(100, 100, [world, ellipse]))

# 108 bytes: a header declaring 10000 x 10000 pixels and the end record.
put("emf-108_bytes_declaring_10000x10000", emf(10000, 10000, []))


def wmf(width_px, height_px, records):
    placeable = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, width_px, height_px, 96, 0)
    checksum = 0
    for i in range(0, 20, 2):
        checksum ^= struct.unpack_from("<H", placeable, i)[0]
    placeable += struct.pack("<H", checksum)
    body = b"".join(records) + struct.pack("<IH", 3, 0)
    largest = max([3] + [struct.unpack_from("<I", r, 0)[0] for r in records])
    header = struct.pack("<HHHIHIH", 1, 9, 0x300, 9 + len(body) // 2, 0, largest, 0)
    return placeable + header + body


def wmf_record(function, payload):
    if len(payload) % 2:
        payload += b"\x00"
    return struct.pack("<IH", 3 + len(payload) // 2, function) + payload


# STRETCHDIB: rop, usage, source height, width, y, x, destination height, width, y, x, bitmap.
info, bits = rle8_dib(10000, 10000)
stretch = [wmf_record(0x0F43, struct.pack("<IHhhhhhhhh", 0x00CC0020, 0, 10000, 10000, 0, 0, 100, 100, i, i) +
                      info + bits) for i in range(40)]
put("wmf-rle_bitmaps_declaring_10000x10000", wmf(200, 200, stretch))

# 20,000 objects created and never deleted: each takes the lowest free slot.
put("wmf-20000_region_records", wmf(100, 100, [wmf_record(0x06FF, b"")] * 20000))

# 46 bytes: placeable header, metafile header, end record.
put("wmf-46_bytes_declaring_10000x10000", wmf(10000, 10000, []))

# ---- an icon whose one entry declares 10000 x 10000 (20000 rows with the mask), RLE8 ----
info, bits = rle8_dib(10000, 20000)
entry = info + bits
put("icon-rle_entry_declaring_10000x10000",
    struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 8, len(entry), 22) + entry)


# ---- progressive JPEG: scans of nothing but end-of-band runs ----
class Bits:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def put(self, value, count):
        for i in reversed(range(count)):
            self.acc = (self.acc << 1) | ((value >> i) & 1)
            self.n += 1
            if self.n == 8:
                self.out.append(self.acc)
                if self.acc == 0xFF:
                    self.out.append(0)  # stuffed byte
                self.acc = self.n = 0

    def flush(self):
        while self.n:
            self.put(1, 1)
        return bytes(self.out)


def segment(marker, payload):
    return struct.pack(">BBH", 0xFF, marker, len(payload) + 2) + payload


def progressive_jpeg(width, height, components, scans):
    """`scans` lists the component index of each AC scan; each holds one EOB run per 32767 blocks."""
    out = b"\xff\xd8" + segment(0xDB, b"\x00" + b"\x01" * 64)
    comps = b"".join(struct.pack("BBB", i + 1, 0x11, 0) for i in range(components))
    out += segment(0xC2, struct.pack(">BHHB", 8, height, width, components) + comps)
    # AC table 0: one code of one bit, the symbol 0xE0 (a run of 2^14 + 14 more bits of blocks).
    out += segment(0xC4, b"\x10" + bytes([1] + [0] * 15) + b"\xe0")
    blocks = ((width + 7) // 8) * ((height + 7) // 8)
    bits = Bits()
    for _ in range((blocks + 32766) // 32767):
        bits.put(0, 1)
        bits.put(32767 - 16384, 14)
    data = bits.flush()
    for c in scans:
        out += segment(0xDA, struct.pack("BBBBBB", 1, c + 1, 0x00, 1, 63, 0)) + data
    return out + b"\xff\xd9"


put("jpeg-progressive_999_scans", progressive_jpeg(10000, 10000, 1, [0] * 999))
put("jpeg-cmyk_progressive_declaring_10000x10000", progressive_jpeg(10000, 10000, 4, [0, 1, 2, 3]))

# ---- GIF: LZW codes of min_code + 1 bits, a clear code before every two literals ----
def gif_data(indices, min_code=2):
    codes = []
    for i, v in enumerate(indices):
        codes += [1 << min_code] if i % 2 == 0 else []
        codes.append(v)
    codes.append((1 << min_code) + 1)
    acc = nbits = 0
    out = bytearray()
    for c in codes:
        acc |= c << nbits
        nbits += min_code + 1
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8
    if nbits:
        out.append(acc)
    return bytes([min_code, len(out)]) + bytes(out) + b"\x00"


def gif(width, height, frames, trailer=b"\x3b"):
    lsd = struct.pack("<HHBBB", width, height, 0x80, 0, 0) + b"\x00\x00\x00\xff\xff\xff"
    return b"GIF89a" + lsd + b"".join(frames) + trailer


def gif_frame(left, top, width, height, data):
    return b"\x2c" + struct.pack("<HHHHB", left, top, width, height, 0) + data


# A 10000 x 10000 logical screen holding one 1 x 1 frame.
put("gif-35_bytes_declaring_10000x10000", gif(10000, 10000, [gif_frame(0, 0, 1, 1, gif_data([1]))]))
# An LZW minimum code size of 12 (8 is the most there is), and a file without its trailer.
put("gif-lzw_code_size_12", gif(2, 1, [gif_frame(0, 0, 2, 1, b"\x0c\x01\x00\x00")]))
put("gif-no_trailer", gif(2, 1, [gif_frame(0, 0, 2, 1, gif_data([0, 1]))], trailer=b""))
# ImageMagick writes frames that reach past the logical screen: this one lies half outside.
put("gif-frame_past_screen", gif(2, 2, [gif_frame(1, 1, 2, 2, gif_data([0, 1, 1, 0]))]))

# ---- BMP: a header past the pixel limit (the test of the whole-file read pads it to a large file) ----
put("bmp-10001x10000_header", b"BM" + struct.pack("<IHHI", 54, 0, 0, 54) +
    struct.pack("<IiiHHIIiiII", 40, 10001, 10000, 1, 24, 0, 0, 0, 0, 0, 0))
