#include "core/raster_image.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/limits.h"
#include "core/palette.h"
#include "core/parallel_rows.h"
#include "core/row_codec.h"

namespace tessalin {

namespace {

size_t StrideFor(PixelFormat format, int width) { return (RowDataBytes(format, width) + 3) & ~size_t{3}; }

const ColorTable& EmptyTable() {
  static const ColorTable empty;
  return empty;
}

}  // namespace

const ColorTable& DefaultColorTable(PixelFormat format) {
  static const ColorTable blackWhite = CreateBlackWhitePalette();
  switch (format) {
    case PixelFormat::pf1Bit: return blackWhite;
    case PixelFormat::pf4Bit: return StandardPalette16();
    case PixelFormat::pf8Bit: return HalftonePalette256();
    default: return EmptyTable();
  }
}

RasterImage::RasterImage(RasterImage&& other) noexcept { *this = std::move(other); }

RasterImage& RasterImage::operator=(RasterImage&& other) noexcept {
  if (this != &other) {
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    format_ = std::exchange(other.format_, PixelFormat::pfDevice);
    stride_ = std::exchange(other.stride_, 0);
    pixels_ = std::move(other.pixels_);
    colors_ = std::move(other.colors_);
    installedPalette_ = std::move(other.installedPalette_);
    brush_ = std::exchange(other.brush_, kWhite);
    other.colors_.clear();
    other.installedPalette_.reset();
  }
  return *this;
}

void RasterImage::Assign(const RasterImage& source) {
  if (this == &source) return;
  // Copies first: if one runs out of memory this raster stays as it was.
  LargeBuffer pixels(source.pixels_.Size());
  if (pixels.Size()) std::memcpy(pixels.Data(), source.pixels_.Data(), pixels.Size());
  ColorTable colors = source.colors_;
  std::optional<ColorTable> palette = source.installedPalette_;
  width_ = source.width_;
  height_ = source.height_;
  format_ = source.format_;
  stride_ = source.stride_;
  pixels_ = std::move(pixels);
  colors_ = std::move(colors);
  installedPalette_ = std::move(palette);
  brush_ = source.brush_;
}

void RasterImage::SetColorTable(ColorTable table) {
  if (IsIndexed(format_)) colors_ = std::move(table);
}

void RasterImage::SetPalette(ColorTable palette) { installedPalette_ = std::move(palette); }

void RasterImage::Reallocate(int width, int height, PixelFormat format, const ColorTable& colors) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  CheckPixelLimit(width, height);
  // Allocated first: if memory runs out this raster stays as it was.
  const size_t stride = StrideFor(format, width);
  LargeBuffer pixels(stride * static_cast<size_t>(height));
  // Whole bytes of pixels are left for the writer; a last byte shared with
  // unused bits, and the padding, start at zero.
  const size_t wholeBytes = static_cast<size_t>(width) * BitsPerPixel(format) / 8;
  if (stride <= 64) {
    // Narrow rows, perhaps millions of them: one fill costs less than a call a
    // row. An empty picture has no storage to fill.
    if (pixels.Size() > 0) std::memset(pixels.Data(), 0, pixels.Size());
  } else if (stride > wholeBytes) {
    for (size_t y = 0; y < static_cast<size_t>(height); ++y)
      std::memset(pixels.Data() + y * stride + wholeBytes, 0, stride - wholeBytes);
  }
  ColorTable table = IsIndexed(format) ? colors : ColorTable{};
  width_ = width;
  height_ = height;
  format_ = format;
  colors_ = std::move(table);
  stride_ = stride;
  pixels_ = std::move(pixels);
}

