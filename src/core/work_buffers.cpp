#include "core/work_buffers.h"

#include <cstring>

#include "core/tessalin_error.h"

namespace tessalin {

void FillHsiReference(const uint8_t* rgb, size_t pixelCount, HSIColor* hsi) {
  for (size_t i = 0; i < pixelCount; ++i) hsi[i] = RGBToHSI(rgb[3 * i + 2], rgb[3 * i + 1], rgb[3 * i]);
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
  for (int y = 0; y < h; ++y)
    std::memcpy(buffers.rgb_.get() + static_cast<size_t>(h - 1 - y) * rowBytes, image.Row(y), rowBytes);
  if (withHsi) {
    buffers.hsiBytes_ = pixels * sizeof(HSIColor);
    buffers.hsi_.reset(new HSIColor[pixels > 0 ? pixels : 1]);
    FillHsiReference(buffers.rgb_.get(), pixels, buffers.hsi_.get());
  }
}

void ReleaseWorkBuffers(WorkBuffers& buffers) {
  buffers.rgb_.reset();
  buffers.hsi_.reset();
  buffers.width_ = buffers.height_ = 0;
  buffers.rgbBytes_ = buffers.hsiBytes_ = 0;
}

}  // namespace tessalin
