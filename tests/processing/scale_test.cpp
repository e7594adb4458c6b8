#include "processing/scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "core/pixel_ops.h"
#include "processing/screen_fit.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using test::Bgr;
using test::MakeFlat24;
using test::MakeRandom24;
using test::PixelAt;
using test::SetPixelAt;

// Pixel at column c and row r counted from the bottom.
Bgr Bottom(const RasterImage& image, int c, int r) { return PixelAt(image, c, image.Height() - 1 - r); }

TEST(ScaleByMenuTag, HundredPercentGivesAnEqualPicture) {
  const RasterImage src = MakeRandom24(17, 9, 3);
  EXPECT_TRUE(test::SamePixels24(ScaleByMenuTag(src, 100), src));
  EXPECT_TRUE(test::SamePixels24(ReduceImage(src, 1, 1), src));
  EXPECT_TRUE(test::SamePixels24(MagnifyImage(src, 1, 1), src));
  EXPECT_ANY_THROW(ScaleByMenuTag(src, 0));
}

TEST(ReduceImage, HalfOfFiveByFiveAveragesTheLowerLeftBlocks) {
  RasterImage src = MakeRandom24(5, 5, 21);
  // The top row and the right column are dropped; make them stand out.
  for (int i = 0; i < 5; ++i) {
    SetPixelAt(src, i, 0, {255, 255, 255});
    SetPixelAt(src, 4, i, {255, 255, 255});
  }
  const RasterImage out = ScaleByMenuTag(src, 50);
  ASSERT_EQ(out.Width(), 2);
  ASSERT_EQ(out.Height(), 2);
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 2; ++c) {
      int sum[3] = {0, 0, 0};
      for (int dr = 0; dr < 2; ++dr)
        for (int dc = 0; dc < 2; ++dc) {
          const Bgr p = Bottom(src, 2 * c + dc, 2 * r + dr);
          sum[0] += p.b;
          sum[1] += p.g;
          sum[2] += p.r;
        }
      const Bgr got = Bottom(out, c, r);
      const int bytes[3] = {got.b, got.g, got.r};
      for (int k = 0; k < 3; ++k) {
        // Round half to even by hand: 4 * mean = sum.
        const int q = sum[k] / 4, rem = sum[k] % 4;
        const int expected = rem > 2 || (rem == 2 && q % 2 == 1) ? q + 1 : q;
        EXPECT_EQ(bytes[k], expected) << c << "," << r << " byte " << k;
      }
    }
}

TEST(ReduceImage, BlockMeansRoundHalfToEven) {
  RasterImage src = NewRaster(PixelFormat::pf24Bit, 2, 4);
  // Left block 2, 3, 2, 3 (mean 2.5), right block 3, 4, 3, 4 (mean 3.5).
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) {
      const uint8_t v = static_cast<uint8_t>((x < 2 ? 2 : 3) + (x % 2));
      SetPixelAt(src, x, y, {v, v, v});
    }
  const RasterImage out = ReduceImage(src, 2, 2);
  ASSERT_EQ(out.Width(), 2);
  EXPECT_EQ(PixelAt(out, 0, 0), (Bgr{2, 2, 2}));
  EXPECT_EQ(PixelAt(out, 1, 0), (Bgr{4, 4, 4}));
}

TEST(ReduceImage, SeventyFivePercentPicksSinglePixels) {
  const RasterImage src = MakeRandom24(4, 4, 5);
  const RasterImage out = ScaleByMenuTag(src, 75);
  ASSERT_EQ(out.Width(), 3);
  ASSERT_EQ(out.Height(), 3);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(Bottom(out, c, r), Bottom(src, c, r));  // trunc of 0, 1.33, 2.67
}

