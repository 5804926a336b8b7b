// The runs of a row's pixels outside a colour key. Rows of 1, 2 and 4 bytes
// per pixel are compared with the key sixteen pixels at a time in vector
// lanes, the results packed to one bit per pixel, and the runs read from the
// bits' transitions, so that long runs and long transparent stretches cost
// one test per sixteen pixels instead of a branch per pixel.
#pragma once

#include <cstdint>

#include "pixels/pixel_kernels.h"

namespace pixels {

// Pixels [begin, end) of a row.
struct PixelRun {
  int begin;
  int end;
};

// Some runs of a row, one after another.
struct RunList {
  const PixelRun *runs;
  int count;
};

// The most runs a row of `width` pixels can hold: opaque and keyed pixels
// alternating.
inline int MostOpaqueRuns(int width) { return width / 2 + 1; }

// Writes the runs of the row's `width` pixels of `bytes` bytes (1 to 4)
// whose values lie outside [key.low, key.high] to `runs`, left to right,
// and returns how many; `runs` holds MostOpaqueRuns(width) of them.
int FindOpaqueRuns(const uint8_t *row, int width, int bytes, ColorKey key, PixelRun *runs);

}  // namespace pixels
