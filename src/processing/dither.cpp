#include "processing/dither.h"

#include <algorithm>
#include <array>
#include <exception>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/arithmetic.h"
#include "core/black_white.h"
#include "core/pixel_ops.h"
#include "core/tessalin_error.h"
#include "processing/convolve_parallel.h"
#include "processing/diffusion_kernels.h"
#include "processing/diffusion_options.h"
#include "processing/diffusion_rows.h"
#include "processing/dither_intensity.h"
#include "processing/dither_maps.h"

namespace tessalin {

const std::array<double, 766>& IntensityBySum() {
  // RGBToHSI's intensity depends on the colour sum alone, so 766 values serve
  // every pixel and the engines need no HSI plane (24 bytes a pixel).
  static const std::array<double, 766> table = [] {
    std::array<double, 766> t{};
    for (int sum = 0; sum < 766; ++sum)
      t[sum] = ClampReal(static_cast<double>(static_cast<Extended>(sum) / 3), 0, 255);
    return t;
  }();
  return table;
}

namespace {

// Ordered and Custom read a 24-bit picture; other layouts are brought to 24 bits first.
const RasterImage& As24Bit(const RasterImage& source, RasterImage& holder) {
  if (source.Format() == PixelFormat::pf24Bit) return source;
  holder.Assign(source);
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf24Bit), holder);
  return holder;
}

// Quantises every pixel against threshold(x, y); no error is carried. The
// picture is read in place: each pixel is read once, by its own row.
template <typename ThresholdFn>
PackedDitherResults PointDither(const RasterImage& source, ThresholdFn threshold) {
  if (!source.HasImage()) return NewPackedResults(source.Width(), source.Height());
  RasterImage holder;
  const RasterImage& src = As24Bit(source, holder);
  const int W = src.Width(), H = src.Height();
  PackedDitherResults out = NewPackedResults(W, H);
  const std::array<double, 766>& intensity = IntensityBySum();
  ForEachRowBand(H, static_cast<long long>(W) * H, [&](int first, int end) {
    ResultRows rows(W);
    uint8_t* const r0 = rows.Channel(0);
    uint8_t* const r1 = rows.Channel(1);
    uint8_t* const r2 = rows.Channel(2);
    uint8_t* const r3 = rows.Channel(3);
    for (int y = first; y < end; ++y) {
      const uint8_t* cell = src.Row(y);
      for (int x = 0; x < W; ++x, cell += 3) {
        const int t = threshold(x, y);
        const int b = cell[0], g = cell[1], r = cell[2];
        r0[x] = r >= t ? kWhiteByte : 0;
        r1[x] = g >= t ? kWhiteByte : 0;
        r2[x] = b >= t ? kWhiteByte : 0;
        r3[x] = intensity[r + g + b] >= static_cast<double>(t) ? kWhiteByte : 0;
      }
      rows.Pack(out, y);
    }
  });
  return out;
}

constexpr uint8_t kMatrix2[2][2] = {{0, 128}, {192, 64}};
constexpr uint8_t kMatrix4[4][4] = {
    {0, 128, 32, 160}, {192, 64, 224, 96}, {48, 176, 16, 144}, {240, 112, 208, 80}};

// ---- error diffusion ----

// The I share, in extended precision and stored as a double.
template <typename K>
inline double AddIntensityShare(double old, double error, int weight) {
  const double v = ClampReal(
      static_cast<double>(static_cast<Extended>(old) + static_cast<Extended>(error) * weight / K::kDivisor),
      0, 255);
  if constexpr (K::kRoundIntensity) return RoundHalfEven(v);
  return v;
}

// A channel's cells as ints (colour bytes) or doubles (intensity).
template <typename K, typename Cell>
class RowRing {
 public:
  explicit RowRing(int width) : width_(width), cells_(static_cast<size_t>(width) * kSlots) {}
  Cell* Slot(int bufferRow) { return cells_.data() + static_cast<size_t>(bufferRow % kSlots) * width_; }

 private:
  static constexpr int kSlots = K::kRowsAhead + 1;
  int width_;
  std::vector<Cell> cells_;
};

// Quantises v against t: returns the result byte and sets the error.
template <int Channel, typename Cell>
inline uint8_t Quantise(Cell v, int t, Cell& error) {
  bool white;
  if constexpr (Channel == 3) {
    white = v >= static_cast<double>(t);
    error = white ? static_cast<double>(static_cast<Extended>(v) - 255) : v;
  } else {
    white = v >= t;
    error = white ? v - 255 : v;
  }
  return white ? kWhiteByte : 0;
}

