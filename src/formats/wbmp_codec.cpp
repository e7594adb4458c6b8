#include "formats/wbmp_codec.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/file_io.h"
#include "core/limits.h"
#include "core/palette.h"
#include "core/pixel_ops.h"
#include "core/tessalin_error.h"
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
  if (width == 0 || height == 0) {
    result = NewRaster(PixelFormat::pf1Bit, 0, 0);
    return true;
  }
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
  RasterImage picture = NewRaster(PixelFormat::pf1Bit, static_cast<int>(height), static_cast<int>(width));
  if (std::fseek(file.get(), static_cast<long>(pos), SEEK_SET) != 0)
    ThrowFileError(path, std::string("cannot be read: ") + std::strerror(errno) + ".");
  for (int y = 0; y < picture.Height(); ++y)
    if (std::fread(picture.Row(y), 1, rowBytes, file.get()) != rowBytes)
      ThrowFileError(path, "ends before its WBMP rows are complete.");
  result = std::move(picture);
  return true;
}

std::vector<uint8_t> EncodeWbmpByRecipe(const RasterImage& picture, int sharedBias) {
  RasterImage work;
  work.Assign(picture);
  work.SetPixelFormat(PixelFormat::pf24Bit);
  ConvolveSource source;
  PrepareConvolveSource(source, work);
  const RasterImage sharpened = ConvolveChannelDirect(source, kIntensityChannel, kSharpning2, sharedBias);
  ReleaseWorkBuffers(source);
  RasterImage bits = EtcModelImage(1, sharpened);
  bits.SetPalette(CreateBlackWhitePalette());
  bits.SetPixelFormat(PixelFormat::pf1Bit);
  std::vector<uint8_t> out;
  AppendHeader(out, bits.Width(), bits.Height());
  const size_t rowBytes = RowBytesFor(bits.Width());
  for (int y = 0; y < bits.Height(); ++y) out.insert(out.end(), bits.Row(y), bits.Row(y) + rowBytes);
  return out;
}

std::vector<uint8_t> EncodeWbmp(const RasterImage& picture, int sharedBias) {
  // The recipe folded into one pass: the Sharpning2 intensity is a whole
  // T = 10 s - (sum of the 8 neighbours' s), s = R + G + B, over T / 3
  // (see IntensityByteFromSums); Monochrome turns the grey v white exactly
  // when 256 v > 32512.
  RasterImage converted;
  const RasterImage* rgb = &picture;
  if (picture.HasImage() && picture.Format() != PixelFormat::pf24Bit) {
    converted.Assign(picture);
    converted.SetPixelFormat(PixelFormat::pf24Bit);
    rgb = &converted;
  }
  const int W = picture.HasImage() ? picture.Width() : 0;
  const int H = picture.HasImage() ? picture.Height() : 0;
  std::vector<uint8_t> out;
  AppendHeader(out, W, H);
  const size_t header = out.size(), rowBytes = RowBytesFor(W);
  out.resize(header + rowBytes * static_cast<size_t>(H), 0);
  if (W == 0 || H == 0) return out;

  constexpr int kLowT = -8 * 765, kHighT = 10 * 765;
  std::vector<uint8_t> whiteOfT(kHighT - kLowT + 1);
  for (int t = kLowT; t <= kHighT; ++t) {
    const uint8_t v = IntensityByteFromSums(t, 3, sharedBias);
    whiteOfT[t - kLowT] = MonochromeIsWhite(v, v, v) ? 1 : 0;
  }
  uint8_t* bitsBase = out.data() + header;
  ForEachRowBand(H, static_cast<long long>(W) * H, [&](int first, int end) {
    // s of the rows y - 1, y, y + 1, with one replicated column on each side.
    std::vector<int> sums(3 * (static_cast<size_t>(W) + 2));
    const auto fill = [&](int slot, int y) {
      const uint8_t* row = rgb->Row(y < 0 ? 0 : (y >= H ? H - 1 : y));
      int* s = sums.data() + static_cast<size_t>(slot) * (W + 2);
      for (int x = 0; x < W; ++x) s[x + 1] = row[3 * x] + row[3 * x + 1] + row[3 * x + 2];
      s[0] = s[1];
      s[W + 1] = s[W];
    };
    for (int y = first; y < end; ++y) {
      fill(0, y - 1);
      fill(1, y);
      fill(2, y + 1);
      const int* up = sums.data();
      const int* mid = up + (W + 2);
      const int* down = mid + (W + 2);
      uint8_t* bits = bitsBase + rowBytes * static_cast<size_t>(y);
      for (int x = 0; x < W; ++x) {
        const int t = 10 * mid[x + 1] - (up[x] + up[x + 1] + up[x + 2] + mid[x] + mid[x + 2] + down[x] +
                                         down[x + 1] + down[x + 2]);
        if (whiteOfT[t - kLowT]) bits[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
    }
  });
  return out;
}

bool WriteWbmp(const RasterImage& picture, const std::string& path, int sharedBias) {
  WriteFileAtomically(path, EncodeWbmp(picture, sharedBias));
  return true;
}

}  // namespace tessalin
