// The pixel operations' control interface: the reference-kernel switch, and
// its reset to what the environment asks.
#include "control/reset.h"
#include "machine_pixels.h"
#include "pixels/reference_switch.h"

namespace {

void ResetPixelKernels() { pixels::ForceReferenceKernels(pixels::ReferenceKernelsAskedByEnvironment()); }

platform::ResetHook gResetPixelKernels(ResetPixelKernels);

}  // namespace

void machine::use_reference_pixel_kernels(bool reference) { pixels::ForceReferenceKernels(reference); }

bool machine::reference_pixel_kernels() { return pixels::ReferenceKernelsForced(); }
