#include "processing/scale.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/arithmetic.h"
#include "core/limits.h"
#include "core/pixel_ops.h"
#include "core/tessalin_error.h"
#include "processing/convolve_parallel.h"

namespace tessalin {

namespace {

const RasterImage& As24Bit(const RasterImage& source, RasterImage& holder) {
  if (source.Format() == PixelFormat::pf24Bit) return source;
  holder.Assign(source);
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf24Bit), holder);
  return holder;
}

// trunc(size) as a pixel count, refusing sizes past the engine's limit before
// they are converted.
int OutputSize(Extended size) {
  if (!(size < static_cast<Extended>(kMaxPixels) + 1)) CheckPixelLimit(kMaxPixels + 1, 1);
  return size > 0 ? static_cast<int>(size) : 0;
}

// round(sum / n), ties to even, for a non-negative sum.
inline uint8_t RoundedMean(int64_t sum, int64_t n) {
  int64_t q = sum / n;
  const int64_t r2 = 2 * (sum % n);
  if (r2 > n || (r2 == n && (q & 1))) ++q;
  return static_cast<uint8_t>(q > 255 ? 255 : q);
}

// The source read in place, row r counted from the bottom as the rule counts.
std::vector<const uint8_t*> RowsFromBottom(const RasterImage& picture) {
  std::vector<const uint8_t*> rows(static_cast<size_t>(picture.Height()));
  for (int r = 0; r < picture.Height(); ++r) rows[static_cast<size_t>(r)] = picture.Row(picture.Height() - 1 - r);
  return rows;
}

// Block sums of one output row, then each through `mean`. Sum is wide enough
// for n * 255.
template <typename Sum, typename MeanFn>
void ReduceRow(const std::vector<const uint8_t*>& rows, int sr, int bh, int bw, const std::vector<int>& firstColumn,
               std::vector<Sum>& sums, MeanFn mean, uint8_t* dst) {
  const int outW = static_cast<int>(firstColumn.size());
  std::fill(sums.begin(), sums.end(), Sum{0});
  for (int row = sr; row < sr + bh; ++row) {
    const uint8_t* line = rows[static_cast<size_t>(row)];
    if (bw == 2) {
      // The 50 % reduction, unrolled.
      for (int c = 0; c < outW; ++c) {
        const uint8_t* p = line + static_cast<size_t>(firstColumn[c]) * 3;
        sums[3 * c] += Sum{p[0]} + p[3];
        sums[3 * c + 1] += Sum{p[1]} + p[4];
        sums[3 * c + 2] += Sum{p[2]} + p[5];
      }
      continue;
    }
    for (int c = 0; c < outW; ++c) {
      const uint8_t* p = line + static_cast<size_t>(firstColumn[c]) * 3;
      Sum b = 0, g = 0, rr = 0;
      for (int k = 0; k < bw; ++k, p += 3) {
        b += p[0];
        g += p[1];
        rr += p[2];
      }
      sums[3 * c] += b;
      sums[3 * c + 1] += g;
      sums[3 * c + 2] += rr;
    }
  }
  for (size_t k = 0; k < sums.size(); ++k) dst[k] = mean(sums[k]);
}

}  // namespace

RasterImage ReduceImage(const RasterImage& source, double fy, double fx) {
  // Blocks are round(f) wide; below 1 they could be empty or reach past the picture.
  if (!(fy >= 1 && fx >= 1) || !std::isfinite(fy) || !std::isfinite(fx))
    throw TessalinError("A reduction factor must be a finite number of at least 1.");
  RasterImage holder;
  const RasterImage& src = source.HasImage() ? As24Bit(source, holder) : source;
  const int W = src.Width(), H = src.Height();
  const int outH = OutputSize(static_cast<Extended>(H) / fy);
  const int outW = OutputSize(static_cast<Extended>(W) / fx);
  // Every pixel of every row is written below.
  RasterImage out = NewUnfilledRaster(PixelFormat::pf24Bit, outH, outW);
  if (!out.HasImage()) return out;
  const std::vector<const uint8_t*> rows = RowsFromBottom(src);
  const int bh = RoundToInt(fy), bw = RoundToInt(fx);
  const int64_t n = static_cast<int64_t>(bh) * bw;
  std::vector<int> firstColumn(outW);
  for (int c = 0; c < outW; ++c) firstColumn[c] = static_cast<int>(static_cast<Extended>(c) * fx);
  // Every mean a block can give, worked out once (a division per byte costs
  // more than the sum), while the table stays small.
  constexpr int64_t kMaxTable = int64_t{1} << 20;
  std::vector<uint8_t> meanOf;
  if (n * 255 < kMaxTable) {
    meanOf.resize(static_cast<size_t>(n * 255 + 1));
    for (int64_t sum = 0; sum <= n * 255; ++sum) meanOf[static_cast<size_t>(sum)] = RoundedMean(sum, n);
  }
  ForEachRowBand(outH, static_cast<long long>(W) * H, [&](int first, int end) {
    std::vector<uint32_t> narrow(meanOf.empty() ? 0 : static_cast<size_t>(outW) * 3);
    std::vector<int64_t> wide(meanOf.empty() ? static_cast<size_t>(outW) * 3 : 0);
    for (int y = first; y < end; ++y) {
      const int r = outH - 1 - y;  // counted from the bottom, like the rule
      const int sr = static_cast<int>(static_cast<Extended>(r) * fy);
      if (!meanOf.empty())
        ReduceRow(rows, sr, bh, bw, firstColumn, narrow, [&](uint32_t sum) { return meanOf[sum]; }, out.Row(y));
      else
        ReduceRow(rows, sr, bh, bw, firstColumn, wide, [n](int64_t sum) { return RoundedMean(sum, n); }, out.Row(y));
    }
  });
  return out;
}

