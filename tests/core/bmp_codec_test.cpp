#include "core/bmp_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <sstream>

#include "core/palette.h"
#include "core/pixel_ops.h"
#include "core/tessalin_error.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using test::Bgr;
using test::PixelAt;

void Put16(std::vector<uint8_t>& o, uint32_t v) {
  o.push_back(static_cast<uint8_t>(v));
  o.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& o, uint32_t v) {
  Put16(o, v & 0xFFFF);
  Put16(o, v >> 16);
}
void Set32(std::vector<uint8_t>& o, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) o[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A hand-made BMP: header of `headerSize` bytes (12, 40 or 108), optional
// masks and table, then `pixels` as given (already in file order).
struct BmpLayout {
  uint32_t headerSize = 40;
  int width = 0, height = 0;  // negative height: top-down
  int bits = 24;
  uint32_t compression = 0;
  std::vector<uint32_t> masks;          // written after a 40-byte header, or inside a 108-byte one
  std::vector<PaletteEntry> table;
  int64_t colorsUsed = -1;  // -1: the table's length
  std::vector<uint8_t> pixels;
};

std::vector<uint8_t> BuildBmp(const BmpLayout& s) {
  std::vector<uint8_t> info;
  Put32(info, s.headerSize);
  if (s.headerSize == 12) {
    Put16(info, static_cast<uint32_t>(s.width));
    Put16(info, static_cast<uint32_t>(s.height));
    Put16(info, 1);
    Put16(info, static_cast<uint32_t>(s.bits));
  } else {
    Put32(info, static_cast<uint32_t>(s.width));
    Put32(info, static_cast<uint32_t>(s.height));
    Put16(info, 1);
    Put16(info, static_cast<uint32_t>(s.bits));
    Put32(info, s.compression);
    Put32(info, static_cast<uint32_t>(s.pixels.size()));
    Put32(info, 2835);
    Put32(info, 2835);
    Put32(info, static_cast<uint32_t>(s.colorsUsed < 0 ? static_cast<int64_t>(s.table.size()) : s.colorsUsed));
    Put32(info, 0);
    if (s.headerSize > 40) {
      for (size_t i = 0; i < 4; ++i) Put32(info, i < s.masks.size() ? s.masks[i] : 0);
      info.resize(s.headerSize, 0);
    } else {
      for (uint32_t m : s.masks) Put32(info, m);
    }
  }
  for (const PaletteEntry& e : s.table) {
    info.push_back(e.b);
    info.push_back(e.g);
    info.push_back(e.r);
    if (s.headerSize != 12) info.push_back(0);
  }
  std::vector<uint8_t> out = {'B', 'M'};
  Put32(out, static_cast<uint32_t>(14 + info.size() + s.pixels.size()));
  Put32(out, 0);
  Put32(out, static_cast<uint32_t>(14 + info.size()));
  out.insert(out.end(), info.begin(), info.end());
  out.insert(out.end(), s.pixels.begin(), s.pixels.end());
  return out;
}

RasterImage As24(const RasterImage& image) {
  RasterImage copy;
  copy.Assign(image);
  copy.SetPixelFormat(PixelFormat::pf24Bit);
  return copy;
}

void ExpectSameRaster(const RasterImage& a, const RasterImage& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  ASSERT_EQ(a.Format(), b.Format());
  ASSERT_EQ(a.Colors(), b.Colors());
  for (int y = 0; y < a.Height(); ++y)
    ASSERT_EQ(std::memcmp(a.Row(y), b.Row(y), a.RowBytes()), 0) << "row " << y;
}

TEST(BmpRoundTrip, EveryFormatComesBackInItsOwnLayout) {
  const RasterImage source = test::MakeRandom24(29, 11, 17);
  for (int f = 1; f <= 7; ++f) {
    RasterImage r;
    r.Assign(source);
    ConvertPixelFormat(f, r);
    const std::vector<uint8_t> file = EncodeBmp(r);
    const RasterImage back = DecodeBmp(file, "round.bmp");
    SCOPED_TRACE(PixelFormatName(r.Format()));
    ExpectSameRaster(back, r);
  }
}

TEST(BmpRoundTrip, FileLayoutIsBottomUpWithPaddedRows) {
  RasterImage r = NewRaster(PixelFormat::pf24Bit, 2, 3);
  r.SetPixel(0, 0, MakeColor(1, 2, 3));  // top-left
  r.SetPixel(0, 1, MakeColor(4, 5, 6));  // bottom-left
  const std::vector<uint8_t> f = EncodeBmp(r);
  ASSERT_EQ(f.size(), 54u + 2 * 12);
  EXPECT_EQ(f[10], 54);
  EXPECT_EQ(f[28], 24);
  // First stored row is the bottom one: B, G, R.
  EXPECT_EQ(f[54], 6);
  EXPECT_EQ(f[55], 5);
  EXPECT_EQ(f[56], 4);
  EXPECT_EQ(f[54 + 9], 0);  // padding
  EXPECT_EQ(f[54 + 12], 3);
}

TEST(BmpRoundTrip, SixteenBitFiveSixFiveIsWrittenWithBitFields) {
  RasterImage r = test::MakeRandom24(5, 3, 2);
  r.SetPixelFormat(PixelFormat::pf16Bit);
  const std::vector<uint8_t> f = EncodeBmp(r);
  EXPECT_EQ(f[30], 3);  // BI_BITFIELDS
  EXPECT_EQ(f[54] | (f[55] << 8), 0xF800);
  EXPECT_EQ(f[58] | (f[59] << 8), 0x07E0);
  EXPECT_EQ(f[62], 0x1F);
}

TEST(BmpRoundTrip, DeviceFormatSavesAsThirtyTwoBitsAndKeepsEveryPixel) {
  const RasterImage source = test::MakeRandom24(31, 9, 5);
  RasterImage device;
  device.Assign(source);
  ConvertPixelFormat(0, device);
  test::TempDir dir;
  SaveBmpFile(device, dir.File("device.bmp"));
  RasterImage back = LoadBmpFile(dir.File("device.bmp"));
  EXPECT_EQ(back.Format(), PixelFormat::pf32Bit);
  ConvertPixelFormat(6, back);
  EXPECT_TRUE(test::SamePixels24(back, source));
}

// The direct encoder must give the bytes of the long way round: a white
// device raster, the whole picture copied in, then EncodeBmp.
TEST(BmpDevice, DirectRowsGiveTheBytesOfADeviceCopy) {
  const int sizes[][2] = {{1, 1}, {1, 7}, {7, 1}, {3, 5}, {29, 11}, {33, 4}};
  for (const auto& wh : sizes) {
    const RasterImage source = test::MakeRandom24(wh[0], wh[1], static_cast<unsigned>(wh[0] * 31 + wh[1]));
    for (int f = 0; f <= 7; ++f) {
      RasterImage picture;
      picture.Assign(source);
      ConvertPixelFormat(f, picture);
      SCOPED_TRACE(std::to_string(wh[0]) + " x " + std::to_string(wh[1]) + " " + PixelFormatName(picture.Format()));
      RasterImage device = NewRaster(PixelFormat::pfDevice, picture.Height(), picture.Width());
      const Rect whole{0, 0, picture.Width(), picture.Height()};
      device.CopyRect(whole, picture, whole);
      const std::vector<uint8_t> expected = EncodeBmp(device);
      const std::vector<uint8_t> direct = EncodeBmpAsDevice(picture);
      ASSERT_EQ(direct.size(), 54 + 4 * static_cast<size_t>(wh[0]) * wh[1]);
      EXPECT_EQ(direct, expected);
    }
  }
  EXPECT_THROW(EncodeBmpAsDevice(RasterImage()), TessalinError);
}

// The save writes the same bytes a megabyte at a time; 700 x 500 needs three pieces.
TEST(BmpDevice, SavedFileHoldsTheEncodedBytesWhateverThePieces) {
  test::TempDir dir;
  const int sizes[][2] = {{1, 1}, {5, 3}, {700, 500}, {262144, 2}};
  for (const auto& wh : sizes) {
    RasterImage picture = test::MakeRandom24(wh[0], wh[1], 5);
    if (wh[0] == 5) ConvertPixelFormat(static_cast<int>(PixelFormat::pf8Bit), picture);
    const std::string path = dir.File("device.bmp");
    SaveBmpFileAsDevice(picture, path);
    EXPECT_EQ(test::ReadBytes(path), EncodeBmpAsDevice(picture)) << wh[0] << " x " << wh[1];
  }
  try {
    SaveBmpFileAsDevice(RasterImage(), dir.File("empty.bmp"));
    ADD_FAILURE() << "an empty picture was saved";
  } catch (const TessalinError& e) {
    EXPECT_NE(std::string(e.what()).find("empty.bmp"), std::string::npos);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("empty.bmp")));
}