void RasterImage::FillWhite() {
  if (!HasImage()) return;
  // Encode white for a run of pixels (whole bytes in every format), repeat it
  // along the first row, then repeat that row: a picture one row of a hundred
  // million pixels needs no white row as large as itself.
  constexpr int kRun = 4096;
  const int run = std::min(width_, kRun);
  const std::vector<uint8_t> white(static_cast<size_t>(run) * 3, 0xFF);
  NearestColorMapper mapper(colors_);
  NearestColorMapper* const map = IsIndexed(format_) ? &mapper : nullptr;
  uint8_t* const first = Row(0);
  EncodeRowFromBgr(white.data(), run, format_, map, first);
  const auto byteOf = [this](int x) { return static_cast<size_t>(x) * BitsPerPixel(format_) / 8; };
  int x = run;
  for (; x + run <= width_; x += run) std::memcpy(first + byteOf(x), first, byteOf(run));
  if (x < width_) EncodeRowFromBgr(white.data(), width_ - x, format_, map, first + byteOf(x));
  for (int y = 1; y < height_; ++y) std::memcpy(Row(y), first, stride_);
}

void RasterImage::SetWidth(int width) { SetSize(width, height_); }
void RasterImage::SetHeight(int height) { SetSize(width_, height); }

// Both make the new layout in a fresh raster and move it in only when it is
// complete, so running out of memory leaves the picture as it was.
void RasterImage::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  const RasterImage& old = *this;
  RasterImage fresh;
  fresh.Reallocate(width, height, old.format_, IsIndexed(old.format_) ? old.colors_ : DefaultColorTable(old.format_));
  fresh.installedPalette_ = old.installedPalette_;
  fresh.brush_ = old.brush_;
  fresh.FillWhite();
  const PixelFormat format = fresh.format_;
  const int keepWidth = std::min(fresh.width_, old.width_);
  const int keepHeight = std::min(fresh.height_, old.height_);
  if (keepWidth > 0 && keepHeight > 0) {
    const size_t wholeBytes = static_cast<size_t>(keepWidth) * BitsPerPixel(format) / 8;
    const bool packed = format == PixelFormat::pf1Bit || format == PixelFormat::pf4Bit;
    for (int y = 0; y < keepHeight; ++y) {
      std::memcpy(fresh.Row(y), old.Row(y), wholeBytes);
      if (packed) {
        const int perByte = 8 / BitsPerPixel(format);
        for (int x = static_cast<int>(wholeBytes) * perByte; x < keepWidth; ++x)
          SetIndexAt(fresh.Row(y), format, x, GetIndexAt(old.Row(y), format, x));
      }
    }
  }
  *this = std::move(fresh);
}

void RasterImage::SetPixelFormat(PixelFormat format) {
  if (format == format_) return;
  const ColorTable* target = &DefaultColorTable(format);
  if (format == PixelFormat::pf1Bit && installedPalette_ && installedPalette_->size() >= 2) {
    target = &*installedPalette_;
  }
  ColorTable table = IsIndexed(format) ? ColorTable(target->begin(),
                                                    target->begin() + std::min<size_t>(target->size(), size_t{1} << BitsPerPixel(format)))
                                       : ColorTable{};
  const RasterImage& old = *this;
  RasterImage fresh;
  fresh.Reallocate(old.width_, old.height_, format, table);
  fresh.installedPalette_ = old.installedPalette_;
  fresh.brush_ = old.brush_;
  if (fresh.HasImage()) {
    // Every pixel is mapped on its own, so pieces of rows convert side by side,
    // each with its own mapper and row buffer.
    const int width = fresh.width_;
    ParallelFor(fresh.height_, 16, [&](int64_t begin, int64_t end) {
      std::vector<uint8_t> bgr(static_cast<size_t>(width) * 3);
      NearestColorMapper mapper(fresh.colors_);
      for (int y = static_cast<int>(begin); y < end; ++y) {
        DecodeRowToBgr(old.Row(y), old.format_, old.colors_, width, bgr.data());
        EncodeRowFromBgr(bgr.data(), width, format, IsIndexed(format) ? &mapper : nullptr, fresh.Row(y));
      }
    });
  }
  *this = std::move(fresh);
}

void RasterImage::ReadRowBgr(int y, uint8_t* bgr) const {
  DecodeRowToBgr(Row(y), format_, colors_, width_, bgr);
}

void RasterImage::WriteRowBgr(int y, const uint8_t* bgr) {
  if (IsIndexed(format_)) {
    NearestColorMapper mapper(colors_);
    EncodeRowFromBgr(bgr, width_, format_, &mapper, Row(y));
  } else {
    EncodeRowFromBgr(bgr, width_, format_, nullptr, Row(y));
  }
}

