// A streaming PNG encoder over libpng: rows go straight through deflate into
// the file, so a large picture (a contact sheet, a saved document) is never
// held whole a second time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "core/color.h"

namespace tessalin {

enum class PngKind {
  Gray1,     // packed bits, most significant first, 1 white
  Indexed1,  // packed indices as a pf1Bit, pf4Bit or pf8Bit row holds them
  Indexed4,
  Indexed8,
  Rgb8,  // R, G, B bytes
  Bgr8,  // B, G, R bytes, as a pf24Bit row holds them
};

class PngWriter {
 public:
  // Writes the signature and header to `file` (which stays the caller's).
  // The indexed kinds store `palette`, padded with black to the full depth.
  // `nameForErrors` names the file in TessalinError messages.
  PngWriter(std::FILE* file, std::string nameForErrors, int width, int height, PngKind kind,
            const ColorTable& palette = {});
  ~PngWriter();
  PngWriter(const PngWriter&) = delete;
  PngWriter& operator=(const PngWriter&) = delete;

  // One row, top first, in the layout of the kind.
  void WriteRow(const uint8_t* row);
  // After the last row: the rest of the data and the end chunk.
  void Finish();

  static size_t RowBytes(int width, PngKind kind);

 private:
  struct Library;
  void WriteHeader(int width, int height, PngKind kind);
  [[noreturn]] void Fail() const;

  std::string name_;
  int height_, rowsWritten_ = 0;
  bool finished_ = false;
  std::unique_ptr<Library> png_;
};

}  // namespace tessalin
