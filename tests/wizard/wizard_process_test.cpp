#include "wizard/wizard_process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/pixel_ops.h"
#include "core/tessalin_error.h"
#include "processing/convolve.h"
#include "processing/dither.h"
#include "processing/scale.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using test::MakeRandom24;
using test::SamePixels24;

// Keeps a copy of every result and writes one line per event, so the order of
// steps and windows can be read back.
struct Recorder : ResultSink, CountingProgressSink {
  std::vector<std::string> log;
  std::vector<std::string> names;
  std::vector<std::string> hints;
  std::vector<RasterImage> rasters;
  int startMaximum = -1, startStep = -1;

  void CreateResultChild(const std::string& name, const RasterImage& raster) override {
    log.push_back("window " + name);
    names.push_back(name);
    rasters.emplace_back();
    rasters.back().Assign(raster);
  }
  void ProgressStart(int maximum, int step) override {
    CountingProgressSink::ProgressStart(maximum, step);
    startMaximum = maximum;
    startStep = step;
    log.push_back("start");
  }
  void OnHint(const std::string& hint, int) override {
    hints.push_back(hint);
    log.push_back("step");
  }
  const RasterImage& Result(const std::string& name) const {
    for (size_t i = 0; i < names.size(); ++i)
      if (names[i] == name) return rasters[i];
    ADD_FAILURE() << "no result " << name;
    static const RasterImage none;
    return none;
  }
};

WizardSettings Settings(int mode, int source, int scale, int result) {
  WizardSettings s;
  s.WMode = mode, s.SrcType = source, s.ScaleType = scale, s.ResultType = result;
  return s;
}

Recorder RunWizard(const RasterImage& source, const WizardSettings& settings,
                   SharedState* stateOut = nullptr) {
  SharedState state;
  state.wizard = settings;
  Recorder recorder;
  WizardProcess(source, state, recorder, recorder);
  if (stateOut) *stateOut = state;
  return recorder;
}

const std::vector<std::string> kVarious = {"pf1bit",
                                           "pf1bit2",
                                           "Mono",
                                           "Dither_R",
                                           "Dither_G",
                                           "Dither_B",
                                           "Dither_I",
                                           "Conv_RGB_Dither_R",
                                           "Conv_RGB_Dither_G",
                                           "Conv_RGB_Dither_B",
                                           "Conv_RGB_Dither_I",
                                           "Conv_HSI_Dither_R",
                                           "Conv_HSI_Dither_G",
                                           "Conv_HSI_Dither_B",
                                           "Conv_HSI_Dither_I"};
const std::vector<std::string> kPicture = {"pf1bit",   "pf1bit2",  "Mono",    "Dither_R",
                                           "Dither_G", "Dither_B", "Dither_I"};
const std::vector<std::string> kDrawing = {
    "pf1bit",           "pf1bit2", "Mono", "Conv_RGB_Dither_R", "Conv_RGB_Dither_G", "Conv_RGB_Dither_B",
    "Conv_RGB_Dither_I"};

std::vector<std::string> WithWorking(std::vector<std::string> names) {
  names.insert(names.begin(), "Wizard_Bmp");
  return names;
}

TEST(WizardRecipes, SettingsChooseTheSetAndItsWindowOrder) {
  const RasterImage source = MakeRandom24(13, 9, 1);
  struct Case {
    WizardSettings settings;
    const std::vector<std::string>* names;
  };
  const Case cases[] = {
      {Settings(0, 0, 1, 0), &kVarious},  // One Click ignores source and result type
      {Settings(0, 2, 1, 0), &kVarious}, {Settings(0, 1, 1, 1), &kVarious}, {Settings(1, 0, 1, 0), &kPicture},
      {Settings(1, 1, 1, 0), &kDrawing}, {Settings(1, 2, 1, 0), &kDrawing}, {Settings(1, 0, 1, 1), &kVarious},
      {Settings(1, 2, 1, 1), &kVarious},
  };
  for (const Case& c : cases) {
    const Recorder r = RunWizard(source, c.settings);
    EXPECT_EQ(r.names, *c.names) << "mode " << c.settings.WMode << " source " << c.settings.SrcType
                                 << " result " << c.settings.ResultType;
    EXPECT_EQ(WizardOutputNames(c.settings), *c.names);
    for (const RasterImage& raster : r.rasters) {
      EXPECT_EQ(raster.Width(), 13);
      EXPECT_EQ(raster.Height(), 9);
    }
  }
  const Recorder none = RunWizard(source, Settings(2, 0, 1, 0));
  EXPECT_TRUE(none.log.empty());
  EXPECT_TRUE(WizardOutputNames(Settings(2, 0, 1, 0)).empty());
}

