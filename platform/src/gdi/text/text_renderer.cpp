// The text renderer: every drawing step (background box, glyph masks, lines)
// is first clipped to the target block in 64-bit coordinates, so neither
// extreme positions nor long strings can reach memory outside it.
#include "gdi/text/text_renderer.h"

#include <algorithm>

#include "pixels/pixel_access.h"

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

uint32_t Blend(uint32_t ink, uint32_t paper, int coverage) {
  uint32_t mixed = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t a = (ink >> shift) & 0xFF, b = (paper >> shift) & 0xFF;
    mixed |= ((a * coverage + b * (255 - coverage) + 127) / 255) << shift;
  }
  return mixed;
}

// Blended edge pixels, remembered per coverage level for the pixel value
// under them: text mostly lies on plain backgrounds, so the conversions to
// and from 0xRRGGBB run once per level instead of once per pixel. A new
// value underneath invalidates every level at once by moving the stamp.
class EdgeBlender {
 public:
  EdgeBlender(const pixels::Format &format, uint32_t inkRgb)
      : format_(format),
        inkRgb_(inkRgb),
        rgbPixels_(format.red == 0xFF0000 && format.green == 0x00FF00 && format.blue == 0x0000FF) {}

  uint32_t Over(uint32_t under, int coverage) {
    // 24- and 32-bit pixels are 0xRRGGBB already: blended directly.
    if (rgbPixels_) return Blend(inkRgb_, under & 0xFFFFFF, coverage);
    if (under != under_ || stamp_ == 0) {
      under_ = under;
      ++stamp_;
    }
    if (stampOf_[coverage] != stamp_) {
      const uint32_t rgb = Blend(inkRgb_, pixels::ToRgb(format_, under, nullptr), coverage);
      resultOf_[coverage] = pixels::FromRgb(format_, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
      stampOf_[coverage] = stamp_;
    }
    return resultOf_[coverage];
  }

 private:
  pixels::Format format_;
  uint32_t inkRgb_;
  bool rgbPixels_;
  uint32_t under_ = 0;
  uint32_t stamp_ = 0;
  uint32_t stampOf_[256] = {};
  uint32_t resultOf_[256] = {};
};

// Pixels are read and written inline for the target's pixel size, not
// through a call per pixel.
void DrawMask(const pixels::Block &target, EdgeBlender &blender, const GlyphMask &mask, int64_t x, int64_t y,
              uint32_t ink) {
  const Clip clip = ClipTo(target, x, y, mask.width, mask.height);
  pixels::WithPixelSize(target.bytes, [&](auto pixel) {
    using P = decltype(pixel);
    for (int row = clip.y0; row < clip.y1; ++row) {
      const uint8_t *coverage = mask.coverage.data() + static_cast<size_t>(row - y) * mask.width + (clip.x0 - x);
      uint8_t *at = PixelAt(target, clip.x0, row);
      for (int column = clip.x0; column < clip.x1; ++column, ++coverage, at += P::kBytes) {
        if (*coverage == 0) continue;
        P::Store(at, *coverage == 255 ? ink : blender.Over(P::Load(at), *coverage));
      }
    }
  });
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
      DrawMask(target, blender, *masks[i], pen + masks[i]->left, box.baseline - masks[i]->top, paint.ink);
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
