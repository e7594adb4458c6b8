// Rasters to and from Qt images: the screen and the clipboard speak QImage.
#pragma once

#include <QImage>

#include "core/raster_image.h"

namespace tessalin {

// An RGB32 image with the raster's colours (indexed formats through their table).
QImage RasterToQImage(const RasterImage& raster);
// A pf24Bit raster of the image (alpha ignored); empty for a null image.
RasterImage QImageToRaster24(const QImage& image);

}  // namespace tessalin