TEST(BmpRoundTrip, LoadedOneBitFileKeepsItsOwnTable) {
  BmpLayout s;
  s.width = 3;
  s.height = 1;
  s.bits = 1;
  s.table = {{255, 255, 255}, {0, 0, 0}};  // inverted: a set bit is black
  s.pixels = {0b01000000, 0, 0, 0};
  const RasterImage r = DecodeBmp(BuildBmp(s), "inverted.bmp");
  ASSERT_EQ(r.Format(), PixelFormat::pf1Bit);
  EXPECT_EQ(r.Colors(), s.table);
  EXPECT_EQ(r.GetPixel(0, 0), kWhite);
  EXPECT_EQ(r.GetPixel(1, 0), kBlack);
}

TEST(BmpRead, TopDownRowsAndTheOldCoreHeader) {
  const RasterImage source = test::MakeRandom24(5, 4, 33);
  BmpLayout s;
  s.width = 5;
  s.height = -4;
  for (int y = 0; y < 4; ++y) {  // top row first
    for (int x = 0; x < 5; ++x) {
      const Bgr p = PixelAt(source, x, y);
      s.pixels.insert(s.pixels.end(), {p.b, p.g, p.r});
    }
    s.pixels.insert(s.pixels.end(), {0});  // 15 bytes padded to 16
  }
  EXPECT_TRUE(test::SamePixels24(DecodeBmp(BuildBmp(s), "topdown.bmp"), source));

  BmpLayout core;
  core.headerSize = 12;
  core.width = 3;
  core.height = 2;
  core.bits = 8;
  core.table.resize(256);
  core.table[7] = {10, 20, 30};
  core.table[9] = {200, 100, 50};
  core.pixels = {9, 7, 7, 0, 7, 9, 9, 0};  // bottom row, then top row
  const RasterImage c = DecodeBmp(BuildBmp(core), "os2.bmp");
  ASSERT_EQ(c.Format(), PixelFormat::pf8Bit);
  EXPECT_EQ(c.GetPixel(0, 0), MakeColor(10, 20, 30));
  EXPECT_EQ(c.GetPixel(1, 0), MakeColor(200, 100, 50));
  EXPECT_EQ(c.GetPixel(0, 1), MakeColor(200, 100, 50));
}