Color RasterImage::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kBlack;
  if (format_ == PixelFormat::pf24Bit) {
    const uint8_t* p = Row(y) + 3 * static_cast<size_t>(x);
    return MakeColor(p[2], p[1], p[0]);
  }
  uint8_t bgr[3];
  if (IsIndexed(format_)) {
    const int index = GetIndexAt(Row(y), format_, x);
    if (index >= static_cast<int>(colors_.size())) return kBlack;
    const PaletteEntry& e = colors_[index];
    return MakeColor(e.r, e.g, e.b);
  }
  const size_t bytes = static_cast<size_t>(BitsPerPixel(format_)) / 8;
  DecodeRowToBgr(Row(y) + bytes * x, format_, colors_, 1, bgr);
  return MakeColor(bgr[2], bgr[1], bgr[0]);
}

void RasterImage::SetPixel(int x, int y, Color color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  if (IsIndexed(format_)) {
    NearestColorMapper mapper(colors_);
    SetIndexAt(Row(y), format_, x, mapper(RedOf(color), GreenOf(color), BlueOf(color)));
    return;
  }
  const uint8_t bgr[3] = {BlueOf(color), GreenOf(color), RedOf(color)};
  const size_t bytes = static_cast<size_t>(BitsPerPixel(format_)) / 8;
  EncodeRowFromBgr(bgr, 1, format_, nullptr, Row(y) + bytes * x);
}

void RasterImage::FillRect(const Rect& rect) {
  const int left = std::max(rect.left, 0), right = std::min(rect.right, width_);
  const int top = std::max(rect.top, 0), bottom = std::min(rect.bottom, height_);
  if (left >= right || top >= bottom) return;
  std::vector<uint8_t> bgr(static_cast<size_t>(width_) * 3);
  for (int y = top; y < bottom; ++y) {
    ReadRowBgr(y, bgr.data());
    for (int x = left; x < right; ++x) {
      bgr[3 * static_cast<size_t>(x)] = BlueOf(brush_);
      bgr[3 * static_cast<size_t>(x) + 1] = GreenOf(brush_);
      bgr[3 * static_cast<size_t>(x) + 2] = RedOf(brush_);
    }
    WriteRowBgr(y, bgr.data());
  }
}

void RasterImage::Draw(int x, int y, const RasterImage& graphic) {
  CopyRect({x, y, x + graphic.Width(), y + graphic.Height()}, graphic,
           {0, 0, graphic.Width(), graphic.Height()});
}

void RasterImage::CopyRect(const Rect& destRect, const RasterImage& source, const Rect& sourceRect) {
  const int dw = destRect.Width(), dh = destRect.Height();
  const int sw = sourceRect.Width(), sh = sourceRect.Height();
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || !HasImage() || !source.HasImage()) return;
  const int x0 = std::max(destRect.left, 0), x1 = std::min(destRect.right, width_);
  const int y0 = std::max(destRect.top, 0), y1 = std::min(destRect.bottom, height_);
  if (x0 >= x1 || y0 >= y1) return;
  const size_t span = static_cast<size_t>(x1 - x0) * 3;
  // When the source is this raster, only the changed spans are held back
  // until every source row has been read.
  const bool inPlace = &source == this;
  if (format_ == PixelFormat::pf24Bit && source.format_ == PixelFormat::pf24Bit) {
    CopyRect24(destRect, source, sourceRect, x0, x1, y0, y1, inPlace);
    return;
  }
  std::vector<uint8_t> srcRow(static_cast<size_t>(source.Width()) * 3);
  std::vector<uint8_t> dstRow(static_cast<size_t>(width_) * 3);
  std::vector<uint8_t> held;
  std::vector<int> heldRows;
  int lastSourceRow = -1;
  for (int dy = y0; dy < y1; ++dy) {
    const int sy = sourceRect.top + static_cast<int>(int64_t{dy - destRect.top} * sh / dh);
    if (sy < 0 || sy >= source.Height()) continue;
    if (sy != lastSourceRow) {
      source.ReadRowBgr(sy, srcRow.data());
      lastSourceRow = sy;
    }
    ReadRowBgr(dy, dstRow.data());
    for (int dx = x0; dx < x1; ++dx) {
      const int sx = sourceRect.left + static_cast<int>(int64_t{dx - destRect.left} * sw / dw);
      if (sx < 0 || sx >= source.Width()) continue;
      std::memcpy(&dstRow[3 * static_cast<size_t>(dx)], &srcRow[3 * static_cast<size_t>(sx)], 3);
    }
    if (inPlace) {
      heldRows.push_back(dy);
      held.insert(held.end(), dstRow.begin() + 3 * x0, dstRow.begin() + 3 * x1);
    } else {
      WriteRowBgr(dy, dstRow.data());
    }
  }
  for (size_t k = 0; k < heldRows.size(); ++k) {
    ReadRowBgr(heldRows[k], dstRow.data());
    std::memcpy(&dstRow[3 * static_cast<size_t>(x0)], &held[k * span], span);
    WriteRowBgr(heldRows[k], dstRow.data());
  }
}

