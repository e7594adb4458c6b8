// The one in-memory picture of the system. Rows are addressed top-down through
// Row(y); how rows lie relative to each other is private. Copies are explicit
// (Assign); moves are cheap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/color.h"
#include "core/large_buffer.h"
#include "core/pixel_format.h"

namespace tessalin {

// Left/top inclusive, right/bottom exclusive.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

class RasterImage {
 public:
  RasterImage() = default;
  RasterImage(RasterImage&& other) noexcept;
  RasterImage& operator=(RasterImage&& other) noexcept;
  RasterImage(const RasterImage&) = delete;
  RasterImage& operator=(const RasterImage&) = delete;

  // This raster becomes an independent copy of `source`.
  void Assign(const RasterImage& source);

  int Width() const { return width_; }
  int Height() const { return height_; }
  PixelFormat Format() const { return format_; }
  bool HasImage() const { return width_ > 0 && height_ > 0; }

  // The colour table of a 1-, 4- or 8-bit raster (empty otherwise).
  const ColorTable& Colors() const { return colors_; }
  // Replaces the colour table of an indexed raster without touching its
  // indices (codecs that read a table from a file use this).
  void SetColorTable(ColorTable table);
  // Installs the palette a following conversion to 1 bit uses.
  void SetPalette(ColorTable palette);

  // Resizing keeps pixels at the top-left; new pixels are white.
  void SetWidth(int width);
  void SetHeight(int height);
  void SetSize(int width, int height);

  // Converts to the new layout by nearest colour, without dithering.
  void SetPixelFormat(PixelFormat format);

  uint8_t* Row(int y) { return pixels_.Data() + static_cast<size_t>(y) * stride_; }
  const uint8_t* Row(int y) const { return pixels_.Data() + static_cast<size_t>(y) * stride_; }
  size_t RowBytes() const { return RowDataBytes(format_, width_); }

  Color GetPixel(int x, int y) const;
  void SetPixel(int x, int y, Color color);

  Color BrushColor() const { return brush_; }
  void SetBrushColor(Color color) { brush_ = color; }
  void FillRect(const Rect& rect);

  // Draws `graphic` unscaled with its top-left at (x, y), clipped to this raster.
  void Draw(int x, int y, const RasterImage& graphic);
  // Copies `sourceRect` of `source` onto `destRect`, stretching by nearest
  // pixel when the sizes differ. `source` may be this raster.
  void CopyRect(const Rect& destRect, const RasterImage& source, const Rect& sourceRect);

  // Turns the raster into a black-and-white 1-bit raster (icon masks).
  void SetMonochrome();

  // One row as B, G, R bytes, whatever the format.
  void ReadRowBgr(int y, uint8_t* bgr) const;
  void WriteRowBgr(int y, const uint8_t* bgr);

 private:
  friend RasterImage NewRaster(PixelFormat format, int height, int width);

// The same raster without the white fill, for whoever writes every pixel of
// every row next (a decoder, an engine's result): a fresh page costs more than
// the pixels written into it. Bits and bytes past each row's pixels are zero.
RasterImage NewUnfilledRaster(PixelFormat format, int height, int width);
  friend RasterImage NewUnfilledRaster(PixelFormat format, int height, int width);
  // Storage for the new layout, its pixels unwritten; the bits and bytes past
  // each row's pixels are zero, so that rows written pixel by pixel leave them so.
  void Reallocate(int width, int height, PixelFormat format, const ColorTable& colors);
  void FillWhite();
  void CopyRect24(const Rect& destRect, const RasterImage& source, const Rect& sourceRect, int x0, int x1, int y0,
                  int y1, bool inPlace);

  int width_ = 0;
  int height_ = 0;
  PixelFormat format_ = PixelFormat::pfDevice;
  size_t stride_ = 0;
  LargeBuffer pixels_;
  ColorTable colors_;
  std::optional<ColorTable> installedPalette_;
  Color brush_ = kWhite;
};

// A new raster of the given size, every pixel white. 1-bit rasters get the
// black-and-white table, 4-bit the standard 16 colours, 8-bit the halftone palette.
RasterImage NewRaster(PixelFormat format, int height, int width);

// The same raster without the white fill, for whoever writes every pixel of
// every row next (a decoder, an engine's result): a fresh page costs more than
// the pixels written into it. Bits and bytes past each row's pixels are zero.
RasterImage NewUnfilledRaster(PixelFormat format, int height, int width);

// The default colour table of a new raster in `format`.
const ColorTable& DefaultColorTable(PixelFormat format);

}  // namespace tessalin