TEST(WizardRecipes, ProgressStepsComeBeforeEachWindowAndOnceAtTheEnd) {
  const Recorder r = RunWizard(MakeRandom24(8, 6, 2), Settings(0, 0, 1, 0));
  EXPECT_EQ(r.startMaximum, 16);
  EXPECT_EQ(r.startStep, 1);
  const int percents[16] = {6, 12, 19, 25, 31, 38, 44, 50, 56, 62, 69, 75, 81, 88, 94, 100};
  ASSERT_EQ(r.hints.size(), 16u);
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(r.hints[static_cast<size_t>(i)],
              "ProcessRation : " + std::to_string(percents[i]) + "% completed.");
  std::vector<std::string> expected = {"start"};
  for (const std::string& name : kVarious) expected.insert(expected.end(), {"step", "window " + name});
  expected.push_back("step");
  EXPECT_EQ(r.log, expected);

  // The seven-output sets run to 8; the scaled window comes after the start, without a step.
  const Recorder picture = RunWizard(MakeRandom24(8, 6, 2), Settings(1, 0, 3, 0));
  EXPECT_EQ(picture.startMaximum, 8);
  ASSERT_GE(picture.log.size(), 3u);
  EXPECT_EQ(picture.log[0], "start");
  EXPECT_EQ(picture.log[1], "window Wizard_Bmp");
  EXPECT_EQ(picture.log[2], "step");
  ASSERT_EQ(picture.hints.size(), 8u);
  EXPECT_EQ(picture.hints[0], "ProcessRation : 12% completed.");
  EXPECT_EQ(picture.hints[3], "ProcessRation : 50% completed.");
  EXPECT_EQ(picture.hints[7], "ProcessRation : 100% completed.");
}

TEST(WizardWorkingRaster, ScaledRunsShowTheScaledPictureFirst) {
  const RasterImage source = MakeRandom24(40, 30, 3);
  // 4/3 as a double lies a hair below 4/3: 40 / it is just above 30, 30 / it just above 22.5.
  struct Case {
    int scale, width, height;
  };
  for (const Case c : {Case{2, 30, 22}, Case{0, 50, 37}, Case{3, 20, 15}, Case{4, 10, 7}}) {
    const Recorder r = RunWizard(source, Settings(1, 0, c.scale, 0));
    EXPECT_EQ(r.names, WithWorking(kPicture)) << "scale " << c.scale;
    for (const RasterImage& raster : r.rasters) {
      EXPECT_EQ(raster.Width(), c.width) << "scale " << c.scale;
      EXPECT_EQ(raster.Height(), c.height) << "scale " << c.scale;
    }
  }
  const Recorder r = RunWizard(source, Settings(1, 0, 2, 0));
  const RasterImage& working = r.Result("Wizard_Bmp");
  EXPECT_EQ(working.Format(), PixelFormat::pf24Bit);
  // A 75 % reduction averages blocks: not a crop or a sampled copy of the source.
  const RasterImage reduced = ReduceImage(source, 4.0 / 3.0, 4.0 / 3.0);
  EXPECT_TRUE(SamePixels24(working, reduced));
  // The candidates are made from the reduced picture.
  EXPECT_TRUE(SamePixels24(r.Result("Mono"), EtcModelImage(1, reduced)));
}

TEST(WizardWorkingRaster, IconsAndFullSizeRunsAreNotScaled) {
  const RasterImage source = MakeRandom24(20, 12, 4);
  const Recorder icon = RunWizard(source, Settings(1, 2, 1, 0));
  EXPECT_EQ(icon.names, kDrawing);
  // An icon never scales, whatever the scale setting holds; the unscaled picture is then shown as it is.
  const Recorder iconScaled = RunWizard(source, Settings(1, 2, 4, 0));
  EXPECT_EQ(iconScaled.names, WithWorking(kDrawing));
  EXPECT_TRUE(SamePixels24(iconScaled.Result("Wizard_Bmp"), source));
}

TEST(WizardWorkingRaster, SourceIsUnchanged) {
  RasterImage source = MakeRandom24(17, 11, 5);
  source.SetPixelFormat(PixelFormat::pf8Bit);
  RasterImage before;
  before.Assign(source);
  for (const WizardSettings& s : {Settings(0, 0, 1, 0), Settings(1, 0, 2, 0), Settings(1, 1, 0, 0)}) {
    RunWizard(source, s);
    ASSERT_EQ(source.Format(), PixelFormat::pf8Bit);
    ASSERT_EQ(source.Width(), 17);
    for (int y = 0; y < source.Height(); ++y)
      for (int x = 0; x < source.Width(); ++x) ASSERT_EQ(source.GetPixel(x, y), before.GetPixel(x, y));
  }
}

TEST(WizardWorkingRaster, PicturesThatReduceToNothingAreRefused) {
  SharedState state;
  state.wizard = Settings(1, 0, 4, 0);
  Recorder r;
  EXPECT_THROW(WizardProcess(MakeRandom24(3, 40, 6), state, r, r), TessalinError);
  EXPECT_TRUE(r.log.empty());
  EXPECT_THROW(WizardProcess(RasterImage(), state, r, r), TessalinError);
}

