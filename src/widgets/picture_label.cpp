#include "widgets/picture_label.h"

#include <QMouseEvent>
#include <QPixmap>

#include "widgets/qt_raster.h"

namespace tessalin {

PictureLabel::PictureLabel(QWidget* parent) : QLabel(parent) { setAlignment(Qt::AlignLeft | Qt::AlignTop); }

void PictureLabel::SetPicture(RasterImage&& picture) {
  picture_ = std::move(picture);
  if (picture_.HasImage()) {
    setPixmap(QPixmap::fromImage(RasterToQImage(picture_)));
    resize(picture_.Width(), picture_.Height());
  } else {
    setPixmap(QPixmap());
    resize(0, 0);
  }
}

void PictureLabel::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit DoubleClicked();
  QLabel::mouseDoubleClickEvent(event);
}

}  // namespace tessalin
