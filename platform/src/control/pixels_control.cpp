// The pixel operations' control interface: the reference-kernel switch and
// its reset to what the environment asks, and the baseline-vector switch.
#include "control/reset.h"
#include "machine_pixels.h"
#include "pixels/machine_vectors.h"
#include "pixels/reference_switch.h"

namespace {

void ResetPixelKernels() {
  pixels::ForceReferenceKernels(pixels::ReferenceKernelsAskedByEnvironment());
  pixels::BaselineVectorsOnly().store(false, std::memory_order_relaxed);
}

platform::ResetHook gResetPixelKernels(ResetPixelKernels);

}  // namespace

void machine::use_reference_pixel_kernels(bool reference) { pixels::ForceReferenceKernels(reference); }

bool machine::reference_pixel_kernels() { return pixels::ReferenceKernelsForced(); }

void machine::use_baseline_pixel_vectors(bool baseline) {
  pixels::BaselineVectorsOnly().store(baseline, std::memory_order_relaxed);
}

bool machine::baseline_pixel_vectors() { return pixels::BaselineVectorsOnly().load(std::memory_order_relaxed); }
