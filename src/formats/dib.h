// Device-independent bitmaps as icons and metafiles embed them: a
// BITMAPINFOHEADER (or the old 12-byte core header), its colour table or bit
// masks, then the pixel rows.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/raster_image.h"

namespace tessalin {

struct DibHeader {
  int64_t headerSize = 0;     // bytes of the header and its colour table / masks
  int width = 0, height = 0;  // height as stored (may be negative: top-down)
  int bitCount = 0;
  uint32_t compression = 0;
  int colorCount = 0;
};

// Reads the header; throws TessalinError naming `name` when it is damaged.
DibHeader ReadDibHeader(std::span<const uint8_t> info, const std::string& name);

// A DIB read where it lies, so that a small record declaring a huge bitmap
// costs no more than the pixels actually drawn: plain rows are read pixel by
// pixel from the caller's bytes (which must outlive the view); run-length rows
// are decoded only over the rectangle a caller asks for.
class DibView {
 public:
  // `info` holds the header and colour table, `bits` the rows. `rows` overrides
  // the height (icons store twice the height for the mask). Uncompressed 1, 4,
  // 8, 16, 24 and 32 bits, bit fields, and RLE4 / RLE8. Throws TessalinError
  // naming `name` for a damaged header, a picture above the pixel limit, and
  // data too short for the declared size.
  DibView(std::span<const uint8_t> info, std::span<const uint8_t> bits, const std::string& name,
          int rows = 0);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool TopDown() const { return topDown_; }
  bool RunLength() const { return header_.compression == 1 || header_.compression == 2; }
  const DibHeader& Header() const { return header_; }

  // Decodes the run-length rows over `region` (top-down rows, clipped to the
  // picture); pixels outside it, and those the data never reaches, read as
  // black. Costs two bytes a pixel of the region: callers bound it first.
  void DecodeRegion(Rect region);

  // B, G, R and alpha of pixel (x, y), rows counted from the top.
  void Pixel(int x, int y, uint8_t bgra[4]) const;

  // A 32-bit DIB whose alpha bytes are not all zero.
  bool AlphaUsed() const;

 private:
  void PlainPixel(const uint8_t* row, int x, uint8_t bgra[4]) const;

  DibHeader header_;
  std::span<const uint8_t> bits_;
  const std::string& name_;
  int width_ = 0, height_ = 0;
  bool topDown_ = false;
  int64_t stride_ = 0;
  std::vector<uint8_t> table_;        // B, G, R, 0 per colour
  uint32_t masks_[4] = {0, 0, 0, 0};  // blue, green, red, alpha
  Rect region_;
  std::vector<uint16_t> decoded_;  // colour index + 1 over region_, 0 where nothing was set
};

// Bytes of one stored row (padded to 4 bytes).
int64_t DibStride(int width, int bitCount);

// Throws TessalinError naming the file when width x height exceeds kMaxPixels.
void CheckPicturePixels(const std::string& name, int64_t width, int64_t height);

}  // namespace tessalin