TEST(BmpRead, BitFieldMasksInVersionFourHeaders) {
  // 5-6-5 inside a 108-byte header becomes pf16Bit with the words unchanged.
  BmpLayout s;
  s.headerSize = 108;
  s.width = 2;
  s.height = 1;
  s.bits = 16;
  s.compression = 3;
  s.masks = {0xF800, 0x07E0, 0x001F};
  s.pixels = {0x1F, 0xF8, 0xE0, 0x07};  // red, green
  RasterImage r = DecodeBmp(BuildBmp(s), "v4.bmp");
  EXPECT_EQ(r.Format(), PixelFormat::pf16Bit);
  EXPECT_EQ(r.GetPixel(0, 0), MakeColor(255, 0, 255));
  EXPECT_EQ(r.GetPixel(1, 0), MakeColor(0, 255, 0));
  // 32 bits with the channels in unusual places are unpacked to 24 bits.
  BmpLayout t;
  t.width = 1;
  t.height = 1;
  t.bits = 32;
  t.compression = 3;
  t.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};  // red lowest
  t.pixels = {10, 20, 30, 0};
  const RasterImage u = DecodeBmp(BuildBmp(t), "masks.bmp");
  EXPECT_EQ(u.Format(), PixelFormat::pf24Bit);
  EXPECT_EQ(u.GetPixel(0, 0), MakeColor(10, 20, 30));
  // 4-4-4 masks: a full channel becomes 255, 0x8 becomes 0x88.
  BmpLayout v;
  v.width = 1;
  v.height = 1;
  v.bits = 16;
  v.compression = 3;
  v.masks = {0x0F00, 0x00F0, 0x000F};
  v.pixels = {0x8F, 0x0F, 0, 0};
  EXPECT_EQ(DecodeBmp(BuildBmp(v), "444.bmp").GetPixel(0, 0), MakeColor(0xFF, 0x88, 0xFF));
}

