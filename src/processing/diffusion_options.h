// Error diffusion with the options (strength, linear light): every kernel on
// all four channels at once, in whole 1/256 steps of a byte.
#pragma once

#include <array>

#include "processing/dither.h"

namespace tessalin {

// White in the fine steps; black is 0.
constexpr int kFineWhite = 255 * 256;

// A cell's fine value by colour sum: a colour byte b is entry 3 b, the
// intensity of a pixel entry r + g + b. Plainly round(sum * 256 / 3); in
// linear light round(kFineWhite * decode(sum / 765)) with the sRGB decoding.
const std::array<int, 766>& FineValueBySum(bool linearLight);

// The error-diffusion kind `kind` (2, 3, 4, 6 .. 10) with the options. Each
// share is round(target + error * weight * strength / (divisor * 100)), ties
// to even, clamped to 0 .. kFineWhite; a cell is white when it reaches
// t * 256 (below 0 every cell, above 255 none; in linear light t is a level
// of light, not of the sRGB byte).
PackedDitherResults DiffuseWithOptions(const RasterImage& source, int kind, int threshold,
                                       const DiffusionOptions& options);

}  // namespace tessalin
