#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/:
tiny valid files (ImageMagick, cjpeg and our own writers through tessalin-cli)
and the damaged files every reader must refuse cleanly.
Usage: fuzz/make_corpus.py TESSALIN_CLI"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")
CLI = sys.argv[1] if len(sys.argv) > 1 else "tessalin-cli"


def put(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL)


def read(path):
    with open(path, "rb") as f:
        return f.read()


# ---- WBMP: type, fixed header, multi-byte width and height, packed rows ----
def mb(value):
    groups = [value & 0x7F]
    value >>= 7
    while value:
        groups.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(groups))


def wbmp(width, height, body, kind=0, fixed=0):
    return bytes([kind, fixed]) + mb(width) + mb(height) + body


put("wbmp", "valid_8x2", wbmp(8, 2, b"\x0f\xf0"))
put("wbmp", "valid_11x3", wbmp(11, 3, b"\xa5\x40\xff\xe0\x00\x20"))
put("wbmp", "bad_endless_continuation", b"\x00\x00" + b"\xff" * 40)
put("wbmp", "bad_huge_size_tiny_body", wbmp(0x0FFFFFFF, 0x0FFFFFFF, b"\x00\x01"))
put("wbmp", "bad_truncated_rows", wbmp(16, 16, b"\x01\x02\x03"))
put("wbmp", "bad_zero_width", wbmp(0, 5, b""))
put("wbmp", "bad_zero_height", wbmp(7, 0, b""))
put("wbmp", "bad_type_1", wbmp(8, 1, b"\xff", kind=1))
put("wbmp", "bad_fixed_header", wbmp(8, 1, b"\xff", fixed=0x80))

# ---- BMP ----
def bmp(width, height, bits, pixels, colors=b"", clr_used=None, compression=0, header_size=40,
        off_bits=None, file_size=None):
    n = len(colors) // 4 if clr_used is None else clr_used
    info = struct.pack("<IiiHHIIiiII", header_size, width, height, 1, bits, compression, len(pixels),
                       2835, 2835, n, 0)
    offset = 14 + 40 + len(colors) if off_bits is None else off_bits
    total = offset + len(pixels) if file_size is None else file_size
    return b"BM" + struct.pack("<IHHI", total, 0, 0, offset) + info + colors + pixels


grey4 = b"".join(bytes([v, v, v, 0]) for v in (0, 85, 170, 255))
put("bmp", "valid_8bit_4x2", bmp(4, 2, 8, b"\x00\x01\x02\x03\x03\x02\x01\x00", grey4))
put("bmp", "valid_24bit_2x2", bmp(2, 2, 24, b"\x00\x00\xff\x00\xff\x00\x00\x00\xff\x00\x00\xff\xff\xff\x00\x00"))
put("bmp", "valid_rle8_4x2", bmp(4, 2, 8, b"\x04\x01\x00\x00\x02\x02\x02\x03\x00\x01", grey4, compression=1))
put("bmp", "bad_colour_count_1000", bmp(4, 1, 8, b"\x00\x01\x02\x03", grey4, clr_used=1000))
put("bmp", "bad_colour_count_past_file", bmp(4, 1, 8, b"\x00\x01\x02\x03", grey4, clr_used=200))
put("bmp", "bad_width_bits_overflow", bmp(0x7FFFFFFF, 1, 32, b"\x00" * 16))
put("bmp", "bad_width_bits_overflow_24", bmp(0x55555556, 3, 24, b"\x00" * 16))
put("bmp", "bad_rle8_run_past_row", bmp(4, 2, 8, b"\xff\x01\x00\x01", grey4, compression=1))
put("bmp", "bad_rle8_delta_past_picture", bmp(4, 2, 8, b"\x00\x02\x03\x07\x02\x01\x00\x01", grey4, compression=1))
put("bmp", "bad_rle4_run_past_row", bmp(3, 1, 4, b"\xff\x12\x00\x01", grey4, compression=2))
put("bmp", "bad_rle8_no_end", bmp(4, 2, 8, b"\x04\x01", grey4, compression=1))
put("bmp", "bad_header_size_200", bmp(4, 2, 8, b"\x00" * 8, grey4, header_size=200))
put("bmp", "bad_offset_past_file", bmp(4, 2, 8, b"\x00" * 8, grey4, off_bits=5000))
put("bmp", "bad_file_size_field", bmp(4, 2, 8, b"\x00" * 8, grey4, file_size=0x7FFFFFFF))
put("bmp", "bad_huge_dimensions", bmp(100000, 100000, 8, b"\x00" * 8, grey4))
put("bmp", "bad_zero_width", bmp(0, 2, 24, b""))
put("bmp", "bad_bits_7", bmp(4, 2, 7, b"\x00" * 8))

