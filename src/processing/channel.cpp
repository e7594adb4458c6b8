#include "processing/channel.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <emmintrin.h>
#include <memory>
#include <vector>

#include "core/arithmetic.h"
#include "core/colour_model.h"
#include "core/parallel_rows.h"

namespace tessalin {

BgrTriple CorrectChannelPixel(uint8_t r, uint8_t g, uint8_t b, const ChannelOffsets& offsets) {
  const uint8_t cr = ClampByte(r + offsets.r);
  const uint8_t cg = ClampByte(g + offsets.g);
  const uint8_t cb = ClampByte(b + offsets.b);
  HSIColor hsi = RGBToHSI(cr, cg, cb);
  hsi.H = ClampReal(hsi.H + offsets.h, 0, 360);
  hsi.S = ClampReal(hsi.S + offsets.s, 0, 1);
  hsi.I = ClampReal(hsi.I + offsets.i, 0, 255);
  return HSIToRGB(hsi);
}

namespace {

// Of a colour's HSI triple, I depends on the sum of the bytes alone, S on the
// sum and the minimum, H on the differences R - G and R - B (each -255 .. 255):
// every per-pixel value comes from tables over those keys, each entry worked
// out once by RGBToHSIFast on one colour with that key.
constexpr int kDiffs = 511;
constexpr size_t kPairs = static_cast<size_t>(kDiffs) * kDiffs;
constexpr int kSums = 766;

inline size_t PairIndex(int r, int g, int b) {
  return static_cast<size_t>(r - g + 255) * kDiffs + static_cast<size_t>(r - b + 255);
}
inline size_t SumMinIndex(int sum, int minimum) {
  return static_cast<size_t>(sum) * 256 + static_cast<size_t>(minimum);
}

// The composite rounding of each HSI component.
inline uint8_t HueByte(double h) { return static_cast<uint8_t>(RoundToInt(static_cast<Extended>(h) / 360 * 255)); }
inline uint8_t SatByte(double s) { return static_cast<uint8_t>(RoundToInt(static_cast<Extended>(s) * 255)); }
inline uint8_t IntByte(double i) { return static_cast<uint8_t>(RoundToInt(static_cast<Extended>(i))); }

struct ColourTables {
  std::vector<double> hue;  // by pair
  std::vector<uint8_t> hueByte;
  std::vector<double> sat;  // by (sum, minimum)
  std::vector<uint8_t> satByte;
  double intensity[kSums];
  uint8_t intByte[kSums];
};

const ColourTables& Tables() {
  static const ColourTables tables = [] {
    ColourTables t;
    t.hue.assign(kPairs, 0);
    t.hueByte.assign(kPairs, 0);
    for (int d1 = -255; d1 <= 255; ++d1)
      for (int d2 = -255; d2 <= 255; ++d2) {
        const int r = std::max({0, d1, d2}), g = r - d1, b = r - d2;
        if (r > 255 || g > 255 || b > 255) continue;  // no colour has these differences
        const double h = RGBToHSIFast(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)).H;
        const size_t k = PairIndex(r, g, b);
        t.hue[k] = h;
        t.hueByte[k] = HueByte(h);
      }
    t.sat.assign(static_cast<size_t>(kSums) * 256, 0);
    t.satByte.assign(static_cast<size_t>(kSums) * 256, 0);
    for (int sum = 0; sum < kSums; ++sum) {
      for (int m = 0; 3 * m <= sum && m < 256; ++m) {
        // A colour (m, x, y) with x, y >= m: the minimum is m.
        const int x = std::max(m, sum - m - 255), y = sum - m - x;
        if (x > 255 || y > 255) continue;
        const double s =
            RGBToHSIFast(static_cast<uint8_t>(m), static_cast<uint8_t>(x), static_cast<uint8_t>(y)).S;
        t.sat[SumMinIndex(sum, m)] = s;
        t.satByte[SumMinIndex(sum, m)] = SatByte(s);
      }
      const int r = std::min(sum, 255), g = std::clamp(sum - 255, 0, 255), b = std::max(sum - 510, 0);
      const double i = RGBToHSIFast(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)).I;
      t.intensity[sum] = i;
      t.intByte[sum] = IntByte(i);
    }
    return t;
  }();
  return tables;
}

