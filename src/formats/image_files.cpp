#include "formats/image_files.h"

#include <new>
#include <vector>

#include "core/bmp_codec.h"
#include "core/file_io.h"
#include "core/pixel_ops.h"
#include "core/tessalin_error.h"
#include "formats/gif_codec.h"
#include "formats/icon_codec.h"
#include "formats/jpeg_codec.h"
#include "formats/metafile_codec.h"
#include "formats/netpbm_codec.h"
#include "formats/png_codec.h"
#include "formats/wbmp_codec.h"
#include "formats/xbm_codec.h"

namespace tessalin {

namespace {

bool IsJpegExtension(const std::string& ext) {
  return ext == ".jpg" || ext == ".jpgs" || ext == ".jpeg" || ext == ".jpe";
}

// The flag applies to one load only, whether it succeeds or throws.
struct ClearWizardFlag {
  SharedState& state;
  ~ClearWizardFlag() { state.WizardOpenFlag = false; }
};

struct BusyScope {
  BusyCursor* cursor;
  explicit BusyScope(BusyCursor* c) : cursor(c) {
    if (cursor) cursor->SetBusy(true);
  }
  ~BusyScope() {
    if (cursor) cursor->SetBusy(false);
  }
};

void SaveRawGrey(const RasterImage& picture, const std::string& path) {
  RasterImage copy;
  copy.Assign(picture);
  copy.SetPixelFormat(PixelFormat::pf24Bit);
  const int width = copy.Width();
  std::vector<uint8_t> bytes;
  bytes.reserve(static_cast<size_t>(width) * copy.Height());
  for (int y = 0; y < copy.Height(); ++y) {
    const uint8_t* row = copy.Row(y);
    for (int x = 0; x < width; ++x)
      bytes.push_back(GrayScaleValue(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
  }
  WriteFileAtomically(path, bytes);
}

// Readers and writers report in TessalinError; anything else that escapes them
// (std::length_error, a library's own exception) is a fault of ours whose text,
// such as "cannot create std::vector larger than max_size()", no user should
// see: it becomes a plain message naming the file.
template <typename Body>
auto WithPlainErrors(const std::string& fileName, const char* doing, Body body) {
  try {
    return body();
  } catch (const TessalinError&) {
    throw;
  } catch (const std::bad_alloc&) {
    ThrowFileError(fileName, std::string("cannot be ") + doing + ": there is not enough memory.");
  } catch (const std::exception&) {
    ThrowFileError(fileName, std::string("cannot be ") + doing + " because of an internal error.");
  }
}

RasterImage LoadFile(const std::string& fileName, FileContext& context);
bool SaveFile(const std::string& fileName, const RasterImage& picture, FileContext& context);

}  // namespace

RasterImage LoadImageFile(const std::string& fileName, FileContext& context) {
  ClearWizardFlag clearFlag{context.state};
  return WithPlainErrors(fileName, "read", [&] { return LoadFile(fileName, context); });
}

bool SaveImageFile(const std::string& fileName, const RasterImage& picture, FileContext& context) {
  BusyScope busy(context.cursor);
  // One refusal for every format: an empty file would be no picture at all.
  if (!picture.HasImage())
    ThrowFileError(fileName, "cannot be written: the picture is empty (" + std::to_string(picture.Width()) +
                                 " x " + std::to_string(picture.Height()) + " pixels).");
  return WithPlainErrors(fileName, "written", [&] { return SaveFile(fileName, picture, context); });
}

namespace {

RasterImage LoadFile(const std::string& fileName, FileContext& context) {
  RasterImage raster;
  const std::string ext = LowerExtension(fileName);
  if (IsJpegExtension(ext)) {
    raster = LoadJpegFile(fileName);
  } else if (ext == ".ico" || ext == ".icon") {
    raster = LoadIconFile(fileName);
  } else if (ext == ".bmp") {
    raster = LoadBmpFile(fileName);
  } else if (ext == ".emf" || ext == ".wmf") {
    raster = LoadMetafile(fileName);
  } else if (ext == ".raw") {
    RasterImage imported;
    if (context.prompts.RunRawImport(fileName, imported)) raster.Assign(imported);
  } else if (ext == ".wbmp") {
    RasterImage read;
    if (ReadWbmp(fileName, context.prompts, read)) raster.Assign(read);
  } else if (ext == ".gif") {
    DecodedGif gif = DecodeGifFile(fileName);
    if (context.state.WizardOpenFlag || gif.frames.size() < 2) {
      raster = GifToRaster(gif);
    } else {
      gif = DecodedGif();
      context.prompts.BrowseGifFrames(fileName);
    }
  } else if (ext == ".png") {
    raster = LoadPngFile(fileName);
  } else if (NetpbmKindOf(ext)) {
    raster = LoadNetpbmFile(fileName);
  } else if (ext == ".xbm") {
    raster = LoadXbmFile(fileName);
  } else if (ext == ".tiff" || ext == ".tif") {
    context.prompts.ShowMessage("Sorry!\rThe Tiff which You Selected, Next Version.....");
  } else if (ext == ".pcx") {
    context.prompts.ShowMessage("Sorry!\rThe Pcx which You Selected, Next Version.....");
  } else {
    context.prompts.ShowMessage("Sorry!\rThe Extension of File you Selected, \ris Invalid.");
  }
  return raster;
}

bool SaveFile(const std::string& fileName, const RasterImage& picture, FileContext& context) {
  const std::string ext = LowerExtension(fileName);
  if (IsJpegExtension(ext)) {
    SaveJpegFile(picture, fileName);
  } else if (ext == ".wbmp") {
    return WriteWbmp(picture, fileName, context.state.SharedBias);
  } else if (ext == ".bmp") {
    // The file gets the display's depth, not the document's pixel format.
    SaveBmpFileAsDevice(picture, fileName);
  } else if (ext == ".emf") {
    SaveEmfFile(picture, fileName);
  } else if (ext == ".wmf") {
    SaveWmfFile(picture, fileName);
    context.results.CreateResultChild("ss", picture);
  } else if (ext == ".raw") {
    SaveRawGrey(picture, fileName);
  } else if (ext == ".gif") {
    SaveGifFile(picture, fileName);
  } else if (ext == ".ico" || ext == ".icon") {
    SaveIconFile(picture, fileName);
  } else if (ext == ".png") {
    SavePngFile(picture, fileName);
  } else if (const std::optional<NetpbmKind> kind = NetpbmKindOf(ext)) {
    SaveNetpbmFile(picture, fileName, *kind, context.state.SharedBias);
  } else if (ext == ".xbm") {
    SaveXbmFile(picture, fileName, context.state.SharedBias);
  } else if (ext == ".tif" || ext == ".tiff" || ext == ".pcx") {
    context.prompts.ShowMessage("Sorry!\rThe File you Selected, Next version....");
    return false;
  } else {
    context.prompts.ShowMessage("Sorry!\rThe File you Selected, Cannot Write any more.");
    return false;
  }
  return true;
}

}  // namespace

const std::vector<std::string>& ReadableExtensions() {
  static const std::vector<std::string> kReadable = {
      ".bmp", ".emf", ".gif", ".ico", ".icon", ".jpe", ".jpeg", ".jpg", ".jpgs", ".pam", ".pbm",
      ".pgm", ".png", ".pnm", ".ppm", ".raw", ".wbmp", ".wmf", ".xbm"};
  return kReadable;
}

const std::vector<std::string>& WritableExtensions() {
  static const std::vector<std::string> kWritable = {
      ".bmp", ".emf", ".gif", ".ico", ".icon", ".jpe", ".jpeg", ".jpg", ".jpgs", ".pam", ".pbm",
      ".pgm", ".png", ".pnm", ".ppm", ".raw", ".wbmp", ".wmf", ".xbm"};
  return kWritable;
}

}  // namespace tessalin
