// WBMP type 0: the monochrome wireless bitmap.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/raster_image.h"
#include "core/user_prompts.h"

namespace tessalin {

// "해당 화일은 Wap-Bitmap 형식이 아닙니다": a file whose type or fixed header is not 0.
extern const char* const kNotWbmpMessage;

// The multi-byte integer: 7-bit groups, most significant first, bit 7 set on
// every byte but the last.
void WriteWbmpInteger(std::vector<uint8_t>& out, uint32_t value);
// Reads at `pos` and advances it; throws TessalinError naming `nameForErrors`
// on a truncated or over-long (more than 4 bytes) integer.
uint32_t ReadWbmpInteger(std::span<const uint8_t> bytes, size_t& pos, const std::string& nameForErrors);

// Reads `path`. Returns false (after showing kNotWbmpMessage through `prompts`)
// for a file that is not WBMP type 0; on true `result` holds a pf1Bit raster
// (empty for a width or height of 0). Truncated or impossible files throw.
bool ReadWbmp(const std::string& path, UserPrompts& prompts, RasterImage& result);

// The writer: a picture that holds only black and white pixels keeps every
// pixel, whatever `sharedBias` (a dithered result must not come out blank);
// any other picture goes through the recipe: intensity, "Sharpning2" at
// `sharedBias`, Monochrome, black-and-white palette, 1 bit. The picture is not
// changed.
std::vector<uint8_t> EncodeWbmp(const RasterImage& picture, int sharedBias);
// The rows alone, (width + 7) div 8 bytes each, top first, a set bit white:
// what WriteWbmp writes after the header (other 1-bit writers share it).
std::vector<uint8_t> EncodeWbmpRows(const RasterImage& picture, int sharedBias);
// The same step by step through the engines (a pixel scan, convolution,
// Monochrome, 1-bit conversion); EncodeWbmp must give the same bytes.
std::vector<uint8_t> EncodeWbmpByRecipe(const RasterImage& picture, int sharedBias);
// Writes through a temporary file beside `path`; returns true or throws.
bool WriteWbmp(const RasterImage& picture, const std::string& path, int sharedBias);

}  // namespace tessalin
