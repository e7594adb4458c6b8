#include "wizard/wizard_sheet.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/test_pictures.h"

namespace tessalin {
namespace {

using test::MakeRandom24;

std::vector<uint8_t> Row(const WizardSheet& sheet, int y) {
  std::vector<uint8_t> rgb(static_cast<size_t>(sheet.Width()) * 3);
  sheet.RenderRowRgb(y, rgb.data());
  return rgb;
}

TEST(WizardSheetFont, EveryCharacterOfTheNamesHasItsOwnGlyph) {
  const std::string chars = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_-.%";
  std::set<std::vector<uint8_t>> seen;
  const uint8_t* unknown = GlyphRows('?');
  for (char c : chars) {
    const uint8_t* g = GlyphRows(c);
    EXPECT_NE(g, unknown) << c;
    int ink = 0;
    for (int r = 0; r < kGlyphHeight; ++r) {
      EXPECT_EQ(g[r] >> kGlyphWidth, 0) << c;  // nothing outside the five columns
      ink += g[r] != 0;
    }
    EXPECT_GT(ink, 0) << c;
    EXPECT_TRUE(seen.insert(std::vector<uint8_t>(g, g + kGlyphHeight)).second)
        << "glyph of " << c << " repeats";
  }
  EXPECT_EQ(GlyphRows('#'), unknown);
  // The underscore that joins the names sits on the bottom row only.
  const uint8_t* underscore = GlyphRows('_');
  for (int r = 0; r + 1 < kGlyphHeight; ++r) EXPECT_EQ(underscore[r], 0);
  EXPECT_EQ(underscore[kGlyphHeight - 1], 0x1F);
}

TEST(WizardSheetLayout, PicturesLieAtTheirRealSizeInAGridWithoutOverlap) {
  WizardSheet sheet;
  std::vector<RasterImage> pictures;
  for (int i = 0; i < 16; ++i) {
    pictures.push_back(MakeRandom24(57, 41, static_cast<unsigned>(i + 1)));
    sheet.Add("Cell_" + std::to_string(i), pictures.back());
  }
  sheet.Layout();
  EXPECT_FALSE(sheet.BlackAndWhite());
  const int columns = sheet.Columns();
  EXPECT_GT(columns, 1);
  EXPECT_LT(columns, 16);
  for (int i = 0; i < 16; ++i) {
    EXPECT_GE(sheet.PictureLeft(i), 1);
    EXPECT_LE(sheet.PictureLeft(i) + 57, sheet.Width() - 1);
    EXPECT_LE(sheet.PictureTop(i) + 41, sheet.Height() - 1);
    EXPECT_LT(sheet.LabelTop(i), sheet.PictureTop(i));
    if (i % columns) {
      EXPECT_GT(sheet.PictureLeft(i), sheet.PictureLeft(i - 1) + 57);
    }
    if (i >= columns) {
      EXPECT_GT(sheet.LabelTop(i), sheet.PictureTop(i - columns) + 41);
    }
  }
  // Every picture comes back pixel for pixel, red first as a sheet row holds it.
  for (int i = 0; i < 16; ++i) {
    for (int y = 0; y < 41; ++y) {
      const std::vector<uint8_t> row = Row(sheet, sheet.PictureTop(i) + y);
      for (int x = 0; x < 57; ++x) {
        const test::Bgr p = test::PixelAt(pictures[static_cast<size_t>(i)], x, y);
        const size_t at = 3 * static_cast<size_t>(sheet.PictureLeft(i) + x);
        ASSERT_EQ(row[at], p.r) << i << " " << x << "," << y;
        ASSERT_EQ(row[at + 1], p.g);
        ASSERT_EQ(row[at + 2], p.b);
      }
    }
  }
  // Margins stay white.
  const std::vector<uint8_t> top = Row(sheet, 0);
  for (uint8_t v : top) ASSERT_EQ(v, 255);
}

TEST(WizardSheetLayout, LabelsAreTheGlyphsAboveEachPicture) {
  WizardSheet sheet;
  RasterImage black = NewRaster(PixelFormat::pf24Bit, 20, 30);
  black.SetBrushColor(kBlack);
  black.FillRect({0, 0, 30, 20});
  sheet.Add("T1", black);
  sheet.Add("x", NewRaster(PixelFormat::pf1Bit, 20, 30));
  sheet.Layout();
  EXPECT_TRUE(sheet.BlackAndWhite());
  ASSERT_EQ(sheet.LabelScale(), 1);
  const int left = sheet.PictureLeft(0) - 1;
  for (int r = 0; r < kGlyphHeight; ++r) {
    const std::vector<uint8_t> row = Row(sheet, sheet.LabelTop(0) + r);
    for (int c = 0; c < kGlyphWidth; ++c) {
      const bool tInk = GlyphRows('T')[r] >> (kGlyphWidth - 1 - c) & 1;
      const bool oneInk = GlyphRows('1')[r] >> (kGlyphWidth - 1 - c) & 1;
      EXPECT_EQ(row[3 * static_cast<size_t>(left + c)] == 0, tInk) << r << "," << c;
      EXPECT_EQ(row[3 * static_cast<size_t>(left + kGlyphAdvance + c)] == 0, oneInk) << r << "," << c;
    }
  }
  // A label is wider than its picture: the cell makes room for it.
  WizardSheet narrow;
  narrow.Add("Conv_HSI_Dither_I", NewRaster(PixelFormat::pf1Bit, 4, 4));
  narrow.Add("Conv_HSI_Dither_B", NewRaster(PixelFormat::pf1Bit, 4, 4));
  narrow.Layout();
  EXPECT_GE(narrow.Width(), narrow.Columns() * 17 * kGlyphAdvance);
  if (narrow.Columns() == 2) {
    EXPECT_GE(narrow.PictureLeft(1) - narrow.PictureLeft(0), 17 * kGlyphAdvance);
  }
}

}  // namespace
}  // namespace tessalin
