// The intensity of a fresh cell, shared by the dithering engines and their tests.
#pragma once

#include <array>

namespace tessalin {

// RGBToHSI(r, g, b).I indexed by r + g + b.
const std::array<double, 766>& IntensityBySum();

}  // namespace tessalin
