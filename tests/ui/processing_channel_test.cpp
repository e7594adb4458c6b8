#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "core/pixel_ops.h"
#include "processing/channel.h"
#include "processing/ui/channel_dialog.h"
#include "processing_fake_app.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using namespace test::processing_ui;
using test::Bgr;
using test::PixelAt;

constexpr const char* kLetters[6] = {"R", "G", "B", "H", "S", "I"};

QSlider* Bar(QWidget* d, int tag) {
  return Child<QSlider>(d, (std::string(kLetters[tag]) + "_TrBar").c_str());
}
TUpDown* UpDown(QWidget* d, int tag) {
  return Child<TUpDown>(d, (std::string(kLetters[tag]) + "_UpDown").c_str());
}
TScaleImage* Img(QWidget* d, const std::string& name) {
  return Child<TScaleImage>(d, (name + "_Img").c_str());
}
QString Panel(QWidget* d, int i) { return Child<QLabel>(d, ("Panel" + std::to_string(i)).c_str())->text(); }

// The grey picture of one source byte (0 red, 1 green, 2 blue), computed here.
bool IsGreyOfByte(const RasterImage& grey, const RasterImage& picture, int byte, int offset) {
  if (grey.Width() != picture.Width() || grey.Height() != picture.Height()) return false;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      const Bgr p = PixelAt(picture, x, y);
      const int v = std::clamp((byte == 0 ? p.r : byte == 1 ? p.g : p.b) + offset, 0, 255);
      const Bgr g = PixelAt(grey, x, y);
      if (g.r != v || g.g != v || g.b != v) return false;
    }
  return true;
}

TEST(ChannelDialog, OpensWithTheSourceSplitIntoChannels) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeGradient(30, 20);
  QWidget* dialog = RunCommand("channel", app, &doc, 0);
  CloseAtEnd closing(dialog);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), "Color Channel Property");
  EXPECT_EQ(dialog->size(), QSize(621, 470));
  EXPECT_TRUE(test::SamePixels24(Img(dialog, "RGB")->Picture(), doc));
  EXPECT_TRUE(IsGreyOfByte(Img(dialog, "R")->Picture(), doc, 0, 0));
  EXPECT_TRUE(IsGreyOfByte(Img(dialog, "B")->Picture(), doc, 2, 0));
  // A source smaller than Src_Img: results at natural size, the source still scaled.
  EXPECT_EQ(Img(dialog, "R")->ScaleStyle(), ssNormal);
  EXPECT_EQ(Img(dialog, "HSI")->ScaleStyle(), ssNormal);
  EXPECT_EQ(Img(dialog, "Src")->ScaleStyle(), ssScale);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(Panel(dialog, i), "") << i;
  // Seven panels: half the width (310.5 rounds to even), the rest shared.
  EXPECT_EQ(Child<QLabel>(dialog, "Panel0")->width(), 310);
  EXPECT_EQ(Child<QLabel>(dialog, "Panel6")->width(), 51);
  EXPECT_EQ(Child<QLabel>(dialog, "Panel6")->x(), 310 + 5 * 51);
}

TEST(ChannelDialog, SaturationMinusOneGivesGreyAndThePanelShowsIt) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeRandom24(17, 11, 9);
  TChannel_Frm* dialog = OpenChannelDialog(app, &doc, 0);
  CloseAtEnd closing(dialog);
  Bar(dialog, 4)->setValue(-10000);
  const RasterImage& rgb = Img(dialog, "RGB")->Picture();
  for (int y = 0; y < doc.Height(); ++y)
    for (int x = 0; x < doc.Width(); ++x) {
      const Bgr s = PixelAt(doc, x, y), o = PixelAt(rgb, x, y);
      const int grey = (s.r + s.g + s.b + 1) / 3;  // round(I)
      EXPECT_EQ(o, (Bgr{static_cast<uint8_t>(grey), static_cast<uint8_t>(grey), static_cast<uint8_t>(grey)}));
    }
  EXPECT_EQ(Panel(dialog, 5), "S -1.0000");
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(dialog, &activate);
  EXPECT_TRUE(RouteApplicationHint("Red Channel +/-"));
  EXPECT_EQ(Panel(dialog, 0), "Red Channel +/-");
  EXPECT_EQ(Panel(dialog, 4), "H 0");
  EXPECT_EQ(Bar(dialog, 4)->toolTip(), "S Channel Applied Value : -1.0000");
  // HSI_Img follows as the composite: saturation byte 0 everywhere.
  EXPECT_EQ(PixelAt(Img(dialog, "HSI")->Picture(), 3, 4).g, 0);
  // The single-channel images are left as they were.
  EXPECT_TRUE(IsGreyOfByte(Img(dialog, "R")->Picture(), doc, 0, 0));
}

