#include "formats/dib.h"

#include <algorithm>
#include <bit>

#include "core/limits.h"
#include "core/tessalin_error.h"

namespace tessalin {

namespace {

uint32_t U32(std::span<const uint8_t> b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t U16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

[[noreturn]] void Damaged(const std::string& name, const std::string& what) {
  ThrowFileError(name, "holds a damaged bitmap: " + what + ".");
}

// Expands a masked field to 8 bits.
uint8_t Field(uint32_t value, uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const uint32_t max = mask >> shift;
  const uint32_t v = (value & mask) >> shift;
  return static_cast<uint8_t>((v * 255 + max / 2) / max);
}

}  // namespace

void CheckPicturePixels(const std::string& name, int64_t width, int64_t height) {
  if (!WithinPixelLimit(width, height))
    ThrowFileError(name, "the picture of " + std::to_string(width) + " x " + std::to_string(height) +
                             " pixels is larger than the limit of " + std::to_string(kMaxPixels) +
                             " pixels.");
}

int64_t DibStride(int width, int bitCount) {
  return ((static_cast<int64_t>(width) * bitCount + 31) / 32) * 4;
}

DibHeader ReadDibHeader(std::span<const uint8_t> info, const std::string& name) {
  DibHeader h;
  if (info.size() < 12) Damaged(name, "the header is cut short");
  const uint32_t size = U32(info, 0);
  if (size == 12) {
    h.width = U16(info, 4);
    h.height = static_cast<int16_t>(U16(info, 6));
    h.bitCount = U16(info, 10);
    h.colorCount = h.bitCount <= 8 ? 1 << h.bitCount : 0;
    h.headerSize = 12 + 3 * static_cast<int64_t>(h.colorCount);
  } else {
    if (size < 40 || size > info.size())
      Damaged(name, "the header size " + std::to_string(size) + " is wrong");
    h.width = static_cast<int32_t>(U32(info, 4));
    h.height = static_cast<int32_t>(U32(info, 8));
    h.bitCount = U16(info, 14);
    h.compression = U32(info, 16);
    const uint32_t used = U32(info, 32);
    if (h.bitCount >= 1 && h.bitCount <= 8 && used > (1u << h.bitCount))
      Damaged(name, std::to_string(used) + " colours for " + std::to_string(h.bitCount) + " bits per pixel");
    if (h.bitCount <= 8) {
      h.colorCount =
          used == 0 ? 1 << h.bitCount : static_cast<int>(std::min<uint32_t>(used, 1u << h.bitCount));
    }
    h.headerSize = size + 4 * static_cast<int64_t>(h.colorCount);
    if (h.compression == 3 && size == 40) h.headerSize += 12;
  }
  switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      Damaged(name, std::to_string(h.bitCount) + " bits per pixel");
  }
  if (h.width <= 0 || h.height == 0 || h.height == INT32_MIN) Damaged(name, "it has no pixels");
  if (h.compression > 3 || (h.compression == 1 && h.bitCount != 8) ||
      (h.compression == 2 && h.bitCount != 4) || (h.compression == 3 && h.bitCount != 16 && h.bitCount != 32))
    Damaged(name, "unknown compression " + std::to_string(h.compression));
  if (h.headerSize > static_cast<int64_t>(info.size())) Damaged(name, "the colour table is cut short");
  return h;
}

DibPixels DecodeDib(std::span<const uint8_t> info, std::span<const uint8_t> bits, const std::string& name,
                    int rows) {
  const DibHeader h = ReadDibHeader(info, name);
  const bool topDown = h.height < 0;
  const int height = rows > 0 ? rows : (topDown ? -h.height : h.height);
  CheckPicturePixels(name, h.width, height);
  const bool core = U32(info, 0) == 12;
  const size_t tableAt = core ? 12 : U32(info, 0);
  std::vector<uint8_t> table(static_cast<size_t>(h.colorCount) * 4, 0);
  for (int i = 0; i < h.colorCount; ++i) {
    const size_t at = tableAt + static_cast<size_t>(i) * (core ? 3 : 4);
    table[4 * i] = info[at];
    table[4 * i + 1] = info[at + 1];
    table[4 * i + 2] = info[at + 2];
  }
  uint32_t rMask = 0, gMask = 0, bMask = 0, aMask = 0;
  if (h.bitCount == 16) {
    rMask = 0x7C00, gMask = 0x03E0, bMask = 0x001F;
  } else if (h.bitCount == 32) {
    rMask = 0xFF0000, gMask = 0xFF00, bMask = 0xFF, aMask = 0xFF000000;
  }
  if (h.compression == 3) {
    const size_t at = 40;  // the masks follow a 40-byte header and sit there in the longer ones
    if (info.size() < at + 12) Damaged(name, "the bit masks are cut short");
    rMask = U32(info, at), gMask = U32(info, at + 4), bMask = U32(info, at + 8);
    aMask = U32(info, 0) >= 56 && info.size() >= 56 ? U32(info, 52) : 0;
  }

  // Refuse what the data cannot hold before the pixels are allocated.
  const int64_t stride = DibStride(h.width, h.bitCount);
  if (h.compression == 1 || h.compression == 2) {
    // Four bytes reach at most 255 rows and 255 pixels further (a delta).
    const int64_t perTwoBytes = 128 * (static_cast<int64_t>(h.width) + 1);
    if (static_cast<int64_t>(h.width) * height > (static_cast<int64_t>(bits.size()) / 2 + 1) * perTwoBytes)
      Damaged(name, "the run-length data is too short for its size");
  } else if (stride * height > static_cast<int64_t>(bits.size())) {
    Damaged(name, "the pixel rows are cut short");
  }

  DibPixels out;
  out.width = h.width;
  out.height = height;
  out.bgra.assign(static_cast<size_t>(h.width) * height * 4, 0);
  auto put = [&](int x, int fileRow, uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
    if (x < 0 || x >= h.width || fileRow < 0 || fileRow >= height) return;
    const int y = topDown ? fileRow : height - 1 - fileRow;
    uint8_t* p = out.bgra.data() + (static_cast<size_t>(y) * h.width + x) * 4;
    p[0] = b, p[1] = g, p[2] = r, p[3] = a;
  };
  auto putIndex = [&](int x, int fileRow, int index) {
    if (index >= h.colorCount) index = 0;
    if (h.colorCount == 0) return put(x, fileRow, 0, 0, 0, 0);
    put(x, fileRow, table[4 * index], table[4 * index + 1], table[4 * index + 2], 0);
  };

  if (h.compression == 1 || h.compression == 2) {
    // Run-length rows, bottom-up; pixels not reached stay black.
    size_t at = 0;
    int x = 0, row = 0;
    const bool rle8 = h.compression == 1;
    while (at + 1 < bits.size() && row < height) {
      const int count = bits[at], code = bits[at + 1];
      at += 2;
      if (count > 0) {
        for (int i = 0; i < count; ++i) putIndex(x++, row, rle8 ? code : (i % 2 ? code & 15 : code >> 4));
      } else if (code == 0) {
        x = 0, ++row;
      } else if (code == 1) {
        break;
      } else if (code == 2) {
        if (at + 1 >= bits.size()) Damaged(name, "a run-length delta is cut short");
        x += bits[at], row += bits[at + 1];
        at += 2;
      } else {
        const size_t bytes = rle8 ? code : (code + 1) / 2;
        if (at + bytes > bits.size()) Damaged(name, "a run-length literal is cut short");
        for (int i = 0; i < code; ++i)
          putIndex(x++, row, rle8 ? bits[at + i] : (i % 2 ? bits[at + i / 2] & 15 : bits[at + i / 2] >> 4));
        at += (bytes + 1) & ~static_cast<size_t>(1);
      }
    }
    return out;
  }

  for (int row = 0; row < height; ++row) {
    const uint8_t* src = bits.data() + row * stride;
    for (int x = 0; x < h.width; ++x) {
      switch (h.bitCount) {
        case 1:
          putIndex(x, row, (src[x >> 3] >> (7 - (x & 7))) & 1);
          break;
        case 4:
          putIndex(x, row, (x & 1) ? src[x >> 1] & 15 : src[x >> 1] >> 4);
          break;
        case 8:
          putIndex(x, row, src[x]);
          break;
        case 24:
          put(x, row, src[3 * x], src[3 * x + 1], src[3 * x + 2], 0);
          break;
        case 16: {
          const uint32_t v = src[2 * x] | (src[2 * x + 1] << 8);
          put(x, row, Field(v, bMask), Field(v, gMask), Field(v, rMask), 0);
          break;
        }
        default: {
          const uint32_t v = src[4 * x] | (src[4 * x + 1] << 8) | (src[4 * x + 2] << 16) |
                             (static_cast<uint32_t>(src[4 * x + 3]) << 24);
          const uint8_t a = Field(v, aMask);
          out.alphaUsed |= a != 0;
          put(x, row, Field(v, bMask), Field(v, gMask), Field(v, rMask), a);
        }
      }
    }
  }
  return out;
}

}  // namespace tessalin
