// Blue-noise threshold maps by Ulichney's void-and-cluster method. The
// blue-noise dither reads a map kept as a table (dither_maps.cpp); this is
// the generator that made it, so the table can be checked and remade.
#pragma once

#include <cstdint>
#include <vector>

namespace tessalin {

// The ranks 0 .. size * size - 1 of a size x size map on a torus, row by row:
// rank r is the (r + 1)th pixel to turn white as a grey rises. The same size
// and seed always give the same map (integer energies, no platform rounding
// beyond one exp() table).
std::vector<int> VoidAndClusterRanks(int size, uint64_t seed);

}  // namespace tessalin
