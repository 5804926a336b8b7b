// Which vector instructions the machine running the kernels has, asked
// once, so that kernels compiled for wider vectors are picked at run time
// while the library itself still runs on any x86-64.
#pragma once

#include <atomic>

namespace pixels {

// Set through the control interface: the kernels keep to the vectors every
// x86-64 processor has (SSE2), as on one without the wider kinds, so that
// those forms run on any machine too.
inline std::atomic<bool> &BaselineVectorsOnly() {
  static std::atomic<bool> only{false};
  return only;
}

// Byte shuffles (SSSE3).
inline bool HasByteShuffles() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
  }();
  return has && !BaselineVectorsOnly().load(std::memory_order_relaxed);
}

// 32-byte integer vectors (AVX2).
inline bool HasWideVectors() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has && !BaselineVectorsOnly().load(std::memory_order_relaxed);
}

}  // namespace pixels
