#include "formats/xbm_codec.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "core/file_io.h"
#include "core/limits.h"
#include "core/palette.h"
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

// Reading: the C text as tokens, with comments and whitespace skipped.
class XbmScanner {
 public:
  enum class Kind { End, Word, Number, Punct };

  XbmScanner(std::span<const uint8_t> text, const std::string& name) : text_(text), name_(name) {}

  [[noreturn]] void Fail(const std::string& what) const { ThrowFileError(name_, what); }
  size_t Remaining() const { return text_.size() - pos_; }

  // The next token: its text in Word(), a number's value in Value().
  Kind Next() {
    SkipSpaceAndComments();
    word_.clear();
    if (pos_ >= text_.size()) return Kind::End;
    const char c = static_cast<char>(text_[pos_]);
    if (c >= '0' && c <= '9') return ReadNumber();
    if (IsIdentifierChar(c)) {
      while (pos_ < text_.size() && IsIdentifierChar(static_cast<char>(text_[pos_])))
        word_ += static_cast<char>(text_[pos_++]);
      return Kind::Word;
    }
    word_ = c;
    ++pos_;
    return Kind::Punct;
  }

  const std::string& Word() const { return word_; }
  uint32_t Value() const { return value_; }

 private:
  static constexpr uint64_t kLargest = 0x7FFFFFFF;

  void SkipSpaceAndComments() {
    while (pos_ < text_.size()) {
      const uint8_t c = text_[pos_];
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
        ++pos_;
      } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '*') {
        size_t close = pos_ + 2;
        while (close + 1 < text_.size() && !(text_[close] == '*' && text_[close + 1] == '/')) ++close;
        if (close + 1 >= text_.size()) Fail("ends inside a comment.");
        pos_ = close + 2;
      } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
      } else {
        return;
      }
    }
  }

  static int DigitValue(uint8_t c, int base) {
    const int d = c >= '0' && c <= '9'   ? c - '0'
                  : c >= 'a' && c <= 'f' ? c - 'a' + 10
                  : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                         : 99;
    return d < base ? d : -1;
  }

  // A decimal or 0x hexadecimal constant of at most 2^31 - 1.
  Kind ReadNumber() {
    int base = 10;
    if (text_[pos_] == '0' && pos_ + 1 < text_.size() && (text_[pos_ + 1] == 'x' || text_[pos_ + 1] == 'X')) {
      base = 16;
      pos_ += 2;
    }
    uint64_t value = 0;
    size_t digits = 0;
    for (int d; pos_ < text_.size() && (d = DigitValue(text_[pos_], base)) >= 0; ++pos_, ++digits) {
      value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
      if (value > kLargest) Fail("has a number too large for a bitmap.");
    }
    if (digits == 0) Fail("has \"0x\" without digits.");
    if (pos_ < text_.size() && IsIdentifierChar(static_cast<char>(text_[pos_]))) Fail("has a malformed number.");
    value_ = static_cast<uint32_t>(value);
    return Kind::Number;
  }

  std::span<const uint8_t> text_;
  const std::string& name_;
  size_t pos_ = 0;
  std::string word_;
  uint32_t value_ = 0;
};

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// An X bitmap byte (least significant pixel first, 1 black) in the raster's
// order: most significant pixel first, 1 white.
uint8_t RasterByte(uint8_t xbmBits) { return XbmByte(xbmBits); }

[[noreturn]] void FailShort(const XbmScanner& in, uint64_t read, uint64_t units) {
  in.Fail("ends after " + std::to_string(read) + " of its " + std::to_string(units) + " values.");
}

}  // namespace

RasterImage DecodeXbm(std::span<const uint8_t> text, const std::string& nameForErrors) {
  XbmScanner in(text, nameForErrors);
  int64_t width = -1, height = -1;
  bool words16 = false;
  // The defines, then the declaration up to its opening brace.
  for (XbmScanner::Kind kind = in.Next();; kind = in.Next()) {
    if (kind == XbmScanner::Kind::End) in.Fail("ends before its bits (\"{\").");
    if (kind == XbmScanner::Kind::Punct && in.Word() == "#") {
      if (in.Next() != XbmScanner::Kind::Word || in.Word() != "define") continue;
      if (in.Next() != XbmScanner::Kind::Word) in.Fail("has a #define without a name.");
      const std::string name = in.Word();
      const bool isWidth = name == "width" || EndsWith(name, "_width");
      const bool isHeight = name == "height" || EndsWith(name, "_height");
      if (in.Next() != XbmScanner::Kind::Number) {
        if (isWidth || isHeight) in.Fail(std::string("has no number for its ") + (isWidth ? "width." : "height."));
        continue;
      }
      if (isWidth) width = in.Value();
      if (isHeight) height = in.Value();
    } else if (kind == XbmScanner::Kind::Word && in.Word() == "short") {
      words16 = true;
    } else if (kind == XbmScanner::Kind::Punct && in.Word() == ";") {
      words16 = false;  // that declaration ended; the bits' own comes later
    } else if (kind == XbmScanner::Kind::Punct && in.Word() == "{") {
      break;
    }
  }
  if (width < 0 || height < 0) in.Fail("has no width and height (#define NAME_width, NAME_height).");
  if (width == 0 || height == 0) in.Fail("has no pixels (its width or height is 0).");
  if (!WithinPixelLimit(width, height))
    in.Fail("is " + std::to_string(width) + " x " + std::to_string(height) + " pixels, more than the " +
            std::to_string(kMaxPixels) + " this program handles.");
  const int unitBits = words16 ? 16 : 8;
  const uint64_t unitsPerRow = (static_cast<uint64_t>(width) + unitBits - 1) / unitBits;
  const uint64_t units = unitsPerRow * static_cast<uint64_t>(height);
  // Every value takes at least a digit and a comma of the text.
  if (units * 2 - 1 > in.Remaining())
    in.Fail("announces " + std::to_string(width) + " x " + std::to_string(height) +
            " pixels, but its text is too short to hold them.");

  RasterImage image = NewRaster(PixelFormat::pf1Bit, static_cast<int>(height), static_cast<int>(width));
  image.SetColorTable(CreateBlackWhitePalette());
  const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
  const uint32_t highest = words16 ? 0xFFFF : 0xFF;
  uint64_t read = 0;
  for (int y = 0; y < image.Height(); ++y) {
    uint8_t* row = image.Row(y);
    for (uint64_t u = 0; u < unitsPerRow; ++u, ++read) {
      if (read > 0 && (in.Next() != XbmScanner::Kind::Punct || in.Word() != ",")) FailShort(in, read, units);
      if (in.Next() != XbmScanner::Kind::Number) FailShort(in, read, units);
      if (in.Value() > highest) in.Fail("has a value above " + std::to_string(highest) + " among its bits.");
      // A word holds its first eight pixels in its low byte.
      const size_t at = static_cast<size_t>(u) * static_cast<size_t>(unitBits / 8);
      row[at] = RasterByte(static_cast<uint8_t>(in.Value()));
      if (words16 && at + 1 < rowBytes) row[at + 1] = RasterByte(static_cast<uint8_t>(in.Value() >> 8));
    }
  }
  return image;
}

RasterImage LoadXbmFile(const std::string& path) { return DecodeXbm(ReadWholeFile(path), path); }

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
