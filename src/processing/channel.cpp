#include "processing/channel.h"

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include "core/arithmetic.h"
#include "core/colour_model.h"

namespace tessalin {

BgrTriple CorrectChannelPixel(uint8_t r, uint8_t g, uint8_t b, const ChannelOffsets& offsets) {
  const uint8_t cr = ClampByte(r + offsets.r);
  const uint8_t cg = ClampByte(g + offsets.g);
  const uint8_t cb = ClampByte(b + offsets.b);
  HSIColor hsi = RGBToHSI(cr, cg, cb);
  hsi.H = ClampReal(hsi.H + offsets.h, 0, 360);
  hsi.S = ClampReal(hsi.S + offsets.s, 0, 1);
  hsi.I = ClampReal(hsi.I + offsets.i, 0, 255);
  return HSIToRGB(hsi);
}

namespace {

// The correction is a function of the pixel's colour alone, and photos repeat
// colours a lot: a small direct-mapped memo per worker skips most of the
// trigonometry. Misses simply recompute, so the result is the reference's.
class ColourMemo {
 public:
  static constexpr uint32_t kSlots = 1u << 16;
  ColourMemo() : keys_(new uint32_t[kSlots]), values_(new BgrTriple[kSlots]) {
    std::fill_n(keys_.get(), kSlots, 0xFFFFFFFFu);
  }
  BgrTriple Get(uint8_t r, uint8_t g, uint8_t b, const ChannelOffsets& offsets) {
    const uint32_t key = (uint32_t{r} << 16) | (uint32_t{g} << 8) | b;
    const uint32_t slot = (key * 2654435761u) >> 16;
    if (keys_[slot] != key) {
      keys_[slot] = key;
      values_[slot] = CorrectChannelPixel(r, g, b, offsets);
    }
    return values_[slot];
  }

 private:
  std::unique_ptr<uint32_t[]> keys_;
  std::unique_ptr<BgrTriple[]> values_;
};

void CorrectRows(const RasterImage& source, RasterImage& out, int firstRow, int endRow,
                 const ChannelOffsets& offsets) {
  ColourMemo memo;
  const int width = source.Width();
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  for (int y = firstRow; y < endRow; ++y) {
    source.ReadRowBgr(y, row.data());
    uint8_t* dst = out.Row(y);
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &row[3 * static_cast<size_t>(x)];
      const BgrTriple v = memo.Get(p[2], p[1], p[0], offsets);
      dst[3 * x] = v.b;
      dst[3 * x + 1] = v.g;
      dst[3 * x + 2] = v.r;
    }
  }
}

}  // namespace

RasterImage ApplyChannelCorrection(const RasterImage& source, const ChannelOffsets& offsets) {
  if (!source.HasImage()) return RasterImage();
  RasterImage out = NewRaster(PixelFormat::pf24Bit, source.Height(), source.Width());
  const int height = source.Height();
  const long long pixels = static_cast<long long>(source.Width()) * height;
  int workers = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  if (pixels < 65536) workers = 1;
  workers = std::min(workers, height);
  if (workers == 1) {
    CorrectRows(source, out, 0, height, offsets);
    return out;
  }
  // Rows are independent: split them into bands.
  std::vector<std::thread> threads;
  const int band = (height + workers - 1) / workers;
  for (int first = band; first < height; first += band)
    threads.emplace_back(CorrectRows, std::cref(source), std::ref(out), first, std::min(height, first + band),
                         std::cref(offsets));
  CorrectRows(source, out, 0, std::min(height, band), offsets);
  for (auto& t : threads) t.join();
  return out;
}

RasterImage ChannelThresholdImage(const RasterImage& picture, int byteIndex, int offset) {
  if (!picture.HasImage()) return RasterImage();
  // Row bytes are B, G, R: the red byte is the third.
  const int pick = 2 - std::clamp(byteIndex, 0, 2);
  RasterImage out = NewRaster(PixelFormat::pf24Bit, picture.Height(), picture.Width());
  const int width = picture.Width();
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  for (int y = 0; y < picture.Height(); ++y) {
    picture.ReadRowBgr(y, row.data());
    uint8_t* dst = out.Row(y);
    for (int x = 0; x < width; ++x) {
      const uint8_t v = ClampByte(row[3 * static_cast<size_t>(x) + pick] + offset);
      dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = v;
    }
  }
  return out;
}

}  // namespace tessalin
