#include "widgets/device_pixels.h"

#include <QImage>
#include <QRegion>
#include <QWidget>
#include <cmath>

namespace tessalin {

namespace {

// Positions within this of a whole device pixel count as on it (rounding noise of the scale).
constexpr qreal kTolerance = 1e-6;

qreal FirstWhole(qreal position) { return std::ceil(position - kTolerance); }

}  // namespace

QPointF DeviceShift(const QWidget* widget) {
  const QPointF origin = QPointF(widget->mapTo(widget->window(), QPoint(0, 0))) * widget->devicePixelRatioF();
  return QPointF(FirstWhole(origin.x()) - origin.x(), FirstWhole(origin.y()) - origin.y());
}

int LogicalLengthFor(int64_t devicePixels, qreal ratio) {
  if (devicePixels <= 0) return 0;
  const int slack = ratio == std::floor(ratio) ? 0 : 1;
  return static_cast<int>(std::ceil((devicePixels + slack) / ratio - kTolerance));
}

QSize LogicalSizeFor(QSize devicePixels, qreal ratio) {
  return QSize(LogicalLengthFor(devicePixels.width(), ratio), LogicalLengthFor(devicePixels.height(), ratio));
}

DevicePixelPainter::DevicePixelPainter(QPainter& painter, QSize logicalSize) : painter_(painter) {
  const QTransform device = painter.deviceTransform();
  ratio_ = device.m11() > 0 ? device.m11() : 1.0;
  origin_ = device.map(QPointF(0, 0));
  shift_ = QPointF(FirstWhole(origin_.x()) - origin_.x(), FirstWhole(origin_.y()) - origin_.y());
  // From here on one unit is one device pixel, and whole units fall on whole device pixels.
  painter.setWorldTransform(QTransform::fromScale(1 / ratio_, 1 / ratio_).translate(shift_.x(), shift_.y()));
  size_ = QSize(static_cast<int>(std::floor(logicalSize.width() * ratio_ - shift_.x() + kTolerance)),
                static_cast<int>(std::floor(logicalSize.height() * ratio_ - shift_.y() + kTolerance)));
}

QRect DevicePixelPainter::ToDevice(const QRect& logical) const {
  const int left = static_cast<int>(std::floor(logical.left() * ratio_ - shift_.x() + kTolerance));
  const int top = static_cast<int>(std::floor(logical.top() * ratio_ - shift_.y() + kTolerance));
  const int right = static_cast<int>(std::ceil((logical.right() + 1) * ratio_ - shift_.x() - kTolerance));
  const int bottom = static_cast<int>(std::ceil((logical.bottom() + 1) * ratio_ - shift_.y() - kTolerance));
  return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).intersected(QRect(QPoint(0, 0), size_));
}

void DevicePixelPainter::FillOutside(const QRect& logical, const QRect& keep, const QColor& colour) {
  const int left = static_cast<int>(std::floor(logical.left() * ratio_ - shift_.x()));
  const int top = static_cast<int>(std::floor(logical.top() * ratio_ - shift_.y()));
  const int right = static_cast<int>(std::ceil((logical.right() + 1) * ratio_ - shift_.x()));
  const int bottom = static_cast<int>(std::ceil((logical.bottom() + 1) * ratio_ - shift_.y()));
  const QRegion outside = QRegion(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1))) - QRegion(keep);
  for (const QRect& part : outside) painter_.fillRect(part, colour);
}

void DevicePixelPainter::DrawImage(QPoint at, const QImage& image) { painter_.drawImage(at, image); }

}  // namespace tessalin
