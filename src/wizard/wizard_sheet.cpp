#include "wizard/wizard_sheet.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/pixel_ops.h"
#include "core/tessalin_error.h"

namespace tessalin {

namespace {

constexpr int kMargin = 10;
constexpr int kGap = 10;
constexpr int kFrame = 1;
// Far beyond any sensible sheet, still well inside 64-bit sizes and a PNG's limits.
constexpr int64_t kMaxSheetPixels = 2'000'000'000;

// The glyphs of kGlyphChars, in that order: seven rows each, bit 4 leftmost.
constexpr const char kGlyphChars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_-.% ?";
constexpr uint8_t kGlyphs[][kGlyphHeight] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E},  // 0
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},  // 1
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F},  // 2
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},  // 3
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02},  // 4
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},  // 5
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E},  // 6
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},  // 7
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E},  // 8
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},  // 9
    {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11},  // A
    {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E},  // B
    {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E},  // C
    {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C},  // D
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F},  // E
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10},  // F
    {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F},  // G
    {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11},  // H
    {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E},  // I
    {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C},  // J
    {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11},  // K
    {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F},  // L
    {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11},  // M
    {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11},  // N
    {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E},  // O
    {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10},  // P
    {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D},  // Q
    {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11},  // R
    {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E},  // S
    {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04},  // T
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E},  // U
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04},  // V
    {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A},  // W
    {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11},  // X
    {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04},  // Y
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F},  // Z
    {0x00, 0x00, 0x0E, 0x01, 0x0F, 0x11, 0x0F},  // a
    {0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x1E},  // b
    {0x00, 0x00, 0x0E, 0x10, 0x10, 0x11, 0x0E},  // c
    {0x01, 0x01, 0x0D, 0x13, 0x11, 0x11, 0x0F},  // d
    {0x00, 0x00, 0x0E, 0x11, 0x1F, 0x10, 0x0E},  // e
    {0x06, 0x09, 0x08, 0x1C, 0x08, 0x08, 0x08},  // f
    {0x00, 0x0F, 0x11, 0x11, 0x0F, 0x01, 0x0E},  // g
    {0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x11},  // h
    {0x04, 0x00, 0x0C, 0x04, 0x04, 0x04, 0x0E},  // i
    {0x02, 0x00, 0x06, 0x02, 0x02, 0x12, 0x0C},  // j
    {0x10, 0x10, 0x12, 0x14, 0x18, 0x14, 0x12},  // k
    {0x0C, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E},  // l
    {0x00, 0x00, 0x1A, 0x15, 0x15, 0x11, 0x11},  // m
    {0x00, 0x00, 0x16, 0x19, 0x11, 0x11, 0x11},  // n
    {0x00, 0x00, 0x0E, 0x11, 0x11, 0x11, 0x0E},  // o
    {0x00, 0x00, 0x1E, 0x11, 0x1E, 0x10, 0x10},  // p
    {0x00, 0x00, 0x0D, 0x13, 0x0F, 0x01, 0x01},  // q
    {0x00, 0x00, 0x16, 0x19, 0x10, 0x10, 0x10},  // r
    {0x00, 0x00, 0x0E, 0x10, 0x0E, 0x01, 0x1E},  // s
    {0x08, 0x08, 0x1C, 0x08, 0x08, 0x09, 0x06},  // t
    {0x00, 0x00, 0x11, 0x11, 0x11, 0x13, 0x0D},  // u
    {0x00, 0x00, 0x11, 0x11, 0x11, 0x0A, 0x04},  // v
    {0x00, 0x00, 0x11, 0x11, 0x15, 0x15, 0x0A},  // w
    {0x00, 0x00, 0x11, 0x0A, 0x04, 0x0A, 0x11},  // x
    {0x00, 0x00, 0x11, 0x11, 0x0F, 0x01, 0x0E},  // y
    {0x00, 0x00, 0x1F, 0x02, 0x04, 0x08, 0x1F},  // z
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F},  // underscore
    {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00},  // minus
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C},  // dot
    {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03},  // percent
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // space
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04},  // question

};
static_assert(sizeof(kGlyphs) / sizeof(kGlyphs[0]) == sizeof(kGlyphChars) - 1);

struct GlyphIndex {
  int index[256];
  GlyphIndex() {
    std::fill(std::begin(index), std::end(index), -1);
    for (size_t g = 0; g + 1 < sizeof(kGlyphChars); ++g)
      index[static_cast<unsigned char>(kGlyphChars[g])] = static_cast<int>(g);
  }
};

bool PaletteIsBlackWhite(const ColorTable& table) {
  for (const PaletteEntry& e : table) {
    const bool black = e.r == 0 && e.g == 0 && e.b == 0;
    const bool white = e.r == 255 && e.g == 255 && e.b == 255;
    if (!black && !white) return false;
  }
  return true;
}

bool PixelsAreBlackWhite(const RasterImage& picture) {
  if (picture.Format() == PixelFormat::pf1Bit) return PaletteIsBlackWhite(picture.Colors());
  std::vector<uint8_t> bgr(static_cast<size_t>(picture.Width()) * 3);
  for (int y = 0; y < picture.Height(); ++y) {
    picture.ReadRowBgr(y, bgr.data());
    for (size_t i = 0; i < bgr.size(); i += 3) {
      const uint8_t v = bgr[i];
      if ((v != 0 && v != 255) || bgr[i + 1] != v || bgr[i + 2] != v) return false;
    }
  }
  return true;
}

}  // namespace

const uint8_t* GlyphRows(char c) {
  static const GlyphIndex glyphs;
  int g = glyphs.index[static_cast<unsigned char>(c)];
  if (g < 0) g = glyphs.index[static_cast<unsigned char>('?')];
  return kGlyphs[g];
}

