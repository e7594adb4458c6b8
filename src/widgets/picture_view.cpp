#include "widgets/picture_view.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <exception>
#include <new>

#include "processing/display_sampling.h"
#include "widgets/device_pixels.h"

namespace tessalin {

namespace {

// One notch of a mouse wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;

XrgbPlane PlaneOf(const QImage& image) {
  return XrgbPlane{reinterpret_cast<const uint32_t*>(image.constBits()), image.bytesPerLine() / 4,
                   image.width(), image.height()};
}

MutableXrgbPlane MutablePlaneOf(QImage& image, QSize size) {
  return MutableXrgbPlane{reinterpret_cast<uint32_t*>(image.bits()), image.bytesPerLine() / 4, size.width(),
                          size.height()};
}

// A window onto part of `image`, sharing its pixels.
QImage PartOf(const QImage& image, const QRect& part) {
  return QImage(image.constBits() + part.top() * image.bytesPerLine() + part.left() * 4, part.width(),
                part.height(), image.bytesPerLine(), QImage::Format_RGB32);
}

QImage Allocated(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  if (image.isNull()) throw std::bad_alloc();
  return image;
}

int FloorDiv(int64_t a, int b) { return static_cast<int>(a >= 0 ? a / b : -((-a + b - 1) / b)); }

}  // namespace

class TPictureView::PictureSurface : public QWidget {
 public:
  explicit PictureSurface(TPictureView& view) : view_(view) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    DevicePixelPainter device(painter, size());
    view_.Paint(device, event->rect());
  }
  // The middle button pans: its events go on to the view.
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::MiddleButton) return event->ignore();
    emit view_.MousePressed(event->button(), view_.PictureAt(event->position()));
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (event->buttons() & Qt::MiddleButton) return event->ignore();
    emit view_.MouseMoved(view_.PictureAt(event->position()));
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::MiddleButton) return event->ignore();
    emit view_.MouseReleased();
  }
  void contextMenuEvent(QContextMenuEvent* event) override {
    emit view_.ContextMenuRequested(event->globalPos());
  }
  // Ctrl+wheel zooms here and now; a plain wheel goes on to scroll the view.
  void wheelEvent(QWheelEvent* event) override {
    if (!view_.WheelZoom(event, QPointF(pos()) + event->position())) event->ignore();
  }

 private:
  TPictureView& view_;
};

TPictureView::TPictureView(QWidget* parent) : QScrollArea(parent), surface_(new PictureSurface(*this)) {
  setFrameShape(QFrame::NoFrame);
  setAlignment(Qt::AlignCenter);
  setWidgetResizable(false);
  setWidget(surface_);
  surface_->resize(0, 0);
  // Moves beside the picture go on to the window that holds the view.
  setMouseTracking(true);
  viewport()->setMouseTracking(true);
  for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()})
    connect(bar, &QScrollBar::valueChanged, this, [this] {
      if (!quiet_) emit ViewChanged();
    });
}

TPictureView::~TPictureView() = default;

QWidget* TPictureView::Surface() const { return surface_; }

void TPictureView::SetImage(const QImage& image) {
  image_ = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
  reduced_ = QImage();
  reducedBy_ = 0;
  ApplyZoom(zoom_);
}

QSize TPictureView::DisplaySize() const {
  const qreal ratio = devicePixelRatioF();
  return QSize(LogicalLengthFor(zoom_.DeviceLength(image_.width()), ratio),
               LogicalLengthFor(zoom_.DeviceLength(image_.height()), ratio));
}

void TPictureView::ZoomIn() { ZoomAbout(zoom_.In(), ViewportCentre()); }
void TPictureView::ZoomOut() { ZoomAbout(zoom_.Out(), ViewportCentre()); }
void TPictureView::ActualPixels() { ZoomAbout(ZoomStep(), ViewportCentre()); }

