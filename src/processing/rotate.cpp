#include "processing/rotate.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/arithmetic.h"
#include "core/limits.h"
#include "core/pixel_ops.h"
#include "core/tessalin_error.h"
#include "core/work_buffers.h"
#include "processing/convolve_parallel.h"
#include "processing/cpu_features.h"

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

// trunc of a position above -1 (0 for any in (-1, 0)), through a double:
// converting an extended value to int directly switches the x87 rounding mode
// twice, which costs more than the rest of the sample. The double may round up
// onto the next whole number; the comparison takes that back.
inline int TruncatedPosition(Extended v) {
  int t = static_cast<int>(static_cast<double>(v));
  if (t > v) --t;
  return t < 0 ? 0 : t;
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

  // A position is (i - cy) cos - (j - cx) sin + cy or its like, terms below
  // 1.5 extent: in doubles, with every term and sum rounded, it lies within
  // 10 extent 2^-53 < extent 2^-49 of the rule's extended value. An
  // interpolated value (fractions below 1 in magnitude, byte differences up to
  // 765 once extrapolated) then lies within 1530 times that, plus a few
  // roundings of values below 2^10. The margins allow four times these.
  void PrepareEstimates(int extent) {
    colCosD.assign(colCos.begin(), colCos.end());
    colSinD.assign(colSin.begin(), colSin.end());
    colCosD.resize((colCosD.size() + 3) / 4 * 4, 0);  // whole quads for RotateRow
    colSinD.resize((colSinD.size() + 3) / 4 * 4, 0);
    cyD = static_cast<double>(cy);
    cxD = static_cast<double>(cx);
    positionMargin = std::ldexp(static_cast<double>(extent) + 2, -47);
    valueMargin = 1530 * positionMargin + std::ldexp(1.0, -38);
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
    const int r = TruncatedPosition(ys), c = TruncatedPosition(xs);
    const Extended fx = xs - c, fy = ys - r;
    const uint8_t *p00 = At(c, r), *p10 = At(c + 1, r), *p01 = At(c, r + 1), *p11 = At(c + 1, r + 1);
    for (int k = 0; k < 3; ++k) {
      const Extended lower = p00[k] + fx * (p10[k] - p00[k]);
      const Extended upper = p01[k] + fx * (p11[k] - p01[k]);
      dst[k] = TruncatedByte(lower + fy * (upper - lower));
    }
  }

  // One output row, io counted from the bottom (RotateRow).
  void Row(int io, int outW, uint8_t* dst) const;
};

// Four lanes of doubles: four samples' positions, or one sample's B, G, R
// (and an unused lane). The same operations in the same order as one double at
// a time, so every instruction set gives the same values.
typedef double Quad __attribute__((vector_size(32)));
typedef long long QuadMask __attribute__((vector_size(32)));
typedef int QuadInt __attribute__((vector_size(16)));
typedef uint8_t QuadByte __attribute__((vector_size(4)));

// Only ever inlined into RotateRowIn, whatever its instruction set, so the
// vector arguments and returns make no call across instruction sets (GCC
// notes it only at the end of the file, so it stays off from here on).
#pragma GCC diagnostic ignored "-Wpsabi"
inline Quad LoadQuad(const double* p) {
  Quad q;
  std::memcpy(&q, p, sizeof q);
  return q;
}

inline Quad Truncated(Quad v) { return __builtin_convertvector(__builtin_convertvector(v, QuadInt), Quad); }

// Lanes within `margin` of a whole number (|v| stays below 2^31 here).
inline QuadMask NearWhole(Quad v, double margin) {
  const Quad f = v - Truncated(v);
  const Quad a = f < 0 ? -f : f;
  return (a < margin) | (a > 1 - margin);
}

inline Quad PixelLanes(const uint8_t* p) {
  QuadByte b = {0, 0, 0, 0};
  std::memcpy(&b, p, 3);
  return __builtin_convertvector(b, Quad);
}

