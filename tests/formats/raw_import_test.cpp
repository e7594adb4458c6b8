#include "formats/raw_import.h"

#include <gtest/gtest.h>

#include "core/palette.h"
#include "core/tessalin_error.h"
#include "formats/formats_fixtures.h"

namespace tessalin {
namespace {

using test::PixelAt;
using test::TempDir;
using test::WriteBytes;

TEST(RawProposal, SquareGuessFromTheFileSize) {
  EXPECT_EQ(ProposeRawSize(65536).height, 256);
  EXPECT_EQ(ProposeRawSize(65536).width, 256);
  // sqrt(76800) = 277.13; 76800 div 277 = 277.
  EXPECT_EQ(ProposeRawSize(76800).height, 277);
  EXPECT_EQ(ProposeRawSize(76800).width, 277);
  EXPECT_EQ(ProposeRawSize(12).height, 3);
  EXPECT_EQ(ProposeRawSize(12).width, 4);
  const RawProposal empty = ProposeRawSize(0);
  EXPECT_EQ(empty.height, 0);
  EXPECT_EQ(empty.width, 0);
  // Over 4 GiB still gives a sensible guess: sqrt(5e9) = 70710.68.
  EXPECT_EQ(ProposeRawSize(5'000'000'000LL).height, 70711);
  EXPECT_EQ(ProposeRawSize(5'000'000'000LL).width, 5'000'000'000LL / 70711);
}

TEST(RawProposal, ReadsTheSizeOfTheFile) {
  TempDir dir;
  WriteBytes(dir.File("a.raw"), std::vector<uint8_t>(12, 1));
  const RawProposal p = ProposeRawSize(dir.File("a.raw"));
  EXPECT_EQ(p.fileSize, 12);
  EXPECT_EQ(p.height, 3);
  EXPECT_EQ(p.width, 4);
  EXPECT_THROW(ProposeRawSize(dir.File("missing.raw")), TessalinError);
}

TEST(RawCheck, SizesAgainstTheFile) {
  EXPECT_EQ(RawRowBytes(0, 10), 2);
  EXPECT_EQ(RawRowBytes(0, 8), 1);
  EXPECT_EQ(RawRowBytes(2, 10), 20);
  EXPECT_EQ(RawRowBytes(3, 10), 30);
  EXPECT_EQ(CheckRawSize(12, 3, 4, 3), RawCheck::Invalid);  // 36 > 12
  EXPECT_EQ(CheckRawSize(12, 3, 4, 1), RawCheck::Ok);
  EXPECT_EQ(CheckRawSize(10, 3, 3, 1), RawCheck::SmallerThanFile);
  EXPECT_EQ(CheckRawSize(4, 2, 10, 0), RawCheck::Ok);
  EXPECT_EQ(CheckRawSize(100, 0, 4, 1), RawCheck::Invalid);
  EXPECT_EQ(CheckRawSize(0, 0, 0, 1), RawCheck::Invalid);
}

TEST(RawCheck, NegativeAndHugeEntriesAreRefused) {
  // A negative height with a negative row size multiplies to a positive size.
  EXPECT_EQ(CheckRawSize(100, -5, -4, 1), RawCheck::Invalid);
  EXPECT_EQ(CheckRawSize(100, -5, 4, 1), RawCheck::Invalid);
  EXPECT_EQ(CheckRawSize(100, 5, -4, 1), RawCheck::Invalid);
  // 65536 x 65536 x 3 overflows 32 bits; it must not wrap to something small.
  EXPECT_EQ(CheckRawSize(1000, 65536, 65536, 3), RawCheck::Invalid);
  EXPECT_EQ(CheckRawSize(3LL * 65536 * 65536, 65536, 65536, 3), RawCheck::Ok);
  EXPECT_EQ(CheckRawSize(INT64_MAX, 1 << 20, INT32_MAX, 3), RawCheck::SmallerThanFile);
  EXPECT_EQ(CheckRawSize(INT64_MAX, INT32_MAX, INT32_MAX, 3), RawCheck::Invalid);  // 1.4e19 bytes
}

TEST(RawCheck, MessagesAreTheSystemTexts) {
  EXPECT_STREQ(kRawInvalidSizeMessage, "InValid ImageSize...\rReTry, Please!");
  EXPECT_STREQ(kRawSmallerConfirmMessage, "ImageSize is smaller than FileSize. Continue?");
}

TEST(RawRead, FourLayouts) {
  TempDir dir;
  // 8 bit: 4 x 3 grey.
  std::vector<uint8_t> grey(12);
  for (int i = 0; i < 12; ++i) grey[i] = static_cast<uint8_t>(i * 20);
  WriteBytes(dir.File("g.raw"), grey);
  const RasterImage g = ReadRawFile(dir.File("g.raw"), 3, 4, 1);
  ASSERT_EQ(g.Format(), PixelFormat::pf24Bit);
  ASSERT_EQ(g.Width(), 4);
  ASSERT_EQ(g.Height(), 3);
  EXPECT_EQ(PixelAt(g, 1, 2), (test::Bgr{180, 180, 180}));  // byte 9

  // 1 bit, width 10: two bytes a row; bit 1 white.
  WriteBytes(dir.File("b.raw"), {0b10000000, 0b01000000, 0b00000000, 0b11000000});
  const RasterImage b = ReadRawFile(dir.File("b.raw"), 2, 10, 0);
  ASSERT_EQ(b.Format(), PixelFormat::pf1Bit);
  EXPECT_EQ(b.Colors(), CreateBlackWhitePalette());
  EXPECT_EQ(b.GetPixel(0, 0), kWhite);
  EXPECT_EQ(b.GetPixel(1, 0), kBlack);
  EXPECT_EQ(b.GetPixel(9, 0), kWhite);
  EXPECT_EQ(b.GetPixel(8, 1), kWhite);
  EXPECT_EQ(b.GetPixel(9, 1), kWhite);
  EXPECT_EQ(b.GetPixel(0, 1), kBlack);

  // 16 bit little-endian 5-6-5, fields unscaled.
  WriteBytes(dir.File("w.raw"), {0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00});
  const RasterImage w = ReadRawFile(dir.File("w.raw"), 1, 4, 2);
  EXPECT_EQ(PixelAt(w, 0, 0), (test::Bgr{31, 63, 31}));
  EXPECT_EQ(PixelAt(w, 1, 0), (test::Bgr{0, 0, 31}));
  EXPECT_EQ(PixelAt(w, 2, 0), (test::Bgr{0, 63, 0}));
  EXPECT_EQ(PixelAt(w, 3, 0), (test::Bgr{31, 0, 0}));

  // 24 bit in the order red, green, blue.
  WriteBytes(dir.File("c.raw"), {255, 0, 0, 1, 2, 3});
  const RasterImage c = ReadRawFile(dir.File("c.raw"), 1, 2, 3);
  EXPECT_EQ(PixelAt(c, 0, 0), (test::Bgr{0, 0, 255}));
  EXPECT_EQ(PixelAt(c, 1, 0), (test::Bgr{3, 2, 1}));
}

TEST(RawRead, ExtraBytesAreIgnoredAndShortFilesRefused) {
  TempDir dir;
  WriteBytes(dir.File("a.raw"), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  const RasterImage a = ReadRawFile(dir.File("a.raw"), 3, 3, 1);
  EXPECT_EQ(PixelAt(a, 2, 2), (test::Bgr{9, 9, 9}));
  EXPECT_THROW(ReadRawFile(dir.File("a.raw"), 4, 3, 1), TessalinError);
  EXPECT_THROW(ReadRawFile(dir.File("a.raw"), -1, 3, 1), TessalinError);
  EXPECT_THROW(ReadRawFile(dir.File("missing.raw"), 1, 1, 1), TessalinError);
  // Above the pixel limit: refused before anything is allocated.
  try {
    ReadRawFile(dir.File("a.raw"), 20000, 20000, 1);
    FAIL() << "no error";
  } catch (const TessalinError& e) {
    EXPECT_NE(std::string(e.what()).find("limit"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace tessalin
