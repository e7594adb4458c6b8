#include "core/raster_image.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/black_white.h"
#include "core/large_buffer.h"
#include "core/palette.h"
#include "core/pixel_ops.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using test::Bgr;
using test::PixelAt;

TEST(NewRaster, TwentyFourBitRowsAreAllWhiteBytes) {
  RasterImage r = NewRaster(PixelFormat::pf24Bit, 2, 3);
  ASSERT_EQ(r.Width(), 3);
  ASSERT_EQ(r.Height(), 2);
  EXPECT_EQ(r.RowBytes(), 9u);
  for (int y = 0; y < 2; ++y)
    for (int i = 0; i < 9; ++i) EXPECT_EQ(r.Row(y)[i], 255) << y << " " << i;
}

TEST(NewRaster, EveryFormatStartsWhiteWithItsTable) {
  // Narrow, and wider than the run of white that wide rows repeat, with a tail.
  for (const int width : {5, 2 * 4096 + 13})
    for (int f = 0; f <= 7; ++f) {
      RasterImage r = NewRaster(static_cast<PixelFormat>(f), 3, width);
      int wrong = 0;
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < width; ++x) wrong += r.GetPixel(x, y) != kWhite;
      EXPECT_EQ(wrong, 0) << "format " << f << ", width " << width;
    }
  const RasterImage one = NewRaster(PixelFormat::pf1Bit, 1, 1);
  ASSERT_EQ(one.Colors().size(), 2u);
  EXPECT_EQ(one.Colors()[0], (PaletteEntry{0, 0, 0}));
  EXPECT_EQ(one.Colors()[1], (PaletteEntry{255, 255, 255}));
  EXPECT_EQ(one.Row(0)[0] & 0x80, 0x80);  // white is a set bit
}

TEST(NewRaster, EmptyRasterHasNoImage) {
  EXPECT_FALSE(NewRaster(PixelFormat::pf24Bit, 0, 5).HasImage());
  EXPECT_FALSE(NewRaster(PixelFormat::pf24Bit, 5, 0).HasImage());
  EXPECT_FALSE(RasterImage().HasImage());
  EXPECT_TRUE(NewRaster(PixelFormat::pf1Bit, 1, 1).HasImage());
}

TEST(OneBitRows, NinePixelRowPacksMostSignificantBitFirst) {
  RasterImage r = NewRaster(PixelFormat::pf1Bit, 1, 9);
  EXPECT_EQ(r.RowBytes(), 2u);
  // Black everywhere, then white at pixels 0, 3 and 8.
  for (int x = 0; x < 9; ++x) r.SetPixel(x, 0, kBlack);
  r.SetPixel(0, 0, kWhite);
  r.SetPixel(3, 0, kWhite);
  r.SetPixel(8, 0, kWhite);
  EXPECT_EQ(r.Row(0)[0], 0b10010000);
  EXPECT_EQ(r.Row(0)[1] & 0x80, 0x80);  // pixel 8 is bit 7 of the second byte
  EXPECT_EQ(r.GetPixel(8, 0), kWhite);
  EXPECT_EQ(r.GetPixel(7, 0), kBlack);
  // Bits below pixel 8 are unused and do not change what the row shows.
  r.Row(0)[1] = 0x80 | 0x55;
  for (int x = 0; x < 9; ++x) EXPECT_EQ(r.GetPixel(x, 0), (x == 0 || x == 3 || x == 8) ? kWhite : kBlack);
}

// The packed form of a black-and-white picture, against bit-by-bit packing
// and the ordinary conversion back to 24 bits, at widths around whole bytes.
TEST(PackedBlackWhite, RowsPackAndWidenLikeTheOneBitLayout) {
  std::mt19937 random(7);
  for (int width : {1, 7, 8, 9, 15, 16, 17, 63, 64, 65, 131}) {
    std::vector<uint8_t> values(static_cast<size_t>(width));
    for (uint8_t& v : values) v = (random() & 1) ? 255 : 0;
    RasterImage expected = NewRaster(PixelFormat::pf1Bit, 2, width);
    for (int x = 0; x < width; ++x) expected.SetPixel(x, 1, values[x] ? kWhite : kBlack);
    RasterImage packed = NewPackedRaster(2, width);
    std::memset(packed.Row(0), 0xFF, packed.RowBytes());
    PackBlackWhiteRow(values.data(), width, packed.Row(1));
    // Unused low bits stay clear, as in a converted 1-bit raster.
    ASSERT_EQ(std::memcmp(packed.Row(1), expected.Row(1), packed.RowBytes()), 0) << width;
    ASSERT_TRUE(IsPackedBlackWhite(packed));
    RasterImage wide;
    wide.Assign(packed);
    wide.SetPixelFormat(PixelFormat::pf24Bit);
    ASSERT_TRUE(test::SamePixels24(ExpandBlackWhite(packed), wide)) << width;
  }
}

