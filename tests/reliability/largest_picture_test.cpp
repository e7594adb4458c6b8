// Every engine family on a picture at the pixel limit and on the extreme shapes
// within it (10000 x 10000, 100000000 x 1, 1 x 100000000). The pictures are
// flat colours and stripes whose results follow from the rules by hand, and
// every output pixel is checked: the far end is where an overflowing index
// lands. Then the refusals just past the limit, before anything big is allocated.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/bordered_copy.h"
#include "core/limits.h"
#include "core/pixel_ops.h"
#include "core/raster_image.h"
#include "core/tessalin_error.h"
#include "core/work_buffers.h"
#include "formats/wbmp_codec.h"
#include "processing/channel.h"
#include "processing/convolve.h"
#include "processing/dither.h"
#include "processing/edge.h"
#include "processing/rotate.h"
#include "processing/scale.h"
#include "reliability/reliability_support.h"
#include "support/test_pictures.h"

// AddressSanitizer's shadow would double the gigabytes these tests use.
#if defined(__SANITIZE_ADDRESS__)
#define TESSALIN_LARGEST_SKIPPED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESSALIN_LARGEST_SKIPPED 1
#endif
#endif

namespace tessalin {
namespace {

using test::Bgr;

constexpr int kSide = 10000;        // 10000 x 10000
constexpr int kLong = 100'000'000;  // 100000000 x 1 and 1 x 100000000
static_assert(int64_t{kSide} * kSide == kMaxPixels && kLong == kMaxPixels);

constexpr int kSharpning2 = 2;

Bgr Grey(int v) { return {static_cast<uint8_t>(v), static_cast<uint8_t>(v), static_cast<uint8_t>(v)}; }
int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

template <typename Rule>
RasterImage Make24(int width, int height, Rule rule) {
  RasterImage image = NewRaster(PixelFormat::pf24Bit, height, width);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = image.Row(y);
    for (int x = 0; x < width; ++x, row += 3) {
      const Bgr p = rule(x, y);
      row[0] = p.b, row[1] = p.g, row[2] = p.r;
    }
  }
  return image;
}

// A 1-bit picture whose pixel (x, y) is white where `white(x, y)`.
template <typename Rule>
RasterImage Make1Bit(int width, int height, Rule white) {
  RasterImage image = NewRaster(PixelFormat::pf1Bit, height, width);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = image.Row(y);
    for (int x = 0; x < width; ++x) {
      const uint8_t bit = static_cast<uint8_t>(0x80 >> (x % 8));
      if (white(x, y))
        row[x / 8] |= bit;
      else
        row[x / 8] &= static_cast<uint8_t>(~bit);
    }
  }
  return image;
}

// Empty when `image` is a width x height pf24Bit picture whose every pixel is
// rule(x, y); otherwise what differs first.
template <typename Rule>
std::string Mismatch(const RasterImage& image, int width, int height, Rule rule) {
  if (image.Format() != PixelFormat::pf24Bit) return "not a 24-bit picture";
  if (image.Width() != width || image.Height() != height)
    return "size " + std::to_string(image.Width()) + " x " + std::to_string(image.Height()) + ", expected " +
           std::to_string(width) + " x " + std::to_string(height);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = image.Row(y);
    for (int x = 0; x < width; ++x, row += 3) {
      const Bgr want = rule(x, y);
      if (row[0] != want.b || row[1] != want.g || row[2] != want.r)
        return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is " + std::to_string(row[0]) +
               " " + std::to_string(row[1]) + " " + std::to_string(row[2]) + ", expected " +
               std::to_string(want.b) + " " + std::to_string(want.g) + " " + std::to_string(want.r);
    }
  }
  return "";
}

class LargestPicture : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef TESSALIN_LARGEST_SKIPPED
    GTEST_SKIP() << "pictures at the pixel limit are too big for AddressSanitizer's shadow memory";
#endif
  }
};

