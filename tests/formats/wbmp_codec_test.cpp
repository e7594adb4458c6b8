#include "formats/wbmp_codec.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "core/palette.h"
#include "core/tessalin_error.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using Bytes = std::vector<uint8_t>;
using test::MakeFlat24;
using test::SetPixelAt;

class RecordingPrompts : public UserPrompts {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  bool Confirm(const std::string&) override { return false; }
  bool RunRawImport(const std::string&, RasterImage&) override { return false; }
  void BrowseGifFrames(const std::string&) override {}
  std::vector<std::string> messages;
};

Bytes Encoded(uint32_t value) {
  Bytes out;
  WriteWbmpInteger(out, value);
  return out;
}

uint32_t Decoded(const Bytes& bytes, size_t* end = nullptr) {
  size_t pos = 0;
  const uint32_t v = ReadWbmpInteger(bytes, pos, "x.wbmp");
  if (end) *end = pos;
  return v;
}

// Bit x of row y of a decoded file body, 1 = white.
bool WhiteAt(const Bytes& file, size_t header, int width, int x, int y) {
  const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
  return (file[header + rowBytes * y + x / 8] >> (7 - x % 8)) & 1;
}

TEST(WbmpInteger, ShortestGroupsMostSignificantFirst) {
  EXPECT_EQ(Encoded(0), (Bytes{0x00}));
  EXPECT_EQ(Encoded(127), (Bytes{0x7F}));
  EXPECT_EQ(Encoded(128), (Bytes{0x81, 0x00}));
  EXPECT_EQ(Encoded(200), (Bytes{0x81, 0x48}));
  EXPECT_EQ(Encoded(300), (Bytes{0x82, 0x2C}));
  EXPECT_EQ(Encoded(16383), (Bytes{0xFF, 0x7F}));
  EXPECT_EQ(Encoded(16384), (Bytes{0x81, 0x80, 0x00}));
  EXPECT_EQ(Encoded(268435455), (Bytes{0xFF, 0xFF, 0xFF, 0x7F}));
  for (uint32_t v : {0u, 1u, 127u, 128u, 200u, 300u, 16383u, 16384u, 2097151u, 2097152u, 268435455u}) {
    size_t end = 0;
    EXPECT_EQ(Decoded(Encoded(v), &end), v);
    EXPECT_EQ(end, Encoded(v).size());
  }
}

TEST(WbmpInteger, ReaderAcceptsPaddingButNotAFifthByteOrAnEarlyEnd) {
  EXPECT_EQ(Decoded({0x80, 0x05}), 5u);
  EXPECT_EQ(Decoded({0x80, 0x80, 0x80, 0x05}), 5u);
  EXPECT_THROW(Decoded({0x80, 0x80, 0x80, 0x80, 0x05}), TessalinError);
  EXPECT_THROW(Decoded({0x81}), TessalinError);
  EXPECT_THROW(Decoded({}), TessalinError);
  try {
    Decoded({0x81});
  } catch (const TessalinError& e) {
    EXPECT_NE(std::string(e.what()).find("x.wbmp"), std::string::npos);
  }
}

TEST(WbmpWriter, OnePixelFilesAtTheStartBias) {
  EXPECT_EQ(EncodeWbmp(MakeFlat24(1, 1, 0, 0, 0), 64), (Bytes{0, 0, 1, 1, 0x00}));
  EXPECT_EQ(EncodeWbmp(MakeFlat24(1, 1, 255, 255, 255), 64), (Bytes{0, 0, 1, 1, 0x80}));
}

