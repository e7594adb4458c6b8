#include "formats/gif_codec.h"

#include <gif_lib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/file_io.h"
#include "core/limits.h"
#include "core/row_codec.h"
#include "core/tessalin_error.h"
#include "formats/dib.h"

namespace tessalin {

namespace {

// Where giflib reads from: the bytes in memory or a file read as it is
// decoded (so that sizes are checked before the rest is read). It remembers
// whether the input ran out and the last byte it gave, which tell what a
// failed call was reading.
struct GifInput {
  std::span<const uint8_t> bytes;
  size_t pos = 0;
  std::FILE* file = nullptr;
  size_t total = 0;  // the input's length, for the progress
  bool ranOut = false;
  int lastByte = -1;
};

int ReadInput(GifFileType* gif, GifByteType* out, int length) {
  auto* in = static_cast<GifInput*>(gif->UserData);
  if (length <= 0) return 0;
  size_t n = 0;
  if (in->file) {
    n = std::fread(out, 1, static_cast<size_t>(length), in->file);
  } else {
    n = std::min(static_cast<size_t>(length), in->bytes.size() - in->pos);
    if (n > 0) std::memcpy(out, in->bytes.data() + in->pos, n);
  }
  in->pos += n;
  if (n < static_cast<size_t>(length)) in->ranOut = true;
  if (n > 0) in->lastByte = out[n - 1];
  return static_cast<int>(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};

// giflib's error codes in words about the file ("Failed to read from given
// file" would read like a disk fault); `where` names the part being read.
std::string Explain(int code, const std::string& where) {
  switch (code) {
    case D_GIF_ERR_NOT_GIF_FILE:
      return "it does not start with GIF87a or GIF89a";
    case D_GIF_ERR_NO_SCRN_DSCR:
      return "its screen descriptor is missing";
    case D_GIF_ERR_NO_IMAG_DSCR:
      return where + " has no image descriptor";
    case D_GIF_ERR_NO_COLOR_MAP:
      return where + " has no colour table";
    case D_GIF_ERR_WRONG_RECORD:
      return "a block of unknown type follows " + where;
    case D_GIF_ERR_DATA_TOO_BIG:
      return where + " holds more pixels than its size";
    case D_GIF_ERR_NOT_ENOUGH_MEM:
      return "there is not enough memory for " + where;
    case D_GIF_ERR_IMAGE_DEFECT:
      return "the compressed (LZW) data of " + where + " is damaged";
    case D_GIF_ERR_EOF_TOO_SOON:
      return "the compressed (LZW) data of " + where + " ends before its last pixel";
    default:
      return where + " cannot be read";
  }
}

[[noreturn]] void Fail(const std::string& name, const std::string& what) {
  ThrowFileError(name, "is not a readable GIF file: " + what + ".");
}

ColorTable TableOf(const ColorMapObject* map) {
  ColorTable table;
  for (int i = 0; i < map->ColorCount; ++i)
    table.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
  return table;
}

std::string FrameName(size_t index) { return "frame " + std::to_string(index); }

DecodedGif Decode(GifInput& input, const std::string& name, const GifFrameProgress& onFrame) {
  int error = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&input, ReadInput, &error));
  if (!gif)
    Fail(name, input.ranOut ? "the file is cut short inside its header" : Explain(error, "the header"));

  DecodedGif result;
  result.screenWidth = gif->SWidth;
  result.screenHeight = gif->SHeight;
  CheckPicturePixels(name, result.screenWidth, result.screenHeight);

