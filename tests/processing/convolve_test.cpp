#include "processing/convolve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "core/colour_model.h"
#include "core/pixel_ops.h"
#include "core/bordered_copy.h"
#include "core/tessalin_error.h"
#include "processing/convolve_rounding.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using test::Bgr;
using test::MakeFlat24;
using test::MakeRandom24;
using test::PixelAt;
using test::SetPixelAt;

// The kernels again, written out from the table rather than shared with the engine.
struct RefKernel {
  double k1[9], k2[9];
  bool magnitude;
};

RefKernel RefKernelOf(int kind) {
  const double s = 1.0 / 16, n = -1.0 / 9;
  switch (kind) {
    case 0: return {{s, 2 * s, s, 2 * s, 4 * s, 2 * s, s, 2 * s, s}, {}, false};
    case 1: return {{0, -1, 0, -1, 5, -1, 0, -1, 0}, {}, false};
    case 2: return {{-1, -1, -1, -1, 10, -1, -1, -1, -1}, {}, false};
    case 3: return {{1, -2, 1, -2, 5, -2, 1, -2, 1}, {}, false};
    case 4: return {{n, n, n, n, 8.0 / 9, n, n, n, n}, {}, false};
    case 5: return {{0, 0, -1, 0, 0, 0, 1, 0, 0}, {}, false};
    case 6: return {{0, -1, 0, -1, 4, -1, 0, -1, 0}, {}, false};
    case 7:
    case 8: return {{-1, -1, -1, -1, 8, -1, -1, -1, -1}, {}, false};
    case 9: return {{1, 0, -1, 2, 0, -2, 1, 0, -1}, {1, 2, 1, 0, 0, 0, -1, -2, -1}, true};
    case 10: return {{0, 0, -1, 0, 1, 0, 0, 0, 0}, {0, -1, 0, 0, 0, 1, 0, 0, 0}, true};
    default: return {{-1, 0, 1, -1, 0, 1, -1, 0, 1}, {-1, -1, -1, 0, 0, 0, 1, 1, 1}, true};
  }
}

int ClampCoord(int v, int n) { return v < 0 ? 0 : (v >= n ? n - 1 : v); }

uint8_t Byte(long double x) {
  const long double r = std::nearbyintl(x);
  return static_cast<uint8_t>(r < 0 ? 0 : (r > 255 ? 255 : static_cast<int>(r)));
}

double Clamp(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Straight from the rules, on the source itself with clamped coordinates
// (no bordered copy, no work buffers).
RasterImage ReferenceConvolve(const RasterImage& src, int channel, int kind, int bias) {
  const RefKernel k = RefKernelOf(kind);
  const int W = src.Width(), H = src.Height();
  RasterImage out = NewRaster(PixelFormat::pf24Bit, H, W);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      double a1[3] = {0, 0, 0}, a2[3] = {0, 0, 0};  // red/hue, green/saturation, blue/intensity
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const int j = (dy + 1) * 3 + dx + 1;
          const Bgr p = PixelAt(src, ClampCoord(x + dx, W), ClampCoord(y + dy, H));
          double v[3] = {double(p.r), double(p.g), double(p.b)};
          if (channel >= 4) {
            const HSIColor hsi = RGBToHSI(p.r, p.g, p.b);
            v[0] = hsi.H, v[1] = hsi.S, v[2] = hsi.I;
          }
          for (int c = 0; c < 3; ++c) {
            a1[c] = static_cast<double>(static_cast<long double>(a1[c]) + static_cast<long double>(k.k1[j]) * v[c]);
            a2[c] = static_cast<double>(static_cast<long double>(a2[c]) + static_cast<long double>(k.k2[j]) * v[c]);
          }
        }
      uint8_t r, g, b;
      if (channel < 4) {
        uint8_t o[3];
        for (int c = 0; c < 3; ++c) {
          const long double sum = k.magnitude ? std::fabs(static_cast<long double>(a1[c])) + std::fabs(static_cast<long double>(a2[c]))
                                              : static_cast<long double>(a1[c]);
          o[c] = Byte(sum + bias);
        }
        r = o[0], g = o[1], b = o[2];
      } else {
        double h, s, i;
        if (k.magnitude) {
          const auto mag = [&](int c) {
            return Clamp(static_cast<double>(std::fabs(static_cast<long double>(a1[c])) +
                                             std::fabs(static_cast<long double>(a2[c]))),
                         0, 255);
          };
          h = mag(0), s = mag(1), i = mag(2);
        } else {
          h = Clamp(a1[0], 0, 360), s = Clamp(a1[1], 0, 1), i = Clamp(a1[2], 0, 255);
        }
        r = Byte(static_cast<long double>(h) / 360 * 255 + bias);
        g = Byte(static_cast<long double>(s) * 255 + bias);
        b = Byte(static_cast<long double>(i) + bias);
      }
      switch (channel % 4) {
        case 0: SetPixelAt(out, x, y, {r, r, r}); break;
        case 1: SetPixelAt(out, x, y, {g, g, g}); break;
        case 2: SetPixelAt(out, x, y, {b, b, b}); break;
        default: SetPixelAt(out, x, y, {b, g, r}); break;
      }
    }
  return out;
}

