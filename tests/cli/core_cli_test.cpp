// tessalin-cli on BMP files written by ImageMagick: info, convert and the
// pixel operations, with every result read back by ImageMagick and checked
// against the rules computed here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <functional>
#include <string>

#include "support/test_pictures.h"

namespace tessalin {
namespace {

const std::string kCli = TESSALIN_CLI_PATH;

struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // R, G, B per pixel, top row first
  const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

// ImageMagick's reading of any picture file.
Picture ReadWithMagick(const test::TempDir& dir, const std::string& file) {
  const std::string ppm = dir.File("magick-read.ppm");
  EXPECT_EQ(test::RunCommand("convert " + file + " -alpha off -depth 8 " + ppm), 0) << file;
  const std::vector<uint8_t> bytes = test::ReadBytes(ppm);
  Picture p;
  size_t at = 0;
  auto token = [&] {
    while (at < bytes.size() && std::isspace(bytes[at])) ++at;
    std::string t;
    while (at < bytes.size() && !std::isspace(bytes[at])) t += static_cast<char>(bytes[at++]);
    return t;
  };
  EXPECT_EQ(token(), "P6");
  p.width = std::stoi(token());
  p.height = std::stoi(token());
  EXPECT_EQ(token(), "255");
  ++at;
  p.rgb.assign(bytes.begin() + static_cast<long>(std::min(at, bytes.size())), bytes.end());
  EXPECT_EQ(p.rgb.size(), static_cast<size_t>(p.width) * p.height * 3);
  return p;
}

int Cli(const std::string& args, std::string* out = nullptr) {
  return test::RunCommand(kCli + " " + args + " 2>/dev/null", out);
}

class CoreCli : public ::testing::Test {
 protected:
  void SetUp() override {
    input_ = dir_.File("in.bmp");
    // A swirled gradient with noise: every channel varies, rows differ.
    ASSERT_EQ(test::RunCommand("convert -size 41x27 gradient:'#f01040-#20e0a0' -swirl 120 "
                               "-attenuate 0.6 +noise Uniform -type TrueColor BMP3:" + input_),
              0);
    source_ = ReadWithMagick(dir_, input_);
  }

  // Runs `apply OP` and checks every result pixel against `rule(x, y)`.
  void ExpectApply(const std::string& op, const std::function<void(int, int, uint8_t*)>& rule) {
    SCOPED_TRACE(op);
    const std::string out = dir_.File("out.bmp");
    ASSERT_EQ(Cli("apply " + op + " " + input_ + " " + out), 0);
    const Picture result = ReadWithMagick(dir_, out);
    ASSERT_EQ(result.width, source_.width);
    ASSERT_EQ(result.height, source_.height);
    for (int y = 0; y < result.height; ++y)
      for (int x = 0; x < result.width; ++x) {
        uint8_t want[3];
        rule(x, y, want);
        const uint8_t* got = result.At(x, y);
        ASSERT_TRUE(got[0] == want[0] && got[1] == want[1] && got[2] == want[2])
            << x << "," << y << ": " << int(got[0]) << " " << int(got[1]) << " " << int(got[2]) << " want "
            << int(want[0]) << " " << int(want[1]) << " " << int(want[2]);
      }
  }