inline BgrTriple Composite(const ColourTables& t, int r, int g, int b) {
  const int sum = r + g + b, m = std::min({r, g, b});
  return {t.intByte[sum], t.satByte[SumMinIndex(sum, m)], t.hueByte[PairIndex(r, g, b)]};
}

// As HSIToRGB turns a component into a byte.
inline uint8_t OutputByte(Extended value) {
  return static_cast<uint8_t>(RoundToInt(ClampReal(static_cast<double>(value), 0, 255)));
}

// The rows of `source` as 24 bits: the picture itself, or a converted copy.
const RasterImage& As24(const RasterImage& source, RasterImage& converted) {
  if (source.Format() == PixelFormat::pf24Bit) return source;
  converted = NewRaster(PixelFormat::pf24Bit, source.Height(), source.Width());
  for (int y = 0; y < source.Height(); ++y) source.ReadRowBgr(y, converted.Row(y));
  return converted;
}

// Enough pixels per thread to pay for starting it.
int64_t RowsPerThread(int width) { return std::max<int64_t>(1, 32768 / std::max(1, width)); }

}  // namespace

// The cosines HSIToRGB takes of one hue (after the H offset).
struct ChannelCorrector::HueTerms {
  Extended c1, c2;
};
// Their ratio as a double, and the hue's third of the circle.
struct ChannelCorrector::QuickTerms {
  double ratio;
  int32_t sector;
};

namespace {

// The bytes of HSIToRGB for a coloured pixel (I > 0, S > 0), operation for operation.
inline void ExtendedBytes(double I, double S, const ChannelCorrector::HueTerms& e, int sector, uint8_t& ob,
                          uint8_t& og, uint8_t& orr) {
  const Extended XS = S, K = 3 * static_cast<Extended>(I);
  const Extended f = (1 + XS * e.c1 / e.c2) / 3;
  const Extended u = (1 - XS) / 3;
  Extended r, g, b;
  if (sector == 0) {
    b = u;
    r = f;
    g = 1 - r - b;
  } else if (sector == 1) {
    r = u;
    g = f;
    b = 1 - r - g;
  } else {
    g = u;
    b = f;
    r = 1 - g - b;
  }
  ob = OutputByte(K * b);
  og = OutputByte(K * g);
  orr = OutputByte(K * r);
}

// Round to nearest, ties to even (the default mode), without a library call.
inline int NearestInt(double v) { return _mm_cvtsd_si32(_mm_set_sd(v)); }

// The same bytes estimated in doubles. Every quantity is bounded (S in 0..1,
// the cosine ratio in -1..2, so the thirds in 0..1 and the products below
// 766): the estimate and the extended-precision value both lie within 1e-11
// of the exact real one. round(clamp(v, 0, 255)) only changes at k + 1/2, so
// an estimate farther than kGuard from every half gives the same byte; one
// that close returns false and the pixel takes the extended expressions.
constexpr double kGuard = 1e-7;

inline bool QuickByte(double v, uint8_t& out) {
  const int n = NearestInt(v);
  const double away = v - n;  // -1/2 .. 1/2
  if (away > 0.5 - kGuard || away < kGuard - 0.5) return false;
  out = static_cast<uint8_t>(n < 0 ? 0 : (n > 255 ? 255 : n));
  return true;
}

inline bool QuickBytes(double I, double S, const ChannelCorrector::QuickTerms& q, uint8_t& ob, uint8_t& og,
                       uint8_t& orr) {
  constexpr double kThird = 1.0 / 3;
  const double K = 3 * I;
  const double f = (1 + S * q.ratio) * kThird;
  const double u = (1 - S) * kThird;
  const double w = 1 - f - u;
  double r, g, b;
  if (q.sector == 0) {
    b = u;
    r = f;
    g = w;
  } else if (q.sector == 1) {
    r = u;
    g = f;
    b = w;
  } else {
    g = u;
    b = f;
    r = w;
  }
  return QuickByte(K * b, ob) && QuickByte(K * g, og) && QuickByte(K * r, orr);
}

}  // namespace

