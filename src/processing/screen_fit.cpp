#include "processing/screen_fit.h"

#include <algorithm>
#include <cmath>

#include "core/arithmetic.h"
#include "core/tessalin_error.h"
#include "processing/scale.h"

namespace tessalin {

namespace {

// The sizes the scale engines compute, in the same precision.
int ReducedSize(int from, double f) { return static_cast<int>(static_cast<Extended>(from) / f); }
int MagnifiedSize(int from, double f) { return static_cast<int>(static_cast<Extended>(from) * f); }

void CheckSizes(int from, int to) {
  if (from < 1 || to < 1) throw TessalinError("A picture size must be at least 1 pixel.");
}

RasterImage Copy(const RasterImage& picture) {
  RasterImage copy;
  copy.Assign(picture);
  return copy;
}

}  // namespace

double ExactReductionFactor(int from, int to) {
  CheckSizes(from, to);
  if (to >= from) return 1;
  // from / to rounded may land a hair above the exact quotient, which cuts one pixel off.
  double f = static_cast<double>(from) / to;
  while (ReducedSize(from, f) < to) f = std::nextafter(f, 0.0);
  while (ReducedSize(from, f) > to) f = std::nextafter(f, HUGE_VAL);
  return std::max(f, 1.0);
}

double ExactMagnificationFactor(int from, int to) {
  CheckSizes(from, to);
  if (to <= from) return 1;
  double f = static_cast<double>(to) / from;
  while (MagnifiedSize(from, f) < to) f = std::nextafter(f, HUGE_VAL);
  while (MagnifiedSize(from, f) > to) f = std::nextafter(f, 0.0);
  return f;
}

ReductionFactors FitReductionFactors(int width, int height, int maxWidth, int maxHeight) {
  CheckSizes(width, maxWidth);
  CheckSizes(height, maxHeight);
  if (width <= maxWidth && height <= maxHeight) return {};
  // The side that needs the larger factor decides; the other then fits as well.
  const bool byWidth = static_cast<double>(width) / maxWidth >= static_cast<double>(height) / maxHeight;
  const double f = byWidth ? ExactReductionFactor(width, maxWidth) : ExactReductionFactor(height, maxHeight);
  ReductionFactors factors{f, f};
  if (ReducedSize(height, f) < 1) factors.fy = height;
  if (ReducedSize(width, f) < 1) factors.fx = width;
  return factors;
}

RasterImage FitInside(const RasterImage& picture, int maxWidth, int maxHeight) {
  if (!picture.HasImage()) return Copy(picture);
  const ReductionFactors f = FitReductionFactors(picture.Width(), picture.Height(), maxWidth, maxHeight);
  if (f.fy == 1 && f.fx == 1) return Copy(picture);
  return ReduceImage(picture, f.fy, f.fx);
}

RasterImage ResizeTo(const RasterImage& picture, int width, int height) {
  if (!picture.HasImage()) return Copy(picture);
  const int w = picture.Width(), h = picture.Height();
  CheckSizes(w, width);
  CheckSizes(h, height);
  if (w == width && h == height) return Copy(picture);
  RasterImage result;
  const RasterImage* current = &picture;
  if (width < w || height < h) {
    result = ReduceImage(*current, ExactReductionFactor(h, std::min(h, height)),
                         ExactReductionFactor(w, std::min(w, width)));
    current = &result;
  }
  if (width > w || height > h) {
    const int ch = current->Height(), cw = current->Width();
    RasterImage magnified = MagnifyImage(*current, ExactMagnificationFactor(ch, std::max(ch, height)),
                                         ExactMagnificationFactor(cw, std::max(cw, width)));
    result = std::move(magnified);
  }
  return result;
}

}  // namespace tessalin
