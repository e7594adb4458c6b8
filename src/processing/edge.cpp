#include "processing/edge.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/tessalin_error.h"
#include "processing/convolve_parallel.h"
#include "processing/convolve_rounding.h"

namespace tessalin {

namespace {

inline uint8_t ClampedSum(int m, int bias) {
  const long long v = static_cast<long long>(m) + bias;
  return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

inline int ByteOf(const BgrTriple& p, int c) { return c == 0 ? p.b : (c == 1 ? p.g : p.r); }

template <typename MaxFn>
BgrTriple ApplyOperator(int channel, int bias, MaxFn largest) {
  const int form = channel & 3;
  if (form == 3) return {ClampedSum(largest(0), bias), ClampedSum(largest(1), bias), ClampedSum(largest(2), bias)};
  const uint8_t v = ClampedSum(largest(2 - form), bias);  // 0 red, 1 green, 2 blue
  return {v, v, v};
}

// The bytes the operators see for the HSI channels, laid out like the RGB
// buffer: round(I), round(S * 255), round(H * 255 / 360) as blue, green, red.
std::vector<uint8_t> HsiNeighbourBytes(const WorkBuffers& buffers) {
  const size_t pixels = static_cast<size_t>(buffers.Width()) * buffers.Height();
  std::vector<uint8_t> bytes(3 * pixels);
  const HSIColor* hsi = buffers.Hsi();
  ForEachRowBand(buffers.Height(), static_cast<long long>(pixels), [&](int first, int end) {
    const size_t w = static_cast<size_t>(buffers.Width());
    for (size_t i = first * w; i < end * w; ++i) {
      bytes[3 * i] = RoundedByte(hsi[i].I);
      bytes[3 * i + 1] = RoundedByte(static_cast<Extended>(hsi[i].S) * 255);
      bytes[3 * i + 2] = RoundedByte(static_cast<Extended>(hsi[i].H) * 255 / 360);
    }
  });
  return bytes;
}

// The operators on byte i of a row of B, G, R triples: the neighbours of byte
// i are i - 3 and i + 3 in the same row and the rows above and below.
template <int kKind>
inline uint8_t EdgeByte(const uint8_t* const rows[3], size_t i, int bias) {
  const auto v = [&](int r, int dx) { return static_cast<int>(rows[r][i + 3 * dx]); };
  const auto absd = [](int a, int b) { return a > b ? a - b : b - a; };
  int m;
  if constexpr (kKind == 0) {
    m = std::max(std::max(absd(v(0, 0), v(2, 2)), absd(v(0, 1), v(2, 1))),
                 std::max(absd(v(0, 2), v(2, 0)), absd(v(1, 0), v(1, 2))));
  } else {
    const int c = v(1, 1);
    m = std::max(std::max(std::max(absd(c, v(0, 0)), absd(c, v(0, 1))), std::max(absd(c, v(0, 2)), absd(c, v(1, 0)))),
                 std::max(std::max(absd(c, v(1, 2)), absd(c, v(2, 0))), std::max(absd(c, v(2, 1)), absd(c, v(2, 2)))));
  }
  m += bias;
  return static_cast<uint8_t>(m < 0 ? 0 : (m > 255 ? 255 : m));
}

template <int kKind>
TESSALIN_VECTORISE void EdgeRows(const uint8_t* base, size_t rowBytes, int borderedHeight, int width, int channel, int bias,
              RasterImage& out, int first, int end) {
  const int form = channel & 3;
  for (int y = first; y < end; ++y) {
    // Bordered rows y, y + 1, y + 2 counted from the top; the buffer is bottom-up.
    const uint8_t* rows[3];
    for (int r = 0; r < 3; ++r) rows[r] = base + static_cast<size_t>(borderedHeight - 1 - (y + r)) * rowBytes;
    uint8_t* dst = out.Row(y);
    if (form == 3) {
      for (size_t i = 0; i < 3 * static_cast<size_t>(width); ++i) dst[i] = EdgeByte<kKind>(rows, i, bias);
    } else {
      const size_t c = static_cast<size_t>(2 - form);
      for (int x = 0; x < width; ++x) {
        const uint8_t v = EdgeByte<kKind>(rows, 3 * static_cast<size_t>(x) + c, bias);
        dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = v;
      }
    }
  }
}

}  // namespace

BgrTriple HomogeneityOperator(int channel, const EdgeNeighbourhood& n, int bias) {
  return ApplyOperator(channel, bias, [&n](int c) {
    const int centre = ByteOf(n[4], c);
    int m = 0;
    for (int j = 0; j < 9; ++j)
      if (j != 4) m = std::max(m, std::abs(centre - ByteOf(n[j], c)));
    return m;
  });
}

BgrTriple DifferenceOperator(int channel, const EdgeNeighbourhood& n, int bias) {
  return ApplyOperator(channel, bias, [&n](int c) {
    const auto d = [&](int a, int b) { return std::abs(ByteOf(n[a], c) - ByteOf(n[b], c)); };
    return std::max(std::max(d(0, 8), d(1, 7)), std::max(d(2, 6), d(3, 5)));
  });
}

void PrepareEdgeSource(EdgeSource& prepared, const RasterImage& source) {
  PrepareConvolveSource(prepared, source, true);
}

RasterImage EdgeChannel(const EdgeSource& prepared, int kind, int channel, int bias) {
  if (kind < 0 || kind >= kEdgeKindCount) throw TessalinError("Unknown edge kind " + std::to_string(kind) + ".");
  if (channel < 0 || channel >= kOutputChannelCount)
    throw TessalinError("Unknown output channel " + std::to_string(channel) + ".");
  // Every pixel of every row is written below.
  RasterImage out = NewUnfilledRaster(PixelFormat::pf24Bit, prepared.height, prepared.width);
  if (!out.HasImage()) return out;
  if (prepared.buffers.Empty() || prepared.buffers.Width() != prepared.borderedWidth ||
      prepared.buffers.Height() != prepared.borderedHeight)
    throw TessalinError("The edge source was not prepared.");
  std::vector<uint8_t> hsiBytes;
  const uint8_t* base = prepared.buffers.Rgb();
  if (channel >= 4) {
    if (!prepared.buffers.HasHsi()) throw TessalinError("The HSI working buffer was not filled.");
    hsiBytes = HsiNeighbourBytes(prepared.buffers);
    base = hsiBytes.data();
  }
  const size_t rowBytes = 3 * static_cast<size_t>(prepared.borderedWidth);
  const int clampedBias = ClampedBias(bias);
  ForEachRowBand(prepared.height, static_cast<long long>(prepared.width) * prepared.height, [&](int first, int end) {
    (kind == 0 ? EdgeRows<0> : EdgeRows<1>)(base, rowBytes, prepared.borderedHeight, prepared.width, channel,
                                             clampedBias, out, first, end);
  });
  return out;
}

const char* EdgeKindName(int kind) {
  static const char* const kNames[] = {"Difference", "HomoGeneity"};
  return kind >= 0 && kind < kEdgeKindCount ? kNames[kind] : "";
}

const char* EdgeKindCaption(int kind) {
  static const char* const kCaptions[] = {"Difference Edge Detection", "HomoGeneity Edge Detection"};
  return kind >= 0 && kind < kEdgeKindCount ? kCaptions[kind] : "";
}

}  // namespace tessalin