// Black-and-white stripes of uneven widths along one coordinate, so that a
// pixel taken from a neighbouring place shows.
bool StripeWhite(int i) { return (i / 3 + i / 1000) % 2 == 0; }

// ---- the limit itself and the raster ----

TEST_F(LargestPicture, TheLimitAdmitsTheThreeShapesAndNothingPast) {
  EXPECT_TRUE(WithinPixelLimit(kSide, kSide));
  EXPECT_TRUE(WithinPixelLimit(kLong, 1));
  EXPECT_TRUE(WithinPixelLimit(1, kLong));
  EXPECT_FALSE(WithinPixelLimit(kSide + 1, kSide));
  EXPECT_FALSE(WithinPixelLimit(kLong + 1, 1));
  EXPECT_FALSE(WithinPixelLimit(1, kLong + 1));
  EXPECT_THROW(NewRaster(PixelFormat::pf24Bit, 1, kLong + 1), TessalinError);
  EXPECT_THROW(NewRaster(PixelFormat::pf1Bit, kSide, kSide + 1), TessalinError);
}

TEST_F(LargestPicture, PixelFormatConversionsKeepEveryPixelOfTheLongShapes) {
  // 1 bit across the whole wide row: 12.5 million bytes, most significant bit first.
  RasterImage wide = Make24(kLong, 1, [](int x, int) { return Grey(StripeWhite(x) ? 255 : 0); });
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf1Bit), wide);
  ASSERT_EQ(wide.Format(), PixelFormat::pf1Bit);
  ASSERT_EQ(wide.RowBytes(), size_t{12'500'000});
  int wrong = -1;
  for (int x = 0; x < kLong && wrong < 0; ++x)
    if (((wide.Row(0)[x / 8] >> (7 - x % 8)) & 1) != (StripeWhite(x) ? 1 : 0)) wrong = x;
  EXPECT_EQ(wrong, -1) << "first wrong bit at column " << wrong;
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf24Bit), wide);
  EXPECT_EQ(Mismatch(wide, kLong, 1, [](int x, int) { return Grey(StripeWhite(x) ? 255 : 0); }), "");

  // 4 bits down the tall column: one index in the high nibble of each row.
  RasterImage tall = Make24(1, kLong, [](int, int y) { return Grey(StripeWhite(y) ? 255 : 0); });
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf4Bit), tall);
  ASSERT_EQ(tall.Format(), PixelFormat::pf4Bit);
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf24Bit), tall);
  EXPECT_EQ(Mismatch(tall, 1, kLong, [](int, int y) { return Grey(StripeWhite(y) ? 255 : 0); }), "");
}

// ---- pixel operations and the colour model ----

TEST_F(LargestPicture, PixelOperationsReachTheFarEnd) {
  const auto colour = [](int x, int y) {
    return Bgr{static_cast<uint8_t>(x % 251), static_cast<uint8_t>(y % 241),
               static_cast<uint8_t>((x + y) % 239)};
  };
  {
    const RasterImage square = Make24(kSide, kSide, colour);
    EXPECT_EQ(Mismatch(EtcModelImage(2, square), kSide, kSide,
                       [&](int x, int y) {
                         const Bgr p = colour(x, y);
                         return Bgr{static_cast<uint8_t>(255 - p.b), static_cast<uint8_t>(255 - p.g),
                                    static_cast<uint8_t>(255 - p.r)};
                       }),
              "");
  }
  {
    const RasterImage wide = Make24(kLong, 1, colour);
    EXPECT_EQ(Mismatch(MirrorImage(0, wide), kLong, 1, [&](int x, int) { return colour(kLong - 1 - x, 0); }),
              "");
  }
  {
    const RasterImage tall = Make24(1, kLong, colour);
    EXPECT_EQ(Mismatch(MirrorImage(1, tall), 1, kLong, [&](int, int y) { return colour(0, kLong - 1 - y); }),
              "");
  }
  {
    // A grey v has intensity v, saturation 0 and hue 0: the composite is blue v only.
    const auto grey = [](int, int y) { return Grey(y % 256); };
    const RasterImage tall = Make24(1, kLong, grey);
    EXPECT_EQ(Mismatch(HSIModelImage(3, tall), 1, kLong,
                       [](int, int y) {
                         return Bgr{static_cast<uint8_t>(y % 256), 0, 0};
                       }),
              "");
  }
}

