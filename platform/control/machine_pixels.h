// The control interface of the pixel operations (fills, copies, keyed
// copies, stretches, mirrors and format conversions of every surface and
// device context). machine::reset() restores the default below.
#pragma once

#include "machine_api.h"

namespace machine MACHINE_API {

// Runs every pixel operation through its plain per-pixel reference kernel
// instead of the specialised one (same results, slower). Default: off, or
// on when the environment variable KORVANE_REFERENCE_PIXELS is 1.
void use_reference_pixel_kernels(bool reference);
bool reference_pixel_kernels();

}  // namespace machine
