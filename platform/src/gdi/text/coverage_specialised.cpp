// The coverage painter text is drawn with, a row at a time. Most of a glyph's
// box is empty, so groups of coverage bytes that are all 0 are passed over
// with one test. On 0xRRGGBB targets (24 and 32 bits) the other groups are
// blended four pixels at a time in 16-bit lanes without a branch per pixel;
// other targets go through the edge blender's per-level cache pixel by pixel.
#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "gdi/text/coverage_painter.h"
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

#if defined(__SSE2__)

// The ink as the blend needs it: its three channels in 16-bit lanes (two
// pixels' worth, top channel 0) and its whole pixel value in each 32-bit lane.
struct InkLanes {
  __m128i channels;
  __m128i pixel;
};

InkLanes InkLanesOf(uint32_t ink, uint32_t inkRgb) {
  const __m128i rgb = _mm_set1_epi32(static_cast<int>(inkRgb & 0xFFFFFF));
  return InkLanes{_mm_unpacklo_epi8(rgb, _mm_setzero_si128()), _mm_set1_epi32(static_cast<int>(ink))};
}

// (ink * c + under * (255 - c) + 127) / 255 in 16-bit lanes without a
// division: for t = ink * c + under * (255 - c), at most 255 * 255, and
// u = t + 128, (u + (u >> 8)) >> 8 equals (t + 127) / 255, and no sum
// passes 65407, so nothing overflows a lane.
[[gnu::always_inline]] inline __m128i BlendLanes(__m128i ink, __m128i under, __m128i coverage) {
  const __m128i rest = _mm_sub_epi16(_mm_set1_epi16(255), coverage);
  __m128i sum = _mm_add_epi16(_mm_mullo_epi16(ink, coverage), _mm_mullo_epi16(under, rest));
  sum = _mm_add_epi16(sum, _mm_set1_epi16(128));
  return _mm_srli_epi16(_mm_add_epi16(sum, _mm_srli_epi16(sum, 8)), 8);
}

// Four pixels, 0xRRGGBB in the low bytes of each 32-bit lane, under four
// coverage bytes (the first in the lowest byte of `levels`). What each pixel
// becomes is what the reference writes: the ink's pixel value whole for 255,
// the pixel untouched for 0, and between them the blend with a top byte of 0.
[[gnu::always_inline]] inline __m128i BlendFour(__m128i under, uint32_t levels, const InkLanes &ink) {
  const __m128i zero = _mm_setzero_si128();
  __m128i coverage = _mm_cvtsi32_si128(static_cast<int>(levels));
  coverage = _mm_unpacklo_epi8(coverage, coverage);
  coverage = _mm_unpacklo_epi16(coverage, coverage);  // each level in all four bytes of its pixel
  const __m128i low = BlendLanes(ink.channels, _mm_unpacklo_epi8(under, zero), _mm_unpacklo_epi8(coverage, zero));
  const __m128i high = BlendLanes(ink.channels, _mm_unpackhi_epi8(under, zero), _mm_unpackhi_epi8(coverage, zero));
  __m128i result = _mm_and_si128(_mm_packus_epi16(low, high), _mm_set1_epi32(0x00FFFFFF));
  const __m128i inked = _mm_cmpeq_epi32(coverage, _mm_set1_epi32(-1));
  const __m128i bare = _mm_cmpeq_epi32(coverage, zero);
  result = _mm_or_si128(_mm_and_si128(inked, ink.pixel), _mm_andnot_si128(inked, result));
  return _mm_or_si128(_mm_and_si128(bare, under), _mm_andnot_si128(bare, result));
}

uint32_t LoadWord(const uint8_t *at) {
  uint32_t word;
  memcpy(&word, at, sizeof word);
  return word;
}

void StoreWord(uint8_t *at, uint32_t word) { memcpy(at, &word, sizeof word); }

