#include "formats/picture_tones.h"

#include <algorithm>
#include <vector>

#include "core/palette.h"
#include "core/row_codec.h"

namespace tessalin {

namespace {

Tones TonesOfColour(uint8_t r, uint8_t g, uint8_t b) {
  if (r != g || g != b) return Tones::Colour;
  return r == 0 || r == 255 ? Tones::BlackAndWhite : Tones::Grey;
}

Tones Wider(Tones a, Tones b) { return a > b ? a : b; }

// An indexed picture holds only the entries its pixels use (indices past the
// table show black); the pixels are looked at only when the entries differ.
Tones IndexedTones(const RasterImage& picture) {
  const ColorTable& table = picture.Colors();
  const PixelFormat format = picture.Format();
  std::vector<Tones> entryTones(size_t{1} << BitsPerPixel(format), Tones::BlackAndWhite);
  Tones widest = Tones::BlackAndWhite;
  for (size_t i = 0; i < entryTones.size() && i < table.size(); ++i) {
    entryTones[i] = TonesOfColour(table[i].r, table[i].g, table[i].b);
    widest = Wider(widest, entryTones[i]);
  }
  if (widest == Tones::BlackAndWhite) return widest;
  Tones tones = Tones::BlackAndWhite;
  for (int y = 0; y < picture.Height() && tones != widest; ++y) {
    const uint8_t* row = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x)
      tones = Wider(tones, entryTones[static_cast<size_t>(GetIndexAt(row, format, x))]);
  }
  return tones;
}

}  // namespace

Tones PictureTones(const RasterImage& picture) {
  if (!picture.HasImage()) return Tones::BlackAndWhite;
  if (IsIndexed(picture.Format())) return IndexedTones(picture);
  std::vector<uint8_t> bgr(static_cast<size_t>(picture.Width()) * 3);
  Tones tones = Tones::BlackAndWhite;
  for (int y = 0; y < picture.Height() && tones != Tones::Colour; ++y) {
    picture.ReadRowBgr(y, bgr.data());
    for (size_t i = 0; i < bgr.size(); i += 3)
      tones = Wider(tones, TonesOfColour(bgr[i + 2], bgr[i + 1], bgr[i]));
  }
  return tones;
}

void ReadRowWhiteBits(const RasterImage& picture, int y, uint8_t* bgr, uint8_t* bits) {
  const int width = picture.Width();
  const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
  if (picture.Format() == PixelFormat::pf1Bit && picture.Colors() == CreateBlackWhitePalette()) {
    std::copy(picture.Row(y), picture.Row(y) + rowBytes, bits);
    return;
  }
  picture.ReadRowBgr(y, bgr);
  std::fill(bits, bits + rowBytes, 0);
  for (int x = 0; x < width; ++x)
    if (bgr[3 * static_cast<size_t>(x)]) bits[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
}

}  // namespace tessalin
