#include "core/bmp_codec.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/bmp_direct_read.h"
#include "core/file_io.h"
#include "core/limits.h"
#include "core/palette.h"
#include "core/tessalin_error.h"

namespace tessalin {

namespace {

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;
constexpr size_t kFileHeaderBytes = 14;
// Largest file we read: the pixel limit at 32 bits a pixel with row padding,
// plus generous room for headers and trailing bytes.
constexpr int64_t kMaxFileBytes = kMaxPixels * 4 + (int64_t{64} << 20);

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
int32_t I32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// Bytes of one stored row: padded to a multiple of four.
int64_t StoredRowBytes(int64_t width, int bits) { return (width * bits + 31) / 32 * 4; }

struct Header {
  uint32_t headerSize = 0;
  int64_t width = 0, height = 0;  // height > 0 after reading; topDown tells the order
  bool topDown = false;
  int bits = 0;
  uint32_t compression = kBiRgb;
  uint32_t colorsUsed = 0;
  bool hasMasks = false;
  uint32_t masks[3] = {0, 0, 0};  // red, green, blue
  size_t tableOffset = 0;         // file offset of the colour table
  size_t tableEntryBytes = 4;
  size_t pixelOffset = 0;
};

// One channel of a bit-field pixel, scaled to 8 bits.
struct MaskChannel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  explicit MaskChannel(uint32_t m) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    bits = std::min(std::popcount(m >> shift), 32);
  }
  uint8_t operator()(uint32_t pixel) const {
    if (bits == 0) return 0;
    uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
    // Replicate the high bits so that a full channel becomes 255.
    uint32_t out = 0;
    int filled = 0;
    while (filled < 8) {
      out = (out << bits) | v;
      filled += bits;
    }
    return static_cast<uint8_t>(out >> (filled - 8));
  }
};

void CheckBmpPixels(const std::string& name, int64_t width, int64_t height) {
  if (!WithinPixelLimit(width, height))
    ThrowFileError(name, "is " + std::to_string(width) + " x " + std::to_string(height) +
                             " pixels, larger than the limit of " + std::to_string(kMaxPixels) + " pixels.");
}

// The size the headers declare against the pixel limit, from the file's first
// bytes alone; anything else wrong is left to the whole decoding.
void CheckBmpHead(std::span<const uint8_t> head, const std::string& name) {
  if (head.size() < kFileHeaderBytes + 12 || head[0] != 'B' || head[1] != 'M') return;
  const uint8_t* info = &head[kFileHeaderBytes];
  if (U32(info) == 12) {
    CheckBmpPixels(name, U16(info + 4), U16(info + 6));
  } else {
    const int64_t height = I32(info + 8);
    CheckBmpPixels(name, I32(info + 4), height < 0 ? -height : height);
  }
}

class Decoder {
 public:
  Decoder(std::span<const uint8_t> bytes, const std::string& name) : bytes_(bytes), name_(name) {}

