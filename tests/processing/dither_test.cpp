#include "processing/dither.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/colour_model.h"
#include "core/pixel_ops.h"
#include "processing/dither_intensity.h"
#include "processing/dither_maps.h"
#include "processing/void_and_cluster.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using test::Bgr;
using test::MakeFlat24;
using test::MakeRandom24;
using test::PixelAt;
using test::SetPixelAt;
using Ext = long double;

// ---- the straightforward reference: a full bordered grid, one channel at a time ----

struct RefTap {
  int dx, dy, w;
};

struct RefKernel {
  int border;  // 1: one cell on every side; 2: two at the sides and top, one at the bottom
  int divisor;
  bool roundI;
  std::vector<RefTap> taps;
};

RefKernel FloydSteinberg() { return {1, 16, false, {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}}}; }

// Rows of the tables (weights 2 behind .. 2 ahead), the pixel's own row first.
RefKernel Wide(int divisor, std::vector<std::vector<int>> rows) {
  RefKernel k{2, divisor, true, {}};
  k.taps.push_back({1, 0, rows[0][3]});
  k.taps.push_back({2, 0, rows[0][4]});
  for (int dy = 1; dy <= 2; ++dy)
    for (int dx = -2; dx <= 2; ++dx) k.taps.push_back({dx, dy, rows[dy][dx + 2]});
  return k;
}
RefKernel Jarvis() { return Wide(48, {{0, 0, 0, 7, 5}, {3, 5, 7, 5, 3}, {1, 3, 5, 3, 1}}); }
RefKernel Stucki() { return Wide(42, {{0, 0, 0, 8, 4}, {2, 4, 8, 4, 2}, {1, 2, 4, 2, 1}}); }

// The further kernels as their published tables (weights 2 behind .. 2 ahead,
// the pixel's own row first); empty places are no taps.
RefKernel Published(int divisor, std::vector<std::vector<int>> rows) {
  RefKernel k{2, divisor, true, {}};
  for (int dy = 0; dy < static_cast<int>(rows.size()); ++dy)
    for (int dx = dy == 0 ? 1 : -2; dx <= 2; ++dx)
      if (rows[dy][dx + 2] != 0) k.taps.push_back({dx, dy, rows[dy][dx + 2]});
  return k;
}

struct KindAndKernel {
  int kind;
  const char* name;
  RefKernel kernel;
};

const std::vector<KindAndKernel>& DiffusionKernels() {
  static const std::vector<KindAndKernel> all = {
      {2, "Floyd-Steinberg", FloydSteinberg()},
      {3, "Jarvis-Judice-Ninke", Jarvis()},
      {4, "Stucki", Stucki()},
      {6, "Atkinson", Published(8, {{0, 0, 0, 1, 1}, {0, 1, 1, 1, 0}, {0, 0, 1, 0, 0}})},
      {7, "Burkes", Published(32, {{0, 0, 0, 8, 4}, {2, 4, 8, 4, 2}})},
      {8, "Sierra", Published(32, {{0, 0, 0, 5, 3}, {2, 4, 5, 4, 2}, {0, 2, 3, 2, 0}})},
      {9, "Sierra Two-Row", Published(16, {{0, 0, 0, 4, 3}, {1, 2, 3, 2, 1}})},
      {10, "Sierra Lite", Published(4, {{0, 0, 0, 2, 0}, {0, 1, 1, 0, 0}})}};
  return all;
}

struct RefCell {
  int c[3];  // R, G, B
  double i;
};

int Clamp(int v, int n) { return v < 0 ? 0 : (v >= n ? n - 1 : v); }