// Memory handed back within a command is reused as it was left: a new raster
// is still white, and the bits past a row's pixels still start clear.
TEST(RasterMemory, ReusedBlocksStillGiveWhiteRastersAndClearUnusedBits) {
  // Big enough to be mappings of their own, which the scope keeps for reuse.
  const int rows = static_cast<int>(kLargeBufferMinimum / 3003) + 1;
  const int nibbleRows = static_cast<int>(kLargeBufferMinimum / 4005) + 1;
  const LargeBufferReuse reuse;
  for (int round = 0; round < 2; ++round) {
    RasterImage black = NewRaster(PixelFormat::pf24Bit, rows, 1001);
    for (int y = 0; y < black.Height(); ++y) std::memset(black.Row(y), 0, black.RowBytes());
  }
  const RasterImage white = NewRaster(PixelFormat::pf24Bit, rows, 1001);
  for (int y = 0; y < white.Height(); ++y)
    for (size_t i = 0; i < white.RowBytes(); ++i) ASSERT_EQ(white.Row(y)[i], 255) << y << " " << i;
  {
    RasterImage dirty = NewRaster(PixelFormat::pf24Bit, rows, 1001);
    for (int y = 0; y < dirty.Height(); ++y) std::memset(dirty.Row(y), 0xA5, dirty.RowBytes());
  }
  // 8009 pixels of 4 bits: the last byte holds one pixel and an unused nibble.
  const RasterImage nibbles = NewUnfilledRaster(PixelFormat::pf4Bit, nibbleRows, 8009);
  for (int y = 0; y < nibbles.Height(); ++y) ASSERT_EQ(nibbles.Row(y)[nibbles.RowBytes() - 1], 0) << y;
}

TEST(PixelAccess, ColorIsRedInTheLowestByte) {
  RasterImage r = NewRaster(PixelFormat::pf24Bit, 1, 2);
  r.SetPixel(1, 0, MakeColor(10, 20, 30));
  EXPECT_EQ(r.GetPixel(1, 0), 0x001E140Au);
  EXPECT_EQ(r.Row(0)[3], 30);  // blue first
  EXPECT_EQ(r.Row(0)[5], 10);
}

// Pixel (x, y) of the 5 x 4 fixture has a colour of its own.
RasterImage Fixture(PixelFormat format) {
  RasterImage r = test::MakeGradient(5, 4);
  if (format != PixelFormat::pf24Bit) r.SetPixelFormat(format);
  return r;
}

TEST(Resize, EnlargingKeepsTopLeftAndAddsWhite) {
  for (PixelFormat f : {PixelFormat::pf1Bit, PixelFormat::pf4Bit, PixelFormat::pf8Bit, PixelFormat::pf15Bit,
                        PixelFormat::pf16Bit, PixelFormat::pf24Bit, PixelFormat::pf32Bit}) {
    const RasterImage before = Fixture(f);
    RasterImage r;
    r.Assign(before);
    r.SetWidth(11);
    r.SetHeight(7);
    ASSERT_EQ(r.Width(), 11);
    ASSERT_EQ(r.Height(), 7);
    EXPECT_EQ(r.Format(), f);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 11; ++x) {
        const Color want = (x < 5 && y < 4) ? before.GetPixel(x, y) : kWhite;
        ASSERT_EQ(r.GetPixel(x, y), want) << PixelFormatName(f) << " " << x << "," << y;
      }
  }
}

TEST(Resize, ShrinkingCropsRightAndBottom) {
  for (PixelFormat f : {PixelFormat::pf1Bit, PixelFormat::pf4Bit, PixelFormat::pf24Bit}) {
    const RasterImage before = Fixture(f);
    RasterImage r;
    r.Assign(before);
    r.SetHeight(2);
    r.SetWidth(3);
    ASSERT_EQ(r.Width(), 3);
    ASSERT_EQ(r.Height(), 2);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) EXPECT_EQ(r.GetPixel(x, y), before.GetPixel(x, y));
    // Growing again does not bring the cropped pixels back.
    r.SetWidth(5);
    EXPECT_EQ(r.GetPixel(4, 0), kWhite);
  }
}

