#include "processing/display_sampling.h"

#include <algorithm>

#include "core/parallel_rows.h"
#include "processing/convolve_parallel.h"

namespace tessalin {

namespace {

// Rows of output below which threads cost more than they save.
constexpr int64_t kRowsPerThread = 64;

}  // namespace

void RasterToXrgb(const RasterImage& raster, const MutableXrgbPlane& out) {
  const int width = std::min(out.width, raster.Width());
  ParallelFor(std::min(out.height, raster.Height()), kRowsPerThread, [&](int64_t begin, int64_t end) {
    std::vector<uint8_t> bgr(static_cast<size_t>(raster.Width()) * 3);
    for (int64_t y = begin; y < end; ++y) {
      raster.ReadRowBgr(static_cast<int>(y), bgr.data());
      uint32_t* target = out.Row(static_cast<int>(y));
      for (int x = 0; x < width; ++x)
        target[x] = 0xFF000000u | uint32_t{bgr[3 * x + 2]} << 16 | uint32_t{bgr[3 * x + 1]} << 8 | bgr[3 * x];
    }
  });
}

RasterImage XrgbToRaster24(const XrgbPlane& in) {
  RasterImage raster = NewRaster(PixelFormat::pf24Bit, in.height, in.width);
  ParallelFor(in.height, kRowsPerThread, [&](int64_t begin, int64_t end) {
    for (int64_t y = begin; y < end; ++y) {
      const uint32_t* source = in.Row(static_cast<int>(y));
      uint8_t* row = raster.Row(static_cast<int>(y));
      for (int x = 0; x < in.width; ++x) {
        row[3 * x] = static_cast<uint8_t>(source[x]);
        row[3 * x + 1] = static_cast<uint8_t>(source[x] >> 8);
        row[3 * x + 2] = static_cast<uint8_t>(source[x] >> 16);
      }
    }
  });
  return raster;
}

void GatherPixels(const XrgbPlane& in, const std::vector<int>& columns, const std::vector<int>& rows,
                  const MutableXrgbPlane& out) {
  const int width = std::min<int>(out.width, static_cast<int>(columns.size()));
  const int height = std::min<int>(out.height, static_cast<int>(rows.size()));
  ParallelFor(height, kRowsPerThread, [&](int64_t begin, int64_t end) {
    for (int64_t y = begin; y < end; ++y) {
      const uint32_t* source = in.Row(rows[y]);
      uint32_t* target = out.Row(static_cast<int>(y));
      for (int x = 0; x < width; ++x) target[x] = source[columns[x]];
    }
  });
}

std::vector<int> MagnifiedIndices(int first, int count, int factor) {
  std::vector<int> indices(static_cast<size_t>(std::max(count, 0)));
  for (int i = 0; i < count; ++i) indices[i] = (first + i) / factor;
  return indices;
}

int ReducedLength(int length, int factor) { return length <= 0 ? 0 : (length - 1) / factor + 1; }

namespace {

// The channels of a 0xffRRGGBB word in lanes of an accumulator, so that one
// addition sums two of them: red and blue in one accumulator, green in the
// other. Narrow lanes (16 bits) hold the sums of a block of up to 256 words,
// wide lanes (32 bits) those of any block a view uses.
struct NarrowLanes {
  using Sum = uint32_t;
  static constexpr int kMaxFactor = 16;
  static Sum RedBlue(uint32_t word) { return word & 0x00FF00FFu; }
  static Sum Green(uint32_t word) { return (word >> 8) & 0xFFu; }
  static uint64_t Red(Sum sum) { return sum >> 16; }
  static uint64_t Blue(Sum sum) { return sum & 0xFFFFu; }
};

struct WideLanes {
  using Sum = uint64_t;
  static Sum RedBlue(uint32_t word) { return (word & 0xFFu) | static_cast<uint64_t>(word & 0xFF0000u) << 16; }
  static Sum Green(uint32_t word) { return (word >> 8) & 0xFFu; }
  static uint64_t Red(Sum sum) { return sum >> 32; }
  static uint64_t Blue(Sum sum) { return sum & 0xFFFFFFFFu; }
};

// The rounded mean of `count` channel values, the division done as a
// multiplication: exact for every sum a block of up to 1024 x 1024 pixels
// makes (the numerator stays below 2^28; Granlund and Montgomery's bound).
class BlockMean {
 public:
  explicit BlockMean(uint64_t count) : count_(count) {
    int log2 = 0;
    while ((uint64_t{1} << log2) < count) ++log2;
    shift_ = 28 + log2;
    multiplier_ = ((uint64_t{1} << shift_) + count - 1) / count;
  }
  uint32_t operator()(uint64_t sum) const {
    return static_cast<uint32_t>(((sum + count_ / 2) * multiplier_) >> shift_);
  }