TEST(WbmpWriter, FlatGreyThresholdsFollowTheBias) {
  // White when min(2 v, 255) + bias >= 128.
  struct Case {
    int grey, bias;
    bool white;
  };
  // Flat black and flat white are black and white pictures, written as they are.
  for (const Case c : {Case{32, 64, true},
                       {31, 64, false},
                       {64, 0, true},
                       {63, 0, false},
                       {1, 128, true},
                       {254, 128, true},
                       {254, -255, false},
                       {1, -255, false},
                       {100, -72, true},
                       {100, -73, false},
                       {0, 128, false},
                       {255, -255, true}}) {
    const uint8_t g = static_cast<uint8_t>(c.grey);
    const Bytes file = EncodeWbmp(MakeFlat24(13, 3, g, g, g), c.bias);
    ASSERT_EQ(file.size(), 4u + 2 * 3);
    for (int y = 0; y < 3; ++y) {
      // 13 pixels: the second byte holds 5 of them, the low 3 bits stay clear.
      EXPECT_EQ(file[4 + 2 * y], c.white ? 0xFF : 0x00) << c.grey << " " << c.bias;
      EXPECT_EQ(file[5 + 2 * y], c.white ? 0xF8 : 0x00) << c.grey << " " << c.bias;
    }
  }
}

TEST(WbmpWriter, NinthPixelGoesToTheTopBitOfTheSecondByte) {
  RasterImage picture = MakeFlat24(9, 1, 0, 0, 0);
  SetPixelAt(picture, 8, 0, {255, 255, 255});
  EXPECT_EQ(EncodeWbmp(picture, 0), (Bytes{0, 0, 9, 1, 0x00, 0x80}));
  EXPECT_EQ(EncodeWbmp(MakeFlat24(200, 1, 0, 0, 0), 0).size(), 2u + 2 + 1 + 25);
  EXPECT_EQ(EncodeWbmp(MakeFlat24(200, 1, 0, 0, 0), 0)[2], 0x81);
  EXPECT_EQ(EncodeWbmp(MakeFlat24(200, 1, 0, 0, 0), 0)[3], 0x48);
}

TEST(WbmpWriter, BlackAndWhitePicturesAreWrittenAsTheyAreAtEveryBias) {
  std::mt19937 rng(9);
  RasterImage picture = NewRaster(PixelFormat::pf24Bit, 11, 19);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 19; ++x) {
      const uint8_t v = (rng() & 1) ? 255 : 0;
      SetPixelAt(picture, x, y, {v, v, v});
    }
  for (int bias : {-1000, -255, -128, -127, -64, -1, 0, 1, 64, 127, 128, 255, 1000}) {
    const Bytes file = EncodeWbmp(picture, bias);
    for (int y = 0; y < 11; ++y)
      for (int x = 0; x < 19; ++x)
        ASSERT_EQ(WhiteAt(file, 4, 19, x, y), test::PixelAt(picture, x, y).r == 255) << bias << " " << x << "," << y;
  }
}

// The one-pass writer against the recipe run step by step through the engines.
TEST(WbmpWriter, SameBytesAsTheStepByStepRecipe) {
  const std::pair<int, int> sizes[] = {{1, 1}, {1, 8}, {8, 1}, {9, 2}, {15, 7}, {16, 3}, {17, 17}, {63, 5}, {300, 260}};
  unsigned seed = 100;
  for (auto [w, h] : sizes) {
    const RasterImage random = test::MakeRandom24(w, h, seed++);
    const RasterImage gradient = test::MakeGradient(w, h);
    for (int bias : {64, 0, 128, -255, -40, 17, 1000})
      for (const RasterImage* picture : {&random, &gradient})
        ASSERT_EQ(EncodeWbmp(*picture, bias), EncodeWbmpByRecipe(*picture, bias)) << w << "x" << h << " bias " << bias;
  }
  // Other pixel formats are read as 24-bit rows.
  for (PixelFormat format : {PixelFormat::pfDevice, PixelFormat::pf16Bit, PixelFormat::pf8Bit}) {
    RasterImage other;
    other.Assign(test::MakeRandom24(21, 13, 7));
    other.SetPixelFormat(format);
    EXPECT_EQ(EncodeWbmp(other, 64), EncodeWbmpByRecipe(other, 64)) << PixelFormatName(format);
  }
  RasterImage indexed;
  indexed.Assign(test::MakeGradient(21, 13));
  indexed.SetPalette(CreateBlackWhitePalette());
  indexed.SetPixelFormat(PixelFormat::pf1Bit);
  EXPECT_EQ(EncodeWbmp(indexed, 64), EncodeWbmpByRecipe(indexed, 64));
}

