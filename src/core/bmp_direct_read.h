// The common BMP files (uncompressed 24 and 32 bits a pixel, plain header)
// read straight from the file into the rows of the raster, without holding
// the whole file in memory first: the same raster DecodeBmp makes of them.
#pragma once

#include <string>

#include "core/raster_image.h"

namespace tessalin {

// True with `out` holding the picture when `path` is such a file; false,
// with `out` untouched, for every other file (the general decoder then reads
// it and words any fault). Throws TessalinError naming the file when it
// cannot be read or ends before its rows do.
bool ReadBmpRowsDirect(const std::string& path, RasterImage& out);

}  // namespace tessalin
