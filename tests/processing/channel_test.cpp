#include "processing/channel.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/colour_model.h"
#include "core/pixel_ops.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using test::Bgr;
using test::MakeFlat24;
using test::MakeGradient;
using test::MakeRandom24;
using test::PixelAt;

// The straightforward rule, pixel by pixel, without the memo or the threads.
RasterImage Reference(const RasterImage& source, const ChannelOffsets& o) {
  RasterImage out = NewRaster(PixelFormat::pf24Bit, source.Height(), source.Width());
  for (int y = 0; y < source.Height(); ++y)
    for (int x = 0; x < source.Width(); ++x) {
      const Bgr p = PixelAt(source, x, y);
      const BgrTriple v = CorrectChannelPixel(p.r, p.g, p.b, o);
      test::SetPixelAt(out, x, y, {v.b, v.g, v.r});
    }
  return out;
}

TEST(ChannelCorrection, FastPathMatchesThePixelRuleOnLargeRandomPictures) {
  // Large enough for the worker threads, odd sizes for uneven bands.
  const RasterImage source = MakeRandom24(397, 251, 7);
  for (const ChannelOffsets& o : {ChannelOffsets{}, ChannelOffsets{40, -70, 13, 25, -0.3, 9},
                                  ChannelOffsets{-255, 255, 0, -360, 1.0, -255}}) {
    EXPECT_TRUE(test::SamePixels24(ApplyChannelCorrection(source, o), Reference(source, o)));
  }
}

TEST(ChannelCorrection, OnePassCompositeEqualsTheModelOperation) {
  const RasterImage source = MakeRandom24(311, 263, 12);
  for (const ChannelOffsets& o : {ChannelOffsets{}, ChannelOffsets{-20, 35, 0, 100, 0.2, -15}}) {
    const ChannelCorrection both = ApplyChannelCorrectionWithComposite(source, o);
    EXPECT_TRUE(test::SamePixels24(both.corrected, Reference(source, o)));
    EXPECT_TRUE(test::SamePixels24(both.composite, HSIModelImage(3, both.corrected)));
  }
  EXPECT_FALSE(ApplyChannelCorrectionWithComposite(RasterImage(), ChannelOffsets{}).composite.HasImage());
}

TEST(ChannelCorrection, PixelRuleFollowsTheOrderRgbThenHsi) {
  // RGB offsets clamp the bytes before the HSI step.
  const ChannelOffsets redUp{255, 0, 0, 0, 0, 0};
  const HSIColor expected = RGBToHSI(255, 30, 200);
  const BgrTriple back = HSIToRGB(expected);
  const BgrTriple got = CorrectChannelPixel(10, 30, 200, redUp);
  EXPECT_EQ(got.r, back.r);
  EXPECT_EQ(got.g, back.g);
  EXPECT_EQ(got.b, back.b);
  EXPECT_NEAR(got.r, 255, 1);

  // Saturation -1 leaves grey at round(I), I = sum / 3.
  for (int sum : {0, 1, 2, 300, 301, 302, 764, 765}) {
    const uint8_t r = static_cast<uint8_t>(std::min(255, sum));
    const uint8_t g = static_cast<uint8_t>(std::min(255, std::max(0, sum - 255)));
    const uint8_t b = static_cast<uint8_t>(std::max(0, sum - 510));
    const BgrTriple v = CorrectChannelPixel(r, g, b, ChannelOffsets{0, 0, 0, 0, -1.0, 0});
    const int grey = (sum + 1) / 3;  // round(sum / 3): a third never ties
    EXPECT_EQ(v.r, grey) << sum;
    EXPECT_EQ(v.g, grey) << sum;
    EXPECT_EQ(v.b, grey) << sum;
  }
}

TEST(ChannelCorrection, HueClampsAtThreeSixtyWithoutWrapping) {
  // Every hue pushed to 360 lands on the red hue: green and blue equal (up to
  // the cosine of the ten-digit constants), red the largest.
  const RasterImage source = MakeRandom24(40, 30, 3);
  const RasterImage out = ApplyChannelCorrection(source, ChannelOffsets{0, 0, 0, 360, 0, 0});
  for (int y = 0; y < out.Height(); ++y)
    for (int x = 0; x < out.Width(); ++x) {
      const Bgr p = PixelAt(out, x, y);
      EXPECT_LE(std::abs(p.g - p.b), 1) << x << "," << y;
      EXPECT_GE(p.r + 1, p.g);
    }
}