class WbmpFiles : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const Bytes& bytes) {
    const std::string path = dir.File(name);
    test::WriteBytes(path, bytes);
    return path;
  }
  test::TempDir dir;
  RecordingPrompts prompts;
};

TEST_F(WbmpFiles, ReadsRowsByteForByteKeepingUnusedBits) {
  // 10 x 2: two bytes a row; the low bits of the second byte are kept as stored.
  const std::string path = Write("a.wbmp", {0, 0, 10, 2, 0xA5, 0xC3, 0x0F, 0x7F, 0xEE /* ignored */});
  RasterImage picture;
  ASSERT_TRUE(ReadWbmp(path, prompts, picture));
  EXPECT_TRUE(prompts.messages.empty());
  ASSERT_EQ(picture.Format(), PixelFormat::pf1Bit);
  ASSERT_EQ(picture.Width(), 10);
  ASSERT_EQ(picture.Height(), 2);
  EXPECT_EQ(picture.Row(0)[0], 0xA5);
  EXPECT_EQ(picture.Row(0)[1], 0xC3);
  EXPECT_EQ(picture.Row(1)[0], 0x0F);
  EXPECT_EQ(picture.Row(1)[1], 0x7F);
  EXPECT_EQ(picture.GetPixel(0, 0), kWhite);  // a set bit is white
  EXPECT_EQ(picture.GetPixel(1, 0), kBlack);
  EXPECT_EQ(picture.GetPixel(9, 0), kWhite);
}

TEST_F(WbmpFiles, PaddedAndLongDimensionsRead) {
  const std::string path = Write("p.wbmp", {0, 0, 0x80, 0x05, 0x81, 0x48, });
  RasterImage picture;
  // 5 x 200 needs 200 row bytes, which this file lacks.
  EXPECT_THROW(ReadWbmp(path, prompts, picture), TessalinError);
  Bytes full = {0, 0, 0x80, 0x05, 0x81, 0x48};
  full.resize(full.size() + 200, 0xF8);
  ASSERT_TRUE(ReadWbmp(Write("q.wbmp", full), prompts, picture));
  EXPECT_EQ(picture.Width(), 5);
  EXPECT_EQ(picture.Height(), 200);
}

TEST_F(WbmpFiles, NonWbmpFilesAreRefusedWithTheMessage) {
  for (const Bytes& bytes : {Bytes{1, 0, 1, 1, 0}, Bytes{0, 1, 1, 1, 0}, Bytes{'B', 'M', 0, 0}}) {
    prompts.messages.clear();
    RasterImage picture = MakeFlat24(2, 2, 1, 2, 3);
    EXPECT_FALSE(ReadWbmp(Write("n.wbmp", bytes), prompts, picture));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], "해당 화일은 Wap-Bitmap 형식이 아닙니다");
    EXPECT_EQ(picture.Width(), 2);  // untouched
  }
}

