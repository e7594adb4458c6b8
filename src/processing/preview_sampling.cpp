#include "processing/preview_sampling.h"

#include <algorithm>

#include "core/pixel_ops.h"

namespace tessalin {

RasterImage NeighbourhoodMosaic(const RasterImage& picture, const std::vector<int>& columns,
                                const std::vector<int>& rows) {
  if (columns.empty() || rows.empty() || !picture.HasImage()) return RasterImage();
  const int width = picture.Width(), height = picture.Height();
  RasterImage mosaic = NewRaster(PixelFormat::pf24Bit, 3 * static_cast<int>(rows.size()),
                                 3 * static_cast<int>(columns.size()));
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  for (size_t j = 0; j < rows.size(); ++j) {
    for (int dy = -1; dy <= 1; ++dy) {
      picture.ReadRowBgr(std::clamp(rows[j] + dy, 0, height - 1), row.data());
      uint8_t* dst = mosaic.Row(3 * static_cast<int>(j) + dy + 1);
      for (size_t i = 0; i < columns.size(); ++i)
        for (int dx = -1; dx <= 1; ++dx) {
          const size_t c = static_cast<size_t>(std::clamp(columns[i] + dx, 0, width - 1));
          uint8_t* d = dst + 3 * (3 * i + static_cast<size_t>(dx + 1));
          d[0] = row[3 * c];
          d[1] = row[3 * c + 1];
          d[2] = row[3 * c + 2];
        }
    }
  }
  return mosaic;
}

RasterImage MosaicCentres(const RasterImage& mosaicResult) {
  if (!mosaicResult.HasImage()) return RasterImage();
  const int w = mosaicResult.Width() / 3, h = mosaicResult.Height() / 3;
  RasterImage out = NewRaster(PixelFormat::pf24Bit, h, w);
  std::vector<uint8_t> row(static_cast<size_t>(mosaicResult.Width()) * 3);
  for (int y = 0; y < h; ++y) {
    mosaicResult.ReadRowBgr(3 * y + 1, row.data());
    uint8_t* dst = out.Row(y);
    for (int x = 0; x < w; ++x) {
      const size_t c = static_cast<size_t>(3 * x + 1);
      dst[3 * x] = row[3 * c];
      dst[3 * x + 1] = row[3 * c + 1];
      dst[3 * x + 2] = row[3 * c + 2];
    }
  }
  return out;
}

void SplitColourResults(std::array<RasterImage, 8>& results) {
  for (int byte = 0; byte < 3; ++byte) {
    results[byte] = RGBModelImage(byte, results[3]);
    results[4 + byte] = RGBModelImage(byte, results[7]);
  }
}

}  // namespace tessalin
