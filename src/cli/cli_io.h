// Loading and saving for the command line. Everything goes through
// LoadImageFile / SaveImageFile; "-" stands for standard input (recognised by
// its first bytes, or named by --from) and standard output (in the --to format).
// Failures are FileErrors "FILE: what is wrong" in the command line's words.
#pragma once

#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "core/tessalin_error.h"

namespace tessalin::cli {

// A failure whose message already reads "FILE: what is wrong", so nothing
// further up puts another name in front of it.
class FileError : public TessalinError {
 public:
  using TessalinError::TessalinError;
};

// One file's process-wide values and the options that steer its load and save.
struct CliRun {
  SharedState state;
  ParsedArgs args;
};

inline constexpr const char* kStandardStream = "-";

// How a path is named in messages: "standard input" / "standard output" for "-".
std::string InputName(const std::string& path);
std::string OutputName(const std::string& path);

// Checks --raw, --frame and --from once, before anything is read (UsageError).
void CheckInputOptions(const ParsedArgs& args, const std::vector<std::string>& inputs);
// The --to extension, lower case with its dot; "" when not given (UsageError when not writable).
std::string TargetExtension(const ParsedArgs& args);
// Throws a FileError naming `path` when its extension is not one SaveImageFile writes.
void CheckWritable(const std::string& path);

RasterImage LoadInput(const std::string& path, CliRun& run);
// `packedBlackWhite`: `image` is a packed black-and-white result
// (core/black_white.h), saved as its 24-bit form would be.
void SaveOutput(const std::string& path, const RasterImage& image, CliRun& run, bool packedBlackWhite = false);

// `message` starting with "FILE: ", the name put in front when the engine left it out.
std::string AboutFile(const std::string& file, const std::string& message);

// ".bmp, .emf, ..." for messages.
std::string ExtensionList(const std::vector<std::string>& extensions);

}  // namespace tessalin::cli
