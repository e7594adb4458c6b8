// The table-driven channel paths against the straightforward per-pixel rules.
#include <gtest/gtest.h>

#include <atomic>
#include <random>

#include "core/colour_model.h"
#include "core/parallel_rows.h"
#include "core/pixel_ops.h"
#include "processing/channel.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using test::Bgr;
using test::PixelAt;

// The composite rule written out from RGBToHSI itself.
BgrTriple CompositeOf(const HSIColor& hsi) {
  return {static_cast<uint8_t>(RoundToInt(static_cast<Extended>(hsi.I))),
          static_cast<uint8_t>(RoundToInt(static_cast<Extended>(hsi.S) * 255)),
          static_cast<uint8_t>(RoundToInt(static_cast<Extended>(hsi.H) / 360 * 255))};
}
BgrTriple ReferenceComposite(uint8_t r, uint8_t g, uint8_t b) { return CompositeOf(RGBToHSI(r, g, b)); }

RasterImage ReferenceCorrection(const RasterImage& source, const ChannelOffsets& o, RasterImage* composite) {
  RasterImage out = NewRaster(PixelFormat::pf24Bit, source.Height(), source.Width());
  if (composite) *composite = NewRaster(PixelFormat::pf24Bit, source.Height(), source.Width());
  for (int y = 0; y < source.Height(); ++y)
    for (int x = 0; x < source.Width(); ++x) {
      const Bgr p = PixelAt(source, x, y);
      const BgrTriple v = CorrectChannelPixel(p.r, p.g, p.b, o);
      test::SetPixelAt(out, x, y, {v.b, v.g, v.r});
      if (composite) {
        const BgrTriple c = ReferenceComposite(v.r, v.g, v.b);
        test::SetPixelAt(*composite, x, y, {c.b, c.g, c.r});
      }
    }
  return out;
}

// Pictures of awkward sizes, with greys, black and white mixed in so the
// zero-saturation and zero-intensity branches are met.
std::vector<RasterImage> OddPictures(unsigned seed) {
  std::vector<RasterImage> pictures;
  const int sizes[][2] = {{1, 1}, {1, 37}, {29, 1}, {7, 5}, {33, 17}, {131, 67}};
  std::mt19937 rng(seed);
  for (const auto& size : sizes) {
    RasterImage p = test::MakeRandom24(size[0], size[1], seed++);
    for (int y = 0; y < p.Height(); ++y)
      for (int x = 0; x < p.Width(); ++x) {
        const unsigned pick = rng() % 8;
        const uint8_t v = static_cast<uint8_t>(rng());
        if (pick == 0) test::SetPixelAt(p, x, y, {v, v, v});
        if (pick == 1) test::SetPixelAt(p, x, y, {0, 0, 0});
        if (pick == 2) test::SetPixelAt(p, x, y, {255, 255, 255});
      }
    pictures.push_back(std::move(p));
  }
  return pictures;
}

TEST(ChannelTables, TriplesAndCompositeBytesEqualTheRuleForEveryColour) {
  std::atomic<int> mismatches{0};
  ParallelFor(256, 1, [&](int64_t begin, int64_t end) {
    for (int64_t r = begin; r < end; ++r)
      for (int g = 0; g < 256; ++g)
        for (int b = 0; b < 256; ++b) {
          const auto R = static_cast<uint8_t>(r), G = static_cast<uint8_t>(g), B = static_cast<uint8_t>(b);
          const HSIColor rule = RGBToHSI(R, G, B);
          const BgrTriple fast = CompositeBytes(R, G, B), slow = CompositeOf(rule);
          if (fast.b != slow.b || fast.g != slow.g || fast.r != slow.r) ++mismatches;
          // The doubles themselves, bit for bit.
          const HSIColor table = ChannelTableHSI(R, G, B);
          if (table.I != rule.I || table.S != rule.S || table.H != rule.H) ++mismatches;
        }
  });
  EXPECT_EQ(mismatches.load(), 0);
}

