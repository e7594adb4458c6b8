// Shared pieces of tessalin-cli: argument parsing, the registries through which
// each command and each apply operation plugs itself in from its own file, and
// loading and saving by extension.
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

// Bad usage: printed with the usage text, exit code 2.
class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

struct ParsedArgs {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;  // --name VALUE
  std::set<std::string> flags;                // --name

  bool Has(const std::string& name) const { return values.count(name) || flags.count(name); }
  std::string Value(const std::string& name, const std::string& fallback) const;
  int IntValue(const std::string& name, int fallback) const;
  double RealValue(const std::string& name, double fallback) const;
};

// Splits `args`; options in `valueOptions` take the next word, those in
// `flagOptions` stand alone, anything else starting with "--" is a usage error.
ParsedArgs ParseArgs(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                     const std::set<std::string>& flagOptions);

int ParseInt(const std::string& text, const std::string& what);
double ParseReal(const std::string& text, const std::string& what);

// The run's process-wide values and its load / save with the options that
// steer them (--bias, --raw, --frame).
struct CliRun {
  SharedState state;
  ParsedArgs args;
};

RasterImage LoadInput(const std::string& path, CliRun& run);
void SaveOutput(const std::string& path, const RasterImage& image, CliRun& run);
// A packed black-and-white result (core/black_white.h) saved as its 24-bit form would be.
void SaveBlackWhiteOutput(const std::string& path, const RasterImage& packed, CliRun& run);
// The same picture converted to pf24Bit, as every processing command starts.
RasterImage To24Bit(const RasterImage& image);

// A top-level command: `tessalin-cli NAME ...`.
struct Command {
  std::string name;
  std::function<std::string()> usage;  // one or more lines for --help
  std::function<int(const std::vector<std::string>& args)> run;
};

// One result of an apply operation; `suffix` is added to OUT before its
// extension ("_R" for OUT_R.bmp), empty for the single result.
// `packedBlackWhite`: `image` is a packed black-and-white result standing for
// its 24-bit form.
struct ApplyResult {
  std::string suffix;
  RasterImage image;
  bool packedBlackWhite = false;
};

struct ApplyOperation {
  std::string name;
  std::string usage;  // the arguments after the name, for --help
  int argumentCount = 0;
  std::set<std::string> valueOptions;
  std::set<std::string> flagOptions;
  // `arguments` are the operation's own words; `source` is IN as loaded.
  std::function<std::vector<ApplyResult>(const std::vector<std::string>& arguments, const RasterImage& source,
                                         CliRun& run)>
      run;
};

void RegisterCommand(Command command);
void RegisterApplyOperation(ApplyOperation operation);
const std::vector<Command>& Commands();
const std::vector<ApplyOperation>& ApplyOperations();

struct CommandRegistration {
  explicit CommandRegistration(Command command) { RegisterCommand(std::move(command)); }
};
struct ApplyRegistration {
  explicit ApplyRegistration(ApplyOperation operation) { RegisterApplyOperation(std::move(operation)); }
};

// OUT with `suffix` inserted before the extension.
std::string WithSuffix(const std::string& path, const std::string& suffix);

}  // namespace tessalin::cli
