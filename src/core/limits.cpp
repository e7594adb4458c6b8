#include "core/limits.h"

#include <string>

#include "core/tessalin_error.h"

namespace tessalin {

bool WithinPixelLimit(int64_t width, int64_t height) {
  if (width <= 0 || height <= 0) return true;
  return width <= kMaxPixels && height <= kMaxPixels && width * height <= kMaxPixels;
}

void CheckPixelLimit(int64_t width, int64_t height) {
  if (!WithinPixelLimit(width, height))
    throw TessalinError("The picture of " + std::to_string(width) + " x " + std::to_string(height) +
                        " pixels is larger than the limit of " + std::to_string(kMaxPixels) +
                        " pixels.");
}

}  // namespace tessalin