// channel 0 R, 1 G, 2 B, 3 I; returns the quantised picture rows, top-down.
std::vector<std::vector<uint8_t>> ReferenceDiffusion(const RasterImage& src, int t, const RefKernel& k,
                                                     int channel) {
  const int W = src.Width(), H = src.Height(), b = k.border;
  // Cell (x, y) of the bordered copy at grid[y + b][x + b], x from -b to W + b - 1, y from -b to H.
  std::vector<std::vector<RefCell>> grid(H + b + 1, std::vector<RefCell>(W + 2 * b));
  for (int y = -b; y <= H; ++y)
    for (int x = -b; x < W + b; ++x) {
      const bool outX = x < 0 || x >= W, outY = y < 0 || y >= H;
      Bgr p{255, 255, 255};  // the wide copy leaves its corner blocks white
      if (!(b == 2 && outX && outY)) p = PixelAt(src, Clamp(x, W), Clamp(y, H));
      grid[y + b][x + b] = {{p.r, p.g, p.b}, RGBToHSI(p.r, p.g, p.b).I};
    }
  std::vector<std::vector<uint8_t>> out(H, std::vector<uint8_t>(W));
  for (int y = H; y >= 0; --y) {
    const int d = y % 2 == 0 ? 1 : -1;
    for (int n = 0; n < W; ++n) {
      const int x = d > 0 ? n : W - 1 - n;
      RefCell& cell = grid[y + b][x + b];
      bool white;
      int e = 0;
      double ei = 0;
      if (channel == 3) {
        white = cell.i >= static_cast<double>(t);
        ei = white ? static_cast<double>(static_cast<Ext>(cell.i) - 255) : cell.i;
      } else {
        white = cell.c[channel] >= t;
        e = white ? cell.c[channel] - 255 : cell.c[channel];
      }
      if (y < H) out[y][x] = white ? 255 : 0;
      for (const RefTap& tap : k.taps) {
        RefCell& target = grid[y - tap.dy + b][x + d * tap.dx + b];
        if (channel == 3) {
          const double v =
              ClampReal(static_cast<double>(target.i + static_cast<Ext>(ei) * tap.w / k.divisor), 0, 255);
          target.i = k.roundI ? std::nearbyint(v) : v;
        } else {
          const Ext share = static_cast<Ext>(e * tap.w) / k.divisor;
          target.c[channel] = static_cast<int>(
              std::nearbyint(ClampReal(static_cast<double>(target.c[channel] + share), 0, 255)));
        }
      }
    }
  }
  return out;
}

// With the options every channel is whole 1/256 steps of a byte; each share
// is the exact quotient rounded half to even.
long long RoundedQuotient(long long n, long long m) {
  long long q = n / m, r = n % m;
  if (r < 0) q -= 1, r += m;
  return q + (2 * r > m || (2 * r == m && (q & 1)));
}

std::vector<std::vector<uint8_t>> ReferenceWithOptions(const RasterImage& src, int t, const RefKernel& k,
                                                       int channel, int strength, bool linear) {
  const auto fine = [linear](int sum) {  // sum: three times a colour byte, or r + g + b for I
    const double u = sum / 765.0;
    if (!linear) return static_cast<long long>(std::llround(sum * 256.0 / 3));
    return static_cast<long long>(
        std::llround(65280 * (u <= 0.04045 ? u / 12.92 : std::pow((u + 0.055) / 1.055, 2.4))));
  };
  const int W = src.Width(), H = src.Height(), b = k.border;
  std::vector<std::vector<long long>> grid(H + b + 1, std::vector<long long>(W + 2 * b));
  for (int y = -b; y <= H; ++y)
    for (int x = -b; x < W + b; ++x) {
      const Bgr p = PixelAt(src, Clamp(x, W), Clamp(y, H));
      const int bytes[3] = {p.r, p.g, p.b};
      grid[y + b][x + b] = fine(channel == 3 ? p.r + p.g + p.b : 3 * bytes[channel]);
    }
  const long long threshold = 256LL * std::clamp(t, -1, 256);  // in linear light a level of light
  std::vector<std::vector<uint8_t>> out(H, std::vector<uint8_t>(W));
  for (int y = H; y >= 0; --y) {
    const int d = y % 2 == 0 ? 1 : -1;
    for (int n = 0; n < W; ++n) {
      const int x = d > 0 ? n : W - 1 - n;
      const long long v = grid[y + b][x + b];
      const bool white = v >= threshold;
      if (y < H) out[y][x] = white ? 255 : 0;
      const long long e = white ? v - 65280 : v;
      for (const RefTap& tap : k.taps) {
        long long& target = grid[y - tap.dy + b][x + d * tap.dx + b];
        const long long m = 100LL * k.divisor;
        target = std::clamp(RoundedQuotient(target * m + e * tap.w * strength, m), 0LL, 65280LL);
      }
    }
  }
  return out;
}

