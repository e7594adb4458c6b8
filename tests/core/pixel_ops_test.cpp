#include "core/pixel_ops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/arithmetic.h"
#include "core/black_white.h"
#include "core/bordered_copy.h"
#include "core/colour_model.h"
#include "core/progress.h"
#include "core/work_buffers.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using test::Bgr;
using test::PixelAt;

RasterImage OnePixel(uint8_t r, uint8_t g, uint8_t b) { return test::MakeFlat24(1, 1, r, g, b); }
uint8_t GreyOf(const RasterImage& image) {
  const Bgr p = PixelAt(image, 0, 0);
  EXPECT_TRUE(p.b == p.g && p.g == p.r) << int(p.b) << " " << int(p.g) << " " << int(p.r);
  return p.b;
}

TEST(GrayScale, FiveZeroZeroIsOneBecausePointThreeIsBelowItself) {
  EXPECT_EQ(GreyOf(EtcModelImage(0, OnePixel(5, 0, 0))), 1);
  EXPECT_EQ(GreyOf(EtcModelImage(0, OnePixel(255, 255, 255))), 255);
  EXPECT_EQ(GreyOf(EtcModelImage(0, OnePixel(0, 0, 0))), 0);
}

TEST(GrayScale, IntegerPathEqualsExtendedFormulaForAllColours) {
  for (int r = 0; r < 256; ++r)
    for (int g = 0; g < 256; ++g)
      for (int b = 0; b < 256; ++b) {
        const long double sum = (long double)0.3 * r + (long double)0.59 * g + (long double)0.11 * b;
        const int want = static_cast<int>(std::nearbyintl(sum));
        ASSERT_EQ(GrayScaleValue(r, g, b), want) << r << " " << g << " " << b;
      }
}

TEST(Monochrome, SixSumsDecide) {
  EXPECT_EQ(GreyOf(EtcModelImage(1, OnePixel(127, 127, 127))), 0);
  EXPECT_EQ(GreyOf(EtcModelImage(1, OnePixel(128, 128, 128))), 255);
  EXPECT_EQ(GreyOf(EtcModelImage(1, OnePixel(255, 0, 0))), 0);      // sum 5 is 7395
  EXPECT_EQ(GreyOf(EtcModelImage(1, OnePixel(255, 255, 0))), 0);    // sum 2 is 27030
  EXPECT_EQ(GreyOf(EtcModelImage(1, OnePixel(200, 200, 100))), 255);  // smallest sums 36200
  EXPECT_EQ(GreyOf(EtcModelImage(1, OnePixel(255, 255, 255))), 255);
}

TEST(Monochrome, SumEqualToMidpointIsBlack) {
  // Find a coloured pixel whose smallest sum is exactly 32512.
  bool found = false;
  for (int r = 0; r < 256 && !found; ++r)
    for (int g = 0; g < 256 && !found; ++g)
      for (int b = 0; b < 256 && !found; ++b) {
        const int sums[6] = {77 * r + 150 * g + 29 * b, 77 * r + 29 * g + 150 * b, 150 * r + 77 * g + 29 * b,
                             150 * r + 29 * g + 77 * b, 29 * r + 150 * g + 77 * b, 29 * r + 77 * g + 150 * b};
        int least = sums[0];
        for (int s : sums) least = std::min(least, s);
        if (least == 32512 && !(r == g && g == b)) {
          found = true;
          EXPECT_FALSE(MonochromeIsWhite(r, g, b)) << r << " " << g << " " << b;
        }
      }
  EXPECT_TRUE(found);
}

