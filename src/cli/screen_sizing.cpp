#include "cli/screen_sizing.h"

#include "core/limits.h"
#include "processing/screen_fit.h"

namespace tessalin::cli {

ScreenSize ParseScreenSize(const std::string& text, const std::string& option) {
  const auto x = text.find_first_of("xX");
  if (x == std::string::npos)
    throw UsageError(option + ": \"" + text + "\" is not WIDTHxHEIGHT (for example 128x64)");
  ScreenSize size;
  size.width = ParseInt(text.substr(0, x), option + " width");
  size.height = ParseInt(text.substr(x + 1), option + " height");
  if (size.width < 1 || size.height < 1) throw UsageError(option + ": width and height must be at least 1");
  if (!WithinPixelLimit(size.width, size.height))
    throw UsageError(option + ": " + text + " is more than the " + std::to_string(kMaxPixels) +
                     " pixels a picture may have");
  return size;
}

ScreenSizing ParseScreenSizing(const ParsedArgs& args, bool withFit) {
  ScreenSizing sizing;
  if (withFit && args.values.count("--fit")) sizing.fit = ParseScreenSize(args.Value("--fit", ""), "--fit");
  if (args.values.count("--resize")) sizing.resize = ParseScreenSize(args.Value("--resize", ""), "--resize");
  if (sizing.fit && sizing.resize) throw UsageError("--fit and --resize cannot be used together");
  return sizing;
}

RasterImage SizeForScreen(RasterImage picture, const ScreenSizing& sizing) {
  if (!picture.HasImage()) return picture;
  const int w = picture.Width(), h = picture.Height();
  // A picture that already has the size is passed on as it is, without a copy.
  if (sizing.fit && (w > sizing.fit->width || h > sizing.fit->height))
    return FitInside(picture, sizing.fit->width, sizing.fit->height);
  if (sizing.resize && (w != sizing.resize->width || h != sizing.resize->height))
    return ResizeTo(picture, sizing.resize->width, sizing.resize->height);
  return picture;
}

}  // namespace tessalin::cli