// The quantised value of channel ch at (x, y), checking the pixel is a proper grey 0 or 255.
int At(const DitherResults& r, int ch, int x, int y) {
  const Bgr p = PixelAt(r[ch], x, y);
  EXPECT_TRUE(p.r == p.g && p.g == p.b && (p.r == 0 || p.r == 255))
      << "channel " << ch << " at " << x << "," << y;
  return p.r;
}

void ExpectMatchesReference(const RasterImage& src, int t, const RefKernel& k, const DitherResults& got,
                            const std::string& what, const DiffusionOptions& options = {}) {
  for (int ch = 0; ch < 4; ++ch) {
    ASSERT_EQ(got[ch].Format(), PixelFormat::pf24Bit);
    ASSERT_EQ(got[ch].Width(), src.Width());
    ASSERT_EQ(got[ch].Height(), src.Height());
    const auto ref = options.IsPlain()
                         ? ReferenceDiffusion(src, t, k, ch)
                         : ReferenceWithOptions(src, t, k, ch, options.strength, options.linearLight);
    int mismatches = 0;
    for (int y = 0; y < src.Height(); ++y)
      for (int x = 0; x < src.Width(); ++x) mismatches += At(got, ch, x, y) != ref[y][x];
    EXPECT_EQ(mismatches, 0) << what << " channel " << ch << " threshold " << t;
  }
}

// ---- ordered and custom ----

TEST(OrderedDither, TwoByTwoOnGrey128LeavesOnlyTheLowerLeftOfEachBlockBlack) {
  const DitherResults r = OrderedDither(MakeFlat24(6, 5, 128, 128, 128), 0);
  for (int ch = 0; ch < 4; ++ch)
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 6; ++x)
        EXPECT_EQ(At(r, ch, x, y), (x % 2 == 0 && y % 2 == 1) ? 0 : 255) << ch << " " << x << "," << y;
}

TEST(OrderedDither, BlackGivesWhiteOnlyWhereTheMatrixHoldsZeroAndWhiteStaysWhite) {
  const RasterImage black = MakeFlat24(9, 9, 0, 0, 0);
  const DitherResults k0 = OrderedDither(black, 0), k1 = OrderedDither(black, 1);
  const DitherResults white = OrderedDither(MakeFlat24(9, 9, 255, 255, 255), 1);
  for (int ch = 0; ch < 4; ++ch)
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 9; ++x) {
        EXPECT_EQ(At(k0, ch, x, y), (x % 2 == 0 && y % 2 == 0) ? 255 : 0);
        EXPECT_EQ(At(k1, ch, x, y), (x % 4 == 0 && y % 4 == 0) ? 255 : 0);
        EXPECT_EQ(At(white, ch, x, y), 255);
      }
}

TEST(OrderedDither, FourByFourOnGrey100HasSevenWhitesPerBlockAtTheLowMatrixValues) {
  const DitherResults r = OrderedDither(MakeFlat24(8, 8, 100, 100, 100), 1);
  const int matrix[4][4] = {{0, 128, 32, 160}, {192, 64, 224, 96}, {48, 176, 16, 144}, {240, 112, 208, 80}};
  for (int ch = 0; ch < 4; ++ch)
    for (int by = 0; by < 8; by += 4)
      for (int bx = 0; bx < 8; bx += 4) {
        int whites = 0;
        for (int y = 0; y < 4; ++y)
          for (int x = 0; x < 4; ++x) {
            const int v = At(r, ch, bx + x, by + y);
            whites += v == 255;
            EXPECT_EQ(v == 255, matrix[y][x] <= 100);
          }
        EXPECT_EQ(whites, 7);
      }
}

