// tessalin-cli wizard: the wizard recipe for the given settings on IN; every
// candidate becomes OUTDIR/NN_NAME.EXT in window order, and --sheet draws them
// all side by side in one labelled PNG.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_io.h"
#include "cli/console.h"
#include "cli/kind_names.h"
#include "cli/screen_sizing.h"
#include "core/file_io.h"
#include "core/progress.h"
#include "core/tessalin_error.h"
#include "formats/image_files.h"
#include "formats/png_writer.h"
#include "wizard/wizard_process.h"
#include "wizard/wizard_sheet.h"

namespace tessalin::cli {

namespace {

int Setting(const ParsedArgs& args, const std::string& option, const KindTable& table) {
  return args.values.count(option) ? ParseKind(table, args.Value(option, ""), option) : 0;
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
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
  const auto& writable = WritableExtensions();
  if (std::find(writable.begin(), writable.end(), "." + ext) == writable.end())
    throw UsageError("--format: cannot write ." + ext + " files; it writes " + ExtensionList(writable));
  return ext;
}

// The wizard's bar as the command line's progress line.
class WizardProgress : public CountingProgressSink {
 protected:
  void OnHint(const std::string&, int percent) override {
    ShowProgress("making the candidates: " + std::to_string(percent) + "%");
  }
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
    SaveOutput(path, raster, run_, packed);
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

int RunWizardCommand(const ParsedArgs& args) {
  if (args.positional.size() != 2) throw UsageError("wizard takes IN and OUTDIR");
  CliRun run;
  run.args = args;
  WizardSettings& settings = run.state.wizard;
  settings.WMode = Setting(args, "--mode", WizardModes());
  settings.SrcType = Setting(args, "--source", WizardSources());
  settings.ScaleType = ScaleTag(args);
  settings.ResultType = Setting(args, "--result", WizardResults());
  const std::string ext = OutputExtension(args);
  const std::string sheetPath = args.Value("--sheet", "");
  if (args.values.count("--sheet") && sheetPath.empty()) throw UsageError("--sheet needs a file name");
  const ScreenSizing sizing = ParseScreenSizing(args, true);
  const std::string& in = args.positional[0];
  const std::string& folder = args.positional[1];
  CheckInputOptions(args, {in});

  EnableProgress(args.Quiet());
  struct ProgressEnd {
    ~ProgressEnd() { EndProgress(); }
  } progressEnd;
  ShowProgress("loading " + InputName(in));
  RasterImage source = LoadInput(in, run);
  try {
    source = SizeForScreen(std::move(source), sizing);
  } catch (const TessalinError& e) {
    throw TessalinError(AboutFile(InputName(in), e.what()));
  }
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error || !std::filesystem::is_directory(folder))
    throw TessalinError(folder + ": the folder could not be made (" + error.message() + ")");

  std::unique_ptr<WizardSheet> sheet = sheetPath.empty() ? nullptr : std::make_unique<WizardSheet>();
  FileResults results(run, folder, ext, sheet.get());
  WizardProgress progress;
  try {
    WizardProcess(source, run.state, results, progress);
  } catch (const FileError&) {
    throw;  // a candidate that could not be saved, already named
  } catch (const TessalinError& e) {
    throw TessalinError(AboutFile(InputName(in), e.what()));
  }
  if (sheet) {
    ShowProgress("drawing the sheet " + sheetPath);
    WriteSheet(sheetPath, *sheet);
  }
  EndProgress();
  if (!args.Quiet()) {
    for (const std::string& path : results.Written()) std::cout << path << "\n";
    if (sheet) std::cout << sheetPath << "\n";
  }
  return 0;
}

std::vector<OptionSpec> WizardOptions() {
  std::vector<OptionSpec> options = {
      {"--mode", "M", "one-click (0, the default) or detail (1)"},
      {"--source", "S", "with detail: picture (0, the default), drawing (1) or icon (2)"},
      {"--scale", "K",
       "with detail: the working size, 125, 100 (the default), 75, 50 or 25 %, or the tag 0 to 4"},
      {"--result", "R", "with detail: simple (0, the default) or various (1)"},
      {"--format", "EXT", "the candidates' format (default wbmp)"},
      {"--sheet", "FILE.png", "also draw every candidate with its name on one PNG contact sheet"}};
  for (const auto* list : {&SizeOptions(), &InputOptions()})
    options.insert(options.end(), list->begin(), list->end());
  options.push_back(QuietOption());
  return options;
}

std::string WizardDetails() {
  return "Runs the wizard's recipe for the settings on IN and writes every candidate in window order\n"
         "as OUTDIR/NN_NAME.EXT (01_pf1bit.wbmp, ...), printing one line per file.\n\n"
         "M, by name or number:\n" +
         KindHelp(WizardModes()) + "\nS, by name or number:\n" + KindHelp(WizardSources()) +
         "\nR, by name or number:\n" + KindHelp(WizardResults()) +
         "\nFor example:\n\n  $ tessalin-cli wizard --fit 128x64 --sheet sheet.png photo.jpg candidates\n";
}

const CommandRegistration kWizard({"wizard",
                                   "make the wizard's 1-bit candidates of a picture",
                                   {"[OPTIONS] IN OUTDIR"},
                                   WizardOptions(),
                                   WizardDetails,
                                   RunWizardCommand});

}  // namespace

}  // namespace tessalin::cli
