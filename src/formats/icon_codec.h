// Windows icons (.ico, .icon): every common entry (1, 4, 8, 16, 24 and 32-bit
// bitmaps with their AND mask, PNG-compressed entries) drawn onto white; the
// written icon is the standard 32 x 32 size with an opaque mask.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/raster_image.h"

namespace tessalin {

inline constexpr int kStandardIconSize = 32;

// The entry nearest the standard size (deepest colour on a tie), drawn onto a
// white pfDevice raster of its own size: where the mask is set the white
// background is combined with the colour by exclusive or, as the display does.
RasterImage DecodeIcon(std::span<const uint8_t> bytes, const std::string& nameForErrors);
RasterImage LoadIconFile(const std::string& path);

// One 24-bit 32 x 32 entry: the picture drawn unscaled at (0, 0) onto white
// (cropped at the top-left, or with white margins), every mask bit clear.
std::vector<uint8_t> EncodeIcon(const RasterImage& picture);
void SaveIconFile(const RasterImage& picture, const std::string& path);  // temporary file, then rename

}  // namespace tessalin
