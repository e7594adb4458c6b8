// A contact sheet of wizard candidates: every picture at its real size in a
// grid, each labelled with its name above it, for choosing at a glance. Rows
// are rendered one at a time so a sheet of large candidates never exists
// whole in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/raster_image.h"

namespace tessalin {

class WizardSheet {
 public:
  // Keeps a copy; black-and-white pictures are kept at 1 bit.
  void Add(const std::string& label, const RasterImage& picture);

  // Fixes the grid; call after the last Add. Throws TessalinError when the
  // sheet would be absurdly large.
  void Layout();

  int Width() const { return width_; }
  int Height() const { return height_; }
  // True when every pixel of the sheet is black or white.
  bool BlackAndWhite() const { return blackAndWhite_; }
  int Columns() const { return columns_; }
  int Count() const { return static_cast<int>(cells_.size()); }

  // Top-left corner of cell i's picture on the sheet.
  int PictureLeft(int i) const;
  int PictureTop(int i) const;
  // Top of cell i's label.
  int LabelTop(int i) const;
  int LabelScale() const { return labelScale_; }

  // Sheet row y as R, G, B bytes, Width() pixels.
  void RenderRowRgb(int y, uint8_t* rgb) const;

 private:
  struct Cell {
    std::string label;
    RasterImage picture;
    std::vector<uint8_t> labelBits;  // labelWidth x labelHeight, 1 = ink
    int labelWidth = 0;
  };

  std::vector<Cell> cells_;
  int columns_ = 1, rows_ = 0;
  int cellWidth_ = 0, cellHeight_ = 0;  // the space one cell takes, gap excluded
  int pictureWidth_ = 0, pictureHeight_ = 0;
  int labelScale_ = 1, labelBand_ = 0;
  int width_ = 0, height_ = 0;
  bool blackAndWhite_ = true;
  mutable std::vector<uint8_t> bgr_;
};

// The built-in 5 x 7 font: glyph rows top first, bit 4 the leftmost pixel.
// Characters without a glyph are drawn as "?".
const uint8_t* GlyphRows(char c);
inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 7;
inline constexpr int kGlyphAdvance = 6;

}  // namespace tessalin
