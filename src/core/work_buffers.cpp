#include "core/work_buffers.h"

#include <algorithm>
#include <cstring>
#include <vector>

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

void WorkBuffers::Allocate(int width, int height, bool withHsi) {
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  width_ = width;
  height_ = height;
  rgbBytes_ = pixels * 3;
  // One byte at least: an empty picture still counts as loaded.
  rgb_ = LargeBuffer(rgbBytes_ > 0 ? rgbBytes_ : 1);
  if (withHsi) {
    hsiBytes_ = pixels * sizeof(HSIColor);
    hsi_ = LargeBuffer(hsiBytes_ > 0 ? hsiBytes_ : sizeof(HSIColor));
  }
}

void LoadWorkBuffers(WorkBuffers& buffers, const RasterImage& image, bool withHsi) {
  if (!buffers.Empty()) throw TessalinError("The working buffers are still in use.");
  const int w = image.HasImage() ? image.Width() : 0;
  const int h = image.HasImage() ? image.Height() : 0;
  const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);
  const size_t rowBytes = static_cast<size_t>(w) * 3;
  buffers.Allocate(w, h, withHsi);
  // Other layouts are read through the row decoder, never past a row's bytes.
  const bool direct = image.Format() == PixelFormat::pf24Bit;
  for (int y = 0; y < h; ++y) {
    uint8_t* dst = buffers.RgbData() + static_cast<size_t>(h - 1 - y) * rowBytes;
    if (direct) std::memcpy(dst, image.Row(y), rowBytes);
    else image.ReadRowBgr(y, dst);
  }
  if (withHsi) FillHsi(buffers.RgbData(), pixels, buffers.HsiData());
}

void LoadBorderedWorkBuffers(WorkBuffers& buffers, const RasterImage& image, bool withHsi) {
  if (!buffers.Empty()) throw TessalinError("The working buffers are still in use.");
  if (!image.HasImage() || image.Format() != PixelFormat::pf24Bit)
    throw TessalinError("Only a 24-bit picture can be loaded with its border.");
  const int w = image.Width() + 2, h = image.Height() + 2;
  const int inner = image.Width();
  const size_t rowBytes = static_cast<size_t>(w) * 3;
  const size_t innerBytes = static_cast<size_t>(inner) * 3;
  buffers.Allocate(w, h, withHsi);
  uint8_t* const rgb = buffers.RgbData();
  HSIColor* const hsi = buffers.HsiData();
  // Bordered row y + 1 holds picture row y; stored bottom-up. The border pixels
  // repeat an edge pixel, so they take its triple instead of working it out again.
  ParallelFor(image.Height(), 64, [&](int64_t begin, int64_t end) {
    for (int64_t y = begin; y < end; ++y) {
      const size_t at = static_cast<size_t>(h - 2 - y) * static_cast<size_t>(w);
      const uint8_t* from = image.Row(static_cast<int>(y));
      uint8_t* to = rgb + 3 * at;
      std::memcpy(to, from, 3);
      std::memcpy(to + 3, from, innerBytes);
      std::memcpy(to + 3 + innerBytes, from + innerBytes - 3, 3);
      if (!hsi) continue;
      HSIColor* out = hsi + at;
      for (int x = 0; x < inner; ++x) out[x + 1] = RGBToHSIFast(from[3 * x + 2], from[3 * x + 1], from[3 * x]);
      out[0] = out[1];
      out[inner + 1] = out[inner];
    }
  });
  // The top and bottom border rows repeat the first and last picture rows.
  std::memcpy(rgb, rgb + rowBytes, rowBytes);
  std::memcpy(rgb + static_cast<size_t>(h - 1) * rowBytes, rgb + static_cast<size_t>(h - 2) * rowBytes, rowBytes);
  if (hsi) {
    const size_t rowTriples = static_cast<size_t>(w);
    std::memcpy(hsi, hsi + rowTriples, rowTriples * sizeof(HSIColor));
    std::memcpy(hsi + static_cast<size_t>(h - 1) * rowTriples, hsi + static_cast<size_t>(h - 2) * rowTriples,
                rowTriples * sizeof(HSIColor));
  }
}

