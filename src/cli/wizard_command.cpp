// tessalin-cli wizard: the wizard recipe for the given settings on IN; every
// candidate becomes OUTDIR/NN_NAME.EXT in window order, and --sheet draws them
// all side by side in one labelled PNG.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_common.h"
#include "cli/png_writer.h"
#include "core/file_io.h"
#include "core/progress.h"
#include "core/tessalin_error.h"
#include "wizard/wizard_process.h"
#include "wizard/wizard_sheet.h"

namespace tessalin::cli {

namespace {

std::string WizardUsage() {
  return "tessalin-cli wizard [--mode M] [--source S] [--scale K] [--result R] [--format EXT] [--sheet "
         "FILE.png]\n"
         "                    [--raw WxHxB] [--frame N] IN OUTDIR\n"
         "    M 0 One Click (default), 1 Detail; S 0 picture, 1 drawing, 2 icon; K 0 125%, 1 100% "
         "(default),\n"
         "    2 75%, 3 50%, 4 25% (or the percentage); R 0 simple, 1 various. Writes OUTDIR/NN_NAME.EXT\n"
         "    (EXT default wbmp) in window order, one line per file.\n";
}

int SettingValue(const ParsedArgs& args, const std::string& option, int fallback, int highest) {
  const int v = args.IntValue(option, fallback);
  if (v < 0 || v > highest) throw UsageError(option + " must be 0 to " + std::to_string(highest));
  return v;
}

// The scale page's tag, given as the tag itself or as its percentage.
int ScaleTag(const ParsedArgs& args) {
  std::string text = args.Value("--scale", "1");
  if (!text.empty() && text.back() == '%') text.pop_back();
  const int v = ParseInt(text, "--scale");
  static const int kPercents[5] = {125, 100, 75, 50, 25};
  for (int tag = 0; tag < 5; ++tag)
    if (v == tag || v == kPercents[tag]) return tag;
  throw UsageError("--scale must be a tag 0 to 4 or one of 125, 100, 75, 50, 25");
}

std::string OutputExtension(const ParsedArgs& args) {
  std::string ext = args.Value("--format", "wbmp");
  if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  static const char* const kWritable[] = {"wbmp", "bmp", "jpg",  "jpeg", "jpe", "jpgs",
                                          "gif",  "ico", "icon", "emf",  "wmf", "raw"};
  for (const char* w : kWritable)
    if (ext == w) return ext;
  throw UsageError("--format: \"" + ext + "\" is not a format the candidates can be saved in");
}

// The bar as a line that rewrites itself, on a terminal only.
class TerminalProgress : public CountingProgressSink {
 public:
  TerminalProgress() : shown_(isatty(STDERR_FILENO) == 1) {}
  void Say(const std::string& text) {
    if (!shown_) return;
    std::string line = text;
    if (line.size() < lastLength_) line.append(lastLength_ - line.size(), ' ');
    lastLength_ = text.size();
    std::cerr << "\r" << line << std::flush;
  }
  void Done() {
    if (shown_ && lastLength_) std::cerr << "\n" << std::flush;
    lastLength_ = 0;
  }

 protected:
  void OnHint(const std::string& hint, int) override { Say(hint); }

 private:
  bool shown_;
  size_t lastLength_ = 0;
};

class FileResults : public ResultSink {
 public:
  FileResults(CliRun& run, std::string folder, std::string ext, WizardSheet* sheet)
      : run_(run), folder_(std::move(folder)), ext_(std::move(ext)), sheet_(sheet) {}

  void CreateResultChild(const std::string& name, const RasterImage& raster) override { Save(name, raster, false); }
  // Saved packed where the file comes out alike; the sheet takes 1-bit pictures as they are.
  void CreateBlackWhiteResultChild(const std::string& name, const RasterImage& packed) override {
    Save(name, packed, true);
  }
  const std::vector<std::string>& Written() const { return written_; }

