// WBMP through LoadImageFile (the reader wants a path).
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessalin::fuzz;
  const std::string& path = TempPath(".wbmp");
  WriteInput(path, data, size);
  QuietPrompts prompts;
  LoadQuietly(path, prompts);
  return 0;
}