template <int Channel, typename Cell>
inline Cell FloydSteinbergShare(Cell old, Cell error, int weight) {
  if constexpr (Channel == 3)
    return AddIntensityShare<FloydSteinbergKernel>(old, error, weight);
  else
    return AddColourShare<16>(old, error * weight);
}

// One Floyd-Steinberg row. Each cell of the next row takes its three shares
// (1/16, 5/16, 3/16) from three pixels in a row, so the three cells in
// progress and the pixel ahead stay in registers; every cell still receives
// the same shares in the same order.
template <int Channel, typename Cell>
void ScanRowFloydSteinberg(Cell* cur, Cell* next, int W, int d, int t, uint8_t* dst) {
  int x = d > 0 ? 0 : W - 1;
  Cell v = cur[x];
  Cell behind = next[x - d], below = next[x];
  for (int i = 0; i < W; ++i, x += d) {
    Cell error;
    dst[x] = Quantise<Channel>(v, t, error);
    Cell ahead = next[x + d];
    v = FloydSteinbergShare<Channel>(cur[x + d], error, 7);
    next[x - d] = FloydSteinbergShare<Channel>(behind, error, 3);
    behind = FloydSteinbergShare<Channel>(below, error, 5);
    below = FloydSteinbergShare<Channel>(ahead, error, 1);
  }
  // x is one past the last pixel: the last pixel's cell and the border cell.
  next[x - d] = behind;
  next[x] = below;
}

// The three colour channels of Floyd-Steinberg side by side: lanes 0, 1, 2
// carry the B, G and R cells and take exactly the steps of the scalar scan,
// so the three chains overlap instead of running one after the other.
typedef int ColourLanes __attribute__((vector_size(16)));

inline ColourLanes ClampLanes(ColourLanes v) {
  const ColourLanes zero = {0, 0, 0, 0}, top = {255, 255, 255, 255};
  v = v < zero ? zero : v;
  return v > top ? top : v;
}

// AddColourShare<16>(old, n) on every lane.
inline ColourLanes ShareLanes(ColourLanes old, ColourLanes n) {
  const ColourLanes s = (old << 4) + n;
  return ClampLanes((s + 7 + ((s >> 4) & 1)) >> 4);
}

// One row of N pictures of one size at once. Their error chains are
// independent; stepping them in one loop lets the processor overlap them.
template <size_t N>
void ScanRowFloydSteinbergLanes(ColourLanes* const cur[N], ColourLanes* const next[N], int W, int d, int t,
                                uint8_t* const dst[N][3]) {
  const ColourLanes threshold = {t, t, t, t};
  int x = d > 0 ? 0 : W - 1;
  ColourLanes v[N], behind[N], below[N];
  for (size_t s = 0; s < N; ++s) {
    v[s] = cur[s][x];
    behind[s] = next[s][x - d];
    below[s] = next[s][x];
  }
  for (int i = 0; i < W; ++i, x += d) {
#pragma GCC unroll 4
    for (size_t s = 0; s < N; ++s) {
      const ColourLanes white = (v[s] >= threshold) & 255;
      const ColourLanes error = v[s] - white;
      dst[s][0][x] = static_cast<uint8_t>(white[2]);
      dst[s][1][x] = static_cast<uint8_t>(white[1]);
      dst[s][2][x] = static_cast<uint8_t>(white[0]);
      const ColourLanes ahead = next[s][x + d];
      v[s] = ShareLanes(cur[s][x + d], (error << 3) - error);
      next[s][x - d] = ShareLanes(behind[s], (error << 1) + error);
      behind[s] = ShareLanes(below[s], (error << 2) + error);
      below[s] = ShareLanes(ahead, error);
    }
  }
  for (size_t s = 0; s < N; ++s) {
    next[s][x - d] = behind[s];
    next[s][x] = below[s];
  }
}

