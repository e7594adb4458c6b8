// WBMP files against netpbm (wbmptopbm, pbmtowbmp) and ImageMagick (convert).
// netpbm 11 misreads dimensions of three or more bytes and writes 16384 as a
// single 00 byte, so it is compared below width 16384 and ImageMagick above.
#include <gtest/gtest.h>

#include <random>

#include "formats/wbmp_codec.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using Bytes = std::vector<uint8_t>;

class NoPrompts : public UserPrompts {
 public:
  void ShowMessage(const std::string& text) override { ADD_FAILURE() << "unexpected message " << text; }
  bool Confirm(const std::string&) override { return false; }
  bool RunRawImport(const std::string&, RasterImage&) override { return false; }
  void BrowseGifFrames(const std::string&) override {}
};

// A plain bit picture: true = white.
struct Bits {
  int width = 0, height = 0;
  std::vector<bool> white;
  bool At(int x, int y) const { return white[static_cast<size_t>(y) * width + x]; }
  bool operator==(const Bits&) const = default;
};

Bits RandomBits(int width, int height, unsigned seed) {
  std::mt19937 rng(seed);
  Bits b{width, height, std::vector<bool>(static_cast<size_t>(width) * height)};
  for (size_t i = 0; i < b.white.size(); ++i) b.white[i] = rng() & 1;
  return b;
}

// Raw PBM (P4): 1 is black, rows padded to whole bytes.
Bits ParsePbm(const Bytes& file) {
  size_t pos = 0;
  const auto skipSpaceAndComments = [&] {
    while (pos < file.size() && (std::isspace(file[pos]) || file[pos] == '#')) {
      if (file[pos] == '#')
        while (pos < file.size() && file[pos] != '\n') ++pos;
      else ++pos;
    }
  };
  const auto number = [&] {
    skipSpaceAndComments();
    int v = 0;
    while (pos < file.size() && std::isdigit(file[pos])) v = v * 10 + (file[pos++] - '0');
    return v;
  };
  if (file.size() < 2 || file[0] != 'P' || file[1] != '4') throw std::runtime_error("not a raw PBM");
  pos = 2;
  Bits b;
  b.width = number();
  b.height = number();
  ++pos;  // the single whitespace before the rows
  const size_t rowBytes = (static_cast<size_t>(b.width) + 7) / 8;
  if (file.size() < pos + rowBytes * b.height) throw std::runtime_error("PBM too short");
  b.white.resize(static_cast<size_t>(b.width) * b.height);
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x)
      b.white[static_cast<size_t>(y) * b.width + x] = !((file[pos + rowBytes * y + x / 8] >> (7 - x % 8)) & 1);
  return b;
}

Bytes MakePbm(const Bits& b) {
  const std::string head = "P4\n" + std::to_string(b.width) + " " + std::to_string(b.height) + "\n";
  Bytes out(head.begin(), head.end());
  const size_t rowBytes = (static_cast<size_t>(b.width) + 7) / 8;
  const size_t start = out.size();
  out.resize(start + rowBytes * b.height, 0);
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x)
      if (!b.At(x, y)) out[start + rowBytes * y + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  return out;
}

RasterImage PictureOf(const Bits& b) {
  RasterImage picture = NewRaster(PixelFormat::pf24Bit, b.height, b.width);
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x) {
      const uint8_t v = b.At(x, y) ? 255 : 0;
      test::SetPixelAt(picture, x, y, {v, v, v});
    }
  return picture;
}

Bits BitsOf(const RasterImage& raster) {
  Bits b{raster.Width(), raster.Height(), std::vector<bool>(static_cast<size_t>(raster.Width()) * raster.Height())};
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x) b.white[static_cast<size_t>(y) * b.width + x] = raster.GetPixel(x, y) == kWhite;
  return b;
}

Bits ReadOurs(const std::string& path) {
  NoPrompts prompts;
  RasterImage raster;
  if (!ReadWbmp(path, prompts, raster)) throw std::runtime_error("refused " + path);
  return BitsOf(raster);
}

void RunTool(const std::string& command) { ASSERT_EQ(test::RunCommand(command), 0) << command; }

