// Pieces of the dithering engines that their tests check exhaustively.
#pragma once

#include <array>

namespace tessalin {

// RGBToHSI(r, g, b).I indexed by r + g + b.
const std::array<double, 766>& IntensityBySum();

// round(ClampReal(old + n / D, 0, 255)) in integers: old is whole, so the
// real sum is exact and a tie can only be an exact half.
template <int D>
inline int AddColourShare(int old, int n) {
  int v;
  if constexpr (D == 16) {
    // Half to even in shifts: the tie bit decides whether the 8 rounds up.
    const int s = old * 16 + n;
    v = (s + 7 + ((s >> 4) & 1)) >> 4;
  } else {
    constexpr int kOffset = 256;  // keeps the numerator positive (|n| <= 255 * 8)
    const unsigned s = static_cast<unsigned>(old * D + n + kOffset * D);
    unsigned q = s / D;
    const unsigned r2 = 2 * (s % D);
    q += (r2 > static_cast<unsigned>(D)) | ((r2 == static_cast<unsigned>(D)) & q);
    v = static_cast<int>(q) - kOffset;
  }
  return v < 0 ? 0 : (v > 255 ? 255 : v);
}

}  // namespace tessalin
