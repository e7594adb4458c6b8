// The program's answers to the engine's and the frame's questions: message
// boxes, the raw import dialog, the GIF frame dialog and the file dialogs.
#pragma once

#include "app/frame_prompts.h"
#include "core/result_sink.h"

class QWidget;

namespace tessalin {

class GuiPrompts : public FramePrompts {
 public:
  // `parent` owns the boxes; `results` receives frames exported from the GIF dialog.
  GuiPrompts(QWidget* parent, ResultSink* results) : parent_(parent), results_(results) {}

  void ShowMessage(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  bool RunRawImport(const std::string& fileName, RasterImage& result) override;
  void BrowseGifFrames(const std::string& fileName) override;

  FileChoice AskOpenImage(const QString& title, const QString& dir, const QString& proposedName,
                          int filterIndex) override;
  FileChoice AskSaveImage(const QString& title, const QString& dir, const QString& proposedName,
                          int filterIndex) override;
  CloseAnswer AskSaveBeforeClose(const std::string& text, bool offerNoToAll) override;
  bool ConfirmExit(const std::string& text) override;
  void ShowError(const std::string& text) override;

 private:
  QWidget* parent_;
  ResultSink* results_;
};

}  // namespace tessalin
