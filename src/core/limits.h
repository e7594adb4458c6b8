// The engine's documented size limit. The HSI work buffer costs 24 bytes a
// pixel on top of the raster and the RGB buffer, so 100 million pixels (for
// instance 10000 x 10000) stay well inside a 24 GiB machine.
#pragma once

#include <cstdint>

namespace tessalin {

inline constexpr int64_t kMaxPixels = 100'000'000;

// Throws TessalinError when width x height exceeds kMaxPixels.
void CheckPixelLimit(int64_t width, int64_t height);
bool WithinPixelLimit(int64_t width, int64_t height);

}  // namespace tessalin
