// Converting one row between a pixel format's layout and plain B, G, R bytes.
#pragma once

#include <cstdint>

#include "core/color.h"
#include "core/palette.h"
#include "core/pixel_format.h"

namespace tessalin {

// Reads `width` pixels of `row` (in `format`, indices looked up in `table`)
// into 3 * width bytes of blue, green, red.
void DecodeRowToBgr(const uint8_t* row, PixelFormat format, const ColorTable& table, int width,
                    uint8_t* bgr);

// Writes `width` B, G, R pixels into `row` in `format`. Indexed formats map
// each pixel to the nearest entry through `mapper` (no dithering); the unused
// low bits of a packed row's last byte are left as they are.
void EncodeRowFromBgr(const uint8_t* bgr, int width, PixelFormat format, NearestColorMapper* mapper,
                      uint8_t* row);

// Index of pixel x in a 1-, 4- or 8-bit row, and its replacement.
int GetIndexAt(const uint8_t* row, PixelFormat format, int x);
void SetIndexAt(uint8_t* row, PixelFormat format, int x, int index);

}  // namespace tessalin
