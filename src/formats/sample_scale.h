// Samples of any maxval (PNG's 16 bits, netpbm's 1 to 65535) brought to the
// raster's 8 bits, rounded to nearest (halves up, as netpbm's pamdepth does).
#pragma once

#include <cstdint>

namespace tessalin {

// round(value x 255 / maxval), for value <= maxval <= 65535.
inline uint8_t ScaleSample(uint32_t value, uint32_t maxval) {
  const uint64_t m = maxval;
  return static_cast<uint8_t>((uint64_t{value} * 510 + m) / (2 * m));
}

// The sample composited over white by its alpha, both out of maxval, rounded
// once: round((value x alpha + maxval x (maxval - alpha)) x 255 / maxval^2).
// For 8-bit samples this is the icons' blend.
inline uint8_t OverWhite(uint32_t value, uint32_t alpha, uint32_t maxval) {
  const uint64_t m = maxval;
  const uint64_t sum = uint64_t{value} * alpha + m * (m - alpha);
  return static_cast<uint8_t>((sum * 510 + m * m) / (2 * m * m));
}

}  // namespace tessalin