TEST(BmpRead, RunLengthEncodedRowsWithJumpsAndLiterals) {
  BmpLayout s;
  s.width = 6;
  s.height = 3;
  s.bits = 8;
  s.compression = 1;
  s.table.resize(4);
  s.table[1] = {255, 0, 0};
  s.table[2] = {0, 255, 0};
  s.table[3] = {0, 0, 255};
  // Bottom row: 3 x index 1, literal (2, 3, 2); end of line.
  // Middle row: jump right 2 and up 0, then a run of 4 to the row's end; end of line.
  // Top row: nothing, end of picture (pixels stay index 0).
  s.pixels = {3, 1, 0, 3, 2, 3, 2, 0, 0, 0,
              0, 2, 2, 0, 4, 3, 0, 0,
              0, 1};
  const RasterImage r = DecodeBmp(BuildBmp(s), "rle8.bmp");
  const Color black = kBlack, red = MakeColor(255, 0, 0), green = MakeColor(0, 255, 0), blue = MakeColor(0, 0, 255);
  const Color bottom[6] = {red, red, red, green, blue, green};
  const Color middle[6] = {black, black, blue, blue, blue, blue};
  for (int x = 0; x < 6; ++x) {
    EXPECT_EQ(r.GetPixel(x, 2), bottom[x]) << x;
    EXPECT_EQ(r.GetPixel(x, 1), middle[x]) << x;
    EXPECT_EQ(r.GetPixel(x, 0), black) << x;
  }
  BmpLayout f = s;
  f.bits = 4;
  f.compression = 2;
  f.table.resize(16);
  // 5 pixels alternating 1, 2; literal of 3 nibbles 3, 1, 2 (two bytes, padded); end of picture.
  f.width = 8;
  f.height = 1;
  f.pixels = {5, 0x12, 0, 3, 0x31, 0x20, 0, 1};
  const RasterImage g = DecodeBmp(BuildBmp(f), "rle4.bmp");
  ASSERT_EQ(g.Format(), PixelFormat::pf4Bit);
  const Color row[8] = {red, green, red, green, red, blue, red, green};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(g.GetPixel(x, 0), row[x]) << x;
  // Runs may fill the row's padding to a whole 32-bit word, as ImageMagick writes them.
  f.width = 5;
  f.pixels = {8, 0x12, 0, 1};
  const RasterImage odd = DecodeBmp(BuildBmp(f), "rle4-odd.bmp");
  for (int x = 0; x < 5; ++x) EXPECT_EQ(odd.GetPixel(x, 0), x % 2 ? green : red) << x;
}

// Decoding either succeeds or throws our error naming the file.
void ExpectRefused(const std::vector<uint8_t>& bytes, const std::string& why) {
  try {
    DecodeBmp(bytes, "bad-file.bmp");
    ADD_FAILURE() << "accepted: " << why;
  } catch (const TessalinError& e) {
    EXPECT_NE(std::string(e.what()).find("bad-file.bmp"), std::string::npos) << e.what();
  }
}