TEST(Assign, CopyIsIndependent) {
  RasterImage a = test::MakeRandom24(7, 3, 1);
  RasterImage b;
  b.Assign(a);
  b.SetPixel(0, 0, MakeColor(1, 2, 3));
  a.SetPixel(0, 0, MakeColor(9, 9, 9));
  EXPECT_EQ(b.GetPixel(0, 0), MakeColor(1, 2, 3));
}

// A 24-bit picture of only pure black and pure white.
RasterImage BlackAndWhite(int w, int h, unsigned seed) {
  std::mt19937 rng(seed);
  RasterImage r = NewRaster(PixelFormat::pf24Bit, h, w);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) r.SetPixel(x, y, (rng() & 1) ? kWhite : kBlack);
  return r;
}

TEST(ConvertToOneBit, BlackAndWhiteStayExactFromEveryFormat) {
  const RasterImage source = BlackAndWhite(13, 5, 7);
  for (int f = 0; f <= 7; ++f) {
    RasterImage r;
    r.Assign(source);
    if (f != 6) r.SetPixelFormat(static_cast<PixelFormat>(f));
    ConvertPixelFormat(1, r);
    ASSERT_EQ(r.Format(), PixelFormat::pf1Bit);
    ASSERT_EQ(r.Colors(), CreateBlackWhitePalette());
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 13; ++x) {
        const int bit = (r.Row(y)[x / 8] >> (7 - x % 8)) & 1;
        ASSERT_EQ(bit, source.GetPixel(x, y) == kWhite ? 1 : 0) << "from format " << f;
      }
  }
}

TEST(ConvertToOneBit, OtherColoursGoToTheNearerOfBlackAndWhite) {
  RasterImage r = NewRaster(PixelFormat::pf24Bit, 1, 4);
  r.SetPixel(0, 0, MakeColor(127, 127, 127));  // nearer black
  r.SetPixel(1, 0, MakeColor(128, 128, 128));  // nearer white
  r.SetPixel(2, 0, MakeColor(255, 255, 0));    // 2 * 255^2 to black against 255^2 to white
  r.SetPixel(3, 0, MakeColor(0, 0, 255));
  ConvertPixelFormat(1, r);
  EXPECT_EQ(r.GetPixel(0, 0), kBlack);
  EXPECT_EQ(r.GetPixel(1, 0), kWhite);
  EXPECT_EQ(r.GetPixel(2, 0), kWhite);
  EXPECT_EQ(r.GetPixel(3, 0), kBlack);
}

TEST(SetPixelFormat, TrueColourLayoutsKeepTheirChannelPrecision) {
  RasterImage r = NewRaster(PixelFormat::pf24Bit, 1, 3);
  r.SetPixel(0, 0, MakeColor(0xFF, 0x00, 0x80));
  r.SetPixel(1, 0, MakeColor(0x0F, 0xF7, 0x33));
  r.SetPixel(2, 0, MakeColor(0, 0, 0));
  RasterImage p15;
  p15.Assign(r);
  p15.SetPixelFormat(PixelFormat::pf15Bit);
  // 0x0F -> 5 bits 00001 -> 0x08 | 0x00; 0xF7 -> 11110 -> 0xF7; 0x33 -> 00110 -> 0x31.
  EXPECT_EQ(p15.GetPixel(1, 0), MakeColor(0x08, 0xF7, 0x31));
  const uint16_t w = static_cast<uint16_t>(p15.Row(0)[2] | (p15.Row(0)[3] << 8));
  EXPECT_EQ(w, (1u << 10) | (30u << 5) | 6u);
  RasterImage p16;
  p16.Assign(r);
  p16.SetPixelFormat(PixelFormat::pf16Bit);
  const uint16_t v = static_cast<uint16_t>(p16.Row(0)[2] | (p16.Row(0)[3] << 8));
  EXPECT_EQ(v, (1u << 11) | ((0xF7u >> 2) << 5) | 6u);
  EXPECT_EQ(p16.GetPixel(0, 0), MakeColor(0xFF, 0x00, 0x84));
  RasterImage p32;
  p32.Assign(r);
  p32.SetPixelFormat(PixelFormat::pf32Bit);
  p32.SetPixelFormat(PixelFormat::pf24Bit);
  EXPECT_TRUE(test::SamePixels24(p32, r));
}