TEST(ChannelCorrection, ZeroOffsetsRoundTripWithinOneStep) {
  const RasterImage source = MakeGradient(64, 48);
  const RasterImage out = ApplyChannelCorrection(source, ChannelOffsets{});
  ASSERT_EQ(out.Width(), 64);
  ASSERT_EQ(out.Height(), 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      const Bgr a = PixelAt(source, x, y), b = PixelAt(out, x, y);
      EXPECT_LE(std::abs(a.r - b.r), 1);
      EXPECT_LE(std::abs(a.g - b.g), 1);
      EXPECT_LE(std::abs(a.b - b.b), 1);
    }
}

TEST(ChannelCorrection, IntensityOffsetSaturatesAndEmptyStaysEmpty) {
  const RasterImage white =
      ApplyChannelCorrection(MakeFlat24(5, 3, 10, 200, 90), ChannelOffsets{0, 0, 0, 0, 0, 255});
  // I clamped to 255 with some saturation left: the brightest bytes hit 255.
  EXPECT_EQ(std::max({PixelAt(white, 2, 1).r, PixelAt(white, 2, 1).g, PixelAt(white, 2, 1).b}), 255);
  const RasterImage black =
      ApplyChannelCorrection(MakeFlat24(5, 3, 10, 200, 90), ChannelOffsets{0, 0, 0, 0, 0, -255});
  EXPECT_EQ(PixelAt(black, 4, 2), (Bgr{0, 0, 0}));
  EXPECT_FALSE(ApplyChannelCorrection(RasterImage(), ChannelOffsets{1, 1, 1, 1, 0.5, 1}).HasImage());
}

TEST(ChannelSampling, PicksTheGivenColumnsAndRows) {
  const RasterImage picture = MakeGradient(9, 6);
  const RasterImage sample = SamplePixels(picture, {0, 0, 4, 8}, {5, 2});
  ASSERT_EQ(sample.Width(), 4);
  ASSERT_EQ(sample.Height(), 2);
  EXPECT_EQ(PixelAt(sample, 0, 0), PixelAt(picture, 0, 5));
  EXPECT_EQ(PixelAt(sample, 1, 0), PixelAt(picture, 0, 5));
  EXPECT_EQ(PixelAt(sample, 2, 1), PixelAt(picture, 4, 2));
  EXPECT_EQ(PixelAt(sample, 3, 1), PixelAt(picture, 8, 2));
  EXPECT_FALSE(SamplePixels(picture, {}, {1}).HasImage());
}

TEST(ChannelThreshold, SelectsOneByteAndAddsTheClampedOffset) {
  RasterImage picture = MakeFlat24(3, 2, 0, 0, 0);
  test::SetPixelAt(picture, 0, 0, {10, 20, 30});  // b, g, r
  test::SetPixelAt(picture, 1, 0, {250, 240, 230});
  test::SetPixelAt(picture, 2, 1, {5, 6, 7});
  const RasterImage red = ChannelThresholdImage(picture, 0, 40);
  EXPECT_EQ(PixelAt(red, 0, 0), (Bgr{70, 70, 70}));
  EXPECT_EQ(PixelAt(red, 1, 0), (Bgr{255, 255, 255}));
  EXPECT_EQ(PixelAt(red, 2, 1), (Bgr{47, 47, 47}));
  const RasterImage green = ChannelThresholdImage(picture, 1, -20);
  EXPECT_EQ(PixelAt(green, 0, 0), (Bgr{0, 0, 0}));
  EXPECT_EQ(PixelAt(green, 1, 0), (Bgr{220, 220, 220}));
  const RasterImage blue = ChannelThresholdImage(picture, 2, 0);
  EXPECT_EQ(PixelAt(blue, 0, 0), (Bgr{10, 10, 10}));
  EXPECT_EQ(PixelAt(blue, 2, 1), (Bgr{5, 5, 5}));
}

}  // namespace
}  // namespace tessalin