 private:
  void Save(const std::string& name, const RasterImage& raster, bool packed) {
    ++count_;
    char number[16];
    std::snprintf(number, sizeof number, "%02d_", count_);
    const std::string stem = number + name;
    const std::string path = (std::filesystem::path(folder_) / (stem + "." + ext_)).string();
    if (packed) SaveBlackWhiteOutput(path, raster, run_);
    else SaveOutput(path, raster, run_);
    written_.push_back(path);
    if (sheet_) sheet_->Add(stem, raster);
  }

  CliRun& run_;
  std::string folder_, ext_;
  WizardSheet* sheet_;
  int count_ = 0;
  std::vector<std::string> written_;
};

void WriteSheet(const std::string& path, WizardSheet& sheet) {
  sheet.Layout();
  const PngKind kind = sheet.BlackAndWhite() ? PngKind::Gray1 : PngKind::Rgb8;
  WriteFileAtomicallyWith(path, [&](const std::string& temporary) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(temporary.c_str(), "wb"), std::fclose);
    if (!file) throw TessalinError(path + ": the file could not be created.");
    PngWriter png(file.get(), path, sheet.Width(), sheet.Height(), kind);
    std::vector<uint8_t> rgb(static_cast<size_t>(sheet.Width()) * 3);
    std::vector<uint8_t> bits(PngWriter::RowBytes(sheet.Width(), PngKind::Gray1));
    for (int y = 0; y < sheet.Height(); ++y) {
      sheet.RenderRowRgb(y, rgb.data());
      if (kind == PngKind::Rgb8) {
        png.WriteRow(rgb.data());
        continue;
      }
      std::fill(bits.begin(), bits.end(), 0);
      for (int x = 0; x < sheet.Width(); ++x)
        if (rgb[3 * static_cast<size_t>(x)])
          bits[static_cast<size_t>(x) / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      png.WriteRow(bits.data());
    }
    png.Finish();
    if (std::fclose(file.release()) != 0) throw TessalinError(path + ": the file could not be written.");
  });
}

int RunWizardCommand(const std::vector<std::string>& words) {
  CliRun run;
  run.args = ParseArgs(
      words, {"--mode", "--source", "--scale", "--result", "--format", "--sheet", "--raw", "--frame"}, {});
  if (run.args.positional.size() != 2) throw UsageError("wizard takes IN and OUTDIR");
  WizardSettings& settings = run.state.wizard;
  settings.WMode = SettingValue(run.args, "--mode", 0, 1);
  settings.SrcType = SettingValue(run.args, "--source", 0, 2);
  settings.ScaleType = ScaleTag(run.args);
  settings.ResultType = SettingValue(run.args, "--result", 0, 1);
  const std::string ext = OutputExtension(run.args);
  const std::string sheetPath = run.args.Value("--sheet", "");
  if (run.args.values.count("--sheet") && sheetPath.empty()) throw UsageError("--sheet needs a file name");
  const std::string& in = run.args.positional[0];
  const std::string& folder = run.args.positional[1];

  TerminalProgress progress;
  progress.Say("Loading " + in + " ...");
  const RasterImage source = LoadInput(in, run);
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error || !std::filesystem::is_directory(folder))
    throw TessalinError(folder + ": the folder could not be made (" + error.message() + ").");

  std::unique_ptr<WizardSheet> sheet = sheetPath.empty() ? nullptr : std::make_unique<WizardSheet>();
  FileResults results(run, folder, ext, sheet.get());
  progress.Say("Just wait for Processing job you select");
  try {
    WizardProcess(source, run.state, results, progress);
  } catch (...) {
    progress.Done();
    throw;
  }
  progress.Done();
  for (const std::string& path : results.Written()) std::cout << path << "\n";
  if (sheet) {
    progress.Say("Drawing the sheet " + sheetPath + " ...");
    try {
      WriteSheet(sheetPath, *sheet);
    } catch (...) {
      progress.Done();
      throw;
    }
    progress.Done();
    std::cout << sheetPath << "\n";
  }
  return 0;
}

const CommandRegistration kWizard({"wizard", WizardUsage, RunWizardCommand});

}  // namespace

}  // namespace tessalin::cli
