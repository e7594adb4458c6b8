#include "widgets/qt_raster.h"

#include <vector>

#include "core/limits.h"

namespace tessalin {

QImage RasterToQImage(const RasterImage& raster) {
  if (!raster.HasImage()) return QImage();
  QImage image(raster.Width(), raster.Height(), QImage::Format_RGB32);
  std::vector<uint8_t> bgr(static_cast<size_t>(raster.Width()) * 3);
  for (int y = 0; y < raster.Height(); ++y) {
    raster.ReadRowBgr(y, bgr.data());
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < raster.Width(); ++x) line[x] = qRgb(bgr[3 * x + 2], bgr[3 * x + 1], bgr[3 * x]);
  }
  return image;
}

RasterImage QImageToRaster24(const QImage& image) {
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return RasterImage();
  CheckPixelLimit(image.width(), image.height());
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  RasterImage raster = NewRaster(PixelFormat::pf24Bit, rgb.height(), rgb.width());
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    uint8_t* row = raster.Row(y);
    for (int x = 0; x < rgb.width(); ++x) {
      row[3 * x] = static_cast<uint8_t>(qBlue(line[x]));
      row[3 * x + 1] = static_cast<uint8_t>(qGreen(line[x]));
      row[3 * x + 2] = static_cast<uint8_t>(qRed(line[x]));
    }
  }
  return raster;
}

}  // namespace tessalin