// The packed Monochrome and 1-bit conversion, for every colour there is.
TEST(PackedOneBit, MonochromeAndConversionMatchTheirRulesForEveryColour) {
  RasterImage all = NewRaster(PixelFormat::pf24Bit, 4096, 4096);
  for (int y = 0; y < 4096; ++y)
    for (int x = 0; x < 4096; ++x) {
      const uint32_t c = static_cast<uint32_t>(y) * 4096 + static_cast<uint32_t>(x);
      uint8_t* p = all.Row(y) + 3 * static_cast<size_t>(x);
      p[0] = static_cast<uint8_t>(c), p[1] = static_cast<uint8_t>(c >> 8), p[2] = static_cast<uint8_t>(c >> 16);
    }
  EXPECT_TRUE(test::SamePixels24(ExpandBlackWhite(MonochromePacked(all)), EtcModelImage(1, all)));
  RasterImage converted;
  converted.Assign(all);
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf1Bit), converted);
  const RasterImage packed = ConvertedPixelFormat(static_cast<int>(PixelFormat::pf1Bit), all);
  ASSERT_EQ(packed.Format(), PixelFormat::pf1Bit);
  EXPECT_EQ(packed.Colors(), converted.Colors());
  for (int y = 0; y < 4096; ++y) ASSERT_EQ(std::memcmp(packed.Row(y), converted.Row(y), packed.RowBytes()), 0) << y;
}

TEST(Inverse, TwiceGivesTheSourceBack) {
  const RasterImage source = test::MakeRandom24(9, 5, 4);
  const RasterImage once = EtcModelImage(2, source);
  EXPECT_EQ(PixelAt(once, 3, 2).g, 255 - PixelAt(source, 3, 2).g);
  EXPECT_TRUE(test::SamePixels24(EtcModelImage(2, once), source));
}

TEST(HSIModel, PureColoursAndGreys) {
  EXPECT_EQ(GreyOf(HSIModelImage(0, OnePixel(0, 0, 255))), 170);   // hue just above 240
  EXPECT_EQ(GreyOf(HSIModelImage(0, OnePixel(0, 255, 0))), 85);    // just below 120
  EXPECT_EQ(GreyOf(HSIModelImage(0, OnePixel(90, 90, 90))), 0);
  EXPECT_EQ(GreyOf(HSIModelImage(1, OnePixel(255, 0, 0))), 255);
  EXPECT_EQ(GreyOf(HSIModelImage(1, OnePixel(90, 90, 90))), 0);
  EXPECT_EQ(GreyOf(HSIModelImage(2, OnePixel(255, 255, 255))), 255);
  EXPECT_EQ(GreyOf(HSIModelImage(2, OnePixel(255, 0, 0))), 85);
  // Composite: red byte h, green byte s, blue byte i.
  const Bgr blue = PixelAt(HSIModelImage(3, OnePixel(0, 0, 255)), 0, 0);
  EXPECT_EQ(blue, (Bgr{85, 255, 170}));
  const Bgr c = PixelAt(HSIModelImage(3, OnePixel(10, 20, 30)), 0, 0);
  EXPECT_EQ(c.r, 149);  // 210.00000001 / 360 * 255 = 148.75...
  EXPECT_EQ(c.b, 20);
}

TEST(RGBModel, ChannelsAndCopy) {
  const RasterImage source = test::MakeRandom24(6, 4, 9);
  for (int kind = 0; kind < 3; ++kind) {
    const RasterImage out = RGBModelImage(kind, source);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 6; ++x) {
        const Bgr s = PixelAt(source, x, y), d = PixelAt(out, x, y);
        const uint8_t want = kind == 0 ? s.r : kind == 1 ? s.g : s.b;
        ASSERT_EQ(d, (Bgr{want, want, want}));
      }
  }
  EXPECT_TRUE(test::SamePixels24(RGBModelImage(3, source), source));
}

TEST(Mirror, SwapsSidesOrRows) {
  const RasterImage source = test::MakeGradient(5, 3);
  const RasterImage v = MirrorImage(0, source), h = MirrorImage(1, source);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(PixelAt(v, x, y), PixelAt(source, 4 - x, y));
      EXPECT_EQ(PixelAt(h, x, y), PixelAt(source, x, 2 - y));
    }
  const RasterImage column = test::MakeGradient(1, 4), row = test::MakeGradient(4, 1);
  EXPECT_TRUE(test::SamePixels24(MirrorImage(0, column), column));
  EXPECT_TRUE(test::SamePixels24(MirrorImage(1, row), row));
}

