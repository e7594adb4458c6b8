#include "formats/wbmp_bilevel.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "processing/convolve_parallel.h"

namespace tessalin {

namespace {

// Pixels as bits, most significant bit first, 64 to a word (the WBMP order).
using Word = uint64_t;
constexpr Word kAllOnes = ~Word{0};

size_t WordsFor(int64_t bits) { return static_cast<size_t>((bits + 63) / 64); }

// Pixels x .. x + n - 1 of a pf24Bit row as the top n bits of a word; false
// when one of them is neither (0, 0, 0) nor (255, 255, 255).
bool PackPixels24(const uint8_t* px, int n, Word& bits) {
  Word acc = 0;
  bool bad = false;
  for (int i = 0; i < n; ++i, px += 3) {
    const unsigned v = px[0] | (px[1] << 8) | (px[2] << 16);
    bad |= (v != 0) & (v != 0xFFFFFFu);
    acc = (acc << 1) | (v != 0);
  }
  bits = n == 64 ? acc : acc << (64 - n);
  return !bad;
}

#ifdef __SSE2__
// Bits 0, 3, 6 and 9 of the index, as a nibble with bit 0 highest.
const std::array<uint8_t, 4096>& EveryThirdBit() {
  static const std::array<uint8_t, 4096> table = [] {
    std::array<uint8_t, 4096> t{};
    for (unsigned i = 0; i < 4096; ++i)
      t[i] = static_cast<uint8_t>(((i & 1) << 3) | (((i >> 3) & 1) << 2) | (((i >> 6) & 1) << 1) | ((i >> 9) & 1));
    return t;
  }();
  return table;
}

// Sixteen pixels (48 bytes) at once: each byte must be 0 or 255 and the three
// bytes of a pixel alike; their top bits then are the pixels.
bool Pack16Pixels24(const uint8_t* px, unsigned& bits) {
  const __m128i zero = _mm_setzero_si128();
  uint64_t top = 0;
  unsigned ok = 0xFFFF;
  for (int k = 0; k < 3; ++k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px + 16 * k));
    ok &= static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_cmpgt_epi8(zero, v), v)));
    top |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(v))) << (16 * k);
  }
  constexpr uint64_t kFirstOfThree = 0x249249249249ULL;  // bits 0, 3, ..., 45
  const uint64_t b = top & kFirstOfThree, g = (top >> 1) & kFirstOfThree, r = (top >> 2) & kFirstOfThree;
  if (ok != 0xFFFF || b != g || b != r) return false;
  const std::array<uint8_t, 4096>& third = EveryThirdBit();
  bits = (third[b & 0xFFF] << 12) | (third[(b >> 12) & 0xFFF] << 8) | (third[(b >> 24) & 0xFFF] << 4) |
         third[(b >> 36) & 0xFFF];
  return true;
}
#endif

// A black-and-white pf24Bit row as bits; false at the first pixel that is
// neither (0, 0, 0) nor (255, 255, 255).
bool PackRow24(const uint8_t* row, int W, Word* bits) {
  for (int x = 0; x < W; x += 64, row += 3 * 64) {
    Word& word = bits[x / 64];
#ifdef __SSE2__
    if (x + 64 <= W) {
      unsigned part[4];
      for (int k = 0; k < 4; ++k)
        if (!Pack16Pixels24(row + 48 * k, part[k])) return false;
      word = (Word{part[0]} << 48) | (Word{part[1]} << 32) | (Word{part[2]} << 16) | part[3];
      continue;
    }
#endif
    if (!PackPixels24(row, std::min(64, W - x), word)) return false;
  }
  return true;
}

// A pf1Bit row's bits, with its two colours mapped to black (0) or white (1).
void PackRow1(const uint8_t* row, int W, const bool whiteOf[2], Word* bits) {
  const size_t bytes = (static_cast<size_t>(W) + 7) / 8;
  const Word flip = whiteOf[1] ? 0 : kAllOnes;  // index 1 black: every bit turns over
  const bool same = whiteOf[0] == whiteOf[1];
  for (size_t w = 0, at = 0; at < bytes; ++w, at += 8) {
    Word acc = 0;
    for (size_t k = 0; k < 8; ++k) acc = (acc << 8) | (at + k < bytes ? row[at + k] : 0);
    bits[w] = same ? (whiteOf[0] ? kAllOnes : 0) : acc ^ flip;
  }
}

void WriteRow(const Word* pixels, int W, const bool whiteFrom[2], uint8_t* out) {
  const size_t words = WordsFor(W), rowBytes = (static_cast<size_t>(W) + 7) / 8;
  const Word keep = whiteFrom[1] ? kAllOnes : 0, flip = whiteFrom[0] ? kAllOnes : 0;
  for (size_t j = 0; j < words; ++j) {
    // White pixels give whiteFrom[1], black ones whiteFrom[0].
    Word bits = (pixels[j] & keep) | (~pixels[j] & flip);
    if (j + 1 == words && W % 64) bits &= kAllOnes << (64 - W % 64);
    for (size_t b = 0; b < 8 && 8 * j + b < rowBytes; ++b) out[8 * j + b] = static_cast<uint8_t>(bits >> (56 - 8 * b));
  }
}

}  // namespace

bool EncodeBilevelWbmpRows(const RasterImage& picture, uint8_t* bits) {
  if (!picture.HasImage()) return false;
  const PixelFormat format = picture.Format();
  bool whiteOf[2] = {false, false};
  if (format == PixelFormat::pf1Bit) {
    const ColorTable& colours = picture.Colors();
    if (colours.size() < 2) return false;
    for (int i = 0; i < 2; ++i) {
      const PaletteEntry& e = colours[static_cast<size_t>(i)];
      if (e == PaletteEntry{255, 255, 255})
        whiteOf[i] = true;
      else if (!(e == PaletteEntry{0, 0, 0}))
        return false;
    }
  } else if (format != PixelFormat::pf24Bit) {
    return false;
  }
  const bool whiteFrom[2] = {false, true};  // every pixel as it is

  const int W = picture.Width(), H = picture.Height();
  const size_t words = WordsFor(W), rowBytes = (static_cast<size_t>(W) + 7) / 8;
  // Each row is checked and written in one go; a refusal leaves the rows
  // written so far for the caller's general path to overwrite.
  std::atomic<bool> refused{false};
  ForEachRowBand(H, static_cast<long long>(W) * H, [&](int first, int end) {
    std::vector<Word> row(words);
    for (int y = first; y < end && !refused.load(std::memory_order_relaxed); ++y) {
      if (format == PixelFormat::pf1Bit) {
        PackRow1(picture.Row(y), W, whiteOf, row.data());
      } else if (!PackRow24(picture.Row(y), W, row.data())) {
        refused = true;
        return;
      }
      WriteRow(row.data(), W, whiteFrom, bits + rowBytes * static_cast<size_t>(y));
    }
  });
  return !refused;
}

}  // namespace tessalin