TEST(BmpRead, TruncatedFilesAreRefusedAtEveryBoundary) {
  RasterImage r = test::MakeRandom24(9, 7, 4);
  ConvertPixelFormat(3, r);
  const std::vector<uint8_t> good = EncodeBmp(r);
  const size_t cuts[] = {0, 1, 2, 10, 13, 14, 17, 18, 30, 53, 54, 54 + 4 * 100, 54 + 1024,
                         54 + 1024 + 12 * 3 + 5, good.size() - 4};
  for (size_t cut : cuts) ExpectRefused({good.begin(), good.begin() + cut}, "cut at " + std::to_string(cut));
  // Compressed data that stops before its end marker.
  BmpLayout s;
  s.width = 4;
  s.height = 2;
  s.bits = 8;
  s.compression = 1;
  s.table.resize(2);
  s.pixels = {4, 1, 0, 0, 2, 1};
  ExpectRefused(BuildBmp(s), "rle without end");
  s.pixels = {0, 5, 1, 1};  // literal of five, two bytes present
  ExpectRefused(BuildBmp(s), "rle literal past the end");
  // Runs and jumps that leave the row (with its padding, 4 pixels here) or the picture.
  s.width = 3;
  s.pixels = {5, 1, 0, 1};
  ExpectRefused(BuildBmp(s), "rle run past the row");
  s.pixels = {2, 1, 0, 3, 1, 1, 1, 0, 0, 1};
  ExpectRefused(BuildBmp(s), "rle literal past the row");
  s.pixels = {0, 2, 5, 0, 0, 1};
  ExpectRefused(BuildBmp(s), "rle jump past the row");
  s.pixels = {0, 2, 1, 2, 1, 1, 0, 1};
  ExpectRefused(BuildBmp(s), "rle jump past the picture");
  s.bits = 4;
  s.compression = 2;
  s.width = 8;
  s.pixels = {9, 0x11, 0, 1};  // 8 nibbles fill the word
  ExpectRefused(BuildBmp(s), "rle4 run past the row");
}

// Uncompressed 24- and 32-bit files are read from the file straight into the
// rows; every such file must load as the decoder makes it of the whole bytes,
// or be refused alike.
TEST(BmpRead, FilesReadStraightIntoRowsMatchTheDecoder) {
  test::TempDir dir;
  std::mt19937 random(5);
  int tried = 0;
  for (uint32_t headerSize : {40u, 108u, 124u})
    for (int bits : {24, 32})
      for (int width : {1, 2, 3, 5, 13})
        for (int height : {1, 4, -3}) {
          BmpLayout s;
          s.headerSize = headerSize;
          s.bits = bits;
          s.width = width;
          s.height = height;
          s.pixels.resize(static_cast<size_t>((width * bits + 31) / 32 * 4 * std::abs(height)));
          for (uint8_t& b : s.pixels) b = static_cast<uint8_t>(random());
          const std::vector<uint8_t> whole = BuildBmp(s);
          // Whole, without the last row's padding, and cut inside the rows.
          for (size_t cut : {size_t{0}, size_t{(4 - width * bits / 8 % 4) % 4}, size_t{5}}) {
            const std::vector<uint8_t> bytes(whole.begin(), whole.end() - static_cast<std::ptrdiff_t>(cut));
            const std::string path = dir.File("f" + std::to_string(tried++) + ".bmp");
            test::WriteBytes(path, bytes);
            bool decoded = true, loaded = true;
            RasterImage expected, got;
            try {
              expected = DecodeBmp(bytes, path);
            } catch (const TessalinError&) {
              decoded = false;
            }
            try {
              got = LoadBmpFile(path);
            } catch (const TessalinError&) {
              loaded = false;
            }
            ASSERT_EQ(decoded, loaded) << path << " cut " << cut;
            if (decoded) ExpectSameRaster(got, expected);
          }
        }
}

