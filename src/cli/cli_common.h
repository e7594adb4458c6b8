// Shared pieces of tessalin-cli: the parsed command line, the registries
// through which each command and each apply operation plugs itself in from
// its own file, and the options several commands share.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/raster_image.h"
#include "core/shared_state.h"

namespace tessalin::cli {

// Bad usage: printed with the command's usage lines, exit status 2.
class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

// One command line after parsing: options by their long name ("--threshold").
struct ParsedArgs {
  std::string operation;  // apply's operation, empty for the other commands
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;  // --name VALUE
  std::set<std::string> flags;                // --name

  bool Has(const std::string& name) const { return values.count(name) || flags.count(name); }
  std::string Value(const std::string& name, const std::string& fallback) const;
  int IntValue(const std::string& name, int fallback) const;
  double RealValue(const std::string& name, double fallback) const;
  bool Quiet() const { return flags.count("--quiet") > 0; }
};

int ParseInt(const std::string& text, const std::string& what);
double ParseReal(const std::string& text, const std::string& what);

// An option as the parser declares it and the help shows it.
struct OptionSpec {
  std::string names;      // "--threshold", or "-o,--output" with its short form
  std::string valueName;  // "T"; empty for a flag
  std::string help;
};

// Options shared by several commands.
const std::vector<OptionSpec>& InputOptions();   // --raw, --frame, --from
const std::vector<OptionSpec>& SizeOptions();    // --fit, --resize
const std::vector<OptionSpec>& OutputOptions();  // -o, --to, -j
const OptionSpec& QuietOption();                 // -q

// A top-level command: `tessalin-cli NAME ...`.
struct Command {
  std::string name;
  std::string summary;             // one line for the command list
  std::vector<std::string> usage;  // the forms after "tessalin-cli NAME"
  std::vector<OptionSpec> options;
  std::function<std::string()> details;  // help text after the options (kinds and notes)
  std::function<int(const ParsedArgs& args)> run;
};

// One result of an apply operation; `suffix` is added to OUT before its
// extension ("_R" for OUT_R.bmp), empty for the single result.
struct ApplyResult {
  std::string suffix;
  RasterImage image;
  bool packedBlackWhite = false;  // a packed black-and-white result (core/black_white.h)
};

// An operation made ready for one command line: runs on each input picture,
// with that file's own process-wide values.
using ApplyStep = std::function<std::vector<ApplyResult>(RasterImage source, SharedState& state)>;

struct ApplyOperation {
  std::string name;
  std::string summary;                 // one line for the operation list
  std::vector<std::string> arguments;  // its own words before the files: {"METHOD"}
  std::vector<OptionSpec> options;
  std::function<std::string()> details;
  // Checks the words and options once, before any file is read (UsageError
  // when they are wrong), and returns the step.
  std::function<ApplyStep(const std::vector<std::string>& arguments, const ParsedArgs& args)> prepare;
  // True when the operation writes several pictures unless an option picks one.
  std::function<bool(const ParsedArgs& args)> writesSeveral = [](const ParsedArgs&) { return false; };
  // Its own --fit (rotate's canvas flag) stands in for the screen fit.
  bool ownFit = false;
};

void RegisterCommand(Command command);
void RegisterApplyOperation(ApplyOperation operation);
// In the order of the help: commands as listed, operations by name.
std::vector<const Command*> Commands();
std::vector<const ApplyOperation*> ApplyOperations();
const ApplyOperation* FindApplyOperation(const std::string& name);

struct CommandRegistration {
  explicit CommandRegistration(Command command) { RegisterCommand(std::move(command)); }
};
struct ApplyRegistration {
  explicit ApplyRegistration(ApplyOperation operation) { RegisterApplyOperation(std::move(operation)); }
};

// The picture converted to pf24Bit, as every processing command starts; pass
// it with std::move where the original is not needed again, and a 24-bit
// picture is passed on without a copy.
RasterImage To24Bit(RasterImage image);

// The operation's own options and those every operation shares, as the parser declares them.
std::vector<OptionSpec> ApplyOptionsOf(const ApplyOperation& operation);
// A step's single result.
std::vector<ApplyResult> OneResult(RasterImage image);

// OUT with `suffix` inserted before the extension.
std::string WithSuffix(const std::string& path, const std::string& suffix);

}  // namespace tessalin::cli
