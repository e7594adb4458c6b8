// Fakes for window tests: prompts that answer from queues and record every
// question, and a result sink that keeps what it was given; helpers for the
// zoomed views of document windows.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMdiSubWindow>
#include <QMimeData>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/document_window.h"
#include "app/frame_prompts.h"
#include "core/result_sink.h"
#include "widgets/picture_view.h"

namespace tessalin::test {

class FakeFramePrompts : public FramePrompts {
 public:
  std::vector<std::string> messages, confirmations, errors;
  std::deque<bool> confirmAnswers;  // empty: Yes
  std::function<bool(const std::string&, RasterImage&)> rawImport;
  std::vector<std::string> gifBrowsed;

  struct FileRequest {
    QString title, dir, proposedName;
    int filterIndex;
  };
  std::deque<FileChoice> openChoices, saveChoices;  // empty: cancelled
  std::vector<FileRequest> openRequests, saveRequests;

  std::deque<CloseAnswer> closeAnswers;  // empty: No
  std::vector<std::pair<std::string, bool>> closeQuestions;
  std::deque<bool> exitAnswers;  // empty: Cancel
  int exitQuestions = 0;

  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  bool Confirm(const std::string& text) override {
    confirmations.push_back(text);
    return Pop(confirmAnswers, true);
  }
  bool RunRawImport(const std::string& fileName, RasterImage& result) override {
    return rawImport ? rawImport(fileName, result) : false;
  }
  void BrowseGifFrames(const std::string& fileName) override { gifBrowsed.push_back(fileName); }
  FileChoice AskOpenImage(const QString& title, const QString& dir, const QString& name, int index) override {
    openRequests.push_back({title, dir, name, index});
    return Pop(openChoices, FileChoice{});
  }
  FileChoice AskSaveImage(const QString& title, const QString& dir, const QString& name, int index) override {
    saveRequests.push_back({title, dir, name, index});
    return Pop(saveChoices, FileChoice{});
  }
  CloseAnswer AskSaveBeforeClose(const std::string& text, bool offerNoToAll) override {
    closeQuestions.emplace_back(text, offerNoToAll);
    return Pop(closeAnswers, CloseAnswer::No);
  }
  bool ConfirmExit(const std::string&) override {
    ++exitQuestions;
    return Pop(exitAnswers, false);
  }
  void ShowError(const std::string& text) override { errors.push_back(text); }

 private:
  template <typename T>
  static T Pop(std::deque<T>& queue, T fallback) {
    if (queue.empty()) return fallback;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
  }
};

class RecordingSink : public ResultSink {
 public:
  std::vector<std::pair<std::string, RasterImage>> results;
  void CreateResultChild(const std::string& name, const RasterImage& raster) override {
    RasterImage copy;
    copy.Assign(raster);
    results.emplace_back(name, std::move(copy));
  }
};

inline void ClearClipboard() { QGuiApplication::clipboard()->setMimeData(new QMimeData); }

// The view tests run once more with QT_SCALE_FACTOR=1.5: make sure the ratio
// asked for is the one the widgets have.
inline void ExpectRequestedRatio(const QWidget* widget) {
  const QByteArray requested = qgetenv("QT_SCALE_FACTOR");
  EXPECT_DOUBLE_EQ(widget->devicePixelRatioF(), requested.isEmpty() ? 1.0 : requested.toDouble());
}

// Makes a document window's client area `client` logical pixels.
inline void SetClientSize(TMDIChild* doc, QSize client) {
  QMdiSubWindow* sub = doc->SubWindow();
  sub->resize(sub->size() + client - doc->size());
}

// The picture at its zoom, with the margin, inside the window.
inline bool PictureFits(const TMDIChild* doc) {
  const QSize needed = doc->View()->DisplaySize() + QSize(kChildMargin, kChildMargin);
  return needed.width() <= doc->width() && needed.height() <= doc->height();
}

// Fitted: the picture fits, and one step further in it would not.
inline bool Fitted(TMDIChild* doc) {
  TPictureView* view = doc->View();
  const ZoomStep zoom = view->Zoom();
  if (!PictureFits(doc)) return false;
  view->ShowAt(zoom.In(), view->CentrePoint());
  const bool largerFits = PictureFits(doc);
  view->ShowAt(zoom, view->CentrePoint());
  return !largerFits;
}

}  // namespace tessalin::test
