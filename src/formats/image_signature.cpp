#include "formats/image_signature.h"

#include <algorithm>
#include <array>

namespace tessalin {

namespace {

uint32_t U16(std::span<const uint8_t> b, size_t at) { return b[at] | (b[at + 1] << 8); }
uint32_t U32(std::span<const uint8_t> b, size_t at) { return U16(b, at) | (U16(b, at + 2) << 16); }

bool StartsWith(std::span<const uint8_t> head, std::initializer_list<uint8_t> signature) {
  return head.size() >= signature.size() && std::equal(signature.begin(), signature.end(), head.begin());
}

// "BM" alone is two letters of text; the size of a known info header behind it makes it a bitmap.
bool IsBmp(std::span<const uint8_t> head) {
  if (!StartsWith(head, {'B', 'M'}) || head.size() < 18) return false;
  static constexpr std::array<uint32_t, 7> kInfoSizes = {12, 40, 52, 56, 64, 108, 124};
  return std::find(kInfoSizes.begin(), kInfoSizes.end(), U32(head, 14)) != kInfoSizes.end();
}

// P1 to P7 followed by white space.
std::string NetpbmExtension(std::span<const uint8_t> head) {
  if (head.size() < 3 || head[0] != 'P' || head[1] < '1' || head[1] > '7') return "";
  if (head[2] != ' ' && head[2] != '\t' && head[2] != '\n' && head[2] != '\r') return "";
  switch (head[1]) {
    case '1':
    case '4':
      return ".pbm";
    case '2':
    case '5':
      return ".pgm";
    case '3':
    case '6':
      return ".ppm";
    default:
      return ".pam";
  }
}

// Reserved 0, type 1 (icon) or 2 (cursor), at least one entry.
bool IsIcon(std::span<const uint8_t> head) {
  return head.size() >= 6 && U16(head, 0) == 0 && (U16(head, 2) == 1 || U16(head, 2) == 2) &&
         U16(head, 4) > 0;
}

// The header record (type 1) with " EMF" at byte 40.
bool IsEmf(std::span<const uint8_t> head) {
  return head.size() >= 44 && U32(head, 0) == 1 && U32(head, 40) == 0x464D4520u;
}

// The placeable key, or a plain header: memory or disk type, 9 header words, version 1 or 3.
bool IsWmf(std::span<const uint8_t> head) {
  if (head.size() >= 4 && U32(head, 0) == 0x9AC6CDD7u) return true;
  return head.size() >= 6 && (U16(head, 0) == 1 || U16(head, 0) == 2) && U16(head, 2) == 9 &&
         (U16(head, 4) == 0x0100 || U16(head, 4) == 0x0300);
}

// C source: "#define" after any white space and block comments.
bool IsXbm(std::span<const uint8_t> head) {
  size_t at = 0;
  while (at < head.size()) {
    if (head[at] == ' ' || head[at] == '\t' || head[at] == '\n' || head[at] == '\r') {
      ++at;
    } else if (at + 1 < head.size() && head[at] == '/' && head[at + 1] == '*') {
      at += 2;
      while (at + 1 < head.size() && !(head[at] == '*' && head[at + 1] == '/')) ++at;
      at += 2;
    } else {
      break;
    }
  }
  return at < head.size() && StartsWith(head.subspan(at), {'#', 'd', 'e', 'f', 'i', 'n', 'e'});
}

}  // namespace

std::string SniffImageExtension(std::span<const uint8_t> head) {
  if (StartsWith(head, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'})) return ".png";
  if (StartsWith(head, {0xFF, 0xD8, 0xFF})) return ".jpg";
  if (StartsWith(head, {'G', 'I', 'F', '8', '7', 'a'}) || StartsWith(head, {'G', 'I', 'F', '8', '9', 'a'}))
    return ".gif";
  if (IsBmp(head)) return ".bmp";
  if (IsEmf(head)) return ".emf";
  if (IsWmf(head)) return ".wmf";
  if (IsIcon(head)) return ".ico";
  if (IsXbm(head)) return ".xbm";
  return NetpbmExtension(head);
}

}  // namespace tessalin