struct Prepared {
  explicit Prepared(const RasterImage& picture) { PrepareConvolveSource(source, picture); }
  ~Prepared() { ReleaseWorkBuffers(source); }
  ConvolveSource source;
};

void ExpectEverywhere(const RasterImage& image, Bgr expected, const std::string& what) {
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x)
      ASSERT_EQ(PixelAt(image, x, y), expected) << what << " at " << x << "," << y;
}

TEST(ConvolveFlat, GreyPicturesGiveTheKernelSumTimesTheValuePlusBias) {
  // Sums of K1: Blouring, Sharpning1 and Sharpning3 keep the value, Sharpning2
  // doubles it, Sharpning4, emboss, Laplacians and every magnitude kind give 0.
  const int kernelSum[12] = {1, 1, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0};
  for (int v : {0, 100, 200}) {
    Prepared p(MakeFlat24(5, 4, v, v, v));
    for (int bias : {0, 7, -20, 300}) {
      for (int kind = 0; kind < 12; ++kind) {
        const int rgb = std::clamp(kernelSum[kind] * v + bias, 0, 255);
        // H and S of grey are 0; I is clamped to 0..255 before the bias is added.
        const int i = std::clamp(std::clamp(kernelSum[kind] * v, 0, 255) + bias, 0, 255);
        const uint8_t zero = static_cast<uint8_t>(std::clamp(bias, 0, 255));
        const uint8_t c = static_cast<uint8_t>(rgb), ib = static_cast<uint8_t>(i);
        const std::string what = "v " + std::to_string(v) + " bias " + std::to_string(bias) + " kind " + std::to_string(kind);
        for (int channel = 0; channel < 4; ++channel)
          ExpectEverywhere(ConvolveChannel(p.source, channel, kind, bias), {c, c, c}, what + " ch " + std::to_string(channel));
        ExpectEverywhere(ConvolveChannel(p.source, 4, kind, bias), {zero, zero, zero}, what + " H");
        ExpectEverywhere(ConvolveChannel(p.source, 5, kind, bias), {zero, zero, zero}, what + " S");
        ExpectEverywhere(ConvolveChannel(p.source, 6, kind, bias), {ib, ib, ib}, what + " I");
        ExpectEverywhere(ConvolveChannel(p.source, 7, kind, bias), {ib, zero, zero}, what + " HSI");
      }
    }
  }
}

TEST(ConvolveFlat, IntensityIsClampedBeforeTheOffsetUnlikeTheRgbOutputs) {
  Prepared p(MakeFlat24(3, 3, 200, 200, 200));
  EXPECT_EQ(PixelAt(ConvolveChannel(p.source, 6, 2, -20), 1, 1), (Bgr{235, 235, 235}));
  EXPECT_EQ(PixelAt(ConvolveChannel(p.source, 0, 2, -20), 1, 1), (Bgr{255, 255, 255}));
}