  RasterImage Decode() {
    ReadHeaders();
    const PixelFormat format = TargetFormat();
    ColorTable table;
    if (header_.bits <= 8) table = ReadColorTable();
    CheckPixelData(format);
    // Every row is written below (RLE rows are cleared first).
    RasterImage image = NewUnfilledRaster(format, static_cast<int>(header_.height), static_cast<int>(header_.width));
    if (IsIndexed(format)) image.SetColorTable(std::move(table));
    if (header_.compression == kBiRle8 || header_.compression == kBiRle4) DecodeRle(image);
    else DecodeRows(image, format);
    return image;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const { ThrowFileError(name_, what); }

  void Need(size_t offset, size_t count, const char* where) const {
    if (offset > bytes_.size() || count > bytes_.size() - offset)
      Fail(std::string("the BMP file is truncated in its ") + where + ".");
  }

  void ReadHeaders() {
    Need(0, kFileHeaderBytes + 4, "file header");
    if (bytes_[0] != 'B' || bytes_[1] != 'M') Fail("is not a BMP file (no \"BM\" signature).");
    const uint32_t offBits = U32(&bytes_[10]);
    const uint8_t* info = &bytes_[kFileHeaderBytes];
    Header& h = header_;
    h.headerSize = U32(info);
    switch (h.headerSize) {
      case 12: case 40: case 52: case 56: case 64: case 108: case 124: break;
      default: Fail("has a BMP header of unknown size " + std::to_string(h.headerSize) + ".");
    }
    Need(kFileHeaderBytes, h.headerSize, "bitmap header");
    if (h.headerSize == 12) {
      h.width = U16(info + 4);
      h.height = U16(info + 6);
      h.bits = U16(info + 10);
      h.tableEntryBytes = 3;
    } else {
      h.width = I32(info + 4);
      const int64_t storedHeight = I32(info + 8);
      h.topDown = storedHeight < 0;
      h.height = storedHeight < 0 ? -storedHeight : storedHeight;
      h.bits = U16(info + 14);
      h.compression = U32(info + 16);
      h.colorsUsed = U32(info + 32);
    }
    size_t afterHeader = kFileHeaderBytes + h.headerSize;
    if (h.width <= 0 || h.height <= 0)
      Fail("has an invalid picture size of " + std::to_string(h.width) + " x " + std::to_string(h.height) + ".");
    if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32)
      Fail("has an unsupported depth of " + std::to_string(h.bits) + " bits a pixel.");
    switch (h.compression) {
      case kBiRgb: break;
      case kBiRle8:
        if (h.bits != 8) Fail("uses RLE8 compression with " + std::to_string(h.bits) + " bits a pixel.");
        break;
      case kBiRle4:
        if (h.bits != 4) Fail("uses RLE4 compression with " + std::to_string(h.bits) + " bits a pixel.");
        break;
      case kBiBitfields:
      case kBiAlphaBitfields:
        if (h.headerSize == 64) Fail("uses an OS/2 compression that is not supported.");
        if (h.bits != 16 && h.bits != 32) Fail("uses bit fields with " + std::to_string(h.bits) + " bits a pixel.");
        h.hasMasks = true;
        if (h.headerSize >= 52) {
          for (int i = 0; i < 3; ++i) h.masks[i] = U32(info + 40 + 4 * i);
        } else {
          const size_t maskBytes = h.compression == kBiAlphaBitfields ? 16 : 12;
          Need(afterHeader, maskBytes, "bit-field masks");
          for (int i = 0; i < 3; ++i) h.masks[i] = U32(&bytes_[afterHeader + 4 * i]);
          afterHeader += maskBytes;
        }
        break;
      default:
        Fail("uses BMP compression " + std::to_string(h.compression) + ", which is not supported.");
    }
    CheckBmpPixels(name_, h.width, h.height);
    h.tableOffset = afterHeader;
    if (offBits > bytes_.size()) Fail("has its pixel data beyond the end of the file.");
    if (offBits < afterHeader) Fail("has its pixel data inside its header.");
    h.pixelOffset = offBits;
  }

  PixelFormat TargetFormat() const {
    const Header& h = header_;
    switch (h.bits) {
      case 1: return PixelFormat::pf1Bit;
      case 4: return PixelFormat::pf4Bit;
      case 8: return PixelFormat::pf8Bit;
      case 16:
        if (!h.hasMasks || (h.masks[0] == 0x7C00 && h.masks[1] == 0x03E0 && h.masks[2] == 0x001F))
          return PixelFormat::pf15Bit;
        if (h.masks[0] == 0xF800 && h.masks[1] == 0x07E0 && h.masks[2] == 0x001F) return PixelFormat::pf16Bit;
        return PixelFormat::pf24Bit;  // other masks are unpacked to 8 bits a channel
      case 24: return PixelFormat::pf24Bit;
      default:
        if (!h.hasMasks || (h.masks[0] == 0xFF0000 && h.masks[1] == 0xFF00 && h.masks[2] == 0xFF))
          return PixelFormat::pf32Bit;
        return PixelFormat::pf24Bit;
    }
  }

