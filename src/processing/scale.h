// Reduction by block means and magnification by nearest pixel.
#pragma once

#include <string>

#include "core/raster_image.h"

namespace tessalin {

// trunc(W / fx) x trunc(H / fy) pixels.
RasterImage ReduceImage(const RasterImage& source, double fy, double fx);
// trunc(W * fx) x trunc(H * fy) pixels.
RasterImage MagnifyImage(const RasterImage& source, double fy, double fx);

// The document's scale menu: a tag of 25 to 500 (percent); 100 or less reduces
// by 100 / tag (100 gives an equal picture), above 100 magnifies by tag / 100.
RasterImage ScaleByMenuTag(const RasterImage& source, int tag);

// The scale dialog's factor text with three significant digits
// (100 / 75 gives "1.33", 100 / 3 gives "33.3"), rounded half away from zero
// from the exact value (100 / 32 gives "3.13").
std::string ThreeSignificantDigits(double factor);

}  // namespace tessalin