void TPictureView::FitToWindow() {
  const qreal ratio = devicePixelRatioF();
  const QSize area = maximumViewportSize() - QSize(margin_, margin_);
  // The device pixels a surface of `length` logical pixels surely holds.
  const auto device = [&](int length) {
    int64_t pixels = static_cast<int64_t>(std::floor(length * ratio));
    while (pixels > 0 && LogicalLengthFor(pixels, ratio) > length) --pixels;
    return pixels;
  };
  ZoomAbout(ZoomStep::Fit(image_.width(), image_.height(), device(area.width()), device(area.height())),
            ViewportCentre());
}

QPointF TPictureView::ViewportCentre() const {
  return QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0);
}

QPointF TPictureView::PictureUnder(QPointF viewportPosition) const {
  const qreal ratio = devicePixelRatioF();
  const QPointF device = (viewportPosition - QPointF(surface_->pos())) * ratio - DeviceShift(surface_);
  return device / zoom_.Scale();
}

QPointF TPictureView::CentrePoint() const { return PictureUnder(ViewportCentre()); }

QPoint TPictureView::PictureAt(QPointF surfacePosition) const {
  const qreal ratio = devicePixelRatioF();
  const QPointF device = surfacePosition * ratio - DeviceShift(surface_);
  const auto picture = [this](qreal position) {
    const int64_t whole = static_cast<int64_t>(std::floor(position + 1e-6));
    return zoom_.reduce > 1 ? static_cast<int>(whole * zoom_.reduce) : FloorDiv(whole, zoom_.magnify);
  };
  return QPoint(picture(device.x()), picture(device.y()));
}

void TPictureView::ApplyZoom(ZoomStep zoom) {
  // A picture may be wider than a widget can be (100 million pixels in a row):
  // then it shows as large as a widget can show it.
  const int longest = std::max(image_.width(), image_.height());
  while (zoom.DeviceLength(longest) > QWIDGETSIZE_MAX && !(zoom.Out() == zoom)) zoom = zoom.Out();
  zoom_ = zoom;
  surface_->resize(DisplaySize());
  surface_->update();
}

void TPictureView::ScrollTo(QPointF picturePoint, QPointF viewportPosition) {
  const QPointF onSurface = picturePoint * zoom_.Scale() / devicePixelRatioF();
  horizontalScrollBar()->setValue(static_cast<int>(std::lround(onSurface.x() - viewportPosition.x())));
  verticalScrollBar()->setValue(static_cast<int>(std::lround(onSurface.y() - viewportPosition.y())));
}

void TPictureView::ZoomAbout(ZoomStep zoom, QPointF anchor) {
  const QPointF point = PictureUnder(anchor);
  const bool wasQuiet = quiet_;
  quiet_ = true;
  ApplyZoom(zoom);
  ScrollTo(point, anchor);
  quiet_ = wasQuiet;
  Report();
}

void TPictureView::ShowAt(ZoomStep zoom, QPointF centre) {
  const bool wasQuiet = quiet_;
  quiet_ = true;
  if (!(zoom == zoom_)) ApplyZoom(zoom);
  ScrollTo(centre, ViewportCentre());
  quiet_ = wasQuiet;
}

void TPictureView::Report() {
  if (!quiet_) emit ViewChanged();
}

void TPictureView::SetBand(QPoint a, QPoint b) {
  bandFrom_ = a;
  bandTo_ = b;
  surface_->update();
}

const QImage& TPictureView::ReducedImage() {
  // The last reduction stays until the picture changes: back at its zoom it is ready.
  if (reducedBy_ != zoom_.reduce || reduced_.isNull()) {
    reduced_ = QImage();
    const int width = ReducedLength(image_.width(), zoom_.reduce);
    const int height = ReducedLength(image_.height(), zoom_.reduce);
    const size_t needed = static_cast<size_t>(width) * height;
    // Kept from one zoom to the next: fresh pages cost more than the means.
    if (reducedCapacity_ < needed) {
      reducedStore_.reset();
      reducedStore_.reset(new uint32_t[needed]);
      reducedCapacity_ = needed;
    }
    BlockMeans(PlaneOf(image_), zoom_.reduce, MutableXrgbPlane{reducedStore_.get(), width, width, height});
    reduced_ = QImage(reinterpret_cast<const uchar*>(reducedStore_.get()), width, height, width * 4,
                      QImage::Format_RGB32);
    reducedBy_ = zoom_.reduce;
  }
  return reduced_;
}