  ColorTable ReadColorTable() const {
    const Header& h = header_;
    const size_t nominal = size_t{1} << h.bits;
    size_t count = h.colorsUsed == 0 ? nominal : h.colorsUsed;
    if (count > 256) Fail("announces " + std::to_string(count) + " colours, more than a BMP can hold.");
    if (h.headerSize == 12 && h.tableOffset + count * 3 > h.pixelOffset) {
      // Old headers have no colour count: the table ends where the pixels start.
      count = (h.pixelOffset - h.tableOffset) / 3;
    }
    if (h.tableOffset + count * h.tableEntryBytes > h.pixelOffset)
      Fail("has a colour table of " + std::to_string(count) + " colours that overlaps its pixel data.");
    if (count == 0) Fail("has an empty colour table.");
    count = std::min(count, nominal);
    ColorTable table(count);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* e = &bytes_[h.tableOffset + i * h.tableEntryBytes];
      table[i] = {e[2], e[1], e[0]};
    }
    return table;
  }

  void CheckPixelData(PixelFormat) const {
    const Header& h = header_;
    const int64_t available = static_cast<int64_t>(bytes_.size() - h.pixelOffset);
    if (h.compression == kBiRle8 || h.compression == kBiRle4) {
      // Two bytes code at most one row's end or one jump of 255 x 255 pixels,
      // so short data cannot describe an enormous picture.
      const int64_t perTwoBytes = std::max<int64_t>(h.width, 255 * 255);
      if (h.width * h.height > (available / 2 + 1) * perTwoBytes)
        Fail("has too little compressed data for " + std::to_string(h.width) + " x " +
             std::to_string(h.height) + " pixels.");
      return;
    }
    const int64_t rowBytes = StoredRowBytes(h.width, h.bits);
    const int64_t lastRow = (h.width * h.bits + 7) / 8;
    if ((h.height - 1) * rowBytes + lastRow > available)
      Fail("is truncated: its pixel data needs " + std::to_string(h.height * rowBytes) + " bytes, " +
           std::to_string(available) + " are there.");
  }

  const uint8_t* StoredRow(int64_t y) const {
    const int64_t fileRow = header_.topDown ? y : header_.height - 1 - y;
    return &bytes_[h().pixelOffset + static_cast<size_t>(fileRow * StoredRowBytes(h().width, h().bits))];
  }
  const Header& h() const { return header_; }

  void DecodeRows(RasterImage& image, PixelFormat format) const {
    const int width = image.Width();
    const bool direct = format != PixelFormat::pf24Bit || h().bits == 24;
    const size_t dataBytes = static_cast<size_t>((h().width * h().bits + 7) / 8);
    if (direct) {
      for (int y = 0; y < image.Height(); ++y) {
        std::memcpy(image.Row(y), StoredRow(y), dataBytes);
        if (format == PixelFormat::pf32Bit)
          for (int x = 0; x < width; ++x) image.Row(y)[4 * x + 3] = 0;
      }
      return;
    }
    const MaskChannel red(h().masks[0]), green(h().masks[1]), blue(h().masks[2]);
    for (int y = 0; y < image.Height(); ++y) {
      const uint8_t* src = StoredRow(y);
      uint8_t* dst = image.Row(y);
      for (int x = 0; x < width; ++x) {
        const uint32_t pixel = h().bits == 16 ? U16(src + 2 * x) : U32(src + 4 * x);
        dst[3 * x] = blue(pixel);
        dst[3 * x + 1] = green(pixel);
        dst[3 * x + 2] = red(pixel);
      }
    }
  }

  // A run or jump that leaves its row or the picture is refused: other readers
  // have written past their buffers on such files.
  void DecodeRle(RasterImage& image) const {
    const bool four = h().compression == kBiRle4;
    const PixelFormat format = image.Format();
    const int width = image.Width(), height = image.Height();
    // Pixels the data leaves out get index 0.
    for (int y = 0; y < height; ++y) std::memset(image.Row(y), 0, image.RowBytes());
    size_t p = h().pixelOffset;
    const size_t end = bytes_.size();
    int64_t x = 0, line = 0;  // line counts stored rows from the first one in the file
    // Writers (ImageMagick among them) encode the row's padding to whole 32-bit
    // words too, so a run may fill the stored row; the padding is dropped.
    const int64_t storedRow = four ? (static_cast<int64_t>(width) + 7) / 8 * 8 : (static_cast<int64_t>(width) + 3) / 4 * 4;
    auto checkRun = [&](int count) {
      if (x + count > storedRow) Fail("has an RLE run that goes past the end of a row.");
    };
    auto put = [&](int index) {
      if (x < width) {
        const int y = static_cast<int>(h().topDown ? line : height - 1 - line);
        SetIndex(image.Row(y), format, static_cast<int>(x), index);
      }
      ++x;
    };
    bool finished = false;
    while (p + 2 <= end && line < height) {
      const uint8_t count = bytes_[p], value = bytes_[p + 1];
      p += 2;
      if (count > 0) {
        checkRun(count);
        for (int i = 0; i < count; ++i) put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
        continue;
      }
      if (value == 0) {  // end of line
        x = 0;
        ++line;
      } else if (value == 1) {  // end of picture
        finished = true;
        break;
      } else if (value == 2) {  // jump
        if (p + 2 > end) Fail("is truncated: its compressed pixel data ends early.");
        x += bytes_[p];
        line += bytes_[p + 1];
        p += 2;
        if (x > storedRow || line > height || (line == height && x > 0))
          Fail("has an RLE jump that goes past the end of the picture.");
      } else {  // literal run of `value` pixels, padded to a whole word
        const size_t dataBytes = four ? (value + 1u) / 2 : value;
        if (dataBytes > end - p) Fail("has an RLE run that goes past the end of the file.");
        checkRun(value);
        for (int i = 0; i < value; ++i) {
          const uint8_t byte = bytes_[p + (four ? i / 2 : i)];
          put(four ? ((i & 1) ? byte & 0x0F : byte >> 4) : byte);
        }
        p += (dataBytes + 1) & ~size_t{1};
      }
    }
    if (!finished && line < height) Fail("is truncated: its compressed pixel data ends early.");
  }

  static void SetIndex(uint8_t* row, PixelFormat format, int x, int index) {
    if (format == PixelFormat::pf8Bit) {
      row[x] = static_cast<uint8_t>(index);
    } else {
      uint8_t& byte = row[x >> 1];
      byte = (x & 1) ? static_cast<uint8_t>((byte & 0xF0) | (index & 0x0F))
                     : static_cast<uint8_t>((byte & 0x0F) | ((index & 0x0F) << 4));
    }
  }

  std::span<const uint8_t> bytes_;
  const std::string& name_;
  Header header_;
};

}  // namespace

