// Black-and-white pictures at one bit a pixel. The dithering engines, the
// Monochrome operation and the wizard make their black-and-white results
// packed: a pf1Bit raster with the black-and-white table (index 0 black,
// index 1 white) stands for the 24-bit picture of 0 and 255 bytes that a
// window shows, at a twenty-fourth of its size. Writers that give the same
// bytes for both (WBMP) take the packed raster as it is.
#pragma once

#include <cstdint>

#include "core/raster_image.h"

namespace tessalin {

// A packed raster of the given size whose rows the caller writes whole
// (PackBlackWhiteRow); the unused low bits of each row end up clear.
RasterImage NewPackedRaster(int height, int width);

// True for a pf1Bit raster whose two colours are black (index 0) and white (index 1).
bool IsPackedBlackWhite(const RasterImage& raster);

// `width` bytes of 0 (black) or 255 (white) into (width + 7) / 8 bytes, most
// significant bit first, the unused low bits of the last byte clear.
void PackBlackWhiteRow(const uint8_t* values, int width, uint8_t* bits);

// The 24-bit picture a 1-bit raster shows: each pixel its table colour (for a
// packed black-and-white raster, three bytes of 0 or 255).
RasterImage ExpandBlackWhite(const RasterImage& packed);

}  // namespace tessalin