  // Every frame's indices stay in memory; bound their sum as well as each frame.
  const int64_t kMaxTotalPixels = 4 * kMaxPixels;
  int64_t totalPixels = 0;
  GifFrame pending;  // carries the graphics control block to the next image
  std::vector<uint8_t> line;
  GifRecordType type = UNDEFINED_RECORD_TYPE;
  do {
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) {
      if (!input.ranOut && gif->Error == D_GIF_ERR_WRONG_RECORD) {
        char code[8];
        std::snprintf(code, sizeof code, "0x%02X", input.lastByte);
        Fail(name, std::string("a block of unknown type ") + code + " follows " +
                       (result.frames.empty() ? "the header" : FrameName(result.frames.size() - 1)));
      }
      Fail(name, result.frames.empty() ? "the file ends before its first picture"
                                       : "the file ends without its trailer: it is cut short after " +
                                             FrameName(result.frames.size() - 1));
    }
    if (type == IMAGE_DESC_RECORD_TYPE) {
      const size_t index = result.frames.size();
      if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
        if (input.ranOut) Fail(name, "the file is cut short inside the descriptor of " + FrameName(index));
        // giflib reads the LZW minimum code size last and refuses one past 8
        // with a read error, although nothing was missing.
        if (gif->Error == D_GIF_ERR_READ_FAILED)
          Fail(name, FrameName(index) + " has an LZW minimum code size of " + std::to_string(input.lastByte) +
                         " (at most 8 is possible)");
        Fail(name, Explain(gif->Error, FrameName(index)));
      }
      const GifImageDesc& desc = gif->Image;
      if (desc.Width <= 0 || desc.Height <= 0)
        Fail(name, FrameName(index) + " has no pixels (" + std::to_string(desc.Width) + " x " +
                       std::to_string(desc.Height) + ")");
      CheckPicturePixels(name, desc.Width, desc.Height);
      // A frame may reach past the logical screen (ImageMagick writes such
      // files): it keeps its own raster, and composing clips it to the screen.
      totalPixels += static_cast<int64_t>(desc.Width) * desc.Height;
      if (totalPixels > kMaxTotalPixels)
        Fail(name, "its frames hold more than " + std::to_string(kMaxTotalPixels) + " pixels together");
      const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
      if (!map || map->ColorCount <= 0) Fail(name, FrameName(index) + " has no colour table");

      GifFrame frame;
      frame.left = desc.Left;
      frame.top = desc.Top;
      frame.transparentIndex = pending.transparentIndex;
      frame.disposal = pending.disposal;
      frame.delayCentiseconds = pending.delayCentiseconds;
      pending = GifFrame();
      frame.raster = NewRaster(PixelFormat::pf8Bit, desc.Height, desc.Width);
      ColorTable table = TableOf(map);
      line.assign(static_cast<size_t>(desc.Width), 0);

      // Interlaced frames arrive in four passes.
      std::vector<int> order;
      if (desc.Interlace) {
        static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
          for (int y = kStart[pass]; y < desc.Height; y += kStep[pass]) order.push_back(y);
      }
      bool outOfTable = false;
      for (int i = 0; i < desc.Height; ++i) {
        if (DGifGetLine(gif.get(), line.data(), desc.Width) == GIF_ERROR)
          Fail(name, input.ranOut ? "the file is cut short inside the picture data of " + FrameName(index)
                                  : Explain(gif->Error, FrameName(index)));
        const int y = desc.Interlace ? order[static_cast<size_t>(i)] : i;
        std::memcpy(frame.raster.Row(y), line.data(), line.size());
        for (uint8_t v : line) outOfTable |= v >= table.size();
      }
      // Indices past a short table show black, as most viewers do.
      if (outOfTable) table.resize(256, PaletteEntry{0, 0, 0});
      frame.raster.SetColorTable(std::move(table));
      result.frames.push_back(std::move(frame));
      if (onFrame) onFrame(static_cast<int>(std::min(input.pos, input.total) * 100 / std::max<size_t>(input.total, 1)));
    } else if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      const std::string after = result.frames.empty() ? "the header" : FrameName(result.frames.size() - 1);
      auto extensionFailed = [&] {
        Fail(name, input.ranOut ? "the file is cut short inside an extension block after " + after
                                : Explain(gif->Error, "an extension block after " + after));
      };
      if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) extensionFailed();
      if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
        GraphicsControlBlock gcb{};
        if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) {
          pending.transparentIndex = gcb.TransparentColor;
          pending.disposal = gcb.DisposalMode;
          pending.delayCentiseconds = gcb.DelayTime;
        }
      }
      while (block) {
        if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) extensionFailed();
      }
    }
  } while (type != TERMINATE_RECORD_TYPE);

  if (result.frames.empty()) Fail(name, "it holds no picture");
  // A screen of zero size is taken as large enough for the frames.
  if (result.screenWidth <= 0 || result.screenHeight <= 0) {
    int w = 0, h = 0;
    for (const GifFrame& f : result.frames) {
      w = std::max(w, f.left + f.raster.Width());
      h = std::max(h, f.top + f.raster.Height());
    }
    if (result.screenWidth <= 0) result.screenWidth = w;
    if (result.screenHeight <= 0) result.screenHeight = h;
    CheckPicturePixels(name, result.screenWidth, result.screenHeight);
  }
  return result;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

