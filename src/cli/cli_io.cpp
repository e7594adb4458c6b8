// Loading and saving for the command line, chosen by extension.
#include "cli/cli_common.h"
#include "core/bmp_codec.h"
#include "core/file_io.h"
#include "core/tessalin_error.h"

namespace tessalin::cli {

RasterImage LoadInput(const std::string& path, CliRun& /*run*/) {
  const std::string ext = LowerExtension(path);
  if (ext == ".bmp") return LoadBmpFile(path);
  throw TessalinError(path + ": this format cannot be read yet.");
}

void SaveOutput(const std::string& path, const RasterImage& image, CliRun& /*run*/) {
  const std::string ext = LowerExtension(path);
  if (ext == ".bmp") return SaveBmpFile(image, path);
  throw TessalinError(path + ": this format cannot be written yet.");
}

}  // namespace tessalin::cli