TEST(ConvolveFlat, ColourPictureThroughBlouringKeepsEachChannel) {
  Prepared p(MakeFlat24(4, 6, 30, 140, 250));
  ExpectEverywhere(ConvolveChannel(p.source, 3, 0, 0), {250, 140, 30}, "RGB");
  ExpectEverywhere(ConvolveChannel(p.source, 0, 0, 0), {30, 30, 30}, "R");
  ExpectEverywhere(ConvolveChannel(p.source, 1, 0, 0), {140, 140, 140}, "G");
  ExpectEverywhere(ConvolveChannel(p.source, 2, 0, 0), {250, 250, 250}, "B");
}

TEST(ConvolveKernels, EmbossWeightsLowerLeftUpAndUpperRightDown) {
  RasterImage picture = MakeFlat24(5, 5, 0, 0, 0);
  SetPixelAt(picture, 2, 2, {100, 100, 100});
  Prepared p(picture);
  const RasterImage out = ConvolveChannel(p.source, 3, 5, 128);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) {
      uint8_t v = 128;
      if (x == 3 && y == 1) v = 228;  // upper-right of the lit pixel
      if (x == 1 && y == 3) v = 28;   // lower-left
      EXPECT_EQ(PixelAt(out, x, y), (Bgr{v, v, v})) << x << "," << y;
    }
  // Saturates at both ends.
  SetPixelAt(picture, 2, 2, {200, 200, 200});
  Prepared q(picture);
  EXPECT_EQ(PixelAt(ConvolveChannel(q.source, 0, 5, 128), 3, 1).r, 255);
  EXPECT_EQ(PixelAt(ConvolveChannel(q.source, 0, 5, 128), 1, 3).r, 0);
}

TEST(ConvolveKernels, RobertsUsesThePixelItsRightAndTheRowAbove) {
  // K1 = centre - upper-right, K2 = right - up.
  RasterImage picture = MakeFlat24(3, 3, 0, 0, 0);
  SetPixelAt(picture, 1, 0, {0, 0, 40});  // up of the centre
  SetPixelAt(picture, 2, 0, {0, 0, 10});  // upper-right
  SetPixelAt(picture, 1, 1, {0, 0, 25});  // centre
  SetPixelAt(picture, 2, 1, {0, 0, 5});   // right
  Prepared p(picture);
  // |25 - 10| + |5 - 40| = 50
  EXPECT_EQ(PixelAt(ConvolveChannel(p.source, 0, 10, 0), 1, 1).r, 50);
}

TEST(ConvolveKernels, OnePixelPictureSeesItselfNineTimes) {
  Prepared p(MakeFlat24(1, 1, 10, 20, 30));
  EXPECT_EQ(PixelAt(ConvolveChannel(p.source, 3, 2, 0), 0, 0), (Bgr{60, 40, 20}));
  EXPECT_EQ(PixelAt(ConvolveChannel(p.source, 3, 0, 0), 0, 0), (Bgr{30, 20, 10}));
  EXPECT_EQ(PixelAt(ConvolveChannel(p.source, 3, 7, 9), 0, 0), (Bgr{9, 9, 9}));
}

TEST(ConvolveRounding, HalvesGoToEven) {
  // Blouring of a lone centre c gives c / 4 there: 10 -> 2.5 -> 2, 14 -> 3.5 -> 4.
  for (auto [c, expected] : {std::pair{10, 2}, {14, 4}, {6, 2}, {18, 4}}) {
    RasterImage picture = MakeFlat24(3, 3, 0, 0, 0);
    SetPixelAt(picture, 1, 1, {0, 0, static_cast<uint8_t>(c)});
    Prepared p(picture);
    EXPECT_EQ(PixelAt(ConvolveChannel(p.source, 0, 0, 0), 1, 1).r, expected) << c;
    EXPECT_EQ(PixelAt(ConvolveChannel(p.source, 3, 0, 0), 1, 1).r, expected) << c;
  }
}

