// The threshold maps of the ordered kinds beyond the 2 x 2 and 4 x 4
// matrices: Bayer 8 x 8 and a 64 x 64 blue-noise map. A map of N cells holds
// the thresholds rank * 256 / N, as the two smaller matrices do.
#pragma once

#include <array>
#include <cstdint>

namespace tessalin {

constexpr int kBayer8Size = 8;
constexpr int kBlueNoiseSize = 64;
constexpr int kBayer8Cells = kBayer8Size * kBayer8Size;
constexpr int kBlueNoiseCells = kBlueNoiseSize * kBlueNoiseSize;
// The void-and-cluster seed the blue-noise table was made with.
constexpr uint64_t kBlueNoiseSeed = 22;

// Row by row, the top row first.
const std::array<uint8_t, kBayer8Cells>& Bayer8Thresholds();
// The ranks of the blue-noise map, row by row: VoidAndClusterRanks(64, kBlueNoiseSeed).
const std::array<uint16_t, kBlueNoiseCells>& BlueNoiseRanks();
const std::array<uint8_t, kBlueNoiseCells>& BlueNoiseThresholds();

}  // namespace tessalin