ChannelCorrector::ChannelCorrector(bool extendedOnly) : extendedOnly_(extendedOnly) {}
ChannelCorrector::~ChannelCorrector() = default;

ChannelCorrection ChannelCorrector::Apply(const RasterImage& source, const ChannelOffsets& offsets,
                                          bool withComposite) {
  ChannelCorrection result;
  if (!source.HasImage()) return result;
  const std::lock_guard<std::mutex> lock(mutex_);
  const ColourTables& t = Tables();
  RasterImage converted;
  const RasterImage& picture = As24(source, converted);
  const int width = picture.Width(), height = picture.Height();

  uint8_t addR[256], addG[256], addB[256];
  for (int v = 0; v < 256; ++v) {
    addR[v] = ClampByte(v + offsets.r);
    addG[v] = ClampByte(v + offsets.g);
    addB[v] = ClampByte(v + offsets.b);
  }
  // Beyond a full turn every hue clamps to 0 or 360 alike, so larger offsets
  // share the cosines of -360 and 360 (and never meet the empty-entry mark).
  const int h = std::clamp(offsets.h, -360, 360);

  // The hues this picture meets that have no cosines for this H offset yet.
  if (!terms_) {
    terms_.reset(new HueTerms[kPairs]);
    quick_.reset(new QuickTerms[kPairs]);
    termsFor_.reset(new int32_t[kPairs]);
    std::fill_n(termsFor_.get(), kPairs, INT32_MIN);
  }
  const int32_t* termsFor = termsFor_.get();
  std::unique_ptr<std::atomic<uint8_t>[]> needed(new std::atomic<uint8_t>[kPairs]());
  ParallelFor(height, RowsPerThread(width), [&](int64_t begin, int64_t end) {
    for (int64_t y = begin; y < end; ++y) {
      const uint8_t* p = picture.Row(static_cast<int>(y));
      for (int x = 0; x < width; ++x, p += 3) {
        const size_t k = PairIndex(addR[p[2]], addG[p[1]], addB[p[0]]);
        if (termsFor[k] != h && !needed[k].load(std::memory_order_relaxed))
          needed[k].store(1, std::memory_order_relaxed);
      }
    }
  });
  std::vector<uint32_t> missing;
  for (size_t k = 0; k < kPairs; ++k)
    if (needed[k].load(std::memory_order_relaxed)) missing.push_back(static_cast<uint32_t>(k));
  needed.reset();
  HueTerms* terms = terms_.get();
  QuickTerms* quick = quick_.get();
  ParallelFor(static_cast<int64_t>(missing.size()), 1024, [&](int64_t begin, int64_t end) {
    const Extended d = kDegreesToRadians;
    for (int64_t n = begin; n < end; ++n) {
      const uint32_t k = missing[static_cast<size_t>(n)];
      // The expressions of HSIToRGB, operation for operation.
      Extended H = ClampReal(t.hue[k] + h, 0, 360);
      if (H < 0) H = H + 360;
      Extended hh;
      int sector;
      if (H <= 120) {
        sector = 0;
        hh = H;
      } else if (H <= 240) {
        sector = 1;
        hh = H - 120;
      } else {
        sector = 2;
        hh = H - 240;
      }
      HueTerms& e = terms[k];
      e.c1 = std::cos(hh * d);
      e.c2 = std::cos((60 - hh) * d);
      quick[k] = {static_cast<double>(e.c1 / e.c2), sector};
    }
  });
  for (const uint32_t k : missing) termsFor_[k] = h;
  computed_ += static_cast<int64_t>(missing.size());

  result.corrected = NewRaster(PixelFormat::pf24Bit, height, width);
  if (withComposite) result.composite = NewRaster(PixelFormat::pf24Bit, height, width);
  RasterImage& out = result.corrected;
  RasterImage* composite = withComposite ? &result.composite : nullptr;
  const double offsetS = offsets.s;
  const int offsetI = offsets.i;
  const bool extendedOnly = extendedOnly_;
  std::atomic<int64_t> fallbacks{0};
  ParallelFor(height, RowsPerThread(width), [&](int64_t begin, int64_t end) {
    // Locals, not captures: the byte stores below could alias anything reached
    // through a reference, which would reload it for every pixel.
    uint8_t toR[256], toG[256], toB[256];
    std::copy_n(addR, 256, toR);
    std::copy_n(addG, 256, toG);
    std::copy_n(addB, 256, toB);
    const double* const intensity = t.intensity;
    const double* const sat = t.sat.data();
    const uint8_t* const hueByte = t.hueByte.data();
    const uint8_t* const satByte = t.satByte.data();
    const uint8_t* const intByte = t.intByte;
    const QuickTerms* const quickTerms = quick;
    const HueTerms* const exactTerms = terms;
    const double s = offsetS, i = offsetI;
    const bool exactOnly = extendedOnly;
    const int w = width;
    int64_t slow = 0;
    for (int64_t y = begin; y < end; ++y) {
      const uint8_t* p = picture.Row(static_cast<int>(y));
      uint8_t* dst = out.Row(static_cast<int>(y));
      uint8_t* hsi = composite ? composite->Row(static_cast<int>(y)) : nullptr;
      for (int x = 0; x < w; ++x, p += 3, dst += 3) {
        const int R = toR[p[2]], G = toG[p[1]], B = toB[p[0]];
        const int sum = R + G + B, m = std::min({R, G, B});
        const double I = ClampReal(intensity[sum] + i, 0, 255);
        const double S = ClampReal(sat[SumMinIndex(sum, m)] + s, 0, 1);
        uint8_t ob, og, orr;
        if (I == 0) {
          ob = og = orr = 0;
        } else if (S == 0) {
          ob = og = orr = static_cast<uint8_t>(NearestInt(I));
        } else {
          const size_t k = PairIndex(R, G, B);
          if (exactOnly || !QuickBytes(I, S, quickTerms[k], ob, og, orr)) {
            ExtendedBytes(I, S, exactTerms[k], quickTerms[k].sector, ob, og, orr);
            ++slow;
          }
        }
        dst[0] = ob;
        dst[1] = og;
        dst[2] = orr;
        if (hsi) {
          const int outSum = ob + og + orr, outMin = std::min({ob, og, orr});
          hsi[0] = intByte[outSum];
          hsi[1] = satByte[SumMinIndex(outSum, outMin)];
          hsi[2] = hueByte[PairIndex(orr, og, ob)];
          hsi += 3;
        }
      }
    }
    fallbacks += slow;
  });
  fallbacks_ += fallbacks.load();
  return result;
}