// The intensity row with fused multiply-adds where they give the same double
// as the extended-precision rule. That holds when the exact sum old + e*w/16
// fits in 64 bits, so that the extended sum is exact and its one rounding to
// double is the fused one: true when e is 0 or |e| >= 2 (e*w/16 is then a
// multiple of 2^-55) and old is 0 or at least 1/8 (likewise), the sum being
// below 2^9. The same bound makes v - 255 exact. Other cases take the
// extended path.
__attribute__((target("fma"))) inline double FusedIntensityShare(double old, double error, int weight,
                                                                 bool errorIsCoarse) {
  if (errorIsCoarse && (old >= 0.125 || old == 0))
    return ClampReal(__builtin_fma(error, weight / 16.0, old), 0, 255);
  return AddIntensityShare<FloydSteinbergKernel>(old, error, weight);
}

template <size_t N>
__attribute__((target("fma"))) void ScanRowIntensityFused(double* const cur[N], double* const next[N], int W, int d,
                                                          int t, uint8_t* const dst[N]) {
  const double tReal = t;
  int x = d > 0 ? 0 : W - 1;
  double v[N], behind[N], below[N];
  for (size_t s = 0; s < N; ++s) {
    v[s] = cur[s][x];
    behind[s] = next[s][x - d];
    below[s] = next[s][x];
  }
  for (int i = 0; i < W; ++i, x += d) {
#pragma GCC unroll 4
    for (size_t s = 0; s < N; ++s) {
      const bool white = v[s] >= tReal;
      dst[s][x] = white ? kWhiteByte : 0;
      double error;
      if (!white)
        error = v[s];
      else if (v[s] >= 0.125)
        error = v[s] - 255;
      else
        error = static_cast<double>(static_cast<Extended>(v[s]) - 255);
      const bool coarse = error == 0 || error >= 2 || error <= -2;
      const double ahead = next[s][x + d];
      v[s] = FusedIntensityShare(cur[s][x + d], error, 7, coarse);
      next[s][x - d] = FusedIntensityShare(behind[s], error, 3, coarse);
      behind[s] = FusedIntensityShare(below[s], error, 5, coarse);
      below[s] = FusedIntensityShare(ahead, error, 1, coarse);
    }
  }
  for (size_t s = 0; s < N; ++s) {
    next[s][x - d] = behind[s];
    next[s][x] = below[s];
  }
}

bool HasFma() {
  static const bool has = __builtin_cpu_supports("fma");
  return has;
}

// Diffuses the Floyd-Steinberg intensity of N pictures of one size and
// writes their I results.
template <typename K, size_t N>
void DiffuseIntensity(const std::array<DiffusionSource, N>& src, int t, const std::array<PackedDitherResults*, N>& out) {
  constexpr int kSlots = K::kRowsAhead + 1;
  const int W = src[0].width, H = src[0].height, BW = src[0].borderedWidth, border = src[0].border;
  const std::array<double, 766>& intensity = IntensityBySum();
  std::vector<DiffusionRows> rows;
  std::vector<RowRing<K, double>> rings;
  std::vector<std::vector<uint8_t>> results;
  for (size_t s = 0; s < N; ++s) {
    rows.emplace_back(src[s]);
    rings.emplace_back(BW);
    results.emplace_back(static_cast<size_t>(W));
  }
  auto load = [&](int bufferRow) {
    for (size_t s = 0; s < N; ++s) {
      const uint8_t* cell = rows[s].Get(bufferRow);
      double* dst = rings[s].Slot(bufferRow) + border;
      for (int c = 0; c < W; ++c, cell += 3) dst[c] = intensity[cell[0] + cell[1] + cell[2]];
      for (int e = 1; e <= border; ++e) {
        dst[-e] = dst[0];
        dst[W - 1 + e] = dst[W - 1];
      }
    }
  };
  ForEachDiffusionRow(H, K::kRowsAhead, load, [&](int b, int y, int d) {
    double* cells[N][kSlots];
    uint8_t* dst[N];
    for (size_t s = 0; s < N; ++s) {
      for (int k = 0; k < kSlots; ++k) cells[s][k] = rings[s].Slot(b + k) + border;
      dst[s] = results[s].data();
    }
    if (HasFma()) {
      double* cur[N];
      double* next[N];
      for (size_t s = 0; s < N; ++s) cur[s] = cells[s][0], next[s] = cells[s][1];
      ScanRowIntensityFused<N>(cur, next, W, d, t, dst);
    } else {
      for (size_t s = 0; s < N; ++s) ScanRowFloydSteinberg<3>(cells[s][0], cells[s][1], W, d, t, dst[s]);
    }
    // The bottom border row's results are dropped.
    if (y < H)
      for (size_t s = 0; s < N; ++s) PackBlackWhiteRow(dst[s], W, (*out[s])[3].Row(y));
  });
}

