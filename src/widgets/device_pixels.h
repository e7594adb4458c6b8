// Painting in whole device pixels on a screen of any scale factor: one image
// pixel lands on exactly one device pixel, wherever the widget's logical
// position falls on the device (at 1.5 a widget may start half way into one).
#pragma once

#include <QColor>
#include <QPainter>
#include <QPointF>
#include <QRect>
#include <cstdint>

class QImage;
class QWidget;

namespace tessalin {

// How far the first whole device pixel inside `widget` lies right of and
// below its top-left corner, in device pixels (0 <= shift < 1).
QPointF DeviceShift(const QWidget* widget);

// The logical size a widget needs to hold `devicePixels` whole device pixels
// wherever it stands (at a fractional ratio the first whole one may lie up to
// a device pixel inside it).
int LogicalLengthFor(int64_t devicePixels, qreal ratio);
QSize LogicalSizeFor(QSize devicePixels, qreal ratio);

class DevicePixelPainter {
 public:
  // Switches `painter`, begun on a widget of `logicalSize`, to device pixels
  // counted from the first whole device pixel inside the widget.
  DevicePixelPainter(QPainter& painter, QSize logicalSize);

  // The whole device pixels inside the widget.
  QSize DeviceSize() const { return size_; }
  // The whole device pixels that cover a logical rectangle of the widget.
  QRect ToDevice(const QRect& logical) const;
  // Fills every device pixel that a logical rectangle touches, even in part,
  // outside `keep` (device pixels): where a widget's edge falls inside a device
  // pixel, that pixel is the widget's to paint.
  void FillOutside(const QRect& logical, const QRect& keep, const QColor& colour);
  // `image` one pixel per device pixel, its top-left at `at`.
  void DrawImage(QPoint at, const QImage& image);
  QPainter& Painter() { return painter_; }

 private:
  QPainter& painter_;
  QPointF origin_;  // the widget's top-left on the device
  QPointF shift_;
  qreal ratio_ = 1;
  QSize size_;
};

}  // namespace tessalin
