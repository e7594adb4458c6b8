// X bitmaps decoded in memory, as LoadImageFile does after reading the file.
#include <span>

#include "formats/xbm_codec.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    tessalin::fuzz::Touch(tessalin::DecodeXbm(std::span<const uint8_t>(data, size), "fuzz.xbm"));
  } catch (const tessalin::TessalinError&) {
  }
  return 0;
}
