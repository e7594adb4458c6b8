#include "cli/cli_common.h"

#include <cerrno>
#include <cstdlib>

#include "core/pixel_ops.h"

namespace tessalin::cli {

std::string ParsedArgs::Value(const std::string& name, const std::string& fallback) const {
  const auto it = values.find(name);
  return it == values.end() ? fallback : it->second;
}

int ParsedArgs::IntValue(const std::string& name, int fallback) const {
  const auto it = values.find(name);
  return it == values.end() ? fallback : ParseInt(it->second, name);
}

double ParsedArgs::RealValue(const std::string& name, double fallback) const {
  const auto it = values.find(name);
  return it == values.end() ? fallback : ParseReal(it->second, name);
}

ParsedArgs ParseArgs(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                     const std::set<std::string>& flagOptions) {
  ParsedArgs parsed;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() > 2 && a.rfind("--", 0) == 0) {
      if (flagOptions.count(a)) {
        parsed.flags.insert(a);
      } else if (valueOptions.count(a)) {
        if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
        parsed.values[a] = args[++i];
      } else {
        throw UsageError("unknown option " + a);
      }
    } else {
      parsed.positional.push_back(a);
    }
  }
  return parsed;
}

int ParseInt(const std::string& text, const std::string& what) {
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX)
    throw UsageError(what + ": \"" + text + "\" is not a whole number");
  return static_cast<int>(v);
}

double ParseReal(const std::string& text, const std::string& what) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0') throw UsageError(what + ": \"" + text + "\" is not a number");
  return v;
}

RasterImage To24Bit(const RasterImage& image) {
  RasterImage copy;
  copy.Assign(image);
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf24Bit), copy);
  return copy;
}

namespace {

std::vector<Command>& CommandList() {
  static std::vector<Command> list;
  return list;
}

std::vector<ApplyOperation>& ApplyList() {
  static std::vector<ApplyOperation> list;
  return list;
}

}  // namespace

void RegisterCommand(Command command) { CommandList().push_back(std::move(command)); }
void RegisterApplyOperation(ApplyOperation operation) { ApplyList().push_back(std::move(operation)); }
const std::vector<Command>& Commands() { return CommandList(); }
const std::vector<ApplyOperation>& ApplyOperations() { return ApplyList(); }

std::string WithSuffix(const std::string& path, const std::string& suffix) {
  if (suffix.empty()) return path;
  const auto slash = path.find_last_of('/');
  const auto dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + suffix;
  return path.substr(0, dot) + suffix + path.substr(dot);
}

}  // namespace tessalin::cli
