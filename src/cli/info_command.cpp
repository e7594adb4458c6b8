// tessalin-cli info IN: prints "WIDTH HEIGHT BITS".
#include <iostream>

#include "cli/cli_common.h"

namespace tessalin::cli {

namespace {

int RunInfo(const std::vector<std::string>& words) {
  CliRun run;
  run.args = ParseArgs(words, {"--raw", "--frame"}, {});
  if (run.args.positional.size() != 1) throw UsageError("info takes one file");
  const RasterImage image = LoadInput(run.args.positional[0], run);
  std::cout << image.Width() << " " << image.Height() << " " << BitsPerPixel(image.Format()) << "\n";
  return 0;
}

const CommandRegistration kInfo({"info", [] { return std::string("tessalin-cli info [--raw WxHxB] [--frame N] IN\n"); }, RunInfo});

}  // namespace

}  // namespace tessalin::cli