TEST(ConvolveMagnitude, HueMagnitudeIsCappedAt255BeforeScaling) {
  const RasterImage picture = MakeRandom24(40, 30, 5);
  Prepared p(picture);
  for (int kind = 9; kind <= 11; ++kind) {
    const RasterImage hue = ConvolveChannel(p.source, 4, kind, 0);
    int highest = 0;
    for (int y = 0; y < hue.Height(); ++y)
      for (int x = 0; x < hue.Width(); ++x) highest = std::max<int>(highest, PixelAt(hue, x, y).r);
    EXPECT_EQ(highest, 181) << kind;  // round(255 * 255 / 360), reached on a picture this busy
  }
}

TEST(ConvolveSize, EmptySourceGivesEmptyResults) {
  ConvolveSource source;
  PrepareConvolveSource(source, RasterImage());
  for (int channel = 0; channel < 8; ++channel) EXPECT_FALSE(ConvolveChannel(source, channel, 2, 0).HasImage());
  ReleaseWorkBuffers(source);
}

TEST(ConvolveSize, WithoutTheHsiBufferOnlyTheDirectLoopRefusesHsiOutputs) {
  ConvolveSource source;
  PrepareConvolveSource(source, MakeRandom24(6, 5, 3), false);
  EXPECT_FALSE(source.buffers.HasHsi());
  EXPECT_TRUE(ConvolveChannel(source, 3, 4, 0).HasImage());
  EXPECT_TRUE(ConvolveChannel(source, 5, 2, 0).HasImage());
  EXPECT_THROW(ConvolveChannelDirect(source, 5, 2, 0), TessalinError);
  ReleaseWorkBuffers(source);
  EXPECT_TRUE(source.buffers.Empty());
}

TEST(ConvolveSize, BorderByRowsMatchesTheBorderedCopy) {
  for (auto [w, h] : {std::pair{1, 1}, {1, 5}, {6, 1}, {7, 4}}) {
    const RasterImage picture = MakeRandom24(w, h, 11);
    EXPECT_TRUE(test::SamePixels24(MakeConvolveBorder(picture), MakeBorderedRaster(picture, 0))) << w << "x" << h;
  }
}

TEST(ConvolveRounding, FastByteRoundingMatchesNearbyint) {
  std::mt19937_64 rng(4);
  std::uniform_real_distribution<double> wide(-600, 600);
  for (int i = 0; i < 200000; ++i) {
    const long double x = i % 2 ? static_cast<long double>(wide(rng)) : (static_cast<int>(rng() % 1200) - 600) / 2.0L;
    const long double r = std::nearbyintl(x);
    const int expected = r < 0 ? 0 : (r > 255 ? 255 : static_cast<int>(r));
    ASSERT_EQ(RoundedByte(x), expected) << static_cast<double>(x);
  }
  for (long double x : {-1.0L, -0.5L, 0.5L, 1.5L, 2.5L, 254.5L, 255.5L, 256.0L, 1e30L, -1e30L})
    EXPECT_EQ(RoundedByte(x), std::clamp(static_cast<int>(std::nearbyintl(x > 1e6L ? 1e6L : (x < -1e6L ? -1e6L : x))), 0, 255));
}

// The integer rounding of the intensity shortcut against the real-number rule.
TEST(ConvolveFastPaths, IntensityFromWholeSumsMatchesRealRounding) {
  for (int divisor : {3, 27})
    for (long long t = -7000; t <= 8000; ++t)
      for (int bias : {-300, -128, -1, 0, 1, 64, 255}) {
        const double value = Clamp(static_cast<double>(t) / divisor, 0, 255);
        const int expected = std::clamp(static_cast<int>(std::nearbyint(value)) + bias, 0, 255);
        ASSERT_EQ(IntensityByteFromSums(t, divisor, bias), expected) << t << "/" << divisor << " bias " << bias;
      }
}

