#include "core/work_buffers.h"

#include <cstring>

#include "core/parallel_rows.h"
#include "core/tessalin_error.h"

namespace tessalin {

void FillHsiReference(const uint8_t* rgb, size_t pixelCount, HSIColor* hsi) {
  for (size_t i = 0; i < pixelCount; ++i) hsi[i] = RGBToHSI(rgb[3 * i + 2], rgb[3 * i + 1], rgb[3 * i]);
}

void FillHsi(const uint8_t* rgb, size_t pixelCount, HSIColor* hsi) {
  // Each triple depends on its own pixel only, so pieces run side by side.
  ParallelFor(static_cast<int64_t>(pixelCount), 1 << 16, [rgb, hsi](int64_t begin, int64_t end) {
    for (int64_t i = begin; i < end; ++i) hsi[i] = RGBToHSIFast(rgb[3 * i + 2], rgb[3 * i + 1], rgb[3 * i]);
  });
}

void LoadWorkBuffers(WorkBuffers& buffers, const RasterImage& image, bool withHsi) {
  if (!buffers.Empty()) throw TessalinError("The working buffers are still in use.");
  const int w = image.HasImage() ? image.Width() : 0;
  const int h = image.HasImage() ? image.Height() : 0;
  const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);
  const size_t rowBytes = static_cast<size_t>(w) * 3;
  buffers.width_ = w;
  buffers.height_ = h;
  buffers.rgbBytes_ = pixels * 3;
  // Every byte is written below, so the buffers need no zeroing first.
  buffers.rgb_.reset(new uint8_t[buffers.rgbBytes_ > 0 ? buffers.rgbBytes_ : 1]);
  // Other layouts are read through the row decoder, never past a row's bytes.
  const bool direct = image.Format() == PixelFormat::pf24Bit;
  for (int y = 0; y < h; ++y) {
    uint8_t* dst = buffers.rgb_.get() + static_cast<size_t>(h - 1 - y) * rowBytes;
    if (direct) std::memcpy(dst, image.Row(y), rowBytes);
    else image.ReadRowBgr(y, dst);
  }
  if (withHsi) {
    buffers.hsiBytes_ = pixels * sizeof(HSIColor);
    buffers.hsi_.reset(new HSIColor[pixels > 0 ? pixels : 1]);
    FillHsi(buffers.rgb_.get(), pixels, buffers.hsi_.get());
  }
}

void ReleaseWorkBuffers(WorkBuffers& buffers) {
  buffers.rgb_.reset();
  buffers.hsi_.reset();
  buffers.width_ = buffers.height_ = 0;
  buffers.rgbBytes_ = buffers.hsiBytes_ = 0;
}

}  // namespace tessalin
