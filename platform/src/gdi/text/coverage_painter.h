// Painting a glyph's coverage onto pixels: coverage 0 leaves a pixel as it
// is, 255 writes the ink's pixel value, and levels between blend the ink
// over the pixel. Two forms give the same bytes: a plain per-pixel reference
// and the specialised row kernel text is drawn with.
#pragma once

#include <cstdint>

#include "gdi/text/edge_blender.h"
#include "pixels/pixel_kernels.h"

namespace text {

// A glyph already clipped to its target: `area` is the part of the target it
// covers and `coverage` the coverage byte of the area's first pixel, with
// coverage rows `coveragePitch` bytes apart. `monochrome` says the glyph was
// rasterised without grey levels, so its coverage is almost all 0 or 255:
// a hint for the choice of kernel, which paints any level correctly.
struct CoverageArea {
  pixels::Block area;
  const uint8_t *coverage;
  int coveragePitch;
  bool monochrome = false;
};

namespace reference {
void PaintCoverage(const CoverageArea &glyph, uint32_t ink, EdgeBlender &blender);
}  // namespace reference

namespace specialised {
void PaintCoverage(const CoverageArea &glyph, uint32_t ink, EdgeBlender &blender);
}  // namespace specialised

}  // namespace text
