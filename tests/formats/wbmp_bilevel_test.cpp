// The black-and-white shortcut of the WBMP writer against the writer worked
// step by step (EncodeWbmpByRecipe).
#include "formats/wbmp_bilevel.h"

#include <gtest/gtest.h>

#include <random>

#include "core/pixel_format.h"
#include "formats/wbmp_codec.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

// Black and white at random, with runs so that whole words of one colour occur.
RasterImage RandomBilevel24(int width, int height, unsigned seed, int whitePercent) {
  RasterImage r = NewRaster(PixelFormat::pf24Bit, height, width);
  std::mt19937 rng(seed);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = r.Row(y);
    bool white = false;
    for (int x = 0; x < width; ++x) {
      if (rng() % 100 < 30) white = static_cast<int>(rng() % 100) < whitePercent;
      row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = white ? 255 : 0;
    }
  }
  return r;
}

RasterImage AsOneBit(const RasterImage& r, const ColorTable& colours) {
  RasterImage one = NewRaster(PixelFormat::pf1Bit, r.Height(), r.Width());
  one.SetColorTable(colours);
  for (int y = 0; y < r.Height(); ++y) {
    uint8_t* row = one.Row(y);
    for (int x = 0; x < r.Width(); ++x) {
      const uint8_t bit = r.Row(y)[3 * x] ? 1 : 0;
      row[x / 8] = static_cast<uint8_t>((row[x / 8] & ~(0x80 >> (x % 8))) | (bit << (7 - x % 8)));
    }
    // Unused low bits set on purpose: the writer must not let them in.
    if (r.Width() % 8) row[r.Width() / 8] |= static_cast<uint8_t>(0xFF >> (r.Width() % 8));
  }
  return one;
}

const int kSizes[][2] = {{1, 1}, {1, 7}, {9, 1}, {2, 2}, {63, 5}, {64, 3}, {65, 4},
                         {127, 9}, {128, 2}, {129, 7}, {200, 130}};

TEST(WbmpBilevel, EqualsTheRecipeOnBlackAndWhitePicturesOfOddSizesAtEveryBias) {
  unsigned seed = 1;
  for (const auto& s : kSizes)
    for (int whitePercent : {0, 10, 50, 90, 100}) {
      const RasterImage picture = RandomBilevel24(s[0], s[1], seed++, whitePercent);
      std::vector<uint8_t> bits(static_cast<size_t>(s[1]) * ((s[0] + 7) / 8));
      ASSERT_TRUE(EncodeBilevelWbmpRows(picture, bits.data()));
      for (int bias = -300; bias <= 300; bias += 13) {
        const std::string what = std::to_string(s[0]) + "x" + std::to_string(s[1]) + " white " +
                                 std::to_string(whitePercent) + "% bias " + std::to_string(bias);
        ASSERT_EQ(EncodeWbmp(picture, bias), EncodeWbmpByRecipe(picture, bias)) << what;
      }
    }
}

TEST(WbmpBilevel, OneBitPicturesWithEitherColourOrder) {
  const ColorTable normal = {{0, 0, 0}, {255, 255, 255}}, inverted = {{255, 255, 255}, {0, 0, 0}},
                   allWhite = {{255, 255, 255}, {255, 255, 255}}, allBlack = {{0, 0, 0}, {0, 0, 0}};
  unsigned seed = 100;
  for (const auto& s : kSizes) {
    const RasterImage base = RandomBilevel24(s[0], s[1], seed++, 50);
    for (const ColorTable& colours : {normal, inverted, allWhite, allBlack}) {
      const RasterImage one = AsOneBit(base, colours);
      uint8_t probe = 0;
      ASSERT_TRUE(EncodeBilevelWbmpRows(AsOneBit(RandomBilevel24(1, 1, 1, 50), colours), &probe));
      for (int bias : {-200, -1, 0, 1, 64, 127, 128, 255})
        ASSERT_EQ(EncodeWbmp(one, bias), EncodeWbmpByRecipe(one, bias)) << s[0] << "x" << s[1] << " bias " << bias;
    }
  }
}

TEST(WbmpBilevel, AnyOtherPictureIsLeftToTheGeneralPath) {
  RasterImage almost = RandomBilevel24(70, 6, 7, 50);
  almost.Row(5)[3 * 69 + 1] = 254;  // one byte off white, in the last pixel
  RasterImage greyish = RandomBilevel24(70, 6, 8, 50);
  greyish.Row(0)[0] = greyish.Row(0)[1] = greyish.Row(0)[2] = 128;
  RasterImage colouredTable = AsOneBit(RandomBilevel24(30, 3, 9, 50), {{0, 0, 0}, {255, 0, 0}});
  RasterImage eight;
  eight.Assign(RandomBilevel24(30, 3, 10, 50));
  eight.SetPixelFormat(PixelFormat::pf8Bit);
  for (const RasterImage* p : {&almost, &greyish, &colouredTable, &eight}) {
    // The rows written before the refusal are the general path's to overwrite.
    std::vector<uint8_t> bits(static_cast<size_t>(p->Height()) * ((p->Width() + 7) / 8), 0xA5);
    EXPECT_FALSE(EncodeBilevelWbmpRows(*p, bits.data()));
    EXPECT_EQ(EncodeWbmp(*p, 64), EncodeWbmpByRecipe(*p, 64));
  }
}

}  // namespace
}  // namespace tessalin