TEST(ChannelTables, DistributionEqualsTheSixModelPictures) {
  for (const RasterImage& p : OddPictures(3)) {
    const std::array<RasterImage, 6> six = ChannelDistributionImages(p);
    for (int kind = 0; kind < 3; ++kind) {
      EXPECT_TRUE(test::SamePixels24(six[kind], RGBModelImage(kind, p))) << p.Width() << "x" << p.Height();
      EXPECT_TRUE(test::SamePixels24(six[3 + kind], HSIModelImage(kind, p))) << p.Width() << "x" << p.Height();
    }
    EXPECT_TRUE(test::SamePixels24(ChannelCompositeImage(p), HSIModelImage(3, p)));
  }
  for (const RasterImage& channel : ChannelDistributionImages(RasterImage())) EXPECT_FALSE(channel.HasImage());
  EXPECT_FALSE(ChannelCompositeImage(RasterImage()).HasImage());
}

TEST(ChannelTables, CorrectionAndCompositeMatchTheRuleOverTheOffsetRanges) {
  std::mt19937 rng(91);
  std::vector<ChannelOffsets> offsets = {
      {}, {255, 255, 255, 360, 1.0, 255}, {-255, -255, -255, -360, -1.0, -255}, {0, 0, 0, 0, 1.0, 0},
      {0, 0, 0, 360, 0.5, 0}, {0, 0, 0, -360, 0.25, 0}, {0, 0, 0, 120, 0, 0}, {0, 0, 0, 0, 0, -254}};
  for (int n = 0; n < 12; ++n) {
    const auto pick = [&rng](int low, int high) {
      return low + static_cast<int>(rng() % static_cast<unsigned>(high - low + 1));
    };
    offsets.push_back({pick(-255, 255), pick(-255, 255), pick(-255, 255), pick(-360, 360),
                       pick(-10000, 10000) / 10000.0, pick(-255, 255)});
  }
  const std::vector<RasterImage> pictures = OddPictures(40);
  ChannelCorrector extended(true);
  for (const ChannelOffsets& o : offsets)
    for (const RasterImage& p : pictures) {
      RasterImage composite;
      const RasterImage expected = ReferenceCorrection(p, o, &composite);
      EXPECT_TRUE(test::SamePixels24(extended.Apply(p, o, false).corrected, expected));
      const ChannelCorrection both = ApplyChannelCorrectionWithComposite(p, o);
      EXPECT_TRUE(test::SamePixels24(both.corrected, expected))
          << p.Width() << "x" << p.Height() << " h " << o.h << " s " << o.s;
      EXPECT_TRUE(test::SamePixels24(both.composite, composite)) << p.Width() << "x" << p.Height();
      EXPECT_TRUE(test::SamePixels24(ApplyChannelCorrection(p, o), expected));
    }
}

