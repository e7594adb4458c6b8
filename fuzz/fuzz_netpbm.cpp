// PBM, PGM, PPM and PAM decoded in memory, as LoadImageFile does after reading the file.
#include <span>

#include "formats/netpbm_codec.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    tessalin::fuzz::Touch(tessalin::DecodeNetpbm(std::span<const uint8_t>(data, size), "fuzz.pnm"));
  } catch (const tessalin::TessalinError&) {
  }
  return 0;
}
