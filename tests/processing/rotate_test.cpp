#include "processing/rotate.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/arithmetic.h"
#include "core/pixel_ops.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using test::Bgr;
using test::MakeFlat24;
using test::MakeRandom24;
using test::PixelAt;
using test::SetPixelAt;
using Ext = long double;

// The rotation written out per pixel, through GetPixel-style access with
// bottom-counted rows, repeating the last column and row at the far border.
RasterImage ReferenceRotate(const RasterImage& src, bool fit, int a) {
  const int W = src.Width(), H = src.Height();
  int d = 360 - a;
  while (d >= 360) d -= 360;
  const Ext theta = static_cast<Ext>(d) * 3.14159265 / 180;
  const Ext cs = std::cos(theta), sn = std::sin(theta), cc = std::cos(1.570796327 - theta);
  const int H2 = fit ? static_cast<int>(std::fabs(cs) * H + std::fabs(cc) * W) : H;
  const int W2 = fit ? static_cast<int>(std::fabs(cc) * H + std::fabs(cs) * W) : W;
  const Ext cy = H / 2.0L, cx = W / 2.0L;
  const int oy = static_cast<int>(std::trunc((H2 - H) / 2.0)),
            ox = static_cast<int>(std::trunc((W2 - W) / 2.0));
  auto p = [&](int c, int r, int k) {
    const Bgr v = PixelAt(src, std::min(c, W - 1), H - 1 - std::min(r, H - 1));
    return k == 0 ? v.b : (k == 1 ? v.g : v.r);
  };
  RasterImage out = NewRaster(PixelFormat::pf24Bit, H2, W2);
  for (int i2 = 0; i2 < H2; ++i2)
    for (int j2 = 0; j2 < W2; ++j2) {
      const int i = i2 - oy, j = j2 - ox;
      const Ext ys = (i - cy) * cs - (j - cx) * sn + cy;
      const Ext xs = (j - cx) * cs + (i - cy) * sn + cx;
      const Ext rt = std::trunc(ys), ct = std::trunc(xs);
      Bgr v{0, 0, 0};
      if (!(ct < 0 || ct > W || rt < 0 || rt > H)) {
        const int r = static_cast<int>(rt), c = static_cast<int>(ct);
        const Ext fx = xs - c, fy = ys - r;
        uint8_t bytes[3];
        for (int k = 0; k < 3; ++k) {
          const Ext lower = p(c, r, k) + fx * (p(c + 1, r, k) - p(c, r, k));
          const Ext upper = p(c, r + 1, k) + fx * (p(c + 1, r + 1, k) - p(c, r + 1, k));
          bytes[k] = static_cast<uint8_t>(
              std::trunc(ClampReal(static_cast<double>(lower + fy * (upper - lower)), 0, 255)));
        }
        v = {bytes[0], bytes[1], bytes[2]};
      }
      SetPixelAt(out, j2, H2 - 1 - i2, v);
    }
  return out;
}

TEST(RotateImage90, TurnsClockwise) {
  const RasterImage src = test::MakeGradient(5, 3);
  const RasterImage out = RotateImage90(src);
  ASSERT_EQ(out.Width(), 3);
  ASSERT_EQ(out.Height(), 5);
  EXPECT_EQ(out.Format(), PixelFormat::pf24Bit);
  // The left column, read bottom to top, becomes the top row.
  for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(out, x, 0), PixelAt(src, 0, 2 - x));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(out, x, y), PixelAt(src, y, 2 - x));
  EXPECT_FALSE(RotateImage90(RasterImage()).HasImage());
}

TEST(RotateImage, NoTurnIsAnExactCopy) {
  const RasterImage src = MakeRandom24(37, 23, 4);
  for (int a : {0, 360, -360}) {
    EXPECT_TRUE(test::SamePixels24(RotateImage(src, false, a), src)) << a;
    EXPECT_TRUE(test::SamePixels24(RotateImage(src, true, a), src)) << a;
  }
}

TEST(RotateImage, QuarterTurnWithFitIsRotateImage90UpToOnePixelAndOneLevel) {
  // The ten-digit pi leaves the samples a hair before whole positions, so
  // each output pixel is its neighbour one row down in RotateImage90, or one
  // level below it.
  const RasterImage src = MakeRandom24(21, 21, 8);
  const RasterImage got = RotateImage(src, true, 90), quarter = RotateImage90(src);
  ASSERT_EQ(got.Width(), 21);
  ASSERT_EQ(got.Height(), 21);
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 21; ++x) {
      const Bgr g = PixelAt(got, x, y), q = PixelAt(quarter, x, std::min(y + 1, 20));
      for (auto [a, b] : {std::pair{g.b, q.b}, {g.g, q.g}, {g.r, q.r}})
        EXPECT_TRUE(a == b || a + 1 == b) << x << "," << y << ": " << int(a) << " vs " << int(b);
    }
  // Not square: the size swaps.
  const RasterImage wide = RotateImage(MakeRandom24(30, 12, 2), true, 90);
  EXPECT_EQ(wide.Width(), 12);
  EXPECT_EQ(wide.Height(), 30);
}