RasterImage MagnifyImage(const RasterImage& source, double fy, double fx) {
  if (!(fy > 0 && fx > 0) || !std::isfinite(fy) || !std::isfinite(fx))
    throw TessalinError("A magnification factor must be a finite positive number.");
  const int W = source.Width(), H = source.Height();
  const int outH = OutputSize(static_cast<Extended>(H) * fy);
  const int outW = OutputSize(static_cast<Extended>(W) * fx);
  if (outH > 0 && outW > 0) CheckPixelLimit(outW, outH);
  // Every pixel of every row is written below.
  RasterImage out = NewUnfilledRaster(PixelFormat::pf24Bit, outH, outW);
  if (!out.HasImage()) return out;
  // The 24-bit copy waits until the result is known to fit.
  RasterImage holder;
  const RasterImage& src = source.HasImage() ? As24Bit(source, holder) : source;
  const std::vector<const uint8_t*> rows = RowsFromBottom(src);
  std::vector<int> sourceColumn(outW);
  for (int c = 0; c < outW; ++c) {
    const int sc = static_cast<int>(static_cast<Extended>(c) / fx);
    sourceColumn[c] = sc < W ? sc : W - 1;  // stays inside for factors below 1 as well
  }
  const auto sourceRowOf = [&](int y) {
    const int sr = static_cast<int>(static_cast<Extended>(outH - 1 - y) / fy);
    return sr < H ? sr : H - 1;
  };
  const size_t rowBytes = 3 * static_cast<size_t>(outW);
  ForEachRowBand(outH, static_cast<long long>(outW) * outH, [&](int first, int end) {
    int made = -1;  // the source row of the row above, when this band made it
    for (int y = first; y < end; ++y) {
      const int sr = sourceRowOf(y);
      uint8_t* dst = out.Row(y);
      // Rows from one source row are alike: the first is made, the others copied.
      if (sr == made) {
        std::memcpy(dst, out.Row(y - 1), rowBytes);
        continue;
      }
      const uint8_t* line = rows[static_cast<size_t>(sr)];
      for (int c = 0; c < outW; ++c, dst += 3) {
        const uint8_t* p = line + static_cast<size_t>(sourceColumn[c]) * 3;
        dst[0] = p[0];
        dst[1] = p[1];
        dst[2] = p[2];
      }
      made = sr;
    }
  });
  return out;
}

RasterImage ScaleByMenuTag(const RasterImage& source, int tag) {
  if (tag < 1) throw TessalinError("Unknown scale tag " + std::to_string(tag) + ".");
  if (tag <= 100) {
    const double f = 100.0 / tag;
    return ReduceImage(source, f, f);
  }
  const double f = tag / 100.0;
  return MagnifyImage(source, f, f);
}

std::string ThreeSignificantDigits(double factor) {
  if (std::isnan(factor)) return "NAN";
  if (std::isinf(factor)) return factor > 0 ? "INF" : "-INF";
  if (factor == 0) return "0";
  // The exact decimal expansion, rounded to three digits half away from zero.
  char buf[128];
  std::snprintf(buf, sizeof buf, "%.60e", std::fabs(factor));
  // buf is "d.ddd...e±x": the leading digit, then the fraction digits.
  const char* e = std::strchr(buf, 'e');
  int exponent = std::atoi(e + 1);
  int value = (buf[0] - '0') * 100 + (buf[2] - '0') * 10 + (buf[3] - '0');
  if (buf[4] >= '5') ++value;
  if (value == 1000) {
    value = 100;
    ++exponent;
  }
  std::string sig = std::to_string(value);  // three digits
  while (sig.size() > 1 && sig.back() == '0') sig.pop_back();
  std::string out = factor < 0 ? "-" : "";
  if (exponent >= 3 || exponent < -5) {
    // Scientific form: d.ddE±x.
    out += sig.substr(0, 1);
    if (sig.size() > 1) out += "." + sig.substr(1);
    out += "E" + std::string(exponent < 0 ? "-" : "") + std::to_string(std::abs(exponent));
  } else if (exponent >= 0) {
    const size_t whole = static_cast<size_t>(exponent) + 1;
    while (sig.size() < whole) sig += '0';
    out += sig.substr(0, whole);
    if (sig.size() > whole) out += "." + sig.substr(whole);
  } else {
    out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + sig;
  }
  return out;
}

}  // namespace tessalin
