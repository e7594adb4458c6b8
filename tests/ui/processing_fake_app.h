// A stand-in for the main frame in the processing dialogs' window tests:
// records the result windows and offers the process-wide values.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>
#include <vector>

#include "core/progress.h"
#include "widgets/app_services.h"
#include "widgets/command_registry.h"

namespace tessalin::test::processing_ui {

class SilentPrompts : public UserPrompts {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  bool Confirm(const std::string&) override { return true; }
  bool RunRawImport(const std::string&, RasterImage&) override { return false; }
  void BrowseGifFrames(const std::string&) override {}
  std::vector<std::string> messages;
};

class SilentProgress : public CountingProgressSink {
 protected:
  void OnHint(const std::string&, int) override {}
};

struct ResultWindow {
  std::string name;
  RasterImage picture;
};

class ProcessingFakeApp : public AppServices {
 public:
  SharedState& State() override { return state; }
  UserPrompts& Prompts() override { return prompts; }
  FileContext MakeFileContext() override { return FileContext{prompts, *this, state, nullptr}; }
  ProgressSink& Progress() override { return progress; }
  void ShowProgressBar(bool) override {}
  void CreateImageChild(const std::string& fileName, const RasterImage& raster) override {
    CreateResultChild(fileName, raster);
  }
  void CreateResultChild(const std::string& name, const RasterImage& raster) override {
    ResultWindow window{name, {}};
    window.picture.Assign(raster);
    results.push_back(std::move(window));
  }
  void TileAndFitChildren() override {}
  int ChildCount() const override { return static_cast<int>(results.size()); }
  const RasterImage* ActiveDocumentPicture() const override { return nullptr; }
  QString AskOpenFileName(const QString&, int) override { return QString(); }
  void SetApplicationHint(const QString& hint) override { hints.push_back(hint); }
  QWidget* FrameWidget() override { return nullptr; }

  SharedState state;
  SilentPrompts prompts;
  SilentProgress progress;
  std::vector<ResultWindow> results;
  std::vector<QString> hints;
};

// Runs a registered command and returns the window it opened (nullptr if none).
inline QWidget* RunCommand(const std::string& name, AppServices& app, const RasterImage* source, int tag) {
  const QWidgetList before = QApplication::topLevelWidgets();
  const AppCommand* command = FindAppCommand(name);
  if (!command) return nullptr;
  (*command)(app, source, tag);
  for (QWidget* w : QApplication::topLevelWidgets())
    if (!before.contains(w)) return w;
  return nullptr;
}

// Closes (and so destroys) a dialog at the end of a test.
class CloseAtEnd {
 public:
  explicit CloseAtEnd(QWidget* widget) : widget_(widget) {}
  ~CloseAtEnd() {
    if (widget_) widget_->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  CloseAtEnd(const CloseAtEnd&) = delete;
  CloseAtEnd& operator=(const CloseAtEnd&) = delete;

 private:
  QPointer<QWidget> widget_;
};

template <typename T>
T* Child(QWidget* parent, const char* name) {
  T* child = parent->findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name;
  return child;
}

inline void DoubleClick(QWidget* widget) {
  QMouseEvent event(QEvent::MouseButtonDblClick, QPointF(3, 3), widget->mapToGlobal(QPointF(3, 3)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

inline void PressEnter(QWidget* widget) {
  QKeyEvent event(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

}  // namespace tessalin::test::processing_ui
