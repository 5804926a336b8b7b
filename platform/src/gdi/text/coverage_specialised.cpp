// The coverage painter text is drawn with: glyphs on 0xRRGGBB targets (24 and
// 32 bits), and smooth ones on 5-6-5 or 5-5-5 targets, go to the vector
// kernels; the rest are painted a pixel at a time (blended edges through the
// edge blender's per-level cache), with groups of eight coverage bytes that
// are all 0 passed over with one test.
#include <algorithm>
#include <cstring>

#include "gdi/text/coverage_painter.h"
#if defined(__SSE2__)
#include "gdi/text/coverage_lanes.h"
#endif
#include "pixels/pixel_access.h"

namespace text::specialised {

namespace {

uint8_t *RowOf(const pixels::Block &area, int row) { return area.bits + static_cast<ptrdiff_t>(row) * area.pitch; }

const uint8_t *CoverageRowOf(const CoverageArea &glyph, int row) {
  return glyph.coverage + static_cast<ptrdiff_t>(row) * glyph.coveragePitch;
}

// One row through the edge blender, eight coverage bytes checked at once
// for a group with nothing to draw.
template <typename P>
void PaintRowThroughBlender(uint8_t *at, const uint8_t *coverage, int width, uint32_t ink, EdgeBlender &blender) {
  constexpr int kGroup = 8;
  int column = 0;
  while (column < width) {
    if (column + kGroup <= width) {
      uint64_t group;
      memcpy(&group, coverage + column, sizeof group);
      if (group == 0) {
        column += kGroup;
        continue;
      }
    }
    for (const int end = std::min(column + kGroup, width); column < end; ++column) {
      const uint8_t level = coverage[column];
      if (level == 0) continue;
      uint8_t *pixel = at + static_cast<ptrdiff_t>(column) * P::kBytes;
      P::Store(pixel, level == 255 ? ink : blender.Over(P::Load(pixel), level));
    }
  }
}

template <typename P>
void PaintThroughBlender(const CoverageArea &glyph, uint32_t ink, EdgeBlender &blender) {
  for (int row = 0; row < glyph.area.height; ++row)
    PaintRowThroughBlender<P>(RowOf(glyph.area, row), CoverageRowOf(glyph, row), glyph.area.width, ink, blender);
}


}  // namespace

void PaintCoverage(const CoverageArea &glyph, uint32_t ink, EdgeBlender &blender) {
  if (glyph.area.width <= 0 || glyph.area.height <= 0) return;
  pixels::WithPixelSize(glyph.area.bytes, [&](auto pixel) {
    using P = decltype(pixel);
#if defined(__SSE2__)
    if constexpr (P::kBytes >= 3) {
      if (blender.rgbPixels()) {
        PaintTrueColour(glyph, ink, blender.inkRgb());
        return;
      }
    }
    // Monochrome glyphs on 16 bits: a store of the ink per covered pixel is
    // cheaper than blending whole groups.
    if constexpr (P::kBytes == 2) {
      if (!glyph.monochrome && PaintHighColour(glyph, ink, blender.inkRgb(), blender.format())) return;
    }
#endif
    PaintThroughBlender<P>(glyph, ink, blender);
  });
}

}  // namespace text::specialised
