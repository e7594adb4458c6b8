#include "cli/png_writer.h"

#include <zlib.h>

#include <cstring>

#include "core/tessalin_error.h"

namespace tessalin::cli {

namespace {

constexpr size_t kChunkData = 1 << 16;

void PutBigEndian(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

}  // namespace

struct PngWriter::State {
  z_stream stream{};
  bool started = false;
  ~State() {
    if (started) deflateEnd(&stream);
  }
};

size_t PngWriter::RowBytes(int width, PngKind kind) {
  return kind == PngKind::Gray1 ? (static_cast<size_t>(width) + 7) / 8 : static_cast<size_t>(width) * 3;
}

PngWriter::PngWriter(std::FILE* file, std::string nameForErrors, int width, int height, PngKind kind)
    : file_(file),
      name_(std::move(nameForErrors)),
      height_(height),
      rowBytes_(RowBytes(width, kind)),
      z_(std::make_unique<State>()) {
  if (width <= 0 || height <= 0) throw TessalinError(name_ + ": a PNG needs at least one pixel.");
  // Dithered candidates gain little from harder compression; keep big sheets quick.
  const int level = static_cast<int64_t>(width) * height > 20'000'000 ? 1 : 6;
  if (deflateInit(&z_->stream, level) != Z_OK)
    throw TessalinError(name_ + ": the compressor could not start.");
  z_->started = true;
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Put(kSignature, sizeof kSignature);
  uint8_t header[13];
  PutBigEndian(header, static_cast<uint32_t>(width));
  PutBigEndian(header + 4, static_cast<uint32_t>(height));
  header[8] = kind == PngKind::Gray1 ? 1 : 8;  // bit depth
  header[9] = kind == PngKind::Gray1 ? 0 : 2;  // grey or RGB
  header[10] = header[11] = header[12] = 0;    // deflate, adaptive filters, no interlace
  WriteChunk("IHDR", header, sizeof header);
  out_.reserve(kChunkData);
}

PngWriter::~PngWriter() = default;

void PngWriter::WriteRow(const uint8_t* row) {
  if (rowsWritten_ >= height_) throw TessalinError(name_ + ": more rows than the picture has.");
  const uint8_t filterNone = 0;
  Deflate(&filterNone, 1, Z_NO_FLUSH);
  Deflate(row, rowBytes_, Z_NO_FLUSH);
  ++rowsWritten_;
}

void PngWriter::Finish() {
  if (finished_) return;
  if (rowsWritten_ != height_) throw TessalinError(name_ + ": the picture was not complete.");
  Deflate(nullptr, 0, Z_FINISH);
  if (!out_.empty()) WriteChunk("IDAT", out_.data(), out_.size());
  out_.clear();
  WriteChunk("IEND", nullptr, 0);
  finished_ = true;
}

void PngWriter::Deflate(const uint8_t* data, size_t size, int flush) {
  z_stream& s = z_->stream;
  s.next_in = const_cast<Bytef*>(data);
  s.avail_in = static_cast<uInt>(size);
  uint8_t buffer[kChunkData];
  for (;;) {
    s.next_out = buffer;
    s.avail_out = sizeof buffer;
    const int rc = deflate(&s, flush);
    if (rc == Z_STREAM_ERROR) throw TessalinError(name_ + ": compression failed.");
    const size_t produced = sizeof buffer - s.avail_out;
    out_.insert(out_.end(), buffer, buffer + produced);
    while (out_.size() >= kChunkData) {
      WriteChunk("IDAT", out_.data(), kChunkData);
      out_.erase(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(kChunkData));
    }
    if (flush == Z_FINISH ? rc == Z_STREAM_END : (s.avail_in == 0 && s.avail_out != 0)) break;
  }
}

void PngWriter::WriteChunk(const char type[4], const uint8_t* data, size_t size) {
  uint8_t head[8];
  PutBigEndian(head, static_cast<uint32_t>(size));
  std::memcpy(head + 4, type, 4);
  Put(head, sizeof head);
  if (size) Put(data, size);
  uLong crc = crc32(0L, head + 4, 4);
  if (size) crc = crc32(crc, data, static_cast<uInt>(size));
  uint8_t tail[4];
  PutBigEndian(tail, static_cast<uint32_t>(crc));
  Put(tail, sizeof tail);
}

void PngWriter::Put(const void* data, size_t size) {
  if (std::fwrite(data, 1, size, file_) != size)
    throw TessalinError(name_ + ": the file could not be written.");
}

}  // namespace tessalin::cli