TEST(ModelOperations, EmptyPictureGivesEmptyResult) {
  const RasterImage empty = NewRaster(PixelFormat::pf24Bit, 0, 0);
  EXPECT_FALSE(EtcModelImage(0, empty).HasImage());
  EXPECT_FALSE(HSIModelImage(3, empty).HasImage());
  EXPECT_FALSE(MirrorImage(1, empty).HasImage());
}

TEST(ModelOperations, ThreadedResultsEqualPlainPerPixelRules) {
  const int sizes[][2] = {{1, 1}, {2, 301}, {37, 19}, {301, 45}, {123, 257}};
  unsigned seed = 11;
  for (const auto& s : sizes) {
    const RasterImage src = test::MakeRandom24(s[0], s[1], seed++);
    const RasterImage grey = EtcModelImage(0, src), mono = EtcModelImage(1, src), hsi = HSIModelImage(3, src);
    const RasterImage mirror = MirrorImage(0, src);
    for (int y = 0; y < src.Height(); ++y)
      for (int x = 0; x < src.Width(); ++x) {
        const Bgr p = PixelAt(src, x, y);
        const uint8_t g = GrayScaleValueReference(p.r, p.g, p.b);
        ASSERT_EQ(PixelAt(grey, x, y), (Bgr{g, g, g}));
        const int R = p.r, G = p.g, B = p.b;
        const int least = std::min({77 * R + 150 * G + 29 * B, 77 * R + 29 * G + 150 * B, 150 * R + 77 * G + 29 * B,
                                    150 * R + 29 * G + 77 * B, 29 * R + 150 * G + 77 * B, 29 * R + 77 * G + 150 * B});
        const uint8_t m = least > 32512 ? 255 : 0;
        ASSERT_EQ(PixelAt(mono, x, y), (Bgr{m, m, m}));
        const HSIColor c = RGBToHSI(p.r, p.g, p.b);
        const Bgr want{static_cast<uint8_t>(std::nearbyintl((long double)c.I)),
                       static_cast<uint8_t>(std::nearbyintl((long double)c.S * 255)),
                       static_cast<uint8_t>(std::nearbyintl((long double)c.H / 360 * 255))};
        ASSERT_EQ(PixelAt(hsi, x, y), want);
        ASSERT_EQ(PixelAt(mirror, x, y), PixelAt(src, src.Width() - 1 - x, y));
      }
  }
}

TEST(WorkBuffers, RowsAreStoredBottomUpWithHsiBeside) {
  const RasterImage src = test::MakeRandom24(7, 3, 21);
  WorkBuffers buffers;
  LoadWorkBuffers(buffers, src, true);
  ASSERT_EQ(buffers.Width(), 7);
  ASSERT_EQ(buffers.Height(), 3);
  EXPECT_EQ(buffers.RgbBytes(), 7u * 3 * 3);
  EXPECT_EQ(buffers.HsiBytes(), 7u * 3 * 24);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) {
      const size_t at = (static_cast<size_t>(2 - y) * 7 + x);
      const Bgr p = PixelAt(src, x, y);
      ASSERT_EQ(buffers.Rgb()[3 * at], p.b);
      ASSERT_EQ(buffers.Rgb()[3 * at + 1], p.g);
      ASSERT_EQ(buffers.Rgb()[3 * at + 2], p.r);
      const HSIColor want = RGBToHSI(p.r, p.g, p.b);
      ASSERT_EQ(buffers.Hsi()[at].I, want.I);
      ASSERT_EQ(buffers.Hsi()[at].S, want.S);
      ASSERT_EQ(buffers.Hsi()[at].H, want.H);
    }
  EXPECT_THROW(LoadWorkBuffers(buffers, src, false), std::exception);  // still in use
  ReleaseWorkBuffers(buffers);
  EXPECT_TRUE(buffers.Empty());
  LoadWorkBuffers(buffers, src, false);
  EXPECT_FALSE(buffers.HasHsi());
}

