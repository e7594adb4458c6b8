#include "processing/preview_sampling.h"

#include <gtest/gtest.h>

#include <random>

#include "processing/channel.h"
#include "processing/convolve.h"
#include "processing/display_sampling.h"
#include "processing/edge.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using test::PixelAt;

TEST(NeighbourhoodMosaic, BlocksHoldNeighbourhoodsWithEdgesReplicated) {
  const RasterImage picture = test::MakeGradient(7, 5);
  const RasterImage mosaic = NeighbourhoodMosaic(picture, {0, 3, 6}, {0, 4});
  ASSERT_EQ(mosaic.Width(), 9);
  ASSERT_EQ(mosaic.Height(), 6);
  // Block (1, 0) is around (3, 0): the row above the top is row 0 again.
  EXPECT_EQ(PixelAt(mosaic, 3, 0), PixelAt(picture, 2, 0));
  EXPECT_EQ(PixelAt(mosaic, 4, 1), PixelAt(picture, 3, 0));
  EXPECT_EQ(PixelAt(mosaic, 5, 2), PixelAt(picture, 4, 1));
  // Block (0, 0): the left and top corners replicate pixel (0, 0).
  EXPECT_EQ(PixelAt(mosaic, 0, 0), PixelAt(picture, 0, 0));
  // Block (2, 1) is around the bottom-right corner (6, 4).
  EXPECT_EQ(PixelAt(mosaic, 8, 5), PixelAt(picture, 6, 4));
  EXPECT_EQ(PixelAt(mosaic, 6, 3), PixelAt(picture, 5, 3));
  EXPECT_FALSE(NeighbourhoodMosaic(picture, {}, {1}).HasImage());
}

TEST(NeighbourhoodMosaic, CentresOfAnOperationOnTheMosaicAreTheOperationsPixels) {
  const RasterImage picture = test::MakeRandom24(61, 43, 17);
  std::vector<int> columns, rows;
  for (int i = 0; i < 20; ++i) columns.push_back(i * 61 / 20);
  for (int i = 0; i < 14; ++i) rows.push_back(i * 43 / 14);
  const RasterImage mosaic = NeighbourhoodMosaic(picture, columns, rows);
  ConvolveSource full, small;
  PrepareConvolveSource(full, picture);
  PrepareConvolveSource(small, mosaic);
  for (int kind : {0, 2, 5, 9, 11})
    for (int channel = 0; channel < 8; ++channel) {
      const RasterImage expected = SamplePixels(ConvolveChannel(full, channel, kind, 17), columns, rows);
      EXPECT_TRUE(test::SamePixels24(MosaicCentres(ConvolveChannel(small, channel, kind, 17)), expected))
          << kind << " " << channel;
    }
  for (int kind : {0, 1})
    for (int channel = 0; channel < 8; ++channel) {
      const RasterImage expected = SamplePixels(EdgeChannel(full, kind, channel, -9), columns, rows);
      EXPECT_TRUE(test::SamePixels24(MosaicCentres(EdgeChannel(small, kind, channel, -9)), expected))
          << kind << " " << channel;
    }
  ReleaseWorkBuffers(full);
  ReleaseWorkBuffers(small);
}

TEST(SplitColourResults, GivesTheEnginesSingleChannelOutputs) {
  const int sizes[][2] = {{1, 1}, {1, 19}, {23, 1}, {17, 11}, {67, 45}};
  unsigned seed = 30;
  for (const auto& size : sizes) {
    const RasterImage picture = test::MakeRandom24(size[0], size[1], seed++);
    ConvolveSource prepared;
    PrepareConvolveSource(prepared, picture);
    const auto check = [&](const auto& run, const char* what, int kind, int bias) {
      std::array<RasterImage, 8> split;
      split[3] = run(3);
      split[7] = run(7);
      SplitColourResults(split);
      for (int channel : {0, 1, 2, 4, 5, 6})
        EXPECT_TRUE(test::SamePixels24(split[channel], run(channel)))
            << what << " kind " << kind << " channel " << channel << " bias " << bias << " " << size[0] << "x"
            << size[1];
    };
    for (int kind = 0; kind < kConvolveKindCount; ++kind)
      for (int bias : {0, -37, 128})
        check([&](int c) { return ConvolveChannel(prepared, c, kind, bias); }, "convolve", kind, bias);
    for (int kind = 0; kind < kEdgeKindCount; ++kind)
      for (int bias : {0, 25, -200})
        check([&](int c) { return EdgeChannel(prepared, kind, c, bias); }, "edge", kind, bias);
    ReleaseWorkBuffers(prepared);
  }
}

// Display planes of 0xffRRGGBB words for the zoomed view's sampling.
struct Plane {
  int width, height;
  std::vector<uint32_t> words;
  Plane(int w, int h) : width(w), height(h), words(static_cast<size_t>(w) * h) {}
  uint32_t& At(int x, int y) { return words[static_cast<size_t>(y) * width + x]; }
  XrgbPlane In() const { return XrgbPlane{words.data(), width, width, height}; }
  MutableXrgbPlane Out() { return MutableXrgbPlane{words.data(), width, width, height}; }
};

uint32_t Rgb(int r, int g, int b) { return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }

