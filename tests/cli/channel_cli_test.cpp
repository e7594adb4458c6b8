// tessalin-cli apply channel: the channel dialog's correction from the command line.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/bmp_codec.h"
#include "core/pixel_ops.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using test::PixelAt;
using test::RunCommand;
using test::TempDir;

std::string Q(const std::string& s) { return "'" + s + "'"; }

int Cli(const std::string& args, const TempDir& dir) {
  return RunCommand(std::string(TESSALIN_CLI_PATH) + " apply channel " + args + " 2> " +
                    Q(dir.File("err.txt")));
}

TEST(CliChannel, SaturationMinusOneWritesTheGreyPicture) {
  TempDir dir;
  const RasterImage source = test::MakeRandom24(13, 7, 40);
  SaveBmpFile(source, dir.File("in.bmp"));
  ASSERT_TRUE(test::SamePixels24(LoadBmpFile(dir.File("in.bmp")), source));
  ASSERT_EQ(Cli("--s -1 " + Q(dir.File("in.bmp")) + " " + Q(dir.File("out.bmp")), dir), 0);
  RasterImage out = LoadBmpFile(dir.File("out.bmp"));
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf24Bit), out);
  ASSERT_EQ(out.Width(), 13);
  ASSERT_EQ(out.Height(), 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) {
      const test::Bgr s = PixelAt(source, x, y);
      const uint8_t grey = static_cast<uint8_t>((s.r + s.g + s.b + 1) / 3);  // round(I)
      EXPECT_EQ(PixelAt(out, x, y), (test::Bgr{grey, grey, grey})) << x << "," << y;
    }
}

TEST(CliChannel, RedOffsetSaturatesAndBadRangesAreUsageErrors) {
  TempDir dir;
  SaveBmpFile(test::MakeFlat24(4, 3, 10, 120, 200), dir.File("in.bmp"));
  ASSERT_EQ(Cli("--r 255 " + Q(dir.File("in.bmp")) + " " + Q(dir.File("red.bmp")), dir), 0);
  RasterImage red = LoadBmpFile(dir.File("red.bmp"));
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf24Bit), red);
  EXPECT_GE(PixelAt(red, 1, 1).r, 254);
  EXPECT_EQ(Cli("--r 256 " + Q(dir.File("in.bmp")) + " " + Q(dir.File("bad.bmp")), dir), 2);
  EXPECT_EQ(Cli("--h -361 " + Q(dir.File("in.bmp")) + " " + Q(dir.File("bad.bmp")), dir), 2);
  EXPECT_EQ(Cli("--s 1.5 " + Q(dir.File("in.bmp")) + " " + Q(dir.File("bad.bmp")), dir), 2);
  EXPECT_EQ(Cli("--s abc " + Q(dir.File("in.bmp")) + " " + Q(dir.File("bad.bmp")), dir), 2);
  EXPECT_FALSE(std::filesystem::exists(dir.File("bad.bmp")));
}

}  // namespace
}  // namespace tessalin