QImage TPictureView::ZoomedPart(const QRect& region) {
  if (zoom_.reduce > 1) return PartOf(ReducedImage(), region);
  if (zoom_.magnify == 1) return PartOf(image_, region);
  if (scratch_.width() < region.width() || scratch_.height() < region.height())
    scratch_ =
        Allocated(std::max(scratch_.width(), region.width()), std::max(scratch_.height(), region.height()));
  GatherPixels(PlaneOf(image_), MagnifiedIndices(region.left(), region.width(), zoom_.magnify),
               MagnifiedIndices(region.top(), region.height(), zoom_.magnify),
               MutablePlaneOf(scratch_, region.size()));
  return PartOf(scratch_, QRect(QPoint(0, 0), region.size()));
}

void TPictureView::Paint(DevicePixelPainter& device, const QRect& exposed) {
  QPainter& painter = device.Painter();
  const QRect picture(0, 0, static_cast<int>(zoom_.DeviceLength(image_.width())),
                      static_cast<int>(zoom_.DeviceLength(image_.height())));
  const QRect shown = device.ToDevice(exposed).intersected(picture);
  const QColor background = palette().color(QPalette::Window);
  device.FillOutside(exposed, shown, background);
  if (!shown.isEmpty()) {
    try {
      device.DrawImage(shown.topLeft(), ZoomedPart(shown));
    } catch (const std::exception&) {
      // No memory for the zoomed picture now (nothing may leave a paint event):
      // the background, and the next paint tries again.
      painter.fillRect(shown, background);
    }
  }
  if (bandFrom_ == bandTo_) return;
  // The focus rectangle, drawn by inversion.
  const auto at = [this](int p) { return static_cast<int>(zoom_.DevicePosition(p)); };
  const int left = at(std::min(bandFrom_.x(), bandTo_.x())), right = at(std::max(bandFrom_.x(), bandTo_.x()));
  const int top = at(std::min(bandFrom_.y(), bandTo_.y())), bottom = at(std::max(bandFrom_.y(), bandTo_.y()));
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  QPen pen(Qt::white, 0);
  pen.setStyle(Qt::DotLine);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRect(left, top, std::max(right - left - 1, 0), std::max(bottom - top - 1, 0)));
}

void TPictureView::wheelEvent(QWheelEvent* event) {
  if (!WheelZoom(event, event->position())) QScrollArea::wheelEvent(event);
}

bool TPictureView::WheelZoom(QWheelEvent* event, QPointF viewportPosition) {
  if (!(event->modifiers() & Qt::ControlModifier)) return false;
  event->accept();
  wheelTurn_ += event->angleDelta().y();
  ZoomStep zoom = zoom_;
  for (; wheelTurn_ >= kWheelNotch; wheelTurn_ -= kWheelNotch) zoom = zoom.In();
  for (; wheelTurn_ <= -kWheelNotch; wheelTurn_ += kWheelNotch) zoom = zoom.Out();
  if (!(zoom == zoom_)) ZoomAbout(zoom, viewportPosition);
  return true;
}

void TPictureView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::MiddleButton) return QScrollArea::mousePressEvent(event);
  panning_ = true;
  panStart_ = event->globalPosition();
  panValues_ = QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
  viewport()->setCursor(Qt::ClosedHandCursor);
  event->accept();
}

void TPictureView::mouseMoveEvent(QMouseEvent* event) {
  if (!panning_) return QScrollArea::mouseMoveEvent(event);
  const QPointF moved = event->globalPosition() - panStart_;
  horizontalScrollBar()->setValue(panValues_.x() - static_cast<int>(std::lround(moved.x())));
  verticalScrollBar()->setValue(panValues_.y() - static_cast<int>(std::lround(moved.y())));
  event->accept();
}

void TPictureView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::MiddleButton || !panning_) return QScrollArea::mouseReleaseEvent(event);
  panning_ = false;
  viewport()->unsetCursor();
  event->accept();
}

}  // namespace tessalin