TEST(RotateImage, QuarterTurnsGoClockwiseForPositiveAnglesAndBackForNegative) {
  // Four flat quadrants: red top-left, green top-right, blue bottom-right, white bottom-left.
  RasterImage src = NewRaster(PixelFormat::pf24Bit, 20, 20);
  const Bgr red{0, 0, 255}, green{0, 255, 0}, blue{255, 0, 0}, white{255, 255, 255};
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      SetPixelAt(src, x, y, y < 10 ? (x < 10 ? red : green) : (x < 10 ? white : blue));
  const RasterImage cw = RotateImage(src, false, 90), ccw = RotateImage(src, false, -90);
  EXPECT_EQ(PixelAt(cw, 15, 5), red);
  EXPECT_EQ(PixelAt(cw, 5, 5), white);
  EXPECT_EQ(PixelAt(cw, 15, 15), green);
  EXPECT_EQ(PixelAt(ccw, 5, 15), red);
  EXPECT_EQ(PixelAt(ccw, 5, 5), green);
  EXPECT_EQ(PixelAt(ccw, 15, 15), white);
}

TEST(RotateImage, FortyFiveDegrees) {
  const RasterImage flat = MakeFlat24(40, 30, 200, 100, 50);
  const Bgr colour{50, 100, 200}, black{0, 0, 0};
  const RasterImage cut = RotateImage(flat, false, 45);
  ASSERT_EQ(cut.Width(), 40);
  ASSERT_EQ(cut.Height(), 30);
  for (auto [x, y] : {std::pair{0, 0}, {39, 0}, {0, 29}, {39, 29}}) EXPECT_EQ(PixelAt(cut, x, y), black);
  EXPECT_EQ(PixelAt(cut, 20, 15), colour);  // a flat picture interpolates to itself
  const RasterImage full = RotateImage(flat, true, 45);
  ASSERT_EQ(full.Width(), 49);  // trunc(70 * 0.7071)
  ASSERT_EQ(full.Height(), 49);
  for (auto [x, y] : {std::pair{0, 0}, {48, 0}, {0, 48}, {48, 48}}) EXPECT_EQ(PixelAt(full, x, y), black);
  EXPECT_EQ(PixelAt(full, 24, 24), colour);
  // The whole turned picture fits. Samples count as inside from -1 to W + 1
  // (trunc cuts towards zero, column W is admitted): about 42 x 32 of them.
  int inside = 0;
  for (int y = 0; y < 49; ++y)
    for (int x = 0; x < 49; ++x) {
      const Bgr p = PixelAt(full, x, y);
      EXPECT_TRUE(p == colour || p == black);
      inside += p == colour;
    }
  EXPECT_NEAR(inside, 42 * 32, 60);
  int insideCut = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) insideCut += PixelAt(cut, x, y) == colour;
  EXPECT_LT(insideCut, inside - 200);
}

TEST(RotateImage, MatchesThePerPixelRuleAtManyAngles) {
  const RasterImage src = MakeRandom24(61, 38, 12);
  for (int a : {1, 17, 30, 45, 90, 135, 180, 200, 270, 333, -10, -90, -185, 359})
    for (bool fit : {false, true})
      EXPECT_TRUE(test::SamePixels24(RotateImage(src, fit, a), ReferenceRotate(src, fit, a)))
          << a << " " << fit;
  // Big enough for several row bands.
  const RasterImage big = MakeRandom24(300, 257, 5);
  EXPECT_TRUE(test::SamePixels24(RotateImage(big, true, 33), ReferenceRotate(big, true, 33)));
}

// Random noise, flat patches (four equal neighbours) and slow ramps (values
// a hair from whole numbers at quarter turns) reach every branch of the
// double-precision samples and of the extended-precision ones they leave.
TEST(RotateImage, FastSamplesMatchTheRuleOnOddPicturesAtEveryKindOfAngle) {
  RasterImage patches = MakeRandom24(29, 19, 31), ramp = NewRaster(PixelFormat::pf24Bit, 17, 33);
  for (int y = 0; y < 19; ++y)
    for (int x = 0; x < 29; ++x) SetPixelAt(patches, x, y, PixelAt(patches, x / 6 * 6, y / 5 * 5));
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 33; ++x)
      SetPixelAt(ramp, x, y, {static_cast<uint8_t>(x), static_cast<uint8_t>(2 * y), static_cast<uint8_t>(x + y)});
  const RasterImage pictures[] = {MakeRandom24(1, 1, 3), MakeRandom24(2, 7, 4), MakeRandom24(13, 3, 5),
                                  std::move(patches), std::move(ramp)};
  for (const RasterImage& src : pictures)
    for (int a = -360; a <= 360; a += 15)
      for (bool fit : {false, true})
        ASSERT_TRUE(test::SamePixels24(RotateImage(src, fit, a), ReferenceRotate(src, fit, a)))
            << src.Width() << "x" << src.Height() << " at " << a << " fit " << fit;
}

TEST(RotateImage, ConvertsOtherFormatsAndKeepsTheSource) {
  RasterImage eight;
  eight.Assign(MakeRandom24(13, 9, 1));
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf8Bit), eight);
  RasterImage as24;
  as24.Assign(eight);
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf24Bit), as24);
  EXPECT_TRUE(test::SamePixels24(RotateImage(eight, true, 30), RotateImage(as24, true, 30)));
  EXPECT_EQ(eight.Format(), PixelFormat::pf8Bit);
  EXPECT_FALSE(RotateImage(RasterImage(), true, 45).HasImage());
}

}  // namespace
}  // namespace tessalin