// ---- the bordered copy ----

TEST_F(LargestPicture, TheWideBorderedCopyOfTheSquarePassesTheLimitByItsBorder) {
  // Kind 1: two pixels at the sides and top, one at the bottom, white corner
  // blocks, the HSI plane (2.4 GB) beside it.
  const auto grey = [](int x, int y) { return (x * 7 + y * 3) % 256; };
  {
    const RasterImage square = Make24(kSide, kSide, [&](int x, int y) { return Grey(grey(x, y)); });
    WorkBuffers buffers;
    BuildBorderedCopy(buffers, square, 1);
    ASSERT_EQ(buffers.Width(), kSide + 4);
    ASSERT_EQ(buffers.Height(), kSide + 3);
    ASSERT_TRUE(buffers.HasHsi());
    const auto expected = [&](int bx, int by) {
      const bool sideColumn = bx < 2 || bx >= kSide + 2;
      if (sideColumn && (by < 2 || by == kSide + 2)) return 255;
      const int x = bx < 2 ? 0 : (bx >= kSide + 2 ? kSide - 1 : bx - 2);
      const int y = by < 2 ? 0 : (by >= kSide + 2 ? kSide - 1 : by - 2);
      return grey(x, y);
    };
    std::string wrong;
    for (int by = 0; by < kSide + 3 && wrong.empty(); ++by)
      for (int bx = 0; bx < kSide + 4; ++bx) {
        const int v = expected(bx, by);
        const uint8_t* p = buffers.RgbAt(bx, by);
        const HSIColor& hsi = buffers.HsiAt(bx, by);
        if (p[0] != v || p[1] != v || p[2] != v || hsi.I != v || hsi.S != 0 || hsi.H != 0) {
          wrong = "cell (" + std::to_string(bx) + ", " + std::to_string(by) + ")";
          break;
        }
      }
    EXPECT_EQ(wrong, "");
  }
}

// ---- convolution and edges ----

TEST_F(LargestPicture, SharpeningAFlatGreyDoublesItEverywhere) {
  // Sharpning2 sums to 2; the replicated border keeps the edge pixels flat too.
  const RasterImage square = Make24(kSide, kSide, [](int, int) { return Grey(60); });
  EXPECT_EQ(
      Mismatch(ConvolvePicture(square, 3, kSharpning2, 7), kSide, kSide, [](int, int) { return Grey(127); }),
      "");
}

TEST_F(LargestPicture, SharpeningTheIntensityOfATallOneBitColumn) {
  // From the colour sums of the bordered copy. One column: the row above and
  // the row below are three equal neighbours each, the own row two, so the
  // value is 10 i - 2 i - 3 (above + below), clamped, plus the bias.
  const RasterImage tall = Make1Bit(1, kLong, [](int, int y) { return StripeWhite(y); });
  ConvolveSource prepared;
  PrepareConvolveSource(prepared, tall, false);
  const RasterImage out = ConvolveChannel(prepared, 6, kSharpning2, 10);
  ReleaseWorkBuffers(prepared);
  const auto i = [](int y) { return StripeWhite(y < 0 ? 0 : (y >= kLong ? kLong - 1 : y)) ? 255 : 0; };
  EXPECT_EQ(Mismatch(out, 1, kLong,
                     [&](int, int y) {
                       return Grey(Clamp255(Clamp255(8 * i(y) - 3 * (i(y - 1) + i(y + 1))) + 10));
                     }),
            "");
  // Blouring's intensity without an HSI plane, the triples worked out row by
  // row: 255 (4 above + 8 own + 4 below) / 16 for the white ones, rounded half
  // to even after the bias.
  const auto white = [&](int y) { return i(y) == 255 ? 1 : 0; };
  EXPECT_EQ(Mismatch(ConvolvePicture(tall, 6, 0, 10), 1, kLong,
                     [&](int, int y) {
                       const int n = 4 * white(y - 1) + 8 * white(y) + 4 * white(y + 1);
                       return Grey(Clamp255(static_cast<int>(std::nearbyint(255.0 * n / 16 + 10))));
                     }),
            "");
}