TEST(SetPixelFormat, PaletteFormatsMapTheirOwnColoursExactly) {
  RasterImage r = NewRaster(PixelFormat::pf24Bit, 1, 16);
  for (int i = 0; i < 16; ++i) {
    const PaletteEntry e = StandardPalette16()[i];
    r.SetPixel(i, 0, MakeColor(e.r, e.g, e.b));
  }
  RasterImage four;
  four.Assign(r);
  four.SetPixelFormat(PixelFormat::pf4Bit);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(four.GetPixel(i, 0), r.GetPixel(i, 0));
  RasterImage eight;
  eight.Assign(r);
  eight.SetPixelFormat(PixelFormat::pf8Bit);
  EXPECT_EQ(eight.GetPixel(0, 0), kBlack);
  EXPECT_EQ(eight.GetPixel(15, 0), kWhite);
  EXPECT_EQ(eight.GetPixel(9, 0), MakeColor(255, 0, 0));
}

TEST(Halftone, StructuredNearestAgreesWithBruteForce) {
  const ColorTable& t = HalftonePalette256();
  ASSERT_EQ(t.size(), 256u);
  for (int r = 0; r < 256; r += 3)
    for (int g = 0; g < 256; g += 5)
      for (int b = 0; b < 256; b += 1)
        ASSERT_EQ(NearestHalftoneIndex(r, g, b), NearestIndexBruteForce(t, r, g, b)) << r << " " << g << " " << b;
}

// The plain per-pixel conversion the threaded one must equal.
RasterImage ReferenceConvert(const RasterImage& source, PixelFormat format) {
  RasterImage out = NewRaster(format, source.Height(), source.Width());
  for (int y = 0; y < source.Height(); ++y)
    for (int x = 0; x < source.Width(); ++x) {
      const Color c = source.GetPixel(x, y);
      if (IsIndexed(format)) {
        const int index = NearestIndexBruteForce(out.Colors(), RedOf(c), GreenOf(c), BlueOf(c));
        const PaletteEntry e = out.Colors()[index];
        out.SetPixel(x, y, MakeColor(e.r, e.g, e.b));
      } else {
        out.SetPixel(x, y, c);
      }
    }
  return out;
}

TEST(SetPixelFormat, ThreadedConversionEqualsPlainConversion) {
  const int sizes[][2] = {{1, 1}, {3, 97}, {17, 33}, {131, 61}, {257, 129}};
  unsigned seed = 3;
  for (const auto& s : sizes) {
    const RasterImage source = test::MakeRandom24(s[0], s[1], seed++);
    for (PixelFormat f : {PixelFormat::pf1Bit, PixelFormat::pf4Bit, PixelFormat::pf8Bit, PixelFormat::pf15Bit,
                          PixelFormat::pf16Bit, PixelFormat::pf32Bit}) {
      RasterImage fast;
      fast.Assign(source);
      fast.SetPixelFormat(f);
      const RasterImage slow = ReferenceConvert(source, f);
      for (int y = 0; y < source.Height(); ++y)
        for (int x = 0; x < source.Width(); ++x)
          ASSERT_EQ(fast.GetPixel(x, y), slow.GetPixel(x, y)) << PixelFormatName(f) << " " << x << "," << y;
    }
  }
}

TEST(CopyRect, StretchesAndCopiesWithinOneRaster) {
  RasterImage r = test::MakeGradient(6, 4);
  RasterImage before;
  before.Assign(r);
  // Row 1 stretched over rows 0..3 of column range 0..2 (source overlaps destination).
  r.CopyRect({0, 0, 3, 4}, r, {0, 1, 3, 2});
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) {
      const Color want = x < 3 ? before.GetPixel(x, 1) : before.GetPixel(x, y);
      EXPECT_EQ(r.GetPixel(x, y), want) << x << "," << y;
    }
}

TEST(FillRect, UsesTheBrushInsideTheRectangleOnly) {
  RasterImage r = test::MakeGradient(4, 3);
  RasterImage before;
  before.Assign(r);
  r.SetBrushColor(MakeColor(1, 2, 3));
  r.FillRect({1, 1, 3, 5});
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(r.GetPixel(x, y), (x >= 1 && x < 3 && y >= 1) ? MakeColor(1, 2, 3) : before.GetPixel(x, y));
}

}  // namespace
}  // namespace tessalin

