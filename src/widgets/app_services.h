// What the main frame offers the dialogs and commands that plug into it (the
// processing dialogs, the wizard run, quick process, splash, about, help).
// TMain_Frm implements it.
#pragma once

#include <QString>
#include <exception>
#include <functional>
#include <new>
#include <string>

#include "core/progress.h"
#include "core/raster_image.h"
#include "core/result_sink.h"
#include "core/shared_state.h"
#include "core/user_prompts.h"
#include "formats/image_files.h"

class QWidget;

namespace tessalin {

class AppServices : public ResultSink {
 public:
  // The process-wide values (SharedBias, current kinds, wizard settings, ...).
  virtual SharedState& State() = 0;
  virtual UserPrompts& Prompts() = 0;
  // A context for LoadImageFile / SaveImageFile with the frame's prompts,
  // result windows, state and hourglass.
  virtual FileContext MakeFileContext() = 0;
  // Drives the frame's ProgressBar and posts the hint text.
  virtual ProgressSink& Progress() = 0;
  virtual void ShowProgressBar(bool visible) = 0;
  // A document window captioned with the file name (takes a copy).
  virtual void CreateImageChild(const std::string& fileName, const RasterImage& raster) = 0;
  // CreateResultChild (from ResultSink): a window captioned "Result" and the window count.
  // Tiles the document windows and fits each picture to its window, so that
  // a run's candidates are seen whole side by side.
  virtual void TileAndFitChildren() = 0;
  virtual int ChildCount() const = 0;
  // The active document's picture, or nullptr when no document is open.
  virtual const RasterImage* ActiveDocumentPicture() const = 0;
  // The frame's open dialog with its filter list; empty when cancelled.
  virtual QString AskOpenFileName(const QString& title, int filterIndex) = 0;
  // The application hint, shown in the active window's status bar.
  virtual void SetApplicationHint(const QString& hint) = 0;
  virtual QWidget* FrameWidget() = 0;
  // Detaches (true) or re-attaches (false) UpdateMenuItems from window
  // activation, so that a batch of new windows does not re-run it for each one.
  virtual void SuspendMenuUpdates(bool suspended) { (void)suspended; }
  // Runs a handler of a window outside the frame's commands (a dialog's
  // button); running out of memory or an engine error ends it with the error
  // box instead of escaping into the event loop.
  virtual void RunGuarded(const std::function<void()>& body) {
    try {
      body();
    } catch (const std::bad_alloc&) {
      Prompts().ShowMessage("Out of memory.");
    } catch (const std::exception& error) {
      Prompts().ShowMessage(error.what());
    }
  }
};

}  // namespace tessalin