// Fast paths (whole-number sums, threads) against the direct loop, and the
// direct loop against the rules, on random pictures of awkward sizes.
TEST(ConvolveFastPaths, SameBytesAsTheDirectLoopAndTheRules) {
  const std::pair<int, int> sizes[] = {{1, 1}, {1, 9}, {9, 1}, {2, 2}, {7, 3}, {13, 11}, {31, 4}, {3, 17}};
  unsigned seed = 1;
  for (auto [w, h] : sizes) {
    const RasterImage picture = MakeRandom24(w, h, seed++);
    Prepared p(picture);
    for (int kind = 0; kind < 12; ++kind)
      for (int channel = 0; channel < 8; ++channel)
        for (int bias : {0, 64, -37, 150, 400}) {
          const RasterImage direct = ConvolveChannelDirect(p.source, channel, kind, bias);
          ASSERT_TRUE(test::SamePixels24(ConvolveChannel(p.source, channel, kind, bias), direct))
              << w << "x" << h << " kind " << kind << " channel " << channel << " bias " << bias;
          if (bias == 0 || bias == -37) {
            ASSERT_TRUE(test::SamePixels24(ReferenceConvolve(picture, channel, kind, bias), direct))
                << w << "x" << h << " kind " << kind << " channel " << channel << " bias " << bias;
          }
        }
  }
}

TEST(ConvolveFastPaths, ThreadedBandsOnALargerPicture) {
  const RasterImage picture = MakeRandom24(333, 241, 77);  // big enough to be split
  Prepared p(picture);
  for (int kind : {0, 2, 4, 9})
    for (int channel = 0; channel < 8; ++channel)
      ASSERT_TRUE(test::SamePixels24(ConvolveChannel(p.source, channel, kind, 5),
                                     ConvolveChannelDirect(p.source, channel, kind, 5)))
          << "kind " << kind << " channel " << channel;
}

// Without the HSI plane the triples are worked out row by row, band by band.
TEST(ConvolveFastPaths, HsiChannelsWithoutTheHsiPlaneGiveTheSameBytes) {
  const std::pair<int, int> sizes[] = {{1, 1}, {1, 9}, {9, 1}, {2, 2}, {13, 11}, {3, 17}, {333, 241}};
  unsigned seed = 500;
  for (auto [w, h] : sizes) {
    const RasterImage picture = MakeRandom24(w, h, seed++);
    Prepared withPlane(picture);
    ConvolveSource rowsOnly;
    PrepareConvolveSource(rowsOnly, picture, false);
    ASSERT_FALSE(rowsOnly.buffers.HasHsi());
    for (int kind = 0; kind < 12; ++kind)
      for (int channel = 4; channel < 8; ++channel)
        for (int bias : {0, -37, 150}) {
          if (w * h > 1000 && (bias != 0 || kind % 3 != 0)) continue;  // the large one: a few kinds
          ASSERT_TRUE(test::SamePixels24(ConvolveChannel(rowsOnly, channel, kind, bias),
                                         ConvolveChannelDirect(withPlane.source, channel, kind, bias)))
              << w << "x" << h << " kind " << kind << " channel " << channel << " bias " << bias;
        }
    ReleaseWorkBuffers(rowsOnly);
  }
}

TEST(ConvolveFastPaths, PictureRowsGiveTheSameBytesAsThePreparedSource) {
  const std::pair<int, int> sizes[] = {{1, 1}, {1, 6}, {5, 1}, {10, 9}, {300, 200}};
  unsigned seed = 900;
  for (auto [w, h] : sizes) {
    const RasterImage picture = MakeRandom24(w, h, seed++);
    Prepared p(picture);
    for (int kind = 0; kind < 12; ++kind)
      for (int channel = 0; channel < 8; ++channel)
        ASSERT_TRUE(test::SamePixels24(ConvolvePicture(picture, channel, kind, 9),
                                       ConvolveChannel(p.source, channel, kind, 9)))
            << w << "x" << h << " kind " << kind << " channel " << channel;
  }
}

