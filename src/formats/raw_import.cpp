#include "formats/raw_import.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

#include "core/file_io.h"
#include "core/limits.h"
#include "core/palette.h"
#include "core/tessalin_error.h"
#include "formats/dib.h"

namespace tessalin {

const char* const kRawInvalidSizeMessage = "InValid ImageSize...\rReTry, Please!";
const char* const kRawSmallerConfirmMessage = "ImageSize is smaller than FileSize. Continue?";

RawProposal ProposeRawSize(int64_t fileSize) {
  RawProposal p;
  p.fileSize = fileSize;
  if (fileSize <= 0) return p;
  // sqrt of a whole number is never a tie, so plain rounding is exact enough.
  const double root = std::nearbyint(std::sqrt(static_cast<double>(fileSize)));
  p.height =
      root > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : static_cast<int>(root);
  const int64_t width = fileSize / p.height;
  p.width =
      width > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : static_cast<int>(width);
  return p;
}

RawProposal ProposeRawSize(const std::string& fileName) { return ProposeRawSize(FileSizeOf(fileName)); }

int64_t RawRowBytes(int layoutIndex, int64_t width) {
  if (layoutIndex == 0) return (width + 7) / 8;
  return static_cast<int64_t>(layoutIndex) * width;
}

RawCheck CheckRawSize(int64_t fileSize, int64_t height, int64_t width, int layoutIndex) {
  // Negative entries are refused like a size of 0, whatever their product.
  if (height <= 0 || width <= 0 || layoutIndex < 0 || layoutIndex > 3) return RawCheck::Invalid;
  const int64_t row = RawRowBytes(layoutIndex, width);
  if (row > 0 && height > fileSize / row) return RawCheck::Invalid;  // larger than the file, no overflow
  const int64_t imageSize = height * row;
  if (imageSize == 0 || imageSize > fileSize) return RawCheck::Invalid;
  if (imageSize < fileSize) return RawCheck::SmallerThanFile;
  return RawCheck::Ok;
}

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

RasterImage ReadRawFile(const std::string& fileName, int height, int width, int layoutIndex) {
  if (height <= 0 || width <= 0 || layoutIndex < 0 || layoutIndex > 3)
    ThrowFileError(fileName, "the raw picture size " + std::to_string(width) + " x " +
                                 std::to_string(height) + " is not valid.");
  CheckPicturePixels(fileName, width, height);
  const int64_t rowBytes = RawRowBytes(layoutIndex, width);
  const int64_t fileSize = FileSizeOf(fileName);
  if (rowBytes * height > fileSize)
    ThrowFileError(fileName, "is too short for a raw picture of " + std::to_string(width) + " x " +
                                 std::to_string(height) + " pixels.");

  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "rb"));
  if (!file) ThrowFileError(fileName, "cannot be opened.");

  RasterImage result =
      NewRaster(layoutIndex == 0 ? PixelFormat::pf1Bit : PixelFormat::pf24Bit, height, width);
  std::vector<uint8_t> buffer(static_cast<size_t>(rowBytes));
  for (int y = 0; y < height; ++y) {
    uint8_t* dst = result.Row(y);
    uint8_t* src = layoutIndex == 0 ? dst : buffer.data();
    if (std::fread(src, 1, static_cast<size_t>(rowBytes), file.get()) != static_cast<size_t>(rowBytes))
      ThrowFileError(fileName, "cannot be read (it ended early).");
    switch (layoutIndex) {
      case 1:
        for (int x = 0; x < width; ++x) dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = src[x];
        break;
      case 2:
        for (int x = 0; x < width; ++x) {
          const unsigned word = src[2 * x] | (src[2 * x + 1] << 8);
          dst[3 * x] = static_cast<uint8_t>(word & 0x1F);
          dst[3 * x + 1] = static_cast<uint8_t>((word >> 5) & 0x3F);
          dst[3 * x + 2] = static_cast<uint8_t>(word >> 11);
        }
        break;
      case 3:
        for (int x = 0; x < width; ++x) {
          dst[3 * x] = src[3 * x + 2];
          dst[3 * x + 1] = src[3 * x + 1];
          dst[3 * x + 2] = src[3 * x];
        }
        break;
      default:
        break;
    }
  }
  if (layoutIndex == 0) result.SetColorTable(CreateBlackWhitePalette());
  return result;
}

}  // namespace tessalin