# ---- GIF, written by hand: the LZW stream sends a clear code after every two
# literals so that the code width never grows ----
def lzw(indices, min_code=2):
    clear, end = 1 << min_code, (1 << min_code) + 1
    width = min_code + 1
    codes = []
    for i, v in enumerate(indices):
        if i % 2 == 0:
            codes.append(clear)
        codes.append(v)
    codes.append(end)
    acc = nbits = 0
    out = bytearray()
    for c in codes:
        acc |= c << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out += bytes([len(chunk)]) + chunk
    return bytes(out) + b"\x00"


PALETTE4 = b"\x00\x00\x00\xff\x00\x00\x00\xff\x00\xff\xff\xff"


def gif_frame(left, top, width, height, indices, min_code=2, data=None, gce=b""):
    stream = blocks(lzw(indices, min_code) if data is None else data)
    return gce + b"\x2c" + struct.pack("<HHHHB", left, top, width, height, 0) + bytes([min_code]) + stream


def gif(width, height, frames):
    return b"GIF89a" + struct.pack("<HHBBB", width, height, 0x81, 0, 0) + PALETTE4 + b"".join(frames) + b"\x3b"


GCE = b"\x21\xf9\x04\x05\x0a\x00\x02\x00"  # restore to background, 10 cs, transparent index 2
for target in ("gif", "gif_frames"):
    put(target, "valid_3x2", gif(3, 2, [gif_frame(0, 0, 3, 2, [0, 1, 2, 3, 2, 1])]))
    put(target, "valid_two_frames", gif(4, 4, [gif_frame(0, 0, 4, 4, [1] * 16, gce=GCE),
                                               gif_frame(1, 1, 2, 2, [0, 2, 3, 0], gce=GCE)]))
    put(target, "valid_small_frame", gif(5, 5, [gif_frame(2, 2, 2, 2, [3, 2, 1, 0])]))
    put(target, "bad_zero_height_frame", gif(3, 2, [gif_frame(0, 0, 3, 0, [])]))
    put(target, "bad_lzw_codes", gif(3, 2, [gif_frame(0, 0, 3, 2, [], data=b"\x04\xff\xff\xff\xff")]))
    put(target, "bad_min_code_size_12", gif(3, 2, [gif_frame(0, 0, 3, 2, [], min_code=12, data=b"\x00\x10\x00")]))
    put(target, "valid_frame_outside_screen", gif(3, 2, [gif_frame(60000, 60000, 3, 2, [0, 1, 2, 3, 2, 1])]))
    put(target, "valid_frame_past_screen", gif(3, 2, [gif_frame(0, 0, 3, 2, [1] * 6),
                                                      gif_frame(2, 1, 3, 2, [0, 1, 2, 3, 2, 1], gce=GCE)]))
    put(target, "bad_no_frame", gif(3, 2, []))
    put(target, "bad_huge_screen", gif(65535, 65535, [gif_frame(0, 0, 2, 1, [1, 2])]))
    put(target, "bad_truncated", gif(3, 2, [gif_frame(0, 0, 3, 2, [0, 1, 2, 3, 2, 1])])[:-6])

