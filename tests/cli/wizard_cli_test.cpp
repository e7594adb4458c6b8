// tessalin-cli wizard: numbered candidate files in window order, the sheet,
// the progress line, and refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/bmp_codec.h"
#include "core/pixel_ops.h"
#include "processing/dither.h"
#include "processing/scale.h"
#include "support/test_pictures.h"
#include "wizard/wizard_sheet.h"

namespace tessalin {
namespace {

using test::MakeRandom24;
using test::RunCommand;
using test::SamePixels24;

const std::vector<std::string> kVarious = {"01_pf1bit",
                                           "02_pf1bit2",
                                           "03_Mono",
                                           "04_Dither_R",
                                           "05_Dither_G",
                                           "06_Dither_B",
                                           "07_Dither_I",
                                           "08_Conv_RGB_Dither_R",
                                           "09_Conv_RGB_Dither_G",
                                           "10_Conv_RGB_Dither_B",
                                           "11_Conv_RGB_Dither_I",
                                           "12_Conv_HSI_Dither_R",
                                           "13_Conv_HSI_Dither_G",
                                           "14_Conv_HSI_Dither_B",
                                           "15_Conv_HSI_Dither_I"};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

RasterImage Load24(const std::string& path) {
  RasterImage image = LoadBmpFile(path);
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf24Bit), image);
  return image;
}

// A WBMP file read by the format's own rules, as black (false) and white (true).
struct Wbmp {
  int width = 0, height = 0;
  std::vector<bool> white;
};

Wbmp ReadWbmpByHand(const std::string& path) {
  const std::vector<uint8_t> bytes = test::ReadBytes(path);
  size_t pos = 2;
  auto integer = [&] {
    int v = 0;
    uint8_t b;
    do {
      b = bytes.at(pos++);
      v = v * 128 + (b & 0x7F);
    } while (b & 0x80);
    return v;
  };
  Wbmp w;
  EXPECT_EQ(bytes.at(0), 0);
  EXPECT_EQ(bytes.at(1), 0);
  w.width = integer();
  w.height = integer();
  const size_t rowBytes = (static_cast<size_t>(w.width) + 7) / 8;
  EXPECT_EQ(bytes.size(), pos + rowBytes * w.height) << path;
  for (int y = 0; y < w.height; ++y)
    for (int x = 0; x < w.width; ++x)
      w.white.push_back(bytes.at(pos + y * rowBytes + x / 8) >> (7 - x % 8) & 1);
  return w;
}

bool SameBlackWhite(const Wbmp& w, const RasterImage& picture) {
  if (w.width != picture.Width() || w.height != picture.Height()) return false;
  for (int y = 0; y < w.height; ++y)
    for (int x = 0; x < w.width; ++x)
      if ((picture.GetPixel(x, y) == kWhite) != w.white[static_cast<size_t>(y) * w.width + x]) return false;
  return true;
}

class WizardCli : public ::testing::Test {
 protected:
  void SetUp() override {
    source_ = MakeRandom24(45, 31, 23);
    SaveBmpFile(source_, In());
  }
  std::string In() const { return dir_.File("in.bmp"); }
  std::string Out() const { return dir_.File("out"); }
  int Wizard(const std::string& words, std::string* out = nullptr) const {
    return RunCommand(std::string(TESSALIN_CLI_PATH) + " wizard " + words + " 2>" + dir_.File("err.txt"),
                      out);
  }
  std::string Err() const {
    const std::vector<uint8_t> bytes = test::ReadBytes(dir_.File("err.txt"));
    return std::string(bytes.begin(), bytes.end());
  }

  test::TempDir dir_;
  RasterImage source_;
};

TEST_F(WizardCli, OneClickWritesTheFifteenCandidatesInWindowOrder) {
  std::string out;
  ASSERT_EQ(Wizard(In() + " " + Out(), &out), 0) << Err();
  std::vector<std::string> expected;
  for (const std::string& stem : kVarious) expected.push_back(Out() + "/" + stem + ".wbmp");
  EXPECT_EQ(Lines(out), expected);
  // Not a terminal: no progress line.
  EXPECT_EQ(Err().find("candidates:"), std::string::npos);

  // Black-and-white candidates survive the WBMP writer unchanged (bias 0 after the run).
  const DitherResults dithered = FloydSteinbergDither(source_, 128);
  const char* const channel[4] = {"R", "G", "B", "I"};
  for (int i = 0; i < 4; ++i) {
    const Wbmp file = ReadWbmpByHand(expected[static_cast<size_t>(3 + i)]);
    EXPECT_TRUE(SameBlackWhite(file, dithered[static_cast<size_t>(i)])) << channel[i];
  }
  EXPECT_TRUE(SameBlackWhite(ReadWbmpByHand(expected[2]), EtcModelImage(1, source_)));
  for (const std::string& path : expected) EXPECT_EQ(ReadWbmpByHand(path).width, 45) << path;
}

