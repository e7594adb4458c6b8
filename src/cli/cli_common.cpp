#include "cli/cli_common.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
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

const std::vector<OptionSpec>& InputOptions() {
  static const std::vector<OptionSpec> options = {
      {"--raw", "WxHxB", "size of a .raw input: width, height and bits per pixel (1, 8, 16 or 24)"},
      {"--frame", "N",
       "take frame N of a GIF of several frames, at its own size (default: all frames drawn "
       "into one picture)"},
      {"--from", "EXT",
       "the format of - (standard input), read as a file with that extension; needed for "
       "wbmp and raw, which have no signature to recognise them by"}};
  return options;
}

const std::vector<OptionSpec>& SizeOptions() {
  static const std::vector<OptionSpec> options = {
      {"--fit", "WxH",
       "first reduce the picture, keeping its proportions, until it fits inside W x H "
       "(never enlarges; handsets: 96x65, 101x80, 128x64, 128x128, 176x208)"},
      {"--resize", "WxH",
       "first reduce or magnify the picture to exactly W x H, each direction by its own "
       "factor"}};
  return options;
}

const std::vector<OptionSpec>& OutputOptions() {
  static const std::vector<OptionSpec> options = {
      {"-o,--output", "DIR", "write DIR/NAME.EXT for each input (the folder is made when missing)"},
      {"--to", "EXT",
       "the format to write with -o, or to standard output with - as OUT (default with -o: "
       "the input's own)"},
      {"-j,--jobs", "N", "work on N files at once (default: the number of processor cores)"}};
  return options;
}

const OptionSpec& QuietOption() {
  static const OptionSpec option = {"-q,--quiet", "", "print nothing but errors"};
  return option;
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

int CommandRank(const std::string& name) {
  static const std::vector<std::string> order = {"info", "convert", "apply", "wizard"};
  const auto it = std::find(order.begin(), order.end(), name);
  return static_cast<int>(it - order.begin());
}

}  // namespace

void RegisterCommand(Command command) { CommandList().push_back(std::move(command)); }
void RegisterApplyOperation(ApplyOperation operation) { ApplyList().push_back(std::move(operation)); }

std::vector<const Command*> Commands() {
  std::vector<const Command*> commands;
  for (const Command& c : CommandList()) commands.push_back(&c);
  std::stable_sort(commands.begin(), commands.end(), [](const Command* a, const Command* b) {
    return CommandRank(a->name) < CommandRank(b->name);
  });
  return commands;
}

std::vector<const ApplyOperation*> ApplyOperations() {
  std::vector<const ApplyOperation*> ops;
  for (const ApplyOperation& op : ApplyList()) ops.push_back(&op);
  std::sort(ops.begin(), ops.end(), [](auto* a, auto* b) { return a->name < b->name; });
  return ops;
}

const ApplyOperation* FindApplyOperation(const std::string& name) {
  for (const ApplyOperation& op : ApplyList())
    if (op.name == name) return &op;
  return nullptr;
}

RasterImage To24Bit(RasterImage image) {
  ConvertPixelFormat(static_cast<int>(PixelFormat::pf24Bit), image);
  return image;
}

std::vector<ApplyResult> OneResult(RasterImage image) {
  std::vector<ApplyResult> out;
  out.push_back({"", std::move(image)});
  return out;
}

std::string WithSuffix(const std::string& path, const std::string& suffix) {
  if (suffix.empty()) return path;
  const auto slash = path.find_last_of('/');
  const auto dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + suffix;
  return path.substr(0, dot) + suffix + path.substr(dot);
}

}  // namespace tessalin::cli
