// Pictures enter and leave only here: the reader or writer is chosen by the
// lower-cased extension of the file name, never by the contents.
#pragma once

#include <string>
#include <vector>

#include "core/progress.h"
#include "core/raster_image.h"
#include "core/result_sink.h"
#include "core/shared_state.h"
#include "core/user_prompts.h"

namespace tessalin {

// Shows the hourglass while a load or save runs (the desktop program's cursor).
class BusyCursor {
 public:
  virtual ~BusyCursor() = default;
  virtual void SetBusy(bool busy) = 0;
};

// What a load or save may need of its caller.
struct FileContext {
  UserPrompts& prompts;
  ResultSink& results;   // the extra "ss" window of a .wmf save; frames exported from the GIF browser
  SharedState& state;    // SharedBias for the WBMP writer, WizardOpenFlag for GIF loads
  BusyCursor* cursor = nullptr;
};

// A new raster; empty (HasImage false) when nothing was loaded: an unsupported
// extension (after its message), a cancelled raw import, or a multi-frame GIF
// that went through the frame browser. Clears state.WizardOpenFlag. Unreadable
// or damaged files throw TessalinError naming the file.
RasterImage LoadImageFile(const std::string& fileName, FileContext& context);

// True when the file was written; false after the refusal message of an
// unsupported extension. Write failures throw; the old file stays as it was.
bool SaveImageFile(const std::string& fileName, const RasterImage& picture, FileContext& context);

// The extensions (lower case, with the dot) that LoadImageFile reads and
// SaveImageFile writes, for telling a user what is possible.
const std::vector<std::string>& ReadableExtensions();
const std::vector<std::string>& WritableExtensions();

}  // namespace tessalin
