// The plain picture control of the rotate and scale dialogs.
#pragma once

#include <QImage>
#include <QLabel>

#include "core/raster_image.h"

namespace tessalin {

// A picture shown unscaled, one picture pixel per device pixel; the control
// takes its picture's size.
class PictureLabel : public QLabel {
  Q_OBJECT

 public:
  explicit PictureLabel(QWidget* parent);
  const RasterImage& Picture() const { return picture_; }
  void SetPicture(RasterImage&& picture);

 signals:
  void DoubleClicked();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  RasterImage picture_;
  QImage image_;  // the picture as the screen takes it
};

}  // namespace tessalin
