// The 4000 x 3000 photo every engine benchmark runs on.
#pragma once

#include "core/raster_image.h"

namespace tessalin::bench {

// A deterministic, photo-like 24-bit picture (smooth gradients, texture and
// edges), built once per process. Set TESSALIN_BENCH_PHOTO to a .bmp file to
// use a real photo instead.
const RasterImage& Photo4000x3000();

// The same kind of picture at another size.
RasterImage MakePhotoLike(int width, int height, unsigned seed);

}  // namespace tessalin::bench