TEST(ReduceImage, QuarterAndThreePercentAverageLargeBlocks) {
  const RasterImage src = MakeRandom24(9, 8, 6);
  const RasterImage quarter = ScaleByMenuTag(src, 25);
  ASSERT_EQ(quarter.Width(), 2);
  ASSERT_EQ(quarter.Height(), 2);
  int sum = 0;
  for (int r = 4; r < 8; ++r)
    for (int c = 4; c < 8; ++c) sum += Bottom(src, c, r).g;
  EXPECT_NEAR(Bottom(quarter, 1, 1).g, sum / 16.0, 0.5);

  // The dialog's 3 %: f = 33.3, blocks of 33 x 33.
  const double f = std::strtod(ThreeSignificantDigits(100.0 / 3).c_str(), nullptr);
  EXPECT_EQ(f, 33.3);
  // Black with white columns 32 and 65 (the last of blocks 0 and 1) and 66
  // (the first of block 2, which starts at trunc(66.6)).
  RasterImage big = MakeFlat24(100, 67, 0, 0, 0);
  for (int y = 0; y < 67; ++y)
    for (int x : {32, 65, 66}) SetPixelAt(big, x, y, {255, 255, 255});
  const RasterImage small = ReduceImage(big, f, f);
  ASSERT_EQ(small.Width(), 3);
  ASSERT_EQ(small.Height(), 2);
  // Each block holds one white column: round(33 * 255 / 1089) = round(7.73) = 8.
  for (int r = 0; r < 2; ++r) {
    EXPECT_EQ(Bottom(small, 0, r).r, 8);
    EXPECT_EQ(Bottom(small, 1, r).r, 8);
    EXPECT_EQ(Bottom(small, 2, r).r, 8);
  }
}

TEST(ReduceImage, FactorsTooLargeGiveAnEmptyPictureAndBelowOneAreRefused) {
  EXPECT_FALSE(ReduceImage(MakeRandom24(50, 50, 1), 100, 100).HasImage());
  EXPECT_ANY_THROW(ReduceImage(MakeRandom24(5, 5, 1), 0.4, 0.4));
  EXPECT_ANY_THROW(ReduceImage(MakeRandom24(5, 5, 1), 2, std::nan("")));
  EXPECT_ANY_THROW(MagnifyImage(MakeRandom24(5, 5, 1), 0, 1));
  EXPECT_ANY_THROW(MagnifyImage(MakeRandom24(500, 500, 1), 1000, 1000));  // past the pixel limit
}

TEST(MagnifyImage, ThreeHundredPercentRepeatsEachPixelThreeTimesEachWay) {
  const RasterImage src = MakeRandom24(2, 2, 9);
  const RasterImage out = ScaleByMenuTag(src, 300);
  ASSERT_EQ(out.Width(), 6);
  ASSERT_EQ(out.Height(), 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(PixelAt(out, x, y), PixelAt(src, x / 3, y / 3));
}

TEST(MagnifyImage, HundredTwentyFivePercentRepeatsTheFirstColumn) {
  const RasterImage src = MakeRandom24(4, 3, 10);
  const RasterImage out = ScaleByMenuTag(src, 125);
  ASSERT_EQ(out.Width(), 5);
  ASSERT_EQ(out.Height(), 3);  // trunc(3.75)
  const int columns[5] = {0, 0, 1, 2, 3}, rows[3] = {0, 0, 1};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 5; ++c) EXPECT_EQ(Bottom(out, c, r), Bottom(src, columns[c], rows[r]));
  // Rows are counted from the bottom: 4 rows at 125 % give 5, the bottom one doubled.
  const RasterImage tall = ScaleByMenuTag(MakeRandom24(1, 4, 11), 125);
  ASSERT_EQ(tall.Height(), 5);
  const RasterImage tallSrc = MakeRandom24(1, 4, 11);
  EXPECT_EQ(Bottom(tall, 0, 1), Bottom(tallSrc, 0, 0));
  EXPECT_EQ(Bottom(tall, 0, 4), Bottom(tallSrc, 0, 3));
}

