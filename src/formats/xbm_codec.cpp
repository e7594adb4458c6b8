#include "formats/xbm_codec.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "core/file_io.h"
#include "core/tessalin_error.h"
#include "formats/wbmp_codec.h"

namespace tessalin {

namespace {

constexpr int kBytesPerLine = 12;

bool IsIdentifierChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The recipe's byte (most significant pixel first, 1 white) in X bitmap order:
// least significant pixel first, 1 black.
uint8_t XbmByte(uint8_t whiteBits) {
  uint8_t out = 0;
  for (int i = 0; i < 8; ++i)
    if (!((whiteBits >> (7 - i)) & 1)) out = static_cast<uint8_t>(out | (1 << i));
  return out;
}

}  // namespace

std::string XbmIdentifier(const std::string& fileName) {
  std::string stem = std::filesystem::path(fileName).stem().string();
  for (char& c : stem)
    if (!IsIdentifierChar(c)) c = '_';
  if (stem.empty() || (stem[0] >= '0' && stem[0] <= '9')) stem = "xbm_" + stem;
  return stem;
}

std::string EncodeXbm(const RasterImage& picture, int sharedBias, const std::string& identifier) {
  const int width = picture.Width(), height = picture.Height();
  const std::vector<uint8_t> rows = EncodeWbmpRows(picture, sharedBias);
  const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
  // The unused high bits of each row's last byte stay clear.
  const uint8_t lastMask = width % 8 ? static_cast<uint8_t>((1u << (width % 8)) - 1) : 0xFF;
  std::string text = "#define " + identifier + "_width " + std::to_string(width) + "\n#define " + identifier +
                     "_height " + std::to_string(height) + "\nstatic unsigned char " + identifier +
                     "_bits[] = {";
  text.reserve(text.size() + rows.size() * 6 + 8);
  char hex[8];
  for (size_t i = 0; i < rows.size(); ++i) {
    uint8_t byte = XbmByte(rows[i]);
    if (i % rowBytes == rowBytes - 1) byte &= lastMask;
    text += i % kBytesPerLine == 0 ? "\n   " : " ";
    std::snprintf(hex, sizeof hex, "0x%02x", byte);
    text += hex;
    if (i + 1 < rows.size()) text += ',';
  }
  text += "};\n";
  return text;
}

void SaveXbmFile(const RasterImage& picture, const std::string& path, int sharedBias) {
  if (!picture.HasImage()) ThrowFileError(path, "there is no picture to write.");
  const std::string text = EncodeXbm(picture, sharedBias, XbmIdentifier(path));
  WriteFileAtomically(path, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace tessalin
