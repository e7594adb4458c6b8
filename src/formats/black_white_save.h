// Saving a black-and-white result that is held packed (core/black_white.h)
// and stands for its 24-bit form: the file must hold what the 24-bit picture
// would give.
#pragma once

#include <string>

#include "core/raster_image.h"
#include "formats/image_files.h"

namespace tessalin {

// True when SaveImageFile writes the same bytes for a packed black-and-white
// raster as for its 24-bit form (WBMP reduces both to the same bits; BMP and
// raw grey are written from B, G, R rows whatever the layout). GIF, icon and
// metafile files keep a 1-bit layout, so they are not.
bool SavesPackedAlike(const std::string& fileName);

// SaveImageFile of the 24-bit form of `packed`: the packed raster itself
// where the file comes out alike, else widened first.
bool SaveBlackWhiteResult(const std::string& fileName, const RasterImage& packed, FileContext& context);

}  // namespace tessalin