namespace {
ChannelCorrector& SharedCorrector() {
  static ChannelCorrector corrector;
  return corrector;
}
}  // namespace

RasterImage ApplyChannelCorrection(const RasterImage& source, const ChannelOffsets& offsets) {
  return std::move(SharedCorrector().Apply(source, offsets, false).corrected);
}

ChannelCorrection ApplyChannelCorrectionWithComposite(const RasterImage& source,
                                                      const ChannelOffsets& offsets) {
  return SharedCorrector().Apply(source, offsets, true);
}

HSIColor ChannelTableHSI(uint8_t r, uint8_t g, uint8_t b) {
  const ColourTables& t = Tables();
  const int sum = r + g + b, m = std::min({r, g, b});
  HSIColor hsi;
  hsi.I = t.intensity[sum];
  hsi.S = t.sat[SumMinIndex(sum, m)];
  hsi.H = t.hue[PairIndex(r, g, b)];
  return hsi;
}

BgrTriple CompositeBytes(uint8_t r, uint8_t g, uint8_t b) { return Composite(Tables(), r, g, b); }

std::array<RasterImage, 6> ChannelDistributionImages(const RasterImage& picture) {
  std::array<RasterImage, 6> out;
  if (!picture.HasImage()) return out;
  const ColourTables& t = Tables();
  RasterImage converted;
  const RasterImage& source = As24(picture, converted);
  const int width = source.Width(), height = source.Height();
  for (RasterImage& channel : out) channel = NewRaster(PixelFormat::pf24Bit, height, width);
  ParallelFor(height, RowsPerThread(width), [&](int64_t begin, int64_t end) {
    for (int64_t y = begin; y < end; ++y) {
      const uint8_t* p = source.Row(static_cast<int>(y));
      uint8_t* dst[6];
      for (int c = 0; c < 6; ++c) dst[c] = out[c].Row(static_cast<int>(y));
      for (int x = 0; x < width; ++x, p += 3) {
        const int B = p[0], G = p[1], R = p[2];
        const BgrTriple c = Composite(t, R, G, B);
        const uint8_t v[6] = {static_cast<uint8_t>(R), static_cast<uint8_t>(G), static_cast<uint8_t>(B),
                              c.r, c.g, c.b};
        for (int k = 0; k < 6; ++k) dst[k][3 * x] = dst[k][3 * x + 1] = dst[k][3 * x + 2] = v[k];
      }
    }
  });
  return out;
}

