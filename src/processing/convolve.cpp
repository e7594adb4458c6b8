#include "processing/convolve.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/arithmetic.h"
#include "core/bordered_copy.h"
#include "core/tessalin_error.h"
#include "processing/convolve_kernels.h"
#include "processing/convolve_parallel.h"
#include "processing/convolve_rounding.h"
#include "processing/cpu_features.h"

namespace tessalin {

namespace {

const ConvolveKernel& KernelOf(int kind) {
  if (kind < 0 || kind >= kConvolveKindCount)
    throw TessalinError("Unknown convolution kind " + std::to_string(kind) + ".");
  return kConvolveKernels[kind];
}

// Hue, saturation and intensity values already clamped to their ranges.
// form (channel mod 4) 0, 1 or 2 needs only the hue, saturation or intensity byte.
inline void HsiOutputBytes(double h, double s, double i, int bias, uint8_t out[3], int form = 3) {
  if (form == 3 || form == 0) out[2] = RoundedByte(static_cast<Extended>(h) / 360 * 255 + bias);
  if (form == 3 || form == 1) out[1] = RoundedByte(static_cast<Extended>(s) * 255 + bias);
  if (form == 3 || form == 2) out[0] = RoundedByte(static_cast<Extended>(i) + bias);
}

// One multiply-add as the accumulators see it: worked out in extended
// precision, stored as a double.
inline void AddProduct(double& acc, double weight, double value) {
  acc = static_cast<double>(static_cast<Extended>(acc) + static_cast<Extended>(weight) * value);
}

inline void WritePixel(uint8_t* dst, int channel, const uint8_t bgr[3]) {
  switch (channel & 3) {
    case 0: dst[0] = dst[1] = dst[2] = bgr[2]; break;
    case 1: dst[0] = dst[1] = dst[2] = bgr[1]; break;
    case 2: dst[0] = dst[1] = dst[2] = bgr[0]; break;
    default: dst[0] = bgr[0]; dst[1] = bgr[1]; dst[2] = bgr[2]; break;
  }
}

// Bordered rows y, y + 1 and y + 2 (top-down) for output row y; the buffers
// store rows bottom-up.
template <typename T>
void NeighbourRows(const T* base, int borderedWidth, int borderedHeight, int y, const T* rows[3], int perPixel) {
  for (int r = 0; r < 3; ++r)
    rows[r] = base + static_cast<size_t>(borderedHeight - 1 - (y + r)) * borderedWidth * perPixel;
}

// Where the three bordered rows (one replicated pixel at each end) of output
// row y come from: the working buffers, or the picture itself.
struct BufferRows {
  explicit BufferRows(const ConvolveSource& source) : src(source) {}
  int Width() const { return src.width; }
  void Get(int y, const uint8_t* rows[3]) const {
    NeighbourRows(src.buffers.Rgb(), src.borderedWidth, src.borderedHeight, y, rows, 3);
  }
  const ConvolveSource& src;
};

struct PictureRows {
  explicit PictureRows(const RasterImage& p) : picture(p), scratch(9 * (static_cast<size_t>(p.Width()) + 2)) {}
  int Width() const { return picture.Width(); }
  void Get(int y, const uint8_t* rows[3]) {
    const size_t rowBytes = 3 * static_cast<size_t>(picture.Width());
    for (int r = 0; r < 3; ++r) {
      const int sy = std::clamp(y - 1 + r, 0, picture.Height() - 1);
      const uint8_t* from = picture.Row(sy);
      uint8_t* to = scratch.data() + static_cast<size_t>(r) * (rowBytes + 6);
      std::memcpy(to, from, 3);
      std::memcpy(to + 3, from, rowBytes);
      std::memcpy(to + 3 + rowBytes, from + rowBytes - 3, 3);
      rows[r] = to;
    }
  }
  const RasterImage& picture;
  std::vector<uint8_t> scratch;
};

// The direct path: nine products per accumulator in reading order, in the
// same arithmetic for every kind and channel.
void ConvolveRowsExtended(const ConvolveSource& src, const ConvolveKernel& k, int channel, int bias, RasterImage& out,
                          int firstRow, int endRow) {
  const int W = src.width;
  const bool hsi = channel >= 4;
  for (int y = firstRow; y < endRow; ++y) {
    uint8_t* dst = out.Row(y);
    const uint8_t* rgbRows[3] = {};
    const HSIColor* hsiRows[3] = {};
    if (hsi) NeighbourRows(src.buffers.Hsi(), src.borderedWidth, src.borderedHeight, y, hsiRows, 1);
    else NeighbourRows(src.buffers.Rgb(), src.borderedWidth, src.borderedHeight, y, rgbRows, 3);
    for (int x = 0; x < W; ++x) {
      // [0] blue or intensity, [1] green or saturation, [2] red or hue.
      double a1[3] = {0, 0, 0}, a2[3] = {0, 0, 0};
      for (int j = 0; j < 9; ++j) {
        double v[3];
        if (hsi) {
          const HSIColor& p = hsiRows[j / 3][x + j % 3];
          v[0] = p.I, v[1] = p.S, v[2] = p.H;
        } else {
          const uint8_t* p = rgbRows[j / 3] + 3 * static_cast<size_t>(x + j % 3);
          v[0] = p[0], v[1] = p[1], v[2] = p[2];
        }
        for (int c = 0; c < 3; ++c) AddProduct(a1[c], k.k1[j], v[c]);
        if (k.magnitude)
          for (int c = 0; c < 3; ++c) AddProduct(a2[c], k.k2[j], v[c]);
      }
      uint8_t bgr[3];
      if (!hsi) {
        for (int c = 0; c < 3; ++c) {
          const Extended sum = k.magnitude ? std::fabs(static_cast<Extended>(a1[c])) + std::fabs(static_cast<Extended>(a2[c])) + bias
                                           : static_cast<Extended>(a1[c]) + bias;
          bgr[c] = RoundedByte(sum);
        }
      } else if (k.magnitude) {
        double m[3];
        for (int c = 0; c < 3; ++c)
          m[c] = ClampReal(static_cast<double>(std::fabs(static_cast<Extended>(a1[c])) + std::fabs(static_cast<Extended>(a2[c]))), 0, 255);
        HsiOutputBytes(m[2], m[1], m[0], bias, bgr);
      } else {
        HsiOutputBytes(ClampReal(a1[2], 0, 360), ClampReal(a1[1], 0, 1), ClampReal(a1[0], 0, 255), bias, bgr);
      }
      WritePixel(dst + 3 * static_cast<size_t>(x), channel, bgr);
    }
  }
}

// The same arithmetic with the kernel known at compile time: zero weights are
// skipped (adding +0 leaves a sum unchanged) and only the asked-for sums are made.
template <int kKind, bool kSecond, typename Get, size_t... J>
inline double AccumulateFixed(Get get, std::index_sequence<J...>) {
  constexpr const ConvolveKernel& k = kConvolveKernels[kKind];
  double acc = 0;
  (
      [&] {
        constexpr double w = kSecond ? k.k2[J] : k.k1[J];
        if constexpr (w != 0) AddProduct(acc, w, get(J));
      }(),
      ...);
  return acc;
}

// Without the HSI buffer, the HSI triples of the three bordered rows an
// output row reads are worked out from their bytes (the same triples the
// buffer would hold), each row once while the band moves down.
class HsiRowRing {
 public:
  HsiRowRing(const ConvolveSource& src, bool used)
      : src_(src), cells_(used && !src.buffers.HasHsi() ? 3 * static_cast<size_t>(src.borderedWidth) : 0) {}
  template <typename RowSource>
  void Rows(RowSource& source, int y, const HSIColor* rows[3]) {
    if (src_.buffers.HasHsi()) {
      NeighbourRows(src_.buffers.Hsi(), src_.borderedWidth, src_.borderedHeight, y, rows, 1);
      return;
    }
    const uint8_t* rgbRows[3] = {};
    bool fetched = false;
    for (int r = 0; r < 3; ++r) {
      const int row = y + r, slot = row % 3;
      HSIColor* cells = cells_.data() + static_cast<size_t>(slot) * src_.borderedWidth;
      if (held_[slot] != row) {
        if (!fetched) source.Get(y, rgbRows);
        fetched = true;
        const uint8_t* p = rgbRows[r];
        for (int x = 0; x < src_.borderedWidth; ++x, p += 3) cells[x] = RGBToHSIFast(p[2], p[1], p[0]);
        held_[slot] = row;
      }
      rows[r] = cells;
    }
  }

