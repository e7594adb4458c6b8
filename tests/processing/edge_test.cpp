#include "processing/edge.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/colour_model.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using test::Bgr;
using test::MakeFlat24;
using test::MakeRandom24;
using test::PixelAt;
using test::SetPixelAt;

Bgr AsBgr(BgrTriple t) { return {t.b, t.g, t.r}; }

struct Prepared {
  explicit Prepared(const RasterImage& picture) { PrepareEdgeSource(source, picture); }
  ~Prepared() { ReleaseWorkBuffers(source); }
  EdgeSource source;
};

int ClampCoord(int v, int n) { return v < 0 ? 0 : (v >= n ? n - 1 : v); }

// The bytes a pixel shows the operators: B, G, R, or round(I), round(255 S),
// round(255 H / 360) for the HSI channels.
Bgr OperatorBytes(const RasterImage& src, int x, int y, bool hsi) {
  const Bgr p = PixelAt(src, ClampCoord(x, src.Width()), ClampCoord(y, src.Height()));
  if (!hsi) return p;
  const HSIColor c = RGBToHSI(p.r, p.g, p.b);
  return {static_cast<uint8_t>(std::nearbyintl(static_cast<long double>(c.I))),
          static_cast<uint8_t>(std::nearbyintl(static_cast<long double>(c.S) * 255)),
          static_cast<uint8_t>(std::nearbyintl(static_cast<long double>(c.H) * 255 / 360))};
}

// From the rules, on the picture itself with clamped coordinates.
RasterImage ReferenceEdge(const RasterImage& src, int kind, int channel, int bias) {
  const int W = src.Width(), H = src.Height();
  std::vector<Bgr> bytes(static_cast<size_t>(W) * H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) bytes[static_cast<size_t>(y) * W + x] = OperatorBytes(src, x, y, channel >= 4);
  const auto at = [&](int x, int y) { return bytes[static_cast<size_t>(ClampCoord(y, H)) * W + ClampCoord(x, W)]; };
  RasterImage out = NewRaster(PixelFormat::pf24Bit, H, W);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      Bgr n[3][3];
      for (int dy = 0; dy < 3; ++dy)
        for (int dx = 0; dx < 3; ++dx) n[dy][dx] = at(x + dx - 1, y + dy - 1);
      const auto value = [&](const Bgr& p, int c) { return c == 0 ? p.r : (c == 1 ? p.g : p.b); };
      const auto result = [&](int c) {
        int m = 0;
        if (kind == 1) {
          for (int dy = 0; dy < 3; ++dy)
            for (int dx = 0; dx < 3; ++dx) m = std::max(m, std::abs(value(n[1][1], c) - value(n[dy][dx], c)));
        } else {
          m = std::max({std::abs(value(n[0][0], c) - value(n[2][2], c)), std::abs(value(n[0][1], c) - value(n[2][1], c)),
                        std::abs(value(n[0][2], c) - value(n[2][0], c)), std::abs(value(n[1][0], c) - value(n[1][2], c))});
        }
        return static_cast<uint8_t>(std::clamp(m + bias, 0, 255));
      };
      const int form = channel % 4;
      if (form == 3) SetPixelAt(out, x, y, {result(2), result(1), result(0)});
      else SetPixelAt(out, x, y, {result(form), result(form), result(form)});
    }
  return out;
}

void ExpectEverywhere(const RasterImage& image, Bgr expected, const std::string& what) {
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) ASSERT_EQ(PixelAt(image, x, y), expected) << what << " at " << x << "," << y;
}

TEST(EdgeFlat, UniformPictureGivesTheClampedOffsetEverywhere) {
  Prepared p(MakeFlat24(6, 4, 90, 180, 30));
  for (int bias : {0, 10, 300, -5})
    for (int kind = 0; kind < 2; ++kind)
      for (int channel = 0; channel < 8; ++channel) {
        const uint8_t v = static_cast<uint8_t>(std::clamp(bias, 0, 255));
        ExpectEverywhere(EdgeChannel(p.source, kind, channel, bias), {v, v, v},
                         "kind " + std::to_string(kind) + " channel " + std::to_string(channel));
      }
}

TEST(EdgeShapes, VerticalStepMarksTheTwoColumnsBesideIt) {
  RasterImage picture = MakeFlat24(8, 5, 20, 20, 20);
  for (int y = 0; y < 5; ++y)
    for (int x = 4; x < 8; ++x) SetPixelAt(picture, x, y, {170, 170, 170});
  Prepared p(picture);
  for (int kind = 0; kind < 2; ++kind) {
    const RasterImage out = EdgeChannel(p.source, kind, 2, 3);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 8; ++x) {
        const uint8_t v = (x == 3 || x == 4) ? 153 : 3;
        EXPECT_EQ(PixelAt(out, x, y), (Bgr{v, v, v})) << kind << " " << x << "," << y;
      }
  }
}

TEST(EdgeShapes, LonePixelLightsItsNeighbourhood) {
  RasterImage picture = MakeFlat24(5, 5, 0, 0, 0);
  SetPixelAt(picture, 2, 2, {90, 90, 90});
  Prepared p(picture);
  const RasterImage homogeneity = EdgeChannel(p.source, 1, 0, 6);
  const RasterImage difference = EdgeChannel(p.source, 0, 0, 6);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) {
      const bool near = std::abs(x - 2) <= 1 && std::abs(y - 2) <= 1;
      const bool centre = x == 2 && y == 2;
      EXPECT_EQ(PixelAt(homogeneity, x, y).r, near ? 96 : 6) << x << "," << y;
      EXPECT_EQ(PixelAt(difference, x, y).r, near && !centre ? 96 : 6) << x << "," << y;
    }
}

