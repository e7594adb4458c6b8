// Loading and saving for the command line: everything goes through
// LoadImageFile / SaveImageFile, with the questions answered from the options.
#include <iostream>
#include <optional>

#include "cli/cli_common.h"
#include "core/file_io.h"
#include "core/tessalin_error.h"
#include "formats/black_white_save.h"
#include "formats/gif_codec.h"
#include "formats/image_files.h"
#include "formats/raw_import.h"

namespace tessalin::cli {

namespace {

struct RawAnswer {
  int width = 0, height = 0, layout = 0;
};

// "WxHxB" with B one of 1, 8, 16, 24.
RawAnswer ParseRawOption(const std::string& text) {
  const auto x1 = text.find('x');
  const auto x2 = x1 == std::string::npos ? std::string::npos : text.find('x', x1 + 1);
  if (x2 == std::string::npos) throw UsageError("--raw: \"" + text + "\" is not WIDTHxHEIGHTxBITS");
  RawAnswer a;
  a.width = ParseInt(text.substr(0, x1), "--raw width");
  a.height = ParseInt(text.substr(x1 + 1, x2 - x1 - 1), "--raw height");
  const int bits = ParseInt(text.substr(x2 + 1), "--raw bits");
  switch (bits) {
    case 1:
      a.layout = 0;
      break;
    case 8:
      a.layout = 1;
      break;
    case 16:
      a.layout = 2;
      break;
    case 24:
      a.layout = 3;
      break;
    default:
      throw UsageError("--raw: bits must be 1, 8, 16 or 24");
  }
  return a;
}

// Messages go to stderr. The raw import takes --raw (a smaller picture than the
// file is accepted: the size was given on purpose); the frame browser takes --frame.
class CliPrompts : public UserPrompts {
 public:
  CliPrompts(std::optional<RawAnswer> raw, std::optional<int> frame) : raw_(raw), frame_(frame) {}

  void ShowMessage(const std::string& text) override { std::cerr << Lines(text) << "\n"; }
  bool Confirm(const std::string& text) override {
    std::cerr << Lines(text) << " (yes)\n";
    return true;
  }
  bool RunRawImport(const std::string& fileName, RasterImage& result) override {
    if (!raw_) {
      const RawProposal p = ProposeRawSize(fileName);
      std::cerr << fileName << ": a raw file needs --raw WIDTHxHEIGHTxBITS (its " << p.fileSize
                << " bytes would make " << p.width << "x" << p.height << "x8).\n";
      return false;
    }
    const int64_t size = FileSizeOf(fileName);
    switch (CheckRawSize(size, raw_->height, raw_->width, raw_->layout)) {
      case RawCheck::Invalid:
        ShowMessage(kRawInvalidSizeMessage);
        return false;
      case RawCheck::SmallerThanFile:
        if (!Confirm(kRawSmallerConfirmMessage)) return false;
        break;
      case RawCheck::Ok:
        break;
    }
    result = ReadRawFile(fileName, raw_->height, raw_->width, raw_->layout);
    return true;
  }
  void BrowseGifFrames(const std::string& fileName) override {
    browsed_ = true;
    if (!frame_) return;
    DecodedGif gif = DecodeGifFile(fileName);
    if (*frame_ < 0 || *frame_ >= static_cast<int>(gif.frames.size()))
      throw TessalinError(fileName + ": there is no frame " + std::to_string(*frame_) + " (the file has " +
                          std::to_string(gif.frames.size()) + ").");
    chosen_ = std::move(gif.frames[static_cast<size_t>(*frame_)].raster);
  }

  bool Browsed() const { return browsed_; }
  RasterImage TakeChosen() { return std::move(chosen_); }

 private:
  static std::string Lines(std::string text) {
    for (char& c : text)
      if (c == '\r') c = '\n';
    return text;
  }

  std::optional<RawAnswer> raw_;
  std::optional<int> frame_;
  bool browsed_ = false;
  RasterImage chosen_;
};

// A result window from the command line: reported, not written.
class StderrResults : public ResultSink {
 public:
  void CreateResultChild(const std::string& name, const RasterImage& raster) override {
    std::cerr << "result \"" << name << "\": " << raster.Width() << " x " << raster.Height() << "\n";
  }
};

CliPrompts MakePrompts(const CliRun& run) {
  std::optional<RawAnswer> raw;
  std::optional<int> frame;
  if (run.args.values.count("--raw")) raw = ParseRawOption(run.args.Value("--raw", ""));
  if (run.args.values.count("--frame")) frame = run.args.IntValue("--frame", 0);
  return CliPrompts(raw, frame);
}

}  // namespace

RasterImage LoadInput(const std::string& path, CliRun& run) {
  CliPrompts prompts = MakePrompts(run);
  StderrResults results;
  const bool frameGiven = run.args.values.count("--frame") > 0;
  // Without --frame a multi-frame GIF becomes one picture, as the wizard loads it.
  if (LowerExtension(path) == ".gif" && !frameGiven) run.state.WizardOpenFlag = true;
  FileContext context{prompts, results, run.state, nullptr};
  RasterImage image = LoadImageFile(path, context);
  if (prompts.Browsed()) image = prompts.TakeChosen();
  if (frameGiven && LowerExtension(path) == ".gif" && !prompts.Browsed()) {
    const int frame = run.args.IntValue("--frame", 0);
    if (frame != 0)
      throw TessalinError(path + ": there is no frame " + std::to_string(frame) + " (the file has 1).");
  }
  if (!image.HasImage()) throw TessalinError(path + ": no picture was loaded.");
  return image;
}

void SaveOutput(const std::string& path, const RasterImage& image, CliRun& run) {
  CliPrompts prompts = MakePrompts(run);
  StderrResults results;
  FileContext context{prompts, results, run.state, nullptr};
  if (!SaveImageFile(path, image, context)) throw TessalinError(path + ": the file was not written.");
}

void SaveBlackWhiteOutput(const std::string& path, const RasterImage& packed, CliRun& run) {
  CliPrompts prompts = MakePrompts(run);
  StderrResults results;
  FileContext context{prompts, results, run.state, nullptr};
  if (!SaveBlackWhiteResult(path, packed, context)) throw TessalinError(path + ": the file was not written.");
}

}  // namespace tessalin::cli
