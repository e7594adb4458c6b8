#include "formats/dib.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/limits.h"
#include "core/tessalin_error.h"

namespace tessalin {

namespace {

uint32_t U32(std::span<const uint8_t> b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t U16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

[[noreturn]] void Damaged(const std::string& name, const std::string& what) {
  ThrowFileError(name, "holds a damaged bitmap: " + what + ".");
}

// Expands a masked field to 8 bits.
uint8_t Field(uint32_t value, uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const uint32_t max = mask >> shift;
  const uint32_t v = (value & mask) >> shift;
  return static_cast<uint8_t>((v * 255 + max / 2) / max);
}

}  // namespace

void CheckPicturePixels(const std::string& name, int64_t width, int64_t height) {
  if (!WithinPixelLimit(width, height))
    ThrowFileError(name, "the picture of " + std::to_string(width) + " x " + std::to_string(height) +
                             " pixels is larger than the limit of " + std::to_string(kMaxPixels) +
                             " pixels.");
}

int64_t DibStride(int width, int bitCount) {
  return ((static_cast<int64_t>(width) * bitCount + 31) / 32) * 4;
}

DibHeader ReadDibHeader(std::span<const uint8_t> info, const std::string& name) {
  DibHeader h;
  if (info.size() < 12) Damaged(name, "the header is cut short");
  const uint32_t size = U32(info, 0);
  if (size == 12) {
    h.width = U16(info, 4);
    h.height = static_cast<int16_t>(U16(info, 6));
    h.bitCount = U16(info, 10);
    h.colorCount = h.bitCount <= 8 ? 1 << h.bitCount : 0;
    h.headerSize = 12 + 3 * static_cast<int64_t>(h.colorCount);
  } else {
    if (size < 40 || size > info.size())
      Damaged(name, "the header size " + std::to_string(size) + " is wrong");
    h.width = static_cast<int32_t>(U32(info, 4));
    h.height = static_cast<int32_t>(U32(info, 8));
    h.bitCount = U16(info, 14);
    h.compression = U32(info, 16);
    const uint32_t used = U32(info, 32);
    if (h.bitCount >= 1 && h.bitCount <= 8 && used > (1u << h.bitCount))
      Damaged(name, std::to_string(used) + " colours for " + std::to_string(h.bitCount) + " bits per pixel");
    if (h.bitCount <= 8) {
      h.colorCount =
          used == 0 ? 1 << h.bitCount : static_cast<int>(std::min<uint32_t>(used, 1u << h.bitCount));
    }
    h.headerSize = size + 4 * static_cast<int64_t>(h.colorCount);
    if (h.compression == 3 && size == 40) h.headerSize += 12;
  }
  switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      Damaged(name, std::to_string(h.bitCount) + " bits per pixel");
  }
  if (h.width <= 0 || h.height == 0 || h.height == INT32_MIN) Damaged(name, "it has no pixels");
  if (h.compression > 3 || (h.compression == 1 && h.bitCount != 8) ||
      (h.compression == 2 && h.bitCount != 4) || (h.compression == 3 && h.bitCount != 16 && h.bitCount != 32))
    Damaged(name, "unknown compression " + std::to_string(h.compression));
  if (h.headerSize > static_cast<int64_t>(info.size())) Damaged(name, "the colour table is cut short");
  return h;
}

DibView::DibView(std::span<const uint8_t> info, std::span<const uint8_t> bits, const std::string& name,
                 int rows)
    : header_(ReadDibHeader(info, name)), bits_(bits), name_(name) {
  const DibHeader& h = header_;
  topDown_ = h.height < 0;
  width_ = h.width;
  height_ = rows > 0 ? rows : (topDown_ ? -h.height : h.height);
  CheckPicturePixels(name, width_, height_);
  const bool core = U32(info, 0) == 12;
  const size_t tableAt = core ? 12 : U32(info, 0);
  table_.assign(static_cast<size_t>(h.colorCount) * 4, 0);
  for (int i = 0; i < h.colorCount; ++i) {
    const size_t at = tableAt + static_cast<size_t>(i) * (core ? 3 : 4);
    table_[4 * i] = info[at];
    table_[4 * i + 1] = info[at + 1];
    table_[4 * i + 2] = info[at + 2];
  }
  if (h.bitCount == 16) {
    masks_[2] = 0x7C00, masks_[1] = 0x03E0, masks_[0] = 0x001F;
  } else if (h.bitCount == 32) {
    masks_[2] = 0xFF0000, masks_[1] = 0xFF00, masks_[0] = 0xFF, masks_[3] = 0xFF000000;
  }
  if (h.compression == 3) {
    const size_t at = 40;  // the masks follow a 40-byte header and sit there in the longer ones
    if (info.size() < at + 12) Damaged(name, "the bit masks are cut short");
    masks_[2] = U32(info, at), masks_[1] = U32(info, at + 4), masks_[0] = U32(info, at + 8);
    masks_[3] = U32(info, 0) >= 56 && info.size() >= 56 ? U32(info, 52) : 0;
  }

  // Refuse a declared size the data cannot hold.
  stride_ = DibStride(width_, h.bitCount);
  if (RunLength()) {
    // Four bytes reach at most 255 rows and 255 pixels further (a delta).
    const int64_t perTwoBytes = 128 * (static_cast<int64_t>(width_) + 1);
    if (static_cast<int64_t>(width_) * height_ > (static_cast<int64_t>(bits.size()) / 2 + 1) * perTwoBytes)
      Damaged(name, "the run-length data is too short for its size");
  } else if (stride_ * height_ > static_cast<int64_t>(bits.size())) {
    Damaged(name, "the pixel rows are cut short");
  }
}

void DibView::DecodeRegion(Rect region) {
  region.left = std::max(region.left, 0), region.top = std::max(region.top, 0);
  region.right = std::min(region.right, width_), region.bottom = std::min(region.bottom, height_);
  region_ = region.right > region.left && region.bottom > region.top ? region : Rect{};
  decoded_.assign(static_cast<size_t>(region_.Width()) * region_.Height(), 0);
  if (!RunLength() || decoded_.empty()) return;
  const bool rle8 = header_.compression == 1;
  // Only the part of a run inside the region is written, so the work is the
  // data's length plus the region's area, whatever the runs claim.
  int64_t x = 0, row = 0;
  auto run = [&](int count, auto indexOf) {
    const int64_t y = topDown_ ? row : height_ - 1 - row;
    if (y >= region_.top && y < region_.bottom) {
      uint16_t* out = decoded_.data() + static_cast<size_t>(y - region_.top) * region_.Width();
      for (int64_t px = std::max<int64_t>(x, region_.left); px < std::min<int64_t>(x + count, region_.right);
           ++px) {
        const int index = indexOf(static_cast<int>(px - x));
        out[px - region_.left] = static_cast<uint16_t>((index < header_.colorCount ? index : 0) + 1);
      }
    }
    x += count;
  };
  const std::span<const uint8_t> bits = bits_;
  size_t at = 0;
  while (at + 1 < bits.size() && row < height_) {
    const int count = bits[at], code = bits[at + 1];
    at += 2;
    if (count > 0) {
      run(count, [&](int i) { return rle8 ? code : (i % 2 ? code & 15 : code >> 4); });
    } else if (code == 0) {
      x = 0, ++row;
    } else if (code == 1) {
      break;
    } else if (code == 2) {
      if (at + 1 >= bits.size()) Damaged(name_, "a run-length delta is cut short");
      x += bits[at], row += bits[at + 1];
      at += 2;
    } else {
      const size_t bytes = rle8 ? code : (code + 1) / 2;
      if (at + bytes > bits.size()) Damaged(name_, "a run-length literal is cut short");
      const size_t from = at;
      run(code, [&](int i) {
        return rle8 ? bits[from + i] : (i % 2 ? bits[from + i / 2] & 15 : bits[from + i / 2] >> 4);
      });
      at += (bytes + 1) & ~static_cast<size_t>(1);
    }
  }
}

void DibView::PlainPixel(const uint8_t* src, int x, uint8_t bgra[4]) const {
  auto colour = [&](int index) {
    if (index >= header_.colorCount) index = 0;
    if (header_.colorCount == 0) return void(bgra[0] = bgra[1] = bgra[2] = bgra[3] = 0);
    std::memcpy(bgra, &table_[4 * index], 4);  // the table's fourth byte is 0
  };
  switch (header_.bitCount) {
    case 1:
      return colour((src[x >> 3] >> (7 - (x & 7))) & 1);
    case 4:
      return colour((x & 1) ? src[x >> 1] & 15 : src[x >> 1] >> 4);
    case 8:
      return colour(src[x]);
    case 24:
      bgra[0] = src[3 * x], bgra[1] = src[3 * x + 1], bgra[2] = src[3 * x + 2], bgra[3] = 0;
      return;
    case 16: {
      const uint32_t v = src[2 * x] | (src[2 * x + 1] << 8);
      for (int c = 0; c < 3; ++c) bgra[c] = Field(v, masks_[c]);
      bgra[3] = 0;
      return;
    }
    default: {
      const uint32_t v = src[4 * x] | (src[4 * x + 1] << 8) | (src[4 * x + 2] << 16) |
                         (static_cast<uint32_t>(src[4 * x + 3]) << 24);
      for (int c = 0; c < 4; ++c) bgra[c] = Field(v, masks_[c]);
    }
  }
}

void DibView::Pixel(int x, int y, uint8_t bgra[4]) const {
  if (!RunLength()) {
    const int64_t fileRow = topDown_ ? y : height_ - 1 - y;
    return PlainPixel(bits_.data() + fileRow * stride_, x, bgra);
  }
  bgra[0] = bgra[1] = bgra[2] = bgra[3] = 0;
  if (x < region_.left || x >= region_.right || y < region_.top || y >= region_.bottom) return;
  const int code = decoded_[static_cast<size_t>(y - region_.top) * region_.Width() + (x - region_.left)];
  if (code == 0) return;
  const uint8_t* c = table_.data() + 4 * (code - 1);
  bgra[0] = c[0], bgra[1] = c[1], bgra[2] = c[2];
}

bool DibView::AlphaUsed() const {
  if (header_.bitCount != 32 || RunLength() || masks_[3] == 0) return false;
  uint8_t bgra[4];
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      PlainPixel(bits_.data() + y * stride_, x, bgra);
      if (bgra[3] != 0) return true;
    }
  return false;
}

}  // namespace tessalin