// The wide kernels' colour lanes in 16 bits: every value they take fits
// (cells 0 .. 255, shares up to 255 * 8, numerators below 2^15), and 16-bit
// lanes multiply and divide by a constant in single instructions.
typedef short WideLanes __attribute__((vector_size(16)));
typedef unsigned short UnsignedWideLanes __attribute__((vector_size(16)));

// AddColourShare<D>(old, n) on every lane.
template <int D>
inline WideLanes ShareLanesBy(WideLanes old, WideLanes n) {
  // The offset keeps the numerator positive, as in AddColourShare.
  constexpr short kD = D, kOffset = 256, kOffsetTimesD = 256 * D;
  constexpr unsigned short kUD = D, kTwo = 2, kOne = 1;
  const UnsignedWideLanes s = reinterpret_cast<UnsignedWideLanes>(static_cast<WideLanes>(old * kD + n + kOffsetTimesD));
  const UnsignedWideLanes q = s / kUD;
  const UnsignedWideLanes r2 = kTwo * (s - q * kUD);
  // Up by one past the half, and on the half when q is odd (ties to even).
  const WideLanes past = r2 > kUD, onHalf = r2 == kUD;
  const WideLanes up = (past & static_cast<short>(1)) | (onHalf & reinterpret_cast<WideLanes>(q & kOne));
  WideLanes v = reinterpret_cast<WideLanes>(q) + up - kOffset;
  const WideLanes zero = {};
  const WideLanes top = {255, 255, 255, 255, 255, 255, 255, 255};
  v = v < zero ? zero : v;
  return v > top ? top : v;
}

// A colour share old + n / D as the rule rounds it (AddColourShare), split
// so that one division serves every tap of a weight: old is whole, so the
// sum rounds to old + add, or, on an exact half (tie), to whichever of
// old + add and old + add + 1 is even.
struct WideShare {
  WideLanes add, tie;
};

template <int D>
inline WideShare ShareOf(WideLanes n) {
  // |n| / D < 256 for every kernel; the offset keeps the numerator positive
  // and below 2^15.
  constexpr short kOffset = 256, kOffsetTimesD = 256 * D;
  constexpr unsigned short kUD = D, kTwo = 2;
  const UnsignedWideLanes s = reinterpret_cast<UnsignedWideLanes>(static_cast<WideLanes>(n + kOffsetTimesD));
  const UnsignedWideLanes q = s / kUD;
  const UnsignedWideLanes r2 = kTwo * (s - q * kUD);
  const WideLanes past = r2 > kUD;
  return {reinterpret_cast<WideLanes>(q) - kOffset + (past & static_cast<short>(1)), r2 == kUD};
}

template <typename K, int... kWeights>
inline void MakeShares(WideLanes error, WideShare* shares, std::integer_sequence<int, kWeights...>) {
  (
      [&] {
        if constexpr (UsesWeight<K>(kWeights))
          shares[kWeights] = ShareOf<K::kDivisor>(error * static_cast<short>(kWeights));
      }(),
      ...);
}

// The wide kernels carry the intensity in lane 3 beside the colours (0 B,
// 1 G, 2 R). They round it to a whole number at every share, so it is whole
// from its first share on; until then the cell holds kFresh plus the colour
// sum s (intensity s / 3). Colour cells are whole from the start.
constexpr short kFresh = 1024;

// Three times the cell: its colour sum while fresh.
inline WideLanes Thirds(WideLanes cell) {
  const WideLanes fresh = cell >= kFresh;
  return fresh ? cell - kFresh : cell * static_cast<short>(3);
}