TEST(WorkBuffers, ThreadedHsiFillEqualsReference) {
  const RasterImage src = test::MakeRandom24(513, 301, 5);
  WorkBuffers buffers;
  LoadWorkBuffers(buffers, src, true);
  const size_t n = 513u * 301u;
  std::vector<HSIColor> ref(n);
  FillHsiReference(buffers.Rgb(), n, ref.data());
  for (size_t i = 0; i < n; ++i) {
    ASSERT_EQ(buffers.Hsi()[i].I, ref[i].I);
    ASSERT_EQ(buffers.Hsi()[i].S, ref[i].S);
    ASSERT_EQ(buffers.Hsi()[i].H, ref[i].H);
  }
}

TEST(BorderedCopy, OnePixelKindZeroIsNineEqualPixels) {
  const RasterImage one = OnePixel(10, 200, 30);
  WorkBuffers buffers;
  BuildBorderedCopy(buffers, one, 0);
  ASSERT_EQ(buffers.Width(), 3);
  ASSERT_EQ(buffers.Height(), 3);
  ASSERT_TRUE(buffers.HasHsi());
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(buffers.Rgb()[3 * i], 30);
    EXPECT_EQ(buffers.Rgb()[3 * i + 1], 200);
    EXPECT_EQ(buffers.Rgb()[3 * i + 2], 10);
  }
}

TEST(BorderedCopy, KindZeroReplicatesEdgesAndCorners) {
  const int W = 5, H = 4;
  const RasterImage src = test::MakeRandom24(W, H, 8);
  const RasterImage b = MakeBorderedRaster(src, 0);
  ASSERT_EQ(b.Width(), W + 2);
  ASSERT_EQ(b.Height(), H + 2);
  for (int y = 0; y < H + 2; ++y)
    for (int x = 0; x < W + 2; ++x) {
      const int sx = std::clamp(x - 1, 0, W - 1), sy = std::clamp(y - 1, 0, H - 1);
      ASSERT_EQ(PixelAt(b, x, y), PixelAt(src, sx, sy)) << x << "," << y;
    }
  WorkBuffers buffers;
  BuildBorderedCopy(buffers, src, 0);
  for (int y = 0; y < H + 2; ++y)
    for (int x = 0; x < W + 2; ++x) {
      const Bgr p = PixelAt(b, x, y);
      ASSERT_EQ(buffers.RgbAt(x, y)[0], p.b);
      ASSERT_EQ(buffers.RgbAt(x, y)[2], p.r);
      ASSERT_EQ(buffers.HsiAt(x, y).H, RGBToHSI(p.r, p.g, p.b).H);
    }
}

TEST(BorderedCopy, KindOneHasWhiteCornersAndOneBottomRow) {
  const int W = 6, H = 3;
  const RasterImage src = test::MakeRandom24(W, H, 12);
  const RasterImage b = MakeBorderedRaster(src, 1);
  ASSERT_EQ(b.Width(), W + 4);
  ASSERT_EQ(b.Height(), H + 3);
  const Bgr white{255, 255, 255};
  for (int y = 0; y < H + 3; ++y)
    for (int x = 0; x < W + 4; ++x) {
      const bool inX = x >= 2 && x < W + 2, inY = y >= 2 && y < H + 2;
      Bgr want = white;
      if (inX || inY) {
        if (inX && inY) want = PixelAt(src, x - 2, y - 2);
        else if (inX) want = PixelAt(src, x - 2, y < 2 ? 0 : H - 1);
        else want = PixelAt(src, x < 2 ? 0 : W - 1, y - 2);
      }
      ASSERT_EQ(PixelAt(b, x, y), want) << x << "," << y;
    }
  // The bottom border row repeats the picture's last row, which is unchanged.
  for (int x = 2; x < W + 2; ++x) {
    EXPECT_EQ(PixelAt(b, x, H + 2), PixelAt(b, x, H + 1));
    EXPECT_EQ(PixelAt(b, x, H + 1), PixelAt(src, x - 2, H - 1));
  }
}

TEST(BorderedCopy, SourceInAnotherFormatIsDrawnAsTrueColour) {
  RasterImage src = test::MakeGradient(4, 4);
  src.SetPixelFormat(PixelFormat::pf8Bit);
  RasterImage src24;
  src24.Assign(src);
  src24.SetPixelFormat(PixelFormat::pf24Bit);
  const RasterImage b = MakeBorderedRaster(src, 0);
  EXPECT_EQ(b.Format(), PixelFormat::pf24Bit);
  EXPECT_EQ(PixelAt(b, 2, 3), PixelAt(src24, 1, 2));
}

