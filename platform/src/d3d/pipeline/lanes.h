// Four pixels in one vector register, through the compiler's vector types:
// the pixel stage's short loops run over whole groups of four, so that a
// span of a few pixels costs a few vector operations and no scalar tail
// whose narrow stores stall the wide loads after them.
#pragma once

#include <cstdint>
#include <cstring>

#include "d3d/pipeline/pipeline_internal.h"

namespace raster {

using FloatLanes = float __attribute__((vector_size(16)));
using IntLanes = int32_t __attribute__((vector_size(16)));
using WordLanes = uint32_t __attribute__((vector_size(16)));
using ByteLanes = uint8_t __attribute__((vector_size(4)));
constexpr int kLanes = 4;

// Per-pixel arrays hold kChunk entries, so a count rounded up to whole
// groups stays inside them; the lanes past the count are never used.
static_assert(kChunk % kLanes == 0, "chunks hold whole groups of four pixels");
inline int WholeGroups(int count) { return (count + kLanes - 1) & ~(kLanes - 1); }

template <typename V, typename T>
inline V LoadLanes(const T *at) {
  V v;
  std::memcpy(&v, at, sizeof v);
  return v;
}
template <typename V, typename T>
inline void StoreLanes(T *at, V v) {
  std::memcpy(at, &v, sizeof v);
}

// The pixel positions first, first + 1, … as floats.
inline FloatLanes Ramp(int first) {
  return __builtin_convertvector((IntLanes{first, first + 1, first + 2, first + 3}), FloatLanes);
}

// Clamps to lo … hi as the scalar `v > lo ? (v < hi ? v : hi) : lo` does:
// NaN gives lo.
inline FloatLanes ClampLanes(FloatLanes v, float lo, float hi) {
  const FloatLanes low = FloatLanes{} + lo, high = FloatLanes{} + hi;
  return v > low ? (v < high ? v : high) : low;
}

}  // namespace raster
