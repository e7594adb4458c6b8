#include "widgets/processing_dialog.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <cmath>

#include "core/pixel_ops.h"

namespace tessalin {

namespace {
// The dialog whose status bar receives the application hint (one at a time).
ProcessingDialog* hintReceiver = nullptr;
}  // namespace

bool RouteApplicationHint(const QString& hint) {
  if (!hintReceiver) return false;
  hintReceiver->ShowHint(hint);
  return true;
}

ProcessingDialog::ProcessingDialog(AppServices& app, const QString& objectName, const QString& caption,
                                   int clientWidth, int clientHeight)
    : QDialog(app.FrameWidget(), Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                                     Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                     Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      app_(app) {
  setObjectName(objectName);
  setWindowTitle(caption);
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  setFixedSize(clientWidth, clientHeight);
  QFont font = this->font();
  font.setPointSize(8);
  setFont(font);
}

ProcessingDialog::~ProcessingDialog() {
  if (hintReceiver == this) hintReceiver = nullptr;
}

void ProcessingDialog::ShowHint(const QString& hint) {
  if (statusBar_) statusBar_->showMessage(hint);
}

bool ProcessingDialog::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::WindowActivate:
      if (RoutesHints()) hintReceiver = this;
      break;
    case QEvent::WindowDeactivate:
    case QEvent::Close:
      if (hintReceiver == this) hintReceiver = nullptr;
      break;
    case QEvent::StatusTip:
      // Hints of the controls under the mouse, while this window is the active one.
      if (hintReceiver == this) ShowHint(static_cast<QStatusTipEvent*>(event)->tip());
      return true;
    default:
      break;
  }
  return QDialog::event(event);
}

void ProcessingDialog::showEvent(QShowEvent* event) {
  if (!centred_) {
    centred_ = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect area = screen->availableGeometry();
      move(area.center() - QPoint(width() / 2, height() / 2));
    }
  }
  QDialog::showEvent(event);
}

QStatusBar* ProcessingDialog::AddStatusBar(const QString& initialText) {
  statusBar_ = new QStatusBar(this);
  statusBar_->setObjectName("StatusBar");
  statusBar_->setSizeGripEnabled(false);
  statusBar_->setGeometry(0, height() - 19, width(), 19);
  if (!initialText.isEmpty()) statusBar_->showMessage(initialText);
  return statusBar_;
}

void ProcessingDialog::Export(const RasterImage& picture) {
  if (!picture.HasImage()) return;
  app_.CreateResultChild("Result", picture);
}

TScaleImage* ProcessingDialog::AddPreview(const QString& name, const QString& hint, int x, int y, int w,
                                          int h, const QString& label, int labelX, int labelY,
                                          const QColor& labelColor) {
  if (!label.isEmpty()) AddLabel(this, label, labelX, labelY, labelColor);
  auto* preview = new TScaleImage(this);
  preview->setObjectName(name);
  preview->setGeometry(x, y, w, h);
  preview->SetScaleStyle(ssScale);
  SetHint(preview, hint);
  return preview;
}

QLabel* AddLabel(QWidget* parent, const QString& text, int x, int y, const QColor& color, int maxWidth) {
  auto* label = new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(true);
  font.setPointSize(8);
  if (maxWidth > 0 && QFontMetrics(font).horizontalAdvance(text) > maxWidth) {
    // The layout was drawn for a narrower system font.
    font.setStretch(QFont::Condensed);
    while (QFontMetrics(font).horizontalAdvance(text) > maxWidth && font.pointSizeF() > 5.5)
      font.setPointSizeF(font.pointSizeF() - 0.5);
  }
  label->setFont(font);
  if (color.isValid()) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
  }
  label->move(x, y);
  label->adjustSize();
  return label;
}

void SetHint(QWidget* widget, const QString& hint) {
  widget->setToolTip(hint);
  widget->setStatusTip(hint);
}

WaitCursor::WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
WaitCursor::~WaitCursor() { QApplication::restoreOverrideCursor(); }

TScaleStyle StyleFor(const RasterImage& picture, const QWidget* preview) {
  // Measured in device pixels: the preview paints its face in them.
  const qreal ratio = preview->devicePixelRatioF();
  return picture.Width() < std::floor(preview->width() * ratio) &&
                 picture.Height() < std::floor(preview->height() * ratio)
             ? ssNormal
             : ssScale;
}

RasterImage Copy24(const RasterImage* source) {
  RasterImage copy;
  if (source) copy.Assign(*source);
  if (copy.HasImage()) ConvertPixelFormat(static_cast<int>(PixelFormat::pf24Bit), copy);
  return copy;
}

}  // namespace tessalin