// round((thirds D + threeEw) / (3 D)), ties to even, clamped: the share rule
// for any cell, whole (thirds 3 v) or fresh (thirds s). For a fresh cell
// this is the extended rule exactly: a value that is not a half lies at
// least 1 / (6 D) from one, far beyond the rule's rounding, and on a half
// the rule's sum, once stored as a double, is the half itself (s / 3 misses
// it by less than half a unit of the double).
template <int D>
inline WideLanes AnyShareLanes(WideLanes thirds, WideLanes threeEw) {
  constexpr int kDen = 3 * D;
  // An offset of an even number of denominators keeps the numerator positive
  // and below 2^16 and the quotient's parity (the tie goes to the even one).
  constexpr int kUnits = (3 * 255 * kMaxTapWeight / kDen + 2) & ~1;
  static_assert(765 * D + 3 * 255 * kMaxTapWeight + kUnits * kDen < 65536);
  constexpr unsigned short kUD = kDen, kTwo = 2, kOne = 1;
  constexpr short kOffset = kUnits * kDen;
  const UnsignedWideLanes n = reinterpret_cast<UnsignedWideLanes>(thirds) * static_cast<unsigned short>(D) +
                              reinterpret_cast<UnsignedWideLanes>(static_cast<WideLanes>(threeEw + kOffset));
  const UnsignedWideLanes q = n / kUD;
  const UnsignedWideLanes r2 = kTwo * (n - q * kUD);
  const WideLanes past = r2 > kUD, onHalf = r2 == kUD;
  const WideLanes up = (past & static_cast<short>(1)) | (onHalf & reinterpret_cast<WideLanes>(q & kOne));
  WideLanes v = reinterpret_cast<WideLanes>(q) + up - static_cast<short>(kUnits);
  const WideLanes zero = {}, top = {255, 255, 255, 255, 255, 255, 255, 255};
  v = v < zero ? zero : v;
  return v > top ? top : v;
}

// The tap that reaches furthest ahead in the kernel's last row. Once the
// first rows are done, a row's scan meets each cell of that row first
// through this tap, so it is the only one whose target can be fresh there
// (the other taps of that row reach cells the previous pixel reached).
template <typename K>
constexpr size_t LeadingTap() {
  size_t lead = 0;
  for (size_t i = 0; i < K::kTaps.size(); ++i)
    if (K::kTaps[i].dy == K::kRowsAhead &&
        (K::kTaps[lead].dy != K::kRowsAhead || K::kTaps[i].dx > K::kTaps[lead].dx))
      lead = i;
  return lead;
}

template <typename F, size_t... kIndices>
__attribute__((always_inline)) inline void ForEachIndex(F&& f, std::index_sequence<kIndices...>) {
  (f(std::integral_constant<size_t, kIndices>{}), ...);
}

// One row of a wide kernel on four lanes, each tap's shares in the kernel's
// order. `anyFresh`: cells of every row may still be fresh (the first rows
// and a row's first pixel) and every tap takes the rule for any cell.
template <typename K>
__attribute__((always_inline)) inline void WidePixel(WideLanes* const rows[K::kRowsAhead + 1], int x, int d,
                                                     WideLanes error, bool anyFresh) {
  WideShare shares[kMaxTapWeight + 1];
  MakeShares<K>(error, shares, std::make_integer_sequence<int, kMaxTapWeight + 1>{});
  const WideLanes threeE = error * static_cast<short>(3);
  const WideLanes zero = {}, top = {255, 255, 255, 255, 255, 255, 255, 255};
  ForEachIndex(
      [&](auto index) __attribute__((always_inline)) {
        constexpr Tap tap = K::kTaps[index];
        WideLanes& target = rows[tap.dy][x + d * tap.dx];
        if (anyFresh || index == LeadingTap<K>()) {
          target = AnyShareLanes<K::kDivisor>(Thirds(target), threeE * static_cast<short>(tap.weight));
        } else {
          const WideShare& share = shares[tap.weight];
          WideLanes sum = target + share.add;
          sum += share.tie & sum & static_cast<short>(1);
          target = sum < zero ? zero : (sum > top ? top : sum);
        }
      },
      std::make_index_sequence<K::kTaps.size()>{});
}

// From the row's pixel `first` on.
template <typename K>
void ScanRowWideLanes(WideLanes* const rows[K::kRowsAhead + 1], int W, int d, int t, bool firstRows,
                      uint8_t* const dst[4], int first) {
  // Cells hold 0 .. 255, so thresholds beyond 0 .. 256 act like those ends.
  const short tt = static_cast<short>(t < 0 ? 0 : (t > 256 ? 256 : t));
  const WideLanes threshold = {tt, tt, tt, tt, tt, tt, tt, tt};
  for (int i = first, x = (d > 0 ? 0 : W - 1) + d * first; i < W; ++i, x += d) {
    const WideLanes v = rows[0][x];
    const WideLanes white = (v >= threshold) & static_cast<short>(255);
    dst[0][x] = static_cast<uint8_t>(white[2]);
    dst[1][x] = static_cast<uint8_t>(white[1]);
    dst[2][x] = static_cast<uint8_t>(white[0]);
    dst[3][x] = static_cast<uint8_t>(white[3]);
    WidePixel<K>(rows, x, d, v - white, firstRows || i == 0);
  }
}

