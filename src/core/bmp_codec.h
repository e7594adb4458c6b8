// Windows BMP files in the raster's own pixel format: 1, 4 and 8 bits with
// their colour tables, 16 bits as 5-5-5 and 5-6-5 (bit fields), 24 and 32
// bits; bottom-up and top-down rows; RLE4 and RLE8 when reading.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/raster_image.h"

namespace tessalin {

// Decodes a BMP held in memory; `nameForErrors` names the file in messages.
RasterImage DecodeBmp(std::span<const uint8_t> bytes, const std::string& nameForErrors);
std::vector<uint8_t> EncodeBmp(const RasterImage& image);
// The bytes EncodeBmp gives for a pfDevice copy of the picture (32-bit B, G,
// R, 0), made straight from the picture's rows without the copy.
std::vector<uint8_t> EncodeBmpAsDevice(const RasterImage& image);

RasterImage LoadBmpFile(const std::string& path);
void SaveBmpFile(const RasterImage& image, const std::string& path);  // temporary file, then rename
void SaveBmpFileAsDevice(const RasterImage& image, const std::string& path);

}  // namespace tessalin
