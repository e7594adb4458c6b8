#include "cli/cli_io.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <system_error>

#include "cli/cli_prompts.h"
#include "core/file_io.h"
#include "core/tessalin_error.h"
#include "formats/black_white_save.h"
#include "formats/image_files.h"
#include "formats/image_signature.h"

namespace tessalin::cli {

namespace {

// A private folder for the copy of standard input or the file bound for
// standard output; removed with everything in it when the object goes.
class TempFolder {
 public:
  TempFolder() {
    std::error_code error;
    std::string pattern = (std::filesystem::temp_directory_path(error) / "tessalin-cli.XXXXXX").string();
    if (error) pattern = "/tmp/tessalin-cli.XXXXXX";
    if (!::mkdtemp(pattern.data()))
      throw TessalinError("a temporary folder could not be made: " + std::string(std::strerror(errno)));
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The CLI writes no windows: the extra picture of a .wmf save has nowhere to go.
class NoResults : public ResultSink {
 public:
  void CreateResultChild(const std::string&, const RasterImage&) override {}
};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// "PNG", ".png" or "png" as ".png".
std::string AsExtension(const std::string& text) {
  std::string ext = Lower(text);
  if (!ext.empty() && ext.front() != '.') ext.insert(ext.begin(), '.');
  return ext;
}

bool Listed(const std::vector<std::string>& list, const std::string& ext) {
  return std::find(list.begin(), list.end(), ext) != list.end();
}

// The engine names the temporary copy it read or wrote; the user knows it as `to`.
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  if (from.empty() || from == kStandardStream || from == to) return text;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

size_t ReadUpTo(std::FILE* in, uint8_t* data, size_t size) {
  size_t got = 0;
  while (got < size) {
    const size_t n = std::fread(data + got, 1, size - got, in);
    if (n == 0) break;
    got += n;
  }
  if (std::ferror(in))
    throw TessalinError("standard input: cannot be read: " + std::string(std::strerror(errno)));
  return got;
}

// Copies standard input into `folder` under the extension its first bytes
// (or --from) give, so that LoadImageFile reads it like any file.
std::string StageStandardInput(const TempFolder& folder, const ParsedArgs& args) {
  std::array<uint8_t, 1 << 16> buffer;
  size_t got = ReadUpTo(stdin, buffer.data(), kSignatureBytes);
  if (got == 0) throw TessalinError("standard input: is empty, there is no picture to read");
  std::string ext = args.values.count("--from") ? AsExtension(args.Value("--from", "")) : "";
  if (ext.empty()) ext = SniffImageExtension(std::span<const uint8_t>(buffer.data(), got));
  if (ext.empty())
    throw TessalinError(
        "standard input: its first bytes match no format it recognises (BMP, JPEG, GIF, PNG, netpbm, XBM, icon, "
        "metafile); give --from EXT (a WBMP or raw picture always needs it)");
  const std::string path = folder.File("standard-input" + ext);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!out)
    throw TessalinError("standard input: a copy could not be made: " + std::string(std::strerror(errno)));
  for (; got > 0; got = ReadUpTo(stdin, buffer.data(), buffer.size()))
    if (std::fwrite(buffer.data(), 1, got, out.get()) != got)
      throw TessalinError("standard input: a copy could not be made: " + std::string(std::strerror(errno)));
  if (std::fclose(out.release()) != 0)
    throw TessalinError("standard input: a copy could not be made: " + std::string(std::strerror(errno)));
  return path;
}

void CopyToStandardOutput(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!in) throw TessalinError("standard output: the picture could not be read back");
  std::array<uint8_t, 1 << 16> buffer;
  for (size_t got; (got = ReadUpTo(in.get(), buffer.data(), buffer.size())) > 0;)
    if (std::fwrite(buffer.data(), 1, got, stdout) != got) break;
  if (std::fflush(stdout) != 0 || std::ferror(stdout))
    throw TessalinError("standard output: cannot be written: " + std::string(std::strerror(errno)));
}

std::string RefusedLoad(const std::string& name, const std::string& ext) {
  if (ext == ".wbmp") return name + ": not a WBMP file (its type and header fields must be 0)";
  if (Listed(ReadableExtensions(), ext)) return name + ": the " + ext + " reader refused it";
  if (ext.empty())
    return name + ": has no extension to tell its format by; it reads " + ExtensionList(ReadableExtensions());
  return name + ": cannot read " + ext + " files; it reads " + ExtensionList(ReadableExtensions());
}

std::string RefusedSave(const std::string& name, const std::string& ext) {
  if (ext.empty())
    return name + ": has no extension to tell the format by; it writes " +
           ExtensionList(WritableExtensions());
  return name + ": cannot write " + ext + " files; it writes " + ExtensionList(WritableExtensions());
}

RasterImage LoadNamed(const std::string& file, const std::string& name, CliRun& run) {
  CliPrompts prompts(run.args, name);
  NoResults results;
  const std::string ext = LowerExtension(file);
  const bool frameGiven = run.args.values.count("--frame") > 0;
  // Without --frame a GIF of several frames becomes one picture, as the wizard loads it.
  if (ext == ".gif" && !frameGiven) run.state.WizardOpenFlag = true;
  FileContext context{prompts, results, run.state, nullptr};
  RasterImage image = LoadImageFile(file, context);
  if (prompts.Refused()) throw TessalinError(RefusedLoad(name, ext));
  if (prompts.Browsed()) image = prompts.TakeChosen();
  if (frameGiven && ext == ".gif" && !prompts.Browsed()) {
    const int frame = run.args.IntValue("--frame", 0);
    if (frame != 0)
      throw TessalinError(name + ": there is no frame " + std::to_string(frame) + " (the file has 1)");
  }
  if (!image.HasImage()) throw TessalinError(name + ": holds no picture");
  return image;
}

}  // namespace

std::string InputName(const std::string& path) { return path == kStandardStream ? "standard input" : path; }
std::string OutputName(const std::string& path) { return path == kStandardStream ? "standard output" : path; }

std::string ExtensionList(const std::vector<std::string>& extensions) {
  std::string list;
  for (const std::string& e : extensions) list += (list.empty() ? "" : ", ") + e;
  return list;
}

std::string AboutFile(const std::string& file, const std::string& message) {
  std::string what = message;
  if (what.rfind(file + ":", 0) == 0) what.erase(0, what.find_first_not_of(' ', file.size() + 1));
  // "The picture ..." reads as "a.bmp: the picture ...", but "JPEG ..." stays.
  if (what.size() > 1 && std::isupper(static_cast<unsigned char>(what[0])) &&
      std::islower(static_cast<unsigned char>(what[1])))
    what[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(what[0])));
  if (!what.empty() && what.back() == '.') what.pop_back();
  return file + ": " + what;
}

