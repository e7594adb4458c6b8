#include "core/bordered_copy.h"

namespace tessalin {

namespace {

void CopyPixel(RasterImage& r, int fromX, int fromY, int toX, int toY) {
  r.SetPixel(toX, toY, r.GetPixel(fromX, fromY));
}

RasterImage BorderKind0(const RasterImage& source) {
  const int W = source.Width(), H = source.Height();
  RasterImage copy = NewRaster(PixelFormat::pf24Bit, H + 2, W + 2);
  copy.Draw(1, 1, source);
  copy.CopyRect({1, 0, W + 1, 1}, copy, {1, 1, W + 1, 2});
  copy.CopyRect({1, H + 1, W + 1, H + 2}, copy, {1, H, W + 1, H + 1});
  copy.CopyRect({0, 1, 1, H + 1}, copy, {1, 1, 2, H + 1});
  copy.CopyRect({W + 1, 1, W + 2, H + 1}, copy, {W, 1, W + 1, H + 1});
  CopyPixel(copy, 1, 1, 0, 0);
  CopyPixel(copy, W, 1, W + 1, 0);
  CopyPixel(copy, 1, H, 0, H + 1);
  CopyPixel(copy, W, H, W + 1, H + 1);
  return copy;
}

RasterImage BorderKind1(const RasterImage& source) {
  const int W = source.Width(), H = source.Height();
  RasterImage copy = NewRaster(PixelFormat::pf24Bit, H + 3, W + 4);
  copy.Draw(2, 2, source);
  copy.CopyRect({2, 0, W + 2, 2}, copy, {2, 2, W + 2, 3});
  copy.CopyRect({2, H + 2, W + 2, H + 3}, copy, {2, H + 1, W + 2, H + 2});
  copy.CopyRect({0, 2, 2, H + 2}, copy, {2, 2, 3, H + 2});
  copy.CopyRect({W + 2, 2, W + 4, H + 2}, copy, {W + 1, 2, W + 2, H + 2});
  return copy;
}

}  // namespace

RasterImage MakeBorderedRaster(const RasterImage& source, int borderKind) {
  return borderKind == 1 ? BorderKind1(source) : BorderKind0(source);
}

void BuildBorderedCopy(WorkBuffers& buffers, const RasterImage& source, int borderKind) {
  // Row by row: the bordered raster of a picture at the pixel limit would pass it.
  LoadBorderedCopy(buffers, source, borderKind, true);
}

}  // namespace tessalin
