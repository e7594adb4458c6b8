#include "core/colour_model.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tessalin {

HSIColor RGBToHSI(uint8_t r, uint8_t g, uint8_t b) {
  const int R = r, G = g, B = b;
  const int sum = R + G + B;
  const int m = R < G ? (R < B ? R : B) : (G < B ? G : B);
  HSIColor out;
  out.I = static_cast<double>(static_cast<Extended>(sum) / 3);
  if (R == G && G == B) {
    out.S = 0;
    out.H = 0;
  } else {
    out.S = static_cast<double>(1 - (static_cast<Extended>(3) / sum) * m);
    const int D = (R - G) * (R - G) + (R - B) * (G - B);
    const double c = static_cast<double>((R - 0.5L * G - 0.5L * B) / std::sqrt(static_cast<Extended>(D)));
    const Extended theta = std::acos(static_cast<Extended>(c)) * static_cast<Extended>(kRadiansToDegrees);
    out.H = static_cast<double>(G >= B ? theta : 360 - theta);
  }
  out.H = ClampReal(out.H, 0, 360);
  out.S = ClampReal(out.S, 0, 1);
  out.I = ClampReal(out.I, 0, 255);
  return out;
}

namespace {

// Hue by (R - G, R - B), each -255 .. 255. The numerator R - G/2 - B/2 is
// (d1 + d2) / 2 and D is d1^2 - d1 d2 + d2^2, both exact, and the side of the
// half turn is G >= B, that is d2 >= d1: nothing else of the pixel enters.
constexpr int kDiffs = 511;

const std::vector<double>& HueTable() {
  static const std::vector<double> table = [] {
    std::vector<double> t(static_cast<size_t>(kDiffs) * kDiffs, 0.0);
    for (int d1 = -255; d1 <= 255; ++d1)
      for (int d2 = -255; d2 <= 255; ++d2) {
        // One pixel with these differences, if any exists.
        const int r = std::max({0, d1, d2});
        const int g = r - d1, b = r - d2;
        if (r > 255 || g > 255 || b > 255) continue;
        t[static_cast<size_t>(d1 + 255) * kDiffs + static_cast<size_t>(d2 + 255)] =
            RGBToHSI(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)).H;
      }
    return t;
  }();
  return table;
}

}  // namespace

HSIColor RGBToHSIFast(uint8_t r, uint8_t g, uint8_t b) {
  static const std::vector<double>& hues = HueTable();
  const int R = r, G = g, B = b;
  const int sum = R + G + B;
  HSIColor out;
  out.I = ClampReal(static_cast<double>(static_cast<Extended>(sum) / 3), 0, 255);
  if (R == G && G == B) return out;
  const int m = std::min({R, G, B});
  out.S = ClampReal(static_cast<double>(1 - (static_cast<Extended>(3) / sum) * m), 0, 1);
  out.H = hues[static_cast<size_t>(R - G + 255) * kDiffs + static_cast<size_t>(R - B + 255)];
  return out;
}

namespace {

inline uint8_t OutputByte(Extended value) {
  return static_cast<uint8_t>(RoundToInt(ClampReal(static_cast<double>(value), 0, 255)));
}

}  // namespace

BgrTriple HSIToRGB(const HSIColor& hsi) {
  const Extended I = hsi.I, S = hsi.S;
  if (hsi.I == 0) return {0, 0, 0};
  if (hsi.S == 0) {
    const uint8_t v = OutputByte(I);
    return {v, v, v};
  }
  const Extended K = 3 * I;
  Extended H = hsi.H;
  if (H < 0) H = H + 360;
  const Extended d = kDegreesToRadians;
  auto f = [&](Extended h) { return (1 + S * std::cos(h * d) / std::cos((60 - h) * d)) / 3; };
  Extended r, g, b;
  if (H <= 120) {
    b = (1 - S) / 3;
    r = f(H);
    g = 1 - r - b;
  } else if (H <= 240) {
    r = (1 - S) / 3;
    g = f(H - 120);
    b = 1 - r - g;
  } else {
    g = (1 - S) / 3;
    b = f(H - 240);
    r = 1 - g - b;
  }
  return {OutputByte(K * b), OutputByte(K * g), OutputByte(K * r)};
}

}  // namespace tessalin
