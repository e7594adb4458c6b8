// The error-diffusion kernels: one row of data each, read by the one
// diffusion driver (dither.cpp) and by its strength and linear-light path
// (diffusion_options.cpp).
#pragma once

#include <array>

namespace tessalin {

// One kernel position: dx columns ahead along the scan (negative: behind),
// dy rows later in processing order, and its weight.
struct Tap {
  int dx, dy, weight;
};

// kRowsAhead: the rows the taps reach; kBorder: the side border they need;
// kRoundIntensity: I is rounded to a whole number at every share (all but
// Floyd-Steinberg).
struct FloydSteinbergKernel {
  static constexpr int kDivisor = 16, kRowsAhead = 1, kBorder = 1;
  static constexpr bool kRoundIntensity = false;
  static constexpr std::array<Tap, 4> kTaps = {{{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}}};
};

struct JarvisJudiceNinkeKernel {
  static constexpr int kDivisor = 48, kRowsAhead = 2, kBorder = 2;
  static constexpr bool kRoundIntensity = true;
  static constexpr std::array<Tap, 12> kTaps = {{{1, 0, 7},
                                                 {2, 0, 5},
                                                 {-2, 1, 3},
                                                 {-1, 1, 5},
                                                 {0, 1, 7},
                                                 {1, 1, 5},
                                                 {2, 1, 3},
                                                 {-2, 2, 1},
                                                 {-1, 2, 3},
                                                 {0, 2, 5},
                                                 {1, 2, 3},
                                                 {2, 2, 1}}};
};

struct StuckiKernel {
  static constexpr int kDivisor = 42, kRowsAhead = 2, kBorder = 2;
  static constexpr bool kRoundIntensity = true;
  static constexpr std::array<Tap, 12> kTaps = {{{1, 0, 8},
                                                 {2, 0, 4},
                                                 {-2, 1, 2},
                                                 {-1, 1, 4},
                                                 {0, 1, 8},
                                                 {1, 1, 4},
                                                 {2, 1, 2},
                                                 {-2, 2, 1},
                                                 {-1, 2, 2},
                                                 {0, 2, 4},
                                                 {1, 2, 2},
                                                 {2, 2, 1}}};
};

// Six eighths: a quarter of the error is dropped, which keeps highlights and
// shadows clean.
struct AtkinsonKernel {
  static constexpr int kDivisor = 8, kRowsAhead = 2, kBorder = 2;
  static constexpr bool kRoundIntensity = true;
  static constexpr std::array<Tap, 6> kTaps = {
      {{1, 0, 1}, {2, 0, 1}, {-1, 1, 1}, {0, 1, 1}, {1, 1, 1}, {0, 2, 1}}};
};

struct BurkesKernel {
  static constexpr int kDivisor = 32, kRowsAhead = 1, kBorder = 2;
  static constexpr bool kRoundIntensity = true;
  static constexpr std::array<Tap, 7> kTaps = {
      {{1, 0, 8}, {2, 0, 4}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2}}};
};

struct SierraKernel {
  static constexpr int kDivisor = 32, kRowsAhead = 2, kBorder = 2;
  static constexpr bool kRoundIntensity = true;
  static constexpr std::array<Tap, 10> kTaps = {{{1, 0, 5},
                                                 {2, 0, 3},
                                                 {-2, 1, 2},
                                                 {-1, 1, 4},
                                                 {0, 1, 5},
                                                 {1, 1, 4},
                                                 {2, 1, 2},
                                                 {-1, 2, 2},
                                                 {0, 2, 3},
                                                 {1, 2, 2}}};
};

struct SierraTwoRowKernel {
  static constexpr int kDivisor = 16, kRowsAhead = 1, kBorder = 2;
  static constexpr bool kRoundIntensity = true;
  static constexpr std::array<Tap, 7> kTaps = {
      {{1, 0, 4}, {2, 0, 3}, {-2, 1, 1}, {-1, 1, 2}, {0, 1, 3}, {1, 1, 2}, {2, 1, 1}}};
};

struct SierraLiteKernel {
  static constexpr int kDivisor = 4, kRowsAhead = 1, kBorder = 1;
  static constexpr bool kRoundIntensity = true;
  static constexpr std::array<Tap, 3> kTaps = {{{1, 0, 2}, {-1, 1, 1}, {0, 1, 1}}};
};

// The heaviest weight of any kernel (the shares are made per weight).
constexpr int kMaxTapWeight = 8;

// Whether a tap of the kernel has this weight (one division serves them all).
template <typename K>
constexpr bool UsesWeight(int weight) {
  for (const Tap& tap : K::kTaps)
    if (tap.weight == weight) return true;
  return false;
}

// Calls f(K{}) with the kernel of an error-diffusion kind (2, 3, 4, 6 .. 10);
// false for any other kind.
template <typename F>
bool WithDiffusionKernel(int kind, F&& f) {
  switch (kind) {
    case 2:
      f(FloydSteinbergKernel{});
      return true;
    case 3:
      f(JarvisJudiceNinkeKernel{});
      return true;
    case 4:
      f(StuckiKernel{});
      return true;
    case 6:
      f(AtkinsonKernel{});
      return true;
    case 7:
      f(BurkesKernel{});
      return true;
    case 8:
      f(SierraKernel{});
      return true;
    case 9:
      f(SierraTwoRowKernel{});
      return true;
    case 10:
      f(SierraLiteKernel{});
      return true;
    default:
      return false;
  }
}

}  // namespace tessalin
