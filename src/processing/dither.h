// The dithering engines. Each returns four pf24Bit pictures holding only 0 and
// 255, for the R, G, B and I channels in that order.
#pragma once

#include <array>
#include <vector>

#include "core/raster_image.h"

namespace tessalin {

using DitherResults = std::array<RasterImage, 4>;  // R, G, B, I
// The same four results packed (core/black_white.h): pf1Bit rasters with the
// black-and-white table. The engines make these; the 24-bit results are
// them widened.
using PackedDitherResults = std::array<RasterImage, 4>;

// Dither kinds, the combo box order: 0 and 1 ordered (2 x 2, 4 x 4),
// 2 Floyd-Steinberg, 3 Jarvis-Judice-Ninke, 4 Stucki, 5 Custom threshold.
DitherResults OrderedDither(const RasterImage& source, int kind);
DitherResults CustomThresholdDither(const RasterImage& source, int threshold);
DitherResults FloydSteinbergDither(const RasterImage& source, int threshold);
// Jarvis-Judice-Ninke for kind 3, Stucki for kind 4, a plain threshold otherwise.
DitherResults WideKernelDither(const RasterImage& source, int threshold, int ditherKind);

PackedDitherResults OrderedDitherPacked(const RasterImage& source, int kind);
PackedDitherResults CustomThresholdDitherPacked(const RasterImage& source, int threshold);
PackedDitherResults FloydSteinbergDitherPacked(const RasterImage& source, int threshold);
// FloydSteinbergDitherPacked of each source, in one pass over pictures of
// one size (their independent error chains overlap in the processor).
std::vector<PackedDitherResults> FloydSteinbergDitherPackedTogether(const std::vector<const RasterImage*>& sources,
                                                                    int threshold);
PackedDitherResults WideKernelDitherPacked(const RasterImage& source, int threshold, int ditherKind);

}  // namespace tessalin