TEST_F(LargestPicture, BlurringTheIntensityPlaneOfAOneBitSquare) {
  // Through the HSI plane: a white pixel has intensity 255, so the value is
  // 255 n / 16 for n sixteenths of white neighbours (exact in doubles),
  // rounded half to even after the bias.
  const auto white = [](int x, int y) {
    x = x < 0 ? 0 : (x >= kSide ? kSide - 1 : x);
    y = y < 0 ? 0 : (y >= kSide ? kSide - 1 : y);
    return StripeWhite(x + 5 * y);
  };
  const RasterImage square = Make1Bit(kSide, kSide, white);
  ConvolveSource prepared;
  PrepareConvolveSource(prepared, square);
  const RasterImage out = ConvolveChannel(prepared, 6, 0, 10);
  ReleaseWorkBuffers(prepared);
  constexpr int kWeights[3][3] = {{1, 2, 1}, {2, 4, 2}, {1, 2, 1}};
  EXPECT_EQ(Mismatch(out, kSide, kSide,
                     [&](int x, int y) {
                       int n = 0;
                       for (int dy = -1; dy <= 1; ++dy)
                         for (int dx = -1; dx <= 1; ++dx)
                           if (white(x + dx, y + dy)) n += kWeights[dy + 1][dx + 1];
                       return Grey(Clamp255(static_cast<int>(std::nearbyint(255.0 * n / 16 + 10))));
                     }),
            "");
}

TEST_F(LargestPicture, EdgeOperatorsFindTheStripesToTheLastColumn) {
  {
    // One row: the rows above and below repeat it, so HomoGeneity is the larger
    // step to the left or right neighbour (the ends repeat themselves).
    const auto g = [](int x) { return StripeWhite(x < 0 ? 0 : (x >= kLong ? kLong - 1 : x)) ? 200 : 50; };
    const RasterImage wide = Make24(kLong, 1, [&](int x, int) { return Grey(g(x)); });
    // The colour channels need no HSI plane, which would be 7.2 GB for this row.
    EdgeSource prepared;
    PrepareConvolveSource(prepared, wide, false);
    const RasterImage out = EdgeChannel(prepared, 1, 3, 5);
    ReleaseWorkBuffers(prepared);
    EXPECT_EQ(Mismatch(out, kLong, 1,
                       [&](int x, int) {
                         return Grey(std::max(std::abs(g(x) - g(x - 1)), std::abs(g(x) - g(x + 1))) + 5);
                       }),
              "");
  }
  {
    // Difference on the intensity of the square: the largest of the four
    // opposite-neighbour steps, the border repeating the edge pixels.
    const auto g = [](int x, int y) {
      x = x < 0 ? 0 : (x >= kSide ? kSide - 1 : x);
      y = y < 0 ? 0 : (y >= kSide ? kSide - 1 : y);
      return StripeWhite(x + 2 * y) ? 240 : 20;
    };
    const RasterImage square = Make24(kSide, kSide, [&](int x, int y) { return Grey(g(x, y)); });
    EdgeSource prepared;
    PrepareEdgeSource(prepared, square);
    const RasterImage out = EdgeChannel(prepared, 0, 6, 3);
    ReleaseWorkBuffers(prepared);
    EXPECT_EQ(Mismatch(out, kSide, kSide,
                       [&](int x, int y) {
                         const int m = std::max(std::max(std::abs(g(x - 1, y - 1) - g(x + 1, y + 1)),
                                                         std::abs(g(x, y - 1) - g(x, y + 1))),
                                                std::max(std::abs(g(x + 1, y - 1) - g(x - 1, y + 1)),
                                                         std::abs(g(x - 1, y) - g(x + 1, y))));
                         return Grey(Clamp255(m + 3));
                       }),
              "");
  }
}

