// The shared rounding rule against the C library's, on the values where a
// shortcut could go wrong: halves, neighbours of halves, signs, the 2^52 edge.
#include "core/arithmetic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace tessalin {
namespace {

void ExpectSameAsLibrary(double x) {
  const double got = RoundHalfEven(x), want = std::nearbyint(x);
  if (std::isnan(want)) {
    EXPECT_TRUE(std::isnan(got)) << x;
    return;
  }
  uint64_t a, b;
  std::memcpy(&a, &got, 8);
  std::memcpy(&b, &want, 8);
  EXPECT_EQ(a, b) << std::hexfloat << x << " gave " << got << " instead of " << want;
}

TEST(RoundHalfEven, MatchesNearbyintOnHalvesNeighboursAndEdges) {
  for (int k = -2000; k <= 2000; ++k) {
    const double half = k + 0.5;
    for (double v : {half, std::nextafter(half, -1e300), std::nextafter(half, 1e300), static_cast<double>(k),
                     std::nextafter(static_cast<double>(k), -1e300), std::nextafter(static_cast<double>(k), 1e300)})
      ExpectSameAsLibrary(v);
  }
  const double two52 = 4503599627370496.0;
  for (double v : {two52, two52 - 0.5, two52 - 1.5, two52 + 1, two52 * 2 + 2, -two52 + 0.5, 0.0, -0.0, 0.3, -0.3,
                   0.5, -0.5, 1e-300, -1e-300, std::numeric_limits<double>::denorm_min(),
                   std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                   std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::max()})
    ExpectSameAsLibrary(v);
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> wide(-1e6, 1e6);
  for (int i = 0; i < 200000; ++i) {
    ExpectSameAsLibrary(wide(rng));
    uint64_t bits = rng();
    double any;
    std::memcpy(&any, &bits, 8);
    ExpectSameAsLibrary(any);
  }
}

}  // namespace
}  // namespace tessalin