  test::TempDir dir_;
  std::string input_;
  Picture source_;
};

TEST_F(CoreCli, InfoPrintsWidthHeightAndBits) {
  std::string out;
  ASSERT_EQ(Cli("info " + input_, &out), 0);
  EXPECT_EQ(out, "41 27 24\n");
  const std::string mono = dir_.File("mono.bmp");
  ASSERT_EQ(test::RunCommand("convert " + input_ + " -monochrome BMP3:" + mono), 0);
  ASSERT_EQ(Cli("info " + mono, &out), 0);
  EXPECT_EQ(out, "41 27 1\n");
}

TEST_F(CoreCli, ConvertKeepsEveryPixel) {
  const std::string out = dir_.File("copy.bmp");
  ASSERT_EQ(Cli("convert " + input_ + " " + out), 0);
  const Picture copy = ReadWithMagick(dir_, out);
  EXPECT_EQ(copy.width, source_.width);
  EXPECT_EQ(copy.rgb, source_.rgb);
}

TEST_F(CoreCli, GrayScaleAndMonochromeFollowTheirFormulas) {
  ExpectApply("etc-model 0", [&](int x, int y, uint8_t* w) {
    const uint8_t* s = source_.At(x, y);
    const long double sum = (long double)0.3 * s[0] + (long double)0.59 * s[1] + (long double)0.11 * s[2];
    w[0] = w[1] = w[2] = static_cast<uint8_t>(std::nearbyintl(sum));
  });
  ExpectApply("etc-model 1", [&](int x, int y, uint8_t* w) {
    const int R = source_.At(x, y)[0], G = source_.At(x, y)[1], B = source_.At(x, y)[2];
    const bool white = 77 * R + 150 * G + 29 * B > 32512 && 77 * R + 29 * G + 150 * B > 32512 &&
                       150 * R + 77 * G + 29 * B > 32512 && 150 * R + 29 * G + 77 * B > 32512 &&
                       29 * R + 150 * G + 77 * B > 32512 && 29 * R + 77 * G + 150 * B > 32512;
    w[0] = w[1] = w[2] = white ? 255 : 0;
  });
  ExpectApply("etc-model 2", [&](int x, int y, uint8_t* w) {
    for (int c = 0; c < 3; ++c) w[c] = static_cast<uint8_t>(255 - source_.At(x, y)[c]);
  });
}

TEST_F(CoreCli, ChannelModelsAndMirrors) {
  ExpectApply("rgb-model 0", [&](int x, int y, uint8_t* w) { w[0] = w[1] = w[2] = source_.At(x, y)[0]; });
  ExpectApply("rgb-model 2", [&](int x, int y, uint8_t* w) { w[0] = w[1] = w[2] = source_.At(x, y)[2]; });
  ExpectApply("hsi-model 2", [&](int x, int y, uint8_t* w) {
    const uint8_t* s = source_.At(x, y);
    const long double i = static_cast<double>(static_cast<long double>(s[0] + s[1] + s[2]) / 3);
    w[0] = w[1] = w[2] = static_cast<uint8_t>(std::nearbyintl(i));
  });
  ExpectApply("mirror 0", [&](int x, int y, uint8_t* w) {
    std::copy_n(source_.At(source_.width - 1 - x, y), 3, w);
  });
  ExpectApply("mirror 1", [&](int x, int y, uint8_t* w) {
    std::copy_n(source_.At(x, source_.height - 1 - y), 3, w);
  });
}

TEST_F(CoreCli, HsiCompositeOfPureColours) {
  // Red, green, blue, white, black side by side.
  const std::string in = dir_.File("pure.bmp");
  ASSERT_EQ(test::RunCommand("convert -size 1x1 xc:red xc:lime xc:blue xc:white xc:black +append "
                             "-type TrueColor BMP3:" + in),
            0);
  const std::string out = dir_.File("pure-hsi.bmp");
  ASSERT_EQ(Cli("apply hsi-model 3 " + in + " " + out), 0);
  const Picture p = ReadWithMagick(dir_, out);
  ASSERT_EQ(p.width, 5);
  // Red byte h, green byte s, blue byte i; green's hue is a hair below 120 and blue's above 240.
  const uint8_t want[5][3] = {{0, 255, 85}, {85, 255, 85}, {170, 255, 85}, {0, 0, 255}, {0, 0, 0}};
  for (int x = 0; x < 5; ++x)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(p.At(x, 0)[c], want[x][c]) << x << " " << c;
}

TEST_F(CoreCli, PixelFormatOneBitGivesNearerOfBlackAndWhite) {
  ExpectApply("pixel-format 1", [&](int x, int y, uint8_t* w) {
    const uint8_t* s = source_.At(x, y);
    int toBlack = 0, toWhite = 0;
    for (int c = 0; c < 3; ++c) {
      toBlack += s[c] * s[c];
      toWhite += (255 - s[c]) * (255 - s[c]);
    }
    w[0] = w[1] = w[2] = toWhite < toBlack ? 255 : 0;
  });
  // True-colour layouts keep the channels to their precision.
  ExpectApply("pixel-format 7", [&](int x, int y, uint8_t* w) { std::copy_n(source_.At(x, y), 3, w); });
  ExpectApply("pixel-format 0", [&](int x, int y, uint8_t* w) { std::copy_n(source_.At(x, y), 3, w); });
  ExpectApply("pixel-format 4", [&](int x, int y, uint8_t* w) {
    for (int c = 0; c < 3; ++c) {
      const int v = source_.At(x, y)[c] >> 3;
      w[c] = static_cast<uint8_t>((v << 3) | (v >> 2));
    }
  });
}

TEST_F(CoreCli, BadFilesExitOneAndBadUsageExitTwo) {
  const std::string out = dir_.File("never.bmp");
  const std::string broken = dir_.File("broken.bmp");
  std::vector<uint8_t> bytes = test::ReadBytes(input_);
  bytes.resize(100);  // header intact, pixels cut
  test::WriteBytes(broken, bytes);
  std::string message;
  EXPECT_EQ(test::RunCommand(kCli + " info " + broken + " 2>&1", &message), 1);
  EXPECT_NE(message.find("broken.bmp"), std::string::npos) << message;
  EXPECT_EQ(Cli("apply etc-model 0 " + broken + " " + out), 1);
  EXPECT_EQ(Cli("convert " + dir_.File("missing.bmp") + " " + out), 1);
  EXPECT_FALSE(std::ifstream(out).good());

  EXPECT_EQ(Cli("apply etc-model 3 " + input_ + " " + out), 2);
  EXPECT_EQ(Cli("apply pixel-format 8 " + input_ + " " + out), 2);
  EXPECT_EQ(Cli("apply mirror x " + input_ + " " + out), 2);
  EXPECT_EQ(Cli("apply no-such-op 1 " + input_ + " " + out), 2);
  EXPECT_EQ(Cli("apply etc-model 0 " + input_), 2);
  EXPECT_EQ(Cli("info"), 2);
  EXPECT_EQ(Cli("frobnicate"), 2);
  EXPECT_FALSE(std::ifstream(out).good());
  std::string help;
  EXPECT_EQ(Cli("--help", &help), 0);
  EXPECT_NE(help.find("etc-model"), std::string::npos);
}

}  // namespace
}  // namespace tessalin
