// PNG through libpng. Read: a palette file opens as a 1-, 4- or 8-bit raster
// keeping its colour table (2-bit indices widen to 4), every other kind as
// pf24Bit; 16-bit samples are rounded to 8 bits and alpha is composited over
// white. Written: a black-and-white picture as 1-bit grey, an indexed one with
// its table, anything else as 8-bit RGB; reading it back gives the same pixels.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/raster_image.h"

namespace tessalin {

// Throws TessalinError naming `nameForErrors` for anything libpng refuses, a
// truncated file, a picture above the pixel limit, or compressed data too
// short for the declared size (checked before the picture is allocated).
RasterImage DecodePng(std::span<const uint8_t> bytes, const std::string& nameForErrors);
RasterImage LoadPngFile(const std::string& path);

void SavePngFile(const RasterImage& picture, const std::string& path);  // temporary file, then rename

}  // namespace tessalin
