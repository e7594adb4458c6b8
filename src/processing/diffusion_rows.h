// What every error diffusion shares: the picture's rows as the scan reads
// them, the order and direction of the rows, and the result rows.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/black_white.h"
#include "core/raster_image.h"
#include "processing/dither.h"

namespace tessalin {

constexpr uint8_t kWhiteByte = 255;

inline PackedDitherResults NewPackedResults(int width, int height) {
  PackedDitherResults out;
  for (RasterImage& r : out) r = NewPackedRaster(height, width);
  return out;
}

// A result row is made as bytes of 0 and 255, one a pixel in whichever order
// the scan visits them, and packed once it is complete.
class ResultRows {
 public:
  explicit ResultRows(int width) : width_(width), bytes_(4 * static_cast<size_t>(width)) {}
  uint8_t* Channel(int c) { return bytes_.data() + static_cast<size_t>(c) * width_; }
  // Packs channels [first, first + count) into row y of their results.
  void Pack(PackedDitherResults& out, int y, int first = 0, int count = 4) {
    for (int c = first; c < first + count; ++c) PackBlackWhiteRow(Channel(c), width_, out[c].Row(y));
  }

 private:
  int width_;
  std::vector<uint8_t> bytes_;
};

// The bordered copy as the diffusion sees it. Buffer row b holds picture row
// H - b: row 0 is the bottom border row (a copy of the last picture row),
// processed first, and the next row in processing order is the next buffer
// row; the rows past H are the top border (copies of the first row). Border
// cells only take error and are never quantised, so no result depends on
// them: the rows come straight from the picture, the border columns repeat
// its edge cells, and no bordered copy is made.
struct DiffusionSource {
  int width = 0, height = 0;  // the picture
  int borderedWidth = 0;
  int border = 0;  // side and top border width
  const RasterImage* picture = nullptr;
};

// The B, G, R cells of one buffer row, read in place from a 24-bit picture
// or decoded from other layouts.
class DiffusionRows {
 public:
  explicit DiffusionRows(const DiffusionSource& src)
      : src_(src),
        decoded_(src.picture->Format() == PixelFormat::pf24Bit ? 0 : 3 * static_cast<size_t>(src.width)) {}
  const uint8_t* Get(int bufferRow) {
    const int y = std::clamp(src_.height - bufferRow, 0, src_.height - 1);
    if (decoded_.empty()) return src_.picture->Row(y);
    src_.picture->ReadRowBgr(y, decoded_.data());
    return decoded_.data();
  }

 private:
  const DiffusionSource& src_;
  std::vector<uint8_t> decoded_;
};

// The scan every diffusion makes: buffer rows 0 .. H (picture rows H .. 0,
// the bottom border row first), each loaded `rowsAhead` rows before it is
// scanned, picture row y left to right (d = 1) when y is even and right to
// left (d = -1) when it is odd. scan(b, y, d).
template <typename LoadFn, typename ScanFn>
void ForEachDiffusionRow(int height, int rowsAhead, LoadFn&& load, ScanFn&& scan) {
  for (int b = 0; b <= rowsAhead; ++b) load(b);
  for (int b = 0; b <= height; ++b) {
    if (b > 0) load(b + rowsAhead);
    const int y = height - b;
    scan(b, y, y % 2 == 0 ? 1 : -1);
  }
}

}  // namespace tessalin
