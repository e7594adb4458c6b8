#include "core/row_codec.h"

#include <cstring>

namespace tessalin {

namespace {

inline uint8_t Expand5(unsigned v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }
inline uint8_t Expand6(unsigned v) { return static_cast<uint8_t>((v << 2) | (v >> 4)); }

inline void PutEntry(const ColorTable& table, int index, uint8_t* out) {
  if (index < static_cast<int>(table.size())) {
    const PaletteEntry& e = table[index];
    out[0] = e.b;
    out[1] = e.g;
    out[2] = e.r;
  } else {
    out[0] = out[1] = out[2] = 0;  // an index past a short table reads as black
  }
}

}  // namespace

int GetIndexAt(const uint8_t* row, PixelFormat format, int x) {
  switch (format) {
    case PixelFormat::pf1Bit: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case PixelFormat::pf4Bit: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    case PixelFormat::pf8Bit: return row[x];
    default: return 0;
  }
}

void SetIndexAt(uint8_t* row, PixelFormat format, int x, int index) {
  switch (format) {
    case PixelFormat::pf1Bit: {
      const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
      if (index & 1) row[x >> 3] |= mask; else row[x >> 3] &= static_cast<uint8_t>(~mask);
      break;
    }
    case PixelFormat::pf4Bit: {
      uint8_t& byte = row[x >> 1];
      if (x & 1) byte = static_cast<uint8_t>((byte & 0xF0) | (index & 0x0F));
      else byte = static_cast<uint8_t>((byte & 0x0F) | ((index & 0x0F) << 4));
      break;
    }
    case PixelFormat::pf8Bit: row[x] = static_cast<uint8_t>(index); break;
    default: break;
  }
}

void DecodeRowToBgr(const uint8_t* row, PixelFormat format, const ColorTable& table, int width,
                    uint8_t* bgr) {
  switch (format) {
    case PixelFormat::pf24Bit: std::memcpy(bgr, row, static_cast<size_t>(width) * 3); return;
    case PixelFormat::pfDevice:
    case PixelFormat::pf32Bit:
      for (int x = 0; x < width; ++x) {
        bgr[3 * x] = row[4 * x];
        bgr[3 * x + 1] = row[4 * x + 1];
        bgr[3 * x + 2] = row[4 * x + 2];
      }
      return;
    case PixelFormat::pf15Bit:
      for (int x = 0; x < width; ++x) {
        const unsigned w = row[2 * x] | (row[2 * x + 1] << 8);
        bgr[3 * x] = Expand5(w & 0x1F);
        bgr[3 * x + 1] = Expand5((w >> 5) & 0x1F);
        bgr[3 * x + 2] = Expand5((w >> 10) & 0x1F);
      }
      return;
    case PixelFormat::pf16Bit:
      for (int x = 0; x < width; ++x) {
        const unsigned w = row[2 * x] | (row[2 * x + 1] << 8);
        bgr[3 * x] = Expand5(w & 0x1F);
        bgr[3 * x + 1] = Expand6((w >> 5) & 0x3F);
        bgr[3 * x + 2] = Expand5((w >> 11) & 0x1F);
      }
      return;
    case PixelFormat::pf1Bit:
    case PixelFormat::pf4Bit:
    case PixelFormat::pf8Bit:
      for (int x = 0; x < width; ++x) PutEntry(table, GetIndexAt(row, format, x), bgr + 3 * x);
      return;
  }
}

void EncodeRowFromBgr(const uint8_t* bgr, int width, PixelFormat format, NearestColorMapper* mapper,
                      uint8_t* row) {
  switch (format) {
    case PixelFormat::pf24Bit: std::memcpy(row, bgr, static_cast<size_t>(width) * 3); return;
    case PixelFormat::pfDevice:
    case PixelFormat::pf32Bit:
      for (int x = 0; x < width; ++x) {
        row[4 * x] = bgr[3 * x];
        row[4 * x + 1] = bgr[3 * x + 1];
        row[4 * x + 2] = bgr[3 * x + 2];
        row[4 * x + 3] = 0;
      }
      return;
    case PixelFormat::pf15Bit:
      for (int x = 0; x < width; ++x) {
        const unsigned w = (bgr[3 * x] >> 3) | ((bgr[3 * x + 1] >> 3) << 5) | ((bgr[3 * x + 2] >> 3) << 10);
        row[2 * x] = static_cast<uint8_t>(w);
        row[2 * x + 1] = static_cast<uint8_t>(w >> 8);
      }
      return;
    case PixelFormat::pf16Bit:
      for (int x = 0; x < width; ++x) {
        const unsigned w = (bgr[3 * x] >> 3) | ((bgr[3 * x + 1] >> 2) << 5) | ((bgr[3 * x + 2] >> 3) << 11);
        row[2 * x] = static_cast<uint8_t>(w);
        row[2 * x + 1] = static_cast<uint8_t>(w >> 8);
      }
      return;
    case PixelFormat::pf1Bit:
    case PixelFormat::pf4Bit:
    case PixelFormat::pf8Bit:
      for (int x = 0; x < width; ++x)
        SetIndexAt(row, format, x, (*mapper)(bgr[3 * x + 2], bgr[3 * x + 1], bgr[3 * x]));
      return;
  }
}

}  // namespace tessalin
