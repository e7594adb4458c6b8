// Loading and saving for the command line, chosen by extension.
#include <iostream>

#include "cli/cli_common.h"
#include "core/bmp_codec.h"
#include "core/file_io.h"
#include "core/tessalin_error.h"
#include "formats/wbmp_codec.h"

namespace tessalin::cli {

namespace {

// Messages go to stderr; there is nobody to answer questions.
class StderrPrompts : public UserPrompts {
 public:
  void ShowMessage(const std::string& text) override { std::cerr << text << "\n"; }
  bool Confirm(const std::string& text) override {
    std::cerr << text << " (no)\n";
    return false;
  }
  bool RunRawImport(const std::string&, RasterImage&) override { return false; }
  void BrowseGifFrames(const std::string&) override {}
};

}  // namespace

RasterImage LoadInput(const std::string& path, CliRun& /*run*/) {
  const std::string ext = LowerExtension(path);
  if (ext == ".bmp") return LoadBmpFile(path);
  if (ext == ".wbmp") {
    StderrPrompts prompts;
    RasterImage result;
    if (!ReadWbmp(path, prompts, result)) throw TessalinError(path + ": not a WBMP file.");
    return result;
  }
  throw TessalinError(path + ": this format cannot be read yet.");
}

void SaveOutput(const std::string& path, const RasterImage& image, CliRun& run) {
  const std::string ext = LowerExtension(path);
  if (ext == ".bmp") return SaveBmpFile(image, path);
  if (ext == ".wbmp") {
    WriteWbmp(image, path, run.state.SharedBias);
    return;
  }
  throw TessalinError(path + ": this format cannot be written yet.");
}

}  // namespace tessalin::cli