// The rules written out per pixel: block means by division, ties to even,
// and nearest source pixels, rows counted from the bottom.
RasterImage ReferenceReduce(const RasterImage& src, double f) {
  const int W = src.Width(), H = src.Height();
  const int outW = static_cast<int>(W / static_cast<long double>(f)), outH = static_cast<int>(H / static_cast<long double>(f));
  const int b = static_cast<int>(std::nearbyint(f));
  RasterImage out = NewRaster(PixelFormat::pf24Bit, outH, outW);
  for (int r = 0; r < outH; ++r)
    for (int c = 0; c < outW; ++c) {
      const int sr = static_cast<int>(r * static_cast<long double>(f)), sc = static_cast<int>(c * static_cast<long double>(f));
      long long sum[3] = {0, 0, 0};
      for (int dr = 0; dr < b; ++dr)
        for (int dc = 0; dc < b; ++dc) {
          const Bgr p = Bottom(src, sc + dc, sr + dr);
          sum[0] += p.b, sum[1] += p.g, sum[2] += p.r;
        }
      uint8_t v[3];
      for (int k = 0; k < 3; ++k) v[k] = static_cast<uint8_t>(std::nearbyint(static_cast<long double>(sum[k]) / (b * b)));
      SetPixelAt(out, c, outH - 1 - r, {v[0], v[1], v[2]});
    }
  return out;
}

RasterImage ReferenceMagnify(const RasterImage& src, double f) {
  const int outW = static_cast<int>(src.Width() * static_cast<long double>(f));
  const int outH = static_cast<int>(src.Height() * static_cast<long double>(f));
  RasterImage out = NewRaster(PixelFormat::pf24Bit, outH, outW);
  for (int r = 0; r < outH; ++r)
    for (int c = 0; c < outW; ++c)
      SetPixelAt(out, c, outH - 1 - r,
                 Bottom(src, static_cast<int>(c / static_cast<long double>(f)), static_cast<int>(r / static_cast<long double>(f))));
  return out;
}

TEST(Scaling, MatchTheRulesOnRandomOddPictures) {
  // Factor 71 makes blocks of 5041 pixels: past the table of means, by division.
  const std::pair<int, int> sizes[] = {{1, 1}, {3, 2}, {17, 9}, {31, 45}, {150, 143}};
  unsigned seed = 40;
  for (auto [w, h] : sizes) {
    const RasterImage src = MakeRandom24(w, h, seed++);
    for (double f : {1.0, 100.0 / 75, 2.0, 2.5, 3.0, 4.0, 33.3, 71.0})
      ASSERT_TRUE(test::SamePixels24(ReduceImage(src, f, f), ReferenceReduce(src, f))) << w << "x" << h << " / " << f;
    for (double f : {1.0, 1.25, 1.5, 2.0, 3.0, 5.0})
      ASSERT_TRUE(test::SamePixels24(MagnifyImage(src, f, f), ReferenceMagnify(src, f))) << w << "x" << h << " * " << f;
  }
}

TEST(Scaling, OtherFormatsAreConvertedFirst) {
  RasterImage eight;
  eight.Assign(MakeRandom24(12, 10, 2));
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf8Bit), eight);
  RasterImage as24;
  as24.Assign(eight);
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf24Bit), as24);
  EXPECT_TRUE(test::SamePixels24(ScaleByMenuTag(eight, 50), ScaleByMenuTag(as24, 50)));
  EXPECT_TRUE(test::SamePixels24(ScaleByMenuTag(eight, 200), ScaleByMenuTag(as24, 200)));
}

// Sizing for a screen: the factors must land the scale engines' own truncated
// sizes exactly on the requested pixels, for every pair of sizes, although
// from / to rounded to a double can cut one pixel off.
TEST(ScreenFit, ExactFactorsReachEveryRequestedSize) {
  for (int from = 1; from <= 700; ++from)
    for (int to = 1; to <= from; ++to) {
      const double f = ExactReductionFactor(from, to);
      ASSERT_GE(f, 1.0);
      ASSERT_EQ(static_cast<int>(static_cast<long double>(from) / f), to) << from << " to " << to;
    }
  for (int from = 1; from <= 120; ++from)
    for (int to = from; to <= 1200; ++to) {
      const double f = ExactMagnificationFactor(from, to);
      ASSERT_GE(f, 1.0);
      ASSERT_EQ(static_cast<int>(static_cast<long double>(from) * f), to) << from << " to " << to;
    }
}

