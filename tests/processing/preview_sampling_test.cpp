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

}  // namespace
}  // namespace tessalin