// The very first pixel of the scan is the one cell quantised while fresh:
// its intensity and fractional error through the rule itself, every cell it
// reaches coming out whole; the colours as any pixel.
template <typename K>
void FirstWidePixel(WideLanes* const rows[K::kRowsAhead + 1], int x, int d, int t, uint8_t* const dst[4]) {
  const std::array<double, 766>& intensity = IntensityBySum();
  std::array<short, K::kTaps.size()> freshSums{};
  for (size_t k = 0; k < K::kTaps.size(); ++k)
    freshSums[k] = rows[K::kTaps[k].dy][x + d * K::kTaps[k].dx][3] - kFresh;
  double error;
  const uint8_t whiteI = Quantise<3>(intensity[rows[0][x][3] - kFresh], t, error);
  WideLanes cell = rows[0][x];
  cell[3] = 0;  // the lanes carry no intensity error; the rule below does
  const short tt = static_cast<short>(t < 0 ? 0 : (t > 256 ? 256 : t));
  const WideLanes threshold = {tt, tt, tt, tt, tt, tt, tt, tt};
  const WideLanes white = (cell >= threshold) & static_cast<short>(255);
  dst[0][x] = static_cast<uint8_t>(white[2]);
  dst[1][x] = static_cast<uint8_t>(white[1]);
  dst[2][x] = static_cast<uint8_t>(white[0]);
  dst[3][x] = whiteI;
  WideLanes error3 = cell - white;
  error3[3] = 0;
  WidePixel<K>(rows, x, d, error3, true);
  for (size_t k = 0; k < K::kTaps.size(); ++k) {
    const Tap& tap = K::kTaps[k];
    rows[tap.dy][x + d * tap.dx][3] =
        static_cast<short>(AddIntensityShare<K>(intensity[freshSums[k]], error, tap.weight));
  }
}

// The four results of a wide kernel in one pass on lanes.
template <typename K>
void DiffuseWide(const DiffusionSource& src, int t, PackedDitherResults& out) {
  constexpr int kSlots = K::kRowsAhead + 1;
  const int W = src.width, H = src.height, BW = src.borderedWidth, border = src.border;
  DiffusionRows rows(src);
  std::vector<WideLanes> ring(static_cast<size_t>(BW) * kSlots);
  ResultRows results(W);
  const auto slot = [&](int bufferRow) {
    return ring.data() + static_cast<size_t>(bufferRow % kSlots) * BW + border;
  };
  const auto load = [&](int bufferRow) {
    const uint8_t* cell = rows.Get(bufferRow);
    WideLanes* dst = slot(bufferRow);
    for (int c = 0; c < W; ++c, cell += 3)
      dst[c] = WideLanes{cell[0], cell[1], cell[2], static_cast<short>(kFresh + cell[0] + cell[1] + cell[2])};
    for (int e = 1; e <= border; ++e) {
      dst[-e] = dst[0];
      dst[W - 1 + e] = dst[W - 1];
    }
  };
  uint8_t* const dst[4] = {results.Channel(0), results.Channel(1), results.Channel(2), results.Channel(3)};
  ForEachDiffusionRow(H, K::kRowsAhead, load, [&](int b, int y, int d) {
    WideLanes* cells[kSlots];
    for (int k = 0; k < kSlots; ++k) cells[k] = slot(b + k);
    int first = 0;
    if (b == 0) {
      FirstWidePixel<K>(cells, d > 0 ? 0 : W - 1, d, t, dst);
      first = 1;
    }
    ScanRowWideLanes<K>(cells, W, d, t, b < K::kRowsAhead, dst, first);
    // The bottom border row's results are dropped.
    if (y < H) results.Pack(out, y);
  });
}

