#include "core/pixel_ops.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/arithmetic.h"
#include "core/black_white.h"
#include "core/colour_model.h"
#include "core/palette.h"
#include "core/parallel_rows.h"
#include "core/tessalin_error.h"

namespace tessalin {

namespace {

void RequireTrueColour(const RasterImage& image) {
  if (image.HasImage() && image.Format() != PixelFormat::pf24Bit)
    throw TessalinError("The operation needs a 24-bit picture.");
}

// Runs `pixel(bgrIn, bgrOut)` over every pixel into a new raster.
template <typename PixelFn>
RasterImage MapPixels(const RasterImage& image, PixelFn pixel) {
  RequireTrueColour(image);
  RasterImage out = NewUnfilledRaster(PixelFormat::pf24Bit, image.Height(), image.Width());
  const int w = image.Width();
  // Rows are independent: pieces of them run on several threads.
  ParallelFor(image.Height(), 8, [&](int64_t begin, int64_t end) {
    for (int64_t y = begin; y < end; ++y) {
      const uint8_t* src = image.Row(static_cast<int>(y));
      uint8_t* dst = out.Row(static_cast<int>(y));
      for (int x = 0; x < w; ++x) pixel(src + 3 * x, dst + 3 * x);
    }
  });
  return out;
}

inline void SetGrey(uint8_t* dst, uint8_t v) { dst[0] = dst[1] = dst[2] = v; }

}  // namespace

uint8_t GrayScaleValueReference(uint8_t r, uint8_t g, uint8_t b) {
  const Extended sum = static_cast<Extended>(0.3) * r + static_cast<Extended>(0.59) * g +
                       static_cast<Extended>(0.11) * b;
  return ClampByte(RoundToInt(sum));
}

namespace {

// 0.3, 0.59 and 0.11 as doubles are odd multiples of 2^-54, 2^-53 and 2^-56;
// times a byte, and summed, they stay multiples of 2^-56 below 2^8, which the
// 64-bit significand holds exactly. So the extended sum is the exact sum, and
// it can be formed in integers counted in units of 2^-56.
struct GreyTables {
  uint64_t r[256], g[256], b[256];
};

uint64_t Units(double weight) {  // weight * 2^56, exact
  return static_cast<uint64_t>(std::ldexp(static_cast<Extended>(weight), 56));
}

const GreyTables& Grey() {
  static const GreyTables tables = [] {
    GreyTables t;
    const uint64_t wr = Units(0.3), wg = Units(0.59), wb = Units(0.11);
    for (uint64_t v = 0; v < 256; ++v) {
      t.r[v] = wr * v;
      t.g[v] = wg * v;
      t.b[v] = wb * v;
    }
    return t;
  }();
  return tables;
}

inline uint8_t GreyFromUnits(uint64_t sum) {
  constexpr uint64_t kHalf = uint64_t{1} << 55, kFraction = (uint64_t{1} << 56) - 1;
  uint64_t whole = sum >> 56;
  const uint64_t rest = sum & kFraction;
  if (rest > kHalf || (rest == kHalf && (whole & 1))) ++whole;  // ties to even
  return static_cast<uint8_t>(whole > 255 ? 255 : whole);
}

}  // namespace

uint8_t GrayScaleValue(uint8_t r, uint8_t g, uint8_t b) {
  const GreyTables& t = Grey();
  return GreyFromUnits(t.r[r] + t.g[g] + t.b[b]);
}

bool MonochromeIsWhite(uint8_t r, uint8_t g, uint8_t b) {
  constexpr int kMid = 0x7F00;
  const int R = r, G = g, B = b;
  return 77 * R + 150 * G + 29 * B > kMid && 77 * R + 29 * G + 150 * B > kMid &&
         150 * R + 77 * G + 29 * B > kMid && 150 * R + 29 * G + 77 * B > kMid &&
         29 * R + 150 * G + 77 * B > kMid && 29 * R + 77 * G + 150 * B > kMid;
}

RasterImage RGBModelImage(int kind, const RasterImage& image) {
  if (kind < 0 || kind > 2) {
    RequireTrueColour(image);
    RasterImage copy;
    copy.Assign(image);
    return copy;
  }
  const int channel = 2 - kind;  // bytes are B, G, R
  return MapPixels(image, [channel](const uint8_t* s, uint8_t* d) { SetGrey(d, s[channel]); });
}

RasterImage HSIModelImage(int kind, const RasterImage& image) {
  // Each result pixel depends on its own HSI triple only, so the triple is
  // computed on the spot instead of holding a 24-byte-a-pixel buffer.
  return MapPixels(image, [kind](const uint8_t* s, uint8_t* d) {
    const HSIColor hsi = RGBToHSIFast(s[2], s[1], s[0]);
    const auto h = static_cast<uint8_t>(RoundToInt(static_cast<Extended>(hsi.H) / 360 * 255));
    const auto sat = static_cast<uint8_t>(RoundToInt(static_cast<Extended>(hsi.S) * 255));
    const auto i = static_cast<uint8_t>(RoundToInt(static_cast<Extended>(hsi.I)));
    switch (kind) {
      case 0: SetGrey(d, h); break;
      case 1: SetGrey(d, sat); break;
      case 2: SetGrey(d, i); break;
      default:
        d[0] = i;
        d[1] = sat;
        d[2] = h;
        break;
    }
  });
}

RasterImage EtcModelImage(int kind, const RasterImage& image) {
  switch (kind) {
    case 0: {
      const GreyTables& t = Grey();
      return MapPixels(image, [&t](const uint8_t* s, uint8_t* d) {
        SetGrey(d, GreyFromUnits(t.r[s[2]] + t.g[s[1]] + t.b[s[0]]));
      });
    }
    case 1:
      return MapPixels(image, [](const uint8_t* s, uint8_t* d) {
        SetGrey(d, MonochromeIsWhite(s[2], s[1], s[0]) ? 255 : 0);
      });
    default:
      return MapPixels(image, [](const uint8_t* s, uint8_t* d) {
        d[0] = static_cast<uint8_t>(255 - s[0]);
        d[1] = static_cast<uint8_t>(255 - s[1]);
        d[2] = static_cast<uint8_t>(255 - s[2]);
      });
  }
}

RasterImage MirrorImage(int kind, const RasterImage& image) {
  RequireTrueColour(image);
  const int w = image.Width(), h = image.Height();
  RasterImage out = NewUnfilledRaster(PixelFormat::pf24Bit, h, w);
  ParallelFor(h, 8, [&](int64_t begin, int64_t end) {
    for (int y = static_cast<int>(begin); y < end; ++y) {
      if (kind == 1) {
        std::memcpy(out.Row(y), image.Row(h - 1 - y), static_cast<size_t>(w) * 3);
        continue;
      }
      const uint8_t* src = image.Row(y);
      uint8_t* dst = out.Row(y);
      for (int x = 0; x < w; ++x) std::memcpy(dst + 3 * x, src + 3 * (w - 1 - x), 3);
    }
  });
  return out;
}

namespace {

// A 24-bit picture's pixels mapped to 1 bit, each by `white(b, g, r)`.
template <typename WhiteFn>
RasterImage PackedByRule(const RasterImage& image, WhiteFn white) {
  const int w = image.Width();
  RasterImage out = NewPackedRaster(image.Height(), w);
  ParallelFor(image.Height(), 64, [&](int64_t begin, int64_t end) {
    std::vector<uint8_t> values(static_cast<size_t>(w));
    for (int64_t y = begin; y < end; ++y) {
      const uint8_t* src = image.Row(static_cast<int>(y));
      for (int x = 0; x < w; ++x, src += 3) values[x] = white(src[0], src[1], src[2]) ? 255 : 0;
      PackBlackWhiteRow(values.data(), w, out.Row(static_cast<int>(y)));
    }
  });
  return out;
}

}  // namespace

RasterImage MonochromePacked(const RasterImage& image) {
  RequireTrueColour(image);
  return PackedByRule(image, [](uint8_t b, uint8_t g, uint8_t r) { return MonochromeIsWhite(r, g, b); });
}

RasterImage ConvertedPixelFormat(int pixelFormat, const RasterImage& image) {
  if (pixelFormat == static_cast<int>(PixelFormat::pf1Bit) && image.Format() == PixelFormat::pf24Bit) {
    // The nearer of black and white by squared distance: white exactly when
    // 510 (r + g + b) > 3 * 255 * 255, that is r + g + b >= 383 (never a tie).
    return PackedByRule(image, [](uint8_t b, uint8_t g, uint8_t r) { return r + g + b >= 383; });
  }
  RasterImage copy;
  copy.Assign(image);
  ConvertPixelFormat(pixelFormat, copy);
  return copy;
}

void ConvertPixelFormat(int pixelFormat, RasterImage& image) {
  const auto format = PixelFormatFromInt(pixelFormat);
  if (!format) throw TessalinError("Unknown pixel format " + std::to_string(pixelFormat) + ".");
  if (*format == PixelFormat::pf1Bit) image.SetPalette(CreateBlackWhitePalette());
  image.SetPixelFormat(*format);
}

}  // namespace tessalin
