// GIF with every frame: each frame's raster and the screen composed up to the
// last frame, as the frame browser shows them.
#include <span>

#include "formats/gif_codec.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessalin;
  try {
    const DecodedGif gif = DecodeGif(std::span<const uint8_t>(data, size), "fuzz.gif");
    for (const GifFrame& frame : gif.frames) fuzz::Touch(frame.raster);
    if (!gif.frames.empty()) {
      fuzz::Touch(ComposeGifScreen(gif, 0));
      fuzz::Touch(ComposeGifScreen(gif, static_cast<int>(gif.frames.size()) - 1));
    }
  } catch (const TessalinError&) {
  }
  return 0;
}