// The Floyd-Steinberg R, G and B results (out[0], out[1], out[2]) in one
// pass, for N pictures of one size.
template <typename K, size_t N>
void DiffuseColours(const std::array<DiffusionSource, N>& src, int t, const std::array<PackedDitherResults*, N>& out) {
  constexpr int kSlots = K::kRowsAhead + 1;
  static_assert(std::is_same_v<K, FloydSteinbergKernel>, "the wide kernels carry all four channels on lanes");
  using Lanes = ColourLanes;
  const int W = src[0].width, H = src[0].height, BW = src[0].borderedWidth, border = src[0].border;
  std::vector<DiffusionRows> rows;
  std::vector<std::vector<Lanes>> rings;
  std::vector<ResultRows> results;
  for (size_t s = 0; s < N; ++s) {
    rows.emplace_back(src[s]);
    rings.emplace_back(static_cast<size_t>(BW) * kSlots);
    results.emplace_back(W);
  }
  auto slot = [&](size_t s, int bufferRow) {
    return rings[s].data() + static_cast<size_t>(bufferRow % kSlots) * BW + border;
  };
  auto load = [&](int bufferRow) {
    for (size_t s = 0; s < N; ++s) {
      const uint8_t* cell = rows[s].Get(bufferRow);
      Lanes* dst = slot(s, bufferRow);
      for (int c = 0; c < W; ++c, cell += 3) dst[c] = Lanes{cell[0], cell[1], cell[2], 0};
      for (int e = 1; e <= border; ++e) {
        dst[-e] = dst[0];
        dst[W - 1 + e] = dst[W - 1];
      }
    }
  };
  uint8_t* dst[N][3];
  for (size_t s = 0; s < N; ++s)
    for (int c = 0; c < 3; ++c) dst[s][c] = results[s].Channel(c);
  ForEachDiffusionRow(H, K::kRowsAhead, load, [&](int b, int y, int d) {
    Lanes* cur[N];
    Lanes* next[N];
    for (size_t s = 0; s < N; ++s) cur[s] = slot(s, b), next[s] = slot(s, b + 1);
    ScanRowFloydSteinbergLanes<N>(cur, next, W, d, t, dst);
    // The bottom border row's results are dropped.
    if (y < H)
      for (size_t s = 0; s < N; ++s) results[s].Pack(*out[s], y, 0, 3);
  });
}

// N pictures of one size through one kernel: the colour lanes of all of them
// on one thread, the intensities beside it.
template <typename K, size_t N>
std::array<PackedDitherResults, N> ErrorDiffusion(const std::array<const RasterImage*, N>& sources, int threshold) {
  const int W = sources[0]->Width(), H = sources[0]->Height();
  std::array<PackedDitherResults, N> out;
  std::array<PackedDitherResults*, N> outs;
  std::array<DiffusionSource, N> src;
  for (size_t s = 0; s < N; ++s) {
    out[s] = NewPackedResults(W, H);
    outs[s] = &out[s];
    // The intensity of a fresh cell comes from its colour sum (see
    // IntensityBySum), so no HSI plane is made.
    src[s] = DiffusionSource{W, H, W + 2 * K::kBorder, K::kBorder, sources[s]};
  }
  if (!sources[0]->HasImage()) return out;
  if constexpr (!std::is_same_v<K, FloydSteinbergKernel>) {
    // The wide kernels carry all four channels in one pass on lanes.
    static_assert(N == 1, "only Floyd-Steinberg steps several pictures at once");
    DiffuseWide<K>(src[0], threshold, out[0]);
  } else {
    // The colour channels share one pass on lanes; the intensity runs beside it.
    const bool threaded =
        static_cast<long long>(W) * H >= (1 << 14) && std::thread::hardware_concurrency() > 1;
    const auto intensities = [&] { DiffuseIntensity<K, N>(src, threshold, outs); };
    if (threaded) {
      std::exception_ptr failure;
      std::thread colours([&] {
        try {
          DiffuseColours<K, N>(src, threshold, outs);
        } catch (...) {
          failure = std::current_exception();
        }
      });
      try {
        intensities();
      } catch (...) {
        colours.join();
        throw;
      }
      colours.join();
      if (failure) std::rethrow_exception(failure);
    } else {
      DiffuseColours<K, N>(src, threshold, outs);
      intensities();
    }
  }
  return out;
}

template <typename K>
PackedDitherResults ErrorDiffusion(const RasterImage& source, int threshold) {
  return std::move(ErrorDiffusion<K, 1>({&source}, threshold)[0]);
}

DitherResults Expanded(const PackedDitherResults& packed) {
  DitherResults out;
  for (size_t i = 0; i < packed.size(); ++i) out[i] = ExpandBlackWhite(packed[i]);
  return out;
}

}  // namespace

