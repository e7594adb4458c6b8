#include "processing/rotate.h"

#include <algorithm>
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

// One turn: the output grid mapped onto the source, with every sample made
// as the rule makes it in extended precision. Most samples are worked out in
// doubles instead (see Row); the ones the doubles cannot decide take the rule.
struct RotationGrid {
  int W = 0, H = 0;
  Extended cosT = 0, sinT = 0, cy = 0, cx = 0;
  int oy = 0, ox = 0;
  std::vector<Extended> colCos, colSin;
  std::vector<const uint8_t*> rows;  // bottom-counted source rows
  // The same in doubles, and how far the doubles may be from the rule.
  std::vector<double> colCosD, colSinD;
  double cyD = 0, cxD = 0, positionMargin = 0, valueMargin = 0;

  // Positions are sums of three terms below 4 * extent, each rounded to a
  // double once or twice: together within extent * 2^-49 of the rule's
  // extended values. The margins allow 32 times that, and a value (bytes
  // below 256, fractions below 1) moves by at most 1530 times a position's
  // error.
  void PrepareEstimates(int extent) {
    colCosD.assign(colCos.begin(), colCos.end());
    colSinD.assign(colSin.begin(), colSin.end());
    cyD = static_cast<double>(cy);
    cxD = static_cast<double>(cx);
    positionMargin = std::ldexp(static_cast<double>(extent) + 2, -44);
    valueMargin = 1600 * positionMargin + 1e-9;
  }

  const uint8_t* At(int c, int r) const {
    // Column W and row H, and the neighbours past the last column or row,
    // repeat the last column or row: a sample exactly on a pixel yields that
    // pixel, and no read leaves the picture.
    return rows[r < H ? r : H - 1] + 3 * static_cast<size_t>(c < W ? c : W - 1);
  }

  // The rule for one output pixel, all in extended precision.
  void ExactSample(Extended rowCos, Extended rowSin, int jo, uint8_t* dst) const {
    const Extended ys = rowCos - colSin[jo] + cy;
    const Extended xs = colCos[jo] + rowSin + cx;
    // Outside the range trunc gives black; checked before converting.
    if (!(ys > -1 && ys < H + 1.0L && xs > -1 && xs < W + 1.0L)) {
      dst[0] = dst[1] = dst[2] = 0;
      return;
    }
    const int r = static_cast<int>(ys), c = static_cast<int>(xs);
    const Extended fx = xs - c, fy = ys - r;
    const uint8_t *p00 = At(c, r), *p10 = At(c + 1, r), *p01 = At(c, r + 1), *p11 = At(c + 1, r + 1);
    for (int k = 0; k < 3; ++k) {
      const Extended lower = p00[k] + fx * (p10[k] - p00[k]);
      const Extended upper = p01[k] + fx * (p11[k] - p01[k]);
      dst[k] = TruncatedByte(lower + fy * (upper - lower));
    }
  }

  // One output row, io counted from the bottom. The doubles decide a sample
  // when its position is clear of whole numbers (trunc and the range checks
  // then agree with the rule) and each interpolated value is clear of whole
  // numbers too, or exactly a byte: four equal neighbours interpolate to
  // themselves in any precision.
  void Row(int io, int outW, uint8_t* dst) const {
    const Extended i = io - oy;
    const Extended rowCos = (i - cy) * cosT, rowSin = (i - cy) * sinT;
    const double rowCosD = static_cast<double>(rowCos), rowSinD = static_cast<double>(rowSin);
    // Within `margin` of a whole number (|v| stays far below 2^62 here).
    const auto nearWhole = [](double v, double margin) {
      const double fraction = std::fabs(v - static_cast<double>(static_cast<long long>(v)));
      return fraction < margin || fraction > 1 - margin;
    };
    for (int jo = 0; jo < outW; ++jo, dst += 3) {
      const double ys = rowCosD - colSinD[jo] + cyD;
      const double xs = colCosD[jo] + rowSinD + cxD;
      if (nearWhole(ys, positionMargin) || nearWhole(xs, positionMargin)) {
        ExactSample(rowCos, rowSin, jo, dst);
        continue;
      }
      if (!(ys > -1 && ys < H + 1.0 && xs > -1 && xs < W + 1.0)) {
        dst[0] = dst[1] = dst[2] = 0;
        continue;
      }
      const int r = static_cast<int>(ys), c = static_cast<int>(xs);
      const double fx = xs - c, fy = ys - r;
      const uint8_t *p00 = At(c, r), *p10 = At(c + 1, r), *p01 = At(c, r + 1), *p11 = At(c + 1, r + 1);
      bool decided = true;
      for (int k = 0; k < 3; ++k) {
        if (p00[k] == p10[k] && p00[k] == p01[k] && p00[k] == p11[k]) {
          dst[k] = p00[k];
          continue;
        }
        const double lower = p00[k] + fx * (p10[k] - p00[k]);
        const double upper = p01[k] + fx * (p11[k] - p01[k]);
        const double value = lower + fy * (upper - lower);
        if (nearWhole(value, valueMargin)) {
          decided = false;
          break;
        }
        dst[k] = static_cast<uint8_t>(value <= 0 ? 0 : (value >= 255 ? 255 : static_cast<int>(value)));
      }
      if (!decided) ExactSample(rowCos, rowSin, jo, dst);
    }
  }
};

}  // namespace

RasterImage RotateImage90(const RasterImage& source) {
  if (!source.HasImage()) return NewRaster(PixelFormat::pf24Bit, source.Width(), source.Height());
  RasterImage holder;
  const RasterImage& src = As24Bit(source, holder);
  const int W = src.Width(), H = src.Height();
  WorkBuffers buffers;
  LoadWorkBuffers(buffers, src, false);
  RasterImage out = NewUnfilledRaster(PixelFormat::pf24Bit, W, H);
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
  RasterImage out = NewUnfilledRaster(PixelFormat::pf24Bit, outH, outW);
  if (!out.HasImage()) return out;

  RotationGrid grid;
  grid.W = W;
  grid.H = H;
  grid.cosT = cosT;
  grid.sinT = sinT;
  grid.cy = static_cast<Extended>(H) / 2;
  grid.cx = static_cast<Extended>(W) / 2;
  grid.oy = (outH - H) / 2;  // int division cuts towards zero
  grid.ox = (outW - W) / 2;
  // (j - cx) cos and (j - cx) sin of every output column, formed once.
  grid.colCos.resize(outW);
  grid.colSin.resize(outW);
  for (int jo = 0; jo < outW; ++jo) {
    const Extended j = jo - grid.ox;
    grid.colCos[jo] = (j - grid.cx) * cosT;
    grid.colSin[jo] = (j - grid.cx) * sinT;
  }
  // The source is read in place: row r counted from the bottom.
  grid.rows.resize(H);
  for (int r = 0; r < H; ++r) grid.rows[r] = src.Row(H - 1 - r);
  grid.PrepareEstimates(std::max({W, H, outW, outH}));

  ForEachRowBand(outH, static_cast<long long>(outW) * outH, [&](int first, int end) {
    for (int y = first; y < end; ++y) grid.Row(outH - 1 - y, outW, out.Row(y));
  });
  return out;
}

}  // namespace tessalin