TEST(BmpRead, AbsurdSizesAndCountsAreRefusedBeforeAllocating) {
  BmpLayout base;
  base.width = 4;
  base.height = 4;
  base.bits = 24;
  base.pixels.assign(48, 0);
  ASSERT_NO_THROW(DecodeBmp(BuildBmp(base), "ok.bmp"));
  auto with = [&](auto change) {
    BmpLayout s = base;
    change(s);
    return BuildBmp(s);
  };
  ExpectRefused(with([](BmpLayout& s) { s.width = 2000000000; }), "huge width");
  ExpectRefused(with([](BmpLayout& s) { s.width = 30000; s.height = 30000; }), "beyond the pixel limit");
  ExpectRefused(with([](BmpLayout& s) { s.width = 5000; s.height = 5000; }), "longer than the file");
  ExpectRefused(with([](BmpLayout& s) { s.width = 0; }), "zero width");
  ExpectRefused(with([](BmpLayout& s) { s.width = -4; }), "negative width");
  ExpectRefused(with([](BmpLayout& s) { s.height = 0; }), "zero height");
  ExpectRefused(with([](BmpLayout& s) { s.bits = 7; }), "odd depth");
  ExpectRefused(with([](BmpLayout& s) { s.compression = 4; }), "jpeg inside");
  ExpectRefused(with([](BmpLayout& s) { s.compression = 1; }), "rle8 with 24 bits");
  ExpectRefused(with([](BmpLayout& s) { s.headerSize = 41; }), "unknown header");
  ExpectRefused(with([](BmpLayout& s) {
                  s.bits = 8;
                  s.colorsUsed = 1000;
                  s.table.resize(256);
                }),
                "a thousand colours");
  ExpectRefused(with([](BmpLayout& s) {
                  s.bits = 8;
                  s.colorsUsed = 200;
                  s.table.resize(2);  // the table would run into the pixels
                }),
                "table longer than its room");
  ExpectRefused(with([](BmpLayout& s) {
                  s.bits = 16;
                  s.compression = 3;  // masks missing
                  s.pixels.clear();
                }),
                "missing masks");
  std::vector<uint8_t> bad = BuildBmp(base);
  Set32(bad, 10, 100000);  // pixel data offset past the end
  ExpectRefused(bad, "offset past the end");
  bad = BuildBmp(base);
  bad[0] = 'X';
  ExpectRefused(bad, "no signature");
  // Short RLE data cannot claim millions of pixels.
  ExpectRefused(with([](BmpLayout& s) {
                  s.bits = 8;
                  s.compression = 1;
                  s.width = 9000;
                  s.height = 9000;
                  s.table.resize(2);
                  s.pixels = {0, 1};
                }),
                "tiny rle for a huge picture");
}

TEST(BmpRead, DamagedBytesNeverCrash) {
  std::vector<std::vector<uint8_t>> seeds;
  for (int f : {1, 3, 5, 6, 7}) {
    RasterImage r = test::MakeRandom24(11, 6, static_cast<unsigned>(f));
    ConvertPixelFormat(f, r);
    seeds.push_back(EncodeBmp(r));
  }
  BmpLayout rle;
  rle.width = 6;
  rle.height = 3;
  rle.bits = 8;
  rle.compression = 1;
  rle.table.resize(4);
  rle.pixels = {3, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 2, 0, 9, 3, 0, 0, 0, 1};
  seeds.push_back(BuildBmp(rle));
  std::mt19937 rng(99);
  int accepted = 0, refused = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> bytes = seeds[rng() % seeds.size()];
    const int changes = 1 + static_cast<int>(rng() % 4);
    for (int c = 0; c < changes; ++c) {
      // Mostly the headers, where the lengths live.
      const size_t at = (rng() % 3 == 0) ? rng() % bytes.size() : rng() % std::min<size_t>(70, bytes.size());
      bytes[at] = static_cast<uint8_t>(rng());
    }
    if (rng() % 5 == 0) bytes.resize(rng() % bytes.size());
    try {
      const RasterImage r = DecodeBmp(bytes, "fuzz.bmp");
      ASSERT_TRUE(r.HasImage());
      ++accepted;
    } catch (const TessalinError&) {
      ++refused;
    }
  }
  EXPECT_GT(accepted, 0);
  EXPECT_GT(refused, 0);
}