# ---- icons: ICONDIR, entries, BITMAPINFOHEADER with twice the height, XOR and AND rows ----
def icon(width, height, bits=24, stored_height=None, clr_used=0, entry_w=None, entry_h=None, count=None,
         bits_field=None):
    stride = ((width * bits + 31) // 32) * 4 if width > 0 and bits in (1, 4, 8, 16, 24, 32) else 4
    mask_stride = ((width + 31) // 32) * 4 if width > 0 else 4
    rows = max(height, 0)
    colors = b"\x00\x00\x00\x00\xff\xff\xff\x00" * (1 << (bits - 1)) if bits in (1, 4, 8) else b""
    xor = bytes((i * 37) & 0xFF for i in range(stride * rows))
    and_mask = b"\x00" * (mask_stride * rows)
    h2 = 2 * height if stored_height is None else stored_height
    info = struct.pack("<IiiHHIIiiII", 40, width, h2, 1, bits if bits_field is None else bits_field, 0,
                       len(xor) + len(and_mask), 0, 0, clr_used, 0)
    image = info + colors + xor + and_mask
    n = 1 if count is None else count
    entry = struct.pack("<BBBBHHII", (width if entry_w is None else entry_w) & 0xFF,
                        (height if entry_h is None else entry_h) & 0xFF, 0, 0, 1, bits, len(image), 6 + 16)
    return struct.pack("<HHH", 0, 1, n) + entry + image


put("icon", "valid_24bit_4x3", icon(4, 3))
put("icon", "valid_1bit_8x2", icon(8, 2, bits=1))
put("icon", "valid_8bit_3x3", icon(3, 3, bits=8))
put("icon", "bad_bit_depth_77", icon(4, 3, bits_field=77))
put("icon", "bad_colour_count", icon(4, 3, bits=8, clr_used=0x40000000))
put("icon", "bad_zero_width", icon(0, 3))
put("icon", "bad_negative_height", icon(4, 3, stored_height=-6))
put("icon", "bad_height_not_twice", icon(4, 3, stored_height=3))
put("icon", "bad_height_odd", icon(4, 3, stored_height=7))
put("icon", "bad_entry_count_huge", icon(4, 3, count=65535))
put("icon", "bad_no_entries", icon(4, 3, count=0))

# ---- raw: 4-byte width, 4-byte height, layout byte, then the file ----
def raw(width, height, layout, body):
    return struct.pack("<iiB", width, height, layout) + body


put("raw", "valid_8bit_4x4", raw(4, 4, 1, bytes(range(16))))
put("raw", "valid_1bit_16x2", raw(16, 2, 0, b"\xf0\x0f\xaa\x55"))
put("raw", "valid_16bit_3x2", raw(3, 2, 2, bytes(range(12))))
put("raw", "valid_24bit_2x2_with_tail", raw(2, 2, 3, bytes(range(14))))
put("raw", "bad_absurd_size", raw(0x7FFFFFFF, 0x7FFFFFFF, 3, b"\x00" * 8))
put("raw", "bad_negative", raw(-4, -4, 1, bytes(16)))
put("raw", "bad_layout_4", raw(4, 4, 4, bytes(16)))
put("raw", "bad_overflow_product", raw(0x40000000, 4, 3, bytes(16)))

# ---- files from outside tools and our own writers ----
with tempfile.TemporaryDirectory() as tmp:
    ppm = os.path.join(tmp, "in.ppm")
    with open(ppm, "wb") as f:
        f.write(b"P6\n5 3\n255\n" + bytes((i * 53 + 7) & 0xFF for i in range(45)))
    grey = os.path.join(tmp, "in.pgm")
    with open(grey, "wb") as f:
        f.write(b"P5\n3 4\n255\n" + bytes((i * 21) & 0xFF for i in range(12)))
    out = os.path.join(tmp, "out")
    run("sh", "-c", f"cjpeg {ppm} > {out}.jpg")
    put("jpeg", "valid_5x3", read(out + ".jpg"))
    run("sh", "-c", f"cjpeg -progressive {ppm} > {out}p.jpg")
    put("jpeg", "valid_progressive", read(out + "p.jpg"))
    run("sh", "-c", f"cjpeg -grayscale {grey} > {out}g.jpg")
    put("jpeg", "valid_grey", read(out + "g.jpg"))
    good = read(out + ".jpg")
    put("jpeg", "bad_truncated", good[: len(good) // 2])
    sof = good.find(b"\xff\xc0")
    put("jpeg", "bad_huge_dimensions", good[: sof + 5] + b"\xff\xff\xff\xff" + good[sof + 9:])
    put("jpeg", "bad_zero_width", good[: sof + 7] + b"\x00\x00" + good[sof + 9:])
    for kind, name in (("bmp3:", "im_8bit.bmp"), ("", "im_24bit.bmp")):
        run("convert", ppm, "-type", "Palette", kind + os.path.join(tmp, name)) if kind else \
            run("convert", ppm, os.path.join(tmp, name))
        put("bmp", name.replace(".bmp", ""), read(os.path.join(tmp, name)))
    run("convert", ppm, "-compress", "RLE", "-type", "Palette", "bmp3:" + out + "rle.bmp")
    put("bmp", "im_rle8", read(out + "rle.bmp"))
    run("convert", ppm, out + ".gif")
    put("gif", "im_5x3", read(out + ".gif"))
    run("convert", "-delay", "5", ppm, "-flip", ppm, "-loop", "0", out + "a.gif")
    put("gif_frames", "im_animated", read(out + "a.gif"))
    run("convert", ppm, out + ".ico")
    put("icon", "im_5x3", read(out + ".ico"))
    for ext in ("emf", "wmf"):
        run(CLI, "convert", os.path.join(tmp, "im_24bit.bmp"), out + "." + ext)
        data = read(out + "." + ext)
        put(ext, "ours_5x3", data)
        put(ext, "bad_truncated", data[: len(data) // 2])
        put(ext, "bad_header_only", data[:40])
    emf = read(out + ".emf")
    huge = struct.pack("<iiii", -0x7FFFFFFF, -0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF)
    put("emf", "bad_huge_bounds", emf[:8] + huge + huge + emf[40:])
    put("emf", "bad_record_size", emf[:4] + struct.pack("<I", 0xFFFFFFF0) + emf[8:])
    wmf = read(out + ".wmf")
    put("wmf", "bad_huge_bbox", wmf[:6] + struct.pack("<hhhhH", -32768, -32768, 32767, 32767, 1) + wmf[16:])
    put("wmf", "bad_zero_inch", wmf[:14] + b"\x00\x00" + wmf[16:])
    put("wmf", "bad_not_placeable_huge_record", wmf[22:28] + b"\xff\xff\xff\x7f" + wmf[32:])


# ---- PNG: chunks with sound checksums, so that damaged fields reach the decoder ----
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(width, height, depth, colour_type, rows, plte=b"", trns=b"", interlace=0, idat=None):
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, interlace)
    body = chunk(b"IHDR", ihdr)
    if plte:
        body += chunk(b"PLTE", plte)
    if trns:
        body += chunk(b"tRNS", trns)
    data = zlib.compress(b"".join(b"\x00" + r for r in rows)) if idat is None else idat
    return b"\x89PNG\r\n\x1a\n" + body + chunk(b"IDAT", data) + chunk(b"IEND", b"")


put("png", "valid_grey1_9x2", png(9, 2, 1, 0, [b"\xa5\x80", b"\x5a\x00"]))
put("png", "valid_grey16_2x2", png(2, 2, 16, 0, [b"\x00\x00\xff\xff", b"\x80\x00\x12\x34"]))
put("png", "valid_grey_alpha8_2x1", png(2, 1, 8, 4, [b"\x10\x00\xf0\x80"]))
put("png", "valid_rgba16_1x1", png(1, 1, 16, 6, [b"\x12\x34\x56\x78\x9a\xbc\x80\x00"]))
put("png", "valid_palette2_trns_5x2", png(5, 2, 2, 3, [b"\x1b\x00", b"\xe4\x40"],
                                         plte=b"\xff\x00\x00\x00\xff\x00\x00\x00\xff\x10\x20\x30", trns=b"\x00\x80"))
put("png", "valid_palette4_index_past_table", png(3, 1, 4, 3, [b"\x0f\x10"], plte=b"\x00\x00\x00\xff\xff\xff"))
put("png", "bad_huge_dimensions", png(0x7FFFFFFF, 0x7FFFFFFF, 8, 2, [b""]))
put("png", "bad_data_too_short_for_size", png(5000, 5000, 8, 2, [b"\x00" * 15000]))
put("png", "bad_zero_width", png(0, 2, 8, 0, [b"", b""]))
put("png", "bad_depth_3", png(2, 2, 3, 0, [b"\x00", b"\x00"]))
put("png", "bad_palette_missing", png(2, 1, 8, 3, [b"\x00\x01"]))
put("png", "bad_rows_missing", png(4, 4, 8, 2, [b"\x00" * 12]))
put("png", "bad_not_deflate", png(2, 1, 8, 0, [], idat=b"\x78\x9c\xff\xff\xff\xff"))
good_png = png(3, 3, 8, 2, [bytes(range(9)), bytes(range(9, 18)), bytes(range(18, 27))])
put("png", "bad_truncated", good_png[: len(good_png) - 20])
put("png", "bad_checksum", good_png[:29] + b"\x00\x00\x00\x00" + good_png[33:])
put("png", "bad_signature", b"\x89PNX" + good_png[4:])

# ---- netpbm: every magic number, raw and plain ----
put("netpbm", "valid_plain_pbm", b"P1\n# a comment\n5 2\n10101\n0 1 0 1 0\n")
put("netpbm", "valid_raw_pbm", b"P4\n9 2\n\xa5\x80\x5a\x00")
put("netpbm", "valid_plain_pgm_maxval_1000", b"P2\n3 1\n1000\n0 500 1000\n")
put("netpbm", "valid_raw_pgm_16", b"P5\n2 1\n65535\n\x00\x00\xff\xff")
put("netpbm", "valid_plain_ppm", b"P3\n2 1\n255\n255 0 0  0 0 255\n")
put("netpbm", "valid_raw_ppm", b"P6\n2 1\n255\n\xff\x00\x00\x00\x00\xff")
put("netpbm", "valid_pam_rgba", b"P7\nWIDTH 2\nHEIGHT 1\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n"
    b"\xff\x00\x00\x80\x00\x00\xff\x00")
put("netpbm", "valid_pam_no_tuple_type", b"P7\nWIDTH 1\nHEIGHT 1\nDEPTH 2\nMAXVAL 3\nENDHDR\n\x02\x03")
put("netpbm", "bad_truncated_rows", b"P6\n4 4\n255\n" + bytes(20))
put("netpbm", "bad_huge_dimensions", b"P5\n4294967295 4294967295\n255\n\x00")
put("netpbm", "bad_over_the_limit", b"P4\n20000 20000\n" + bytes(64))
put("netpbm", "bad_maxval_0", b"P5\n1 1\n0\n\x00")
put("netpbm", "bad_maxval_65536", b"P2\n1 1\n65536\n0\n")
put("netpbm", "bad_sample_above_maxval", b"P2\n2 1\n7\n3 8\n")
put("netpbm", "bad_plain_pbm_letter", b"P1\n2 1\n1x\n")
put("netpbm", "bad_pam_cmyk", b"P7\nWIDTH 1\nHEIGHT 1\nDEPTH 4\nMAXVAL 255\nTUPLTYPE CMYK\nENDHDR\n\x00\x00\x00\x00")
put("netpbm", "bad_pam_no_endhdr", b"P7\nWIDTH 1\nHEIGHT 1\nDEPTH 1\nMAXVAL 255\n")
put("netpbm", "bad_pam_depth_mismatch", b"P7\nWIDTH 1\nHEIGHT 1\nDEPTH 1\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n\x00")
put("netpbm", "bad_magic_p8", b"P8\n1 1\n255\n\x00")
put("netpbm", "bad_zero_height", b"P6\n3 0\n255\n")

# ---- XBM: X11 bytes and X10 words, with comments ----
put("xbm", "valid_x11", b"/* two rows */\n#define a_width 9\n#define a_height 2\n"
    b"static unsigned char a_bits[] = {\n   0x01, 0xff, 0x80, 0x00};\n")
put("xbm", "valid_x10", b"#define b_width 17\n#define b_height 1\nstatic short b_bits[] = { 0x8001, 0x0001 };\n")
put("xbm", "bad_no_size", b"static char c_bits[] = { 0x00 };\n")
put("xbm", "bad_over_the_limit", b"#define d_width 20000\n#define d_height 20000\nstatic char d_bits[] = { 0x00 };\n")
put("xbm", "bad_too_few_values", b"#define e_width 16\n#define e_height 2\nstatic char e_bits[] = { 0x00, 0x01 };\n")
put("xbm", "bad_value_above_a_byte", b"#define f_width 8\n#define f_height 1\nstatic char f_bits[] = { 0x100 };\n")
put("xbm", "bad_open_comment", b"#define g_width 8\n#define g_height 1\n/* static char g_bits[] = { 0x00 };\n")

# ---- PNG and netpbm from outside tools and our own writers ----
with tempfile.TemporaryDirectory() as tmp:
    ppm = os.path.join(tmp, "in.ppm")
    with open(ppm, "wb") as f:
        f.write(b"P6\n5 3\n255\n" + bytes((i * 53 + 7) & 0xFF for i in range(45)))
    out = os.path.join(tmp, "out")
    run("sh", "-c", f"pnmtopng -interlace {ppm} > {out}i.png")
    put("png", "netpbm_interlaced", read(out + "i.png"))
    run("convert", ppm, "-alpha", "set", "PNG64:" + out + "64.png")
    put("png", "im_rgba16", read(out + "64.png"))
    run("convert", ppm, "-colors", "5", "PNG8:" + out + "8.png")
    put("png", "im_palette", read(out + "8.png"))
    for ext in ("png", "pbm", "pgm", "ppm", "pam"):
        run(CLI, "convert", ppm, out + "." + ext)
        put("png" if ext == "png" else "netpbm", "ours_5x3_" + ext, read(out + "." + ext))
    run("sh", "-c", f"pnmtoplainpnm {ppm} > {out}p.ppm")
    put("netpbm", "netpbm_plain_ppm", read(out + "p.ppm"))
