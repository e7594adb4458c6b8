// The arithmetic rules every engine shares. Results are fixed to the bit, so
// these are the only places where rounding and clamping are decided.
#pragma once

#include <cmath>
#include <cstdint>

namespace tessalin {

// "Extended precision": the x87 80-bit format on x86-64 Linux.
using Extended = long double;

// Nearest integer, ties to even. Adding and taking back 2^52 leaves no
// fraction bits, so the sum is rounded in the default mode (ties to even, which
// nothing here changes): the same as std::nearbyint without its call and its
// save of the floating-point environment. copysign keeps the sign of a zero.
inline double RoundHalfEven(double x) {
  constexpr double kTwo52 = 4503599627370496.0;
  if (!(std::fabs(x) < kTwo52)) return x;  // already whole, or not a number
  const double r = x >= 0 ? (x + kTwo52) - kTwo52 : (x - kTwo52) + kTwo52;
  return std::copysign(r, x);
}
inline Extended RoundHalfEven(Extended x) { return std::nearbyintl(x); }

// lrint rounds in the current mode as nearbyint does, without saving and
// restoring the floating-point environment on every call (much faster).
// Values beyond the int range saturate instead of wrapping.
inline int SaturateToInt(long v) {
  return v < INT32_MIN ? INT32_MIN : (v > INT32_MAX ? INT32_MAX : static_cast<int>(v));
}
inline int RoundToInt(double x) { return SaturateToInt(std::lrint(x)); }
inline int RoundToInt(Extended x) { return SaturateToInt(std::lrintl(x)); }

// Low bound first: ClampInt(5, 10, 0) is 10.
inline int32_t ClampInt(int32_t value, int32_t low, int32_t high) {
  if (value < low) return low;
  if (value > high) return high;
  return value;
}

inline double ClampReal(double value, double low, double high) {
  if (value < low) return low;
  if (value > high) return high;
  return value;
}

inline double MaxReal(double a, double b) { return a > b ? a : b; }

inline uint8_t ClampByte(int value) {
  return static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

// round(ClampReal(value, low, high)) as a byte, for the three bytes of a grey pixel.
inline uint8_t GrayByte(double value, double low, double high) {
  return static_cast<uint8_t>(RoundToInt(ClampReal(value, low, high)));
}

struct BgrTriple {
  uint8_t b, g, r;
};

inline BgrTriple GrayTriple(double value, double low, double high) {
  const uint8_t v = GrayByte(value, low, high);
  return {v, v, v};
}

}  // namespace tessalin