RasterImage DecodeBmp(std::span<const uint8_t> bytes, const std::string& nameForErrors) {
  return Decoder(bytes, nameForErrors).Decode();
}

namespace {

// File and information headers, colour table and zeroed rows of a bottom-up
// BMP; returns the bytes and where the rows start.
// The file and info headers and the colour table; fileBytes is the whole file's size.
std::vector<uint8_t> BmpHeaders(int width, int height, int bits, bool masks, const ColorTable& table,
                                size_t& headerBytes, size_t& rowBytes, size_t& fileBytes) {
  rowBytes = static_cast<size_t>(StoredRowBytes(width, bits));
  headerBytes = kFileHeaderBytes + 40 + (masks ? 12 : 0) + table.size() * 4;
  fileBytes = headerBytes + rowBytes * static_cast<size_t>(height);
  if (fileBytes > UINT32_MAX) throw TessalinError("The picture is too large for a BMP file.");

  std::vector<uint8_t> out;
  out.reserve(fileBytes);
  out.push_back('B');
  out.push_back('M');
  Put32(out, static_cast<uint32_t>(fileBytes));
  Put32(out, 0);
  Put32(out, static_cast<uint32_t>(headerBytes));
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));  // positive: rows bottom-up
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(bits));
  Put32(out, masks ? kBiBitfields : kBiRgb);
  Put32(out, static_cast<uint32_t>(rowBytes * static_cast<size_t>(height)));
  Put32(out, 3780);  // 96 dots an inch
  Put32(out, 3780);
  Put32(out, static_cast<uint32_t>(table.size()));
  Put32(out, 0);
  if (masks) {
    Put32(out, 0xF800);
    Put32(out, 0x07E0);
    Put32(out, 0x001F);
  }
  for (const PaletteEntry& e : table) {
    out.push_back(e.b);
    out.push_back(e.g);
    out.push_back(e.r);
    out.push_back(0);
  }
  return out;
}

std::vector<uint8_t> BmpWithBlankRows(int width, int height, int bits, bool masks, const ColorTable& table,
                                      size_t& headerBytes, size_t& rowBytes) {
  size_t fileBytes = 0;
  std::vector<uint8_t> out = BmpHeaders(width, height, bits, masks, table, headerBytes, rowBytes, fileBytes);
  out.resize(fileBytes, 0);
  return out;
}

// Row y of the picture as a 32-bit device row: B, G, R and a zero byte, as a
// device raster holds it. `decoded` is a row of scratch for other layouts.
void EncodeDeviceRow(const RasterImage& image, int y, uint8_t* dst, std::vector<uint8_t>& decoded) {
  const int width = image.Width();
  const uint8_t* bgr = image.Row(y);
  if (image.Format() != PixelFormat::pf24Bit) {
    decoded.resize(3 * static_cast<size_t>(width));
    image.ReadRowBgr(y, decoded.data());
    bgr = decoded.data();
  }
  for (int x = 0; x < width; ++x) {
    dst[4 * x] = bgr[3 * x];
    dst[4 * x + 1] = bgr[3 * x + 1];
    dst[4 * x + 2] = bgr[3 * x + 2];
    dst[4 * x + 3] = 0;
  }
}

}  // namespace

