#include "formats/wbmp_codec.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/file_io.h"
#include "core/limits.h"
#include "core/palette.h"
#include "core/pixel_ops.h"
#include "core/tessalin_error.h"
#include "formats/wbmp_bilevel.h"
#include "processing/convolve.h"
#include "processing/convolve_parallel.h"

namespace tessalin {

const char* const kNotWbmpMessage = "해당 화일은 Wap-Bitmap 형식이 아닙니다";

namespace {

constexpr int kMaxIntegerBytes = 4;
constexpr int kSharpning2 = 2;
constexpr int kIntensityChannel = 6;

size_t RowBytesFor(int width) { return (static_cast<size_t>(width) + 7) / 8; }

void AppendHeader(std::vector<uint8_t>& out, int width, int height) {
  out.push_back(0);  // type 0
  out.push_back(0);  // fixed header: no extension headers
  WriteWbmpInteger(out, static_cast<uint32_t>(width));
  WriteWbmpInteger(out, static_cast<uint32_t>(height));
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

void WriteWbmpInteger(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t groups[5];
  int n = 0;
  groups[n++] = static_cast<uint8_t>((value & 0x7F) | 0x80);
  while (value >= 128) {
    value >>= 7;
    groups[n++] = static_cast<uint8_t>((value & 0x7F) | 0x80);
  }
  groups[0] &= 0x7F;  // the least significant group is written last
  for (int i = n - 1; i >= 0; --i) out.push_back(groups[i]);
}

uint32_t ReadWbmpInteger(std::span<const uint8_t> bytes, size_t& pos, const std::string& nameForErrors) {
  uint32_t result = 0;
  for (int n = 0;; ++n) {
    if (n == kMaxIntegerBytes) ThrowFileError(nameForErrors, "has a WBMP dimension longer than 4 bytes.");
    if (pos >= bytes.size()) ThrowFileError(nameForErrors, "ends before its WBMP header is complete.");
    const uint8_t b = bytes[pos++];
    result = result * 128 + (b & 0x7F);
    if (b < 0x80) return result;
  }
}

bool ReadWbmp(const std::string& path, UserPrompts& prompts, RasterImage& result) {
  const int64_t fileSize = FileSizeOf(path);
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) ThrowFileError(path, std::string("cannot be opened: ") + std::strerror(errno) + ".");
  // Type, fixed header and two dimensions of at most 4 bytes each.
  std::array<uint8_t, 2 + 2 * kMaxIntegerBytes> head{};
  const size_t headLength = std::fread(head.data(), 1, head.size(), file.get());
  if (headLength < 2) ThrowFileError(path, "ends before its WBMP header is complete.");
  if (head[0] != 0 || head[1] != 0) {
    prompts.ShowMessage(kNotWbmpMessage);
    return false;
  }
  size_t pos = 2;
  const std::span<const uint8_t> header(head.data(), headLength);
  const uint32_t width = ReadWbmpInteger(header, pos, path);
  const uint32_t height = ReadWbmpInteger(header, pos, path);
  if (width > INT32_MAX || height > INT32_MAX) ThrowFileError(path, "has a WBMP dimension beyond 2147483647.");
  // An empty picture would open as a window with nothing to show or save.
  if (width == 0 || height == 0)
    ThrowFileError(path, "has a width or height of 0: it holds no picture.");
  const size_t rowBytes = RowBytesFor(static_cast<int>(width));
  const uint64_t needed = static_cast<uint64_t>(rowBytes) * height;
  const uint64_t available = static_cast<uint64_t>(fileSize) - pos;
  if (needed > available)
    ThrowFileError(path, "announces " + std::to_string(width) + " x " + std::to_string(height) + " pixels (" +
                             std::to_string(needed) + " bytes of rows) but holds only " + std::to_string(available) +
                             " bytes after its header.");
  if (!WithinPixelLimit(width, height))
    ThrowFileError(path, "has " + std::to_string(width) + " x " + std::to_string(height) +
                             " pixels, more than the limit of " + std::to_string(kMaxPixels) + ".");
  // Every row is read whole below.
  RasterImage picture = NewUnfilledRaster(PixelFormat::pf1Bit, static_cast<int>(height), static_cast<int>(width));
  if (std::fseek(file.get(), static_cast<long>(pos), SEEK_SET) != 0)
    ThrowFileError(path, std::string("cannot be read: ") + std::strerror(errno) + ".");
  for (int y = 0; y < picture.Height(); ++y)
    if (std::fread(picture.Row(y), 1, rowBytes, file.get()) != rowBytes)
      ThrowFileError(path, "ends before its WBMP rows are complete.");
  result = std::move(picture);
  return true;
}

namespace {

bool OnlyBlackAndWhite(const RasterImage& picture24) {
  for (int y = 0; y < picture24.Height(); ++y)
    for (int x = 0; x < picture24.Width(); ++x) {
      const Color c = picture24.GetPixel(x, y);
      if (c != kBlack && c != kWhite) return false;
    }
  return true;
}

}  // namespace

std::vector<uint8_t> EncodeWbmpByRecipe(const RasterImage& picture, int sharedBias) {
  RasterImage work;
  work.Assign(picture);
  work.SetPixelFormat(PixelFormat::pf24Bit);
  RasterImage bits;
  if (OnlyBlackAndWhite(work)) {
    bits = std::move(work);
  } else {
    ConvolveSource source;
    PrepareConvolveSource(source, work);
    const RasterImage sharpened = ConvolveChannelDirect(source, kIntensityChannel, kSharpning2, sharedBias);
    ReleaseWorkBuffers(source);
    bits = EtcModelImage(1, sharpened);
  }
  bits.SetPalette(CreateBlackWhitePalette());
  bits.SetPixelFormat(PixelFormat::pf1Bit);
  std::vector<uint8_t> out;
  AppendHeader(out, bits.Width(), bits.Height());
  const size_t rowBytes = RowBytesFor(bits.Width());
  for (int y = 0; y < bits.Height(); ++y) out.insert(out.end(), bits.Row(y), bits.Row(y) + rowBytes);
  return out;
}

namespace {

// Packs a picture of any format whose every pixel is black or white, a row at
// a time; false at the first other pixel (rows written so far are the
// caller's to overwrite).
bool PackBlackWhiteRows(const RasterImage& picture, uint8_t* bitsBase) {
  const int W = picture.Width();
  const size_t rowBytes = RowBytesFor(W);
  std::vector<uint8_t> bgr(static_cast<size_t>(W) * 3);
  for (int y = 0; y < picture.Height(); ++y) {
    picture.ReadRowBgr(y, bgr.data());
    uint8_t* bits = bitsBase + rowBytes * static_cast<size_t>(y);
    std::fill(bits, bits + rowBytes, 0);
    for (int x = 0; x < W; ++x) {
      const uint8_t* p = bgr.data() + 3 * static_cast<size_t>(x);
      const bool white = p[0] == 255 && p[1] == 255 && p[2] == 255;
      if (!white && (p[0] | p[1] | p[2])) return false;
      if (white) bits[x / 8] = static_cast<uint8_t>(bits[x / 8] | (0x80 >> (x % 8)));
    }
  }
  return true;
}

// The rows of the recipe, (width + 7) div 8 bytes each, into `bitsBase`.
void FillWbmpRows(const RasterImage& picture, int sharedBias, uint8_t* bitsBase) {
  // The recipe folded into one pass: the Sharpning2 intensity is a whole
  // T = 10 s - (sum of the 8 neighbours' s), s = R + G + B, over T / 3
  // (see IntensityByteFromSums); Monochrome turns the grey v white exactly
  // when 256 v > 32512.
  const int W = picture.Width(), H = picture.Height();
  const size_t rowBytes = RowBytesFor(W);
  // A picture that is black and white already (1-bit, dithered) is written as
  // it is, 64 pixels at a time: the recipe would turn it all white or all black
  // at offsets of 128 or more in size, and the Dither command sets 128.
  if (EncodeBilevelWbmpRows(picture, bitsBase)) return;
  // Other formats are read a row at a time as B, G, R: the same bytes as a
  // 24-bit copy of the picture, without making one.
  const bool direct = picture.Format() == PixelFormat::pf24Bit;
  if (!direct && PackBlackWhiteRows(picture, bitsBase)) return;

  // The byte grows with T and Monochrome with the byte, so a pixel is white
  // exactly when T reaches the first white T (or never, or always).
  constexpr int kLowT = -8 * 765, kHighT = 10 * 765;
  int firstWhite = kHighT + 1;
  for (int t = kHighT; t >= kLowT; --t) {
    const uint8_t v = IntensityByteFromSums(t, 3, sharedBias);
    if (!MonochromeIsWhite(v, v, v)) break;
    firstWhite = t;
  }
  ForEachRowBand(H, static_cast<long long>(W) * H, [&](int first, int end) {
    // s of the rows y - 1, y, y + 1 in a ring, with one replicated column on each side.
    const size_t bw = static_cast<size_t>(W) + 2;
    std::vector<int> ring(3 * bw), columns(bw), t(static_cast<size_t>(W) + 8, INT32_MIN);
    std::vector<uint8_t> bgr(direct ? 0 : static_cast<size_t>(W) * 3);
    const auto fill = [&](int* s, int y) {
      const int from = y < 0 ? 0 : (y >= H ? H - 1 : y);
      const uint8_t* row = picture.Row(from);
      if (!direct) {
        picture.ReadRowBgr(from, bgr.data());
        row = bgr.data();
      }
      for (int x = 0; x < W; ++x) s[x + 1] = row[3 * x] + row[3 * x + 1] + row[3 * x + 2];
      s[0] = s[1];
      s[W + 1] = s[W];
    };
    int* up = ring.data();
    int* mid = up + bw;
    int* down = mid + bw;
    fill(up, first - 1);
    fill(mid, first);
    for (int y = first; y < end; ++y) {
      fill(down, y + 1);
      // T = 10 s - (8 neighbours) = 11 s - (sum of the three column sums).
      for (size_t x = 0; x < bw; ++x) columns[x] = up[x] + mid[x] + down[x];
      for (int x = 0; x < W; ++x) t[x] = 11 * mid[x + 1] - (columns[x] + columns[x + 1] + columns[x + 2]);
      uint8_t* bits = bitsBase + rowBytes * static_cast<size_t>(y);
      for (size_t b = 0; b < rowBytes; ++b) {
        const int* tb = t.data() + 8 * b;  // entries past W stay INT32_MIN: black, clear bits
        uint8_t byte = 0;
        for (int k = 0; k < 8; ++k) byte = static_cast<uint8_t>(byte | ((tb[k] >= firstWhite) << (7 - k)));
        bits[b] = byte;
      }
      int* oldUp = up;
      up = mid;
      mid = down;
      down = oldUp;
    }
  });
}

}  // namespace

std::vector<uint8_t> EncodeWbmpRows(const RasterImage& picture, int sharedBias) {
  if (!picture.HasImage()) return {};
  std::vector<uint8_t> bits(RowBytesFor(picture.Width()) * static_cast<size_t>(picture.Height()), 0);
  FillWbmpRows(picture, sharedBias, bits.data());
  return bits;
}

std::vector<uint8_t> EncodeWbmp(const RasterImage& picture, int sharedBias) {
  const int W = picture.HasImage() ? picture.Width() : 0;
  const int H = picture.HasImage() ? picture.Height() : 0;
  std::vector<uint8_t> out;
  AppendHeader(out, W, H);
  const size_t header = out.size();
  out.resize(header + RowBytesFor(W) * static_cast<size_t>(H), 0);
  if (W > 0 && H > 0) FillWbmpRows(picture, sharedBias, out.data() + header);
  return out;
}

bool WriteWbmp(const RasterImage& picture, const std::string& path, int sharedBias) {
  WriteFileAtomically(path, EncodeWbmp(picture, sharedBias));
  return true;
}

}  // namespace tessalin
