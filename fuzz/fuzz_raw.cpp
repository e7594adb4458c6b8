// Raw import through LoadImageFile: the first nine bytes are the user's
// answers (width and height as signed 32-bit numbers, then the layout), the
// rest is the file. The answers are checked as the raw import dialog does.
#include <cstring>

#include "core/file_io.h"
#include "formats/raw_import.h"
#include "fuzz_support.h"

namespace {

class RawAnswers : public tessalin::fuzz::QuietPrompts {
 public:
  int32_t width = 0, height = 0;
  int layout = 0;
  bool RunRawImport(const std::string& fileName, tessalin::RasterImage& result) override {
    using namespace tessalin;
    const int64_t size = FileSizeOf(fileName);
    if (CheckRawSize(size, height, width, layout) == RawCheck::Invalid) return false;
    result = ReadRawFile(fileName, height, width, layout);
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessalin::fuzz;
  if (size < 9) return 0;
  RawAnswers prompts;
  std::memcpy(&prompts.width, data, 4);
  std::memcpy(&prompts.height, data + 4, 4);
  prompts.layout = data[8] % 5;  // 4 is out of range on purpose
  const std::string& path = TempPath(".raw");
  WriteInput(path, data + 9, size - 9);
  LoadQuietly(path, prompts);
  return 0;
}