TEST(ChannelDialog, RedOffsetActsBeforeTheHsiStep) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeRandom24(9, 7, 4);
  TChannel_Frm* dialog = OpenChannelDialog(app, &doc, 0);
  CloseAtEnd closing(dialog);
  Bar(dialog, 0)->setValue(255);
  const RasterImage& rgb = Img(dialog, "RGB")->Picture();
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) EXPECT_GE(PixelAt(rgb, x, y).r, 254) << x << "," << y;
  EXPECT_EQ(Panel(dialog, 1), "R 255");
  EXPECT_EQ(Bar(dialog, 0)->toolTip(), "R Channel Applied Value : 255");
}

TEST(ChannelDialog, ThresholdsComeFromTheCurrentPictureNotTheImageShown) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeRandom24(12, 10, 6);
  TChannel_Frm* dialog = OpenChannelDialog(app, &doc, 0);
  CloseAtEnd closing(dialog);
  Bar(dialog, 1)->setValue(-30);
  RasterImage corrected;
  corrected.Assign(Img(dialog, "RGB")->Picture());
  TUpDown* red = UpDown(dialog, 0);
  red->RightButton()->click();
  EXPECT_EQ(red->Position(), 20);
  red->RightButton()->click();
  EXPECT_EQ(red->Position(), 40);
  EXPECT_TRUE(IsGreyOfByte(Img(dialog, "R")->Picture(), corrected, 0, 40));
  EXPECT_FALSE(IsGreyOfByte(Img(dialog, "R")->Picture(), corrected, 0, 60));
  EXPECT_EQ(red->toolTip(), "R Channel Threshold Value : 40");

  // H, S, I up-downs read the HSI composite: I is its blue byte.
  RasterImage composite;
  composite.Assign(Img(dialog, "HSI")->Picture());
  UpDown(dialog, 5)->LeftButton()->click();
  EXPECT_TRUE(IsGreyOfByte(Img(dialog, "I")->Picture(), composite, 2, -20));
}

TEST(ChannelDialog, DistributionSplitsTheCorrectedPictureAndClearsThresholds) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeRandom24(12, 10, 8);
  TChannel_Frm* dialog = OpenChannelDialog(app, &doc, 0);
  CloseAtEnd closing(dialog);
  Bar(dialog, 2)->setValue(80);
  UpDown(dialog, 2)->RightButton()->click();
  Child<QPushButton>(dialog, "Channel_Dis_Btn")->click();
  const RasterImage& corrected = Img(dialog, "RGB")->Picture();
  EXPECT_TRUE(IsGreyOfByte(Img(dialog, "B")->Picture(), corrected, 2, 0));
  EXPECT_TRUE(IsGreyOfByte(Img(dialog, "G")->Picture(), corrected, 1, 0));
  EXPECT_EQ(UpDown(dialog, 2)->Position(), 0);
  EXPECT_EQ(Bar(dialog, 2)->value(), 80);
}

TEST(ChannelDialog, ResetReturnsAllTwelveControlsAndImagesToTheSource) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeRandom24(14, 9, 10);
  TChannel_Frm* dialog = OpenChannelDialog(app, &doc, 0);
  CloseAtEnd closing(dialog);
  const int positions[6] = {50, -40, 25, 90, 3000, -60};
  for (int tag = 0; tag < 6; ++tag) {
    Bar(dialog, tag)->setValue(positions[tag]);
    UpDown(dialog, tag)->RightButton()->click();
  }
  Child<QPushButton>(dialog, "ReSet_Btn")->click();
  for (int tag = 0; tag < 6; ++tag) {
    EXPECT_EQ(Bar(dialog, tag)->value(), 0) << tag;
    EXPECT_EQ(UpDown(dialog, tag)->Position(), 0) << tag;
  }
  EXPECT_TRUE(test::SamePixels24(Img(dialog, "RGB")->Picture(), doc));
  EXPECT_TRUE(IsGreyOfByte(Img(dialog, "R")->Picture(), doc, 0, 0));
  EXPECT_TRUE(IsGreyOfByte(Img(dialog, "G")->Picture(), doc, 1, 0));
  EXPECT_TRUE(IsGreyOfByte(Img(dialog, "B")->Picture(), doc, 2, 0));
  EXPECT_EQ(Panel(dialog, 1), "R 0");
  EXPECT_EQ(Panel(dialog, 5), "S 0.0000");

  // Export by double click opens a copy; Src_Img is not an export source.
  DoubleClick(Img(dialog, "RGB"));
  DoubleClick(Img(dialog, "Src"));
  ASSERT_EQ(app.results.size(), 1u);
  EXPECT_TRUE(test::SamePixels24(app.results[0].picture, doc));
}

