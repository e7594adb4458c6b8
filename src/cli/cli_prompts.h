// The engine's questions answered from the command line's options. The
// desktop program's message boxes have no place here: a refusal is only
// noted, and the command says what went wrong in its own words.
#pragma once

#include <optional>
#include <string>

#include "cli/cli_common.h"
#include "core/user_prompts.h"

namespace tessalin::cli {

// --raw WIDTHxHEIGHTxBITS.
struct RawSize {
  int width = 0, height = 0, bits = 0;
  int layout = 0;  // the raw import's layout index: 0 1 bit, 1 8, 2 16, 3 24
};
RawSize ParseRawSize(const std::string& text);

class CliPrompts : public UserPrompts {
 public:
  // `displayName` names the file in messages ("standard input" for a copy of it).
  CliPrompts(const ParsedArgs& args, std::string displayName);

  void ShowMessage(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  bool RunRawImport(const std::string& fileName, RasterImage& result) override;
  void BrowseGifFrames(const std::string& fileName) override;

  // The engine refused the file (its extension, or a WBMP of another type).
  bool Refused() const { return refused_; }
  bool Browsed() const { return browsed_; }
  RasterImage TakeChosen() { return std::move(chosen_); }

 private:
  std::string displayName_;
  std::optional<RawSize> raw_;
  std::optional<int> frame_;
  bool quiet_;
  bool refused_ = false;
  bool browsed_ = false;
  RasterImage chosen_;
};

}  // namespace tessalin::cli
