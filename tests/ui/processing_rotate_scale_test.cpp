#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "processing/rotate.h"
#include "processing/scale.h"
#include "processing/ui/rotate_dialog.h"
#include "processing/ui/scale_dialog.h"
#include "processing_fake_app.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using namespace test::processing_ui;
using test::PixelAt;

const QString kRing = QString::fromUtf8("\u02DA");

TEST(RotateDialog, StepsAlwaysStartFromTheKeptCopy) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeRandom24(31, 17, 3);
  QWidget* dialog = RunCommand("rotate", app, &doc, 1);
  CloseAtEnd closing(dialog);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), "Image Rotating Process");
  auto* bar = Child<QSlider>(dialog, "Degree_TrBar");
  auto* shown = Child<PictureLabel>(dialog, "Src_Img");
  EXPECT_TRUE(test::SamePixels24(shown->Picture(), doc));

  bar->setValue(30);
  EXPECT_EQ(dialog->windowTitle(), "Rotation(Degree : 30" + kRing + ")");
  bar->setValue(60);
  // One turn by 60 from the source, not 30 on top of 30.
  EXPECT_TRUE(test::SamePixels24(shown->Picture(), RotateImage(doc, false, 60)));
  bar->setValue(0);
  EXPECT_TRUE(test::SamePixels24(shown->Picture(), doc));
  EXPECT_EQ(dialog->windowTitle(), "Rotation(Degree : 0" + kRing + ")");
  // Without a status bar it leaves the application hint to the frame.
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(dialog, &activate);
  EXPECT_FALSE(RouteApplicationHint("for the frame"));
}

TEST(RotateDialog, FullFitRecomputesAtTheSameAngleAndOkExports) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeRandom24(40, 20, 4);
  TRotate_Frm* dialog = OpenRotateDialog(app, &doc, 1);
  QPointer<TRotate_Frm> alive(dialog);
  auto* bar = Child<QSlider>(dialog, "Degree_TrBar");
  auto* shown = Child<PictureLabel>(dialog, "Src_Img");
  bar->setValue(90);
  EXPECT_EQ(shown->Picture().Width(), 40);
  Child<QCheckBox>(dialog, "Fit_ChkBox")->click();
  // A quarter turn with Fit: 20 wide and 40 high.
  EXPECT_EQ(shown->Picture().Width(), 20);
  EXPECT_EQ(shown->Picture().Height(), 40);
  EXPECT_TRUE(test::SamePixels24(shown->Picture(), RotateImage(doc, true, 90)));
  DoubleClick(shown);
  ASSERT_EQ(app.results.size(), 1u);
  Child<QPushButton>(dialog, "Ok_BitBtn")->click();
  ASSERT_EQ(app.results.size(), 2u);
  EXPECT_TRUE(test::SamePixels24(app.results[1].picture, RotateImage(doc, true, 90)));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(alive.isNull());  // Ok closes and destroys the dialog
}

TEST(RotateDialog, QuarterTurnCommandOpensAResultAtOnce) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeGradient(5, 3);
  EXPECT_EQ(RunCommand("rotate", app, &doc, 0), nullptr);
  ASSERT_EQ(app.results.size(), 1u);
  EXPECT_EQ(app.results[0].picture.Width(), 3);
  EXPECT_EQ(app.results[0].picture.Height(), 5);
  // Clockwise: the source's left column becomes the top row.
  EXPECT_EQ(PixelAt(app.results[0].picture, 0, 0), PixelAt(doc, 0, 2));
}

TEST(ScaleDialog, FactorsHaveThreeSignificantDigits) {
  EXPECT_DOUBLE_EQ(TScale_Frm::ReductionFactor(3), 33.3);
  EXPECT_DOUBLE_EQ(TScale_Frm::ReductionFactor(75), 1.33);
  EXPECT_DOUBLE_EQ(TScale_Frm::ReductionFactor(50), 2.0);
  EXPECT_DOUBLE_EQ(TScale_Frm::ReductionFactor(7), 14.3);
  EXPECT_DOUBLE_EQ(TScale_Frm::MagnificationFactor(125), 1.25);
  EXPECT_DOUBLE_EQ(TScale_Frm::MagnificationFactor(333), 3.33);
}

TEST(ScaleDialog, ReductionAtThreePercentUsesFactor33Point3) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeRandom24(100, 70, 2);
  QWidget* dialog = RunCommand("scale", app, &doc, 0);
  CloseAtEnd closing(dialog);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), "Image Scaling Process");
  auto* shown = Child<PictureLabel>(dialog, "Src_Img");
  EXPECT_TRUE(test::SamePixels24(shown->Picture(), doc));
  Child<QSlider>(dialog, "Mini_TrBar")->setValue(3);
  EXPECT_EQ(Child<QLabel>(dialog, "Mini_Rate_Lbl")->text(), "3 %");
  EXPECT_EQ(dialog->windowTitle(), "Reduction(Degree : 3 %)");
  // trunc(100 / 33.3) x trunc(70 / 33.3), blocks of 33 x 33.
  ASSERT_EQ(shown->Picture().Width(), 3);
  ASSERT_EQ(shown->Picture().Height(), 2);
  EXPECT_TRUE(test::SamePixels24(shown->Picture(), ReduceImage(doc, 33.3, 33.3)));
}

TEST(ScaleDialog, BarsAreNeverCombinedAndOkExports) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeRandom24(2, 2, 5);
  TScale_Frm* dialog = OpenScaleDialog(app, &doc, 0);
  CloseAtEnd closing(dialog);
  auto* shown = Child<PictureLabel>(dialog, "Src_Img");
  Child<QSlider>(dialog, "Mini_TrBar")->setValue(50);
  EXPECT_EQ(shown->Picture().Width(), 1);
  Child<QSlider>(dialog, "Magni_trBar")->setValue(300);
  EXPECT_EQ(Child<QLabel>(dialog, "Magni_Rate_Lbl")->text(), "300%");
  EXPECT_EQ(Child<QLabel>(dialog, "Mini_Rate_Lbl")->text(), "50 %");
  EXPECT_EQ(dialog->windowTitle(), "Magnification(Degree : 300%)");
  // From the kept 2 x 2 copy, not from the 1 x 1 reduction: each pixel fills 3 x 3.
  ASSERT_EQ(shown->Picture().Width(), 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(PixelAt(shown->Picture(), x, y), PixelAt(doc, x / 3, y / 3));
  Child<QPushButton>(dialog, "Ok_BitBtn")->click();
  ASSERT_EQ(app.results.size(), 1u);
  EXPECT_EQ(app.results[0].picture.Width(), 6);
}

TEST(ScaleDialog, MenuPercentagesOpenAResultAtOnce) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeGradient(4, 4);
  EXPECT_EQ(RunCommand("scale", app, &doc, 75), nullptr);
  ASSERT_EQ(app.results.size(), 1u);
  EXPECT_EQ(app.results[0].picture.Width(), 3);
}

}  // namespace
}  // namespace tessalin
