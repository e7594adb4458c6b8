#include "widgets/qt_raster.h"

#include <new>

#include "core/limits.h"
#include "processing/display_sampling.h"

namespace tessalin {

QImage RasterToQImage(const RasterImage& raster) {
  if (!raster.HasImage()) return QImage();
  QImage image(raster.Width(), raster.Height(), QImage::Format_RGB32);
  // Qt reports a failed allocation as a null image.
  if (image.isNull()) throw std::bad_alloc();
  RasterToXrgb(raster, MutableXrgbPlane{reinterpret_cast<uint32_t*>(image.bits()), image.bytesPerLine() / 4,
                                        image.width(), image.height()});
  return image;
}

RasterImage QImageToRaster24(const QImage& image) {
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return RasterImage();
  CheckPixelLimit(image.width(), image.height());
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  if (rgb.isNull()) throw std::bad_alloc();
  return XrgbToRaster24(XrgbPlane{reinterpret_cast<const uint32_t*>(rgb.constBits()), rgb.bytesPerLine() / 4,
                                  rgb.width(), rgb.height()});
}

}  // namespace tessalin
