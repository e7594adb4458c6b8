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

// The HSI composite bytes of one colour, by the rule of HSIModelImage kind 3.
BgrTriple CompositePixel(const BgrTriple& p) {
  const HSIColor hsi = RGBToHSI(p.r, p.g, p.b);
  return {static_cast<uint8_t>(RoundToInt(static_cast<Extended>(hsi.I))),
          static_cast<uint8_t>(RoundToInt(static_cast<Extended>(hsi.S) * 255)),
          static_cast<uint8_t>(RoundToInt(static_cast<Extended>(hsi.H) / 360 * 255))};
}

struct MemoEntry {
  BgrTriple corrected, composite;
};

// The correction is a function of the pixel's colour alone, and photos repeat
// colours a lot: a small direct-mapped memo per worker skips most of the
// trigonometry. Misses simply recompute, so the result is the reference's.
class ColourMemo {
 public:
  static constexpr uint32_t kSlots = 1u << 16;
  ColourMemo(const ChannelOffsets& offsets, bool withComposite)
      : offsets_(offsets),
        withComposite_(withComposite),
        keys_(new uint32_t[kSlots]),
        values_(new MemoEntry[kSlots]) {
    std::fill_n(keys_.get(), kSlots, 0xFFFFFFFFu);
  }
  const MemoEntry& Get(uint8_t r, uint8_t g, uint8_t b) {
    const uint32_t key = (uint32_t{r} << 16) | (uint32_t{g} << 8) | b;
    const uint32_t slot = (key * 2654435761u) >> 16;
    if (keys_[slot] != key) {
      keys_[slot] = key;
      MemoEntry& e = values_[slot];
      e.corrected = CorrectChannelPixel(r, g, b, offsets_);
      if (withComposite_) e.composite = CompositePixel(e.corrected);
    }
    return values_[slot];
  }

 private:
  ChannelOffsets offsets_;
  bool withComposite_;
  std::unique_ptr<uint32_t[]> keys_;
  std::unique_ptr<MemoEntry[]> values_;
};

void CorrectRows(const RasterImage& source, RasterImage& out, RasterImage* composite, int firstRow,
                 int endRow, const ChannelOffsets& offsets) {
  ColourMemo memo(offsets, composite != nullptr);
  const int width = source.Width();
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  for (int y = firstRow; y < endRow; ++y) {
    source.ReadRowBgr(y, row.data());
    uint8_t* dst = out.Row(y);
    uint8_t* hsi = composite ? composite->Row(y) : nullptr;
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &row[3 * static_cast<size_t>(x)];
      const MemoEntry& v = memo.Get(p[2], p[1], p[0]);
      dst[3 * x] = v.corrected.b;
      dst[3 * x + 1] = v.corrected.g;
      dst[3 * x + 2] = v.corrected.r;
      if (hsi) {
        hsi[3 * x] = v.composite.b;
        hsi[3 * x + 1] = v.composite.g;
        hsi[3 * x + 2] = v.composite.r;
      }
    }
  }
}

void Correct(const RasterImage& source, RasterImage& out, RasterImage* composite,
             const ChannelOffsets& offsets) {
  const int height = source.Height();
  const long long pixels = static_cast<long long>(source.Width()) * height;
  int workers = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  if (pixels < 65536) workers = 1;
  workers = std::min(workers, height);
  // Rows are independent: split them into bands.
  const int band = (height + workers - 1) / workers;
  std::vector<std::thread> threads;
  for (int first = band; first < height; first += band)
    threads.emplace_back(CorrectRows, std::cref(source), std::ref(out), composite, first,
                         std::min(height, first + band), std::cref(offsets));
  CorrectRows(source, out, composite, 0, std::min(height, band), offsets);
  for (auto& t : threads) t.join();
}

}  // namespace

RasterImage ApplyChannelCorrection(const RasterImage& source, const ChannelOffsets& offsets) {
  if (!source.HasImage()) return RasterImage();
  RasterImage out = NewRaster(PixelFormat::pf24Bit, source.Height(), source.Width());
  Correct(source, out, nullptr, offsets);
  return out;
}

ChannelCorrection ApplyChannelCorrectionWithComposite(const RasterImage& source,
                                                      const ChannelOffsets& offsets) {
  ChannelCorrection result;
  if (!source.HasImage()) return result;
  result.corrected = NewRaster(PixelFormat::pf24Bit, source.Height(), source.Width());
  result.composite = NewRaster(PixelFormat::pf24Bit, source.Height(), source.Width());
  Correct(source, result.corrected, &result.composite, offsets);
  return result;
}

RasterImage SamplePixels(const RasterImage& picture, const std::vector<int>& columns,
                         const std::vector<int>& rows) {
  if (columns.empty() || rows.empty() || !picture.HasImage()) return RasterImage();
  RasterImage out =
      NewRaster(PixelFormat::pf24Bit, static_cast<int>(rows.size()), static_cast<int>(columns.size()));
  std::vector<uint8_t> row(static_cast<size_t>(picture.Width()) * 3);
  for (size_t y = 0; y < rows.size(); ++y) {
    picture.ReadRowBgr(std::clamp(rows[y], 0, picture.Height() - 1), row.data());
    uint8_t* dst = out.Row(static_cast<int>(y));
    for (size_t x = 0; x < columns.size(); ++x) {
      const size_t c = static_cast<size_t>(std::clamp(columns[x], 0, picture.Width() - 1));
      dst[3 * x] = row[3 * c];
      dst[3 * x + 1] = row[3 * c + 1];
      dst[3 * x + 2] = row[3 * c + 2];
    }
  }
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
