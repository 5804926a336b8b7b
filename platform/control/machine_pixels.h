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

// Keeps the specialised kernels to the vector instructions every x86-64
// processor has (SSE2), as on a processor without SSSE3 or AVX2; the
// results are the same. Default: off, the widest vectors the processor has.
void use_baseline_pixel_vectors(bool baseline);
bool baseline_pixel_vectors();

}  // namespace machine