// ---- dithering ----

template <typename Rule>
void ExpectAllFour(const DitherResults& results, int width, int height, Rule grey) {
  for (int c = 0; c < 4; ++c)
    EXPECT_EQ(Mismatch(results[c], width, height, [&](int x, int y) { return Grey(grey(x, y)); }), "")
        << "result " << c;
}

TEST_F(LargestPicture, OrderedDitherOfAFlatGreyRepeatsItsMatrix) {
  // Grey 100 is white where the matrix threshold is at most 100.
  {
    const RasterImage square = Make24(kSide, kSide, [](int, int) { return Grey(100); });
    constexpr int kTwo[2][2] = {{255, 0}, {0, 255}};  // thresholds 0 128 / 192 64
    ExpectAllFour(OrderedDither(square, 0), kSide, kSide, [&](int x, int y) { return kTwo[y % 2][x % 2]; });
  }
  {
    const RasterImage tall = Make24(1, kLong, [](int, int) { return Grey(100); });
    // Column 0 of the 4 x 4 matrix: 0, 192, 48, 240.
    constexpr int kFirstColumn[4] = {255, 0, 255, 0};
    ExpectAllFour(OrderedDither(tall, 1), 1, kLong, [&](int, int y) { return kFirstColumn[y % 4]; });
  }
}

// Black and white quantise without error, so nothing is carried and every
// result is the picture itself, wherever the scan runs.
bool DiffusionWhite(int x, int y) { return StripeWhite(x + 3 * y); }
int DiffusionGrey(int x, int y) { return DiffusionWhite(x, y) ? 255 : 0; }

TEST_F(LargestPicture, FloydSteinbergOfPureBlackAndWhiteLeavesTheTallColumnAsItIs) {
  const RasterImage tall = Make24(1, kLong, [](int x, int y) { return Grey(DiffusionGrey(x, y)); });
  ExpectAllFour(FloydSteinbergDither(tall, 128), 1, kLong, DiffusionGrey);
}

TEST_F(LargestPicture, JarvisJudiceNinkeOfPureBlackAndWhiteLeavesTheSquareAsItIs) {
  // The wide kernel's bordered copy, 10004 x 10003, passes the limit.
  const RasterImage square = Make1Bit(kSide, kSide, DiffusionWhite);
  ExpectAllFour(WideKernelDither(square, 128, 3), kSide, kSide, DiffusionGrey);
}

// ---- rotation ----

TEST_F(LargestPicture, QuarterTurnsSwapTheLongShapes) {
  const auto colour = [](int i) {
    return Bgr{static_cast<uint8_t>(i % 253), static_cast<uint8_t>(i / 253 % 256),
               static_cast<uint8_t>(i / 7 % 256)};
  };
  {
    // Output (x, y) is source column y, row H - 1 - x.
    const RasterImage wide = Make24(kLong, 1, [&](int x, int) { return colour(x); });
    EXPECT_EQ(Mismatch(RotateImage90(wide), 1, kLong, [&](int, int y) { return colour(y); }), "");
  }
  {
    const RasterImage tall = Make24(1, kLong, [&](int, int y) { return colour(y); });
    EXPECT_EQ(Mismatch(RotateImage90(tall), kLong, 1, [&](int x, int) { return colour(kLong - 1 - x); }), "");
  }
}

