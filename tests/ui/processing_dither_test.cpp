#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>

#include "processing/dither.h"
#include "processing/ui/dither_dialog.h"
#include "processing_fake_app.h"
#include "support/test_pictures.h"

namespace tessalin {
namespace {

using namespace test::processing_ui;

struct DitherParts {
  QComboBox* kind;
  TSpinEdit* threshold;
  TScaleImage* src;
  TScaleImage* results[4];
};

DitherParts Parts(QWidget* dialog) {
  return {Child<QComboBox>(dialog, "Dither_CbBox"),
          Child<TSpinEdit>(dialog, "Bias_SpinE"),
          Child<TScaleImage>(dialog, "Src_Img"),
          {Child<TScaleImage>(dialog, "R_Img"), Child<TScaleImage>(dialog, "G_Img"),
           Child<TScaleImage>(dialog, "B_Img"), Child<TScaleImage>(dialog, "I_Img")}};
}

TEST(DitherDialog, MenuCommandPreselectsTheKindAndThreshold128) {
  ProcessingFakeApp app;
  app.state.SharedBias = 64;
  const RasterImage doc = test::MakeGradient(20, 10);
  QWidget* dialog = RunCommand("dither", app, &doc, 4);  // "&Stucki"
  CloseAtEnd closing(dialog);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), "Image Dithering Process");
  EXPECT_TRUE(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(static_cast<QDialog*>(dialog)->isModal());
  const DitherParts p = Parts(dialog);
  EXPECT_EQ(p.kind->currentText(), "Stucki");
  EXPECT_EQ(p.threshold->Text(), "128");
  EXPECT_TRUE(p.threshold->isEnabled());
  EXPECT_EQ(app.state.SharedBias, 128);
  EXPECT_EQ(app.state.DitherKind, 4);
  EXPECT_TRUE(test::SamePixels24(p.src->Picture(), doc));
}

TEST(DitherDialog, OrderedKindsDisableTheThresholdOnlyWhenChosen) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeGradient(20, 10);
  TDither_Frm* dialog = OpenDitherDialog(app, &doc, 0);  // "Clusterd Dot &1"
  CloseAtEnd closing(dialog);
  const DitherParts p = Parts(dialog);
  EXPECT_EQ(p.kind->currentText(), "Clusterd Dot");
  EXPECT_TRUE(p.threshold->isEnabled());  // until the user changes the selection
  p.kind->setCurrentIndex(1);
  EXPECT_EQ(p.kind->currentText(), "Clusterd Dot2");
  EXPECT_FALSE(p.threshold->isEnabled());
  EXPECT_EQ(app.state.DitherKind, 1);
  p.kind->setCurrentIndex(3);
  EXPECT_TRUE(p.threshold->isEnabled());
  EXPECT_EQ(app.state.DitherKind, 3);
}

TEST(DitherDialog, EnterInTheThresholdFieldAppliesTheTypedValue) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeRandom24(37, 23, 5);
  TDither_Frm* dialog = OpenDitherDialog(app, &doc, 2);  // Floyd-Steinberg
  CloseAtEnd closing(dialog);
  const DitherParts p = Parts(dialog);
  // Before any Apply a double click exports nothing.
  DoubleClick(p.results[3]);
  EXPECT_TRUE(app.results.empty());

  p.threshold->Editor()->setText("99");
  PressEnter(p.threshold->Editor());
  EXPECT_EQ(app.state.DitherThreshold, 99);
  const DitherResults expected = FloydSteinbergDither(doc, 99);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(test::SamePixels24(p.results[i]->Picture(), expected[i])) << i;
  const DitherResults at128 = FloydSteinbergDither(doc, 128);
  EXPECT_FALSE(test::SamePixels24(p.results[3]->Picture(), at128[3]));

  DoubleClick(p.results[3]);
  ASSERT_EQ(app.results.size(), 1u);
  EXPECT_TRUE(test::SamePixels24(app.results[0].picture, expected[3]));
}

