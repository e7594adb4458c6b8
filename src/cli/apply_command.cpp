// tessalin-cli apply OP [ARGS] [OPTIONS] IN OUT: runs one engine on IN.
#include <algorithm>
#include <iostream>
#include <sstream>

#include "cli/cli_common.h"
#include "core/tessalin_error.h"

namespace tessalin::cli {

namespace {

std::string ApplyUsage() {
  std::ostringstream out;
  out << "tessalin-cli apply OP [ARGS] [OPTIONS] IN OUT, OP one of:\n";
  std::vector<const ApplyOperation*> ops;
  for (const ApplyOperation& op : ApplyOperations()) ops.push_back(&op);
  std::sort(ops.begin(), ops.end(), [](auto* a, auto* b) { return a->name < b->name; });
  for (const ApplyOperation* op : ops) out << "    " << op->name << (op->usage.empty() ? "" : " ") << op->usage << "\n";
  return out.str();
}

int RunApply(const std::vector<std::string>& words) {
  if (words.empty()) throw UsageError("apply needs an operation");
  const auto& ops = ApplyOperations();
  const auto op = std::find_if(ops.begin(), ops.end(), [&](const ApplyOperation& o) { return o.name == words[0]; });
  if (op == ops.end()) throw UsageError("unknown operation \"" + words[0] + "\"");
  CliRun run;
  std::set<std::string> valueOptions = op->valueOptions;
  valueOptions.insert({"--raw", "--frame"});
  run.args = ParseArgs(std::vector<std::string>(words.begin() + 1, words.end()), valueOptions, op->flagOptions);
  const auto& pos = run.args.positional;
  if (static_cast<int>(pos.size()) != op->argumentCount + 2)
    throw UsageError(op->name + " takes " + std::to_string(op->argumentCount) + " argument(s), then IN and OUT");
  const std::vector<std::string> arguments(pos.begin(), pos.begin() + op->argumentCount);
  const std::string& in = pos[pos.size() - 2];
  const std::string& out = pos[pos.size() - 1];
  const RasterImage source = LoadInput(in, run);
  if (!source.HasImage()) throw TessalinError(in + ": no picture was loaded.");
  std::vector<ApplyResult> results = op->run(arguments, source, run);
  for (const ApplyResult& r : results) {
    if (r.packedBlackWhite) SaveBlackWhiteOutput(WithSuffix(out, r.suffix), r.image, run);
    else SaveOutput(WithSuffix(out, r.suffix), r.image, run);
  }
  return 0;
}

// The usage lists the operations, which register in any order, so it is built when asked for.
const CommandRegistration kApply({"apply", ApplyUsage, RunApply});

}  // namespace

}  // namespace tessalin::cli
