// Per-pixel operations behind the document's colour-model, tone and mirror
// commands. Each takes a pf24Bit raster and returns a new pf24Bit raster of the
// same size; the argument never changes.
#pragma once

#include <cstdint>

#include "core/raster_image.h"

namespace tessalin {

// 0 grey R, 1 grey G, 2 grey B, 3 a plain copy.
RasterImage RGBModelImage(int kind, const RasterImage& image);
// 0 grey h, 1 grey s, 2 grey i, 3 the HSI composite (red h, green s, blue i),
// with h = round(H / 360 * 255), s = round(S * 255), i = round(I).
RasterImage HSIModelImage(int kind, const RasterImage& image);
// 0 GrayScale, 1 Monochrome, 2 Inverse.
RasterImage EtcModelImage(int kind, const RasterImage& image);
// 0 swaps left and right, 1 swaps top and bottom.
RasterImage MirrorImage(int kind, const RasterImage& image);

// Installs the black-and-white palette first when the target is pf1Bit.
void ConvertPixelFormat(int pixelFormat, RasterImage& image);
// ConvertPixelFormat applied to a copy of `image`, made without the copy.
RasterImage ConvertedPixelFormat(int pixelFormat, const RasterImage& image);

// EtcModelImage kind 1 (Monochrome) packed at one bit (core/black_white.h).
RasterImage MonochromePacked(const RasterImage& image);

// The per-pixel rules, shared with the engines that reuse them.
uint8_t GrayScaleValue(uint8_t r, uint8_t g, uint8_t b);  // round(0.3 R + 0.59 G + 0.11 B)
// The same value by the plain extended-precision formula (the reference).
uint8_t GrayScaleValueReference(uint8_t r, uint8_t g, uint8_t b);
bool MonochromeIsWhite(uint8_t r, uint8_t g, uint8_t b);  // all six weighted sums > 32512

}  // namespace tessalin