TEST(Progress, SixteenStepsRoundHalfToEven) {
  ProgressBarState bar{16, 1, 0};
  std::vector<int> seen;
  for (int i = 0; i < 16; ++i) seen.push_back(AdvanceProgress(bar));
  EXPECT_EQ(seen[0], 6);    // 6.25
  EXPECT_EQ(seen[1], 12);   // 12.5 to even
  EXPECT_EQ(seen[5], 38);   // 37.5 to even
  EXPECT_EQ(seen[7], 50);
  EXPECT_EQ(seen[9], 62);   // 62.5 to even
  EXPECT_EQ(seen[15], 100);
  EXPECT_EQ(ProgressHintText(50), "ProcessRation : 50% completed.");
  ProgressBarState none{0, 1, 0};
  EXPECT_EQ(AdvanceProgress(none), 0);  // no division by zero
}

class RecordingSink : public CountingProgressSink {
 public:
  std::vector<std::string> hints;

 protected:
  void OnHint(const std::string& hint, int) override { hints.push_back(hint); }
};

TEST(Progress, SinkPostsTheHintAfterEachStep) {
  RecordingSink sink;
  sink.ProgressStart(16, 1);
  sink.ProgressStep();
  sink.ProgressStep();
  ASSERT_EQ(sink.hints.size(), 2u);
  EXPECT_EQ(sink.hints[0], "ProcessRation : 6% completed.");
  EXPECT_EQ(sink.hints[1], "ProcessRation : 12% completed.");
}

TEST(Rounding, TiesToEvenAndSaturatesOutsideTheIntRange) {
  EXPECT_EQ(RoundToInt(0.5), 0);
  EXPECT_EQ(RoundToInt(1.5), 2);
  EXPECT_EQ(RoundToInt(-2.5), -2);
  EXPECT_EQ(RoundToInt(static_cast<Extended>(12.5)), 12);
  EXPECT_EQ(RoundToInt(static_cast<Extended>(127.50000000001)), 128);
  EXPECT_EQ(RoundToInt(1e12), INT32_MAX);
  EXPECT_EQ(RoundToInt(static_cast<Extended>(-1e12)), INT32_MIN);
}

TEST(Clamps, LowBoundIsTestedFirst) {
  EXPECT_EQ(ClampInt(5, 10, 0), 10);
  EXPECT_EQ(ClampInt(-3, 0, 255), 0);
  EXPECT_EQ(ClampInt(300, 0, 255), 255);
  EXPECT_EQ(ClampReal(5, 10, 0), 10);
  EXPECT_EQ(MaxReal(1, 2), 2);
  EXPECT_EQ(MaxReal(2, 1), 2);
  const BgrTriple t = GrayTriple(100.5, 0, 255);
  EXPECT_EQ(t.b, 100);
  EXPECT_EQ(t.g, 100);
  EXPECT_EQ(GrayTriple(-7, 0, 255).r, 0);
  EXPECT_EQ(GrayTriple(300, 0, 255).r, 255);
}

}  // namespace
}  // namespace tessalin

#include "core/parallel_rows.h"

namespace tessalin {
namespace {

TEST(ParallelFor, CoversEveryIndexOnceAndPassesOnFailures) {
  std::vector<int> hits(10007, 0);
  ParallelFor(static_cast<int64_t>(hits.size()), 100, [&](int64_t begin, int64_t end) {
    for (int64_t i = begin; i < end; ++i) ++hits[static_cast<size_t>(i)];
  });
  EXPECT_EQ(std::count(hits.begin(), hits.end(), 1), static_cast<long>(hits.size()));
  EXPECT_THROW(ParallelFor(10000, 10, [](int64_t, int64_t end) {
                 if (end == 10000) throw std::bad_alloc();  // the last piece, on whichever thread
               }),
               std::bad_alloc);
}

}  // namespace
}  // namespace tessalin
