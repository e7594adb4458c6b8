#include "formats/netpbm_codec.h"

#include <vector>

#include "core/file_io.h"
#include "core/limits.h"
#include "core/pixel_ops.h"
#include "core/tessalin_error.h"
#include "formats/dib.h"
#include "formats/picture_tones.h"
#include "formats/sample_scale.h"
#include "formats/wbmp_codec.h"

namespace tessalin {

namespace {

constexpr uint32_t kHighestMaxval = 65535;
constexpr size_t kLongestPamLine = 1024;

bool IsSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// The header's tokens and the plain formats' samples: whitespace and
// comments ('#' to the end of the line) may stand between any two.
class Scanner {
 public:
  Scanner(std::span<const uint8_t> bytes, const std::string& name) : bytes_(bytes), name_(name) {}

  [[noreturn]] void Fail(const std::string& what) const { ThrowFileError(name_, what); }
  size_t Remaining() const { return bytes_.size() - pos_; }
  const uint8_t* Here() const { return bytes_.data() + pos_; }
  void Skip(size_t count) { pos_ += count; }

  void SkipSpaceAndComments() {
    while (pos_ < bytes_.size()) {
      if (bytes_[pos_] == '#') {
        while (pos_ < bytes_.size() && bytes_[pos_] != '\n') ++pos_;
      } else if (IsSpace(bytes_[pos_])) {
        ++pos_;
      } else {
        return;
      }
    }
  }

  // An unsigned decimal of at most `highest`.
  uint32_t Number(const char* what, uint32_t highest) {
    SkipSpaceAndComments();
    if (pos_ >= bytes_.size()) Fail(std::string("ends before its ") + what + ".");
    if (!IsDigit(bytes_[pos_])) Fail(std::string("has no number where its ") + what + " should be.");
    uint64_t value = 0;
    while (pos_ < bytes_.size() && IsDigit(bytes_[pos_])) {
      value = value * 10 + (bytes_[pos_++] - '0');
      if (value > highest) Fail(std::string("has a ") + what + " above " + std::to_string(highest) + ".");
    }
    return static_cast<uint32_t>(value);
  }

  // A plain PBM pixel: '1' black, '0' white, with or without space between.
  bool PlainBlack() {
    SkipSpaceAndComments();
    if (pos_ >= bytes_.size()) Fail("ends before its pixels are complete.");
    const uint8_t c = bytes_[pos_++];
    if (c != '0' && c != '1') Fail("has a character other than 0 or 1 among its pixels.");
    return c == '1';
  }

  // The single whitespace character that ends a raw header.
  void EndOfHeader() {
    if (pos_ >= bytes_.size()) Fail("ends before its pixels.");
    if (!IsSpace(bytes_[pos_++])) Fail("has no whitespace after its header.");
  }

  // One PAM header line, without its newline.
  std::string Line() {
    std::string line;
    while (pos_ < bytes_.size() && bytes_[pos_] != '\n') {
      if (line.size() == kLongestPamLine) Fail("has a PAM header line longer than 1024 characters.");
      line.push_back(static_cast<char>(bytes_[pos_++]));
    }
    if (pos_ >= bytes_.size()) Fail("ends before its PAM header is complete (ENDHDR).");
    ++pos_;
    return line;
  }

