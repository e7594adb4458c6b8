#include "processing/ui/dialog_common.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <algorithm>

#include "app/qt_raster.h"
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

TSpinEdit::TSpinEdit(int minValue, int maxValue, int increment, QWidget* parent)
    : QWidget(parent), min_(minValue), max_(maxValue), increment_(increment) {
  editor_ = new QLineEdit(this);
  editor_->setObjectName("Editor");
  editor_->setMaxLength(3);
  editor_->installEventFilter(this);
  up_ = new QToolButton(this);
  up_->setArrowType(Qt::UpArrow);
  up_->setAutoRepeat(true);
  up_->setFocusPolicy(Qt::NoFocus);
  down_ = new QToolButton(this);
  down_->setArrowType(Qt::DownArrow);
  down_->setAutoRepeat(true);
  down_->setFocusPolicy(Qt::NoFocus);
  setFocusProxy(editor_);
  connect(up_, &QToolButton::clicked, this, [this] { Step(1); });
  connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
  connect(editor_, &QLineEdit::textChanged, this, [this] { emit Changed(); });
  SetValue(0);
}

QString TSpinEdit::Text() const { return editor_->text(); }

int TSpinEdit::Value() const {
  bool ok = false;
  const int value = editor_->text().trimmed().toInt(&ok);
  return ok ? value : min_;
}

void TSpinEdit::SetValue(int value) {
  const int clamped = std::clamp(value, min_, max_);
  const QString text = QString::number(clamped);
  if (editor_->text() != text) editor_->setText(text);
}

void TSpinEdit::Step(int steps) {
  if (!isEnabled()) return;
  SetValue(Value() + steps * increment_);
}

bool TSpinEdit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == editor_) {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        // Handled here alone, so the default button does not run a second time.
        emit EnterPressed();
        return true;
      }
      if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
        Step(key->key() == Qt::Key_Up ? 1 : -1);
        return true;
      }
    } else if (event->type() == QEvent::FocusOut) {
      // Leaving the field brings a typed value back into range.
      if (Value() < min_ || Value() > max_) SetValue(Value());
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TSpinEdit::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int buttonWidth = 15;
  editor_->setGeometry(0, 0, std::max(1, width() - buttonWidth), height());
  up_->setGeometry(width() - buttonWidth, 0, buttonWidth, height() / 2);
  down_->setGeometry(width() - buttonWidth, height() / 2, buttonWidth, height() - height() / 2);
}

TUpDown::TUpDown(int minValue, int maxValue, int increment, QWidget* parent)
    : QWidget(parent), min_(minValue), max_(maxValue), increment_(increment) {
  left_ = new QToolButton(this);
  left_->setArrowType(Qt::LeftArrow);
  left_->setObjectName("Left");
  right_ = new QToolButton(this);
  right_->setArrowType(Qt::RightArrow);
  right_->setObjectName("Right");
  resize(32, 16);
  left_->setGeometry(0, 0, 16, 16);
  right_->setGeometry(16, 0, 16, 16);
  connect(left_, &QToolButton::clicked, this, [this] { Step(-1); });
  connect(right_, &QToolButton::clicked, this, [this] { Step(1); });
}

void TUpDown::SetPosition(int position) { position_ = std::clamp(position, min_, max_); }

void TUpDown::Step(int steps) {
  SetPosition(position_ + steps * increment_);  // no wrap at either end
  emit Clicked(position_);
}

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

TScaleStyle StyleFor(const RasterImage& picture, const QWidget* preview) {
  return picture.Width() < preview->width() && picture.Height() < preview->height() ? ssNormal : ssScale;
}

RasterImage Copy24(const RasterImage* source) {
  RasterImage copy;
  if (source) copy.Assign(*source);
  if (copy.HasImage()) ConvertPixelFormat(static_cast<int>(PixelFormat::pf24Bit), copy);
  return copy;
}

}  // namespace tessalin
