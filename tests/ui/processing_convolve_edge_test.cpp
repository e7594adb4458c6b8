#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

#include "processing/convolve.h"
#include "processing/edge.h"
#include "processing/ui/convolve_dialog.h"
#include "processing/ui/dither_dialog.h"
#include "processing/ui/edge_dialog.h"
#include "processing_fake_app.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using namespace test::processing_ui;
using test::Bgr;
using test::PixelAt;

constexpr const char* kResults[8] = {"R_Img", "G_Img", "B_Img", "RGB_Img",
                                     "H_Img", "S_Img", "I_Img", "HSI_Img"};

bool AllBytesAre(const RasterImage& picture, int value) {
  if (!picture.HasImage()) return false;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x)
      if (PixelAt(picture, x, y) != (Bgr{uint8_t(value), uint8_t(value), uint8_t(value)})) return false;
  return true;
}

TEST(ConvolveDialog, EmbossingSelectionSetsTheOffsetButTheMenuCommandDoesNot) {
  ProcessingFakeApp app;
  app.state.SharedBias = 64;
  const RasterImage doc = test::MakeGradient(20, 10);
  QWidget* dialog = RunCommand("convolve", app, &doc, 5);  // "&Embossing"
  CloseAtEnd closing(dialog);
  ASSERT_NE(dialog, nullptr);
  auto* kind = Child<QComboBox>(dialog, "Conv_CbBox");
  auto* bias = Child<TSpinEdit>(dialog, "Bias_SpinE");
  EXPECT_EQ(kind->currentIndex(), 5);
  EXPECT_EQ(bias->Text(), "0");
  EXPECT_EQ(app.state.SharedBias, 0);
  EXPECT_EQ(dialog->windowTitle(), "Image Convolve Process for Sharpning, Blouring, Edge Detect");
  EXPECT_EQ(Child<QStatusBar>(dialog, "StatusBar")->currentMessage(),
            "Current windows  is Convolve Porcess.");

  kind->setCurrentIndex(2);
  EXPECT_EQ(app.state.ConvolveKind, 2);
  EXPECT_EQ(dialog->windowTitle(), ConvolveKindCaption(2));
  EXPECT_EQ(bias->Text(), "0");
  kind->setCurrentIndex(5);
  EXPECT_EQ(bias->Text(), "128");
  EXPECT_EQ(app.state.SharedBias, 128);
  bias->Editor()->setText("-7");
  EXPECT_EQ(app.state.SharedBias, -7);
  bias->Editor()->setText("");
  EXPECT_EQ(app.state.SharedBias, -7);  // empty text stores nothing
  bias->Editor()->setText("-");
  EXPECT_EQ(app.state.SharedBias, -255);
}

TEST(ConvolveDialog, ApplyFillsAllEightResultsAndExportsOnlyAfterwards) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeFlat24(9, 6, 90, 90, 90);
  TConvolve_Frm* dialog = OpenConvolveDialog(app, &doc, 0);  // Blouring
  CloseAtEnd closing(dialog);
  for (const char* name : kResults) DoubleClick(Child<TScaleImage>(dialog, name));
  EXPECT_TRUE(app.results.empty());

  Child<QPushButton>(dialog, "Apply_Btn")->click();
  // A uniform grey stays itself under the blur with offset 0 (edges replicated).
  EXPECT_TRUE(AllBytesAre(Child<TScaleImage>(dialog, "R_Img")->Picture(), 90));
  EXPECT_TRUE(AllBytesAre(Child<TScaleImage>(dialog, "RGB_Img")->Picture(), 90));
  EXPECT_TRUE(AllBytesAre(Child<TScaleImage>(dialog, "I_Img")->Picture(), 90));
  for (const char* name : kResults) {
    EXPECT_EQ(Child<TScaleImage>(dialog, name)->Picture().Width(), 9) << name;
    EXPECT_EQ(Child<TScaleImage>(dialog, name)->ScaleStyle(), ssNormal) << name;
  }
  DoubleClick(Child<TScaleImage>(dialog, "HSI_Img"));
  ASSERT_EQ(app.results.size(), 1u);
  EXPECT_EQ(app.results[0].picture.Width(), 9);
}

TEST(EdgeDialog, UniformPictureGivesTheOffsetEverywhereOnEveryChannel) {
  ProcessingFakeApp app;
  app.state.SharedBias = 64;
  const RasterImage doc = test::MakeFlat24(7, 5, 30, 140, 220);
  QWidget* dialog = RunCommand("edge", app, &doc, 1);  // "&HomoGeneity"
  CloseAtEnd closing(dialog);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(app.state.SharedBias, 0);
  EXPECT_EQ(app.state.EdgeKind, 1);
  auto* kind = Child<QComboBox>(dialog, "Edge_CbBox");
  EXPECT_EQ(kind->currentText(), "HomoGeneity");
  EXPECT_EQ(dialog->windowTitle(), "Edge Detect Processing");
  auto* bias = Child<TSpinEdit>(dialog, "Bias_SpinE");
  bias->Editor()->setText("20");
  PressEnter(bias->Editor());
  for (const char* name : kResults)
    EXPECT_TRUE(AllBytesAre(Child<TScaleImage>(dialog, name)->Picture(), 20)) << name;

  kind->setCurrentIndex(0);
  EXPECT_EQ(dialog->windowTitle(), "Difference Edge Detection");
  EXPECT_EQ(app.state.EdgeKind, 0);
  bias->Editor()->setText("300");  // typed beyond the range: the results saturate
  Child<QPushButton>(dialog, "Apply_Btn")->click();
  for (const char* name : kResults)
    EXPECT_TRUE(AllBytesAre(Child<TScaleImage>(dialog, name)->Picture(), 255)) << name;
}