TEST(OrderedDither, FurtherMapsHoldEveryRankOnceSoAFlatGreyGivesItsShareOfWhite) {
  // A map of N cells holds the thresholds rank * 256 / N: a grey g makes
  // white the cells whose threshold is at most g, in every tile.
  struct Map {
    int kind, size;
  };
  for (const Map map : {Map{11, 8}, Map{12, 64}})
    for (int grey : {0, 37, 128, 255}) {
      const int cells = map.size * map.size, perLevel = cells / 256 > 0 ? cells / 256 : 1;
      const int expected = std::min(cells, (grey * cells / 256 / perLevel + 1) * perLevel);
      const DitherResults r =
          OrderedDither(MakeFlat24(2 * map.size + 3, map.size + 1, grey, grey, grey), map.kind);
      for (int ch = 0; ch < 4; ++ch)
        for (int tile = 0; tile < 2; ++tile) {
          int whites = 0;
          for (int y = 0; y < map.size; ++y)
            for (int x = 0; x < map.size; ++x) whites += At(r, ch, tile * map.size + x, y) == 255;
          EXPECT_EQ(whites, expected) << map.kind << " grey " << grey << " channel " << ch;
        }
    }
  // The 8 x 8 map refines the 4 x 4 one: its even cells hold the 4 x 4
  // matrix's ranks, the lowest sixteen.
  const int matrix[4][4] = {{0, 128, 32, 160}, {192, 64, 224, 96}, {48, 176, 16, 144}, {240, 112, 208, 80}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(4 * Bayer8Thresholds()[2 * y * 8 + 2 * x], matrix[y][x]) << x << "," << y;
}

TEST(OrderedDither, BlueNoiseTableIsWhatItsGeneratorMakes) {
  const std::vector<int> ranks = VoidAndClusterRanks(kBlueNoiseSize, kBlueNoiseSeed);
  ASSERT_EQ(ranks.size(), BlueNoiseRanks().size());
  EXPECT_TRUE(std::equal(ranks.begin(), ranks.end(), BlueNoiseRanks().begin()));
}

TEST(OrderedDither, ChannelsAreQuantisedSeparatelyAndUnknownKindsRefused) {
  // R 200, G 10, B 130, I 113.3: at matrix value 128 only R and B pass.
  const DitherResults r = OrderedDither(MakeFlat24(2, 1, 200, 10, 130), 0);
  EXPECT_EQ(At(r, 0, 1, 0), 255);
  EXPECT_EQ(At(r, 1, 1, 0), 0);
  EXPECT_EQ(At(r, 2, 1, 0), 255);
  EXPECT_EQ(At(r, 3, 1, 0), 0);
  EXPECT_ANY_THROW(OrderedDither(MakeFlat24(2, 2, 1, 2, 3), 2));
}

TEST(CustomThresholdDither, IntensityIsTheRealMeanOfTheThreeBytes) {
  RasterImage src = MakeFlat24(3, 2, 128, 128, 127);
  SetPixelAt(src, 1, 0, {128, 128, 128});  // b, g, r: I exactly 128
  SetPixelAt(src, 2, 1, {0, 0, 127});
  const DitherResults r = CustomThresholdDither(src, 128);
  EXPECT_EQ(At(r, 0, 0, 0), 255);
  EXPECT_EQ(At(r, 1, 0, 0), 255);
  EXPECT_EQ(At(r, 2, 0, 0), 0);
  EXPECT_EQ(At(r, 3, 0, 0), 0);  // 127.67 < 128
  EXPECT_EQ(At(r, 3, 1, 0), 255);
  EXPECT_EQ(At(r, 0, 2, 1), 0);
  // Threshold 0 or below: every channel white.
  const DitherResults low = CustomThresholdDither(MakeFlat24(2, 2, 0, 0, 0), -5);
  for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(At(low, ch, 1, 1), 255);
}

TEST(DitherIntensity, MatchesTheColourModelForEveryColourSum) {
  const auto& table = IntensityBySum();
  for (int sum = 0; sum <= 765; ++sum) {
    const int r = sum < 255 ? sum : 255, g = sum - r < 255 ? sum - r : 255, b = sum - r - g;
    ASSERT_EQ(table[sum], RGBToHSI(r, g, b).I) << sum;
    ASSERT_EQ(table[sum], RGBToHSI(b, r, g).I) << sum;
  }
}

template <int D>
void ExpectColourSharesMatchTheRealRule() {
  for (int old = 0; old <= 255; ++old)
    for (int n = -255 * 8; n <= 255 * 8; ++n) {
      const Ext share = static_cast<Ext>(n) / D;
      const int expected =
          static_cast<int>(std::nearbyint(ClampReal(static_cast<double>(old + share), 0, 255)));
      ASSERT_EQ(AddColourShare<D>(old, n), expected) << D << " " << old << " " << n;
    }
}

TEST(DitherShares, IntegerColourSharesEqualTheRealRuleForEveryInput) {
  ExpectColourSharesMatchTheRealRule<16>();
  ExpectColourSharesMatchTheRealRule<42>();
  ExpectColourSharesMatchTheRealRule<48>();
}

// ---- error diffusion: worked examples ----

TEST(FloydSteinbergDither, TwoPixelsOfGrey60AreSeededByTheBottomBorderRow) {
  // Border row first, right to left: the picture row is left at 91 and 95,
  // the first pixel's 7/16 lifts the second to 135.
  const DitherResults r = FloydSteinbergDither(MakeFlat24(2, 1, 60, 60, 60), 128);
  for (int ch = 0; ch < 4; ++ch) {
    EXPECT_EQ(At(r, ch, 0, 0), 0) << ch;
    EXPECT_EQ(At(r, ch, 1, 0), 255) << ch;
  }
}

TEST(FloydSteinbergDither, HalfSharesRoundToEvenForColoursButIntensityKeepsTheHalf) {
  // Bottom row black: no error reaches the top row, whose 8 sends 3.5 ahead.
  RasterImage src = MakeFlat24(2, 2, 0, 0, 0);
  SetPixelAt(src, 0, 0, {8, 8, 8});
  SetPixelAt(src, 1, 0, {100, 100, 100});
  // 103.5 becomes 104: white at 104; the intensity stays 103.5: black.
  DitherResults r = FloydSteinbergDither(src, 104);
  for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(At(r, ch, 1, 0), 255) << ch;
  EXPECT_EQ(At(r, 3, 1, 0), 0);
  // 104.5 becomes 104 as well: black at 105.
  SetPixelAt(src, 1, 0, {101, 101, 101});
  r = FloydSteinbergDither(src, 105);
  for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(At(r, ch, 1, 0), 0) << ch;
  r = FloydSteinbergDither(src, 104);
  for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(At(r, ch, 1, 0), 255) << ch;
  for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(At(r, ch, 0, 0), 0) << ch;
}

TEST(FloydSteinbergDither, UniformAndExtremeThresholds) {
  const RasterImage white = MakeFlat24(7, 5, 255, 255, 255), black = MakeFlat24(7, 5, 0, 0, 0);
  const RasterImage noise = MakeRandom24(7, 5, 3);
  const DitherResults w = FloydSteinbergDither(white, 128), b = FloydSteinbergDither(black, 128);
  const DitherResults zero = FloydSteinbergDither(noise, 0);
  const DitherResults top = FloydSteinbergDither(MakeFlat24(7, 5, 255, 254, 200), 255);
  for (int ch = 0; ch < 4; ++ch)
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) {
        EXPECT_EQ(At(w, ch, x, y), 255);
        EXPECT_EQ(At(b, ch, x, y), 0);
        EXPECT_EQ(At(zero, ch, x, y), 255);
      }
  // At 255 a red of 255 is white and carries no error, so R stays white.
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(At(top, 0, x, y), 255);
}