TEST(DitherDialog, TypedTextThatIsNoNumberCountsAsTheMinimum) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeGradient(8, 8);
  TDither_Frm* dialog = OpenDitherDialog(app, &doc, 5);
  CloseAtEnd closing(dialog);
  TSpinEdit* field = Parts(dialog).threshold;
  field->Editor()->setText("x9");
  Child<QPushButton>(dialog, "Apply_Btn")->click();
  EXPECT_EQ(app.state.DitherThreshold, -255);
  field->Editor()->setText("999");  // typed values are not clamped
  Child<QPushButton>(dialog, "Apply_Btn")->click();
  EXPECT_EQ(app.state.DitherThreshold, 999);
  EXPECT_EQ(field->Editor()->maxLength(), 4);  // room for "-255"
}

TEST(DitherDialog, TwoDialogsKeepTheirSourcesButShareTheProcessWideValues) {
  ProcessingFakeApp app;
  const RasterImage docA = test::MakeRandom24(30, 20, 1);
  const RasterImage docB = test::MakeRandom24(25, 15, 2);
  TDither_Frm* a = OpenDitherDialog(app, &docA, 2);
  CloseAtEnd closeA(a);
  TDither_Frm* b = OpenDitherDialog(app, &docB, 3);
  CloseAtEnd closeB(b);
  ASSERT_NE(a, b);
  const DitherParts pa = Parts(a), pb = Parts(b);
  EXPECT_TRUE(test::SamePixels24(pa.src->Picture(), docA));
  EXPECT_TRUE(test::SamePixels24(pb.src->Picture(), docB));

  pa.threshold->Editor()->setText("60");
  Child<QPushButton>(a, "Apply_Btn")->click();
  EXPECT_EQ(app.state.DitherThreshold, 60);
  EXPECT_EQ(app.state.DitherKind, 2);
  EXPECT_EQ(pa.results[0]->Picture().Width(), 30);
  for (TScaleImage* r : pb.results) EXPECT_FALSE(r->Picture().HasImage());
  EXPECT_EQ(pb.threshold->Text(), "128");

  Child<QPushButton>(b, "Apply_Btn")->click();
  EXPECT_EQ(app.state.DitherThreshold, 128);
  EXPECT_EQ(app.state.DitherKind, 3);
  EXPECT_EQ(pb.results[0]->Picture().Width(), 25);
  EXPECT_EQ(pa.results[0]->Picture().Width(), 30);
}

TEST(DitherDialog, SmallSourcesAreShownAtNaturalSizeLargeOnesScaled) {
  ProcessingFakeApp app;
  const RasterImage small = test::MakeGradient(40, 129);
  const RasterImage large = test::MakeGradient(200, 50);
  TDither_Frm* s = OpenDitherDialog(app, &small, 2);
  CloseAtEnd closeS(s);
  TDither_Frm* l = OpenDitherDialog(app, &large, 2);
  CloseAtEnd closeL(l);
  EXPECT_EQ(Parts(s).src->ScaleStyle(), ssNormal);
  EXPECT_EQ(Parts(l).src->ScaleStyle(), ssScale);
  Child<QPushButton>(s, "Apply_Btn")->click();
  Child<QPushButton>(l, "Apply_Btn")->click();
  for (TScaleImage* r : Parts(s).results) EXPECT_EQ(r->ScaleStyle(), ssNormal);
  for (TScaleImage* r : Parts(l).results) EXPECT_EQ(r->ScaleStyle(), ssScale);
}