TEST(BmpSave, EmptyPictureIsRefusedAndOldFileKept) {
  test::TempDir dir;
  const std::string path = dir.File("keep.bmp");
  test::WriteBytes(path, {1, 2, 3});
  EXPECT_THROW(SaveBmpFile(RasterImage(), path), TessalinError);
  EXPECT_EQ(test::ReadBytes(path), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_THROW(LoadBmpFile(dir.File("missing.bmp")), TessalinError);
}

// ImageMagick's own reading of a file, as P6 bytes.
struct Ppm {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

Ppm ReadPpm(const std::string& path) {
  const std::vector<uint8_t> bytes = test::ReadBytes(path);
  Ppm p;
  size_t at = 0;
  auto token = [&] {
    while (at < bytes.size() && (isspace(bytes[at]) || bytes[at] == '#')) {
      if (bytes[at] == '#')
        while (at < bytes.size() && bytes[at] != '\n') ++at;
      else
        ++at;
    }
    std::string t;
    while (at < bytes.size() && !isspace(bytes[at])) t += static_cast<char>(bytes[at++]);
    return t;
  };
  EXPECT_EQ(token(), "P6");
  p.width = std::stoi(token());
  p.height = std::stoi(token());
  EXPECT_EQ(token(), "255");
  ++at;
  p.rgb.assign(bytes.begin() + static_cast<long>(at), bytes.end());
  EXPECT_EQ(p.rgb.size(), static_cast<size_t>(p.width) * p.height * 3);
  return p;
}

struct MagickCase {
  const char* name;
  const char* options;
  PixelFormat format;
  int significantBits;  // channel bits the format keeps
};

TEST(BmpInterop, FilesWrittenByImageMagickReadPixelForPixel) {
  test::TempDir dir;
  const std::string src = dir.File("src.ppm");
  ASSERT_EQ(test::RunCommand("convert -size 37x23 gradient:'#ff2010-#1040f0' -swirl 90 " + src), 0);
  const MagickCase cases[] = {
      {"b1", "-monochrome BMP3:", PixelFormat::pf1Bit, 8},
      {"b4", "-colors 16 -type palette -compress None BMP3:", PixelFormat::pf4Bit, 8},
      {"b8", "-colors 200 -type palette -compress None BMP3:", PixelFormat::pf8Bit, 8},
      {"rle8", "-colors 200 -type palette -compress RLE BMP3:", PixelFormat::pf8Bit, 8},
      {"b15", "-define bmp:subtype=RGB555 BMP:", PixelFormat::pf15Bit, 5},
      {"b16", "-define bmp:subtype=RGB565 BMP:", PixelFormat::pf16Bit, 5},
      {"b24", "-type TrueColor BMP3:", PixelFormat::pf24Bit, 8},
      {"b32", "-alpha set -type TrueColorAlpha BMP:", PixelFormat::pf32Bit, 8},
  };
  for (const MagickCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string bmp = dir.File(std::string(c.name) + ".bmp");
    const std::string ppm = dir.File(std::string(c.name) + ".ppm");
    ASSERT_EQ(test::RunCommand("convert " + src + " " + c.options + bmp), 0);
    ASSERT_EQ(test::RunCommand("convert " + bmp + " -alpha off -depth 8 " + ppm), 0);
    const RasterImage ours = LoadBmpFile(bmp);
    EXPECT_EQ(ours.Format(), c.format);
    const Ppm theirs = ReadPpm(ppm);
    ASSERT_EQ(ours.Width(), theirs.width);
    ASSERT_EQ(ours.Height(), theirs.height);
    const RasterImage rgb = As24(ours);
    const int shift = 8 - c.significantBits;
    for (int y = 0; y < rgb.Height(); ++y)
      for (int x = 0; x < rgb.Width(); ++x) {
        const Bgr p = PixelAt(rgb, x, y);
        const uint8_t* q = &theirs.rgb[(static_cast<size_t>(y) * theirs.width + x) * 3];
        // 16-bit files: the stored channel bits must agree (tools widen them differently).
        ASSERT_EQ(p.r >> shift, q[0] >> shift) << x << "," << y;
        ASSERT_EQ(p.g >> shift, q[1] >> shift) << x << "," << y;
        ASSERT_EQ(p.b >> shift, q[2] >> shift) << x << "," << y;
      }
  }
}

TEST(BmpInterop, FilesWrittenHereReadInImageMagick) {
  test::TempDir dir;
  const RasterImage source = test::MakeRandom24(19, 13, 8);
  for (int f = 1; f <= 7; ++f) {
    RasterImage r;
    r.Assign(source);
    ConvertPixelFormat(f, r);
    const std::string bmp = dir.File("ours" + std::to_string(f) + ".bmp");
    const std::string ppm = dir.File("ours" + std::to_string(f) + ".ppm");
    SaveBmpFile(r, bmp);
    ASSERT_EQ(test::RunCommand("convert " + bmp + " -alpha off -depth 8 " + ppm), 0) << f;
    const Ppm theirs = ReadPpm(ppm);
    const RasterImage rgb = As24(r);
    const int shift = (f == 4 || f == 5) ? 3 : 0;
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 19; ++x) {
        const Bgr p = PixelAt(rgb, x, y);
        const uint8_t* q = &theirs.rgb[(static_cast<size_t>(y) * 19 + x) * 3];
        ASSERT_EQ(p.r >> shift, q[0] >> shift) << f << " " << x << "," << y;
        ASSERT_EQ(p.b >> shift, q[2] >> shift) << f << " " << x << "," << y;
      }
  }
}

// Hand-made files (top-down rows, the old core header, RLE with jumps) read
// the same here as in ImageMagick, so the hand-made tests above build real BMPs.
TEST(BmpInterop, HandMadeFilesReadAlikeInImageMagick) {
  test::TempDir dir;
  const RasterImage source = test::MakeRandom24(5, 4, 33);
  BmpLayout top;
  top.width = 5;
  top.height = -4;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) {
      const Bgr p = PixelAt(source, x, y);
      top.pixels.insert(top.pixels.end(), {p.b, p.g, p.r});
    }
    top.pixels.push_back(0);
  }
  BmpLayout core;
  core.headerSize = 12;
  core.width = 3;
  core.height = 2;
  core.bits = 8;
  core.table.resize(256);
  core.table[7] = {10, 20, 30};
  core.table[9] = {200, 100, 50};
  core.pixels = {9, 7, 7, 0, 7, 9, 9, 0};
  BmpLayout rle;
  rle.width = 6;
  rle.height = 3;
  rle.bits = 8;
  rle.compression = 1;
  rle.table = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  // ImageMagick refuses data that leaves rows out, so the top row is coded too.
  rle.pixels = {3, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 2, 0, 6, 3, 0, 0, 6, 2, 0, 1};  // 6 from x 2 fills the padding
  int index = 0;
  for (const BmpLayout* layout : {&top, &core, &rle}) {
    const std::string bmp = dir.File("hand" + std::to_string(index) + ".bmp");
    const std::string ppm = dir.File("hand" + std::to_string(index++) + ".ppm");
    test::WriteBytes(bmp, BuildBmp(*layout));
    ASSERT_EQ(test::RunCommand("convert " + bmp + " -alpha off -depth 8 " + ppm), 0) << bmp;
    const Ppm theirs = ReadPpm(ppm);
    const RasterImage ours = As24(LoadBmpFile(bmp));
    ASSERT_EQ(ours.Width(), theirs.width);
    ASSERT_EQ(ours.Height(), theirs.height);
    for (int y = 0; y < ours.Height(); ++y)
      for (int x = 0; x < ours.Width(); ++x) {
        const Bgr p = PixelAt(ours, x, y);
        const uint8_t* q = &theirs.rgb[(static_cast<size_t>(y) * theirs.width + x) * 3];
        ASSERT_EQ((Bgr{q[2], q[1], q[0]}), p) << bmp << " " << x << "," << y;
      }
  }
}

}  // namespace
}  // namespace tessalin