TEST(WideKernelDither, ThreePixelsOfGrey100) {
  const RasterImage src = MakeFlat24(3, 1, 100, 100, 100);
  const DitherResults jarvis = WideKernelDither(src, 128, 3), stucki = WideKernelDither(src, 128, 4);
  for (int ch = 0; ch < 4; ++ch) {
    EXPECT_EQ(At(jarvis, ch, 0, 0), 255);
    EXPECT_EQ(At(jarvis, ch, 1, 0), 0);
    EXPECT_EQ(At(jarvis, ch, 2, 0), 255);
    EXPECT_EQ(At(stucki, ch, 0, 0), 0);
    EXPECT_EQ(At(stucki, ch, 1, 0), 255);
    EXPECT_EQ(At(stucki, ch, 2, 0), 0);
  }
}

TEST(WideKernelDither, OtherKindsAreAPlainThreshold) {
  const RasterImage src = MakeRandom24(33, 17, 5);
  for (int kind : {0, 2, 5}) {
    const DitherResults got = WideKernelDither(src, 140, kind), plain = CustomThresholdDither(src, 140);
    for (int ch = 0; ch < 4; ++ch) EXPECT_TRUE(test::SamePixels24(got[ch], plain[ch])) << kind << " " << ch;
  }
}

// ---- error diffusion against the reference ----