DecodedGif DecodeGif(std::span<const uint8_t> bytes, const std::string& name, const GifFrameProgress& onFrame) {
  GifInput input;
  input.bytes = bytes;
  input.total = bytes.size();
  return Decode(input, name, onFrame);
}

DecodedGif DecodeGifFile(const std::string& path, const GifFrameProgress& onFrame) {
  const int64_t size = FileSizeOf(path);  // a folder or a missing file is named as such
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) ThrowFileError(path, std::string("cannot be opened: ") + std::strerror(errno) + ".");
  GifInput input;
  input.file = file.get();
  input.total = static_cast<size_t>(size);
  DecodedGif gif = Decode(input, path, onFrame);
  if (std::ferror(file.get())) ThrowFileError(path, "cannot be read: a read error occurred.");
  return gif;
}

namespace {

// The part of the screen a frame covers: a frame may reach past the screen or
// lie beyond it. A frame wholly outside covers no rows at all, so that nothing
// walks the rows of an area of no width (and copies from an empty save).
Rect CoveredArea(const RasterImage& screen, const GifFrame& frame) {
  const int left = std::clamp(frame.left, 0, screen.Width()), top = std::clamp(frame.top, 0, screen.Height());
  const Rect area = {left, top, std::clamp(frame.left + frame.raster.Width(), left, screen.Width()),
                     std::clamp(frame.top + frame.raster.Height(), top, screen.Height())};
  if (area.Width() == 0 || area.Height() == 0) return {0, 0, 0, 0};
  return area;
}

// Draws the frame's opaque pixels onto a pf24Bit screen, clipped to it.
void DrawFrame(RasterImage& screen, const GifFrame& frame) {
  const ColorTable& table = frame.raster.Colors();
  const Rect area = CoveredArea(screen, frame);
  for (int y = area.top; y < area.bottom; ++y) {
    const uint8_t* src = frame.raster.Row(y - frame.top);
    uint8_t* dst = screen.Row(y);
    for (int x = area.left; x < area.right; ++x) {
      const int index = src[x - frame.left];
      if (index == frame.transparentIndex || index >= static_cast<int>(table.size())) continue;
      const PaletteEntry& c = table[static_cast<size_t>(index)];
      dst[3 * x] = c.b;
      dst[3 * x + 1] = c.g;
      dst[3 * x + 2] = c.r;
    }
  }
}

void ClearToWhite(RasterImage& screen, const Rect& area) {
  for (int y = area.top; y < area.bottom; ++y)
    std::memset(screen.Row(y) + 3 * area.left, 255, static_cast<size_t>(area.Width()) * 3);
}

// The screen's bytes under `area`, row after row, and back: only the covered
// area changes, so restoring it costs the frame's size, not the screen's.
std::vector<uint8_t> SaveArea(const RasterImage& screen, const Rect& area) {
  std::vector<uint8_t> saved;
  saved.reserve(static_cast<size_t>(area.Width()) * area.Height() * 3);
  for (int y = area.top; y < area.bottom; ++y) {
    const uint8_t* row = screen.Row(y) + 3 * area.left;
    saved.insert(saved.end(), row, row + 3 * static_cast<size_t>(area.Width()));
  }
  return saved;
}

void RestoreArea(RasterImage& screen, const Rect& area, const std::vector<uint8_t>& saved) {
  const size_t rowBytes = 3 * static_cast<size_t>(area.Width());
  for (int y = area.top; y < area.bottom; ++y)
    std::memcpy(screen.Row(y) + 3 * area.left, saved.data() + (y - area.top) * rowBytes, rowBytes);
}

}  // namespace

RasterImage ComposeGifScreen(const DecodedGif& gif, int upToFrame) {
  RasterImage screen = NewRaster(PixelFormat::pf24Bit, gif.screenHeight, gif.screenWidth);
  const int last = std::min(upToFrame, static_cast<int>(gif.frames.size()) - 1);
  for (int i = 0; i <= last; ++i) {
    const GifFrame& frame = gif.frames[static_cast<size_t>(i)];
    const Rect area = CoveredArea(screen, frame);
    std::vector<uint8_t> previous;
    if (frame.disposal == 3 && i < last) previous = SaveArea(screen, area);
    DrawFrame(screen, frame);
    if (i == last) break;
    if (frame.disposal == 2) ClearToWhite(screen, area);
    if (frame.disposal == 3) RestoreArea(screen, area, previous);
  }
  return screen;
}

