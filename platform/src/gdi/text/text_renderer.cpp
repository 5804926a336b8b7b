// The text renderer: every drawing step (background box, glyph masks, lines)
// is first clipped to the target block in 64-bit coordinates, so neither
// extreme positions nor long strings can reach memory outside it.
#include "gdi/text/text_renderer.h"

#include <algorithm>

#include "gdi/text/coverage_painter.h"
#include "pixels/reference_switch.h"

namespace text {

namespace {

// A rectangle of the target, clipped: [x0, x1) x [y0, y1).
struct Clip {
  int x0, y0, x1, y1;
  bool empty() const { return x0 >= x1 || y0 >= y1; }
};

// One axis of a clip: [start, start + length) within [0, limit). Every bound
// is clamped in 64 bits before it is narrowed, so a position beyond the
// 32-bit range becomes an empty span rather than a wrapped-around one.
void ClipSpan(int64_t start, int64_t length, int limit, int *from, int *to) {
  const int64_t end = start + std::max<int64_t>(length, 0);
  *from = static_cast<int>(std::clamp<int64_t>(start, 0, limit));
  *to = static_cast<int>(std::clamp<int64_t>(end, 0, limit));
}

Clip ClipTo(const pixels::Block &target, int64_t x, int64_t y, int64_t width, int64_t height) {
  Clip clip;
  ClipSpan(x, width, std::max(target.width, 0), &clip.x0, &clip.x1);
  ClipSpan(y, height, std::max(target.height, 0), &clip.y0, &clip.y1);
  return clip;
}

uint8_t *PixelAt(const pixels::Block &target, int x, int y) {
  return target.bits + static_cast<ptrdiff_t>(y) * target.pitch + static_cast<ptrdiff_t>(x) * target.bytes;
}

void FillBox(const pixels::Block &target, int64_t x, int64_t y, int64_t width, int64_t height, uint32_t value) {
  const Clip clip = ClipTo(target, x, y, width, height);
  if (clip.empty()) return;
  pixels::Fill(pixels::Block{PixelAt(target, clip.x0, clip.y0), target.pitch, clip.x1 - clip.x0, clip.y1 - clip.y0,
                             target.bytes},
               value);
}

// The glyph's coverage over the part of the target it lies on, painted by
// the kernel chosen for the whole line.
void DrawMask(const pixels::Block &target, const GlyphMask &mask, int64_t x, int64_t y, uint32_t ink, bool smooth,
              EdgeBlender &blender, bool reference) {
  const Clip clip = ClipTo(target, x, y, mask.width, mask.height);
  if (clip.empty()) return;
  const CoverageArea glyph{
      pixels::Block{PixelAt(target, clip.x0, clip.y0), target.pitch, clip.x1 - clip.x0, clip.y1 - clip.y0,
                    target.bytes},
      mask.coverage.data() + static_cast<size_t>(clip.y0 - y) * mask.width + (clip.x0 - x), mask.width, !smooth};
  (reference ? reference::PaintCoverage : specialised::PaintCoverage)(glyph, ink, blender);
}

}  // namespace

TextBox PlaceText(Font &font, int x, int y, UINT align, const char *text, int count) {
  const FontMetrics &metrics = font.metrics();
  TextBox box;
  box.width = TextWidth(font, text, count);
  box.height = metrics.height();
  switch (align & TA_CENTER) {
    case TA_CENTER: box.left = x - box.width / 2; break;
    case TA_RIGHT: box.left = x - box.width; break;
    default: box.left = x; break;
  }
  switch (align & TA_BASELINE) {
    case TA_BASELINE: box.top = static_cast<int64_t>(y) - metrics.ascent; break;
    case TA_BOTTOM: box.top = static_cast<int64_t>(y) - box.height; break;
    default: box.top = y; break;
  }
  box.baseline = box.top + metrics.ascent;
  return box;
}

void DrawText(const pixels::Block &target, const pixels::Format &format, Font &font, int x, int y, UINT align,
              const char *text, int count, const TextPaint &paint) {
  if (target.bits == nullptr || text == nullptr || count <= 0) return;
  const TextBox box = PlaceText(font, x, y, align, text, count);
  if (paint.opaque) FillBox(target, box.left, box.top, box.width, box.height, paint.paper);

  const bool smooth = font.antialiased() && format.bits >= 16;
  EdgeBlender blender(format, paint.inkRgb);
  const bool reference = pixels::ReferenceKernelsForced();
  // Glyphs are laid a chunk at a time, under one taking of the font's lock.
  constexpr int kChunk = 64;
  const GlyphMask *masks[kChunk];
  int advances[kChunk];
  int64_t pen = box.left;
  const int64_t end = target.width + font.metrics().height();
  for (int done = 0; done < count && pen < end; done += kChunk) {
    const int chunk = std::min(kChunk, count - done);
    font.Lay(text + done, chunk, smooth, advances, masks);
    for (int i = 0; i < chunk && pen < end; ++i) {
      DrawMask(target, *masks[i], pen + masks[i]->left, box.baseline - masks[i]->top, paint.ink, smooth, blender,
               reference);
      pen += advances[i];
    }
  }

  const FontMetrics &metrics = font.metrics();
  if (font.underline())
    FillBox(target, box.left, box.baseline + metrics.underlinePosition, box.width, metrics.lineThickness, paint.ink);
  if (font.strikeout())
    FillBox(target, box.left, box.baseline - metrics.strikeoutPosition, box.width, metrics.lineThickness, paint.ink);
}

}  // namespace text
