// tessalin-cli apply dither, rotate90, rotate, scale, reduce, magnify.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/bmp_codec.h"
#include "core/pixel_ops.h"
#include "processing/dither.h"
#include "processing/rotate.h"
#include "processing/scale.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using test::MakeRandom24;
using test::RunCommand;
using test::SamePixels24;

// Saved pictures may come back in another layout; compare their colours.
RasterImage Load24(const std::string& path) {
  RasterImage image = LoadBmpFile(path);
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf24Bit), image);
  return image;
}

class ApplyCli : public ::testing::Test {
 protected:
  void SetUp() override {
    source_ = MakeRandom24(41, 29, 17);
    SaveBmpFile(source_, In());
  }
  std::string In() const { return dir_.File("in.bmp"); }
  int Apply(const std::string& words, std::string* output = nullptr) const {
    return RunCommand(std::string(TESSALIN_CLI_PATH) + " apply " + words + " 2>&1", output);
  }
  RasterImage Out(const std::string& name) const { return Load24(dir_.File(name)); }

  test::TempDir dir_;
  RasterImage source_;
};

TEST_F(ApplyCli, DitherWritesTheFourChannelsWithTheirSuffixes) {
  ASSERT_EQ(Apply("dither 2 " + In() + " " + dir_.File("fs.bmp")), 0);
  const DitherResults fs = FloydSteinbergDither(source_, 128);  // the default threshold
  const char* suffixes[4] = {"_R", "_G", "_B", "_I"};
  for (int ch = 0; ch < 4; ++ch)
    EXPECT_TRUE(SamePixels24(Out(std::string("fs") + suffixes[ch] + ".bmp"), fs[ch]));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("fs.bmp")));

  ASSERT_EQ(Apply("dither 4 --threshold 90 " + In() + " " + dir_.File("st.bmp")), 0);
  EXPECT_TRUE(SamePixels24(Out("st_I.bmp"), WideKernelDither(source_, 90, 4)[3]));
  ASSERT_EQ(Apply("dither 1 " + In() + " " + dir_.File("od.bmp")), 0);
  EXPECT_TRUE(SamePixels24(Out("od_G.bmp"), OrderedDither(source_, 1)[1]));
  ASSERT_EQ(Apply("dither 5 --threshold -3 " + In() + " " + dir_.File("cu.bmp")), 0);
  EXPECT_TRUE(SamePixels24(Out("cu_B.bmp"), CustomThresholdDither(source_, -3)[2]));
}

TEST_F(ApplyCli, FurtherDitherMethodsAndOptionsByName) {
  struct Case {
    std::string words;
    int kind, threshold;
    DiffusionOptions options;
  };
  const Case cases[] = {{"atkinson", 6, 128, {}},
                        {"burkes --threshold 90", 7, 90, {}},
                        {"sierra", 8, 128, {}},
                        {"sierra-two-row", 9, 128, {}},
                        {"sierra-lite", 10, 128, {}},
                        {"bayer-8", 11, 128, {}},
                        {"blue-noise", 12, 128, {}},
                        {"floyd-steinberg --strength 60 --linear", 2, 128, {60, true}},
                        {"stucki --strength 0 --threshold 90", 4, 90, {0, false}}};
  for (const Case& c : cases) {
    const std::string out = dir_.File("d" + std::to_string(c.kind) + ".bmp");
    ASSERT_EQ(Apply("dither " + c.words + " --channel i " + In() + " " + out), 0) << c.words;
    EXPECT_TRUE(SamePixels24(Load24(out), DitherByKind(source_, c.kind, c.threshold, c.options)[3]))
        << c.words;
  }
}

TEST_F(ApplyCli, RotationAndScalingReachTheirEngines) {
  struct Case {
    std::string words;
    RasterImage expected;
  };
  Case cases[] = {{"rotate90", RotateImage90(source_)},
                  {"rotate -90", RotateImage(source_, false, -90)},
                  {"rotate 45 --fit", RotateImage(source_, true, 45)},
                  {"scale 75", ScaleByMenuTag(source_, 75)},
                  {"scale 300", ScaleByMenuTag(source_, 300)},
                  {"reduce 2.5", ReduceImage(source_, 2.5, 2.5)},
                  {"magnify 1.5", MagnifyImage(source_, 1.5, 1.5)}};
  int n = 0;
  for (const Case& c : cases) {
    const std::string out = dir_.File("out" + std::to_string(n++) + ".bmp");
    ASSERT_EQ(Apply(c.words + " " + In() + " " + out), 0) << c.words;
    EXPECT_TRUE(SamePixels24(Load24(out), c.expected)) << c.words;
  }
}

TEST_F(ApplyCli, IndexedInputsAreConvertedTo24BitsFirst) {
  RasterImage eight;
  eight.Assign(source_);
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf8Bit), eight);
  SaveBmpFile(eight, dir_.File("eight.bmp"));
  RasterImage as24;
  as24 = LoadBmpFile(dir_.File("eight.bmp"));
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf24Bit), as24);
  ASSERT_EQ(Apply("dither 3 " + dir_.File("eight.bmp") + " " + dir_.File("j.bmp")), 0);
  EXPECT_TRUE(SamePixels24(Out("j_R.bmp"), WideKernelDither(as24, 128, 3)[0]));
  ASSERT_EQ(Apply("rotate 30 " + dir_.File("eight.bmp") + " " + dir_.File("r.bmp")), 0);
  EXPECT_TRUE(SamePixels24(Out("r.bmp"), RotateImage(as24, false, 30)));
}

TEST_F(ApplyCli, BadArgumentsAreUsageErrorsAndWriteNothing) {
  const std::string out = dir_.File("bad.bmp");
  for (const std::string words :
       {"dither 13", "dither 2 --threshold 256", "dither x", "dither sierra --strength 101",
        "dither atkinson --strength -1", "dither blue-noise --linear", "dither bayer-8 --strength 50",
        "rotate 361", "rotate 10.5", "scale 33", "scale 0", "reduce 0.5", "magnify 0", "magnify nan"}) {
    std::string text;
    EXPECT_EQ(Apply(words + " " + In() + " " + out, &text), 2) << words << ": " << text;
  }
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("bad_R.bmp")));
  std::string text;
  EXPECT_EQ(Apply("dither 2 " + dir_.File("missing.bmp") + " " + out, &text), 1);
  EXPECT_NE(text.find("missing.bmp"), std::string::npos) << text;
}

}  // namespace
}  // namespace tessalin
