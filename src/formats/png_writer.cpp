#include "formats/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

#include "core/limits.h"
#include "core/tessalin_error.h"
#include "formats/png_errors.h"

namespace tessalin {

namespace {

// Nothing with a destructor lives between the setjmps and the library calls.
using png_support::ErrorState;
using png_support::OnError;
using png_support::OnWarning;

struct Sink {
  std::FILE* file;
  ErrorState* errors;
};

void OnWrite(png_structp png, png_bytep data, size_t size) {
  auto* sink = static_cast<Sink*>(png_get_io_ptr(png));
  if (std::fwrite(data, 1, size, sink->file) != size) {
    sink->errors->writeFailed = true;
    png_error(png, "the file could not be written");
  }
}

void OnFlush(png_structp) {}

struct Layout {
  int bitDepth, colourType;
};

Layout LayoutOf(PngKind kind) {
  switch (kind) {
    case PngKind::Gray1:
      return {1, PNG_COLOR_TYPE_GRAY};
    case PngKind::Indexed1:
      return {1, PNG_COLOR_TYPE_PALETTE};
    case PngKind::Indexed4:
      return {4, PNG_COLOR_TYPE_PALETTE};
    case PngKind::Indexed8:
      return {8, PNG_COLOR_TYPE_PALETTE};
    case PngKind::Rgb8:
    case PngKind::Bgr8:
      break;
  }
  return {8, PNG_COLOR_TYPE_RGB};
}

}  // namespace

struct PngWriter::Library {
  ErrorState errors;
  std::vector<png_color> palette;
  Sink sink{nullptr, &errors};
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~Library() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

size_t PngWriter::RowBytes(int width, PngKind kind) {
  const size_t bits = static_cast<size_t>(width) * LayoutOf(kind).bitDepth;
  return LayoutOf(kind).colourType == PNG_COLOR_TYPE_RGB ? 3 * static_cast<size_t>(width) : (bits + 7) / 8;
}

PngWriter::PngWriter(std::FILE* file, std::string nameForErrors, int width, int height, PngKind kind,
                     const ColorTable& palette)
    : name_(std::move(nameForErrors)), height_(height), png_(std::make_unique<Library>()) {
  if (width <= 0 || height <= 0) throw TessalinError(name_ + ": a PNG needs at least one pixel.");
  if (LayoutOf(kind).colourType == PNG_COLOR_TYPE_PALETTE) {
    // Indices past a short table show black; the padding keeps them black.
    std::vector<png_color>& entries = png_->palette;
    entries.resize(size_t{1} << LayoutOf(kind).bitDepth, png_color{0, 0, 0});
    for (size_t i = 0; i < palette.size() && i < entries.size(); ++i)
      entries[i] = {palette[i].r, palette[i].g, palette[i].b};
  }
  png_->sink.file = file;
  png_->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &png_->errors, OnError, OnWarning);
  if (png_->png) png_->info = png_create_info_struct(png_->png);
  if (!png_->info) throw TessalinError(name_ + ": the PNG encoder could not start.");
  WriteHeader(width, height, kind);
}

void PngWriter::WriteHeader(int width, int height, PngKind kind) {
  if (setjmp(png_jmpbuf(png_->png))) Fail();
  png_set_write_fn(png_->png, &png_->sink, OnWrite, OnFlush);
  png_set_user_limits(png_->png, kMaxPixels, kMaxPixels);
  // Dithered pictures gain little from harder compression; keep big pictures quick.
  png_set_compression_level(png_->png, static_cast<int64_t>(width) * height > 20'000'000 ? 1 : 6);
  png_set_IHDR(png_->png, png_->info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
               LayoutOf(kind).bitDepth, LayoutOf(kind).colourType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!png_->palette.empty())
    png_set_PLTE(png_->png, png_->info, png_->palette.data(), static_cast<int>(png_->palette.size()));
  png_write_info(png_->png, png_->info);
  if (kind == PngKind::Bgr8) png_set_bgr(png_->png);
}

PngWriter::~PngWriter() = default;

void PngWriter::Fail() const {
  if (png_->errors.writeFailed) throw TessalinError(name_ + ": the file could not be written.");
  throw TessalinError(name_ + ": cannot be encoded as PNG: " + png_->errors.message + ".");
}

void PngWriter::WriteRow(const uint8_t* row) {
  if (rowsWritten_ >= height_) throw TessalinError(name_ + ": more rows than the picture has.");
  if (setjmp(png_jmpbuf(png_->png))) Fail();
  png_write_row(png_->png, row);
  ++rowsWritten_;
}

void PngWriter::Finish() {
  if (finished_) return;
  if (rowsWritten_ != height_) throw TessalinError(name_ + ": the picture was not complete.");
  if (setjmp(png_jmpbuf(png_->png))) Fail();
  png_write_end(png_->png, nullptr);
  finished_ = true;
}

}  // namespace tessalin
