#include <gtest/gtest.h>

#include <cstring>

#include "core/colour_model.h"

namespace tessalin {
namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(RGBToHSIFast, EqualsTheFormulaBitForBitForEveryColour) {
  for (int r = 0; r < 256; ++r)
    for (int g = 0; g < 256; ++g)
      for (int b = 0; b < 256; ++b) {
        const HSIColor want = RGBToHSI(r, g, b), got = RGBToHSIFast(r, g, b);
        ASSERT_TRUE(SameBits(got.I, want.I) && SameBits(got.S, want.S) && SameBits(got.H, want.H))
            << r << " " << g << " " << b << ": H " << got.H << " vs " << want.H;
      }
}

}  // namespace
}  // namespace tessalin