void WizardSheet::Add(const std::string& label, const RasterImage& picture) {
  Cell cell;
  cell.label = label;
  cell.picture.Assign(picture);
  if (PixelsAreBlackWhite(cell.picture)) {
    // A 24-bit black-and-white candidate costs 24 times what it needs.
    if (cell.picture.Format() != PixelFormat::pf1Bit)
      ConvertPixelFormat(static_cast<int>(PixelFormat::pf1Bit), cell.picture);
  } else {
    blackAndWhite_ = false;
  }
  cells_.push_back(std::move(cell));
}

void WizardSheet::Layout() {
  pictureWidth_ = pictureHeight_ = 0;
  for (const Cell& c : cells_) {
    pictureWidth_ = std::max(pictureWidth_, c.picture.Width());
    pictureHeight_ = std::max(pictureHeight_, c.picture.Height());
  }
  // Labels grow with the pictures so that they stay readable beside them.
  labelScale_ = std::clamp(pictureWidth_ / 200, 1, 4);
  labelBand_ = (kGlyphHeight + 3) * labelScale_;
  int labelWidth = 0;
  for (Cell& c : cells_) {
    const int s = labelScale_;
    c.labelWidth = static_cast<int>(c.label.size()) * kGlyphAdvance * s;
    labelWidth = std::max(labelWidth, c.labelWidth);
    c.labelBits.assign(static_cast<size_t>(c.labelWidth) * kGlyphHeight * s, 0);
    for (size_t i = 0; i < c.label.size(); ++i) {
      const uint8_t* glyph = GlyphRows(c.label[i]);
      for (int gy = 0; gy < kGlyphHeight * s; ++gy)
        for (int gx = 0; gx < kGlyphWidth * s; ++gx)
          if (glyph[gy / s] >> (kGlyphWidth - 1 - gx / s) & 1)
            c.labelBits[static_cast<size_t>(gy) * c.labelWidth + i * kGlyphAdvance * s + gx] = 1;
    }
  }
  cellWidth_ = std::max(pictureWidth_ + 2 * kFrame, labelWidth);
  cellHeight_ = labelBand_ + pictureHeight_ + 2 * kFrame;
  const int n = std::max(Count(), 1);
  // Roughly square: as many columns as make the grid's width match its height.
  const double ideal = std::sqrt(static_cast<double>(n) * (cellHeight_ + kGap) / (cellWidth_ + kGap));
  columns_ = std::clamp(static_cast<int>(std::lround(ideal)), 1, n);
  rows_ = (Count() + columns_ - 1) / columns_;
  const int64_t w = 2 * kMargin + static_cast<int64_t>(columns_) * (cellWidth_ + kGap) - kGap;
  const int64_t h = 2 * kMargin + static_cast<int64_t>(std::max(rows_, 1)) * (cellHeight_ + kGap) - kGap;
  if (w * h > kMaxSheetPixels || w > INT32_MAX / 4 || h > INT32_MAX / 4)
    throw TessalinError("The sheet of " + std::to_string(Count()) + " pictures would be too large (" +
                        std::to_string(w) + " x " + std::to_string(h) + ").");
  width_ = static_cast<int>(w);
  height_ = static_cast<int>(h);
  bgr_.assign(static_cast<size_t>(pictureWidth_) * 3, 0);
}

int WizardSheet::PictureLeft(int i) const { return kMargin + (i % columns_) * (cellWidth_ + kGap) + kFrame; }

int WizardSheet::PictureTop(int i) const { return LabelTop(i) + labelBand_ + kFrame; }

int WizardSheet::LabelTop(int i) const { return kMargin + (i / columns_) * (cellHeight_ + kGap); }

void WizardSheet::RenderRowRgb(int y, uint8_t* rgb) const {
  std::memset(rgb, 255, static_cast<size_t>(width_) * 3);
  if (y < kMargin) return;
  const int gridRow = (y - kMargin) / (cellHeight_ + kGap);
  const int inCell = (y - kMargin) % (cellHeight_ + kGap);
  if (gridRow >= rows_ || inCell >= cellHeight_) return;
  auto black = [&](int x) { rgb[3 * x] = rgb[3 * x + 1] = rgb[3 * x + 2] = 0; };
  for (int column = 0; column < columns_; ++column) {
    const int i = gridRow * columns_ + column;
    if (i >= Count()) break;
    const Cell& c = cells_[static_cast<size_t>(i)];
    const int left = PictureLeft(i) - kFrame;
    if (inCell < labelBand_) {
      const int ly = inCell;
      if (ly >= kGlyphHeight * labelScale_) continue;
      const uint8_t* bits = c.labelBits.data() + static_cast<size_t>(ly) * c.labelWidth;
      for (int x = 0; x < c.labelWidth; ++x)
        if (bits[x]) black(left + x);
      continue;
    }
    const int py = inCell - labelBand_ - kFrame;
    const int pw = c.picture.Width(), ph = c.picture.Height();
    if (py < -1 || py > ph) continue;
    if (py == -1 || py == ph) {
      for (int x = 0; x < pw + 2 * kFrame; ++x) black(left + x);
      continue;
    }
    black(left);
    black(left + pw + kFrame);
    c.picture.ReadRowBgr(py, bgr_.data());
    uint8_t* out = rgb + 3 * static_cast<size_t>(left + kFrame);
    for (int x = 0; x < pw; ++x) {
      out[3 * x] = bgr_[3 * x + 2];
      out[3 * x + 1] = bgr_[3 * x + 1];
      out[3 * x + 2] = bgr_[3 * x];
    }
  }
}

}  // namespace tessalin
