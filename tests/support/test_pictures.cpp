#include "support/test_pictures.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <sys/wait.h>

namespace tessalin::test {

RasterImage MakeGradient(int width, int height) {
  RasterImage image = NewRaster(PixelFormat::pf24Bit, height, width);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      SetPixelAt(image, x, y,
                 {static_cast<uint8_t>((x * 7 + y * 3) & 0xFF), static_cast<uint8_t>((x * 13 + 40) & 0xFF),
                  static_cast<uint8_t>((y * 11 + 90) & 0xFF)});
  return image;
}

RasterImage MakeRandom24(int width, int height, unsigned seed) {
  RasterImage image = NewRaster(PixelFormat::pf24Bit, height, width);
  std::mt19937 rng(seed);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = image.Row(y);
    for (int i = 0; i < 3 * width; ++i) row[i] = static_cast<uint8_t>(rng() & 0xFF);
  }
  return image;
}

RasterImage MakeFlat24(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  RasterImage image = NewRaster(PixelFormat::pf24Bit, height, width);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) SetPixelAt(image, x, y, {b, g, r});
  return image;
}

Bgr PixelAt(const RasterImage& image, int x, int y) {
  const uint8_t* p = image.Row(y) + 3 * static_cast<size_t>(x);
  return {p[0], p[1], p[2]};
}

void SetPixelAt(RasterImage& image, int x, int y, Bgr value) {
  uint8_t* p = image.Row(y) + 3 * static_cast<size_t>(x);
  p[0] = value.b;
  p[1] = value.g;
  p[2] = value.r;
}

bool SamePixels24(const RasterImage& a, const RasterImage& b) {
  if (a.Format() != PixelFormat::pf24Bit || b.Format() != PixelFormat::pf24Bit) return false;
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  if (a.Width() == 0) return true;  // rows of no pixels have no storage to compare
  for (int y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.Row(y), b.Row(y), 3 * static_cast<size_t>(a.Width())) != 0) return false;
  return true;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tessalin-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

int RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  const int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace tessalin::test
