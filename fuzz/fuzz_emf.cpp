// EMF through LoadImageFile: the file's head is checked, then the
// reader reads the whole file (or, for JPEG and GIF, reads as it decodes).
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessalin::fuzz;
  const std::string& path = TempPath(".emf");
  WriteInput(path, data, size);
  QuietPrompts prompts;
  LoadQuietly(path, prompts);
  return 0;
}