TEST(ErrorDiffusion, MatchesTheReferenceOnRandomPicturesOfOddSizes) {
  // Includes one-row and two-wide pictures (the wide kernels' second column
  // ahead falls into the border) and one big enough for the channel threads.
  const int sizes[][2] = {{1, 1}, {2, 1}, {1, 4},  {2, 2},   {2, 9},
                          {3, 1}, {5, 1}, {17, 3}, {31, 12}, {160, 121}};
  unsigned seed = 1;
  for (const auto& s : sizes) {
    const RasterImage src = MakeRandom24(s[0], s[1], seed++);
    const std::string what = std::to_string(s[0]) + "x" + std::to_string(s[1]);
    for (int t : {-3, 0, 1, 77, 128, 200, 255, 256}) {
      ExpectMatchesReference(src, t, FloydSteinberg(), FloydSteinbergDither(src, t), "FS " + what);
      ExpectMatchesReference(src, t, Jarvis(), WideKernelDither(src, t, 3), "JJN " + what);
      ExpectMatchesReference(src, t, Stucki(), WideKernelDither(src, t, 4), "Stucki " + what);
      for (const KindAndKernel& k : DiffusionKernels())
        if (k.kind >= kFirstFurtherDitherKind)
          ExpectMatchesReference(src, t, k.kernel, DitherByKind(src, k.kind, t), k.name + (" " + what));
    }
  }
}

TEST(ErrorDiffusion, OptionsMatchTheReferenceForEveryKernel) {
  const int sizes[][2] = {{1, 1}, {2, 3}, {5, 1}, {31, 12}, {67, 45}};
  unsigned seed = 40;
  for (const auto& s : sizes) {
    const RasterImage src = MakeRandom24(s[0], s[1], seed++);
    for (const KindAndKernel& k : DiffusionKernels())
      for (const DiffusionOptions options : {DiffusionOptions{0, true}, DiffusionOptions{37, false},
                                             DiffusionOptions{100, true}, DiffusionOptions{99, false}})
        for (int t : {-1, 0, 1, 128, 255, 256})
          ExpectMatchesReference(src, t, k.kernel, DitherByKind(src, k.kind, t, options),
                                 k.name + (" " + std::to_string(s[0]) + "x" + std::to_string(s[1])) +
                                     " strength " + std::to_string(options.strength) +
                                     (options.linearLight ? " linear" : ""),
                                 options);
  }
}

TEST(ErrorDiffusion, StrengthZeroIsTheThresholdAndLinearLightLightensAMidGreyAsTheEyeSeesIt) {
  const RasterImage noise = MakeRandom24(45, 37, 8), grey = MakeFlat24(101, 99, 128, 128, 128);
  const auto whiteShare = [](const RasterImage& r) {
    long long whites = 0;
    for (int y = 0; y < r.Height(); ++y)
      for (int x = 0; x < r.Width(); ++x) whites += PixelAt(r, x, y).r == 255;
    return static_cast<double>(whites) / (static_cast<double>(r.Width()) * r.Height());
  };
  for (const KindAndKernel& k : DiffusionKernels()) {
    // (In linear light the threshold is a level of light; the reference covers it.)
    const DitherResults zero = DitherByKind(noise, k.kind, 100, {0, false});
    const DitherResults plain = CustomThresholdDither(noise, 100);
    for (int ch = 0; ch < 4; ++ch)
      EXPECT_TRUE(test::SamePixels24(zero[ch], plain[ch])) << k.name << " " << ch;
    const DitherResults linear = DitherByKind(grey, k.kind, 128, {100, true});
    const DitherResults gamma = DitherByKind(grey, k.kind, 128);
    // Atkinson drops a quarter of every error, so a dark 22 % of light sinks
    // further (to about 15 %): the kernel's own character, not the light's.
    const bool keepsTheError = k.kind != 6;
    for (int ch = 0; ch < 4; ++ch) {
      EXPECT_GE(whiteShare(linear[ch]), keepsTheError ? 0.20 : 0.10) << k.name << " " << ch;
      EXPECT_LE(whiteShare(linear[ch]), 0.24) << k.name << " " << ch;
      EXPECT_GE(whiteShare(gamma[ch]), 0.48) << k.name << " " << ch;
      EXPECT_LE(whiteShare(gamma[ch]), 0.52) << k.name << " " << ch;
    }
  }
}

