// A streaming PNG encoder for the command line's sheets: rows go straight
// through deflate into the file, so a large picture is never held whole.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace tessalin::cli {

enum class PngKind { Gray1, Rgb8 };

class PngWriter {
 public:
  // Writes the signature and header to `file` (which stays the caller's).
  // `nameForErrors` names the file in TessalinError messages.
  PngWriter(std::FILE* file, std::string nameForErrors, int width, int height, PngKind kind);
  ~PngWriter();
  PngWriter(const PngWriter&) = delete;
  PngWriter& operator=(const PngWriter&) = delete;

  // One row, top first: Gray1 takes packed bits (most significant first, 1
  // white), Rgb8 R, G, B bytes.
  void WriteRow(const uint8_t* row);
  // After the last row: the rest of the data and the end chunk.
  void Finish();

  static size_t RowBytes(int width, PngKind kind);

 private:
  void Deflate(const uint8_t* data, size_t size, int flush);
  void WriteChunk(const char type[4], const uint8_t* data, size_t size);
  void Put(const void* data, size_t size);

  std::FILE* file_;
  std::string name_;
  int height_, rowsWritten_ = 0;
  size_t rowBytes_;
  struct State;
  std::unique_ptr<State> z_;
  std::vector<uint8_t> out_;
  bool finished_ = false;
};

}  // namespace tessalin::cli