namespace tessalin {
namespace {

// The 24-bit copy path against the general one (32-bit rasters), on random
// rectangles that stretch, shrink, overlap and leave the raster.
TEST(CopyRect, TrueColourPathEqualsGeneralPath) {
  std::mt19937 rng(41);
  auto coord = [&](int limit) { return static_cast<int>(rng() % (limit + 6)) - 3; };
  for (int round = 0; round < 300; ++round) {
    const RasterImage a = test::MakeRandom24(1 + rng() % 23, 1 + rng() % 17, round);
    const RasterImage b = test::MakeRandom24(1 + rng() % 23, 1 + rng() % 17, round + 1000);
    const bool inPlace = rng() % 2;
    Rect d{coord(a.Width()), coord(a.Height()), 0, 0}, s{coord(b.Width()), coord(b.Height()), 0, 0};
    d.right = d.left + static_cast<int>(rng() % 30) - 2;
    d.bottom = d.top + static_cast<int>(rng() % 30) - 2;
    s.right = s.left + static_cast<int>(rng() % 30) - 2;
    s.bottom = s.top + static_cast<int>(rng() % 30) - 2;
    RasterImage fast, slow, source32;
    fast.Assign(a);
    slow.Assign(a);
    slow.SetPixelFormat(PixelFormat::pf32Bit);
    source32.Assign(b);
    source32.SetPixelFormat(PixelFormat::pf32Bit);
    if (inPlace) {
      fast.CopyRect(d, fast, s);
      slow.CopyRect(d, slow, s);
    } else {
      fast.CopyRect(d, b, s);
      slow.CopyRect(d, source32, s);
    }
    for (int y = 0; y < a.Height(); ++y)
      for (int x = 0; x < a.Width(); ++x) ASSERT_EQ(fast.GetPixel(x, y), slow.GetPixel(x, y)) << round;
  }
}

}  // namespace
}  // namespace tessalin

#if !defined(__SANITIZE_ADDRESS__)
namespace tessalin {
namespace {

std::vector<uint8_t> AllRows(const RasterImage& r) {
  std::vector<uint8_t> bytes;
  for (int y = 0; y < r.Height(); ++y) bytes.insert(bytes.end(), r.Row(y), r.Row(y) + r.RowBytes());
  return bytes;
}

// With the address space capped, no 35 MB or 300 MB layout can be had (both
// past what the heap keeps of freed memory): each operation must throw and
// leave its raster exactly as it was.
void CappedOperationsLeaveThePictureAsItWas() {
  RasterImage small = test::MakeRandom24(37, 23, 4);
  RasterImage oneBit = NewRaster(PixelFormat::pf1Bit, 10000, 10000);  // 12.5 MB
  oneBit.Row(9999)[1249] = 0x5A;
  const RasterImage source = test::MakeRandom24(3400, 3400, 5);       // 35 MB
  RasterImage target = test::MakeRandom24(5, 4, 6);
  const std::vector<uint8_t> smallBytes = AllRows(small), oneBitBytes = AllRows(oneBit), targetBytes = AllRows(target);

  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_AS, &old), 0);
  long vmKiB = 0;
  {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind("VmSize:", 0) == 0) vmKiB = std::stol(line.substr(7));
  }
  ASSERT_GT(vmKiB, 0);
  struct rlimit capped = old;
  capped.rlim_cur = static_cast<rlim_t>(vmKiB + 16 * 1024) * 1024;  // 16 MB of room
  ASSERT_EQ(setrlimit(RLIMIT_AS, &capped), 0);
  int threw = 0;
  try { small.SetSize(10000, 10000); } catch (const std::bad_alloc&) { ++threw; }
  try { oneBit.SetPixelFormat(PixelFormat::pf24Bit); } catch (const std::bad_alloc&) { ++threw; }
  try { target.Assign(source); } catch (const std::bad_alloc&) { ++threw; }
  setrlimit(RLIMIT_AS, &old);

  EXPECT_EQ(threw, 3);
  EXPECT_EQ(small.Width(), 37);
  EXPECT_EQ(AllRows(small), smallBytes);
  EXPECT_EQ(oneBit.Format(), PixelFormat::pf1Bit);
  EXPECT_EQ(AllRows(oneBit), oneBitBytes);
  EXPECT_EQ(target.Width(), 5);
  EXPECT_EQ(AllRows(target), targetBytes);
}

// In a fresh process: heap that earlier tests freed would otherwise serve these
// sizes without growing the address space, and the cap would decide nothing.
TEST(RasterMemory, OperationsThatRunOutOfMemoryLeaveThePictureAsItWas) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        CappedOperationsLeaveThePictureAsItWas();
        std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}
}  // namespace
}  // namespace tessalin
#endif