TEST_F(LargestPicture, FreeRotationByNothingWithFitGivesTheSquareBack) {
  // cos 0 = 1 and sin 0 = 0 exactly: every sample lands on its own pixel. Fit
  // adds |cos(1.570796327)| x 10000, about 2e-6, which truncation drops.
  const auto colour = [](int x, int y) {
    return Bgr{static_cast<uint8_t>(x % 256), static_cast<uint8_t>(y % 256),
               static_cast<uint8_t>((x ^ y) % 256)};
  };
  const RasterImage square = Make24(kSide, kSide, colour);
  EXPECT_EQ(Mismatch(RotateImage(square, true, 0), kSide, kSide, colour), "");
}

// ---- scaling ----

TEST_F(LargestPicture, ReductionAndMagnificationMeetTheLimit) {
  // 2 x 2 blocks of base + 0, 2, 4, 6: their mean is base + 3, no rounding.
  const auto base = [](int bx, int by) { return (bx * 5 + by * 11) % 240; };
  {
    const RasterImage square = Make24(
        kSide, kSide, [&](int x, int y) { return Grey(base(x / 2, y / 2) + 2 * (x % 2) + 4 * (y % 2)); });
    EXPECT_EQ(Mismatch(ReduceImage(square, 2, 2), kSide / 2, kSide / 2,
                       [&](int x, int y) { return Grey(base(x, y) + 3); }),
              "");
  }
  {
    // Up to the limit again: each pixel of the half-size picture becomes a 2 x 2 block.
    const RasterImage half = Make24(kSide / 2, kSide / 2, [&](int x, int y) { return Grey(base(x, y)); });
    EXPECT_EQ(Mismatch(MagnifyImage(half, 2, 2), kSide, kSide,
                       [&](int x, int y) { return Grey(base(x / 2, y / 2)); }),
              "");
  }
  {
    // Half of a flat row is flat; the tall column halves to no column at all.
    const RasterImage wide = Make24(kLong, 1, [](int, int) { return Bgr{10, 20, 30}; });
    EXPECT_EQ(Mismatch(ReduceImage(wide, 1, 2), kLong / 2, 1, [](int, int) { return Bgr{10, 20, 30}; }), "");
    const RasterImage tall = Make24(1, kLong, [](int, int) { return Bgr{10, 20, 30}; });
    const RasterImage none = ScaleByMenuTag(tall, 50);
    EXPECT_FALSE(none.HasImage());
    EXPECT_EQ(none.Width(), 0);
    EXPECT_EQ(none.Height(), kLong / 2);
  }
}

// ---- channel correction ----

TEST_F(LargestPicture, ChannelCorrectionsOfTheLongShapes) {
  {
    // A grey stays grey (saturation 0): only the intensity offset moves it.
    const RasterImage tall = Make24(1, kLong, [](int, int y) { return Grey(y % 256); });
    ChannelOffsets offsets;
    offsets.i = 20;
    EXPECT_EQ(Mismatch(ApplyChannelCorrection(tall, offsets), 1, kLong,
                       [](int, int y) { return Grey(Clamp255(y % 256 + 20)); }),
              "");
  }
  {
    const RasterImage wide = Make24(kLong, 1, [](int x, int) {
      return Bgr{1, 2, static_cast<uint8_t>(x % 256)};
    });
    EXPECT_EQ(Mismatch(ChannelThresholdImage(wide, 0, -10), kLong, 1,
                       [](int x, int) { return Grey(Clamp255(x % 256 - 10)); }),
              "");
  }
}

// ---- the WBMP writer ----

// The writer's recipe for a grey picture with neighbours g(x -/+ 1) along the
// long side only: Sharpning2's intensity 10 g - (3 g_before + 2 g + 3 g_after),
// clamped, plus the bias, clamped; Monochrome makes 128 and above white.
bool WbmpWhite(int before, int own, int after, int bias) {
  const int v = Clamp255(Clamp255(8 * own - 3 * (before + after)) + bias);
  return v >= 128;
}

