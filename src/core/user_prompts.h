// How the engine reaches the user: message boxes with the system's texts,
// confirmations, the raw import answers and the GIF frame browser. The desktop
// program answers with dialogs, the command line with its options, tests with fakes.
#pragma once

#include <string>

#include "core/raster_image.h"

namespace tessalin {

class UserPrompts {
 public:
  virtual ~UserPrompts() = default;
  // An information box; "\r" in the text is a line break.
  virtual void ShowMessage(const std::string& text) = 0;
  // A Yes / No question; true for Yes.
  virtual bool Confirm(const std::string& text) = 0;
  // Runs the raw import for `fileName` (the dialog, or answers given in
  // advance). Returns false when the user cancelled; on true `result` holds the picture.
  virtual bool RunRawImport(const std::string& fileName, RasterImage& result) = 0;
  // Lets the user browse a GIF of two or more frames and export frames as
  // windows of their own.
  virtual void BrowseGifFrames(const std::string& fileName) = 0;
};

}  // namespace tessalin
