#include "widgets/picture_label.h"

#include <QMouseEvent>
#include <QPainter>

#include "widgets/device_pixels.h"
#include "widgets/qt_raster.h"

namespace tessalin {

PictureLabel::PictureLabel(QWidget* parent) : QLabel(parent) { setAlignment(Qt::AlignLeft | Qt::AlignTop); }

void PictureLabel::SetPicture(RasterImage&& picture) {
  picture_ = std::move(picture);
  image_ = RasterToQImage(picture_);
  resize(LogicalSizeFor(image_.size(), devicePixelRatioF()));
  update();
}

void PictureLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  DevicePixelPainter device(painter, size());
  if (!image_.isNull()) device.DrawImage(QPoint(0, 0), image_);
}

void PictureLabel::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit DoubleClicked();
  QLabel::mouseDoubleClickEvent(event);
}

}  // namespace tessalin
