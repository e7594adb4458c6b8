#include "core/colour_model.h"

#include <cmath>

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