TEST(RasterToXrgb, WordsHoldEachPixelsColourInEveryFormatAndComeBack) {
  const RasterImage original = test::MakeRandom24(37, 21, 12);
  for (PixelFormat format : {PixelFormat::pf1Bit, PixelFormat::pf4Bit, PixelFormat::pf8Bit, PixelFormat::pf16Bit,
                             PixelFormat::pf24Bit, PixelFormat::pf32Bit}) {
    RasterImage raster;
    raster.Assign(original);
    raster.SetPixelFormat(format);
    Plane words(raster.Width(), raster.Height());
    RasterToXrgb(raster, words.Out());
    for (int y = 0; y < raster.Height(); ++y)
      for (int x = 0; x < raster.Width(); ++x) {
        const Color c = raster.GetPixel(x, y);
        ASSERT_EQ(words.At(x, y), Rgb(RedOf(c), GreenOf(c), BlueOf(c))) << static_cast<int>(format);
      }
  }
  Plane words(original.Width(), original.Height());
  RasterToXrgb(original, words.Out());
  EXPECT_TRUE(test::SamePixels24(XrgbToRaster24(words.In()), original));
}

TEST(BlockMeans, WorkedBlocksIncludingPartBlocksAtTheEdges) {
  struct Case {
    const char* what;
    int width, height, factor;
    std::vector<uint32_t> in, expected;
  };
  const uint32_t black = Rgb(0, 0, 0), white = Rgb(255, 255, 255);
  const Case cases[] = {
      // A 1-pixel checkerboard reads as the grey it makes: 510 / 4 = 127.5, rounded up.
      {"checkerboard", 4, 2, 2, {black, white, black, white, white, black, white, black}, {Rgb(128, 128, 128), Rgb(128, 128, 128)}},
      // Channels separately: (10 + 20 + 30 + 41) / 4 = 25.25 -> 25, (1 + 2 + 3 + 5) / 4 = 2.75 -> 3.
      {"channels", 2, 2, 2, {Rgb(10, 1, 200), Rgb(20, 2, 200), Rgb(30, 3, 201), Rgb(41, 5, 201)}, {Rgb(25, 3, 201)}},
      // 3 x 3 by 2: the right column and bottom row are blocks of 2 and the corner a block of 1.
      {"part blocks", 3, 3, 2,
       {Rgb(0, 0, 0), Rgb(4, 0, 0), Rgb(9, 0, 0), Rgb(8, 0, 0), Rgb(12, 0, 0), Rgb(10, 0, 0), Rgb(100, 0, 0),
        Rgb(50, 0, 0), Rgb(7, 0, 0)},
       {Rgb(6, 0, 0), Rgb(10, 0, 0), Rgb(75, 0, 0), Rgb(7, 0, 0)}},
      // A factor larger than the picture makes one pixel of the whole: 765 / 3 = 255.
      {"one block", 3, 1, 4, {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255)}, {Rgb(85, 85, 85)}},
  };
  for (const Case& c : cases) {
    Plane in(c.width, c.height);
    in.words = c.in;
    Plane out(ReducedLength(c.width, c.factor), ReducedLength(c.height, c.factor));
    BlockMeans(in.In(), c.factor, out.Out());
    EXPECT_EQ(out.words, c.expected) << c.what;
  }
}

TEST(BlockMeans, MatchesAPlainSumOfEveryBlockOnRandomPictures) {
  std::mt19937 random(5);
  const int sizes[][2] = {{1, 1}, {7, 300}, {301, 5}, {257, 131}};
  for (const auto& size : sizes) {
    Plane in(size[0], size[1]);
    for (uint32_t& word : in.words) word = 0xFF000000u | (random() & 0xFFFFFF);
    for (int factor : {2, 3, 5, 16, 300}) {
      Plane out(ReducedLength(in.width, factor), ReducedLength(in.height, factor));
      BlockMeans(in.In(), factor, out.Out());
      for (int oy = 0; oy < out.height; ++oy)
        for (int ox = 0; ox < out.width; ++ox) {
          long sum[3] = {0, 0, 0}, count = 0;
          for (int y = oy * factor; y < std::min(in.height, oy * factor + factor); ++y)
            for (int x = ox * factor; x < std::min(in.width, ox * factor + factor); ++x, ++count)
              for (int c = 0; c < 3; ++c) sum[c] += (in.At(x, y) >> (8 * c)) & 0xFF;
          uint32_t expected = 0xFF000000u;
          for (int c = 0; c < 3; ++c) expected |= uint32_t((sum[c] * 2 + count) / (2 * count)) << (8 * c);
          ASSERT_EQ(out.At(ox, oy), expected) << size[0] << "x" << size[1] << " by " << factor << " at " << ox << "," << oy;
        }
    }
  }
}

TEST(BlockMeans, BlocksOfOneValueKeepItUpToTheLargestReduction) {
  // The largest sums a view makes: blocks of up to 1024 x 1024 pixels of 255.
  for (int factor : {7, 16, 17, 1024})
    for (uint32_t value : {0u, 1u, 128u, 254u, 255u}) {
      Plane in(factor + 3, factor);  // a whole block and a cut one
      std::fill(in.words.begin(), in.words.end(), Rgb(value, 255 - value, value));
      Plane out(2, 1);
      BlockMeans(in.In(), factor, out.Out());
      EXPECT_EQ(out.words, std::vector<uint32_t>(2, Rgb(value, 255 - value, value))) << factor << " " << value;
    }
}

TEST(GatherPixels, MagnifiedPartsRepeatEachPixelWhole) {
  Plane in(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) in.At(x, y) = Rgb(x, y, 7);
  // Zoom 3, the part from screen pixel (4, 2) on, 5 wide and 3 high: columns 4..8 show
  // picture columns 1, 1, 2, 2, 2 and rows 2..4 picture rows 0, 1, 1.
  Plane out(5, 3);
  GatherPixels(in.In(), MagnifiedIndices(4, 5, 3), MagnifiedIndices(2, 3, 3), out.Out());
  const int columns[] = {1, 1, 2, 2, 2}, rows[] = {0, 1, 1};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(out.At(x, y), Rgb(columns[x], rows[y], 7)) << x << "," << y;
}

}  // namespace
}  // namespace tessalin
