// Windows metafiles: enhanced (.emf) and old-style (.wmf, placeable or not).
// Reading plays the bitmap records and the common vector records (pens, solid
// brushes, lines, polylines, polygons, rectangles, ellipses) onto a white
// raster of the metafile's size; other records are skipped. Writing stores the
// picture as one StretchDIBits record.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/raster_image.h"

namespace tessalin {

// The resolution our metafiles assume for the screen they were made on.
inline constexpr int kMetafileScreenDpi = 96;

// Chosen by the name's extension (".emf" enhanced, otherwise old-style).
// Returns a pfDevice raster; throws TessalinError naming the file when the
// metafile is damaged, has no size, or is larger than the pixel limit.
RasterImage LoadMetafile(const std::string& path);
RasterImage DecodeEmf(std::span<const uint8_t> bytes, const std::string& nameForErrors);
RasterImage DecodeWmf(std::span<const uint8_t> bytes, const std::string& nameForErrors);

std::vector<uint8_t> EncodeEmf(const RasterImage& picture);
std::vector<uint8_t> EncodeWmf(const RasterImage& picture);             // with the placeable header
void SaveEmfFile(const RasterImage& picture, const std::string& path);  // temporary file, then rename
void SaveWmfFile(const RasterImage& picture, const std::string& path);

}  // namespace tessalin