RasterImage ChannelCompositeImage(const RasterImage& picture) {
  if (!picture.HasImage()) return RasterImage();
  const ColourTables& t = Tables();
  RasterImage converted;
  const RasterImage& source = As24(picture, converted);
  const int width = source.Width();
  RasterImage out = NewRaster(PixelFormat::pf24Bit, source.Height(), width);
  ParallelFor(source.Height(), RowsPerThread(width), [&](int64_t begin, int64_t end) {
    for (int64_t y = begin; y < end; ++y) {
      const uint8_t* p = source.Row(static_cast<int>(y));
      uint8_t* dst = out.Row(static_cast<int>(y));
      for (int x = 0; x < width; ++x, p += 3, dst += 3) {
        const BgrTriple c = Composite(t, p[2], p[1], p[0]);
        dst[0] = c.b;
        dst[1] = c.g;
        dst[2] = c.r;
      }
    }
  });
  return out;
}

RasterImage SamplePixels(const RasterImage& picture, const std::vector<int>& columns,
                         const std::vector<int>& rows) {
  if (columns.empty() || rows.empty() || !picture.HasImage()) return RasterImage();
  RasterImage out =
      NewRaster(PixelFormat::pf24Bit, static_cast<int>(rows.size()), static_cast<int>(columns.size()));
  std::vector<uint8_t> row(static_cast<size_t>(picture.Width()) * 3);
  for (size_t y = 0; y < rows.size(); ++y) {
    picture.ReadRowBgr(std::clamp(rows[y], 0, picture.Height() - 1), row.data());
    uint8_t* dst = out.Row(static_cast<int>(y));
    for (size_t x = 0; x < columns.size(); ++x) {
      const size_t c = static_cast<size_t>(std::clamp(columns[x], 0, picture.Width() - 1));
      dst[3 * x] = row[3 * c];
      dst[3 * x + 1] = row[3 * c + 1];
      dst[3 * x + 2] = row[3 * c + 2];
    }
  }
  return out;
}

RasterImage ChannelThresholdImage(const RasterImage& picture, int byteIndex, int offset) {
  if (!picture.HasImage()) return RasterImage();
  // Row bytes are B, G, R: the red byte is the third.
  const int pick = 2 - std::clamp(byteIndex, 0, 2);
  uint8_t shifted[256];
  for (int v = 0; v < 256; ++v) shifted[v] = ClampByte(v + offset);
  RasterImage converted;
  const RasterImage& source = As24(picture, converted);
  RasterImage out = NewRaster(PixelFormat::pf24Bit, source.Height(), source.Width());
  const int width = source.Width();
  ParallelFor(source.Height(), RowsPerThread(width), [&](int64_t begin, int64_t end) {
    for (int64_t y = begin; y < end; ++y) {
      const uint8_t* p = source.Row(static_cast<int>(y)) + pick;
      uint8_t* dst = out.Row(static_cast<int>(y));
      for (int x = 0; x < width; ++x) dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = shifted[p[3 * x]];
    }
  });
  return out;
}

}  // namespace tessalin
