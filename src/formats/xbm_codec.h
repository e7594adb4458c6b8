// X bitmap (.xbm): the C source that display libraries compile in. The
// picture is reduced to black and white by the WBMP writer's recipe, so a
// picture that is black and white already keeps every pixel.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/raster_image.h"

namespace tessalin {

// The identifiers' stem from a file name: its name without folder and
// extension, every character that cannot stand in a C identifier made "_",
// and "xbm_" in front when it would start with a digit (or be empty).
std::string XbmIdentifier(const std::string& fileName);

// "#define NAME_width W", "#define NAME_height H" and
// "static unsigned char NAME_bits[] = { ... };": rows padded to whole bytes,
// the leftmost pixel in the least significant bit, 1 black.
std::string EncodeXbm(const RasterImage& picture, int sharedBias, const std::string& identifier);
// X11 ("char" bytes) and X10 ("short" words) bitmaps, as a 1-bit raster with
// the black-and-white table. The size comes from the "_width" and "_height"
// defines; comments and any declaration words are allowed. Sizes are checked
// against the pixel limit and the text's length before anything is allocated;
// a damaged file throws TessalinError naming `nameForErrors`.
RasterImage DecodeXbm(std::span<const uint8_t> text, const std::string& nameForErrors);
RasterImage LoadXbmFile(const std::string& path);

void SaveXbmFile(const RasterImage& picture, const std::string& path,
                 int sharedBias);  // temporary file, then rename

}  // namespace tessalin
