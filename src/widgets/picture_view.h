// TPictureView: one picture at a zoom, in whole device pixels on a screen of
// any scale factor. At Actual Pixels a picture pixel is one device pixel;
// zoomed in, n x n device pixels, never smoothed; zoomed out, the mean of each
// block. Scroll bars appear when the picture is larger than the view,
// Ctrl+wheel zooms about the mouse and the middle button pans. Mouse positions
// on the picture are reported in picture coordinates. A paint draws only what
// is visible, from images kept between paints.
#pragma once

#include <QImage>
#include <QPoint>
#include <QScrollArea>
#include <cstdint>
#include <memory>

#include "widgets/zoom_step.h"

namespace tessalin {

class DevicePixelPainter;

class TPictureView : public QScrollArea {
  Q_OBJECT

 public:
  explicit TPictureView(QWidget* parent = nullptr);
  ~TPictureView() override;

  // The picture itself, as large as it shows; its mouse events become the
  // signals below.
  QWidget* Surface() const;

  // Shows `image` at the current zoom.
  void SetImage(const QImage& image);
  const QImage& Image() const { return image_; }
  // Logical pixels that Fit to Window keeps free around the picture.
  void SetMargin(int margin) { margin_ = margin; }

  ZoomStep Zoom() const { return zoom_; }
  // The picture's size on the screen, in logical pixels.
  QSize DisplaySize() const;

  // The commands of the View menu; each reports ViewChanged.
  void ZoomIn();
  void ZoomOut();
  void ActualPixels();
  void FitToWindow();

  // The picture point in the middle of the view, in picture pixels.
  QPointF CentrePoint() const;
  // Zooms and scrolls so that picture point `centre` is in the middle; reports nothing.
  void ShowAt(ZoomStep zoom, QPointF centre);

  // The rubber band: the focus rectangle of [a, b) in picture coordinates, drawn while a != b.
  void SetBand(QPoint a, QPoint b);

  // The picture pixel under a position on the surface (outside the picture too).
  QPoint PictureAt(QPointF surfacePosition) const;

 signals:
  void MousePressed(Qt::MouseButton button, QPoint at);
  void MouseMoved(QPoint at);
  void MouseReleased();
  void ContextMenuRequested(QPoint globalPosition);
  // The user zoomed or scrolled.
  void ViewChanged();

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  class PictureSurface;
  friend class PictureSurface;

  // Ctrl+wheel: zooms about the mouse; false for a wheel without Ctrl.
  bool WheelZoom(QWheelEvent* event, QPointF viewportPosition);
  // Zooms keeping the picture point at `anchor` (viewport coordinates) in place.
  void ZoomAbout(ZoomStep zoom, QPointF anchor);
  void ApplyZoom(ZoomStep zoom);
  QPointF PictureUnder(QPointF viewportPosition) const;
  void ScrollTo(QPointF picturePoint, QPointF viewportPosition);
  QPointF ViewportCentre() const;
  // Paints `exposed` (logical pixels of the surface).
  void Paint(DevicePixelPainter& device, const QRect& exposed);
  // The part `region` (device pixels of the picture) as it shows at the zoom.
  QImage ZoomedPart(const QRect& region);
  const QImage& ReducedImage();
  void Report();

  PictureSurface* surface_;
  QImage image_;
  QImage reduced_;  // image_ at the last reduction painted
  int reducedBy_ = 0;
  std::unique_ptr<uint32_t[]> reducedStore_;  // reduced_'s pixels, its memory kept for the next reduction
  size_t reducedCapacity_ = 0;
  QImage scratch_;  // a zoomed-in part, its memory kept for the next paint
  ZoomStep zoom_;
  QPoint bandFrom_, bandTo_;
  int margin_ = 0;
  bool quiet_ = false;  // changes made by ShowAt are not the user's
  bool panning_ = false;
  QPointF panStart_;
  QPoint panValues_;
  int wheelTurn_ = 0;  // eighths of a degree not yet turned into a zoom step
};

}  // namespace tessalin
