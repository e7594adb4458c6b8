#include "bench_photo.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

#include "core/bmp_codec.h"
#include "core/pixel_ops.h"

namespace tessalin::bench {

RasterImage MakePhotoLike(int width, int height, unsigned seed) {
  RasterImage image = NewRaster(PixelFormat::pf24Bit, height, width);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> noise(-12, 12);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = image.Row(y);
    for (int x = 0; x < width; ++x) {
      const double fx = static_cast<double>(x) / width, fy = static_cast<double>(y) / height;
      const double wave = std::sin(fx * 17.0 + fy * 5.0) * 40.0;
      const bool disc = (fx - 0.6) * (fx - 0.6) + (fy - 0.4) * (fy - 0.4) < 0.04;
      const int n = noise(rng);
      const int r = static_cast<int>(120 + 100 * fx + wave) + n + (disc ? 60 : 0);
      const int g = static_cast<int>(80 + 120 * fy - wave / 2) + n;
      const int b = static_cast<int>(160 - 90 * fx + 30 * fy) + n - (disc ? 80 : 0);
      row[3 * x] = static_cast<uint8_t>(std::clamp(b, 0, 255));
      row[3 * x + 1] = static_cast<uint8_t>(std::clamp(g, 0, 255));
      row[3 * x + 2] = static_cast<uint8_t>(std::clamp(r, 0, 255));
    }
  }
  return image;
}

const RasterImage& Photo4000x3000() {
  static const RasterImage photo = [] {
    if (const char* path = std::getenv("TESSALIN_BENCH_PHOTO")) {
      RasterImage loaded = LoadBmpFile(path);
      ConvertPixelFormat(static_cast<int>(PixelFormat::pf24Bit), loaded);
      return loaded;
    }
    return MakePhotoLike(4000, 3000, 1234);
  }();
  return photo;
}

}  // namespace tessalin::bench
