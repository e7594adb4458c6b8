// Every question the frame and its document windows put to the user, on top of
// the engine's UserPrompts. The program answers with real dialogs (GuiPrompts);
// window tests inject fakes.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

#include "core/user_prompts.h"

namespace tessalin {

enum class CloseAnswer { Yes, No, Cancel, NoToAll };

// A chosen file and the filter index (1-based) it was chosen with; an empty
// path means the dialog was cancelled.
struct FileChoice {
  QString path;
  int filterIndex = 1;
};

class FramePrompts : public UserPrompts {
 public:
  // The open and save dialogs of the frame, with the image filter list.
  virtual FileChoice AskOpenImage(const QString& title, const QString& dir, const QString& proposedName,
                                  int filterIndex) = 0;
  virtual FileChoice AskSaveImage(const QString& title, const QString& dir, const QString& proposedName,
                                  int filterIndex) = 0;
  // Yes / No / Cancel, with "No to &All" as a fourth button when asked for.
  virtual CloseAnswer AskSaveBeforeClose(const std::string& text, bool offerNoToAll) = 0;
  // Yes / Cancel; true for Yes.
  virtual bool ConfirmExit(const std::string& text) = 0;
  // The standard error box (codec and input/output faults, out of memory).
  virtual void ShowError(const std::string& text) = 0;
};

// The filter list of the open and save dialogs, index 1 first, as (caption,
// patterns separated by ';').
struct ImageFilter {
  const char* caption;
  const char* patterns;
};
const ImageFilter* ImageFilters();  // 11 entries
int ImageFilterCount();
// The list in QFileDialog's "caption (patterns)" form.
QStringList ImageFilterStrings();
// The extension Save As appends for a filter index: 1 or 2 ".bmp", 3 ".gif",
// 4 ".ico", 5 ".wmf", 6 ".jpg", 7 ".raw", 8 ".wbmp".
QString ExtensionForFilterIndex(int filterIndex);
// "\r" of the system's message texts becomes a line break.
QString MessageText(const std::string& text);

}  // namespace tessalin
