// The integer controls of the processing dialogs: a spin edit and a pair of
// up-down arrow buttons.
#pragma once

#include <QLineEdit>
#include <QToolButton>
#include <QWidget>

namespace tessalin {

// An integer field with up and down buttons. Its value is its text read as an
// integer, the minimum when the text is no integer; the buttons and leaving the
// field clamp to the range, typing does not (at most as many characters as the
// wider bound takes, so every value of the range can be typed and shown).
class TSpinEdit : public QWidget {
  Q_OBJECT

 public:
  TSpinEdit(int minValue, int maxValue, int increment, QWidget* parent);
  int Value() const;
  void SetValue(int value);  // clamped
  QString Text() const;
  QLineEdit* Editor() const { return editor_; }
  int MinValue() const { return min_; }
  int MaxValue() const { return max_; }
  int Increment() const { return increment_; }

 signals:
  void Changed();       // every change of the text
  void EnterPressed();  // Enter in the field

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Step(int steps);
  QLineEdit* editor_;
  QToolButton* up_;
  QToolButton* down_;
  int min_, max_, increment_;
};

// A horizontal pair of arrow buttons holding a position; every click reports
// the (possibly unchanged) new position.
class TUpDown : public QWidget {
  Q_OBJECT

 public:
  TUpDown(int minValue, int maxValue, int increment, QWidget* parent);
  int Position() const { return position_; }
  void SetPosition(int position);  // clamped, reports nothing
  QToolButton* LeftButton() const { return left_; }
  QToolButton* RightButton() const { return right_; }

 signals:
  void Clicked(int position);

 private:
  void Step(int steps);
  QToolButton* left_;
  QToolButton* right_;
  int min_, max_, increment_, position_ = 0;
};

}  // namespace tessalin
