// Fakes for the prompts and the result sink, and small picture files written
// as plain PPM so that outside tools can turn them into other formats.
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/raster_image.h"
#include "core/result_sink.h"
#include "core/shared_state.h"
#include "core/user_prompts.h"
#include "formats/image_files.h"
#include "support/test_pictures.h"

namespace tessalin::test {

class FakePrompts : public UserPrompts {
 public:
  std::vector<std::string> messages;
  std::vector<std::string> confirmations;
  std::vector<std::string> rawImports;
  std::vector<std::string> browsed;
  bool confirmAnswer = true;
  std::function<bool(const std::string&, RasterImage&)> rawAnswer = [](const std::string&, RasterImage&) {
    return false;
  };

  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  bool Confirm(const std::string& text) override {
    confirmations.push_back(text);
    return confirmAnswer;
  }
  bool RunRawImport(const std::string& fileName, RasterImage& result) override {
    rawImports.push_back(fileName);
    return rawAnswer(fileName, result);
  }
  void BrowseGifFrames(const std::string& fileName) override { browsed.push_back(fileName); }
};

class FakeResults : public ResultSink {
 public:
  std::vector<std::string> names;
  std::vector<RasterImage> rasters;
  void CreateResultChild(const std::string& name, const RasterImage& raster) override {
    names.push_back(name);
    RasterImage copy;
    copy.Assign(raster);
    rasters.push_back(std::move(copy));
  }
};

class FakeCursor : public BusyCursor {
 public:
  std::vector<bool> calls;
  void SetBusy(bool busy) override { calls.push_back(busy); }
};

struct FileHarness {
  FakePrompts prompts;
  FakeResults results;
  SharedState state;
  FakeCursor cursor;
  FileContext context{prompts, results, state, &cursor};
};

// A binary PPM; `colour(x, y)` gives red, green, blue as 0x00BBGGRR.
inline void WritePpm(const std::string& path, int width, int height,
                     const std::function<Color(int, int)>& colour) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << width << " " << height << "\n255\n";
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const Color c = colour(x, y);
      out.put(static_cast<char>(RedOf(c)))
          .put(static_cast<char>(GreenOf(c)))
          .put(static_cast<char>(BlueOf(c)));
    }
}

// Reads a binary PPM or PGM (as djpeg and ImageMagick write them) into colours, row by row.
inline std::vector<Color> ReadPpm(const std::string& path, int& width, int& height) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxValue = 0;
  in >> magic >> width >> height >> maxValue;
  in.get();
  std::vector<Color> pixels;
  if ((magic != "P6" && magic != "P5") || maxValue != 255) return pixels;
  for (int i = 0; i < width * height; ++i) {
    const int r = in.get(), g = magic == "P5" ? r : in.get(), b = magic == "P5" ? r : in.get();
    pixels.push_back(MakeColor(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)));
  }
  return pixels;
}

// Distinct colours in every pixel and channel: catches swapped channels and flipped rows.
inline Color Pattern(int x, int y) {
  return MakeColor(static_cast<uint8_t>(x * 37 + 11), static_cast<uint8_t>(y * 53 + 7),
                   static_cast<uint8_t>((x * 11 + y * 29) & 0xFF));
}

inline std::string Quote(const std::string& s) { return "'" + s + "'"; }

// Rewrites the CRC of every chunk of a PNG, so that a patched field reaches
// the reader's own checks instead of failing the checksum.
inline void FixPngCrcs(std::vector<uint8_t>& png) {
  const auto crc = [](const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
      c ^= p[i];
      for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
  };
  for (size_t at = 8; at + 12 <= png.size();) {
    const size_t length = (size_t{png[at]} << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
    if (length > png.size() - at - 12) break;
    const uint32_t c = crc(&png[at + 4], length + 4);
    for (int i = 0; i < 4; ++i) png[at + 8 + length + i] = static_cast<uint8_t>(c >> (24 - 8 * i));
    at += 12 + length;
  }
}

}  // namespace tessalin::test
