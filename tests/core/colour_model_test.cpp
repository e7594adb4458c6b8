#include "core/colour_model.h"

#include <gtest/gtest.h>

namespace tessalin {
namespace {

TEST(RGBToHSI, GreysHaveNoHueOrSaturation) {
  const HSIColor black = RGBToHSI(0, 0, 0);
  EXPECT_EQ(black.I, 0);
  EXPECT_EQ(black.S, 0);
  EXPECT_EQ(black.H, 0);
  const HSIColor white = RGBToHSI(255, 255, 255);
  EXPECT_EQ(white.I, 255);
  EXPECT_EQ(white.S, 0);
  EXPECT_EQ(white.H, 0);
}

TEST(RGBToHSI, PureColoursCarryTheShortenedDegreeFactor) {
  const HSIColor red = RGBToHSI(255, 0, 0);
  EXPECT_EQ(red.I, 85);
  EXPECT_EQ(red.S, 1);
  EXPECT_EQ(red.H, 0);
  const HSIColor green = RGBToHSI(0, 255, 0);
  EXPECT_LT(green.H, 120);
  EXPECT_NEAR(green.H, 119.99999999354, 1e-9);
  const HSIColor blue = RGBToHSI(0, 0, 255);
  EXPECT_GT(blue.H, 240);
  EXPECT_NEAR(blue.H, 240.0000000064, 1e-9);
  const HSIColor yellow = RGBToHSI(255, 255, 0);
  EXPECT_LT(yellow.H, 60);
  EXPECT_NEAR(yellow.H, 59.999999996, 1e-8);
}

TEST(RGBToHSI, HueAboveHalfTurnWhenBlueExceedsGreen) {
  const HSIColor c = RGBToHSI(10, 20, 30);
  EXPECT_EQ(c.I, 20);
  EXPECT_DOUBLE_EQ(c.S, 0.5);
  EXPECT_NEAR(c.H, 210.0000000081, 1e-9);
}

TEST(HSIToRGB, SaturatesAndRoundsTiesToEven) {
  const BgrTriple red = HSIToRGB({85, 1, 0});
  EXPECT_EQ(red.r, 255);
  EXPECT_EQ(red.g, 0);
  EXPECT_EQ(red.b, 0);
  const BgrTriple black = HSIToRGB({0, 0.7, 123});
  EXPECT_EQ(black.r + black.g + black.b, 0);
  const BgrTriple grey = HSIToRGB({100.5, 0, 77});
  EXPECT_EQ(grey.r, 100);
  EXPECT_EQ(grey.g, 100);
  EXPECT_EQ(grey.b, 100);
}

TEST(HSIToRGB, NegativeHueWrapsOnce) {
  const BgrTriple a = HSIToRGB({120, 0.6, -30});
  const BgrTriple b = HSIToRGB({120, 0.6, 330});
  EXPECT_EQ(a.r, b.r);
  EXPECT_EQ(a.g, b.g);
  EXPECT_EQ(a.b, b.b);
}

TEST(HSIRoundTrip, EveryColourComesBackExactly) {
  int mismatches = 0;
  for (int r = 0; r < 256; ++r)
    for (int g = 0; g < 256; ++g)
      for (int b = 0; b < 256; ++b) {
        const BgrTriple back = HSIToRGB(RGBToHSI(static_cast<uint8_t>(r), static_cast<uint8_t>(g),
                                                 static_cast<uint8_t>(b)));
        if (back.r != r || back.g != g || back.b != b) {
          if (++mismatches <= 5) ADD_FAILURE() << "(" << r << ", " << g << ", " << b << ") came back as ("
                                               << int(back.r) << ", " << int(back.g) << ", " << int(back.b) << ")";
        }
      }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace tessalin
