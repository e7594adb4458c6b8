// The twelve 3 x 3 kernels as data: one driver serves them all. Grids are in
// reading order (top row left to right, then the middle and bottom rows).
#pragma once

namespace tessalin {

struct ConvolveKernel {
  const char* name;     // the combo box item
  const char* caption;  // the caption set on selection
  double k1[9];
  double k2[9];
  bool magnitude;  // |K1 sum| + |K2 sum| (kinds 9 to 11)
  // Byte sums can be done in whole numbers: 16 * K is whole, or (Sharpning4)
  // 9 * K is, and T / 9 is never within rounding noise of a half.
  bool sixteenths;
};

inline constexpr double kSixteenth = 1.0 / 16, kEighth = 2.0 / 16, kQuarter = 4.0 / 16;
inline constexpr double kMinusNinth = -1.0 / 9, kEightNinths = 8.0 / 9;

inline constexpr ConvolveKernel kConvolveKernels[12] = {
    {"Blouring", "Blouring Convolve",
     {kSixteenth, kEighth, kSixteenth, kEighth, kQuarter, kEighth, kSixteenth, kEighth, kSixteenth}, {}, false, true},
    {"Sharpning1", "Shapning Convolve", {0, -1, 0, -1, 5, -1, 0, -1, 0}, {}, false, true},
    {"Sharpning2", "Shapning2 Convolve", {-1, -1, -1, -1, 10, -1, -1, -1, -1}, {}, false, true},
    {"Sharpning3", "Shapning3 Convolve", {1, -2, 1, -2, 5, -2, 1, -2, 1}, {}, false, true},
    {"Sharpning4", "Shapning4 Convolve",
     {kMinusNinth, kMinusNinth, kMinusNinth, kMinusNinth, kEightNinths, kMinusNinth, kMinusNinth, kMinusNinth,
      kMinusNinth},
     {}, false, true},
    {"Embosing1", "Embossing Convolve", {0, 0, -1, 0, 0, 0, 1, 0, 0}, {}, false, true},
    {"Laplacian1", "Laplacian Convolve", {0, -1, 0, -1, 4, -1, 0, -1, 0}, {}, false, true},
    {"Laplacian2", "Laplacian2 Convolve", {-1, -1, -1, -1, 8, -1, -1, -1, -1}, {}, false, true},
    {"Conv Edge", "Conv Edge Detection", {-1, -1, -1, -1, 8, -1, -1, -1, -1}, {}, false, true},
    {"Sobel Edge", "Sobel Edge Detection", {1, 0, -1, 2, 0, -2, 1, 0, -1}, {1, 2, 1, 0, 0, 0, -1, -2, -1}, true, true},
    {"Roberts Edge", "Roberts Edge Detection", {0, 0, -1, 0, 1, 0, 0, 0, 0}, {0, -1, 0, 0, 0, 1, 0, 0, 0}, true,
     true},
    {"Prewitt Edge", "Prewitt Edge Detection", {-1, 0, 1, -1, 0, 1, -1, 0, 1}, {-1, -1, -1, 0, 0, 0, 1, 1, 1}, true,
     true},
};

}  // namespace tessalin