RasterImage GifToRaster(const DecodedGif& gif) {
  RasterImage result;
  if (gif.frames.empty()) return result;
  const GifFrame& first = gif.frames.front();
  if (first.raster.Width() == gif.screenWidth && first.raster.Height() == gif.screenHeight) {
    result.Assign(first.raster);
    return result;
  }
  return ComposeGifScreen(gif, 0);
}

namespace {

std::string GifError(int code) {
  const char* text = GifErrorString(code);
  return text ? text : "unknown GIF error";
}

int WriteToVector(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

struct EncoderCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    EGifCloseFile(gif, &error);
  }
};

struct MapCloser {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

}  // namespace

std::vector<uint8_t> EncodeGif(const RasterImage& picture, const std::string& name) {
  if (!picture.HasImage()) ThrowFileError(name, "there is no picture to write.");
  if (picture.Width() > 65535 || picture.Height() > 65535)
    ThrowFileError(name, "a GIF file holds at most 65535 pixels a side.");
  const int width = picture.Width(), height = picture.Height();
  std::vector<uint8_t> indices(static_cast<size_t>(width) * height);
  ColorTable table;
  const PixelFormat format = picture.Format();
  if (IsIndexed(format) && !picture.Colors().empty()) {
    table = picture.Colors();
    int maxIndex = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const int v = GetIndexAt(picture.Row(y), format, x);
        indices[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(v);
        maxIndex = std::max(maxIndex, v);
      }
    if (static_cast<int>(table.size()) <= maxIndex) table.resize(static_cast<size_t>(maxIndex) + 1);
  } else {
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b)
          table.push_back(
              {static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51), static_cast<uint8_t>(b * 51)});
    std::vector<uint8_t> bgr(static_cast<size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
      picture.ReadRowBgr(y, bgr.data());
      for (int x = 0; x < width; ++x) {
        const int b = (bgr[3 * x] + 3) / 51, g = (bgr[3 * x + 1] + 3) / 51, r = (bgr[3 * x + 2] + 3) / 51;
        indices[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(r * 36 + g * 6 + b);
      }
    }
  }
  // giflib wants a power-of-two table of at least two entries.
  const int bits = GifBitSize(static_cast<int>(std::max<size_t>(table.size(), 2)));
  std::vector<GifColorType> colors(static_cast<size_t>(1) << bits, GifColorType{0, 0, 0});
  for (size_t i = 0; i < table.size(); ++i) colors[i] = {table[i].r, table[i].g, table[i].b};

  std::vector<uint8_t> out;
  int error = 0;
  std::unique_ptr<ColorMapObject, MapCloser> map(
      GifMakeMapObject(static_cast<int>(colors.size()), colors.data()));
  if (!map) ThrowFileError(name, "cannot be encoded as GIF: out of memory.");
  {
    std::unique_ptr<GifFileType, EncoderCloser> gif(EGifOpen(&out, WriteToVector, &error));
    if (!gif) ThrowFileError(name, "cannot be encoded as GIF: " + GifError(error) + ".");
    if (EGifPutScreenDesc(gif.get(), width, height, bits, 0, map.get()) == GIF_ERROR ||
        EGifPutImageDesc(gif.get(), 0, 0, width, height, false, nullptr) == GIF_ERROR)
      ThrowFileError(name, "cannot be encoded as GIF: " + GifError(gif->Error) + ".");
    for (int y = 0; y < height; ++y)
      if (EGifPutLine(gif.get(), indices.data() + static_cast<size_t>(y) * width, width) == GIF_ERROR)
        ThrowFileError(name, "cannot be encoded as GIF: " + GifError(gif->Error) + ".");
    GifFileType* raw = gif.release();
    if (EGifCloseFile(raw, &error) == GIF_ERROR)
      ThrowFileError(name, "cannot be encoded as GIF: " + GifError(error) + ".");
  }
  return out;
}

void SaveGifFile(const RasterImage& picture, const std::string& path) {
  WriteFileAtomically(path, EncodeGif(picture, path));
}

}  // namespace tessalin
