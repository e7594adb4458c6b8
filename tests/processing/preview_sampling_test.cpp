#include "processing/preview_sampling.h"

#include <gtest/gtest.h>

#include "processing/channel.h"
#include "processing/convolve.h"
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

}  // namespace
}  // namespace tessalin
