// Recognising a picture by its first bytes, for a stream that has no file
// name (standard input). The answer is an extension, so that loading still
// goes through LoadImageFile's choice by extension.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tessalin {

// How many first bytes SniffImageExtension looks at; fewer are fine for a short stream.
inline constexpr size_t kSignatureBytes = 64;

// ".bmp", ".jpg", ".gif", ".png", ".pbm", ".pgm", ".ppm", ".pam", ".ico", ".emf"
// or ".wmf" for the format whose signature `head` starts with; "" when none
// matches. WBMP and raw files have no signature to tell them by.
std::string SniffImageExtension(std::span<const uint8_t> head);

}  // namespace tessalin
