// --fit WxH and --resize WxH: a picture sized for a screen before anything
// else is done to it, through the engine's reduction and magnification.
#pragma once

#include <optional>

#include "cli/cli_common.h"

namespace tessalin::cli {

struct ScreenSize {
  int width = 0, height = 0;
};

struct ScreenSizing {
  std::optional<ScreenSize> fit, resize;
};

// "WxH" with whole numbers of at least 1 (UsageError otherwise).
ScreenSize ParseScreenSize(const std::string& text, const std::string& option);
// The options, checked once before any file is read. `withFit` is false where
// --fit means something else (rotate's canvas).
ScreenSizing ParseScreenSizing(const ParsedArgs& args, bool withFit);
// The picture as the options size it; unchanged without them.
RasterImage SizeForScreen(RasterImage picture, const ScreenSizing& sizing);

}  // namespace tessalin::cli
