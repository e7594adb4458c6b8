// tessalin-cli convert: load IN, save OUT, formats by extension.
#include "cli/cli_common.h"
#include "core/tessalin_error.h"

namespace tessalin::cli {

namespace {

int RunConvert(const std::vector<std::string>& words) {
  CliRun run;
  run.args = ParseArgs(words, {"--bias", "--raw", "--frame"}, {});
  if (run.args.positional.size() != 2) throw UsageError("convert takes IN and OUT");
  run.state.SharedBias = run.args.IntValue("--bias", 64);
  const RasterImage image = LoadInput(run.args.positional[0], run);
  if (!image.HasImage()) throw TessalinError(run.args.positional[0] + ": no picture was loaded.");
  SaveOutput(run.args.positional[1], image, run);
  return 0;
}

const CommandRegistration kConvert(
    {"convert", [] { return std::string("tessalin-cli convert [--bias N] [--raw WxHxB] [--frame N] IN OUT\n"); }, RunConvert});

}  // namespace

}  // namespace tessalin::cli
