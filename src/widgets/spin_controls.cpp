#include "widgets/spin_controls.h"

#include <QKeyEvent>
#include <QResizeEvent>
#include <algorithm>

namespace tessalin {

TSpinEdit::TSpinEdit(int minValue, int maxValue, int increment, QWidget* parent)
    : QWidget(parent), min_(minValue), max_(maxValue), increment_(increment) {
  editor_ = new QLineEdit(this);
  editor_->setObjectName("Editor");
  editor_->setMaxLength(
      static_cast<int>(std::max(QString::number(minValue).size(), QString::number(maxValue).size())));
  editor_->installEventFilter(this);
  up_ = new QToolButton(this);
  up_->setObjectName("Up");
  up_->setArrowType(Qt::UpArrow);
  up_->setAutoRepeat(true);
  up_->setFocusPolicy(Qt::NoFocus);
  down_ = new QToolButton(this);
  down_->setObjectName("Down");
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

}  // namespace tessalin