// Both rasters 24-bit: pixels move straight between rows, with no decoding of
// whole rows. In place, the changed spans wait until every source row is read.
void RasterImage::CopyRect24(const Rect& destRect, const RasterImage& source, const Rect& sourceRect, int x0,
                             int x1, int y0, int y1, bool inPlace) {
  const int dw = destRect.Width(), dh = destRect.Height();
  const int sw = sourceRect.Width(), sh = sourceRect.Height();
  const size_t span = static_cast<size_t>(x1 - x0) * 3;
  // Source column of every destination column (-1 when outside the source).
  std::vector<int> columns(static_cast<size_t>(x1 - x0));
  bool straight = true;
  for (int dx = x0; dx < x1; ++dx) {
    const int sx = sourceRect.left + static_cast<int>(int64_t{dx - destRect.left} * sw / dw);
    columns[static_cast<size_t>(dx - x0)] = (sx < 0 || sx >= source.Width()) ? -1 : sx;
    if (sx != columns[0] + (dx - x0) || columns[static_cast<size_t>(dx - x0)] < 0) straight = false;
  }
  std::vector<uint8_t> held;
  std::vector<int> heldRows;
  std::vector<uint8_t> piece(span);
  for (int dy = y0; dy < y1; ++dy) {
    const int sy = sourceRect.top + static_cast<int>(int64_t{dy - destRect.top} * sh / dh);
    if (sy < 0 || sy >= source.Height()) continue;
    const uint8_t* src = source.Row(sy);
    std::memcpy(piece.data(), Row(dy) + 3 * static_cast<size_t>(x0), span);
    if (straight) {
      std::memcpy(piece.data(), src + 3 * static_cast<size_t>(columns[0]), span);
    } else {
      for (size_t k = 0; k < columns.size(); ++k)
        if (columns[k] >= 0) std::memcpy(&piece[3 * k], src + 3 * static_cast<size_t>(columns[k]), 3);
    }
    if (inPlace) {
      heldRows.push_back(dy);
      held.insert(held.end(), piece.begin(), piece.end());
    } else {
      std::memcpy(Row(dy) + 3 * static_cast<size_t>(x0), piece.data(), span);
    }
  }
  for (size_t k = 0; k < heldRows.size(); ++k)
    std::memcpy(Row(heldRows[k]) + 3 * static_cast<size_t>(x0), &held[k * span], span);
}

void RasterImage::SetMonochrome() {
  SetPalette(CreateBlackWhitePalette());
  SetPixelFormat(PixelFormat::pf1Bit);
}

RasterImage NewRaster(PixelFormat format, int height, int width) {
  RasterImage raster;
  raster.Reallocate(width, height, format, DefaultColorTable(format));
  raster.FillWhite();
  return raster;
}

RasterImage NewUnfilledRaster(PixelFormat format, int height, int width) {
  RasterImage raster;
  raster.Reallocate(width, height, format, DefaultColorTable(format));
  return raster;
}

}  // namespace tessalin
