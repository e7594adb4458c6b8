// Sizing a picture for a screen of so many pixels, through the scale engines:
// ReduceImage's block means to shrink, MagnifyImage's nearest pixels to grow.
#pragma once

#include "core/raster_image.h"

namespace tessalin {

// The factor f >= 1 for which ReduceImage turns `from` pixels into exactly
// `to` (1 <= to <= from): trunc(from / f) == to, as near from / to as the
// doubles allow.
double ExactReductionFactor(int from, int to);
// The factor f >= 1 for which MagnifyImage turns `from` pixels into exactly
// `to` (1 <= from <= to): trunc(from * f) == to.
double ExactMagnificationFactor(int from, int to);

struct ReductionFactors {
  double fy = 1, fx = 1;
};
// One factor for both directions that brings width x height inside
// maxWidth x maxHeight keeping the proportions, touching at least one bound
// (1 when the picture fits already). A side that would shrink below one pixel
// keeps one pixel, so a long thin picture still has a row.
ReductionFactors FitReductionFactors(int width, int height, int maxWidth, int maxHeight);

// The picture reduced (never enlarged) to fit inside maxWidth x maxHeight; a
// copy when it fits already.
RasterImage FitInside(const RasterImage& picture, int maxWidth, int maxHeight);
// The picture brought to exactly width x height: each direction reduced or
// magnified by its own factor.
RasterImage ResizeTo(const RasterImage& picture, int width, int height);

}  // namespace tessalin
