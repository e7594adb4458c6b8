#include "formats/png_codec.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/file_io.h"
#include "core/limits.h"
#include "core/tessalin_error.h"
#include "formats/dib.h"
#include "formats/picture_tones.h"
#include "formats/png_errors.h"
#include "formats/png_writer.h"
#include "formats/sample_scale.h"

namespace tessalin {

namespace {

// Deflate spends at least two bits on a 258-byte match, so no stream grows
// more than 1032-fold when inflated.
constexpr uint64_t kMaxInflation = 1032;

// Everything with a destructor that lives across a library call is declared
// before the setjmp in DecodeWithLibpng or in DecodeState.
using png_support::ErrorState;
using png_support::OnError;
using png_support::OnWarning;

struct Source {
  const uint8_t* data;
  size_t size, pos;
};

void OnRead(png_structp png, png_bytep out, size_t count) {
  auto* source = static_cast<Source*>(png_get_io_ptr(png));
  if (count > source->size - source->pos) png_error(png, "the file ends before the picture is complete");
  std::memcpy(out, source->data + source->pos, count);
  source->pos += count;
}

struct ReadStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadStructs() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

struct DecodeState {
  RasterImage image;
  std::vector<uint8_t> rows;  // libpng's rows where they cannot go straight into the raster
};

struct Header {
  uint32_t width, height;
  int depth, colourType, channels;
  bool interlaced;
};

Header ReadHeader(png_structp png, png_infop info) {
  return {png_get_image_width(png, info), png_get_image_height(png, info),
          png_get_bit_depth(png, info),   png_get_color_type(png, info),
          png_get_channels(png, info),    png_get_interlace_type(png, info) != PNG_INTERLACE_NONE};
}

// The compressed pixels left in the file must be able to inflate to every
// pixel the header declares; only then is the picture allocated.
void CheckCompressedSize(const Header& h, const Source& source, const std::string& name) {
  CheckPicturePixels(name, h.width, h.height);
  const uint64_t pixelBytes = (uint64_t{h.width} * h.height * h.channels * h.depth + 7) / 8;
  const uint64_t compressed = source.size - source.pos;
  if (compressed * kMaxInflation < pixelBytes)
    ThrowFileError(name, "holds " + std::to_string(compressed) + " bytes of compressed pixels, too few for " +
                             std::to_string(h.width) + " x " + std::to_string(h.height) + " pixels.");
}

// The file's palette, each entry composited over white by its tRNS alpha.
ColorTable PaletteOf(png_structp png, png_infop info) {
  png_colorp entries = nullptr;
  int count = 0;
  png_get_PLTE(png, info, &entries, &count);
  png_bytep alpha = nullptr;
  int alphaCount = 0;
  png_get_tRNS(png, info, &alpha, &alphaCount, nullptr);
  ColorTable table(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const unsigned a = i < alphaCount ? alpha[i] : 255;
    table[static_cast<size_t>(i)] = {OverWhite(entries[i].red, a, 255), OverWhite(entries[i].green, a, 255),
                                     OverWhite(entries[i].blue, a, 255)};
  }
  return table;
}

// 1-, 4- and 8-bit indices lie in the file as in the raster; 2-bit ones come
// one a byte (png_set_packing) and are packed two a byte here.
void ReadIndexed(png_structp png, png_infop info, const Header& h, DecodeState& state) {
  const PixelFormat format =
      h.depth == 1 ? PixelFormat::pf1Bit : (h.depth == 8 ? PixelFormat::pf8Bit : PixelFormat::pf4Bit);
  const bool widen = h.depth == 2;
  if (widen) png_set_packing(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  state.image = NewRaster(format, static_cast<int>(h.height), static_cast<int>(h.width));
  state.image.SetColorTable(PaletteOf(png, info));
  const int height = static_cast<int>(h.height), width = static_cast<int>(h.width);
  if (widen) state.rows.resize(static_cast<size_t>(width) * (h.interlaced ? h.height : 1));
  const auto packRow = [&](const uint8_t* indices, int y) {
    uint8_t* out = state.image.Row(y);
    for (int x = 0; x < width; x += 2)
      out[x / 2] = static_cast<uint8_t>((indices[x] << 4) | (x + 1 < width ? indices[x + 1] : 0));
  };
  for (int pass = 0; pass < passes; ++pass)
    for (int y = 0; y < height; ++y) {
      if (!widen) {
        png_read_row(png, state.image.Row(y), nullptr);
        continue;
      }
      uint8_t* indices = state.rows.data() + (h.interlaced ? static_cast<size_t>(y) * width : 0);
      png_read_row(png, indices, nullptr);
      if (!h.interlaced) packRow(indices, y);
    }
  if (widen && h.interlaced)
    for (int y = 0; y < height; ++y) packRow(state.rows.data() + static_cast<size_t>(y) * width, y);
}

// B, G, R, A samples of 8 or 16 bits (big-endian) composited over white.
void CompositeRow(const uint8_t* bgra, int width, bool sixteen, uint8_t* bgr) {
  if (!sixteen) {
    for (int x = 0; x < width; ++x, bgra += 4, bgr += 3)
      for (int c = 0; c < 3; ++c) bgr[c] = OverWhite(bgra[c], bgra[3], 255);
    return;
  }
  const auto sample = [&](int c) { return static_cast<uint32_t>((bgra[2 * c] << 8) | bgra[2 * c + 1]); };
  for (int x = 0; x < width; ++x, bgra += 8, bgr += 3)
    for (int c = 0; c < 3; ++c) bgr[c] = OverWhite(sample(c), sample(3), 65535);
}

// Grey and RGB, with or without alpha, as pf24Bit: libpng widens grey and
// low depths to 8-bit B, G, R (rounding 16-bit samples when there is no alpha);
// with alpha the samples keep their depth until they are composited.
void ReadColour(png_structp png, png_infop info, const Header& h, DecodeState& state) {
  const bool alpha = (h.colourType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
  png_set_expand(png);
  if (!(h.colourType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
  if (h.depth == 16 && !alpha) png_set_scale_16(png);
  png_set_bgr(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const int height = static_cast<int>(h.height), width = static_cast<int>(h.width);
  state.image = NewRaster(PixelFormat::pf24Bit, height, width);
  if (!alpha) {
    for (int pass = 0; pass < passes; ++pass)
      for (int y = 0; y < height; ++y) png_read_row(png, state.image.Row(y), nullptr);
    return;
  }
  const size_t rowBytes = png_get_rowbytes(png, info);
  const bool sixteen = h.depth == 16;
  state.rows.resize(rowBytes * (h.interlaced ? h.height : 1));
  for (int pass = 0; pass < passes; ++pass)
    for (int y = 0; y < height; ++y) {
      uint8_t* row = state.rows.data() + (h.interlaced ? rowBytes * static_cast<size_t>(y) : 0);
      png_read_row(png, row, nullptr);
      if (!h.interlaced) CompositeRow(row, width, sixteen, state.image.Row(y));
    }
  if (h.interlaced)
    for (int y = 0; y < height; ++y)
      CompositeRow(state.rows.data() + rowBytes * static_cast<size_t>(y), width, sixteen, state.image.Row(y));
}

// Returns false with errors.message set when libpng refuses the file.
bool DecodeWithLibpng(std::span<const uint8_t> bytes, const std::string& name, DecodeState& state,
                      ErrorState& errors) {
  ReadStructs s;
  Source source{bytes.data(), bytes.size(), 0};
  s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &errors, OnError, OnWarning);
  if (!s.png) ThrowFileError(name, "the PNG decoder could not start.");
  s.info = png_create_info_struct(s.png);
  if (!s.info) ThrowFileError(name, "the PNG decoder could not start.");
  if (setjmp(png_jmpbuf(s.png))) return false;
  png_set_read_fn(s.png, &source, OnRead);
  png_set_user_limits(s.png, kMaxPixels, kMaxPixels);
  // Only the chunks that make the pixels (IHDR, PLTE, tRNS, IDAT) are read:
  // text, profiles and the like are skipped, compressed ones unopened.
  png_set_keep_unknown_chunks(s.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_read_info(s.png, s.info);
  const Header header = ReadHeader(s.png, s.info);
  CheckCompressedSize(header, source, name);
  if (header.colourType == PNG_COLOR_TYPE_PALETTE)
    ReadIndexed(s.png, s.info, header, state);
  else
    ReadColour(s.png, s.info, header, state);
  png_read_end(s.png, nullptr);
  return true;
}

// Rows of a black-and-white picture as 1-bit grey (1 white).
void WriteBlackAndWhiteRows(const RasterImage& picture, PngWriter& png) {
  std::vector<uint8_t> bgr(static_cast<size_t>(picture.Width()) * 3);
  std::vector<uint8_t> bits(PngWriter::RowBytes(picture.Width(), PngKind::Gray1));
  for (int y = 0; y < picture.Height(); ++y) {
    ReadRowWhiteBits(picture, y, bgr.data(), bits.data());
    png.WriteRow(bits.data());
  }
}

void WriteColourRows(const RasterImage& picture, PngWriter& png) {
  std::vector<uint8_t> bgr(static_cast<size_t>(picture.Width()) * 3);
  for (int y = 0; y < picture.Height(); ++y) {
    if (picture.Format() == PixelFormat::pf24Bit) {
      png.WriteRow(picture.Row(y));
      continue;
    }
    picture.ReadRowBgr(y, bgr.data());
    png.WriteRow(bgr.data());
  }
}

PngKind KindFor(const RasterImage& picture) {
  if (PictureTones(picture) == Tones::BlackAndWhite) return PngKind::Gray1;
  switch (picture.Format()) {
    case PixelFormat::pf1Bit:
      return PngKind::Indexed1;
    case PixelFormat::pf4Bit:
      return PngKind::Indexed4;
    case PixelFormat::pf8Bit:
      return PngKind::Indexed8;
    default:
      return PngKind::Bgr8;
  }
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

RasterImage DecodePng(std::span<const uint8_t> bytes, const std::string& nameForErrors) {
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0)
    ThrowFileError(nameForErrors, "is not a PNG file: it does not start with the PNG signature.");
  DecodeState state;
  ErrorState errors;
  if (!DecodeWithLibpng(bytes, nameForErrors, state, errors))
    ThrowFileError(nameForErrors, std::string("is not a readable PNG file: ") + errors.message + ".");
  return std::move(state.image);
}

RasterImage LoadPngFile(const std::string& path) { return DecodePng(ReadWholeFile(path), path); }

void SavePngFile(const RasterImage& picture, const std::string& path) {
  if (!picture.HasImage()) ThrowFileError(path, "there is no picture to write.");
  const PngKind kind = KindFor(picture);
  WriteFileAtomicallyWith(path, [&](const std::string& temporary) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(temporary.c_str(), "wb"));
    if (!file) ThrowFileError(path, "the file could not be created.");
    PngWriter png(file.get(), path, picture.Width(), picture.Height(), kind, picture.Colors());
    if (kind == PngKind::Gray1) {
      WriteBlackAndWhiteRows(picture, png);
    } else if (kind == PngKind::Bgr8) {
      WriteColourRows(picture, png);
    } else {
      for (int y = 0; y < picture.Height(); ++y) png.WriteRow(picture.Row(y));
    }
    png.Finish();
    if (std::fclose(file.release()) != 0) ThrowFileError(path, "the file could not be written.");
  });
}

}  // namespace tessalin
