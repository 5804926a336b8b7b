// The pixel operations' machine interface: the reference-kernel switch and
// its reset to what the environment asks, and the limit on vector widths.
#include "base/reset.h"
#include "machine_pixels.h"
#include "pixels/processor_vectors.h"
#include "pixels/reference_switch.h"

namespace {

void ResetPixelKernels() {
  pixels::ForceReferenceKernels(pixels::ReferenceKernelsAskedByEnvironment());
  pixels::VectorLevelLimit().store(pixels::VectorLevel::kMasked, std::memory_order_relaxed);
}

platform::ResetHook gResetPixelKernels(ResetPixelKernels);

pixels::VectorLevel LevelOf(machine::PixelVectors widest) {
  switch (widest) {
    case machine::PixelVectors::kBaseline: return pixels::VectorLevel::kBaseline;
    case machine::PixelVectors::kAvx2: return pixels::VectorLevel::kWide;
    case machine::PixelVectors::kWidest: break;
  }
  return pixels::VectorLevel::kMasked;
}

}  // namespace

void machine::use_reference_pixel_kernels(bool reference) { pixels::ForceReferenceKernels(reference); }

bool machine::reference_pixel_kernels() { return pixels::ReferenceKernelsForced(); }

void machine::limit_pixel_vectors(PixelVectors widest) {
  pixels::VectorLevelLimit().store(LevelOf(widest), std::memory_order_relaxed);
}

machine::PixelVectors machine::pixel_vector_limit() {
  switch (pixels::VectorLevelLimit().load(std::memory_order_relaxed)) {
    case pixels::VectorLevel::kBaseline: return PixelVectors::kBaseline;
    case pixels::VectorLevel::kWide: return PixelVectors::kAvx2;
    case pixels::VectorLevel::kMasked: break;
  }
  return PixelVectors::kWidest;
}