// Sharpning2 on the intensity at bias 0, then 1 bit: white exactly when
// round(T / 3) >= 128, T = 10 s(x, y) - the eight neighbours' s, s = R + G + B
// with edge pixels repeated outwards. T is whole, so T >= 383.
TEST(WizardCandidates, Pf1bit2IsTheSharpenedIntensityAtOneBit) {
  const RasterImage source = MakeRandom24(23, 15, 7);
  SharedState state;
  state.SharedBias = 64;  // the recipe must not use the start value
  state.wizard = Settings(1, 0, 1, 0);
  Recorder r;
  WizardProcess(source, state, r, r);
  EXPECT_EQ(state.SharedBias, 0);
  EXPECT_EQ(state.DitherThreshold, 128);
  const RasterImage& pf1bit2 = r.Result("pf1bit2");
  ASSERT_EQ(pf1bit2.Format(), PixelFormat::pf1Bit);
  auto sum = [&](int x, int y) {
    x = x < 0 ? 0 : (x >= source.Width() ? source.Width() - 1 : x);
    y = y < 0 ? 0 : (y >= source.Height() ? source.Height() - 1 : y);
    const test::Bgr p = test::PixelAt(source, x, y);
    return p.r + p.g + p.b;
  };
  int whites = 0;
  for (int y = 0; y < source.Height(); ++y) {
    for (int x = 0; x < source.Width(); ++x) {
      long long t = 11LL * sum(x, y);
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) t -= sum(x + dx, y + dy);
      const bool white = t >= 383;
      whites += white;
      ASSERT_EQ(pf1bit2.GetPixel(x, y), white ? kWhite : kBlack) << x << "," << y;
    }
  }
  EXPECT_GT(whites, 0);
  EXPECT_LT(whites, source.Width() * source.Height());

  // pf1bit is the picture itself at 1 bit, not the sharpened one.
  RasterImage plain;
  plain.Assign(source);
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf1Bit), plain);
  const RasterImage& pf1bit = r.Result("pf1bit");
  ASSERT_EQ(pf1bit.Format(), PixelFormat::pf1Bit);
  for (int y = 0; y < source.Height(); ++y)
    for (int x = 0; x < source.Width(); ++x) ASSERT_EQ(pf1bit.GetPixel(x, y), plain.GetPixel(x, y));
}

// Each dithered candidate equals running the steps one by one: the
// convolution at bias 0, then Floyd-Steinberg at threshold 128.
TEST(WizardCandidates, DitheredConvolutionsEqualTheStepsByHand) {
  const RasterImage source = MakeRandom24(31, 19, 8);
  SharedState state;
  state.SharedBias = 64;
  state.DitherThreshold = 7;
  state.wizard = Settings(0, 0, 1, 0);
  Recorder r;
  WizardProcess(source, state, r, r);

  ConvolveSource prepared;
  PrepareConvolveSource(prepared, source);
  const RasterImage convRgb = ConvolveChannel(prepared, 3, 2, 0);
  const RasterImage convHsi = ConvolveChannel(prepared, 7, 2, 0);
  ReleaseWorkBuffers(prepared);
  const char* const channels[4] = {"R", "G", "B", "I"};
  const DitherResults plain = FloydSteinbergDither(source, 128);
  const DitherResults rgb = FloydSteinbergDither(convRgb, 128);
  const DitherResults hsi = FloydSteinbergDither(convHsi, 128);
  for (int i = 0; i < 4; ++i) {
    const std::string c = channels[i];
    EXPECT_TRUE(SamePixels24(r.Result("Dither_" + c), plain[static_cast<size_t>(i)])) << c;
    EXPECT_TRUE(SamePixels24(r.Result("Conv_RGB_Dither_" + c), rgb[static_cast<size_t>(i)])) << c;
    EXPECT_TRUE(SamePixels24(r.Result("Conv_HSI_Dither_" + c), hsi[static_cast<size_t>(i)])) << c;
  }
  EXPECT_TRUE(SamePixels24(r.Result("Mono"), EtcModelImage(1, source)));
  // The four channels differ on a random picture: a swapped or repeated slot would show.
  EXPECT_FALSE(SamePixels24(r.Result("Conv_RGB_Dither_R"), r.Result("Conv_RGB_Dither_B")));
  EXPECT_FALSE(SamePixels24(r.Result("Conv_RGB_Dither_I"), r.Result("Conv_HSI_Dither_I")));

  // The drawing set makes the same RGB candidates.
  const Recorder drawing = RunWizard(source, Settings(1, 1, 1, 0));
  for (int i = 0; i < 4; ++i)
    EXPECT_TRUE(SamePixels24(drawing.Result(std::string("Conv_RGB_Dither_") + channels[i]),
                             rgb[static_cast<size_t>(i)]));
}

}  // namespace
}  // namespace tessalin