std::vector<uint8_t> EncodeBmp(const RasterImage& image) {
  if (!image.HasImage()) throw TessalinError("An empty picture cannot be written as BMP.");
  const PixelFormat format = image.Format();
  // pfDevice is held as 32-bit B, G, R, unused and is written as such.
  const int bits = format == PixelFormat::pfDevice ? 32 : BitsPerPixel(format);
  const bool masks = format == PixelFormat::pf16Bit;
  ColorTable table;
  if (IsIndexed(format)) {
    table = image.Colors().empty() ? DefaultColorTable(format) : image.Colors();
    table.resize(std::min(table.size(), size_t{1} << bits));
  }
  const int width = image.Width(), height = image.Height();
  size_t headerBytes = 0, rowBytes = 0;
  std::vector<uint8_t> out = BmpWithBlankRows(width, height, bits, masks, table, headerBytes, rowBytes);
  const size_t dataBytes = RowDataBytes(format, width);
  for (int y = 0; y < height; ++y) {
    uint8_t* dst = out.data() + headerBytes + static_cast<size_t>(height - 1 - y) * rowBytes;
    std::memcpy(dst, image.Row(y), dataBytes);
  }
  return out;
}

std::vector<uint8_t> EncodeBmpAsDevice(const RasterImage& image) {
  if (!image.HasImage()) throw TessalinError("An empty picture cannot be written as BMP.");
  const int height = image.Height();
  size_t headerBytes = 0, rowBytes = 0;
  std::vector<uint8_t> out = BmpWithBlankRows(image.Width(), height, 32, false, ColorTable(), headerBytes, rowBytes);
  std::vector<uint8_t> decoded;
  for (int y = 0; y < height; ++y)
    EncodeDeviceRow(image, y, out.data() + headerBytes + static_cast<size_t>(height - 1 - y) * rowBytes, decoded);
  return out;
}

RasterImage LoadBmpFile(const std::string& path) {
  const int64_t size = FileSizeOf(path);
  // A size past the limit is refused from the headers, before the whole file is read.
  CheckBmpHead(ReadFilePart(path, 0, kFileHeaderBytes + 12), path);
  if (size > kMaxFileBytes) ThrowFileError(path, "is too large to be a BMP within the picture size limit.");
  // The common files go straight into the rows; the others are read whole
  // (not zero-filled first: the read fills it) and decoded.
  RasterImage direct;
  if (ReadBmpRowsDirect(path, direct)) return direct;
  const LargeBuffer bytes = ReadWholeFileBuffer(path);
  return DecodeBmp({bytes.Data(), bytes.Size()}, path);
}

void SaveBmpFile(const RasterImage& image, const std::string& path) {
  std::vector<uint8_t> bytes;
  try {
    bytes = EncodeBmp(image);
  } catch (const TessalinError& e) {
    ThrowFileError(path, e.what());
  }
  WriteFileAtomically(path, bytes);
}

void SaveBmpFileAsDevice(const RasterImage& image, const std::string& path) {
  // The same bytes as EncodeBmpAsDevice, written a megabyte at a time: a
  // file-sized buffer costs more in fresh pages than the encoding itself.
  if (!image.HasImage()) ThrowFileError(path, "An empty picture cannot be written as BMP.");
  const int width = image.Width(), height = image.Height();
  size_t headerBytes = 0, rowBytes = 0, fileBytes = 0;
  std::vector<uint8_t> headers;
  try {
    headers = BmpHeaders(width, height, 32, false, ColorTable(), headerBytes, rowBytes, fileBytes);
  } catch (const TessalinError& e) {
    ThrowFileError(path, e.what());
  }
  const int rowsPerPiece = static_cast<int>(std::max<size_t>(1, (size_t{1} << 20) / rowBytes));
  int next = height - 1;  // rows go bottom-up
  std::vector<uint8_t> decoded;
  WriteFileAtomicallyInPieces(path, [&](std::vector<uint8_t>& piece) {
    if (!headers.empty()) piece.swap(headers);
    const int rows = std::min(next + 1, rowsPerPiece);
    const size_t at = piece.size();
    piece.resize(at + static_cast<size_t>(rows) * rowBytes, 0);
    for (int i = 0; i < rows; ++i) EncodeDeviceRow(image, next - i, piece.data() + at + i * rowBytes, decoded);
    next -= rows;
    return next >= 0;
  });
}

}  // namespace tessalin