TEST_F(WbmpFiles, ZeroWidthOrHeightIsAnErrorNamingTheFile) {
  for (const Bytes& bytes : {Bytes{0, 0, 0, 5}, Bytes{0, 0, 7, 0}, Bytes{0, 0, 0x80, 0, 1, 0}}) {
    RasterImage picture = NewRaster(PixelFormat::pf1Bit, 2, 2);
    const std::string path = Write("z.wbmp", bytes);
    try {
      ReadWbmp(path, prompts, picture);
      ADD_FAILURE() << "accepted an empty picture";
    } catch (const TessalinError& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    EXPECT_EQ(picture.Width(), 2);  // the caller's raster is left alone
  }
}

TEST_F(WbmpFiles, BrokenFilesThrowNamingTheFile) {
  const Bytes broken[] = {
      {},                                               // empty
      {0},                                              // one byte
      {0, 0},                                           // no width
      {0, 0, 0x81},                                     // width cut short
      {0, 0, 3},                                        // no height
      {0, 0, 3, 2, 0xFF},                               // second row missing
      {0, 0, 0x80, 0x80, 0x80, 0x80, 0x01, 1, 0},       // width of five bytes
      {0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3},  // 2^28 x 2^28 announced
      {0, 0, 0x88, 0x80, 0x80, 0x00, 0x88, 0x80, 0x80, 0x00},          // beyond the pixel limit, no rows
  };
  for (const Bytes& bytes : broken) {
    const std::string path = Write("broken.wbmp", bytes);
    RasterImage picture = MakeFlat24(2, 2, 1, 2, 3);
    try {
      ReadWbmp(path, prompts, picture);
      ADD_FAILURE() << "no error for a file of " << bytes.size() << " bytes";
    } catch (const TessalinError& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    EXPECT_EQ(picture.Width(), 2);
    EXPECT_TRUE(prompts.messages.empty());
  }
  RasterImage picture;
  EXPECT_THROW(ReadWbmp(dir.File("missing.wbmp"), prompts, picture), TessalinError);
}

TEST_F(WbmpFiles, PictureWithinThePixelLimitButMissingRowsIsRefusedBeforeAllocating) {
  // 10000 x 10000 announced in a 14-byte file.
  const std::string path = Write("big.wbmp", {0, 0, 0xCE, 0x10, 0xCE, 0x10, 1, 2, 3, 4, 5, 6, 7, 8});
  RasterImage picture;
  EXPECT_THROW(ReadWbmp(path, prompts, picture), TessalinError);
}

TEST_F(WbmpFiles, SaveReadSaveKeepsHeaderAndBits) {
  std::mt19937 rng(3);
  RasterImage picture = NewRaster(PixelFormat::pf24Bit, 130, 201);
  for (int y = 0; y < 130; ++y)
    for (int x = 0; x < 201; ++x) {
      const uint8_t v = (rng() % 3 == 0) ? 255 : 0;
      SetPixelAt(picture, x, y, {v, v, v});
    }
  const std::string path = dir.File("round.wbmp");
  ASSERT_TRUE(WriteWbmp(picture, path, 64));
  const Bytes first = test::ReadBytes(path);
  EXPECT_EQ(Bytes(first.begin(), first.begin() + 6), (Bytes{0, 0, 0x81, 0x49, 0x81, 0x02}));
  RasterImage loaded;
  ASSERT_TRUE(ReadWbmp(path, prompts, loaded));
  for (int y = 0; y < 130; ++y)
    for (int x = 0; x < 201; ++x) ASSERT_EQ(loaded.GetPixel(x, y), picture.GetPixel(x, y)) << x << "," << y;
  ASSERT_TRUE(WriteWbmp(loaded, path, 64));
  EXPECT_EQ(test::ReadBytes(path), first);
}

TEST_F(WbmpFiles, FailedWriteKeepsTheOldFile) {
  const std::string path = Write("keep.wbmp", {0, 0, 1, 1, 0x80});
  EXPECT_THROW(WriteWbmp(MakeFlat24(2, 2, 0, 0, 0), dir.File("no/such/folder/x.wbmp"), 64), TessalinError);
  // A folder in the way of the rename: the write fails, nothing beside it is left.
  std::filesystem::create_directory(dir.File("folder.wbmp"));
  EXPECT_THROW(WriteWbmp(MakeFlat24(2, 2, 0, 0, 0), dir.File("folder.wbmp"), 64), TessalinError);
  ASSERT_TRUE(WriteWbmp(MakeFlat24(3, 1, 0, 0, 0), path, 64));
  EXPECT_EQ(test::ReadBytes(path), (Bytes{0, 0, 3, 1, 0x00}));
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 2);  // keep.wbmp and folder.wbmp, no temporary file
}

}  // namespace
}  // namespace tessalin
