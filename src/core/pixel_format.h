// Pixel formats with their fixed integer values (menu tags and wizard settings
// pass them as plain integers).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tessalin {

enum class PixelFormat : int {
  pfDevice = 0,
  pf1Bit = 1,
  pf4Bit = 2,
  pf8Bit = 3,
  pf15Bit = 4,
  pf16Bit = 5,
  pf24Bit = 6,
  pf32Bit = 7,
};

// pfDevice is this platform's true-colour display layout: 32-bit B, G, R, unused.
inline constexpr int kDeviceBitsPerPixel = 32;

int BitsPerPixel(PixelFormat format);
bool IsIndexed(PixelFormat format);  // 1, 4 and 8 bits carry a colour table

// Bytes of pixel data in one row (no padding).
size_t RowDataBytes(PixelFormat format, int width);

std::optional<PixelFormat> PixelFormatFromInt(int value);
const char* PixelFormatName(PixelFormat format);

}  // namespace tessalin
