#include "processing/diffusion_options.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "core/tessalin_error.h"
#include "processing/diffusion_kernels.h"
#include "processing/diffusion_rows.h"

namespace tessalin {

namespace {

// The four channels of a cell side by side: lanes 0 B, 1 G, 2 R, 3 I.
typedef int FineLanes __attribute__((vector_size(16)));
typedef unsigned UnsignedFineLanes __attribute__((vector_size(16)));

double SrgbDecode(double u) { return u <= 0.04045 ? u / 12.92 : std::pow((u + 0.055) / 1.055, 2.4); }

// A share round(old + n / M) for a whole old, split so that one division
// serves every tap of a weight: old + add, or on an exact half (tie) the
// even one of old + add and old + add + 1.
struct FineShare {
  FineLanes add, tie;
};

template <int M>
inline FineShare FineShareOf(FineLanes n) {
  // |n| / M stays below kFineWhite / 2 for every kernel; the offset keeps
  // the numerator positive and below 2^31.
  constexpr int kOffset = 65536;
  static_assert(static_cast<long long>(kOffset) * M + static_cast<long long>(kFineWhite) * M < (1LL << 31));
  const UnsignedFineLanes s = reinterpret_cast<UnsignedFineLanes>(n + kOffset * M);
  const UnsignedFineLanes q = s / static_cast<unsigned>(M);
  const UnsignedFineLanes r2 = 2 * (s - q * static_cast<unsigned>(M));
  const FineLanes past = reinterpret_cast<FineLanes>(r2 > static_cast<unsigned>(M));  // -1 where true
  const FineLanes tie = reinterpret_cast<FineLanes>(r2 == static_cast<unsigned>(M));
  return {reinterpret_cast<FineLanes>(q) - kOffset - past, tie};
}

template <typename K, int... kWeights>
inline void MakeFineShares(FineLanes scaledError, FineShare* shares,
                           std::integer_sequence<int, kWeights...>) {
  (
      [&] {
        if constexpr (UsesWeight<K>(kWeights))
          shares[kWeights] = FineShareOf<K::kDivisor * 100>(scaledError * kWeights);
      }(),
      ...);
}

template <typename K>
void ScanRowFine(FineLanes* const rows[K::kRowsAhead + 1], int W, int d, int threshold, int strength,
                 uint8_t* const dst[4]) {
  const FineLanes t = {threshold, threshold, threshold, threshold};
  const FineLanes s = {strength, strength, strength, strength};
  const FineLanes zero = {}, white = {kFineWhite, kFineWhite, kFineWhite, kFineWhite};
  for (int i = 0, x = d > 0 ? 0 : W - 1; i < W; ++i, x += d) {
    const FineLanes v = rows[0][x];
    const FineLanes isWhite = v >= t;
    const FineLanes error = v - (isWhite & kFineWhite);
    dst[0][x] = static_cast<uint8_t>(isWhite[2]);
    dst[1][x] = static_cast<uint8_t>(isWhite[1]);
    dst[2][x] = static_cast<uint8_t>(isWhite[0]);
    dst[3][x] = static_cast<uint8_t>(isWhite[3]);
    FineShare shares[kMaxTapWeight + 1];
    MakeFineShares<K>(error * s, shares, std::make_integer_sequence<int, kMaxTapWeight + 1>{});
#pragma GCC unroll 16
    for (const Tap& tap : K::kTaps) {
      FineLanes& target = rows[tap.dy][x + d * tap.dx];
      const FineShare& share = shares[tap.weight];
      FineLanes sum = target + share.add;
      sum += share.tie & sum & 1;
      target = sum < zero ? zero : (sum > white ? white : sum);
    }
  }
}

template <typename K>
PackedDitherResults DiffuseFine(const RasterImage& source, int threshold, const DiffusionOptions& options) {
  constexpr int kSlots = K::kRowsAhead + 1;
  const int W = source.Width(), H = source.Height();
  PackedDitherResults out = NewPackedResults(W, H);
  if (!source.HasImage()) return out;
  const std::array<int, 766>& fine = FineValueBySum(options.linearLight);
  // The threshold is a level in the cells' own terms: in linear light 128 is
  // half the light (sRGB 188), so that the errors either side stay balanced.
  const int t = std::clamp(threshold, -1, 256) * 256;
  const DiffusionSource src{W, H, W + 2 * K::kBorder, K::kBorder, &source};
  DiffusionRows rows(src);
  std::vector<FineLanes> ring(static_cast<size_t>(src.borderedWidth) * kSlots);
  const auto slot = [&](int bufferRow) {
    return ring.data() + static_cast<size_t>(bufferRow % kSlots) * src.borderedWidth + src.border;
  };
  const auto load = [&](int bufferRow) {
    const uint8_t* cell = rows.Get(bufferRow);
    FineLanes* dst = slot(bufferRow);
    for (int c = 0; c < W; ++c, cell += 3)
      dst[c] = FineLanes{fine[3 * cell[0]], fine[3 * cell[1]], fine[3 * cell[2]],
                         fine[cell[0] + cell[1] + cell[2]]};
    for (int e = 1; e <= src.border; ++e) {
      dst[-e] = dst[0];
      dst[W - 1 + e] = dst[W - 1];
    }
  };
  ResultRows results(W);
  uint8_t* const dst[4] = {results.Channel(0), results.Channel(1), results.Channel(2), results.Channel(3)};
  ForEachDiffusionRow(H, K::kRowsAhead, load, [&](int b, int y, int d) {
    FineLanes* cells[kSlots];
    for (int k = 0; k < kSlots; ++k) cells[k] = slot(b + k);
    ScanRowFine<K>(cells, W, d, t, options.strength, dst);
    // The bottom border row's results are dropped.
    if (y < H) results.Pack(out, y);
  });
  return out;
}

}  // namespace

const std::array<int, 766>& FineValueBySum(bool linearLight) {
  static const std::array<std::array<int, 766>, 2> tables = [] {
    std::array<std::array<int, 766>, 2> t{};
    for (int sum = 0; sum < 766; ++sum) {
      t[0][sum] = (sum * 512 + 3) / 6;  // sum * 256 / 3 never ends in a half
      t[1][sum] = static_cast<int>(std::lround(kFineWhite * SrgbDecode(sum / 765.0)));
    }
    return t;
  }();
  return tables[linearLight ? 1 : 0];
}

PackedDitherResults DiffuseWithOptions(const RasterImage& source, int kind, int threshold,
                                       const DiffusionOptions& options) {
  if (options.strength < 0 || options.strength > 100)
    throw TessalinError("Dither strength " + std::to_string(options.strength) + " % is outside 0 to 100 %.");
  PackedDitherResults out;
  const bool known = WithDiffusionKernel(
      kind, [&](auto kernel) { out = DiffuseFine<decltype(kernel)>(source, threshold, options); });
  if (!known) throw TessalinError("Dither kind " + std::to_string(kind) + " diffuses no error.");
  return out;
}

}  // namespace tessalin
