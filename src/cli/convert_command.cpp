// tessalin-cli convert: load each input, save it in another format.
#include "cli/file_jobs.h"

namespace tessalin::cli {

namespace {

int RunConvert(const ParsedArgs& args) {
  const int bias = args.IntValue("--bias", 64);
  const ScreenSizing sizing = ParseScreenSizing(args, true);
  const std::vector<FileJob> jobs = PlanFileJobs(args.positional, args, false);
  return RunFileJobs(jobs, args, sizing, [bias](RasterImage source, SharedState& state) {
    state.SharedBias = bias;  // read by the WBMP writer
    return OneResult(std::move(source));
  });
}

std::vector<OptionSpec> ConvertOptions() {
  std::vector<OptionSpec> options = {{"--bias", "N",
                                      "the offset of the WBMP writer's sharpening (default 64); a "
                                      "black-and-white picture is written as it is"}};
  for (const auto* list : {&SizeOptions(), &OutputOptions(), &InputOptions()})
    options.insert(options.end(), list->begin(), list->end());
  options.push_back(QuietOption());
  return options;
}

const CommandRegistration kConvert(
    {"convert",
     "load pictures and save them in another format",
     {"[OPTIONS] IN OUT", "[OPTIONS] -o DIR [--to EXT] IN..."},
     ConvertOptions(),
     [] {
       return std::string(
           "Formats go by the file extension. - as IN reads standard input, its format\n"
           "recognised from its first bytes (or given by --from); - as OUT writes\n"
           "standard output in the --to format.\n\n"
           "For example:\n\n"
           "  $ tessalin-cli convert --fit 128x64 photo.jpg photo.wbmp\n"
           "  $ tessalin-cli convert -o out --to wbmp -j 2 *.jpg\n"
           "  $ cat photo.jpg | tessalin-cli convert - - --to wbmp > photo.wbmp\n");
     },
     RunConvert});

}  // namespace

}  // namespace tessalin::cli
