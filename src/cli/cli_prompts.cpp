#include "cli/cli_prompts.h"

#include "cli/console.h"
#include "core/file_io.h"
#include "core/tessalin_error.h"
#include "formats/gif_codec.h"
#include "formats/raw_import.h"

namespace tessalin::cli {

RawSize ParseRawSize(const std::string& text) {
  const auto x1 = text.find('x');
  const auto x2 = x1 == std::string::npos ? std::string::npos : text.find('x', x1 + 1);
  if (x2 == std::string::npos) throw UsageError("--raw: \"" + text + "\" is not WIDTHxHEIGHTxBITS");
  RawSize size;
  size.width = ParseInt(text.substr(0, x1), "--raw width");
  size.height = ParseInt(text.substr(x1 + 1, x2 - x1 - 1), "--raw height");
  size.bits = ParseInt(text.substr(x2 + 1), "--raw bits");
  switch (size.bits) {
    case 1:
      size.layout = 0;
      break;
    case 8:
      size.layout = 1;
      break;
    case 16:
      size.layout = 2;
      break;
    case 24:
      size.layout = 3;
      break;
    default:
      throw UsageError("--raw: bits must be 1, 8, 16 or 24");
  }
  if (size.width < 1 || size.height < 1) throw UsageError("--raw: width and height must be at least 1");
  return size;
}

CliPrompts::CliPrompts(const ParsedArgs& args, std::string displayName)
    : displayName_(std::move(displayName)), quiet_(args.Quiet()) {
  if (args.values.count("--raw")) raw_ = ParseRawSize(args.Value("--raw", ""));
  if (args.values.count("--frame")) frame_ = args.IntValue("--frame", 0);
}

void CliPrompts::ShowMessage(const std::string&) { refused_ = true; }

// The only question the engine asks the command line is whether to read a
// raw file smaller than it is, and --raw was given on purpose.
bool CliPrompts::Confirm(const std::string&) { return true; }

bool CliPrompts::RunRawImport(const std::string& fileName, RasterImage& result) {
  const int64_t size = FileSizeOf(fileName);
  if (!raw_) {
    const RawProposal p = ProposeRawSize(size);
    throw TessalinError(displayName_ + ": a raw file needs --raw WIDTHxHEIGHTxBITS (its " +
                        std::to_string(size) + " bytes would make " + std::to_string(p.width) + "x" +
                        std::to_string(p.height) + "x8)");
  }
  const std::string given =
      std::to_string(raw_->width) + "x" + std::to_string(raw_->height) + "x" + std::to_string(raw_->bits);
  // In 128 bits: the widest row times the most rows passes 63.
  const __int128 needed = static_cast<__int128>(RawRowBytes(raw_->layout, raw_->width)) * raw_->height;
  switch (CheckRawSize(size, raw_->height, raw_->width, raw_->layout)) {
    case RawCheck::Invalid:
      throw TessalinError(displayName_ + ": --raw " + given + " needs " +
                          (needed <= INT64_MAX ? std::to_string(static_cast<int64_t>(needed)) : "more") +
                          " bytes, but the file holds " + std::to_string(size));
    case RawCheck::SmallerThanFile:
      if (!quiet_)
        PrintMessage(displayName_ + ": --raw " + given + " reads the first " +
                     std::to_string(static_cast<int64_t>(needed)) + " of its " + std::to_string(size) +
                     " bytes");
      break;
    case RawCheck::Ok:
      break;
  }
  result = ReadRawFile(fileName, raw_->height, raw_->width, raw_->layout);
  return true;
}

void CliPrompts::BrowseGifFrames(const std::string& fileName) {
  browsed_ = true;
  if (!frame_) return;
  DecodedGif gif = DecodeGifFile(fileName);
  if (*frame_ < 0 || *frame_ >= static_cast<int>(gif.frames.size()))
    throw TessalinError(displayName_ + ": there is no frame " + std::to_string(*frame_) + " (the file has " +
                        std::to_string(gif.frames.size()) + ")");
  chosen_ = std::move(gif.frames[static_cast<size_t>(*frame_)].raster);
}

}  // namespace tessalin::cli
