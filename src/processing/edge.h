// Edge detection: the Difference (kind 0) and HomoGeneity (kind 1) operators
// over the same bordered working buffers as the convolution engine.
#pragma once

#include "processing/convolve.h"

namespace tessalin {

using EdgeSource = ConvolveSource;

void PrepareEdgeSource(EdgeSource& prepared, const RasterImage& source);

// A new pf24Bit picture of the source's size for one output channel (0 .. 7).
RasterImage EdgeChannel(const EdgeSource& prepared, int kind, int channel, int bias);

}  // namespace tessalin
