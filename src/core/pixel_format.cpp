#include "core/pixel_format.h"

namespace tessalin {

int BitsPerPixel(PixelFormat format) {
  switch (format) {
    case PixelFormat::pfDevice: return kDeviceBitsPerPixel;
    case PixelFormat::pf1Bit: return 1;
    case PixelFormat::pf4Bit: return 4;
    case PixelFormat::pf8Bit: return 8;
    case PixelFormat::pf15Bit: return 16;
    case PixelFormat::pf16Bit: return 16;
    case PixelFormat::pf24Bit: return 24;
    case PixelFormat::pf32Bit: return 32;
  }
  return 24;
}

bool IsIndexed(PixelFormat format) {
  return format == PixelFormat::pf1Bit || format == PixelFormat::pf4Bit ||
         format == PixelFormat::pf8Bit;
}

size_t RowDataBytes(PixelFormat format, int width) {
  if (width <= 0) return 0;
  return (static_cast<size_t>(width) * static_cast<size_t>(BitsPerPixel(format)) + 7) / 8;
}

std::optional<PixelFormat> PixelFormatFromInt(int value) {
  if (value < 0 || value > 7) return std::nullopt;
  return static_cast<PixelFormat>(value);
}

const char* PixelFormatName(PixelFormat format) {
  switch (format) {
    case PixelFormat::pfDevice: return "pfDevice";
    case PixelFormat::pf1Bit: return "pf1Bit";
    case PixelFormat::pf4Bit: return "pf4Bit";
    case PixelFormat::pf8Bit: return "pf8Bit";
    case PixelFormat::pf15Bit: return "pf15Bit";
    case PixelFormat::pf16Bit: return "pf16Bit";
    case PixelFormat::pf24Bit: return "pf24Bit";
    case PixelFormat::pf32Bit: return "pf32Bit";
  }
  return "?";
}

}  // namespace tessalin
