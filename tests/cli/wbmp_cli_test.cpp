// tessalin-cli: convert to and from .wbmp with --bias, apply convolve and apply edge.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/bmp_codec.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using Bytes = std::vector<uint8_t>;
using test::Bgr;
using test::MakeFlat24;
using test::PixelAt;

// Saved pictures come back in whatever pixel format the BMP holds.
RasterImage Load24(const std::string& path) {
  RasterImage picture = LoadBmpFile(path);
  picture.SetPixelFormat(PixelFormat::pf24Bit);
  return picture;
}

class WbmpCli : public ::testing::Test {
 protected:
  int Cli(const std::string& arguments, std::string* output = nullptr) {
    return test::RunCommand(std::string(TESSALIN_CLI_PATH) + " " + arguments + " 2>&1", output);
  }
  std::string Grey(const std::string& name, int w, int h, int v) {
    const std::string path = dir.File(name);
    SaveBmpFile(MakeFlat24(w, h, static_cast<uint8_t>(v), static_cast<uint8_t>(v), static_cast<uint8_t>(v)), path);
    return path;
  }
  test::TempDir dir;
};

TEST_F(WbmpCli, ConvertThresholdFollowsBias) {
  struct Case {
    int grey;
    std::string bias;
    uint8_t rowByte;
  };
  // 10 pixels a row: the second byte holds two of them.
  for (const Case& c : {Case{32, "", 0xFF},
                        {31, "", 0x00},
                        {64, "--bias 0", 0xFF},
                        {63, "--bias 0", 0x00},
                        {1, "--bias 128", 0xFF},
                        {254, "--bias -255", 0x00},
                        {0, "--bias 128", 0x00}}) {
    const std::string in = Grey("g.bmp", 10, 2, c.grey), out = dir.File("g.wbmp");
    ASSERT_EQ(Cli("convert " + c.bias + " " + in + " " + out), 0) << c.grey << " " << c.bias;
    const Bytes file = test::ReadBytes(out);
    const uint8_t second = c.rowByte ? 0xC0 : 0x00;
    EXPECT_EQ(file, (Bytes{0, 0, 10, 2, c.rowByte, second, c.rowByte, second})) << c.grey << " " << c.bias;
  }
}

TEST_F(WbmpCli, WbmpConvertsBackToBlackAndWhite) {
  const std::string in = dir.File("in.wbmp"), out = dir.File("out.bmp");
  test::WriteBytes(in, {0, 0, 3, 2, 0xA0, 0x40});  // rows: white black white / black white black
  ASSERT_EQ(Cli("convert " + in + " " + out), 0);
  RasterImage picture = LoadBmpFile(out);
  ASSERT_EQ(picture.Width(), 3);
  ASSERT_EQ(picture.Height(), 2);
  EXPECT_EQ(picture.GetPixel(0, 0), kWhite);
  EXPECT_EQ(picture.GetPixel(1, 0), kBlack);
  EXPECT_EQ(picture.GetPixel(2, 0), kWhite);
  EXPECT_EQ(picture.GetPixel(0, 1), kBlack);
  EXPECT_EQ(picture.GetPixel(1, 1), kWhite);
  EXPECT_EQ(picture.GetPixel(2, 1), kBlack);
}