TEST(EdgeDialog, StepMarksBothColumnsNextToIt) {
  ProcessingFakeApp app;
  RasterImage doc = test::MakeFlat24(6, 4, 10, 10, 10);
  for (int y = 0; y < 4; ++y)
    for (int x = 3; x < 6; ++x) test::SetPixelAt(doc, x, y, {70, 70, 70});
  TEdge_Frm* dialog = OpenEdgeDialog(app, &doc, 0);
  CloseAtEnd closing(dialog);
  Child<QPushButton>(dialog, "Apply_Btn")->click();
  const RasterImage& r = Child<TScaleImage>(dialog, "R_Img")->Picture();
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(PixelAt(r, x, y).r, (x == 2 || x == 3) ? 60 : 0) << x << "," << y;
}

TEST(ConvolveDialog, LargeResultsShowTheirFaceAtOnceAndKeepTheApplyValues) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeRandom24(301, 205, 30);
  TConvolve_Frm* dialog = OpenConvolveDialog(app, &doc, 9);  // Sobel
  CloseAtEnd closing(dialog);
  Child<TSpinEdit>(dialog, "Bias_SpinE")->Editor()->setText("12");
  Child<QPushButton>(dialog, "Apply_Btn")->click();
  app.state.SharedBias = 99;  // later changes do not reach this Apply's results
  ConvolveSource prepared;
  PrepareConvolveSource(prepared, doc);
  for (int channel = 0; channel < 8; ++channel) {
    TScaleImage* preview = Child<TScaleImage>(dialog, kResults[channel]);
    EXPECT_EQ(preview->ScaleStyle(), ssScale);
    const RasterImage expected = ConvolveChannel(prepared, channel, 9, 12);
    TScaleImage reference;
    reference.resize(preview->size());
    reference.SetScaleStyle(ssScale);
    reference.SetPicture(expected);
    EXPECT_TRUE(preview->PictureIsDeferred());
    EXPECT_EQ(preview->Render(), reference.Render()) << channel;
    EXPECT_TRUE(test::SamePixels24(preview->Picture(), expected)) << channel;
  }
  ReleaseWorkBuffers(prepared);
  DoubleClick(Child<TScaleImage>(dialog, "S_Img"));
  ASSERT_EQ(app.results.size(), 1u);
  EXPECT_EQ(app.results[0].picture.Width(), 301);
}

TEST(EdgeDialog, LargeResultsMatchTheFullComputation) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeRandom24(250, 140, 31);
  TEdge_Frm* dialog = OpenEdgeDialog(app, &doc, 1);
  CloseAtEnd closing(dialog);
  Child<TSpinEdit>(dialog, "Bias_SpinE")->Editor()->setText("-8");
  Child<QPushButton>(dialog, "Apply_Btn")->click();
  EdgeSource prepared;
  PrepareEdgeSource(prepared, doc);
  for (int channel : {0, 3, 4, 7}) {
    TScaleImage* preview = Child<TScaleImage>(dialog, kResults[channel]);
    const RasterImage expected = EdgeChannel(prepared, 1, channel, -8);
    TScaleImage reference;
    reference.resize(preview->size());
    reference.SetScaleStyle(ssScale);
    reference.SetPicture(expected);
    EXPECT_EQ(preview->Render(), reference.Render()) << channel;
    EXPECT_TRUE(test::SamePixels24(preview->Picture(), expected)) << channel;
  }
  ReleaseWorkBuffers(prepared);
}

// The offset and threshold fields step by 4 from 0 to either end of -255..255,
// through their buttons and their arrow keys, and Apply uses each value whole.
TEST(BiasSpinEdit, ButtonsAndArrowKeysReachEveryStepOfTheRange) {
  struct Dialog {
    const char* command;
    int tag;
    int SharedState::*applied;  // what Apply reads or stores
  };
  const Dialog dialogs[] = {{"dither", 2, &SharedState::DitherThreshold},
                            {"convolve", 0, &SharedState::SharedBias},
                            {"edge", 1, &SharedState::SharedBias}};
  enum class Way { Buttons, Keys };
  const RasterImage doc = test::MakeFlat24(2, 2, 90, 90, 90);
  for (const Dialog& d : dialogs) {
    for (Way way : {Way::Buttons, Way::Keys}) {
      ProcessingFakeApp app;
      QWidget* dialog = RunCommand(d.command, app, &doc, d.tag);
      CloseAtEnd closing(dialog);
      ASSERT_NE(dialog, nullptr) << d.command;
      auto* bias = Child<TSpinEdit>(dialog, "Bias_SpinE");
      auto* apply = Child<QPushButton>(dialog, "Apply_Btn");
      bias->SetValue(0);
      auto step = [&](int direction) {
        if (way == Way::Buttons) {
          Child<QToolButton>(bias, direction > 0 ? "Up" : "Down")->click();
        } else {
          QKeyEvent key(QEvent::KeyPress, direction > 0 ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier);
          QApplication::sendEvent(bias->Editor(), &key);
        }
        apply->click();
        return app.state.*d.applied;
      };
      const std::string where = std::string(d.command) + (way == Way::Buttons ? " buttons" : " keys");
      for (int expected = -4; expected > -259; expected -= 4)
        ASSERT_EQ(step(-1), std::max(expected, -255)) << where;
      EXPECT_EQ(step(-1), -255) << where;
      EXPECT_EQ(bias->Text(), "-255") << where;
      for (int expected = -251; expected < 259; expected += 4)
        ASSERT_EQ(step(+1), std::min(expected, 255)) << where;
      EXPECT_EQ(bias->Text(), "255") << where;
    }
  }
}

}  // namespace
}  // namespace tessalin
