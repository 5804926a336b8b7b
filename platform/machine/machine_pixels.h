// The machine interface of the pixel operations (fills, copies, keyed
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

// The widest vector instructions the specialised kernels may use, as on a
// processor that has no wider kinds; the results are the same at every
// limit. Default: kWidest, whatever the processor has.
enum class PixelVectors {
  kBaseline,  // SSE2, which every x86-64 processor has
  kAvx2,      // up to SSSE3 byte shuffles and AVX2's 32-byte vectors
  kWidest,    // also AVX-512's byte-masked stores, where the processor has them
};
void limit_pixel_vectors(PixelVectors widest);
PixelVectors pixel_vector_limit();

}  // namespace machine
