#include "core/black_white.h"

#include <array>
#include <cstring>

#include "core/parallel_rows.h"

namespace tessalin {

RasterImage NewPackedRaster(int height, int width) {
  // A new pf1Bit raster has the black-and-white table.
  return NewUnfilledRaster(PixelFormat::pf1Bit, height, width);
}

bool IsPackedBlackWhite(const RasterImage& raster) {
  const ColorTable& table = raster.Colors();
  return raster.Format() == PixelFormat::pf1Bit && table.size() >= 2 && table[0] == PaletteEntry{0, 0, 0} &&
         table[1] == PaletteEntry{255, 255, 255};
}

void PackBlackWhiteRow(const uint8_t* values, int width, uint8_t* bits) {
  // Byte i of eight keeps its bit 7 - i (all its bits are alike); the bits
  // are distinct, so the byte sum that the multiplication forms is their union.
  constexpr uint64_t kPlaces = 0x0102040810204080ULL, kSumBytes = 0x0101010101010101ULL;
  int x = 0;
  for (; x + 8 <= width; x += 8) {
    uint64_t eight;
    std::memcpy(&eight, values + x, 8);
    *bits++ = static_cast<uint8_t>(((eight & kPlaces) * kSumBytes) >> 56);
  }
  if (x < width) {
    uint8_t last = 0;
    for (int k = 0; x + k < width; ++k) last = static_cast<uint8_t>(last | ((values[x + k] & 0x80) >> k));
    *bits = last;
  }
}

RasterImage ExpandBlackWhite(const RasterImage& packed) {
  if (packed.Format() != PixelFormat::pf1Bit) {
    RasterImage wide;
    wide.Assign(packed);
    wide.SetPixelFormat(PixelFormat::pf24Bit);
    return wide;
  }
  const int W = packed.Width(), H = packed.Height();
  RasterImage out = NewUnfilledRaster(PixelFormat::pf24Bit, H, W);
  if (!out.HasImage()) return out;
  uint8_t colours[2][3] = {};
  for (int i = 0; i < 2 && i < static_cast<int>(packed.Colors().size()); ++i) {
    const PaletteEntry& e = packed.Colors()[static_cast<size_t>(i)];
    colours[i][0] = e.b, colours[i][1] = e.g, colours[i][2] = e.r;
  }
  // The 24 bytes of every byte of eight pixels.
  std::array<std::array<uint8_t, 24>, 256> eights;
  for (int byte = 0; byte < 256; ++byte)
    for (int k = 0; k < 8; ++k) std::memcpy(&eights[byte][3 * k], colours[(byte >> (7 - k)) & 1], 3);
  ParallelFor(H, 64, [&](int64_t begin, int64_t end) {
    for (int64_t y = begin; y < end; ++y) {
      const uint8_t* bits = packed.Row(static_cast<int>(y));
      uint8_t* dst = out.Row(static_cast<int>(y));
      const int whole = W / 8;
      for (int b = 0; b < whole; ++b, dst += 24) std::memcpy(dst, eights[bits[b]].data(), 24);
      if (W % 8) std::memcpy(dst, eights[bits[whole]].data(), 3 * static_cast<size_t>(W % 8));
    }
  });
  return out;
}

}  // namespace tessalin
