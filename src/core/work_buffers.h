// The working buffers through which engines read a picture: an RGB buffer of
// B, G, R bytes and an optional HSI buffer of (I, S, H) doubles, both with rows
// stored bottom-up and no padding. Pixel (x, y), y counted from the top, is at
// index (H - 1 - y) * W + x. Filled by LoadWorkBuffers or BuildBorderedCopy,
// read by one engine, then released.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/colour_model.h"
#include "core/large_buffer.h"
#include "core/raster_image.h"

namespace tessalin {

class WorkBuffers {
 public:
  WorkBuffers() = default;
  WorkBuffers(WorkBuffers&&) noexcept = default;
  WorkBuffers& operator=(WorkBuffers&&) noexcept = default;
  WorkBuffers(const WorkBuffers&) = delete;
  WorkBuffers& operator=(const WorkBuffers&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return !rgb_.Data(); }
  bool HasHsi() const { return hsi_.Data() != nullptr; }
  size_t RgbBytes() const { return rgbBytes_; }
  size_t HsiBytes() const { return hsiBytes_; }

  // Index of pixel (x, y) counted from the top-left of the loaded picture.
  size_t PixelIndex(int x, int y) const {
    return static_cast<size_t>(height_ - 1 - y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
  }
  const uint8_t* Rgb() const { return rgb_.Data(); }  // B, G, R per pixel
  const HSIColor* Hsi() const { return reinterpret_cast<const HSIColor*>(hsi_.Data()); }
  const uint8_t* RgbAt(int x, int y) const { return Rgb() + 3 * PixelIndex(x, y); }
  const HSIColor& HsiAt(int x, int y) const { return Hsi()[PixelIndex(x, y)]; }

 private:
  friend void LoadWorkBuffers(WorkBuffers& buffers, const RasterImage& image, bool withHsi);
  friend void ReleaseWorkBuffers(WorkBuffers& buffers);
  friend void LoadBorderedWorkBuffers(WorkBuffers& buffers, const RasterImage& image, bool withHsi);
  friend void LoadBorderedCopy(WorkBuffers& buffers, const RasterImage& image, int borderKind, bool withHsi);

  // Sizes the buffers for width x height pixels, uninitialised (the loaders
  // write every byte), the HSI buffer only when asked for.
  void Allocate(int width, int height, bool withHsi);

  int width_ = 0;
  int height_ = 0;
  size_t rgbBytes_ = 0;
  size_t hsiBytes_ = 0;
  LargeBuffer rgb_;
  LargeBuffer hsi_;  // HSIColor triples

  uint8_t* RgbData() { return rgb_.Data(); }
  HSIColor* HsiData() { return reinterpret_cast<HSIColor*>(hsi_.Data()); }
};

// Fills the RGB buffer from a pf24Bit raster (other formats are decoded to
// B, G, R first), and the HSI buffer with
// RGBToHSI of every pixel when `withHsi` is set. The buffers must be empty.
void LoadWorkBuffers(WorkBuffers& buffers, const RasterImage& image, bool withHsi);

// The same buffers LoadWorkBuffers fills from the bordered copy of border kind
// 0 (each edge pixel repeated once on every side, (W + 2) x (H + 2)) of a
// pf24Bit picture, made straight from the picture's rows without the copy.
void LoadBorderedWorkBuffers(WorkBuffers& buffers, const RasterImage& image, bool withHsi);

// The buffers LoadWorkBuffers fills from MakeBorderedRaster(image, borderKind),
// for any pixel format, made row by row without the bordered raster (which
// would pass the pixel limit for a picture at the limit).
void LoadBorderedCopy(WorkBuffers& buffers, const RasterImage& image, int borderKind, bool withHsi);

void ReleaseWorkBuffers(WorkBuffers& buffers);

// The straightforward per-pixel HSI fill, kept as the reference for faster ones.
void FillHsiReference(const uint8_t* rgb, size_t pixelCount, HSIColor* hsi);
// The same triples (RGBToHSIFast), computed in pieces on several threads.
void FillHsi(const uint8_t* rgb, size_t pixelCount, HSIColor* hsi);

}  // namespace tessalin