TEST_F(LargestPicture, WbmpWriterReducesTheLongShapes) {
  constexpr int kBias = 64;
  const auto g = [](int i) { return StripeWhite(i < 0 ? 0 : (i >= kLong ? kLong - 1 : i)) ? 100 : 30; };
  // 100000000 = 47 * 128^3 + 87 * 128^2 + 66 * 128 + 0.
  const std::vector<uint8_t> longSide = {0xAF, 0xD7, 0xC2, 0x00};
  {
    const RasterImage wide = Make24(kLong, 1, [&](int x, int) { return Grey(g(x)); });
    const std::vector<uint8_t> file = EncodeWbmp(wide, kBias);
    std::vector<uint8_t> header = {0, 0};
    header.insert(header.end(), longSide.begin(), longSide.end());
    header.push_back(0x01);
    ASSERT_EQ(file.size(), header.size() + 12'500'000);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), file.begin()));
    int wrong = -1;
    for (int x = 0; x < kLong && wrong < 0; ++x) {
      const bool bit = (file[header.size() + x / 8] >> (7 - x % 8)) & 1;
      if (bit != WbmpWhite(g(x - 1), g(x), g(x + 1), kBias)) wrong = x;
    }
    EXPECT_EQ(wrong, -1) << "first wrong bit at column " << wrong;
  }
  {
    const RasterImage tall = Make24(1, kLong, [&](int, int y) { return Grey(g(y)); });
    const std::vector<uint8_t> file = EncodeWbmp(tall, kBias);
    std::vector<uint8_t> header = {0, 0, 0x01};
    header.insert(header.end(), longSide.begin(), longSide.end());
    ASSERT_EQ(file.size(), header.size() + static_cast<size_t>(kLong));
    EXPECT_TRUE(std::equal(header.begin(), header.end(), file.begin()));
    int wrong = -1;
    for (int y = 0; y < kLong && wrong < 0; ++y)
      if (file[header.size() + y] != (WbmpWhite(g(y - 1), g(y), g(y + 1), kBias) ? 0x80 : 0x00)) wrong = y;
    EXPECT_EQ(wrong, -1) << "first wrong byte at row " << wrong;
  }
}

// ---- refusals past the limit ----

// Small enough for the sanitized build: this one always runs.
TEST(PastTheLimit, OutputsAreRefusedBeforeAnythingBigIsAllocated) {
  // 1-bit sources: 12.5 MB each, while their 24-bit copies would take 300 MB.
  const RasterImage square = Make1Bit(kSide, kSide, [](int x, int y) { return (x + y) % 2 == 0; });
  const RasterImage tall = Make1Bit(1, kLong, [](int, int y) { return y % 2 == 0; });
  const auto expectRefused = [](const char* what, auto run) {
    test::ResetLargestAllocation();
    try {
      run();
      ADD_FAILURE() << what << " was not refused";
    } catch (const TessalinError& e) {
      EXPECT_NE(std::string(e.what()).find("limit"), std::string::npos) << what << ": " << e.what();
    }
    EXPECT_LT(test::LargestAllocation(), size_t{1} << 20) << what;
  };
  // A 45 degree turn with Fit needs 14142 x 14142 pixels.
  expectRefused("rotation by 45 degrees with Fit", [&] { RotateImage(square, true, 45); });
  expectRefused("magnification to 15000 rows", [&] { MagnifyImage(square, 1.5, 1); });
  expectRefused("the 101 % menu scale", [&] { ScaleByMenuTag(square, 101); });
  expectRefused("doubling the width of the tall column", [&] { MagnifyImage(tall, 1, 2); });
  // An ordinary picture asked for far too much: its 24-bit copy alone is 12 MB.
  const RasterImage eightBit = NewRaster(PixelFormat::pf8Bit, 2000, 2000);
  expectRefused("ten times a 2000 x 2000 picture", [&] { MagnifyImage(eightBit, 10, 10); });
}

}  // namespace
}  // namespace tessalin
