#include "widgets/scale_image.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

#include "support/test_pictures.h"

namespace tessalin {
namespace {

using test::MakeGradient;

QRgb At(const QImage& face, int x, int y) { return face.pixel(x, y) & 0xFFFFFF; }
QRgb PictureRgb(const RasterImage& picture, int x, int y) {
  const test::Bgr p = test::PixelAt(picture, x, y);
  return qRgb(p.r, p.g, p.b) & 0xFFFFFF;
}

TEST(ScaleImagePlacement, WorkedExamplesInA130Control) {
  EXPECT_EQ(TScaleImage::TargetRect(ssScale, true, 130, 130, 50, 20), QRect(0, 39, 130, 52));
  EXPECT_EQ(TScaleImage::TargetRect(ssNormal, true, 130, 130, 50, 20), QRect(40, 55, 50, 20));
  EXPECT_EQ(TScaleImage::TargetRect(ssNormal, true, 130, 130, 300, 100), QRect(-85, 15, 300, 100));
  EXPECT_EQ(TScaleImage::TargetRect(ssNormal, false, 130, 130, 300, 100), QRect(0, 0, 300, 100));
  // A large picture scaled down keeps its shape and sits in the middle.
  EXPECT_EQ(TScaleImage::TargetRect(ssScale, true, 130, 130, 400, 200), QRect(0, 32, 130, 65));
  EXPECT_EQ(TScaleImage::TargetRect(ssScale, false, 130, 130, 400, 200), QRect(0, 0, 130, 65));
  EXPECT_TRUE(TScaleImage::TargetRect(ssScale, true, 130, 130, 0, 0).isEmpty());
}

TEST(ScaleImagePlacement, StretchStyles) {
  EXPECT_EQ(TScaleImage::TargetRect(ssStretchXY, true, 130, 100, 50, 20), QRect(0, 0, 130, 100));
  EXPECT_EQ(TScaleImage::TargetRect(ssStretchX, true, 130, 100, 50, 20), QRect(0, 40, 130, 20));
  EXPECT_EQ(TScaleImage::TargetRect(ssStretchX, false, 130, 100, 50, 20), QRect(0, 0, 130, 20));
  EXPECT_EQ(TScaleImage::TargetRect(ssStretchY, true, 130, 100, 50, 20), QRect(40, 0, 50, 100));
  EXPECT_EQ(TScaleImage::TargetRect(ssStretchY, false, 130, 100, 50, 20), QRect(0, 0, 50, 100));
}

TEST(ScaleImagePainting, ScaledPictureRepeatsWholePixelsInsideBackgroundAndFrame) {
  TScaleImage control;
  EXPECT_EQ(control.size(), QSize(100, 100));
  control.resize(130, 130);
  control.SetColor(QColor(1, 2, 3));
  const RasterImage picture = MakeGradient(50, 20);
  control.SetPicture(picture);
  control.SetScaleStyle(ssScale);
  const QImage face = control.Render();
  EXPECT_EQ(At(face, 0, 0), qRgb(0, 0, 0) & 0xFFFFFF);     // frame
  EXPECT_EQ(At(face, 129, 70), qRgb(0, 0, 0) & 0xFFFFFF);  // frame
  EXPECT_EQ(At(face, 60, 20), qRgb(1, 2, 3) & 0xFFFFFF);   // above the picture
  EXPECT_EQ(At(face, 60, 100), qRgb(1, 2, 3) & 0xFFFFFF);  // below it (39 + 52 = 91)
  // Scale 2.6: control column x shows picture column trunc(x / 2.6), row 39 + y row trunc(y * 20 / 52).
  for (int x : {1, 2, 3, 64, 65, 128})
    for (int y : {0, 1, 25, 51})
      EXPECT_EQ(At(face, x, 39 + y), PictureRgb(picture, x * 50 / 130, y * 20 / 52)) << x << "," << y;
}

TEST(ScaleImagePainting, NormalCentredCutsAWidePictureEquallyOnBothSides) {
  TScaleImage control;
  control.resize(130, 130);
  control.SetBorder(false);
  const RasterImage picture = MakeGradient(300, 100);
  control.SetPicture(picture);
  const QImage face = control.Render();
  EXPECT_EQ(At(face, 0, 15), PictureRgb(picture, 85, 0));
  EXPECT_EQ(At(face, 129, 114), PictureRgb(picture, 214, 99));
  EXPECT_EQ(At(face, 64, 14), control.Color().rgb() & 0xFFFFFF);
}

TEST(ScaleImageProperties, RepaintsOnlyOnChangeAndRefusesIcons) {
  TScaleImage control;
  EXPECT_EQ(control.ScaleStyle(), ssNormal);
  EXPECT_TRUE(control.Center());
  EXPECT_TRUE(control.Border());
  const int start = control.RepaintRequests();
  control.SetScaleStyle(ssNormal);
  control.SetCenter(true);
  control.SetBorder(true);
  EXPECT_EQ(control.RepaintRequests(), start);
  control.SetScaleStyle(ssScale);
  EXPECT_EQ(control.RepaintRequests(), start + 1);
  control.SetCenter(false);
  control.SetBorder(false);
  EXPECT_EQ(control.RepaintRequests(), start + 3);

  const RasterImage picture = MakeGradient(7, 5);
  control.SetPicture(picture);
  const int afterPicture = control.RepaintRequests();
  control.SetPicture(control.Picture());  // its own picture: nothing happens
  EXPECT_EQ(control.RepaintRequests(), afterPicture);
  EXPECT_TRUE(test::SamePixels24(control.Picture(), picture));

  QStringList warnings;
  TScaleImage::SetWarningHandler([&](const QString& text) { warnings << text; });
  control.SetPicture(QIcon());
  TScaleImage::SetWarningHandler([](const QString&) {});
  EXPECT_EQ(warnings, QStringList{"You may only use .BMP or .WMF images."});
  EXPECT_TRUE(test::SamePixels24(control.Picture(), picture));
  EXPECT_EQ(control.RepaintRequests(), afterPicture);
}

TEST(ScaleImageProperties, DoubleClickIsReported) {
  TScaleImage control;
  int clicks = 0;
  QObject::connect(&control, &TScaleImage::DoubleClicked, [&] { ++clicks; });
  QMouseEvent event(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(&control, &event);
  EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace tessalin
