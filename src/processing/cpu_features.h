#pragma once

namespace tessalin {

// Whether the processor runs AVX2, asked once. Vector code picks its path with
// this rather than with target_clones, which clang allows neither on templates
// nor around helpers that pass vectors.
inline bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

}  // namespace tessalin
