// Rounding for the engines' inner loops: the same answers as std::nearbyintl
// (ties to even) without its library call and floating-point environment save.
#pragma once

#include <cstdint>
#include <limits>

#include "core/arithmetic.h"

namespace tessalin {

// 1.5 * 2^(p - 1) for a p-bit significand: sums with it have no fraction bits.
constexpr Extended RoundingMagic() {
  Extended m = 1.5L;
  for (int i = 1; i < std::numeric_limits<Extended>::digits; ++i) m *= 2;
  return m;
}

// round(x) clamped to 0 .. 255. Beyond (-1, 256) the answer is 0 or 255 anyway;
// inside, adding the magic number leaves no fraction bits in the significand,
// so the sum is rounded to a whole number, ties to even.
inline uint8_t RoundedByte(Extended x) {
  if (!(x > -1)) return 0;
  if (x >= 256) return 255;
  constexpr Extended kMagic = RoundingMagic();
  const Extended r = (x + kMagic) - kMagic;
  if (r <= 0) return 0;
  if (r >= 255) return 255;
  // r is whole: through a double it converts exactly, without the x87
  // conversion's two switches of the rounding mode.
  return static_cast<uint8_t>(static_cast<int>(static_cast<double>(r)));
}

// Whole-number sums meet a bias of any size; beyond this the bytes saturate alike.
inline int ClampedBias(int bias) { return bias < -100000 ? -100000 : (bias > 100000 ? 100000 : bias); }

}  // namespace tessalin