TEST(ScreenFit, FitKeepsProportionsAndResizeReachesTheSize) {
  struct Case {
    int w, h, maxW, maxH, fitW, fitH;
  };
  // 451 x 300 into 128 x 64: one factor of 300 / 64 = 4.6875 for both directions.
  const Case cases[] = {{451, 300, 128, 64, 96, 64},  {451, 300, 96, 65, 96, 63}, {128, 64, 128, 64, 128, 64},
                        {60, 40, 176, 208, 60, 40},   {1000, 3, 128, 64, 128, 1}, {3, 900, 101, 80, 1, 80},
                        {640, 480, 101, 80, 101, 75}, {17, 17, 5, 9, 5, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " into " + std::to_string(c.maxW) + "x" +
                 std::to_string(c.maxH));
    const RasterImage src = MakeRandom24(c.w, c.h, static_cast<unsigned>(c.w + c.h));
    const RasterImage fit = FitInside(src, c.maxW, c.maxH);
    EXPECT_EQ(fit.Width(), c.fitW);
    EXPECT_EQ(fit.Height(), c.fitH);
    const RasterImage resized = ResizeTo(src, c.maxW, c.maxH);
    EXPECT_EQ(resized.Width(), c.maxW);
    EXPECT_EQ(resized.Height(), c.maxH);
  }
  // The fit is the engine's own reduction by that one factor.
  const RasterImage src = MakeRandom24(451, 300, 8);
  EXPECT_TRUE(test::SamePixels24(FitInside(src, 128, 64), ReduceImage(src, 4.6875, 4.6875)));
  // Shrinking one way and growing the other: block means of 11 across, each row twice down.
  EXPECT_TRUE(test::SamePixels24(ResizeTo(src, 41, 600), MagnifyImage(ReduceImage(src, 1, 11), 2, 1)));
}

TEST(ThreeSignificantDigits, GeneralFormatWithThreeDigits) {
  EXPECT_EQ(ThreeSignificantDigits(100.0 / 75), "1.33");
  EXPECT_EQ(ThreeSignificantDigits(100.0 / 3), "33.3");
  EXPECT_EQ(ThreeSignificantDigits(100.0 / 7), "14.3");
  EXPECT_EQ(ThreeSignificantDigits(100.0 / 6), "16.7");
  EXPECT_EQ(ThreeSignificantDigits(100.0 / 32), "3.13");  // exactly 3.125
  EXPECT_EQ(ThreeSignificantDigits(100.0 / 64), "1.56");
  EXPECT_EQ(ThreeSignificantDigits(1), "1");
  EXPECT_EQ(ThreeSignificantDigits(100), "100");
  EXPECT_EQ(ThreeSignificantDigits(2.5), "2.5");
  EXPECT_EQ(ThreeSignificantDigits(105 / 100.0), "1.05");
  EXPECT_EQ(ThreeSignificantDigits(500 / 100.0), "5");
  EXPECT_EQ(ThreeSignificantDigits(99.96), "100");
  EXPECT_EQ(ThreeSignificantDigits(1234), "1.23E3");
  EXPECT_EQ(ThreeSignificantDigits(0.05), "0.05");
  // Every factor the dialog can make reads back within half a unit of the third digit.
  for (int p = 1; p <= 500; ++p) {
    const double f = p <= 100 ? 100.0 / p : p / 100.0;
    const double back = std::strtod(ThreeSignificantDigits(f).c_str(), nullptr);
    const double unit = f >= 100 ? 1 : (f >= 10 ? 0.1 : 0.01);
    EXPECT_LE(std::fabs(back - f), unit / 2 + 1e-12) << p;
  }
}

}  // namespace
}  // namespace tessalin