TEST_F(WizardCli, ScaledDetailRunShowsTheWorkingPictureFirst) {
  std::string out;
  ASSERT_EQ(Wizard("--mode 1 --source 0 --scale 75 --result 0 --format bmp " + In() + " " + Out(), &out), 0)
      << Err();
  const std::vector<std::string> lines = Lines(out);
  const std::vector<std::string> stems = {"01_Wizard_Bmp", "02_pf1bit",   "03_pf1bit2",  "04_Mono",
                                          "05_Dither_R",   "06_Dither_G", "07_Dither_B", "08_Dither_I"};
  ASSERT_EQ(lines.size(), stems.size());
  for (size_t i = 0; i < stems.size(); ++i) EXPECT_EQ(lines[i], Out() + "/" + stems[i] + ".bmp");
  const RasterImage working = Load24(lines[0]);
  EXPECT_EQ(working.Width(), 33);  // trunc(45 / 1.3333333333333333)
  EXPECT_EQ(working.Height(), 23);
  EXPECT_TRUE(SamePixels24(working, ReduceImage(source_, 4.0 / 3.0, 4.0 / 3.0)));
  // The tag and the percentage name the same scale.
  std::string byTag;
  ASSERT_EQ(Wizard("--mode 1 --scale 2 --format bmp " + In() + " " + dir_.File("tag"), &byTag), 0) << Err();
  EXPECT_EQ(Lines(byTag).size(), 8u);
  EXPECT_TRUE(SamePixels24(Load24(dir_.File("tag/01_Wizard_Bmp.bmp")), working));
}

TEST_F(WizardCli, SheetHoldsEveryCandidateAtItsRealSizeWithItsLabel) {
  std::string out;
  const std::string sheet = dir_.File("sheet.png");
  ASSERT_EQ(Wizard("--sheet " + sheet + " " + In() + " " + Out(), &out), 0) << Err();
  const std::vector<std::string> lines = Lines(out);
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines.back(), sheet);
  // An outside decoder reads it; all candidates are black and white, so the sheet is 1-bit grey.
  std::string info;
  ASSERT_EQ(RunCommand("identify -format '%w %h %[type]' " + sheet, &info), 0);
  WizardSheet layout;
  for (int i = 0; i < 15; ++i)
    layout.Add(kVarious[static_cast<size_t>(i)], NewRaster(PixelFormat::pf1Bit, 31, 45));
  layout.Layout();
  EXPECT_EQ(info, std::to_string(layout.Width()) + " " + std::to_string(layout.Height()) + " Bilevel");
  ASSERT_EQ(RunCommand("convert " + sheet + " -type TrueColor BMP3:" + dir_.File("sheet.bmp")), 0);
  const RasterImage decoded = Load24(dir_.File("sheet.bmp"));
  ASSERT_EQ(decoded.Width(), layout.Width());
  for (int i = 0; i < 15; ++i) {
    const Wbmp file = ReadWbmpByHand(lines[static_cast<size_t>(i)]);
    const int left = layout.PictureLeft(i), top = layout.PictureTop(i);
    bool same = true;
    for (int y = 0; y < 31; ++y)
      for (int x = 0; x < 45; ++x)
        same &=
            (decoded.GetPixel(left + x, top + y) == kWhite) == file.white[static_cast<size_t>(y) * 45 + x];
    EXPECT_TRUE(same) << kVarious[static_cast<size_t>(i)];
    // A frame just outside the picture, ink in the label band above it.
    EXPECT_EQ(decoded.GetPixel(left - 1, top + 5), kBlack);
    EXPECT_EQ(decoded.GetPixel(left + 45, top + 5), kBlack);
    int ink = 0;
    for (int y = layout.LabelTop(i); y < top - 1; ++y)
      for (int x = left; x < left + 45; ++x) ink += decoded.GetPixel(x, y) == kBlack;
    EXPECT_GT(ink, 20) << kVarious[static_cast<size_t>(i)];
  }
  // A colour candidate makes a colour sheet.
  ASSERT_EQ(
      Wizard("--mode 1 --scale 50 --sheet " + dir_.File("colour.png") + " " + In() + " " + dir_.File("c")),
      0);
  ASSERT_EQ(RunCommand("identify -format '%[type]' " + dir_.File("colour.png"), &info), 0);
  EXPECT_EQ(info, "TrueColor");
}

TEST_F(WizardCli, ProgressLineRewritesItselfOnATerminal) {
  // `script` gives the command a terminal; stderr then carries the line.
  std::string screen;
  const std::string command =
      std::string(TESSALIN_CLI_PATH) + " wizard " + In() + " " + Out() + " >/dev/null";
  ASSERT_EQ(RunCommand("script -qec '" + command + "' /dev/null", &screen), 0);
  EXPECT_NE(screen.find("\rmaking the candidates: 6%"), std::string::npos);
  EXPECT_NE(screen.find("\rmaking the candidates: 50%"), std::string::npos);
  EXPECT_NE(screen.find("\rmaking the candidates: 100%"), std::string::npos);
}

TEST_F(WizardCli, BadSettingsAndInputsAreRefusedBeforeAnythingIsWritten) {
  EXPECT_EQ(Wizard("--mode 2 " + In() + " " + Out()), 2);
  EXPECT_EQ(Wizard("--source 3 " + In() + " " + Out()), 2);
  EXPECT_EQ(Wizard("--scale 60 " + In() + " " + Out()), 2);
  EXPECT_EQ(Wizard("--format tif " + In() + " " + Out()), 2);
  EXPECT_EQ(Wizard(In()), 2);
  EXPECT_FALSE(std::filesystem::exists(Out()));
  EXPECT_EQ(Wizard(dir_.File("missing.bmp") + " " + Out()), 1);
  EXPECT_NE(Err().find("missing.bmp"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Out()));
  // Too small for a quarter: an error, and no candidates.
  SaveBmpFile(MakeRandom24(3, 3, 1), dir_.File("tiny.bmp"));
  EXPECT_EQ(Wizard("--mode 1 --scale 25 " + dir_.File("tiny.bmp") + " " + Out()), 1);
  EXPECT_TRUE(!std::filesystem::exists(Out()) || std::filesystem::is_empty(Out()));
}

}  // namespace
}  // namespace tessalin