// Blouring's hue, saturation and intensity sums land on exact halves often on
// smooth pictures; only the reading order of the products fixes those bytes.
TEST(ConvolveRounding, BlouringOfHsiFollowsTheReadingOrder) {
  RasterImage picture = NewRaster(PixelFormat::pf24Bit, 20, 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      SetPixelAt(picture, x, y, {static_cast<uint8_t>(x * 3), static_cast<uint8_t>(y * 5), static_cast<uint8_t>(x + y)});
  Prepared p(picture);
  for (int channel : {4, 5, 6, 7})
    EXPECT_TRUE(test::SamePixels24(ConvolveChannel(p.source, channel, 0, 0), ReferenceConvolve(picture, channel, 0, 0)))
        << channel;
}

// Greys (hue and saturation 0), black (intensity 0), white and flat patches
// put the sums on clamp bounds and whole values, where the double-precision
// estimates must leave the bytes to the rule.
TEST(ConvolveRounding, HsiEstimatesLeaveBoundsAndHalvesToTheRule) {
  RasterImage picture = MakeRandom24(23, 19, 61);
  for (int y = 0; y < 19; ++y)
    for (int x = 0; x < 23; ++x) {
      const uint8_t v = static_cast<uint8_t>(x * 11);
      if (y < 5) SetPixelAt(picture, x, y, {v, v, v});
      else if (y < 8) SetPixelAt(picture, x, y, x < 12 ? Bgr{0, 0, 0} : Bgr{255, 255, 255});
      else if (y < 13) SetPixelAt(picture, x, y, PixelAt(picture, x / 4 * 4, 8));
    }
  for (int kind = 0; kind < 9; ++kind)
    for (int channel = 4; channel < 8; ++channel)
      for (int bias : {0, 1, -37, 128})
        ASSERT_TRUE(test::SamePixels24(ConvolvePicture(picture, channel, kind, bias),
                                       ReferenceConvolve(picture, channel, kind, bias)))
            << "kind " << kind << " channel " << channel << " bias " << bias;
}

}  // namespace
}  // namespace tessalin

namespace tessalin {
namespace {

// The buffers loaded straight from the picture must hold the bytes and doubles
// of the bordered copy loaded the general way, edges and corners included.
TEST(ConvolveFastPaths, BorderedBuffersMatchTheBorderedCopyLoadedWhole) {
  const int sizes[][2] = {{1, 1}, {1, 9}, {9, 1}, {2, 2}, {13, 7}, {301, 203}};
  for (const auto& wh : sizes) {
    const RasterImage picture = MakeRandom24(wh[0], wh[1], static_cast<unsigned>(7 * wh[0] + wh[1]));
    for (bool withHsi : {false, true}) {
      SCOPED_TRACE(std::to_string(wh[0]) + " x " + std::to_string(wh[1]) + (withHsi ? " with HSI" : ""));
      WorkBuffers expected, direct;
      LoadWorkBuffers(expected, MakeBorderedRaster(picture, 0), withHsi);
      LoadBorderedWorkBuffers(direct, picture, withHsi);
      ASSERT_EQ(direct.Width(), wh[0] + 2);
      ASSERT_EQ(direct.Height(), wh[1] + 2);
      ASSERT_EQ(direct.RgbBytes(), expected.RgbBytes());
      EXPECT_EQ(std::memcmp(direct.Rgb(), expected.Rgb(), expected.RgbBytes()), 0);
      ASSERT_EQ(direct.HasHsi(), withHsi);
      if (withHsi) {
        ASSERT_EQ(direct.HsiBytes(), expected.HsiBytes());
        EXPECT_EQ(std::memcmp(direct.Hsi(), expected.Hsi(), expected.HsiBytes()), 0);
        // Spot check against the colour model itself: the corner repeats pixel (0, 0).
        const uint8_t* p = picture.Row(0);
        const HSIColor corner = RGBToHSI(p[2], p[1], p[0]);
        EXPECT_EQ(direct.HsiAt(0, 0).H, corner.H);
        EXPECT_EQ(direct.HsiAt(0, 0).I, corner.I);
      }
    }
  }
  WorkBuffers busy;
  LoadBorderedWorkBuffers(busy, MakeRandom24(3, 3, 1), false);
  EXPECT_THROW(LoadBorderedWorkBuffers(busy, MakeRandom24(3, 3, 1), false), TessalinError);
  WorkBuffers other;
  RasterImage eightBit = MakeRandom24(4, 4, 2);
  ConvertPixelFormat(3, eightBit);
  EXPECT_THROW(LoadBorderedWorkBuffers(other, eightBit, false), TessalinError);
}

}  // namespace
}  // namespace tessalin
