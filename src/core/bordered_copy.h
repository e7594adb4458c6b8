// The bordered working copy the filter and dithering engines start from: the
// picture as pf24Bit with replicated edge pixels around it, loaded into the
// working buffers (HSI included).
#pragma once

#include "core/raster_image.h"
#include "core/work_buffers.h"

namespace tessalin {

// Kind 0: one pixel on every side (W + 2 by H + 2), corners copied from the
// picture's corners. Kind 1: two pixels at the sides and top, one at the
// bottom (W + 4 by H + 3), corner blocks left white.
RasterImage MakeBorderedRaster(const RasterImage& source, int borderKind);

void BuildBorderedCopy(WorkBuffers& buffers, const RasterImage& source, int borderKind);

}  // namespace tessalin