 private:
  const ConvolveSource& src_;
  std::vector<HSIColor> cells_;
  int held_[3] = {-1, -1, -1};
};

// The HSI sums of a plain kernel in doubles. Each product and sum rounds once
// to a double where the direct path rounds the product and sum to extended
// precision and then to a double: both stay within 2^-39 of the exact sum a
// step (sums below 8192), so after nine steps they differ by less than 2e-11.
// The bytes are decided by the estimates unless a value lies within the margin
// of a clamp bound or of a rounding half; those pixels take the direct path.
constexpr double kEstimateMargin = 1e-7;

// Four pixels' values in the lanes of one vector: the same operations in the
// same order as one double at a time, so every instruction set gives the
// same estimates.
typedef double EstimateLanes __attribute__((vector_size(32)));
typedef long long EstimateMask __attribute__((vector_size(32)));
typedef int EstimateInts __attribute__((vector_size(16)));

// Only ever inlined into the functions below, whatever their instruction set,
// so the vector return makes no call across instruction sets.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"
inline EstimateLanes LoadLanes(const double* p) {
  EstimateLanes v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// One component (0 intensity, 1 saturation, 2 hue) of one output row: for
// every pixel the byte HsiOutputBytes makes of the accumulator, and whether
// the estimate decided it. `planes` are the component's three bordered rows,
// readable four cells past their end; `bytes` and `undecided` take whole
// fours. Inlined into EstimateHsiBytesAvx2 and EstimateHsiBytes below.
template <int kKind, int kPart>
[[gnu::always_inline]] inline void EstimateHsiBytesIn(const double* const planes[3], int width, int bias,
                                                      uint8_t* bytes, uint8_t* undecided) {
  constexpr const ConvolveKernel& k = kConvolveKernels[kKind];
  constexpr double kHigh = kPart == 0 ? 255 : (kPart == 1 ? 1 : 360);
  const EstimateLanes zero = {0, 0, 0, 0}, high = {kHigh, kHigh, kHigh, kHigh}, top = {255, 255, 255, 255};
  const double b = bias;
  for (int x = 0; x < width; x += 4) {
    EstimateLanes v = zero;
#pragma GCC unroll 9
    for (int j = 0; j < 9; ++j)
      if (k.k1[j] != 0) v += k.k1[j] * LoadLanes(planes[j / 3] + x + j % 3);
    const EstimateLanes fromLow = v < 0 ? -v : v, fromHigh = v - high < 0 ? high - v : v - high;
    const EstimateMask nearBound = (fromLow < kEstimateMargin) | (fromHigh < kEstimateMargin);
    const EstimateLanes c = v < zero ? zero : (v > high ? high : v);
    const EstimateLanes scaled = kPart == 2 ? c / 360 * 255 : (kPart == 1 ? c * 255 : c);
    const EstimateLanes value = scaled + b;
    const EstimateMask above = value > 256, below = value < -1;
    // Whole parts of values in [-1, 256]; the others are saturated and use none.
    const EstimateLanes inRange = above | below ? zero : value;
    EstimateLanes whole = __builtin_convertvector(__builtin_convertvector(inRange, EstimateInts), EstimateLanes);
    whole = whole > inRange ? whole - 1 : whole;  // floor
    const EstimateLanes fraction = inRange - whole - 0.5;
    const EstimateMask nearHalf = (fraction < 0 ? -fraction : fraction) < kEstimateMargin;
    const EstimateLanes rounded = fraction >= 0 ? whole + 1 : whole;
    const EstimateLanes byte = above ? top : (below ? zero : (rounded < 0 ? zero : (rounded > 255 ? top : rounded)));
    const EstimateInts bytes4 = __builtin_convertvector(byte, EstimateInts);
    const EstimateMask open = nearBound | (nearHalf & ~(above | below));
    for (int lane = 0; lane < 4; ++lane) {
      bytes[x + lane] = static_cast<uint8_t>(bytes4[lane]);
      undecided[x + lane] |= static_cast<uint8_t>(open[lane] != 0);
    }
  }
}

template <int kKind, int kPart>
__attribute__((target("avx2"))) void EstimateHsiBytesAvx2(const double* const planes[3], int width, int bias,
                                                          uint8_t* bytes, uint8_t* undecided) {
  EstimateHsiBytesIn<kKind, kPart>(planes, width, bias, bytes, undecided);
}

#pragma GCC diagnostic pop

template <int kKind, int kPart>
void EstimateHsiBytes(const double* const planes[3], int width, int bias, uint8_t* bytes,
                      uint8_t* undecided) {
  if (HasAvx2())
    EstimateHsiBytesAvx2<kKind, kPart>(planes, width, bias, bytes, undecided);
  else
    EstimateHsiBytesIn<kKind, kPart>(planes, width, bias, bytes, undecided);
}

// The three bordered rows of an output row as one plane per component, each
// row converted once while the band moves down.
class HsiPlaneRing {
 public:
  // Each plane has four cells of padding for the estimates' whole fours.
  explicit HsiPlaneRing(int borderedWidth)
      : width_(borderedWidth), stride_(borderedWidth + 4), cells_(9 * static_cast<size_t>(stride_)) {}
  // planes[part][r]: component part (0 I, 1 S, 2 H) of bordered row y + r.
  void Planes(int y, const HSIColor* const rows[3], const double* planes[3][3]) {
    for (int r = 0; r < 3; ++r) {
      const int row = y + r, slot = row % 3;
      double* base = cells_.data() + static_cast<size_t>(slot) * 3 * stride_;
      if (held_[slot] != row) {
        for (int x = 0; x < width_; ++x) {
          base[x] = rows[r][x].I;
          base[stride_ + x] = rows[r][x].S;
          base[2 * static_cast<size_t>(stride_) + x] = rows[r][x].H;
        }
        held_[slot] = row;
      }
      for (int part = 0; part < 3; ++part) planes[part][r] = base + static_cast<size_t>(part) * stride_;
    }
  }

 private:
  int width_, stride_;
  std::vector<double> cells_;
  int held_[3] = {-1, -1, -1};
};

template <int kKind, bool kHsi, typename RowSource>
void ConvolveRowsExtendedFixed(RowSource&& source, const ConvolveSource& src, int channel, int bias,
                               RasterImage& out, int firstRow, int endRow) {
  constexpr const ConvolveKernel& k = kConvolveKernels[kKind];
  constexpr auto kNine = std::make_index_sequence<9>{};
  const int W = src.width;
  const int form = channel & 3;
  HsiRowRing hsiRing(src, kHsi);
  constexpr bool kEstimated = kHsi && !k.magnitude;
  HsiPlaneRing planeRing(kEstimated ? src.borderedWidth : 0);
  // Whole fours of pixels for the estimates.
  const size_t lanes = (static_cast<size_t>(W) + 3) / 4 * 4;
  std::vector<uint8_t> estimated(kEstimated ? 3 * lanes : 0), undecided(kEstimated ? lanes : 0);
  for (int y = firstRow; y < endRow; ++y) {
    uint8_t* dst = out.Row(y);
    const uint8_t* rgbRows[3] = {};
    const HSIColor* hsiRows[3] = {};
    if constexpr (kHsi) hsiRing.Rows(source, y, hsiRows);
    else source.Get(y, rgbRows);
    if constexpr (kEstimated) {
      const double* planes[3][3];
      planeRing.Planes(y, hsiRows, planes);
      std::fill(undecided.begin(), undecided.end(), 0);
      // estimated holds the I, S and H bytes one after the other.
      if (form == 3 || form == 2) EstimateHsiBytes<kKind, 0>(planes[0], W, bias, &estimated[0], undecided.data());
      if (form == 3 || form == 1) EstimateHsiBytes<kKind, 1>(planes[1], W, bias, &estimated[lanes], undecided.data());
      if (form == 3 || form == 0) EstimateHsiBytes<kKind, 2>(planes[2], W, bias, &estimated[2 * lanes], undecided.data());
    }
    for (int x = 0; x < W; ++x) {
      if constexpr (kEstimated) {
        if (!undecided[x]) {
          const uint8_t bgr[3] = {estimated[x], estimated[lanes + x], estimated[2 * lanes + x]};
          WritePixel(dst + 3 * static_cast<size_t>(x), channel, bgr);
          continue;
        }
      }
      // c: 0 blue or intensity, 1 green or saturation, 2 red or hue.
      const auto sums = [&](int c, double& a1, double& a2) {
        const auto get = [&](size_t j) -> double {
          if constexpr (kHsi) {
            const HSIColor& p = hsiRows[j / 3][x + j % 3];
            return c == 0 ? p.I : (c == 1 ? p.S : p.H);
          } else {
            return rgbRows[j / 3][3 * static_cast<size_t>(x + j % 3) + c];
          }
        };
        a1 = AccumulateFixed<kKind, false>(get, kNine);
        a2 = k.magnitude ? AccumulateFixed<kKind, true>(get, kNine) : 0;
      };
      double a1[3] = {0, 0, 0}, a2[3] = {0, 0, 0};
      if (form == 3) {
        for (int c = 0; c < 3; ++c) sums(c, a1[c], a2[c]);
      } else {
        sums(2 - form, a1[2 - form], a2[2 - form]);
      }
      uint8_t bgr[3] = {0, 0, 0};
      if constexpr (!kHsi) {
        for (int c = 0; c < 3; ++c) {
          const Extended sum = k.magnitude ? std::fabs(static_cast<Extended>(a1[c])) + std::fabs(static_cast<Extended>(a2[c])) + bias
                                           : static_cast<Extended>(a1[c]) + bias;
          bgr[c] = RoundedByte(sum);
        }
      } else if constexpr (k.magnitude) {
        double m[3];
        for (int c = 0; c < 3; ++c)
          m[c] = ClampReal(static_cast<double>(std::fabs(static_cast<Extended>(a1[c])) + std::fabs(static_cast<Extended>(a2[c]))), 0, 255);
        HsiOutputBytes(m[2], m[1], m[0], bias, bgr, form);
      } else {
        HsiOutputBytes(ClampReal(a1[2], 0, 360), ClampReal(a1[1], 0, 1), ClampReal(a1[0], 0, 255), bias, bgr, form);
      }
      WritePixel(dst + 3 * static_cast<size_t>(x), channel, bgr);
    }
  }
}

// Byte channels of kernels in sixteenths: the products and their sums are
// exact in doubles, so whole numbers give the same sums. Bytes are summed by
// their index in the row: the neighbours of byte i are i - 3 and i + 3.
// The weights times kScale are whole numbers.
template <int kKind, bool kSecond, int kScale, typename Get, size_t... J>
inline int WholeSum(Get get, std::index_sequence<J...>) {
  constexpr const ConvolveKernel& k = kConvolveKernels[kKind];
  int sum = 0;
  (
      [&] {
        constexpr double w = (kSecond ? k.k2[J] : k.k1[J]) * kScale;
        constexpr int scaled = static_cast<int>(w + (w < 0 ? -0.5 : 0.5));
        if constexpr (scaled != 0) sum += scaled * get(J);
      }(),
      ...);
  return sum;
}

template <int kKind>
inline uint8_t SixteenthsOutput(const uint8_t* const rows[3], size_t i, int bias) {
  constexpr const ConvolveKernel& k = kConvolveKernels[kKind];
  constexpr auto kNine = std::make_index_sequence<9>{};
  const auto get = [&](size_t j) -> int { return rows[j / 3][i + 3 * (j % 3)]; };
  // Blouring is the one kernel in sixteenths, Sharpning4 the one in ninths.
  constexpr int kScale = kKind == 0 ? 16 : (kKind == 4 ? 9 : 1);
  int n = WholeSum<kKind, false, kScale>(get, kNine);
  if constexpr (k.magnitude) {
    const int n2 = WholeSum<kKind, true, kScale>(get, kNine);
    n = (n < 0 ? -n : n) + (n2 < 0 ? -n2 : n2);
  }
  if constexpr (kKind == 0) {
    // 16 times the value: round half to even by hand.
    n += 16 * bias;
    n = n < 0 ? 0 : (n > 255 * 16 ? 255 * 16 : n);
    const int q = n >> 4, r = n & 15;
    return static_cast<uint8_t>(q + ((r > 8) | ((r == 8) & (q & 1))));
  } else {
    if constexpr (kKind == 4) {
      // Nearest whole number of n / 9 (floor of (2n + 9) / 18); there are no ties.
      const int t = 2 * n + 9;
      n = (t >= 0 ? t : t - 17) / 18;
    }
    n += bias;
    return static_cast<uint8_t>(n < 0 ? 0 : (n > 255 ? 255 : n));
  }
}

// Whole-number loops only: vectorising them cannot change a byte.
template <int kKind, typename Rows>
TESSALIN_VECTORISE void ConvolveRowsRgbSixteenths(Rows&& source, int channel, int bias, RasterImage& out, int firstRow, int endRow) {
  const int W = source.Width();
  bias = ClampedBias(bias);
  const int form = channel & 3;
  for (int y = firstRow; y < endRow; ++y) {
    uint8_t* dst = out.Row(y);
    const uint8_t* rows[3];
    source.Get(y, rows);
    if (form == 3) {
      const size_t n = 3 * static_cast<size_t>(W);
      for (size_t i = 0; i < n; ++i) dst[i] = SixteenthsOutput<kKind>(rows, i, bias);
    } else {
      const size_t c = static_cast<size_t>(2 - form);
      for (int x = 0; x < W; ++x) {
        const uint8_t v = SixteenthsOutput<kKind>(rows, 3 * static_cast<size_t>(x) + c, bias);
        dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = v;
      }
    }
  }
}

// Channel 6 of a kernel with whole or ninth weights, from R + G + B sums.
// The value is T / 3 (T / 27 for Sharpning4) for a whole T, which is never
// within rounding noise of a half, so whole-number rounding gives the bytes
// of the direct path.
template <int kKind, typename Rows>
void ConvolveRowsIntensityWhole(Rows&& source, int bias, RasterImage& out, int firstRow, int endRow) {
  constexpr const ConvolveKernel& k = kConvolveKernels[kKind];
  constexpr bool kNinths = kKind == 4;
  constexpr auto wt = [](double w) {
    const double scaled = kNinths ? w * 9 : w;
    return static_cast<int>(scaled + (scaled < 0 ? -0.5 : 0.5));
  };
  const int W = source.Width();
  const int borderedWidth = W + 2;
  // Every T this kernel can make from sums of 0 .. 765, and its byte.
  int lowT = 0, highT = 0;
  for (int j = 0; j < 9; ++j) {
    const int w1 = wt(k.k1[j]), w2 = wt(k.k2[j]);
    if (k.magnitude) {
      highT += 765 * ((w1 < 0 ? -w1 : w1) + (w2 < 0 ? -w2 : w2));
    } else {
      (w1 < 0 ? lowT : highT) += 765 * w1;
    }
  }
  std::vector<uint8_t> byteOfT(static_cast<size_t>(highT - lowT) + 1);
  for (int t = lowT; t <= highT; ++t) byteOfT[t - lowT] = IntensityByteFromSums(t, kNinths ? 27 : 3, bias);
  std::vector<int> sums(3 * static_cast<size_t>(borderedWidth));
  for (int y = firstRow; y < endRow; ++y) {
    const uint8_t* rows[3];
    source.Get(y, rows);
    for (int r = 0; r < 3; ++r) {
      int* s = sums.data() + static_cast<size_t>(r) * borderedWidth;
      for (int x = 0; x < borderedWidth; ++x) s[x] = rows[r][3 * x] + rows[r][3 * x + 1] + rows[r][3 * x + 2];
    }
    const int* srow[3] = {sums.data(), sums.data() + borderedWidth, sums.data() + 2 * borderedWidth};
    const auto get = [&](size_t j) -> int { return srow[j / 3][j % 3]; };
    uint8_t* dst = out.Row(y);
    for (int x = 0; x < W; ++x) {
      int t = WholeSum<kKind, false, kNinths ? 9 : 1>(get, std::make_index_sequence<9>{});
      if constexpr (k.magnitude) {
        const int t2 = WholeSum<kKind, true, kNinths ? 9 : 1>(get, std::make_index_sequence<9>{});
        t = (t < 0 ? -t : t) + (t2 < 0 ? -t2 : t2);
      }
      const uint8_t v = byteOfT[t - lowT];
      dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = v;
      for (auto& p : srow) ++p;
    }
  }
}

// The three bordered rows of an output row come from the working buffers, or
// from the picture itself when the source was prepared in place.
template <int kKind>
void RgbBands(const ConvolveSource& src, int channel, int bias, RasterImage& out, int a, int b) {
  if (src.picture) ConvolveRowsRgbSixteenths<kKind>(PictureRows(*src.picture), channel, bias, out, a, b);
  else ConvolveRowsRgbSixteenths<kKind>(BufferRows(src), channel, bias, out, a, b);
}
template <int kKind>
void IntensityBands(const ConvolveSource& src, int, int bias, RasterImage& out, int a, int b) {
  if (src.picture) ConvolveRowsIntensityWhole<kKind>(PictureRows(*src.picture), bias, out, a, b);
  else ConvolveRowsIntensityWhole<kKind>(BufferRows(src), bias, out, a, b);
}
template <int kKind, bool kHsi>
void ExtendedBands(const ConvolveSource& src, int channel, int bias, RasterImage& out, int a, int b) {
  if (src.picture) ConvolveRowsExtendedFixed<kKind, kHsi>(PictureRows(*src.picture), src, channel, bias, out, a, b);
  else ConvolveRowsExtendedFixed<kKind, kHsi>(BufferRows(src), src, channel, bias, out, a, b);
}

using BandFn = void (*)(const ConvolveSource&, int, int, RasterImage&, int, int);

// Per kind: [0] the byte channels, [1] the intensity from whole sums.
template <int... kKinds>
constexpr auto MakeWholeTable(std::integer_sequence<int, kKinds...>) {
  return std::array<std::array<BandFn, 2>, sizeof...(kKinds)>{
      std::array<BandFn, 2>{&RgbBands<kKinds>, &IntensityBands<kKinds>}...};
}
// Per kind: [0] the byte channels, [1] the HSI channels.
template <int... kKinds>
constexpr auto MakeExtendedTable(std::integer_sequence<int, kKinds...>) {
  return std::array<std::array<BandFn, 2>, sizeof...(kKinds)>{
      std::array<BandFn, 2>{&ExtendedBands<kKinds, false>, &ExtendedBands<kKinds, true>}...};
}

// Channels 0 to 3 of every kind but Sharpning4, and channel 6 of every kind
// but Blouring, are worked out in whole numbers from the bytes.
bool HasWholePath(int channel, int kind) {
  return (channel < 4 && kConvolveKernels[kind].sixteenths) || (channel == 6 && kind != 0);
}

}  // namespace

RasterImage MakeConvolveBorder(const RasterImage& source) {
  if (source.Format() != PixelFormat::pf24Bit || !source.HasImage()) return MakeBorderedRaster(source, 0);
  // Border kind 0 by whole rows: the edge pixels repeated once on every side.
  const int W = source.Width(), H = source.Height();
  RasterImage copy = NewUnfilledRaster(PixelFormat::pf24Bit, H + 2, W + 2);
  const size_t rowBytes = 3 * static_cast<size_t>(W);
  for (int y = 0; y < H; ++y) {
    const uint8_t* from = source.Row(y);
    uint8_t* to = copy.Row(y + 1);
    std::memcpy(to, from, 3);
    std::memcpy(to + 3, from, rowBytes);
    std::memcpy(to + 3 + rowBytes, from + rowBytes - 3, 3);
  }
  std::memcpy(copy.Row(0), copy.Row(1), rowBytes + 6);
  std::memcpy(copy.Row(H + 1), copy.Row(H), rowBytes + 6);
  return copy;
}

uint8_t IntensityByteFromSums(long long weightedSum, int divisor, int bias) {
  // Nearest whole number of weightedSum / divisor (never a tie for an odd divisor).
  long long twice = 2 * weightedSum + divisor, den = 2LL * divisor;
  long long q = twice / den;
  if (twice % den != 0 && twice < 0) --q;
  if (q < 0) q = 0;
  if (q > 255) q = 255;
  const long long v = q + bias;
  return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

void PrepareConvolveSource(ConvolveSource& prepared, const RasterImage& source) {
  PrepareConvolveSource(prepared, source, true);
}

void PrepareConvolveSource(ConvolveSource& prepared, const RasterImage& source, bool withHsi) {
  const bool has = source.HasImage();
  prepared.width = has ? source.Width() : 0;
  prepared.height = has ? source.Height() : 0;
  prepared.borderedWidth = prepared.width + 2;
  prepared.borderedHeight = prepared.height + 2;
  prepared.picture = nullptr;
  if (!has) {
    // Nothing to read: the results are empty.
    LoadWorkBuffers(prepared.buffers, RasterImage(), withHsi);
    return;
  }
  if (source.Format() == PixelFormat::pf24Bit) {
    // Straight into the buffers: no bordered raster in between.
    LoadBorderedWorkBuffers(prepared.buffers, source, withHsi);
    return;
  }
  // Decoded row by row: a bordered raster of a picture at the limit would pass it.
  LoadBorderedCopy(prepared.buffers, source, 0, withHsi);
}

void PrepareConvolveSourceInPlace(ConvolveSource& prepared, const RasterImage& picture) {
  if (!picture.HasImage() || picture.Format() != PixelFormat::pf24Bit) {
    PrepareConvolveSource(prepared, picture, false);
    return;
  }
  if (!prepared.buffers.Empty()) throw TessalinError("The working buffers are still in use.");
  prepared.width = picture.Width();
  prepared.height = picture.Height();
  prepared.borderedWidth = prepared.width + 2;
  prepared.borderedHeight = prepared.height + 2;
  prepared.picture = &picture;
}

RasterImage ConvolveChannel(const ConvolveSource& prepared, int channel, int kind, int bias) {
  KernelOf(kind);
  if (channel < 0 || channel >= kOutputChannelCount)
    throw TessalinError("Unknown output channel " + std::to_string(channel) + ".");
  // Every pixel of every row is written below.
  RasterImage out = NewUnfilledRaster(PixelFormat::pf24Bit, prepared.height, prepared.width);
  if (!out.HasImage()) return out;
  const bool inPlace = prepared.picture && prepared.picture->Width() == prepared.width &&
                       prepared.picture->Height() == prepared.height;
  if (!inPlace && (prepared.buffers.Empty() || prepared.buffers.Width() != prepared.borderedWidth ||
                   prepared.buffers.Height() != prepared.borderedHeight))
    throw TessalinError("The convolution source was not prepared.");
  const long long pixels = static_cast<long long>(prepared.width) * prepared.height;
  static constexpr auto kWhole = MakeWholeTable(std::make_integer_sequence<int, kConvolveKindCount>{});
  static constexpr auto kExtended = MakeExtendedTable(std::make_integer_sequence<int, kConvolveKindCount>{});
  const BandFn run = HasWholePath(channel, kind) ? kWhole[kind][channel == 6] : kExtended[kind][channel >= 4];
  ForEachRowBand(prepared.height, pixels, [&](int a, int b) { run(prepared, channel, bias, out, a, b); });
  return out;
}

RasterImage ConvolvePicture(const RasterImage& picture, int channel, int kind, int bias) {
  ConvolveSource prepared;
  PrepareConvolveSourceInPlace(prepared, picture);
  RasterImage out = ConvolveChannel(prepared, channel, kind, bias);
  ReleaseWorkBuffers(prepared);
  return out;
}

RasterImage ConvolveChannelDirect(const ConvolveSource& prepared, int channel, int kind, int bias) {
  const ConvolveKernel& k = KernelOf(kind);
  if (channel < 0 || channel >= kOutputChannelCount)
    throw TessalinError("Unknown output channel " + std::to_string(channel) + ".");
  RasterImage out = NewUnfilledRaster(PixelFormat::pf24Bit, prepared.height, prepared.width);
  if (!out.HasImage()) return out;
  if (channel >= 4 && !prepared.buffers.HasHsi()) throw TessalinError("The HSI working buffer was not filled.");
  ConvolveRowsExtended(prepared, k, channel, bias, out, 0, prepared.height);
  return out;
}

void ReleaseWorkBuffers(ConvolveSource& prepared) {
  ReleaseWorkBuffers(prepared.buffers);
  prepared.picture = nullptr;
  prepared.width = prepared.height = 0;
  prepared.borderedWidth = prepared.borderedHeight = 0;
}

const char* ConvolveKindName(int kind) {
  return kind >= 0 && kind < kConvolveKindCount ? kConvolveKernels[kind].name : "";
}

const char* ConvolveKindCaption(int kind) {
  return kind >= 0 && kind < kConvolveKindCount ? kConvolveKernels[kind].caption : "";
}

}  // namespace tessalin