 private:
  uint64_t count_;
  int shift_;
  uint64_t multiplier_;
};

// Adds a row's channels to the column sums: the bulk of the work, a plain
// pass over whole rows that vectorises.
template <typename Lanes>
TESSALIN_VECTORISE void AddRow(const uint32_t* row, int width, typename Lanes::Sum* redBlue,
                               typename Lanes::Sum* green) {
  for (int x = 0; x < width; ++x) {
    redBlue[x] += Lanes::RedBlue(row[x]);
    green[x] += Lanes::Green(row[x]);
  }
}

// One row of blocks: the block's rows summed column by column first, then
// each block's columns.
template <typename Lanes>
void BlockRow(const XrgbPlane& in, int factor, int top, int bottom, int outWidth,
              std::vector<typename Lanes::Sum>& redBlue, std::vector<typename Lanes::Sum>& green,
              uint32_t* target) {
  using Sum = typename Lanes::Sum;
  Sum* rb = redBlue.data();
  Sum* g = green.data();
  std::fill_n(rb, in.width, Sum{0});
  std::fill_n(g, in.width, Sum{0});
  for (int y = top; y < bottom; ++y) AddRow<Lanes>(in.Row(y), in.width, rb, g);
  const BlockMean whole(static_cast<uint64_t>(factor) * (bottom - top));
  for (int ox = 0; ox < outWidth; ++ox) {
    const int left = ox * factor, right = std::min(in.width, left + factor);
    Sum blockRedBlue = 0, blockGreen = 0;
    for (int x = left; x < right; ++x) {
      blockRedBlue += rb[x];
      blockGreen += g[x];
    }
    // Only the last block of a row can be cut short.
    const BlockMean mean =
        right - left == factor ? whole : BlockMean(static_cast<uint64_t>(right - left) * (bottom - top));
    target[ox] = 0xFF000000u | mean(Lanes::Red(blockRedBlue)) << 16 | mean(blockGreen) << 8 |
                 mean(Lanes::Blue(blockRedBlue));
  }
}

template <typename Lanes>
void BlockRows(const XrgbPlane& in, int factor, const MutableXrgbPlane& out, int outWidth, int64_t begin,
               int64_t end) {
  std::vector<typename Lanes::Sum> redBlue(static_cast<size_t>(in.width)),
      green(static_cast<size_t>(in.width));
  for (int64_t oy = begin; oy < end; ++oy) {
    const int top = static_cast<int>(oy) * factor, bottom = std::min(in.height, top + factor);
    BlockRow<Lanes>(in, factor, top, bottom, outWidth, redBlue, green, out.Row(static_cast<int>(oy)));
  }
}

}  // namespace

void BlockMeans(const XrgbPlane& in, int factor, const MutableXrgbPlane& out) {
  const int outWidth = std::min(out.width, ReducedLength(in.width, factor));
  const int outHeight = std::min(out.height, ReducedLength(in.height, factor));
  ParallelFor(outHeight, std::max<int64_t>(1, kRowsPerThread / factor), [&](int64_t begin, int64_t end) {
    if (factor <= NarrowLanes::kMaxFactor)
      BlockRows<NarrowLanes>(in, factor, out, outWidth, begin, end);
    else
      BlockRows<WideLanes>(in, factor, out, outWidth, begin, end);
  });
}

}  // namespace tessalin
