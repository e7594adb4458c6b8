// Pictures for tests: small asymmetric fixtures that catch swapped channels and
// flipped rows, seeded random pictures of odd sizes, and pixel access helpers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/raster_image.h"

namespace tessalin::test {

struct Bgr {
  uint8_t b, g, r;
  bool operator==(const Bgr&) const = default;
};

// A pf24Bit picture whose every pixel is different in each channel.
RasterImage MakeGradient(int width, int height);
RasterImage MakeRandom24(int width, int height, unsigned seed);
RasterImage MakeFlat24(int width, int height, uint8_t r, uint8_t g, uint8_t b);

Bgr PixelAt(const RasterImage& image, int x, int y);  // pf24Bit only
void SetPixelAt(RasterImage& image, int x, int y, Bgr value);

// True when both are pf24Bit of one size with the same pixel bytes.
bool SamePixels24(const RasterImage& a, const RasterImage& b);

// A temporary folder removed when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Runs a shell command; returns its exit status (and its stdout in `output`).
int RunCommand(const std::string& command, std::string* output = nullptr);

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace tessalin::test
