// Colours: Color is 0x00BBGGRR (red in the lowest byte), as pixel get/set and
// brushes use it; colour tables hold (red, green, blue) entries.
#pragma once

#include <cstdint>
#include <vector>

namespace tessalin {

using Color = uint32_t;

inline constexpr Color kWhite = 0xFFFFFFu;
inline constexpr Color kBlack = 0x000000u;

constexpr Color MakeColor(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<Color>(r) | (static_cast<Color>(g) << 8) | (static_cast<Color>(b) << 16);
}
constexpr uint8_t RedOf(Color c) { return static_cast<uint8_t>(c & 0xFF); }
constexpr uint8_t GreenOf(Color c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
constexpr uint8_t BlueOf(Color c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }

struct PaletteEntry {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const PaletteEntry&) const = default;
};

using ColorTable = std::vector<PaletteEntry>;

}  // namespace tessalin
