// PNG decoded in memory, as LoadImageFile does after reading the file.
#include <span>

#include "formats/png_codec.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    tessalin::fuzz::Touch(tessalin::DecodePng(std::span<const uint8_t>(data, size), "fuzz.png"));
  } catch (const tessalin::TessalinError&) {
  }
  return 0;
}
