// tessalin-cli info IN: prints "WIDTH HEIGHT BITS".
#include <iostream>

#include "cli/cli_io.h"

namespace tessalin::cli {

namespace {

int RunInfo(const ParsedArgs& args) {
  if (args.positional.size() != 1) throw UsageError("info takes one file");
  CheckInputOptions(args, args.positional);
  CliRun run;
  run.args = args;
  const RasterImage image = LoadInput(args.positional[0], run);
  std::cout << image.Width() << " " << image.Height() << " " << BitsPerPixel(image.Format()) << "\n";
  return 0;
}

std::vector<OptionSpec> InfoOptions() {
  std::vector<OptionSpec> options = InputOptions();
  options.push_back(QuietOption());
  return options;
}

const CommandRegistration kInfo(
    {"info",
     "print a picture's width, height and bits per pixel",
     {"[OPTIONS] IN"},
     InfoOptions(),
     [] { return std::string("Prints \"WIDTH HEIGHT BITS\", for example \"640 480 24\".\n"); },
     RunInfo});

}  // namespace

}  // namespace tessalin::cli