// One to four 32-bit pixels at `at` into lanes, and back. A group shorter
// than four is read and written with narrower moves, so that nothing beyond
// its last pixel is touched.
__m128i LoadPixels(const uint8_t *at, int count) {
  if (count == 4) return _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
  if (count == 1) return _mm_cvtsi32_si128(static_cast<int>(LoadWord(at)));
  const __m128i pair = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(at));
  if (count == 2) return pair;
  return _mm_unpacklo_epi64(pair, _mm_cvtsi32_si128(static_cast<int>(LoadWord(at + 8))));
}

void StorePixels(uint8_t *at, int count, __m128i lanes) {
  if (count == 4) {
    _mm_storeu_si128(reinterpret_cast<__m128i *>(at), lanes);
  } else if (count == 1) {
    StoreWord(at, static_cast<uint32_t>(_mm_cvtsi128_si32(lanes)));
  } else {
    _mm_storel_epi64(reinterpret_cast<__m128i *>(at), lanes);
    if (count == 3) StoreWord(at + 8, static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(lanes, 8))));
  }
}

// One to four pixels at `at`: 32-bit pixels moved as whole lanes, 24-bit
// ones gathered into lanes and put back one by one (an untouched pixel is
// put back as it was read).
template <typename P>
[[gnu::always_inline]] inline void BlendGroup(uint8_t *at, uint32_t levels, int count, const InkLanes &ink) {
  if constexpr (P::kBytes == 4) {
    StorePixels(at, count, BlendFour(LoadPixels(at, count), levels, ink));
  } else {
    alignas(16) uint32_t lanes[4] = {};
    for (int i = 0; i < count; ++i) lanes[i] = P::Load(at + i * P::kBytes);
    _mm_store_si128(reinterpret_cast<__m128i *>(lanes),
                    BlendFour(_mm_load_si128(reinterpret_cast<const __m128i *>(lanes)), levels, ink));
    for (int i = 0; i < count; ++i) P::Store(at + i * P::kBytes, lanes[i]);
  }
}

// A row in groups of four pixels, then the last one to three.
template <typename P>
void BlendRow(uint8_t *at, const uint8_t *coverage, int width, const InkLanes &ink) {
  constexpr int kGroup = 4;
  int column = 0;
  for (; column + kGroup <= width; column += kGroup) {
    const uint32_t levels = LoadWord(coverage + column);
    if (levels != 0) BlendGroup<P>(at + static_cast<ptrdiff_t>(column) * P::kBytes, levels, kGroup, ink);
  }
  if (column < width) {
    uint32_t levels = 0;
    for (int i = column; i < width; ++i) levels |= static_cast<uint32_t>(coverage[i]) << (8 * (i - column));
    if (levels != 0) BlendGroup<P>(at + static_cast<ptrdiff_t>(column) * P::kBytes, levels, width - column, ink);
  }
}

template <typename P>
void PaintRgb(const CoverageArea &glyph, uint32_t ink, uint32_t inkRgb) {
  const InkLanes lanes = InkLanesOf(ink, inkRgb);
  for (int row = 0; row < glyph.area.height; ++row)
    BlendRow<P>(RowOf(glyph.area, row), CoverageRowOf(glyph, row), glyph.area.width, lanes);
}

#endif  // __SSE2__

}  // namespace

void PaintCoverage(const CoverageArea &glyph, uint32_t ink, EdgeBlender &blender) {
  if (glyph.area.width <= 0 || glyph.area.height <= 0) return;
  pixels::WithPixelSize(glyph.area.bytes, [&](auto pixel) {
    using P = decltype(pixel);
#if defined(__SSE2__)
    if constexpr (P::kBytes >= 3) {
      if (blender.rgbPixels()) {
        PaintRgb<P>(glyph, ink, blender.inkRgb());
        return;
      }
    }
#endif
    PaintThroughBlender<P>(glyph, ink, blender);
  });
}

}  // namespace text::specialised
