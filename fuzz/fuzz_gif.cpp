// GIF as one picture: the wizard's load (frame 0, or the logical screen).
#include <span>

#include "formats/gif_codec.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessalin;
  try {
    const DecodedGif gif = DecodeGif(std::span<const uint8_t>(data, size), "fuzz.gif");
    fuzz::Touch(GifToRaster(gif));
  } catch (const TessalinError&) {
  }
  return 0;
}
