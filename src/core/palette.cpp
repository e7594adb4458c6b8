#include "core/palette.h"

#include <array>
#include <limits>

namespace tessalin {

ColorTable CreateBlackWhitePalette() {
  ColorTable table(2);
  for (int i = 0; i < 2; ++i) {
    const auto v = static_cast<uint8_t>(255 * i);
    table[i] = {v, v, v};
  }
  return table;
}

const ColorTable& StandardPalette16() {
  static const ColorTable table = {
      {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
      {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
      {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
      {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
  };
  return table;
}

namespace {

constexpr int kCubeLevels = 6;
constexpr int kCubeStep = 51;
constexpr int kExtraGreys = 40;

uint8_t ExtraGrey(int k) {  // k = 1 .. 40, none of them a cube level
  return static_cast<uint8_t>((k * 255 * 2 + 41) / (41 * 2));
}

ColorTable BuildHalftone() {
  ColorTable table;
  table.reserve(256);
  for (int r = 0; r < kCubeLevels; ++r)
    for (int g = 0; g < kCubeLevels; ++g)
      for (int b = 0; b < kCubeLevels; ++b)
        table.push_back({static_cast<uint8_t>(r * kCubeStep), static_cast<uint8_t>(g * kCubeStep),
                         static_cast<uint8_t>(b * kCubeStep)});
  for (int k = 1; k <= kExtraGreys; ++k) {
    const uint8_t v = ExtraGrey(k);
    table.push_back({v, v, v});
  }
  return table;
}

int64_t Distance(const PaletteEntry& e, int r, int g, int b) {
  const int dr = e.r - r, dg = e.g - g, db = e.b - b;
  return int64_t{dr} * dr + int64_t{dg} * dg + int64_t{db} * db;
}

// For a channel sum s, the grey entry minimising 3v^2 - 2vs (the part of the
// squared distance to grey v that depends on v), over every grey of the table.
struct GreyChoice {
  std::array<int16_t, 766> index{};
};

const GreyChoice& HalftoneGreyChoice() {
  static const GreyChoice choice = [] {
    GreyChoice c;
    const ColorTable& t = HalftonePalette256();
    for (int s = 0; s <= 765; ++s) {
      int64_t best = std::numeric_limits<int64_t>::max();
      for (int i = 0; i < static_cast<int>(t.size()); ++i) {
        if (t[i].r != t[i].g || t[i].g != t[i].b) continue;
        const int64_t v = t[i].r;
        const int64_t cost = 3 * v * v - 2 * v * s;
        if (cost < best) {
          best = cost;
          c.index[s] = static_cast<int16_t>(i);
        }
      }
    }
    return c;
  }();
  return choice;
}

}  // namespace

const ColorTable& HalftonePalette256() {
  static const ColorTable table = BuildHalftone();
  return table;
}

int NearestIndexBruteForce(const ColorTable& table, uint8_t r, uint8_t g, uint8_t b) {
  int best = 0;
  int64_t bestDistance = std::numeric_limits<int64_t>::max();
  for (int i = 0; i < static_cast<int>(table.size()); ++i) {
    const int64_t d = Distance(table[i], r, g, b);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

int NearestHalftoneIndex(uint8_t r, uint8_t g, uint8_t b) {
  // The cube is a product grid, so its nearest point is found channel by
  // channel; the nearest grey depends only on the channel sum. The overall
  // nearest is the better of the two (cube indices are lower on a tie).
  const int cr = (r + kCubeStep / 2) / kCubeStep;
  const int cg = (g + kCubeStep / 2) / kCubeStep;
  const int cb = (b + kCubeStep / 2) / kCubeStep;
  const int cube = cr * 36 + cg * 6 + cb;
  const ColorTable& t = HalftonePalette256();
  const int grey = HalftoneGreyChoice().index[r + g + b];
  const int64_t dCube = Distance(t[cube], r, g, b);
  const int64_t dGrey = Distance(t[grey], r, g, b);
  if (dGrey < dCube || (dGrey == dCube && grey < cube)) return grey;
  return cube;
}

namespace {

const ColorTable& BlackWhiteTable() {
  static const ColorTable table = CreateBlackWhitePalette();
  return table;
}

}  // namespace

// SetPixel builds a mapper per call, so recognising the table must be cheap.
NearestColorMapper::NearestColorMapper(const ColorTable& table)
    : table_(table),
      halftone_(table.size() == 256 && table == HalftonePalette256()),
      blackWhite_(table == BlackWhiteTable()) {}

int NearestColorMapper::operator()(uint8_t r, uint8_t g, uint8_t b) {
  if (blackWhite_) {
    // Squared distance to black against squared distance to white.
    const int toBlack = r * r + g * g + b * b;
    const int toWhite = (255 - r) * (255 - r) + (255 - g) * (255 - g) + (255 - b) * (255 - b);
    return toWhite < toBlack ? 1 : 0;
  }
  // Runs of one colour (white fills, flat areas) are common: remember the last.
  const uint32_t key = static_cast<uint32_t>(r) | (uint32_t{g} << 8) | (uint32_t{b} << 16);
  if (key != lastKey_) {
    lastKey_ = key;
    lastIndex_ = halftone_ ? NearestHalftoneIndex(r, g, b) : NearestIndexBruteForce(table_, r, g, b);
  }
  return lastIndex_;
}

}  // namespace tessalin