PackedDitherResults OrderedDitherPacked(const RasterImage& source, int kind) {
  if (kind == 0) return PointDither(source, [](int x, int y) { return kMatrix2[y & 1][x & 1]; });
  if (kind == 1) return PointDither(source, [](int x, int y) { return kMatrix4[y & 3][x & 3]; });
  if (kind == 11) {
    const auto& map = Bayer8Thresholds();
    return PointDither(source, [&map](int x, int y) { return map[(y & 7) * kBayer8Size + (x & 7)]; });
  }
  if (kind == 12) {
    const auto& map = BlueNoiseThresholds();
    return PointDither(source, [&map](int x, int y) { return map[(y & 63) * kBlueNoiseSize + (x & 63)]; });
  }
  throw TessalinError("Unknown ordered dither kind " + std::to_string(kind) + ".");
}

PackedDitherResults CustomThresholdDitherPacked(const RasterImage& source, int threshold) {
  return PointDither(source, [threshold](int, int) { return threshold; });
}

PackedDitherResults FloydSteinbergDitherPacked(const RasterImage& source, int threshold) {
  return ErrorDiffusion<FloydSteinbergKernel>(source, threshold);
}

std::vector<PackedDitherResults> FloydSteinbergDitherPackedTogether(const std::vector<const RasterImage*>& sources,
                                                                    int threshold) {
  std::vector<PackedDitherResults> out;
  const auto alike = [&](size_t from) {
    for (size_t s = from; s < sources.size(); ++s)
      if (sources[s]->Width() != sources[from]->Width() || sources[s]->Height() != sources[from]->Height())
        return false;
    return true;
  };
  if (sources.size() == 3 && alike(0)) {
    for (PackedDitherResults& r :
         ErrorDiffusion<FloydSteinbergKernel, 3>({sources[0], sources[1], sources[2]}, threshold))
      out.push_back(std::move(r));
  } else if (sources.size() == 2 && alike(0)) {
    for (PackedDitherResults& r : ErrorDiffusion<FloydSteinbergKernel, 2>({sources[0], sources[1]}, threshold))
      out.push_back(std::move(r));
  } else {
    for (const RasterImage* source : sources) out.push_back(FloydSteinbergDitherPacked(*source, threshold));
  }
  return out;
}

PackedDitherResults WideKernelDitherPacked(const RasterImage& source, int threshold, int ditherKind) {
  if (ditherKind == 3) return ErrorDiffusion<JarvisJudiceNinkeKernel>(source, threshold);
  if (ditherKind == 4) return ErrorDiffusion<StuckiKernel>(source, threshold);
  // Any other kind diffuses nothing. The copy is still the wide bordered one,
  // whose picture cells are the source's own pixels.
  return CustomThresholdDitherPacked(source, threshold);
}

bool IsErrorDiffusionKind(int kind) {
  return WithDiffusionKernel(kind, [](auto) {});
}

bool IsOrderedKind(int kind) { return kind == 0 || kind == 1 || kind == 11 || kind == 12; }

PackedDitherResults DitherByKindPacked(const RasterImage& source, int kind, int threshold,
                                       const DiffusionOptions& options) {
  if (IsOrderedKind(kind)) return OrderedDitherPacked(source, kind);
  if (kind == 5) return CustomThresholdDitherPacked(source, threshold);
  if (!IsErrorDiffusionKind(kind)) return WideKernelDitherPacked(source, threshold, kind);
  if (!options.IsPlain()) return DiffuseWithOptions(source, kind, threshold, options);
  PackedDitherResults out;
  WithDiffusionKernel(kind, [&](auto kernel) { out = ErrorDiffusion<decltype(kernel)>(source, threshold); });
  return out;
}

DitherResults DitherByKind(const RasterImage& source, int kind, int threshold,
                           const DiffusionOptions& options) {
  return Expanded(DitherByKindPacked(source, kind, threshold, options));
}

DitherResults OrderedDither(const RasterImage& source, int kind) {
  return Expanded(OrderedDitherPacked(source, kind));
}

DitherResults CustomThresholdDither(const RasterImage& source, int threshold) {
  return Expanded(CustomThresholdDitherPacked(source, threshold));
}

DitherResults FloydSteinbergDither(const RasterImage& source, int threshold) {
  return Expanded(FloydSteinbergDitherPacked(source, threshold));
}

DitherResults WideKernelDither(const RasterImage& source, int threshold, int ditherKind) {
  return Expanded(WideKernelDitherPacked(source, threshold, ditherKind));
}

}  // namespace tessalin
