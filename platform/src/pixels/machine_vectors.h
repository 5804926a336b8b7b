// Which vector instructions the machine running the kernels has, asked
// once, so that kernels compiled for wider vectors are picked at run time
// while the library itself still runs on any x86-64.
#pragma once

namespace pixels {

// Byte shuffles (SSSE3).
inline bool HasByteShuffles() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
  }();
  return has;
}

// 32-byte integer vectors (AVX2).
inline bool HasWideVectors() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
}

}  // namespace pixels
