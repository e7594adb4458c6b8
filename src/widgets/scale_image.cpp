#include "widgets/scale_image.h"

#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <exception>
#include <new>

#include "processing/display_sampling.h"
#include "widgets/device_pixels.h"
#include "widgets/qt_raster.h"

namespace tessalin {

namespace {

std::function<void(const QString&)>& WarningHandler() {
  static std::function<void(const QString&)> handler = [](const QString& text) {
    QMessageBox::warning(nullptr, QString(), text, QMessageBox::Ok);
  };
  return handler;
}

// Resampling by dropping or repeating whole pixels, never smoothing.
QImage Resample(const QImage& image, int width, int height) {
  if (width <= 0 || height <= 0 || image.isNull()) return QImage();
  if (width == image.width() && height == image.height()) return image;
  QImage out(width, height, QImage::Format_RGB32);
  if (out.isNull()) throw std::bad_alloc();
  GatherPixels(
      XrgbPlane{reinterpret_cast<const uint32_t*>(image.constBits()), image.bytesPerLine() / 4, image.width(),
                image.height()},
      TScaleImage::SampleIndices(image.width(), width), TScaleImage::SampleIndices(image.height(), height),
      MutableXrgbPlane{reinterpret_cast<uint32_t*>(out.bits()), out.bytesPerLine() / 4, width, height});
  return out;
}

}  // namespace

std::vector<int> TScaleImage::SampleIndices(int source, int target) {
  std::vector<int> indices(std::max(target, 0));
  for (int i = 0; i < target; ++i) indices[i] = static_cast<int>(static_cast<long long>(i) * source / target);
  return indices;
}

TScaleImage::TScaleImage(QWidget* parent) : QWidget(parent) {
  resize(100, 100);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TScaleImage::SetWarningHandler(std::function<void(const QString&)> handler) {
  WarningHandler() = std::move(handler);
}

const RasterImage& TScaleImage::Picture() const {
  Materialize();
  return picture_;
}

void TScaleImage::Materialize() const {
  if (!make_) return;
  PictureMaker make = std::move(make_);
  make_ = nullptr;
  try {
    picture_ = make();
  } catch (...) {
    make_ = std::move(make);  // still deferred: the next use tries again
    throw;
  }
  working_ = RasterToQImage(picture_);
}

void TScaleImage::DropDeferred() {
  make_ = nullptr;
  sample_ = nullptr;
}

void TScaleImage::SetDeferredPicture(int width, int height, PictureMaker make, SampleMaker sample) {
  picture_ = RasterImage();
  working_ = QImage();
  deferredWidth_ = width;
  deferredHeight_ = height;
  make_ = std::move(make);
  sample_ = std::move(sample);
  Changed();
}

void TScaleImage::SetPicture(const RasterImage& picture) {
  if (&picture == &picture_) return;
  // Copied aside first: a copy that runs out of memory leaves the picture whole.
  RasterImage copy;
  copy.Assign(picture);
  DropDeferred();
  picture_ = std::move(copy);
  working_ = RasterToQImage(picture_);
  Changed();
}

void TScaleImage::SetPicture(RasterImage&& picture) {
  if (&picture == &picture_) return;
  DropDeferred();
  picture_ = std::move(picture);
  working_ = RasterToQImage(picture_);
  Changed();
}

void TScaleImage::SetPicture(const QIcon&) { WarningHandler()("You may only use .BMP or .WMF images."); }

void TScaleImage::SetScaleStyle(TScaleStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TScaleImage::SetCenter(bool center) {
  if (center == center_) return;
  center_ = center;
  Changed();
}

void TScaleImage::SetBorder(bool border) {
  if (border == border_) return;
  border_ = border;
  Changed();
}

QColor TScaleImage::Color() const {
  if (color_.isValid()) return color_;
  return parentWidget() ? parentWidget()->palette().color(QPalette::Window)
                        : palette().color(QPalette::Window);
}

void TScaleImage::SetColor(const QColor& color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TScaleImage::Changed() {
  ++repaintRequests_;
  update();
}

QRect TScaleImage::TargetRect(TScaleStyle style, bool center, int W, int H, int pw, int ph) {
  if (pw <= 0 || ph <= 0) return QRect();
  switch (style) {
    case ssNormal:
      // Integer division truncates towards zero: a wide picture is cut equally on both sides.
      return center ? QRect((W - pw) / 2, (H - ph) / 2, pw, ph) : QRect(0, 0, pw, ph);
    case ssScale: {
      const double s = std::min(static_cast<double>(W) / pw, static_cast<double>(H) / ph);
      const int tw = std::min(W, static_cast<int>(std::trunc(static_cast<long double>(pw) * s)));
      const int th = std::min(H, static_cast<int>(std::trunc(static_cast<long double>(ph) * s)));
      if (!center) return QRect(0, 0, tw, th);
      return QRect(std::max(0, (W - tw) / 2), std::max(0, (H - th) / 2), tw, th);
    }
    case ssStretchXY:
      return QRect(0, 0, W, H);
    case ssStretchX:
      return QRect(0, center ? (H - ph) / 2 : 0, W, ph);
    case ssStretchY:
      return QRect(center ? (W - pw) / 2 : 0, 0, pw, H);
  }
  return QRect();
}

QImage TScaleImage::Render() const { return RenderFace(width(), height()); }

QImage TScaleImage::RenderFace(int W, int H) const {
  QImage face(std::max(W, 1), std::max(H, 1), QImage::Format_RGB32);
  face.fill(Color());
  QPainter painter(&face);
  if (make_ && style_ == ssScale) {
    // Only the sampled pixels of a deferred picture are needed for its face.
    const QRect target = TargetRect(style_, center_, W, H, deferredWidth_, deferredHeight_);
    if (!target.isEmpty())
      painter.drawImage(target.topLeft(),
                        RasterToQImage(sample_(SampleIndices(deferredWidth_, target.width()),
                                               SampleIndices(deferredHeight_, target.height()))));
  } else {
    Materialize();
    const QRect target = TargetRect(style_, center_, W, H, working_.width(), working_.height());
    if (!target.isEmpty())
      painter.drawImage(target.topLeft(), Resample(working_, target.width(), target.height()));
  }
  if (border_) {
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, W - 1, H - 1);
  }
  return face;
}

void TScaleImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // The face is laid out in device pixels, so that the picture's pixels stay
  // whole on a scaled screen; at a ratio of 1 that is the face of Render().
  DevicePixelPainter device(painter, size());
  const QRect face(QPoint(0, 0), device.DeviceSize());
  device.FillOutside(rect(), face, Color());
  try {
    device.DrawImage(face.topLeft(), RenderFace(face.width(), face.height()));
  } catch (const std::exception&) {
    // No memory to make the picture now (nothing may leave a paint event): a
    // blank face, and the next paint tries again.
    painter.fillRect(face, Color());
  }
}

void TScaleImage::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit DoubleClicked();
  QWidget::mouseDoubleClickEvent(event);
}

}  // namespace tessalin
