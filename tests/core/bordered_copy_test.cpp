// The row-by-row bordered buffers against the plain way: build the bordered
// raster, then load it. Every pixel format, both border kinds, thin shapes.
#include "core/bordered_copy.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/pixel_ops.h"
#include "core/tessalin_error.h"
#include "core/work_buffers.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

// Empty when both hold the same cells, HSI plane included.
std::string Difference(const WorkBuffers& got, const WorkBuffers& want) {
  if (got.Width() != want.Width() || got.Height() != want.Height())
    return "size " + std::to_string(got.Width()) + " x " + std::to_string(got.Height()) + ", expected " +
           std::to_string(want.Width()) + " x " + std::to_string(want.Height());
  if (got.HasHsi() != want.HasHsi()) return "HSI plane present: " + std::to_string(got.HasHsi());
  if (got.RgbBytes() != want.RgbBytes() || std::memcmp(got.Rgb(), want.Rgb(), want.RgbBytes()) != 0)
    return "RGB cells differ";
  if (got.HsiBytes() != want.HsiBytes()) return "HSI sizes differ";
  const size_t cells = static_cast<size_t>(want.Width()) * want.Height();
  for (size_t i = 0; got.HasHsi() && i < cells; ++i)
    if (got.Hsi()[i].I != want.Hsi()[i].I || got.Hsi()[i].S != want.Hsi()[i].S ||
        got.Hsi()[i].H != want.Hsi()[i].H)
      return "HSI cell " + std::to_string(i) + " differs";
  return "";
}

TEST(BorderedCopyByRows, MatchesTheBorderedRasterInEveryFormatAndKind) {
  const struct { int w, h; } sizes[] = {{1, 1}, {1, 6}, {7, 1}, {2, 2}, {9, 5}, {17, 11}};
  const PixelFormat formats[] = {PixelFormat::pf1Bit,  PixelFormat::pf4Bit,  PixelFormat::pf8Bit,
                                 PixelFormat::pf15Bit, PixelFormat::pf16Bit, PixelFormat::pf24Bit,
                                 PixelFormat::pf32Bit, PixelFormat::pfDevice};
  unsigned seed = 1;
  for (const auto& size : sizes)
    for (const PixelFormat format : formats) {
      RasterImage picture = test::MakeRandom24(size.w, size.h, seed++);
      ConvertPixelFormat(static_cast<int>(format), picture);
      for (const int kind : {0, 1, 5}) {  // any kind but 1 borders like 0
        for (const bool withHsi : {false, true}) {
          WorkBuffers expected, byRows;
          LoadWorkBuffers(expected, MakeBorderedRaster(picture, kind), withHsi);
          LoadBorderedCopy(byRows, picture, kind, withHsi);
          EXPECT_EQ(Difference(byRows, expected), "")
              << size.w << " x " << size.h << " " << PixelFormatName(format) << " kind " << kind << " hsi "
              << withHsi;
        }
      }
    }
}

TEST(BorderedCopyByRows, APictureWithoutPixelsGivesTheWhiteBorderAlone) {
  for (const int kind : {0, 1}) {
    WorkBuffers expected, byRows;
    LoadWorkBuffers(expected, MakeBorderedRaster(RasterImage(), kind), true);
    LoadBorderedCopy(byRows, RasterImage(), kind, true);
    EXPECT_EQ(Difference(byRows, expected), "") << "kind " << kind;
  }
}

TEST(BorderedCopyByRows, RefusesBuffersStillInUse) {
  WorkBuffers busy;
  LoadBorderedCopy(busy, test::MakeRandom24(3, 2, 4), 1, false);
  EXPECT_THROW(LoadBorderedCopy(busy, test::MakeRandom24(3, 2, 4), 1, false), TessalinError);
  EXPECT_EQ(busy.Width(), 7);
  EXPECT_EQ(busy.Height(), 5);
}

}  // namespace
}  // namespace tessalin
