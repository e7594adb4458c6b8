// The WBMP writer's rows for pictures that are already black and white (a
// 1-bit picture, the dithered results): every pixel as it is, 64 at a time.
#pragma once

#include <cstdint>

#include "core/raster_image.h"

namespace tessalin {

// Writes the Height() rows of (Width() + 7) div 8 bytes, a set bit white, into
// `bits`, when every pixel of `picture` is pure black or pure white (a pf24Bit
// picture, or a pf1Bit one whose two colours are black or white). Returns
// false for any other picture, with `bits` partly written.
bool EncodeBilevelWbmpRows(const RasterImage& picture, uint8_t* bits);

}  // namespace tessalin
