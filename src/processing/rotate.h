// Quarter turn and free rotation.
#pragma once

#include "core/raster_image.h"

namespace tessalin {

// Clockwise: a new pf24Bit picture H wide and W high.
RasterImage RotateImage90(const RasterImage& source);

// Rotation by `degrees` with bilinear interpolation, black outside the source;
// with `fit` the result grows to hold the whole turned picture. Each call
// starts from the unrotated source.
RasterImage RotateImage(const RasterImage& source, bool fit, double degrees);

}  // namespace tessalin