TEST(EdgeShapes, RedStepShowsOnlyInTheRedOutputs) {
  RasterImage picture = MakeFlat24(6, 3, 0, 0, 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 3; x < 6; ++x) SetPixelAt(picture, x, y, {0, 0, 200});
  Prepared p(picture);
  for (int kind = 0; kind < 2; ++kind) {
    const RasterImage rgb = EdgeChannel(p.source, kind, 3, 0);
    const RasterImage red = EdgeChannel(p.source, kind, 0, 0);
    EXPECT_EQ(PixelAt(rgb, 2, 1), (Bgr{0, 0, 200}));
    EXPECT_EQ(PixelAt(rgb, 3, 1), (Bgr{0, 0, 200}));
    EXPECT_EQ(PixelAt(rgb, 0, 1), (Bgr{0, 0, 0}));
    EXPECT_EQ(PixelAt(red, 3, 0), (Bgr{200, 200, 200}));
    ExpectEverywhere(EdgeChannel(p.source, kind, 1, 0), {0, 0, 0}, "green");
    ExpectEverywhere(EdgeChannel(p.source, kind, 2, 0), {0, 0, 0}, "blue");
  }
}

TEST(EdgeShapes, HueWrapAroundIsNotSpecial) {
  // Find reds just either side of 0 degrees whose hue bytes are 254 and 1.
  Bgr below{}, above{};
  for (int b = 1; b < 60; ++b) {
    const HSIColor c = RGBToHSI(255, 0, static_cast<uint8_t>(b));
    if (std::nearbyintl(static_cast<long double>(c.H) * 255 / 360) == 254) below = {static_cast<uint8_t>(b), 0, 255};
  }
  for (int g = 1; g < 60; ++g) {
    const HSIColor c = RGBToHSI(255, static_cast<uint8_t>(g), 0);
    if (std::nearbyintl(static_cast<long double>(c.H) * 255 / 360) == 1) above = {0, static_cast<uint8_t>(g), 255};
  }
  ASSERT_NE(below.b, 0);
  ASSERT_NE(above.g, 0);
  RasterImage picture = MakeFlat24(2, 1, 0, 0, 0);
  SetPixelAt(picture, 0, 0, below);
  SetPixelAt(picture, 1, 0, above);
  Prepared p(picture);
  for (int kind = 0; kind < 2; ++kind) {
    const RasterImage hue = EdgeChannel(p.source, kind, 4, 0);
    EXPECT_EQ(PixelAt(hue, 0, 0).r, 253);
    EXPECT_EQ(PixelAt(hue, 1, 0).r, 253);
  }
}

TEST(EdgeOperators, EachChannelReadsItsOwnByte) {
  EdgeNeighbourhood n;
  for (auto& p : n) p = {100, 100, 100};
  n[0] = {100, 100, 40};   // upper-left: red differs by 60
  n[8] = {100, 100, 100};
  n[3] = {100, 130, 100};  // left: green differs by 30 from the centre and from the right
  n[4] = {107, 100, 100};  // centre: blue differs by 7 from everything
  EXPECT_EQ(AsBgr(DifferenceOperator(0, n, 1)), (Bgr{61, 61, 61}));
  EXPECT_EQ(AsBgr(DifferenceOperator(1, n, 1)), (Bgr{31, 31, 31}));
  EXPECT_EQ(AsBgr(DifferenceOperator(2, n, 1)), (Bgr{1, 1, 1}));  // the centre is not used
  EXPECT_EQ(AsBgr(DifferenceOperator(3, n, 1)), (Bgr{1, 31, 61}));
  EXPECT_EQ(AsBgr(HomogeneityOperator(2, n, 1)), (Bgr{8, 8, 8}));
  EXPECT_EQ(AsBgr(HomogeneityOperator(7, n, -10)), (Bgr{0, 20, 50}));
  EXPECT_EQ(AsBgr(HomogeneityOperator(4, n, 250)), (Bgr{255, 255, 255}));
}

TEST(EdgeEngine, SameBytesAsTheRulesOnRandomPictures) {
  const std::pair<int, int> sizes[] = {{1, 1}, {1, 7}, {7, 1}, {2, 3}, {9, 5}, {17, 12}, {333, 241}};
  unsigned seed = 40;
  for (auto [w, h] : sizes) {
    const RasterImage picture = MakeRandom24(w, h, seed++);
    Prepared p(picture);
    for (int kind = 0; kind < 2; ++kind)
      for (int channel = 0; channel < 8; ++channel)
        for (int bias : {0, -30, 77}) {
          ASSERT_TRUE(test::SamePixels24(EdgeChannel(p.source, kind, channel, bias), ReferenceEdge(picture, kind, channel, bias)))
              << w << "x" << h << " kind " << kind << " channel " << channel << " bias " << bias;
        }
  }
}

TEST(EdgeEngine, EmptySourceGivesEmptyResults) {
  EdgeSource source;
  PrepareEdgeSource(source, RasterImage());
  EXPECT_FALSE(EdgeChannel(source, 1, 6, 0).HasImage());
  ReleaseWorkBuffers(source);
}

}  // namespace
}  // namespace tessalin