// Several pictures in one pass give each picture's own results.
TEST(ErrorDiffusion, PicturesDitheredTogetherMatchEachDitheredAlone) {
  const std::pair<int, int> sizes[] = {{1, 1}, {2, 3}, {17, 5}, {160, 121}};
  unsigned seed = 70;
  for (auto [w, h] : sizes) {
    const RasterImage a = MakeRandom24(w, h, seed++), b = MakeRandom24(w, h, seed++), c = MakeRandom24(w, h, seed++);
    const RasterImage odd = MakeRandom24(w + 1, h, seed++);
    const std::vector<std::vector<const RasterImage*>> groups = {{&a, &b, &c}, {&c, &a}, {&b}, {&a, &odd, &b}};
    for (int t : {1, 128, 250})
      for (const auto& group : groups) {
        const std::vector<PackedDitherResults> together = FloydSteinbergDitherPackedTogether(group, t);
        ASSERT_EQ(together.size(), group.size());
        for (size_t i = 0; i < group.size(); ++i) {
          const PackedDitherResults alone = FloydSteinbergDitherPacked(*group[i], t);
          for (int ch = 0; ch < 4; ++ch)
            for (int y = 0; y < alone[ch].Height(); ++y)
              ASSERT_EQ(std::memcmp(together[i][ch].Row(y), alone[ch].Row(y), alone[ch].RowBytes()), 0)
                  << w << "x" << h << " t " << t << " picture " << i << " channel " << ch << " row " << y;
        }
      }
  }
}

TEST(ErrorDiffusion, MatchesTheReferenceOnSmoothPicturesWhereErrorsTravelFar) {
  // Mid-grey ramps keep errors small and long-lived, unlike noise.
  RasterImage src = NewRaster(PixelFormat::pf24Bit, 140, 150);
  for (int y = 0; y < 140; ++y)
    for (int x = 0; x < 150; ++x)
      SetPixelAt(src, x, y,
                 {static_cast<uint8_t>(100 + x / 10), static_cast<uint8_t>(120 + (x + y) / 20),
                  static_cast<uint8_t>(90 + y / 7)});
  ExpectMatchesReference(src, 128, FloydSteinberg(), FloydSteinbergDither(src, 128), "FS ramp");
  ExpectMatchesReference(src, 128, Jarvis(), WideKernelDither(src, 128, 3), "JJN ramp");
  ExpectMatchesReference(src, 128, Stucki(), WideKernelDither(src, 128, 4), "Stucki ramp");
}

TEST(ErrorDiffusion, MatchesTheReferenceNearBlackAndWhiteWhereErrorsAreTiny) {
  // Intensities and errors below 2 or near 0 leave the fast intensity path.
  for (int base : {0, 252}) {
    RasterImage src = MakeRandom24(97, 63, static_cast<unsigned>(base) + 3);
    for (int y = 0; y < src.Height(); ++y)
      for (int x = 0; x < 3 * src.Width(); ++x)
        src.Row(y)[x] = static_cast<uint8_t>(base + (src.Row(y)[x] & 3));
    for (int t : {0, 1, 2, 3, 128, 253, 254, 255}) {
      ExpectMatchesReference(src, t, FloydSteinberg(), FloydSteinbergDither(src, t), "FS dark/bright");
      ExpectMatchesReference(src, t, Stucki(), WideKernelDither(src, t, 4), "Stucki dark/bright");
    }
  }
}

TEST(ErrorDiffusion, AcceptsAnyPixelFormatAndEmptyPictures) {
  RasterImage eight;
  eight.Assign(MakeRandom24(23, 11, 9));
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf8Bit), eight);
  RasterImage as24;
  as24.Assign(eight);
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf24Bit), as24);
  const DitherResults a = FloydSteinbergDither(eight, 128), b = FloydSteinbergDither(as24, 128);
  const DitherResults c = CustomThresholdDither(eight, 100), d = CustomThresholdDither(as24, 100);
  for (int ch = 0; ch < 4; ++ch) {
    EXPECT_TRUE(test::SamePixels24(a[ch], b[ch]));
    EXPECT_TRUE(test::SamePixels24(c[ch], d[ch]));
  }
  const RasterImage empty;
  for (const DitherResults& r : {FloydSteinbergDither(empty, 128), WideKernelDither(empty, 128, 3),
                                 OrderedDither(empty, 1), CustomThresholdDither(empty, 1)})
    for (const RasterImage& ch : r) EXPECT_FALSE(ch.HasImage());
}

}  // namespace
}  // namespace tessalin
