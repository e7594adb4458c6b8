// Fakes for window tests: prompts that answer from queues and record every
// question, and a result sink that keeps what it was given.
#pragma once

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/frame_prompts.h"
#include "core/result_sink.h"

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

}  // namespace tessalin::test