class WbmpInterop : public ::testing::Test {
 protected:
  // Debian's ImageMagick policy stops at 16000 pixels a side; a policy of our
  // own lets it check the wide pictures netpbm cannot.
  void SetUp() override {
    const std::string policy =
        "<policymap>\n"
        "  <policy domain=\"resource\" name=\"width\" value=\"1MP\"/>\n"
        "  <policy domain=\"resource\" name=\"height\" value=\"1MP\"/>\n"
        "</policymap>\n";
    test::WriteBytes(dir.File("policy.xml"), Bytes(policy.begin(), policy.end()));
  }
  std::string Convert(const std::string& from, const std::string& to) const {
    return "MAGICK_CONFIGURE_PATH=" + dir.Path() + " convert " + from + " " + to;
  }
  test::TempDir dir;
};

TEST_F(WbmpInterop, OurFilesDecodeToTheSameBitsInNetpbmAndImageMagick) {
  // A black-and-white picture passes the writer's recipe unchanged at bias 64.
  // ImageMagick is slow on very wide pictures, so it gets one of them.
  const std::pair<int, int> sizes[] = {{1, 1}, {9, 2}, {200, 3}, {129, 130}, {16383, 1}, {16384, 1}};
  unsigned seed = 1;
  for (auto [w, h] : sizes) {
    const Bits bits = RandomBits(w, h, seed++);
    const std::string ours = dir.File("ours.wbmp");
    ASSERT_TRUE(WriteWbmp(PictureOf(bits), ours, 64));
    if (w < 16384) {
      ASSERT_NO_FATAL_FAILURE(RunTool("wbmptopbm " + ours + " > " + dir.File("netpbm.pbm") + " 2>/dev/null"));
      EXPECT_TRUE(ParsePbm(test::ReadBytes(dir.File("netpbm.pbm"))) == bits) << "netpbm " << w << "x" << h;
    }
    if (w == 16383) continue;
    ASSERT_NO_FATAL_FAILURE(RunTool(Convert(ours, dir.File("magick.pbm"))));
    EXPECT_TRUE(ParsePbm(test::ReadBytes(dir.File("magick.pbm"))) == bits) << "ImageMagick " << w << "x" << h;
  }
}

TEST_F(WbmpInterop, FilesWrittenByNetpbmAndImageMagickReadAsTheSamePicture) {
  const std::pair<int, int> sizes[] = {{1, 1}, {13, 5}, {300, 7}, {16383, 1}, {16384, 1}};
  unsigned seed = 50;
  for (auto [w, h] : sizes) {
    const Bits bits = RandomBits(w, h, seed++);
    const std::string pbm = dir.File("in.pbm");
    test::WriteBytes(pbm, MakePbm(bits));
    if (w < 16384) {
      ASSERT_NO_FATAL_FAILURE(RunTool("pbmtowbmp " + pbm + " > " + dir.File("netpbm.wbmp") + " 2>/dev/null"));
      EXPECT_TRUE(ReadOurs(dir.File("netpbm.wbmp")) == bits) << "netpbm " << w << "x" << h;
    }
    if (w == 16383) continue;
    ASSERT_NO_FATAL_FAILURE(RunTool(Convert(pbm, dir.File("magick.wbmp"))));
    EXPECT_TRUE(ReadOurs(dir.File("magick.wbmp")) == bits) << "ImageMagick " << w << "x" << h;
  }
}

TEST_F(WbmpInterop, PaddedDimensionsReadAlikeEverywhere) {
  // 5 x 3 written as 80 05 and 80 80 03, then three one-byte rows.
  const std::string path = dir.File("padded.wbmp");
  test::WriteBytes(path, {0, 0, 0x80, 0x05, 0x80, 0x80, 0x03, 0xA8, 0x50, 0xF8});
  const Bits ours = ReadOurs(path);
  ASSERT_EQ(ours.width, 5);
  ASSERT_EQ(ours.height, 3);
  ASSERT_NO_FATAL_FAILURE(RunTool("wbmptopbm " + path + " > " + dir.File("n.pbm") + " 2>/dev/null"));
  EXPECT_TRUE(ParsePbm(test::ReadBytes(dir.File("n.pbm"))) == ours);
  ASSERT_NO_FATAL_FAILURE(RunTool(Convert(path, dir.File("m.pbm"))));
  EXPECT_TRUE(ParsePbm(test::ReadBytes(dir.File("m.pbm"))) == ours);
}

}  // namespace
}  // namespace tessalin