 private:
  std::span<const uint8_t> bytes_;
  const std::string& name_;
  size_t pos_ = 0;
};

struct Format {
  char magic = 0;  // '1' to '7'
  uint32_t width = 0, height = 0, maxval = 1;
  uint32_t depth = 1;  // samples a pixel
  bool colour = false, alpha = false;
  bool Plain() const { return magic >= '1' && magic <= '3'; }
  bool Bitmap() const { return magic == '1' || magic == '4'; }
  size_t SampleBytes() const { return maxval < 256 ? 1 : 2; }
};

void CheckDimensions(const Format& f, const std::string& name, Scanner& in) {
  if (f.width == 0 || f.height == 0) in.Fail("has a width or height of 0: it holds no picture.");
  CheckPicturePixels(name, f.width, f.height);
}

Format ReadPnmHeader(Scanner& in, char magic, const std::string& name) {
  Format f;
  f.magic = magic;
  f.width = in.Number("width", static_cast<uint32_t>(kMaxPixels));
  f.height = in.Number("height", static_cast<uint32_t>(kMaxPixels));
  if (!f.Bitmap()) f.maxval = in.Number("maxval", kHighestMaxval);
  if (f.maxval == 0) in.Fail("has a maxval of 0.");
  f.colour = magic == '3' || magic == '6';
  f.depth = f.colour ? 3 : 1;
  if (!f.Plain()) in.EndOfHeader();
  CheckDimensions(f, name, in);
  return f;
}

// The tuple types this reader knows, with their depths.
struct TupleType {
  const char* name;
  uint32_t depth;
  bool colour, alpha;
};
constexpr TupleType kTupleTypes[] = {
    {"BLACKANDWHITE", 1, false, false},
    {"GRAYSCALE", 1, false, false},
    {"RGB", 3, true, false},
    {"BLACKANDWHITE_ALPHA", 2, false, true},
    {"GRAYSCALE_ALPHA", 2, false, true},
    {"RGB_ALPHA", 4, true, true},
};

std::string Trimmed(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && IsSpace(static_cast<uint8_t>(s[a]))) ++a;
  while (b > a && IsSpace(static_cast<uint8_t>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}

uint32_t PamNumber(Scanner& in, const std::string& keyword, const std::string& text, uint32_t highest) {
  uint64_t value = 0;
  if (text.empty()) in.Fail("has no number after " + keyword + ".");
  for (char c : text) {
    if (!IsDigit(static_cast<uint8_t>(c)))
      in.Fail("has \"" + text + "\" where " + keyword + " needs a number.");
    value = value * 10 + static_cast<uint32_t>(c - '0');
    if (value > highest) in.Fail("has a " + keyword + " above " + std::to_string(highest) + ".");
  }
  return static_cast<uint32_t>(value);
}

Format ReadPamHeader(Scanner& in, const std::string& name) {
  Format f;
  f.magic = '7';
  in.EndOfHeader();  // the newline after P7
  bool seen[4] = {false, false, false, false};
  std::string tupleType;
  for (;;) {
    const std::string line = Trimmed(in.Line());
    if (line.empty() || line[0] == '#') continue;
    const size_t cut = line.find_first_of(" \t");
    const std::string keyword = line.substr(0, cut);
    const std::string value = cut == std::string::npos ? "" : Trimmed(line.substr(cut));
    if (keyword == "ENDHDR") break;
    if (keyword == "WIDTH") {
      f.width = PamNumber(in, keyword, value, static_cast<uint32_t>(kMaxPixels)), seen[0] = true;
    } else if (keyword == "HEIGHT") {
      f.height = PamNumber(in, keyword, value, static_cast<uint32_t>(kMaxPixels)), seen[1] = true;
    } else if (keyword == "DEPTH") {
      f.depth = PamNumber(in, keyword, value, 65535), seen[2] = true;
    } else if (keyword == "MAXVAL") {
      f.maxval = PamNumber(in, keyword, value, kHighestMaxval), seen[3] = true;
    } else if (keyword == "TUPLTYPE") {
      tupleType += (tupleType.empty() ? "" : " ") + value;
    } else {
      in.Fail("has an unknown PAM header line \"" + keyword + "\".");
    }
  }
  if (!(seen[0] && seen[1] && seen[2] && seen[3]))
    in.Fail("lacks one of WIDTH, HEIGHT, DEPTH and MAXVAL in its PAM header.");
  if (f.maxval == 0) in.Fail("has a maxval of 0.");
  const TupleType* known = nullptr;
  for (const TupleType& t : kTupleTypes)
    if (tupleType == t.name) known = &t;
  if (known && known->depth != f.depth)
    in.Fail("has the PAM tuple type " + tupleType + " with depth " + std::to_string(f.depth) + ".");
  if (!known && !tupleType.empty())
    in.Fail("has the PAM tuple type \"" + tupleType +
            "\": only BLACKANDWHITE, GRAYSCALE and RGB, each with or without _ALPHA, are read.");
  if (!known && (f.depth < 1 || f.depth > 4)) in.Fail("has a PAM depth of " + std::to_string(f.depth) + ".");
  // Without a tuple type the depth tells: grey, grey and alpha, RGB, RGB and alpha.
  f.colour = known ? known->colour : f.depth >= 3;
  f.alpha = known ? known->alpha : f.depth % 2 == 0;
  CheckDimensions(f, name, in);
  return f;
}

// Every pixel needs at least one byte of a plain file, all its bytes of a raw one.
void CheckLength(const Format& f, Scanner& in) {
  const uint64_t pixels = uint64_t{f.width} * f.height;
  const uint64_t needed = f.Plain()    ? pixels * f.depth
                          : f.Bitmap() ? (uint64_t{f.width} + 7) / 8 * f.height
                                       : pixels * f.depth * f.SampleBytes();
  if (needed > in.Remaining())
    in.Fail("announces " + std::to_string(f.width) + " x " + std::to_string(f.height) +
            " pixels, which need " + std::to_string(needed) + " bytes, but holds only " +
            std::to_string(in.Remaining()) + " after its header.");
}

// PBM: 1 is black, the raster's 1 white.
RasterImage ReadBitmap(const Format& f, Scanner& in) {
  RasterImage image = NewRaster(PixelFormat::pf1Bit, static_cast<int>(f.height), static_cast<int>(f.width));
  const size_t rowBytes = (static_cast<size_t>(f.width) + 7) / 8;
  for (int y = 0; y < image.Height(); ++y) {
    uint8_t* row = image.Row(y);
    if (!f.Plain()) {
      for (size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<uint8_t>(~in.Here()[i]);
      in.Skip(rowBytes);
      continue;
    }
    for (size_t i = 0; i < rowBytes; ++i) row[i] = 0;
    for (uint32_t x = 0; x < f.width; ++x)
      if (!in.PlainBlack()) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  }
  return image;
}

// One row of samples, each checked against the maxval.
void ReadRowSamples(const Format& f, Scanner& in, std::vector<uint32_t>& samples) {
  for (uint32_t& s : samples) {
    if (f.Plain()) {
      s = in.Number("sample", kHighestMaxval);
    } else if (f.SampleBytes() == 1) {
      s = in.Here()[0];
      in.Skip(1);
    } else {
      s = (static_cast<uint32_t>(in.Here()[0]) << 8) | in.Here()[1];
      in.Skip(2);
    }
    if (s > f.maxval)
      in.Fail("has a sample of " + std::to_string(s) + ", above its maxval of " + std::to_string(f.maxval) +
              ".");
  }
}

ColorTable GreyTable() {
  ColorTable table(256);
  for (int i = 0; i < 256; ++i) table[static_cast<size_t>(i)] = {uint8_t(i), uint8_t(i), uint8_t(i)};
  return table;
}

// PGM, PPM and PAM: samples of any maxval, rounded to 8 bits through a table.
RasterImage ReadSamples(const Format& f, Scanner& in) {
  const bool grey8 = f.magic == '2' || f.magic == '5';
  RasterImage image = NewRaster(grey8 ? PixelFormat::pf8Bit : PixelFormat::pf24Bit,
                                static_cast<int>(f.height), static_cast<int>(f.width));
  if (grey8) image.SetColorTable(GreyTable());
  std::vector<uint8_t> scale(f.maxval + 1);
  for (uint32_t v = 0; v <= f.maxval; ++v) scale[v] = ScaleSample(v, f.maxval);
  std::vector<uint32_t> samples(static_cast<size_t>(f.width) * f.depth);
  const uint32_t colours = f.colour ? 3 : 1;
  // The common raw 8-bit PPM needs no scaling: its rows are swapped into place.
  const bool straight = !f.Plain() && f.maxval == 255 && f.colour && !f.alpha;
  for (int y = 0; y < image.Height(); ++y) {
    if (straight) {
      const uint8_t* rgb = in.Here();
      uint8_t* row = image.Row(y);
      for (size_t i = 0; i < 3 * static_cast<size_t>(f.width); i += 3)
        row[i] = rgb[i + 2], row[i + 1] = rgb[i + 1], row[i + 2] = rgb[i];
      in.Skip(3 * static_cast<size_t>(f.width));
      continue;
    }
    ReadRowSamples(f, in, samples);
    uint8_t* row = image.Row(y);
    const uint32_t* s = samples.data();
    for (uint32_t x = 0; x < f.width; ++x, s += f.depth) {
      if (grey8) {
        row[x] = scale[s[0]];
        continue;
      }
      uint8_t rgb[3];
      for (uint32_t c = 0; c < 3; ++c) {
        const uint32_t v = s[c < colours ? c : 0];
        rgb[c] = f.alpha ? OverWhite(v, s[f.depth - 1], f.maxval) : scale[v];
      }
      row[3 * x] = rgb[2], row[3 * x + 1] = rgb[1], row[3 * x + 2] = rgb[0];
    }
  }
  return image;
}

// What a file written for a kind holds.
enum class Content { Bits, Grey, Rgb };

Content ContentFor(NetpbmKind kind, Tones tones) {
  switch (kind) {
    case NetpbmKind::Pbm:
      return Content::Bits;
    case NetpbmKind::Pgm:
      return Content::Grey;
    case NetpbmKind::Ppm:
      return Content::Rgb;
    default:
      break;
  }
  return tones == Tones::BlackAndWhite ? Content::Bits
                                       : (tones == Tones::Grey ? Content::Grey : Content::Rgb);
}

std::string HeaderFor(Content content, bool pam, int width, int height) {
  const std::string size = std::to_string(width) + " " + std::to_string(height) + "\n";
  if (!pam) {
    if (content == Content::Bits) return "P4\n" + size;
    return (content == Content::Grey ? "P5\n" : "P6\n") + size + "255\n";
  }
  const char* type =
      content == Content::Bits ? "BLACKANDWHITE" : (content == Content::Grey ? "GRAYSCALE" : "RGB");
  return "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) + "\nDEPTH " +
         (content == Content::Rgb ? "3" : "1") + "\nMAXVAL " + (content == Content::Bits ? "1" : "255") +
         "\nTUPLTYPE " + type + "\nENDHDR\n";
}

// Writes the rows of a picture, one at a time, in the form chosen.
class RowEncoder {
 public:
  RowEncoder(const RasterImage& picture, Content content, bool pam, std::vector<uint8_t> recipeBits)
      : picture_(picture),
        content_(content),
        pam_(pam),
        recipeBits_(std::move(recipeBits)),
        bgr_(static_cast<size_t>(picture.Width()) * 3),
        bits_((static_cast<size_t>(picture.Width()) + 7) / 8) {}

  void Append(int y, std::vector<uint8_t>& out) {
    const int width = picture_.Width();
    if (content_ == Content::Bits) {
      const uint8_t* white = WhiteBits(y);
      if (pam_) {
        for (int x = 0; x < width; ++x) out.push_back((white[x / 8] >> (7 - x % 8)) & 1);
        return;
      }
      // PBM's 1 is black; the unused bits of the last byte stay clear.
      const size_t start = out.size();
      for (size_t i = 0; i < bits_.size(); ++i) out.push_back(static_cast<uint8_t>(~white[i]));
      if (width % 8) out[start + bits_.size() - 1] &= static_cast<uint8_t>(0xFF << (8 - width % 8));
      return;
    }
    picture_.ReadRowBgr(y, bgr_.data());
    for (int x = 0; x < width; ++x) {
      const uint8_t b = bgr_[3 * x], g = bgr_[3 * x + 1], r = bgr_[3 * x + 2];
      if (content_ == Content::Grey) {
        out.push_back(r == g && g == b ? r : GrayScaleValue(r, g, b));
      } else {
        out.insert(out.end(), {r, g, b});
      }
    }
  }

 private:
  // The row's bits, 1 white: the picture's own, or the recipe's.
  const uint8_t* WhiteBits(int y) {
    if (!recipeBits_.empty()) return recipeBits_.data() + bits_.size() * static_cast<size_t>(y);
    ReadRowWhiteBits(picture_, y, bgr_.data(), bits_.data());
    return bits_.data();
  }

  const RasterImage& picture_;
  Content content_;
  bool pam_;
  std::vector<uint8_t> recipeBits_;
  std::vector<uint8_t> bgr_, bits_;
};

}  // namespace

std::optional<NetpbmKind> NetpbmKindOf(const std::string& extension) {
  if (extension == ".pbm") return NetpbmKind::Pbm;
  if (extension == ".pgm") return NetpbmKind::Pgm;
  if (extension == ".ppm") return NetpbmKind::Ppm;
  if (extension == ".pnm") return NetpbmKind::Pnm;
  if (extension == ".pam") return NetpbmKind::Pam;
  return std::nullopt;
}

RasterImage DecodeNetpbm(std::span<const uint8_t> bytes, const std::string& nameForErrors) {
  Scanner in(bytes, nameForErrors);
  if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] < '1' || bytes[1] > '7')
    in.Fail("is not a netpbm file: it does not start with P1 to P7.");
  const char magic = static_cast<char>(bytes[1]);
  in.Skip(2);
  const Format f = magic == '7' ? ReadPamHeader(in, nameForErrors) : ReadPnmHeader(in, magic, nameForErrors);
  CheckLength(f, in);
  return f.Bitmap() ? ReadBitmap(f, in) : ReadSamples(f, in);
}

RasterImage LoadNetpbmFile(const std::string& path) { return DecodeNetpbm(ReadWholeFile(path), path); }

void SaveNetpbmFile(const RasterImage& picture, const std::string& path, NetpbmKind kind, int sharedBias) {
  if (!picture.HasImage()) ThrowFileError(path, "there is no picture to write.");
  const bool byTones = kind == NetpbmKind::Pbm || kind == NetpbmKind::Pnm || kind == NetpbmKind::Pam;
  const Tones tones = byTones ? PictureTones(picture) : Tones::Colour;
  const Content content = ContentFor(kind, tones);
  // Only a .pbm can be asked to hold a picture that is not black and white.
  std::vector<uint8_t> recipeBits;
  if (content == Content::Bits && tones != Tones::BlackAndWhite)
    recipeBits = EncodeWbmpRows(picture, sharedBias);
  const bool pam = kind == NetpbmKind::Pam;
  RowEncoder rows(picture, content, pam, std::move(recipeBits));
  const std::string header = HeaderFor(content, pam, picture.Width(), picture.Height());
  constexpr size_t kPieceBytes = 1 << 20;
  int y = -1;  // the header first
  WriteFileAtomicallyInPieces(path, [&](std::vector<uint8_t>& piece) {
    if (y < 0) piece.assign(header.begin(), header.end()), y = 0;
    for (; y < picture.Height() && piece.size() < kPieceBytes; ++y) rows.Append(y, piece);
    return y < picture.Height();
  });
}

}  // namespace tessalin
