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
// 2 Floyd-Steinberg, 3 Jarvis-Judice-Ninke, 4 Stucki, 5 Custom threshold;
// after them the further methods: 6 Atkinson, 7 Burkes, 8 Sierra, 9 Sierra
// Two-Row, 10 Sierra Lite (error diffusion, the threshold read like
// 2 to 4), 11 Bayer 8 x 8 and 12 blue noise 64 x 64 (ordered).
constexpr int kFirstFurtherDitherKind = 6;
constexpr int kDitherKindCount = 13;
bool IsErrorDiffusionKind(int kind);  // 2, 3, 4, 6 .. 10
bool IsOrderedKind(int kind);         // 0, 1, 11, 12

// The options of the error-diffusion kinds. Strength is the percentage of
// the error carried (0: the plain threshold picture). Linear light carries it
// in linear-light values (sRGB decoded) and reads the threshold as a level of
// light, so a mid grey comes out as light as the eye sees it (about 22 %
// white) rather than half white. With either option every channel,
// I included, is held in whole 1/256 steps of a byte; without them the
// kinds give the bytes of their original rules.
struct DiffusionOptions {
  int strength = 100;  // 0 .. 100
  bool linearLight = false;
  bool IsPlain() const { return strength == 100 && !linearLight; }
};

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

// Any kind through its engine: ordered kinds ignore the threshold, the
// options reach only the error-diffusion kinds, and any other kind (-1, no
// method chosen) is a plain threshold, as WideKernelDither makes it.
PackedDitherResults DitherByKindPacked(const RasterImage& source, int kind, int threshold,
                                       const DiffusionOptions& options = {});
DitherResults DitherByKind(const RasterImage& source, int kind, int threshold,
                           const DiffusionOptions& options = {});

}  // namespace tessalin