TEST_F(WbmpCli, BadWbmpFilesFailWithoutWritingAnything) {
  const std::string notWbmp = dir.File("not.wbmp"), cut = dir.File("cut.wbmp"), out = dir.File("out.bmp");
  test::WriteBytes(notWbmp, {0, 1, 1, 1, 0});
  test::WriteBytes(cut, {0, 0, 8, 4, 0xFF});
  std::string text;
  EXPECT_EQ(Cli("convert " + notWbmp + " " + out, &text), 1);
  EXPECT_NE(text.find("not.wbmp: not a WBMP file"), std::string::npos) << text;
  EXPECT_EQ(Cli("convert " + cut + " " + out, &text), 1);
  EXPECT_NE(text.find(cut), std::string::npos) << text;
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(WbmpCli, ApplyConvolveWithChannelAndBias) {
  const std::string in = Grey("flat.bmp", 4, 3, 200), out = dir.File("c.bmp");
  // Sharpning2 doubles a flat picture; the I output clamps before the offset.
  ASSERT_EQ(Cli("apply convolve 2 --channel 6 --bias -20 " + in + " " + out), 0);
  EXPECT_EQ(PixelAt(Load24(out), 3, 2), (Bgr{235, 235, 235}));
  ASSERT_EQ(Cli("apply convolve 2 --channel 0 --bias -20 " + in + " " + out), 0);
  EXPECT_EQ(PixelAt(Load24(out), 0, 0), (Bgr{255, 255, 255}));
  ASSERT_EQ(Cli("apply convolve 7 --channel 3 " + in + " " + out), 0);  // bias 0 by default
  EXPECT_EQ(PixelAt(Load24(out), 1, 1), (Bgr{0, 0, 0}));
}

TEST_F(WbmpCli, ApplyEdgeMarksALonePixel) {
  RasterImage picture = MakeFlat24(5, 5, 0, 0, 0);
  test::SetPixelAt(picture, 2, 2, {0, 0, 90});
  const std::string in = dir.File("dot.bmp"), out = dir.File("e.bmp");
  SaveBmpFile(picture, in);
  ASSERT_EQ(Cli("apply edge 0 --channel 3 --bias 5 " + in + " " + out), 0);
  const RasterImage edges = Load24(out);
  EXPECT_EQ(PixelAt(edges, 2, 2), (Bgr{5, 5, 5}));   // the difference operator skips the centre
  EXPECT_EQ(PixelAt(edges, 1, 1), (Bgr{5, 5, 95}));  // red only
  EXPECT_EQ(PixelAt(edges, 0, 0), (Bgr{5, 5, 5}));
  ASSERT_EQ(Cli("apply edge 1 --channel 0 " + in + " " + out), 0);
  EXPECT_EQ(PixelAt(Load24(out), 2, 2), (Bgr{90, 90, 90}));
  // The HSI outputs: the dot's intensity is 90 / 3.
  ASSERT_EQ(Cli("apply edge 0 --channel 6 --bias 5 " + in + " " + out), 0);
  EXPECT_EQ(PixelAt(Load24(out), 1, 1), (Bgr{35, 35, 35}));
  EXPECT_EQ(PixelAt(Load24(out), 0, 0), (Bgr{5, 5, 5}));
}

TEST_F(WbmpCli, ConvolveOffsetIsTheBiasOfAFollowingWbmpSave) {
  // Blouring keeps grey 40; with the offset 0 as shared bias 80 < 128 is black,
  // where the start value 64 would have made it white.
  const std::string in = Grey("g40.bmp", 8, 1, 40), out = dir.File("b.wbmp");
  ASSERT_EQ(Cli("apply convolve 0 --channel 3 --bias 0 " + in + " " + out), 0);
  EXPECT_EQ(test::ReadBytes(out), (Bytes{0, 0, 8, 1, 0x00}));
}

TEST_F(WbmpCli, BadArgumentsAreUsageErrors) {
  const std::string in = Grey("x.bmp", 2, 2, 9), out = dir.File("y.bmp");
  EXPECT_EQ(Cli("apply convolve 12 --channel 0 " + in + " " + out), 2);
  EXPECT_EQ(Cli("apply convolve 2 " + in + " " + out), 2);
  EXPECT_EQ(Cli("apply convolve 2 --channel 8 " + in + " " + out), 2);
  EXPECT_EQ(Cli("apply edge 2 --channel 0 " + in + " " + out), 2);
  EXPECT_EQ(Cli("apply edge 1 --channel 0 --bias x " + in + " " + out), 2);
  EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace tessalin