void CheckInputOptions(const ParsedArgs& args, const std::vector<std::string>& inputs) {
  if (args.values.count("--raw")) ParseRawSize(args.Value("--raw", ""));
  if (args.values.count("--frame") && args.IntValue("--frame", 0) < 0)
    throw UsageError("--frame: frames are counted from 0");
  const auto streams = std::count(inputs.begin(), inputs.end(), std::string(kStandardStream));
  if (streams > 1) throw UsageError("standard input (-) can be read only once");
  if (!args.values.count("--from")) return;
  if (streams == 0)
    throw UsageError("--from names the format of standard input (-); files go by their extension");
  const std::string ext = AsExtension(args.Value("--from", ""));
  if (!Listed(ReadableExtensions(), ext))
    throw UsageError("--from: cannot read " + ext + "; it reads " + ExtensionList(ReadableExtensions()));
}

std::string TargetExtension(const ParsedArgs& args) {
  if (!args.values.count("--to")) return "";
  const std::string ext = AsExtension(args.Value("--to", ""));
  if (!Listed(WritableExtensions(), ext))
    throw UsageError("--to: cannot write " + (ext.empty() ? std::string("\"\"") : ext) +
                     " files; it writes " + ExtensionList(WritableExtensions()));
  return ext;
}

void CheckWritable(const std::string& path) {
  const std::string ext = LowerExtension(path);
  if (!Listed(WritableExtensions(), ext)) throw FileError(RefusedSave(path, ext));
}

RasterImage LoadInput(const std::string& path, CliRun& run) {
  const std::string name = InputName(path);
  std::optional<TempFolder> folder;
  std::string file = path;
  try {
    if (path == kStandardStream) {
      folder.emplace();
      file = StageStandardInput(*folder, run.args);
    }
    return LoadNamed(file, name, run);
  } catch (const TessalinError& e) {
    throw FileError(AboutFile(name, ReplaceAll(e.what(), file, name)));
  } catch (const std::bad_alloc&) {
    throw FileError(name + ": out of memory");
  }
}

void SaveOutput(const std::string& path, const RasterImage& image, CliRun& run, bool packedBlackWhite) {
  const std::string name = OutputName(path);
  std::optional<TempFolder> folder;
  std::string file = path;
  try {
    if (path == kStandardStream) {
      folder.emplace();
      file = folder->File("standard-output" + TargetExtension(run.args));
    }
    CliPrompts prompts(run.args, name);
    NoResults results;
    FileContext context{prompts, results, run.state, nullptr};
    const bool saved =
        packedBlackWhite ? SaveBlackWhiteResult(file, image, context) : SaveImageFile(file, image, context);
    if (!saved || prompts.Refused())
      throw TessalinError(RefusedSave(name, LowerExtension(file)));
    if (path == kStandardStream) CopyToStandardOutput(file);
  } catch (const TessalinError& e) {
    throw FileError(AboutFile(name, ReplaceAll(e.what(), file, name)));
  } catch (const std::bad_alloc&) {
    throw FileError(name + ": out of memory");
  }
}

}  // namespace tessalin::cli