TEST(DitherDialog, HintGoesToTheActiveDialogsStatusBar) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeGradient(8, 8);
  TDither_Frm* dialog = OpenDitherDialog(app, &doc, 2);
  CloseAtEnd closing(dialog);
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(dialog, &activate);
  EXPECT_TRUE(RouteApplicationHint("ProcessRation : 50% completed."));
  auto* bar = dialog->findChild<QStatusBar*>("StatusBar");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->currentMessage(), "ProcessRation : 50% completed.");
  // Hints of its own controls, as the mouse passes over them.
  QStatusTipEvent tip(Child<QPushButton>(dialog, "Apply_Btn")->statusTip());
  QApplication::sendEvent(dialog, &tip);
  EXPECT_EQ(bar->currentMessage(), "Apply Selected Dithering");
  QEvent deactivate(QEvent::WindowDeactivate);
  QApplication::sendEvent(dialog, &deactivate);
  EXPECT_FALSE(RouteApplicationHint("later"));
  QStatusTipEvent late("late");
  QApplication::sendEvent(dialog, &late);
  EXPECT_EQ(bar->currentMessage(), "Apply Selected Dithering");
}

TEST(DitherDialog, MoreMethodsAddsTheFurtherKindsAndARowOfOptions) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeRandom24(41, 27, 6);
  QWidget* plain = RunCommand("dither", app, &doc, 2);
  CloseAtEnd closePlain(plain);
  QWidget* more = RunCommand("dither", app, &doc, kFirstFurtherDitherKind);  // "&More Methods..."
  CloseAtEnd closeMore(more);
  ASSERT_NE(more, nullptr);
  // From the six items the dialog is as it was: no option row, the six kinds.
  EXPECT_EQ(plain->findChild<TSpinEdit*>("Strength_SpinE"), nullptr);
  EXPECT_EQ(plain->findChild<QCheckBox*>("Linear_ChkBox"), nullptr);
  EXPECT_EQ(Parts(plain).kind->count(), 6);
  EXPECT_EQ(more->height() - plain->height(), 30);
  EXPECT_EQ(Parts(more).src->y() - Parts(plain).src->y(), 30);

  const DitherParts p = Parts(more);
  const QStringList further = {"Atkinson",    "Burkes",    "Sierra",    "Sierra Two-Row",
                               "Sierra Lite", "Bayer 8x8", "Blue Noise"};
  ASSERT_EQ(p.kind->count(), 6 + further.size());
  for (int i = 0; i < further.size(); ++i) EXPECT_EQ(p.kind->itemText(6 + i), further[i]);
  EXPECT_EQ(p.kind->currentText(), "Atkinson");
  auto* strength = Child<TSpinEdit>(more, "Strength_SpinE");
  auto* linear = Child<QCheckBox>(more, "Linear_ChkBox");
  EXPECT_EQ(strength->Text(), "100");
  EXPECT_TRUE(strength->isEnabled() && linear->isEnabled());
  p.kind->setCurrentIndex(12);  // blue noise: ordered, no threshold, no options
  EXPECT_FALSE(p.threshold->isEnabled() || strength->isEnabled() || linear->isEnabled());
  p.kind->setCurrentIndex(8);  // Sierra
  EXPECT_TRUE(p.threshold->isEnabled() && strength->isEnabled() && linear->isEnabled());
  strength->Editor()->setText("40");
  linear->setChecked(true);
  PressEnter(strength->Editor());
  EXPECT_EQ(app.state.DitherKind, 8);
  const DitherResults expected = DitherByKind(doc, 8, 128, {40, true});
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(test::SamePixels24(p.results[i]->Picture(), expected[i])) << i;
}

TEST(DitherDialog, EscapeAndCloseDestroyTheDialog) {
  ProcessingFakeApp app;
  const RasterImage doc = test::MakeGradient(8, 8);
  QPointer<TDither_Frm> byEscape(OpenDitherDialog(app, &doc, 2));
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(byEscape.data(), &escape);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(byEscape.isNull());
  QPointer<TDither_Frm> byButton(OpenDitherDialog(app, &doc, 2));
  Child<QPushButton>(byButton.data(), "Close_Btn")->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(byButton.isNull());
}

}  // namespace
}  // namespace tessalin
