#include "processing/rotate.h"

#include <cmath>
#include <vector>

#include "core/arithmetic.h"
#include "core/limits.h"
#include "core/pixel_ops.h"
#include "core/tessalin_error.h"
#include "core/work_buffers.h"
#include "processing/convolve_parallel.h"

namespace tessalin {

namespace {

// Ten-digit values on purpose: a quarter turn is not exact to the last bit.
constexpr double kPi = 3.14159265;
constexpr double kHalfPi = 1.570796327;

RasterImage Copy24(const RasterImage& source) {
  RasterImage copy;
  copy.Assign(source);
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf24Bit), copy);
  return copy;
}

const RasterImage& As24Bit(const RasterImage& source, RasterImage& holder) {
  if (source.Format() == PixelFormat::pf24Bit) return source;
  holder = Copy24(source);
  return holder;
}

inline uint8_t TruncatedByte(Extended value) {
  return static_cast<uint8_t>(static_cast<int>(ClampReal(static_cast<double>(value), 0, 255)));
}

}  // namespace

RasterImage RotateImage90(const RasterImage& source) {
  if (!source.HasImage()) return NewRaster(PixelFormat::pf24Bit, source.Width(), source.Height());
  RasterImage holder;
  const RasterImage& src = As24Bit(source, holder);
  const int W = src.Width(), H = src.Height();
  WorkBuffers buffers;
  LoadWorkBuffers(buffers, src, false);
  RasterImage out = NewRaster(PixelFormat::pf24Bit, W, H);
  ForEachRowBand(W, static_cast<long long>(W) * H, [&](int first, int end) {
    for (int y = first; y < end; ++y) {
      uint8_t* dst = out.Row(y);
      // Output (x, y) is source column y, row H - 1 - x (both from the top).
      for (int x = 0; x < H; ++x) {
        const uint8_t* p = buffers.RgbAt(y, H - 1 - x);
        dst[3 * x] = p[0];
        dst[3 * x + 1] = p[1];
        dst[3 * x + 2] = p[2];
      }
    }
  });
  ReleaseWorkBuffers(buffers);
  return out;
}

RasterImage RotateImage(const RasterImage& source, bool fit, double degrees) {
  if (!std::isfinite(degrees)) throw TessalinError("The rotation angle must be a finite number of degrees.");
  if (!source.HasImage()) return NewRaster(PixelFormat::pf24Bit, source.Height(), source.Width());
  const int W = source.Width(), H = source.Height();

  double d = 360 - degrees;
  // The same as subtracting 360 until below it, without looping on large angles.
  if (d >= 360) d = std::fmod(d, 360);
  const Extended theta = static_cast<Extended>(d) * kPi / 180;
  const Extended cosT = std::cos(theta), sinT = std::sin(theta);

  int outW = W, outH = H;
  if (fit) {
    const Extended cosC = std::cos(kHalfPi - theta);
    const Extended h = std::fabs(cosT) * H + std::fabs(cosC) * W;
    const Extended w = std::fabs(cosC) * H + std::fabs(cosT) * W;
    if (!(h < kMaxPixels + 1.0L && w < kMaxPixels + 1.0L)) CheckPixelLimit(kMaxPixels + 1, 1);
    outH = static_cast<int>(h);
    outW = static_cast<int>(w);
    CheckPixelLimit(outW, outH);
  }
  // Only now that the size is known to fit is anything allocated.
  RasterImage holder;
  const RasterImage& src = As24Bit(source, holder);
  WorkBuffers buffers;
  LoadWorkBuffers(buffers, src, false);
  RasterImage out = NewRaster(PixelFormat::pf24Bit, outH, outW);
  if (!out.HasImage()) {
    ReleaseWorkBuffers(buffers);
    return out;
  }

  const Extended cy = static_cast<Extended>(H) / 2, cx = static_cast<Extended>(W) / 2;
  const int oy = (outH - H) / 2, ox = (outW - W) / 2;  // int division cuts towards zero
  // (j - cx) cos and (j - cx) sin of every output column, formed once.
  std::vector<Extended> colCos(outW), colSin(outW);
  for (int jo = 0; jo < outW; ++jo) {
    const Extended j = jo - ox;
    colCos[jo] = (j - cx) * cosT;
    colSin[jo] = (j - cx) * sinT;
  }
  const uint8_t* rgb = buffers.Rgb();
  const size_t rowCells = static_cast<size_t>(W);

  ForEachRowBand(outH, static_cast<long long>(outW) * outH, [&](int first, int end) {
    for (int y = first; y < end; ++y) {
      const int io = outH - 1 - y;  // row counted from the bottom
      const Extended i = io - oy;
      const Extended rowCos = (i - cy) * cosT, rowSin = (i - cy) * sinT;
      uint8_t* dst = out.Row(y);
      for (int jo = 0; jo < outW; ++jo, dst += 3) {
        const Extended ys = rowCos - colSin[jo] + cy;
        const Extended xs = colCos[jo] + rowSin + cx;
        // Outside the range trunc gives black; checked before converting.
        if (!(ys > -1 && ys < H + 1.0L && xs > -1 && xs < W + 1.0L)) {
          dst[0] = dst[1] = dst[2] = 0;
          continue;
        }
        const int r = static_cast<int>(ys), c = static_cast<int>(xs);
        const Extended fx = xs - c, fy = ys - r;
        // Far border: column W and row H, and the neighbours c + 1 and r + 1
        // past the last column or row, repeat the last column or row. A sample
        // exactly on a pixel has fx = fy = 0 and yields that pixel, and no
        // read leaves the picture.
        const int c0 = c < W ? c : W - 1, c1 = c + 1 < W ? c + 1 : W - 1;
        const int r0 = r < H ? r : H - 1, r1 = r + 1 < H ? r + 1 : H - 1;
        const uint8_t* p00 = rgb + (static_cast<size_t>(r0) * rowCells + c0) * 3;
        const uint8_t* p10 = rgb + (static_cast<size_t>(r0) * rowCells + c1) * 3;
        const uint8_t* p01 = rgb + (static_cast<size_t>(r1) * rowCells + c0) * 3;
        const uint8_t* p11 = rgb + (static_cast<size_t>(r1) * rowCells + c1) * 3;
        for (int k = 0; k < 3; ++k) {
          const Extended lower = p00[k] + fx * (p10[k] - p00[k]);
          const Extended upper = p01[k] + fx * (p11[k] - p01[k]);
          dst[k] = TruncatedByte(lower + fy * (upper - lower));
        }
      }
    }
  });
  ReleaseWorkBuffers(buffers);
  return out;
}

}  // namespace tessalin
