// Which vector instructions the machine running the kernels has, asked
// once, so that kernels compiled for wider vectors are picked at run time
// while the library itself still runs on any x86-64.
#pragma once

#include <atomic>

namespace pixels {

// The widest kind of vectors the kernels may use, narrowest first.
enum class VectorLevel : int {
  kBaseline = 0,  // SSE2, which every x86-64 processor has
  kWide = 1,      // byte shuffles (SSSE3) and 32-byte vectors (AVX2)
  kMasked = 2,    // stores of any bytes of a vector under a mask (AVX-512 BW and VL)
};

// Set through the machine interface: the kernels keep to vectors no wider
// than this, as on a processor without the wider kinds, so that the
// narrower forms run on any machine too. Default: the widest.
inline std::atomic<VectorLevel> &VectorLevelLimit() {
  static std::atomic<VectorLevel> limit{VectorLevel::kMasked};
  return limit;
}

inline bool VectorsAllowed(VectorLevel level) {
  return static_cast<int>(VectorLevelLimit().load(std::memory_order_relaxed)) >= static_cast<int>(level);
}

// Byte shuffles (SSSE3).
inline bool HasByteShuffles() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
  }();
  return has && VectorsAllowed(VectorLevel::kWide);
}

// 32-byte integer vectors (AVX2).
inline bool HasWideVectors() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has && VectorsAllowed(VectorLevel::kWide);
}

// Byte-masked loads and stores of 32-byte vectors (AVX-512 BW and VL, with
// BMI2 to make the masks), on top of AVX2. The processor's answer counts
// only where the system saves the mask registers, which the check includes.
inline bool HasMaskedVectors() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0 && __builtin_cpu_supports("avx512bw") != 0 &&
           __builtin_cpu_supports("avx512vl") != 0 && __builtin_cpu_supports("bmi2") != 0;
  }();
  return has && VectorsAllowed(VectorLevel::kMasked);
}

}  // namespace pixels
