// The window every processing dialog is (modeless, on top, fixed, centred,
// destroyed on close, hint text routed to its own status bar while it is
// active), and the label, hint, export and hourglass helpers they share.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QString>
#include <functional>

#include "core/raster_image.h"
#include "widgets/app_services.h"
#include "widgets/scale_image.h"

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

// ssNormal when the picture is smaller than the preview both ways, else ssScale.
TScaleStyle StyleFor(const RasterImage& picture, const QWidget* preview);

// The opening commands' copy of the document's picture, converted to 24 bits.
RasterImage Copy24(const RasterImage* source);

}  // namespace tessalin