void LoadBorderedCopy(WorkBuffers& buffers, const RasterImage& image, int borderKind, bool withHsi) {
  if (!buffers.Empty()) throw TessalinError("The working buffers are still in use.");
  // Kind 1 has two pixels at the sides and top and one at the bottom; any
  // other kind one pixel on every side.
  const int side = borderKind == 1 ? 2 : 1;
  const int W = image.Width(), H = image.Height();
  const int w = W + 2 * side, h = H + side + 1;
  const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);
  const size_t rowBytes = static_cast<size_t>(w) * 3, innerBytes = static_cast<size_t>(W) * 3;
  buffers.Allocate(w, h, withHsi);
  uint8_t* const rgb = buffers.RgbData();
  HSIColor* const hsi = buffers.HsiData();
  const HSIColor white = RGBToHSIFast(255, 255, 255);
  if (!image.HasImage()) {
    // Nothing to repeat: the copy is as white as a new raster.
    std::memset(rgb, 0xFF, buffers.rgbBytes_);
    if (hsi) std::fill_n(hsi, pixels, white);
    return;
  }
  // Start of bordered row r (counted from the top) in the bottom-up buffers.
  const auto rowAt = [h, w](int r) { return static_cast<size_t>(h - 1 - r) * static_cast<size_t>(w); };
  const bool direct = image.Format() == PixelFormat::pf24Bit;
  ParallelFor(H, 64, [&](int64_t begin, int64_t end) {
    std::vector<uint8_t> decoded(direct ? 0 : innerBytes);
    for (int64_t y = begin; y < end; ++y) {
      const size_t at = rowAt(static_cast<int>(y) + side);
      const uint8_t* from = image.Row(static_cast<int>(y));
      if (!direct) {
        image.ReadRowBgr(static_cast<int>(y), decoded.data());
        from = decoded.data();
      }
      uint8_t* to = rgb + 3 * at;
      std::memcpy(to + 3 * static_cast<size_t>(side), from, innerBytes);
      for (int s = 0; s < side; ++s) {
        std::memcpy(to + 3 * static_cast<size_t>(s), from, 3);
        std::memcpy(to + 3 * (static_cast<size_t>(side) + W + s), from + innerBytes - 3, 3);
      }
      if (!hsi) continue;
      HSIColor* out = hsi + at + side;
      for (int x = 0; x < W; ++x) {
        const uint8_t* p = from + 3 * static_cast<size_t>(x);
        out[x] = RGBToHSIFast(p[2], p[1], p[0]);
      }
      for (int s = 0; s < side; ++s) {
        out[s - side] = out[0];
        out[W + s] = out[W - 1];
      }
    }
  });
  // The top border rows repeat the first picture row, the bottom one the last.
  const auto copyRow = [&](int toRow, int fromRow) {
    std::memcpy(rgb + 3 * rowAt(toRow), rgb + 3 * rowAt(fromRow), rowBytes);
    if (hsi) std::memcpy(hsi + rowAt(toRow), hsi + rowAt(fromRow), static_cast<size_t>(w) * sizeof(HSIColor));
  };
  for (int r = 0; r < side; ++r) copyRow(r, side);
  copyRow(h - 1, h - 2);
  if (borderKind == 1) {
    // This kind leaves its corner blocks white.
    for (const int r : {0, 1, h - 1})
      for (const int x : {0, 1, w - 2, w - 1}) {
        std::memset(rgb + 3 * (rowAt(r) + static_cast<size_t>(x)), 0xFF, 3);
        if (hsi) hsi[rowAt(r) + static_cast<size_t>(x)] = white;
      }
  }
}

void ReleaseWorkBuffers(WorkBuffers& buffers) {
  buffers.rgb_.Release();
  buffers.hsi_.Release();
  buffers.width_ = buffers.height_ = 0;
  buffers.rgbBytes_ = buffers.hsiBytes_ = 0;
}

}  // namespace tessalin
