// Edge detection: the Difference (kind 0) and HomoGeneity (kind 1) operators
// over the same bordered working buffers as the convolution engine.
#pragma once

#include <array>

#include "core/arithmetic.h"
#include "processing/convolve.h"

namespace tessalin {

using EdgeSource = ConvolveSource;

void PrepareEdgeSource(EdgeSource& prepared, const RasterImage& source);

// A new pf24Bit picture of the source's size for one output channel (0 .. 7).
RasterImage EdgeChannel(const EdgeSource& prepared, int kind, int channel, int bias);

inline constexpr int kEdgeKindCount = 2;
const char* EdgeKindName(int kind);     // "Difference", "HomoGeneity"
const char* EdgeKindCaption(int kind);  // "Difference Edge Detection", ...

// Nine pixels in reading order (upper-left, up, upper-right, left, centre,
// right, lower-left, down, lower-right), each as B, G, R bytes.
using EdgeNeighbourhood = std::array<BgrTriple, 9>;

// Largest |centre - neighbour| plus bias, clamped; grey from the red, green or
// blue byte for channel mod 4 = 0, 1, 2, a colour pixel for 3.
BgrTriple HomogeneityOperator(int channel, const EdgeNeighbourhood& n, int bias);
// Largest difference of opposite neighbours plus bias, clamped; the centre is not used.
BgrTriple DifferenceOperator(int channel, const EdgeNeighbourhood& n, int bias);

}  // namespace tessalin
