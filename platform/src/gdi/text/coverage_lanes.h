// What the vector coverage kernels share: the blend of 8-bit channels in
// 16-bit lanes with exactly the reference's rounding, 32- and 64-bit moves
// of unaligned bytes, and the kernels' entry points.
#pragma once

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "gdi/text/coverage_painter.h"

namespace text::specialised {

// (ink * c + under * (255 - c) + 127) / 255 in 16-bit lanes of 8-bit
// channels, without a division: for t = ink * c + under * (255 - c), at
// most 255 * 255, and u = t + 128, (u + (u >> 8)) >> 8 equals
// (t + 127) / 255, and no sum passes 65407, so nothing overflows a lane.
[[gnu::always_inline]] inline __m128i BlendLanes(__m128i ink, __m128i under, __m128i coverage) {
  const __m128i rest = _mm_sub_epi16(_mm_set1_epi16(255), coverage);
  __m128i sum = _mm_add_epi16(_mm_mullo_epi16(ink, coverage), _mm_mullo_epi16(under, rest));
  sum = _mm_add_epi16(sum, _mm_set1_epi16(128));
  return _mm_srli_epi16(_mm_add_epi16(sum, _mm_srli_epi16(sum, 8)), 8);
}

// Picks `inked` where the mask is set and `otherwise` elsewhere.
[[gnu::always_inline]] inline __m128i Select(__m128i mask, __m128i inked, __m128i otherwise) {
  return _mm_or_si128(_mm_and_si128(mask, inked), _mm_andnot_si128(mask, otherwise));
}

inline uint32_t LoadWord(const uint8_t *at) {
  uint32_t word;
  memcpy(&word, at, sizeof word);
  return word;
}

inline void StoreWord(uint8_t *at, uint32_t word) { memcpy(at, &word, sizeof word); }

inline uint64_t LoadLong(const uint8_t *at) {
  uint64_t word;
  memcpy(&word, at, sizeof word);
  return word;
}

inline void StoreLong(uint8_t *at, uint64_t word) { memcpy(at, &word, sizeof word); }


// Paints on 24- and 32-bit targets whose pixels are 0xRRGGBB.
void PaintTrueColour(const CoverageArea &glyph, uint32_t ink, uint32_t inkRgb);

// Paints on 16-bit targets with 5-6-5 or 5-5-5 channels from the top bit
// down (any alpha bits beside them); false, with nothing painted, for other
// formats.
bool PaintHighColour(const CoverageArea &glyph, uint32_t ink, uint32_t inkRgb, const pixels::Format &format);

}  // namespace text::specialised
