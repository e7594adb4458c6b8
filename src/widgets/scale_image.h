// TScaleImage: the preview control of the processing dialogs. Shows one
// picture inside its rectangle in one of five placement styles, fills the rest
// with its colour and frames it in black. The picture it is given is copied.
#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QRect>
#include <QWidget>
#include <functional>
#include <vector>

#include "core/raster_image.h"

namespace tessalin {

enum TScaleStyle { ssNormal = 0, ssScale = 1, ssStretchXY = 2, ssStretchX = 3, ssStretchY = 4 };

class TScaleImage : public QWidget {
  Q_OBJECT

 public:
  explicit TScaleImage(QWidget* parent = nullptr);

  const RasterImage& Picture() const;
  // Copies `picture`; assigning the control's own picture does nothing.
  void SetPicture(const RasterImage& picture);
  void SetPicture(RasterImage&& picture);
  // A picture made only when first asked for (Picture(), or a style that needs
  // all of it). Until then the face is drawn from `sample`, which returns the
  // picture's pixels at the given columns and rows (a small picture) and must
  // agree with what `make` would give there.
  using PictureMaker = std::function<RasterImage()>;
  using SampleMaker =
      std::function<RasterImage(const std::vector<int>& columns, const std::vector<int>& rows)>;
  void SetDeferredPicture(int width, int height, PictureMaker make, SampleMaker sample);
  bool PictureIsDeferred() const { return static_cast<bool>(make_); }

  // Icons are refused with a warning; the current picture stays.
  void SetPicture(const QIcon& icon);

  TScaleStyle ScaleStyle() const { return style_; }
  void SetScaleStyle(TScaleStyle style);
  bool Center() const { return center_; }
  void SetCenter(bool center);
  bool Border() const { return border_; }
  void SetBorder(bool border);
  // The background; until set, the parent's window colour.
  QColor Color() const;
  void SetColor(const QColor& color);

  // Where a pw x ph picture lands in a W x H control (may reach outside it).
  static QRect TargetRect(TScaleStyle style, bool center, int W, int H, int pw, int ph);
  // Which of `source` pixels each of `target` places shows when a picture is
  // spread over them by dropping or repeating whole pixels.
  static std::vector<int> SampleIndices(int source, int target);
  // The control's face, as painted on a screen of ratio 1.
  QImage Render() const;
  // The face laid out for W x H pixels (the control's device pixels when painted).
  QImage RenderFace(int W, int H) const;
  // How often a repaint was asked for (every change of what is shown).
  int RepaintRequests() const { return repaintRequests_; }

  // The warning shown for icons; replaced by window tests.
  static void SetWarningHandler(std::function<void(const QString&)> handler);

 signals:
  void DoubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void Changed();
  void Materialize() const;
  void DropDeferred();

  mutable RasterImage picture_;
  mutable PictureMaker make_;
  SampleMaker sample_;
  int deferredWidth_ = 0, deferredHeight_ = 0;
  mutable QImage working_;  // the picture as the screen draws it
  TScaleStyle style_ = ssNormal;
  bool center_ = true;
  bool border_ = true;
  QColor color_;  // invalid: the parent's
  int repaintRequests_ = 0;
};

}  // namespace tessalin
