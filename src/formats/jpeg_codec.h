// JPEG through libjpeg: full-scale accurate decoding into pf24Bit (grey files
// as grey pixels), encoding at quality 90, baseline, colour.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/raster_image.h"

namespace tessalin {

// Throws TessalinError naming `nameForErrors` for anything libjpeg refuses,
// a truncated file included.
RasterImage DecodeJpeg(std::span<const uint8_t> bytes, const std::string& nameForErrors);
RasterImage LoadJpegFile(const std::string& path);

std::vector<uint8_t> EncodeJpeg(const RasterImage& picture, const std::string& nameForErrors);
void SaveJpegFile(const RasterImage& picture, const std::string& path);  // temporary file, then rename

}  // namespace tessalin
