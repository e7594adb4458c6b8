// The colour tables the raster core uses: the black-and-white palette that is
// installed before every conversion to 1 bit, the standard 16 colours for 4-bit
// rasters, and the 256-colour halftone palette for 8-bit conversions.
#pragma once

#include <cstdint>

#include "core/color.h"

namespace tessalin {

// Exactly two entries: index 0 black, index 1 white, so a set bit is white.
ColorTable CreateBlackWhitePalette();

// The 16 standard display colours (black, maroon, ..., white).
const ColorTable& StandardPalette16();

// A 6 x 6 x 6 colour cube (levels 0, 51, ..., 255; index r*36 + g*6 + b) followed
// by 40 further greys.
const ColorTable& HalftonePalette256();

// Nearest table entry by squared RGB distance; ties go to the lower index.
int NearestIndexBruteForce(const ColorTable& table, uint8_t r, uint8_t g, uint8_t b);

// The same answer as NearestIndexBruteForce on HalftonePalette256(), computed
// from the palette's structure.
int NearestHalftoneIndex(uint8_t r, uint8_t g, uint8_t b);

// Maps colours to a table's nearest index, choosing the fast path when the
// table is one of ours.
class NearestColorMapper {
 public:
  explicit NearestColorMapper(const ColorTable& table);
  int operator()(uint8_t r, uint8_t g, uint8_t b);

 private:
  const ColorTable& table_;
  bool halftone_;
  bool blackWhite_;
  uint32_t lastKey_ = 0xFFFFFFFFu;
  int lastIndex_ = 0;
};

}  // namespace tessalin
