// Reduction by block means and magnification by nearest pixel.
#pragma once

#include <string>

#include "core/raster_image.h"

namespace tessalin {

// trunc(W / fx) x trunc(H / fy) pixels.
RasterImage ReduceImage(const RasterImage& source, double fy, double fx);
// trunc(W * fx) x trunc(H * fy) pixels.
RasterImage MagnifyImage(const RasterImage& source, double fy, double fx);

// The document's scale menu: a tag of 25 to 500 (percent); below 100 reduces by
// 100 / tag, above magnifies by tag / 100, 100 copies.
RasterImage ScaleByMenuTag(const RasterImage& source, int tag);

// The scale dialog's factor text with three significant digits
// (100 / 75 gives "1.33", 100 / 3 gives "33.3").
std::string ThreeSignificantDigits(double factor);

}  // namespace tessalin
