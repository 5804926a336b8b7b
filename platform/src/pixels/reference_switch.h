// The switch that sends every pixel operation through its plain reference
// kernel instead of the specialised one. It starts as the environment asks
// (KORVANE_REFERENCE_PIXELS=1) and is read once per operation, never per
// pixel.
#pragma once

namespace pixels {

bool ReferenceKernelsForced();
void ForceReferenceKernels(bool forced);

// What the environment asks for: KORVANE_REFERENCE_PIXELS set to anything
// but "" or "0".
bool ReferenceKernelsAskedByEnvironment();

}  // namespace pixels
