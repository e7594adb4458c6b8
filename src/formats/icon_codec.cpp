#include "formats/icon_codec.h"

#include <cstdlib>
#include <cstring>

#include "core/file_io.h"
#include "core/tessalin_error.h"
#include "formats/dib.h"
#include "formats/png_codec.h"

namespace tessalin {

namespace {

uint32_t U32(std::span<const uint8_t> b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t U16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

[[noreturn]] void Fail(const std::string& name, const std::string& what) {
  ThrowFileError(name, "is not a readable icon file: " + what + ".");
}

struct Entry {
  int width, height, bitCount;
  uint32_t size, offset;
};

bool IsPng(std::span<const uint8_t> data) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
  return data.size() >= 8 && std::memcmp(data.data(), kSignature, 8) == 0;
}

uint8_t Blend(uint8_t c, uint8_t a) { return static_cast<uint8_t>((c * a + 255 * (255 - a) + 127) / 255); }

// Decoded by libpng within the engine's pixel limit, alpha over white, then
// brought to the device layout like every other entry.
RasterImage DecodePngEntry(std::span<const uint8_t> data, const std::string& name) {
  RasterImage out = DecodePng(data, name + " (PNG entry)");
  out.SetPixelFormat(PixelFormat::pfDevice);
  return out;
}

RasterImage DecodeDibEntry(std::span<const uint8_t> data, const std::string& name) {
  const DibHeader header = ReadDibHeader(data, name);
  // The stored height counts the colour rows and the mask rows.
  const int height = (header.height < 0 ? -header.height : header.height) / 2;
  if (height <= 0) Fail(name, "an entry has no rows");
  if (header.height % 2 != 0) Fail(name, "an entry's height is not twice its picture's");
  if (header.height < 0) Fail(name, "an entry is stored top-down");
  const std::span<const uint8_t> bits = data.subspan(static_cast<size_t>(header.headerSize));
  DibView colour(data, bits, name, height);
  const int width = colour.Width();
  const int64_t colourBytes = DibStride(width, header.bitCount) * height;
  const int64_t maskStride = DibStride(width, 1);
  const bool hasMask = static_cast<int64_t>(bits.size()) >= colourBytes + maskStride * height;
  // Checked before any pixel is decoded: an entry must hold its mask (or
  // alpha), so a few bytes declaring a huge entry cost nothing.
  const bool alpha = colour.AlphaUsed();
  if (!alpha && !hasMask) Fail(name, "an entry's mask is cut short");
  if (colour.RunLength()) colour.DecodeRegion({0, 0, width, height});

  RasterImage out = NewRaster(PixelFormat::pfDevice, height, width);
  std::vector<uint8_t> bgr(static_cast<size_t>(width) * 3);
  uint8_t px[4];
  for (int y = 0; y < height; ++y) {
    const uint8_t* mask = hasMask ? bits.data() + colourBytes + (height - 1 - y) * maskStride : nullptr;
    for (int x = 0; x < width; ++x) {
      colour.Pixel(x, y, px);
      for (int c = 0; c < 3; ++c) {
        uint8_t v = px[c];
        if (alpha) {
          v = Blend(v, px[3]);
        } else if ((mask[x >> 3] >> (7 - (x & 7))) & 1) {
          v = static_cast<uint8_t>(255 ^ v);  // (white and mask) xor colour
        }
        bgr[3 * x + c] = v;
      }
    }
    out.WriteRowBgr(y, bgr.data());
  }
  return out;
}

}  // namespace

namespace {

// The entry nearest the standard size (deepest colour on a tie) among those
// that lie inside a file of `fileSize` bytes; `bytes` holds at least the directory.
Entry ChooseEntry(std::span<const uint8_t> bytes, uint64_t fileSize, const std::string& name) {
  if (bytes.size() < 6) Fail(name, "the header is cut short");
  const int type = U16(bytes, 2);
  const int count = U16(bytes, 4);
  if (U16(bytes, 0) != 0 || (type != 1 && type != 2)) Fail(name, "the header is not an icon's");
  if (count == 0) Fail(name, "it holds no image");
  if (6 + 16 * static_cast<size_t>(count) > bytes.size()) Fail(name, "the directory is cut short");

  bool found = false;
  int best = 0;
  Entry chosen{};
  for (int i = 0; i < count; ++i) {
    const size_t at = 6 + 16 * static_cast<size_t>(i);
    Entry e{bytes[at] ? bytes[at] : 256, bytes[at + 1] ? bytes[at + 1] : 256, U16(bytes, at + 6),
            U32(bytes, at + 8), U32(bytes, at + 12)};
    if (e.offset >= fileSize || e.size == 0 || e.size > fileSize - e.offset) continue;
    const int distance = std::abs(e.width - kStandardIconSize) + std::abs(e.height - kStandardIconSize);
    const int score = distance * 64 - std::min(e.bitCount, 32);
    if (!found || score < best) found = true, best = score, chosen = e;
  }
  if (!found) Fail(name, "every image lies outside the file");
  return chosen;
}

// The chosen entry's own size against the pixel limit, from the first bytes of
// the file and of the entry, before the whole file is read.
void CheckEntrySize(const std::string& path) {
  const std::vector<uint8_t> header = ReadFilePart(path, 0, 6);
  const size_t count = header.size() == 6 ? U16(header, 4) : 0;
  const Entry entry =
      ChooseEntry(ReadFilePart(path, 0, 6 + 16 * count), static_cast<uint64_t>(FileSizeOf(path)), path);
  const std::vector<uint8_t> head = ReadFilePart(path, entry.offset, 40);
  if (IsPng(head) && head.size() >= 24) {
    const uint32_t w = (head[16] << 24) | (head[17] << 16) | (head[18] << 8) | head[19];
    const uint32_t h = (head[20] << 24) | (head[21] << 16) | (head[22] << 8) | head[23];
    CheckPicturePixels(path, w, h);
  } else if (head.size() >= 12 && U32(head, 0) == 12) {
    CheckPicturePixels(path, U16(head, 4), U16(head, 6) / 2);
  } else if (head.size() >= 12) {
    const int64_t height = static_cast<int32_t>(U32(head, 8));
    CheckPicturePixels(path, static_cast<int32_t>(U32(head, 4)), (height < 0 ? -height : height) / 2);
  }
}

}  // namespace

RasterImage DecodeIcon(std::span<const uint8_t> bytes, const std::string& name) {
  const Entry chosen = ChooseEntry(bytes, bytes.size(), name);
  const std::span<const uint8_t> data = bytes.subspan(chosen.offset, chosen.size);
  return IsPng(data) ? DecodePngEntry(data, name) : DecodeDibEntry(data, name);
}

RasterImage LoadIconFile(const std::string& path) {
  CheckEntrySize(path);
  return DecodeIcon(ReadWholeFile(path), path);
}

namespace {

void Put16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

std::vector<uint8_t> EncodeIcon(const RasterImage& picture) {
  const int n = kStandardIconSize;
  RasterImage colour = NewRaster(PixelFormat::pfDevice, n, n);
  if (picture.HasImage()) colour.Draw(0, 0, picture);
  const uint32_t colourBytes = static_cast<uint32_t>(DibStride(n, 24) * n);
  const uint32_t maskBytes = static_cast<uint32_t>(DibStride(n, 1) * n);
  const uint32_t entryBytes = 40 + colourBytes + maskBytes;

  std::vector<uint8_t> out;
  Put16(out, 0), Put16(out, 1), Put16(out, 1);  // reserved, icon, one image
  out.push_back(static_cast<uint8_t>(n)), out.push_back(static_cast<uint8_t>(n));
  out.push_back(0), out.push_back(0);  // no palette, reserved
  Put16(out, 1), Put16(out, 24), Put32(out, entryBytes), Put32(out, 22);
  Put32(out, 40), Put32(out, n), Put32(out, 2 * n), Put16(out, 1), Put16(out, 24);
  Put32(out, 0), Put32(out, colourBytes + maskBytes);
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  std::vector<uint8_t> bgr(static_cast<size_t>(n) * 3);
  for (int y = n - 1; y >= 0; --y) {
    colour.ReadRowBgr(y, bgr.data());
    out.insert(out.end(), bgr.begin(), bgr.end());
    out.resize(out.size() + static_cast<size_t>(DibStride(n, 24)) - bgr.size(), 0);
  }
  out.resize(out.size() + maskBytes, 0);  // every mask bit clear: the icon is opaque
  return out;
}

void SaveIconFile(const RasterImage& picture, const std::string& path) {
  WriteFileAtomically(path, EncodeIcon(picture));
}

}  // namespace tessalin
