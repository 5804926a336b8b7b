// The reference coverage painter: one pixel at a time, each coverage level
// taken as it comes. It states what painting a glyph means; the specialised
// kernel must give the same bytes.
#include "gdi/text/coverage_painter.h"

#include "pixels/pixel_access.h"

namespace text::reference {

void PaintCoverage(const CoverageArea &glyph, uint32_t ink, EdgeBlender &blender) {
  const pixels::Block &area = glyph.area;
  pixels::WithPixelSize(area.bytes, [&](auto pixel) {
    using P = decltype(pixel);
    for (int row = 0; row < area.height; ++row) {
      const uint8_t *coverage = glyph.coverage + static_cast<ptrdiff_t>(row) * glyph.coveragePitch;
      uint8_t *at = area.bits + static_cast<ptrdiff_t>(row) * area.pitch;
      for (int column = 0; column < area.width; ++column, ++coverage, at += P::kBytes) {
        if (*coverage == 0) continue;
        P::Store(at, *coverage == 255 ? ink : blender.Over(P::Load(at), *coverage));
      }
    }
  });
}

}  // namespace text::reference
