// One pixel between the RGB model (bytes B, G, R) and the HSI model (doubles
// I, S, H). Both conversions are pure.
#pragma once

#include <cstdint>

#include "core/arithmetic.h"

namespace tessalin {

struct HSIColor {
  double I = 0;  // intensity, 0 .. 255
  double S = 0;  // saturation, 0 .. 1
  double H = 0;  // hue in degrees, 0 .. 360
};

inline constexpr double kRadiansToDegrees = 57.29577951;  // not the exact 180/pi
inline constexpr double kDegreesToRadians = 0.017453293;

HSIColor RGBToHSI(uint8_t r, uint8_t g, uint8_t b);

// The same values, bit for bit, for loops over many pixels: the hue depends
// only on R - G and R - B, so it comes from a table built once by RGBToHSI.
HSIColor RGBToHSIFast(uint8_t r, uint8_t g, uint8_t b);

// Returns the bytes in the order blue, green, red.
BgrTriple HSIToRGB(const HSIColor& hsi);

}  // namespace tessalin
