#include "core/bmp_direct_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "core/limits.h"
#include "core/parallel_rows.h"
#include "core/tessalin_error.h"

namespace tessalin {

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kLargestHeader = 124;
constexpr int kRowsPerRead = 512;  // two pieces a row, within IOV_MAX

uint32_t U32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

class Descriptor {
 public:
  explicit Descriptor(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

// What the general decoder would make of the file, when it is one of the
// simple kind; false for anything else.
struct SimpleLayout {
  int64_t width = 0, height = 0;
  bool topDown = false;
  int bits = 0;
  int64_t pixelOffset = 0;
};

bool ReadSimpleLayout(const uint8_t* head, size_t length, int64_t fileSize, SimpleLayout& layout) {
  if (length < kFileHeaderBytes + 40 || head[0] != 'B' || head[1] != 'M') return false;
  const uint8_t* info = head + kFileHeaderBytes;
  const uint32_t headerSize = U32(info);
  if ((headerSize != 40 && headerSize != 108 && headerSize != 124) || length < kFileHeaderBytes + headerSize)
    return false;
  layout.width = static_cast<int32_t>(U32(info + 4));
  const int64_t storedHeight = static_cast<int32_t>(U32(info + 8));
  layout.topDown = storedHeight < 0;
  layout.height = storedHeight < 0 ? -storedHeight : storedHeight;
  layout.bits = info[14] | (info[15] << 8);
  const uint32_t compression = U32(info + 16);
  layout.pixelOffset = U32(head + 10);
  if (compression != 0 || (layout.bits != 24 && layout.bits != 32)) return false;
  if (layout.width <= 0 || layout.height <= 0 || !WithinPixelLimit(layout.width, layout.height)) return false;
  if (layout.pixelOffset < static_cast<int64_t>(kFileHeaderBytes + headerSize) || layout.pixelOffset > fileSize)
    return false;
  const int64_t stored = (layout.width * layout.bits + 31) / 32 * 4;
  const int64_t lastRow = (layout.width * layout.bits + 7) / 8;
  return (layout.height - 1) * stored + lastRow <= fileSize - layout.pixelOffset;
}

}  // namespace

bool ReadBmpRowsDirect(const std::string& path, RasterImage& out) {
  const Descriptor file(path);
  if (file.Get() < 0) return false;  // the general path words the error
  struct stat st {};
  if (::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  uint8_t head[kFileHeaderBytes + kLargestHeader];
  const ssize_t got = ::pread(file.Get(), head, sizeof head, 0);
  SimpleLayout layout;
  if (got <= 0 || !ReadSimpleLayout(head, static_cast<size_t>(got), st.st_size, layout)) return false;

  const int width = static_cast<int>(layout.width), height = static_cast<int>(layout.height);
  const PixelFormat format = layout.bits == 24 ? PixelFormat::pf24Bit : PixelFormat::pf32Bit;
  RasterImage picture = NewUnfilledRaster(format, height, width);
  const size_t dataBytes = picture.RowBytes();
  const size_t stored = static_cast<size_t>((layout.width * layout.bits + 31) / 32 * 4);
  // File rows in file order, a few hundred a call; the padding of each goes
  // to a scratch piece. Pieces of the file are read side by side, so that
  // both cores copy and take in fresh pages.
  const int chunks = (height + kRowsPerRead - 1) / kRowsPerRead;
  ParallelFor(chunks, 1, [&](int64_t firstChunk, int64_t endChunk) {
    std::vector<uint8_t> padding(4);
    std::vector<iovec> pieces;
    for (int64_t chunk = firstChunk; chunk < endChunk; ++chunk) {
      const int first = static_cast<int>(chunk) * kRowsPerRead;
      const int count = std::min(kRowsPerRead, height - first);
      pieces.clear();
      size_t want = 0;
      for (int k = 0; k < count; ++k) {
        const int fileRow = first + k;
        const int y = layout.topDown ? fileRow : height - 1 - fileRow;
        pieces.push_back({picture.Row(y), dataBytes});
        want += dataBytes;
        // The last row's padding may lie past the end of the file.
        if (stored > dataBytes && fileRow + 1 < height) {
          pieces.push_back({padding.data(), stored - dataBytes});
          want += stored - dataBytes;
        }
      }
      off_t at = static_cast<off_t>(layout.pixelOffset + static_cast<int64_t>(first) * static_cast<int64_t>(stored));
      size_t done = 0;
      size_t index = 0;
      while (done < want) {
        const ssize_t n = ::preadv(file.Get(), pieces.data() + index, static_cast<int>(pieces.size() - index), at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowFileError(path, std::string("cannot be read: ") + std::strerror(errno) + ".");
        if (n == 0) ThrowFileError(path, "is truncated: its pixel data ends early.");
        done += static_cast<size_t>(n);
        at += n;
        // Skip the pieces read whole and move into a piece read in part.
        size_t left = static_cast<size_t>(n);
        while (left > 0 && left >= pieces[index].iov_len) left -= pieces[index++].iov_len;
        if (left > 0) {
          pieces[index].iov_base = static_cast<uint8_t*>(pieces[index].iov_base) + left;
          pieces[index].iov_len -= left;
        }
      }
    }
  });
  if (format == PixelFormat::pf32Bit)
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) picture.Row(y)[4 * x + 3] = 0;
  out = std::move(picture);
  return true;
}

}  // namespace tessalin