TEST(ChannelTables, EveryColourCorrectedOnceMatchesTheRule) {
  // Every green and blue byte with every sixteenth red byte, each colour once:
  // a million colours keep the reference's trigonometry affordable.
  RasterImage all = NewRaster(PixelFormat::pf24Bit, 256, 4096);
  for (int y = 0; y < 256; ++y) {
    uint8_t* row = all.Row(y);
    for (int x = 0; x < 4096; ++x) {
      const int colour = ((y % 16) * 16 << 16) | ((y / 16) * 16 + x / 256) << 8 | (x % 256);
      row[3 * x] = static_cast<uint8_t>(colour);
      row[3 * x + 1] = static_cast<uint8_t>(colour >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(colour >> 16);
    }
  }
  for (const ChannelOffsets& o : {ChannelOffsets{3, -2, 1, 17, 0.0123, -4}, ChannelOffsets{}}) {
    ChannelCorrector quick, extended(true);
    const ChannelCorrection fast = quick.Apply(all, o, true);
    const ChannelCorrection slow = extended.Apply(all, o, true);
    // The double estimate decides nearly every pixel by itself.
    EXPECT_LT(quick.ExtendedFallbacks(), 1000);
    EXPECT_GT(extended.ExtendedFallbacks(), 4096 * 256 / 2);
    EXPECT_TRUE(test::SamePixels24(fast.corrected, slow.corrected));
    std::atomic<int> mismatches{0};
    ParallelFor(256, 1, [&](int64_t begin, int64_t end) {
      for (int64_t y = begin; y < end; ++y)
        for (int x = 0; x < 4096; ++x) {
          const Bgr p = PixelAt(all, x, static_cast<int>(y));
          const BgrTriple v = CorrectChannelPixel(p.r, p.g, p.b, o);
          const BgrTriple c = ReferenceComposite(v.r, v.g, v.b);
          if (PixelAt(fast.corrected, x, static_cast<int>(y)) != Bgr{v.b, v.g, v.r} ||
              PixelAt(fast.composite, x, static_cast<int>(y)) != Bgr{c.b, c.g, c.r})
            ++mismatches;
        }
    });
    EXPECT_EQ(mismatches.load(), 0) << o.h;
  }
}

TEST(ChannelCorrector, BytesOnARoundingTieTakeTheExtendedExpressions) {
  // Greys given saturation 1/2: u = (1 - S) / 3 = 1/6, so K * u = I / 2 is a
  // tie for every odd integer intensity.
  RasterImage greys = NewRaster(PixelFormat::pf24Bit, 3, 256);
  for (int y = 0; y < 3; ++y)
    for (int v = 0; v < 256; ++v) test::SetPixelAt(greys, v, y, {static_cast<uint8_t>(v), static_cast<uint8_t>(v),
                                                                 static_cast<uint8_t>(v)});
  for (int h : {0, 100, 200, 300}) {
    ChannelCorrector corrector;
    const ChannelOffsets o{0, 0, 0, h, 0.5, 0};
    EXPECT_TRUE(test::SamePixels24(corrector.Apply(greys, o, false).corrected, ReferenceCorrection(greys, o, nullptr)))
        << h;
    EXPECT_GT(corrector.ExtendedFallbacks(), 0) << h;
  }
}

TEST(ChannelCorrector, ReusesHueCosinesOnlyForTheSameHueOffset) {
  const RasterImage p = test::MakeRandom24(97, 61, 5);
  ChannelCorrector corrector;
  const ChannelOffsets first{10, 0, 0, 30, 0.1, 0};
  ChannelOffsets redOnly = first;
  redOnly.r = 50;
  ChannelOffsets otherHue = first;
  otherHue.h = -45;

  const ChannelCorrection a = corrector.Apply(p, first, false);
  const int64_t afterFirst = corrector.HueTermsComputed();
  EXPECT_GT(afterFirst, 0);
  EXPECT_FALSE(a.composite.HasImage());
  // The same offsets again need no new cosines; other R, G, B, S, I only those of new hues.
  corrector.Apply(p, first, false);
  EXPECT_EQ(corrector.HueTermsComputed(), afterFirst);
  const RasterImage b = corrector.Apply(p, redOnly, false).corrected;
  EXPECT_LT(corrector.HueTermsComputed(), 2 * afterFirst);
  EXPECT_TRUE(test::SamePixels24(b, ReferenceCorrection(p, redOnly, nullptr)));
  // A new H offset recomputes; going back must not use the other offset's cosines.
  const RasterImage c = corrector.Apply(p, otherHue, false).corrected;
  EXPECT_TRUE(test::SamePixels24(c, ReferenceCorrection(p, otherHue, nullptr)));
  const RasterImage d = corrector.Apply(p, first, false).corrected;
  EXPECT_TRUE(test::SamePixels24(d, ReferenceCorrection(p, first, nullptr)));
}

TEST(ChannelCorrector, HueOffsetsBeyondAFullTurnClampLikeTheRule) {
  const RasterImage p = test::MakeRandom24(41, 7, 19);
  ChannelCorrector corrector;
  for (int h : {INT32_MIN, -100000, -361, 361, 5000, INT32_MAX}) {
    const ChannelOffsets o{0, 0, 0, h, 0.3, 0};
    EXPECT_TRUE(test::SamePixels24(corrector.Apply(p, o, false).corrected, ReferenceCorrection(p, o, nullptr))) << h;
  }
}

TEST(ChannelCorrector, ReadsOtherPixelFormatsAsTwentyFourBits) {
  RasterImage p = test::MakeRandom24(23, 9, 8);
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf8Bit), p);
  RasterImage as24 = NewRaster(PixelFormat::pf24Bit, p.Height(), p.Width());
  for (int y = 0; y < p.Height(); ++y) p.ReadRowBgr(y, as24.Row(y));
  const ChannelOffsets o{5, 6, -7, 80, -0.2, 3};
  EXPECT_TRUE(test::SamePixels24(ApplyChannelCorrection(p, o), ReferenceCorrection(as24, o, nullptr)));
  EXPECT_TRUE(test::SamePixels24(ChannelThresholdImage(p, 1, 9), ChannelThresholdImage(as24, 1, 9)));
}

}  // namespace
}  // namespace tessalin
