// Shared pieces of the fuzz targets: prompts that answer like a user who
// accepts everything, a per-process temporary file for readers that want a
// path, and a walk over every decoded pixel so that a raster smaller than its
// declared size is caught by AddressSanitizer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "core/limits.h"
#include "core/raster_image.h"
#include "core/result_sink.h"
#include "core/shared_state.h"
#include "core/tessalin_error.h"
#include "core/user_prompts.h"
#include "formats/image_files.h"

namespace tessalin::fuzz {

class QuietPrompts : public UserPrompts {
 public:
  void ShowMessage(const std::string&) override {}
  bool Confirm(const std::string&) override { return true; }
  bool RunRawImport(const std::string&, RasterImage&) override { return false; }
  void BrowseGifFrames(const std::string&) override {}
};

class DroppedResults : public ResultSink {
 public:
  void CreateResultChild(const std::string&, const RasterImage&) override {}
};

// A file in the temporary folder, named for this process, removed at exit.
inline const std::string& TempPath(const std::string& ext) {
  static const std::string path = [&] {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/tessalin-fuzz-" + std::to_string(::getpid()) + ext;
  }();
  static const bool registered = [] {
    std::atexit([] { ::unlink(path.c_str()); });
    return true;
  }();
  (void)registered;
  return path;
}

inline void WriteInput(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

// Every decoded picture must respect the pixel limit and have every row readable.
inline void Touch(const RasterImage& picture) {
  if (!picture.HasImage()) return;
  if (static_cast<int64_t>(picture.Width()) * picture.Height() > kMaxPixels) std::abort();
  volatile uint8_t sink = 0;
  const size_t rowBytes = picture.RowBytes();
  for (int y = 0; y < picture.Height(); ++y) {
    const uint8_t* row = picture.Row(y);
    sink = sink ^ row[0] ^ row[rowBytes - 1];
  }
  (void)sink;
}

// Loads `path` as the program's Open command does; a TessalinError is a clean
// refusal, unless it is an exception of another kind that LoadImageFile turned
// into a plain message: that is a reader's fault, and a finding.
inline void LoadQuietly(const std::string& path, UserPrompts& prompts, bool wizardOpen = false) {
  DroppedResults results;
  SharedState state;
  state.WizardOpenFlag = wizardOpen;
  FileContext context{prompts, results, state, nullptr};
  try {
    Touch(LoadImageFile(path, context));
  } catch (const TessalinError& e) {
    if (std::string(e.what()).find("internal error") != std::string::npos) std::abort();
  }
}

}  // namespace tessalin::fuzz
