// tessalin-cli apply OPERATION [ARGUMENTS] [OPTIONS] IN OUT: runs one engine
// on each input. The operations register themselves from their own files.
#include "cli/cli_common.h"
#include "cli/file_jobs.h"

namespace tessalin::cli {

std::vector<OptionSpec> ApplyOptionsOf(const ApplyOperation& operation) {
  std::vector<OptionSpec> options = operation.options;
  for (const OptionSpec& o : SizeOptions())
    if (!(operation.ownFit && o.names == "--fit")) options.push_back(o);
  for (const auto* list : {&OutputOptions(), &InputOptions()})
    options.insert(options.end(), list->begin(), list->end());
  options.push_back(QuietOption());
  return options;
}

namespace {

int RunApply(const ParsedArgs& args) {
  const ApplyOperation* op = FindApplyOperation(args.operation);
  if (!op) throw UsageError("apply needs an operation");
  const size_t count = op->arguments.size();
  if (args.positional.size() < count) {
    std::string words;
    for (const std::string& w : op->arguments) words += " " + w;
    throw UsageError(op->name + " needs" + words + " before the files");
  }
  const std::vector<std::string> words(args.positional.begin(), args.positional.begin() + count);
  const std::vector<std::string> files(args.positional.begin() + count, args.positional.end());
  const ApplyStep step = op->prepare(words, args);
  const ScreenSizing sizing = ParseScreenSizing(args, !op->ownFit);
  const std::vector<FileJob> jobs = PlanFileJobs(files, args, op->writesSeveral(args));
  return RunFileJobs(jobs, args, sizing, step);
}

const CommandRegistration kApply(
    {"apply",
     "run one operation on pictures",
     {"OPERATION [ARGUMENTS] [OPTIONS] IN OUT", "OPERATION [ARGUMENTS] [OPTIONS] -o DIR [--to EXT] IN..."},
     {},
     [] {
       return std::string(
           "Each operation starts from a 24-bit copy of the picture (pixel-format from\n"
           "the picture as loaded). Run 'tessalin-cli apply OPERATION --help' for its\n"
           "arguments and options.\n");
     },
     RunApply});

}  // namespace

}  // namespace tessalin::cli
