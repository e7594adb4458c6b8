// Device-independent bitmaps as icons and metafiles embed them: a
// BITMAPINFOHEADER (or the old 12-byte core header), its colour table or bit
// masks, then the pixel rows. Decoded into top-down B, G, R, A pixels.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tessalin {

struct DibPixels {
  int width = 0, height = 0;
  std::vector<uint8_t> bgra;  // width * height * 4, top row first
  bool alphaUsed = false;     // a 32-bit DIB whose alpha bytes are not all zero
};

struct DibHeader {
  int64_t headerSize = 0;     // bytes of the header and its colour table / masks
  int width = 0, height = 0;  // height as stored (may be negative: top-down)
  int bitCount = 0;
  uint32_t compression = 0;
  int colorCount = 0;
};

// Reads the header; throws TessalinError naming `name` when it is damaged.
DibHeader ReadDibHeader(std::span<const uint8_t> info, const std::string& name);

// `info` holds the header and colour table, `bits` the rows. `rows` overrides
// the height (icons store twice the height for the mask). Uncompressed 1, 4, 8,
// 16, 24 and 32 bits, bit fields, and RLE4 / RLE8. Throws on short or damaged data
// and on pictures above the pixel limit.
DibPixels DecodeDib(std::span<const uint8_t> info, std::span<const uint8_t> bits, const std::string& name,
                    int rows = 0);

// Bytes of one stored row (padded to 4 bytes).
int64_t DibStride(int width, int bitCount);

// Throws TessalinError naming the file when width x height exceeds kMaxPixels.
void CheckPicturePixels(const std::string& name, int64_t width, int64_t height);

}  // namespace tessalin
