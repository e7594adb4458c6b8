// A picture's pixels as a screen shows them, in 32-bit words 0xffRRGGBB (the
// layout screens take). Zoomed in, each picture pixel is repeated whole, never
// smoothed; zoomed out, each block shows its mean, so a dither reads as the
// grey it makes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/raster_image.h"

namespace tessalin {

// Rows of 0xffRRGGBB words; `stride` counts words from one row to the next.
struct XrgbPlane {
  const uint32_t* pixels = nullptr;
  ptrdiff_t stride = 0;
  int width = 0, height = 0;
  const uint32_t* Row(int y) const { return pixels + y * stride; }
};

struct MutableXrgbPlane {
  uint32_t* pixels = nullptr;
  ptrdiff_t stride = 0;
  int width = 0, height = 0;
  uint32_t* Row(int y) const { return pixels + y * stride; }
};

// A raster's colours as words (indexed formats through their table); out is
// the raster's size.
void RasterToXrgb(const RasterImage& raster, const MutableXrgbPlane& out);
// A pf24Bit raster of the words' colours; the top byte is not read.
RasterImage XrgbToRaster24(const XrgbPlane& in);

// out(x, y) = in(columns[x], rows[y]) over out's width and height: a picture
// spread over another area by repeating or dropping whole pixels.
void GatherPixels(const XrgbPlane& in, const std::vector<int>& columns, const std::vector<int>& rows,
                  const MutableXrgbPlane& out);

// The picture columns (or rows) that `count` screen pixels show, from screen
// position `first` on, when each picture pixel is `factor` screen pixels wide.
std::vector<int> MagnifiedIndices(int first, int count, int factor);

// The size of a side of `length` pixels reduced by `factor`: a part block at
// the end still makes a pixel.
int ReducedLength(int length, int factor);

// out(x, y) = the mean of in's block [x*f, x*f + f) x [y*f, y*f + f), cut at
// in's right and bottom edges; each channel rounded half up. out is
// ReducedLength(in.width, f) x ReducedLength(in.height, f).
void BlockMeans(const XrgbPlane& in, int factor, const MutableXrgbPlane& out);

}  // namespace tessalin
