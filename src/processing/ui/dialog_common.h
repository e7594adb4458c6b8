// Pieces every processing dialog shares: the window (modeless, on top, fixed,
// centred, destroyed on close, hint text routed to its own status bar while it
// is active), the spin edit and up-down controls, the plain picture control of
// the rotate and scale dialogs, and the export and hourglass helpers.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QToolButton>
#include <functional>

#include "app/app_services.h"
#include "app/scale_image.h"
#include "core/raster_image.h"

class QStatusBar;
class QComboBox;

namespace tessalin {

// Shows `hint` in the status bar of the active processing dialog; false when
// none is active. The frame calls it for every change of the application hint.
bool RouteApplicationHint(const QString& hint);

class ProcessingDialog : public QDialog {
  Q_OBJECT

 public:
  ProcessingDialog(AppServices& app, const QString& objectName, const QString& caption, int clientWidth,
                   int clientHeight);
  ~ProcessingDialog() override;

  AppServices& App() { return app_; }
  // Where the routed hint goes; the channel dialog puts it into its first panel.
  virtual void ShowHint(const QString& hint);
  // Only dialogs with a status bar take over the application hint.
  virtual bool RoutesHints() const { return statusBar_ != nullptr; }

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // A simple-text status bar along the bottom.
  QStatusBar* AddStatusBar(const QString& initialText);
  // Opens a copy of a non-empty picture as a new document.
  void Export(const RasterImage& picture);
  // A slot whose failures (out of memory, engine errors) end in the error box
  // rather than in the event loop, which cannot carry them.
  std::function<void()> Guarded(std::function<void()> handler) {
    return [this, handler = std::move(handler)] { app_.RunGuarded(handler); };
  }
  // A result preview with its label above it.
  TScaleImage* AddPreview(const QString& name, const QString& hint, int x, int y, int w, int h,
                          const QString& label, int labelX, int labelY, const QColor& labelColor = QColor());

  QStatusBar* statusBar_ = nullptr;

 private:
  AppServices& app_;
  bool centred_ = false;
};

// Bold 8-point label at a client position; with `maxWidth` the font is
// narrowed, then made smaller, until the text fits before the next control.
QLabel* AddLabel(QWidget* parent, const QString& text, int x, int y, const QColor& color = QColor(),
                 int maxWidth = 0);
// The tool tip and the status bar hint of a control.
void SetHint(QWidget* widget, const QString& hint);

// Hourglass for the life of the object.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

// An integer field with up and down buttons. Its value is its text read as an
// integer, the minimum when the text is no integer; the buttons and leaving the
// field clamp to the range, typing does not (at most three characters).
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

// A picture shown unscaled; the control takes its picture's size.
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

 private:
  RasterImage picture_;
};

// ssNormal when the picture is smaller than the preview both ways, else ssScale.
TScaleStyle StyleFor(const RasterImage& picture, const QWidget* preview);

// The opening commands' copy of the document's picture, converted to 24 bits.
RasterImage Copy24(const RasterImage* source);

}  // namespace tessalin