TEST(ChannelDialog, LargePicturesShowTheSameFaceAndGiveTheSamePictureWhenRead) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeRandom24(300, 170, 21);
  TChannel_Frm* dialog = OpenChannelDialog(app, &doc, 0);
  CloseAtEnd closing(dialog);
  Bar(dialog, 3)->setValue(45);
  Bar(dialog, 0)->setValue(-35);
  TScaleImage* rgb = Img(dialog, "RGB");
  TScaleImage* hsi = Img(dialog, "HSI");
  EXPECT_TRUE(rgb->PictureIsDeferred());
  const ChannelOffsets offsets{-35, 0, 0, 45, 0, 0};
  const RasterImage expected = ApplyChannelCorrection(doc, offsets);
  // The face drawn before the full picture exists is the face of the full picture.
  TScaleImage reference;
  reference.resize(rgb->size());
  reference.SetScaleStyle(ssScale);
  reference.SetPicture(expected);
  EXPECT_EQ(rgb->Render(), reference.Render());
  EXPECT_TRUE(rgb->PictureIsDeferred());
  reference.SetPicture(HSIModelImage(3, expected));
  EXPECT_EQ(hsi->Render(), reference.Render());

  EXPECT_TRUE(test::SamePixels24(rgb->Picture(), expected));
  EXPECT_TRUE(test::SamePixels24(hsi->Picture(), HSIModelImage(3, expected)));
  DoubleClick(rgb);
  ASSERT_EQ(app.results.size(), 1u);
  EXPECT_TRUE(test::SamePixels24(app.results[0].picture, expected));
  // The up-downs read the corrected picture too.
  UpDown(dialog, 0)->RightButton()->click();
  EXPECT_TRUE(IsGreyOfByte(Img(dialog, "R")->Picture(), expected, 0, 20));
}

// Every scaled preview's face before its picture is made, then the picture itself.
void ExpectFaceThenPicture(TScaleImage* preview, const RasterImage& expected, const char* what) {
  TScaleImage reference;
  reference.resize(preview->size());
  reference.SetScaleStyle(ssScale);
  reference.SetPicture(expected);
  EXPECT_TRUE(preview->PictureIsDeferred()) << what;
  EXPECT_EQ(preview->Render(), reference.Render()) << what;
  EXPECT_TRUE(test::SamePixels24(preview->Picture(), expected)) << what;
}

TEST(ChannelDialog, LargePicturesDistributeAndResetFromSampledPixelsUntilRead) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeRandom24(257, 191, 44);
  TChannel_Frm* dialog = OpenChannelDialog(app, &doc, 0);
  CloseAtEnd closing(dialog);
  const auto expectSix = [&](const RasterImage& picture, const char* when) {
    for (int kind = 0; kind < 3; ++kind) {
      ExpectFaceThenPicture(Img(dialog, kLetters[kind]), RGBModelImage(kind, picture), when);
      ExpectFaceThenPicture(Img(dialog, kLetters[3 + kind]), HSIModelImage(kind, picture), when);
    }
  };
  expectSix(doc, "opened");

  Bar(dialog, 4)->setValue(-2500);
  Bar(dialog, 5)->setValue(30);
  const RasterImage corrected = ApplyChannelCorrection(doc, ChannelOffsets{0, 0, 0, 0, -0.25, 30});
  Child<QPushButton>(dialog, "Channel_Dis_Btn")->click();
  expectSix(corrected, "distribution");
  // The corrected previews were left to be made when read, and agree.
  ExpectFaceThenPicture(Img(dialog, "RGB"), corrected, "RGB after distribution");

  Child<QPushButton>(dialog, "ReSet_Btn")->click();
  ExpectFaceThenPicture(Img(dialog, "RGB"), doc, "RGB after reset");
  ExpectFaceThenPicture(Img(dialog, "HSI"), HSIModelImage(3, doc), "HSI after reset");
  expectSix(doc, "reset");
  // An up-down after the reset works on the source again.
  UpDown(dialog, 2)->LeftButton()->click();
  EXPECT_TRUE(IsGreyOfByte(Img(dialog, "B")->Picture(), doc, 2, -20));
}

}  // namespace
}  // namespace tessalin