// The doubles decide a sample when its position is clear of whole numbers
// (trunc and the range checks then agree with the rule) and each interpolated
// value is clear of whole numbers too, or exactly a byte: four equal
// neighbours interpolate to themselves in any precision. Other samples take
// the rule in extended precision. Inlined into RotateRowAvx2 and RotateRow.
[[gnu::always_inline]] inline void RotateRowIn(const RotationGrid& g, int io, int outW, uint8_t* dst) {
  const Extended i = io - g.oy;
  const Extended rowCos = (i - g.cy) * g.cosT, rowSin = (i - g.cy) * g.sinT;
  const double rowCosD = static_cast<double>(rowCos), rowSinD = static_cast<double>(rowSin);
  const double highY = g.H + 1.0, highX = g.W + 1.0;
  for (int first = 0; first < outW; first += 4, dst += 12) {
    // colCosD and colSinD are padded to whole quads.
    const Quad ys = rowCosD - LoadQuad(&g.colSinD[first]) + g.cyD;
    const Quad xs = LoadQuad(&g.colCosD[first]) + rowSinD + g.cxD;
    const QuadMask nearPosition = NearWhole(ys, g.positionMargin) | NearWhole(xs, g.positionMargin);
    const QuadMask inside = (ys > -1) & (ys < highY) & (xs > -1) & (xs < highX);
    const QuadInt r = __builtin_convertvector(ys, QuadInt), c = __builtin_convertvector(xs, QuadInt);
    const Quad fy = ys - __builtin_convertvector(r, Quad), fx = xs - __builtin_convertvector(c, Quad);
    const int lanes = std::min(4, outW - first);
    for (int k = 0; k < lanes; ++k) {
      uint8_t* out = dst + 3 * k;
      if (nearPosition[k]) {
        g.ExactSample(rowCos, rowSin, first + k, out);
        continue;
      }
      if (!inside[k]) {
        out[0] = out[1] = out[2] = 0;
        continue;
      }
      const uint8_t *a00 = g.At(c[k], r[k]), *a10 = g.At(c[k] + 1, r[k]);
      const uint8_t *a01 = g.At(c[k], r[k] + 1), *a11 = g.At(c[k] + 1, r[k] + 1);
      const Quad p00 = PixelLanes(a00), p10 = PixelLanes(a10), p01 = PixelLanes(a01), p11 = PixelLanes(a11);
      const Quad lower = p00 + fx[k] * (p10 - p00);
      const Quad upper = p01 + fx[k] * (p11 - p01);
      const Quad value = lower + fy[k] * (upper - lower);
      const QuadMask equal = (p00 == p10) & (p00 == p01) & (p00 == p11);
      const QuadMask undecided = NearWhole(value, g.valueMargin) & ~equal;
      if (undecided[0] | undecided[1] | undecided[2]) {
        g.ExactSample(rowCos, rowSin, first + k, out);
        continue;
      }
      // Clamped, then cut towards zero; four equal neighbours give their byte exactly.
      const Quad low = {0, 0, 0, 0}, high = {255, 255, 255, 255};
      const QuadInt bytes = __builtin_convertvector(value < low ? low : (value > high ? high : value), QuadInt);
      out[0] = static_cast<uint8_t>(bytes[0]);
      out[1] = static_cast<uint8_t>(bytes[1]);
      out[2] = static_cast<uint8_t>(bytes[2]);
    }
  }
}

__attribute__((target("avx2"))) void RotateRowAvx2(const RotationGrid& g, int io, int outW, uint8_t* dst) {
  RotateRowIn(g, io, outW, dst);
}

void RotateRow(const RotationGrid& g, int io, int outW, uint8_t* dst) {
  if (HasAvx2())
    RotateRowAvx2(g, io, outW, dst);
  else
    RotateRowIn(g, io, outW, dst);
}

void RotationGrid::Row(int io, int outW, uint8_t* dst) const { RotateRow(*this, io, outW, dst); }

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

  // No turn at all (0 and 360 degrees give a cosine of exactly 1 and a sine
  // of exactly 0): every sample falls on its own pixel, so the picture is
  // copied as it is.
  if (cosT == 1 && sinT == 0 && outW == W && outH == H) {
    for (int y = 0; y < H; ++y) std::memcpy(out.Row(y), src.Row(y), 3 * static_cast<size_t>(W));
    return out;
  }

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
