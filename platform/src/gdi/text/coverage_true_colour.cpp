// The coverage kernel for 24- and 32-bit 0xRRGGBB targets: a row in groups
// of four pixels, groups with no coverage passed over with one test, the
// others blended in 16-bit lanes with no branch per pixel.
#if defined(__SSE2__)

#include "gdi/text/coverage_lanes.h"
#include "pixels/pixel_access.h"

namespace text::specialised {

namespace {

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
  const __m128i blended = _mm_and_si128(_mm_packus_epi16(low, high), _mm_set1_epi32(0x00FFFFFF));
  const __m128i inked = _mm_cmpeq_epi32(coverage, _mm_set1_epi32(-1));
  const __m128i bare = _mm_cmpeq_epi32(coverage, zero);
  return Select(bare, under, Select(inked, ink.pixel, blended));
}

// One to four pixels at `at` into 32-bit lanes, and back. Nothing beyond the
// last pixel is touched: four 24-bit pixels are moved as twelve bytes, and a
// shorter group with narrower moves (32-bit) or pixel by pixel (24-bit).
template <typename P>
__m128i LoadPixels(const uint8_t *at, int count) {
  if constexpr (P::kBytes == 4) {
    if (count == 4) return _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
    if (count == 1) return _mm_cvtsi32_si128(static_cast<int>(LoadWord(at)));
    const __m128i pair = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(at));
    if (count == 2) return pair;
    return _mm_unpacklo_epi64(pair, _mm_cvtsi32_si128(static_cast<int>(LoadWord(at + 8))));
  } else {
    if (count == 4) {
      // Twelve bytes, split into four three-byte pixels.
      const uint64_t low = LoadLong(at);
      const uint32_t high = LoadWord(at + 8);
      return _mm_setr_epi32(static_cast<int>(low & 0xFFFFFF), static_cast<int>((low >> 24) & 0xFFFFFF),
                            static_cast<int>(((low >> 48) | (static_cast<uint64_t>(high) << 16)) & 0xFFFFFF),
                            static_cast<int>(high >> 8));
    }
    uint32_t lanes[4] = {};
    for (int i = 0; i < count; ++i) lanes[i] = P::Load(at + i * P::kBytes);
    return _mm_setr_epi32(static_cast<int>(lanes[0]), static_cast<int>(lanes[1]), static_cast<int>(lanes[2]),
                          static_cast<int>(lanes[3]));
  }
}

template <typename P>
void StorePixels(uint8_t *at, int count, __m128i lanes) {
  if constexpr (P::kBytes == 4) {
    if (count == 4) {
      _mm_storeu_si128(reinterpret_cast<__m128i *>(at), lanes);
    } else if (count == 1) {
      StoreWord(at, static_cast<uint32_t>(_mm_cvtsi128_si32(lanes)));
    } else {
      _mm_storel_epi64(reinterpret_cast<__m128i *>(at), lanes);
      if (count == 3) StoreWord(at + 8, static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(lanes, 8))));
    }
  } else if (count == 4) {
    alignas(16) uint32_t pixels[4];
    _mm_store_si128(reinterpret_cast<__m128i *>(pixels), _mm_and_si128(lanes, _mm_set1_epi32(0x00FFFFFF)));
    StoreLong(at, pixels[0] | (static_cast<uint64_t>(pixels[1]) << 24) | (static_cast<uint64_t>(pixels[2]) << 48));
    StoreWord(at + 8, (pixels[2] >> 16) | (pixels[3] << 8));
  } else {
    for (int i = 0; i < count; ++i, lanes = _mm_srli_si128(lanes, 4))
      P::Store(at + i * P::kBytes, static_cast<uint32_t>(_mm_cvtsi128_si32(lanes)));
  }
}

// A group of a monochrome glyph: when every level is 0 or 255, as it
// almost always is, the pixels take the ink or stay without any blending.
template <typename P, bool kMonochrome>
[[gnu::always_inline]] inline void BlendGroup(uint8_t *at, uint32_t levels, int count, const InkLanes &ink) {
  const __m128i under = LoadPixels<P>(at, count);
  if constexpr (kMonochrome) {
    __m128i coverage = _mm_cvtsi32_si128(static_cast<int>(levels));
    coverage = _mm_unpacklo_epi8(coverage, coverage);
    coverage = _mm_unpacklo_epi16(coverage, coverage);
    const __m128i inked = _mm_cmpeq_epi32(coverage, _mm_set1_epi32(-1));
    const __m128i bare = _mm_cmpeq_epi32(coverage, _mm_setzero_si128());
    if (_mm_movemask_epi8(_mm_or_si128(inked, bare)) == 0xFFFF) {
      StorePixels<P>(at, count, Select(inked, ink.pixel, under));
      return;
    }
  }
  StorePixels<P>(at, count, BlendFour(under, levels, ink));
}

// A row in groups of four pixels, then the last one to three.
template <typename P, bool kMonochrome>
void BlendRow(uint8_t *at, const uint8_t *coverage, int width, const InkLanes &ink) {
  constexpr int kGroup = 4;
  int column = 0;
  for (; column + kGroup <= width; column += kGroup) {
    const uint32_t levels = LoadWord(coverage + column);
    if (levels != 0)
      BlendGroup<P, kMonochrome>(at + static_cast<ptrdiff_t>(column) * P::kBytes, levels, kGroup, ink);
  }
  if (column < width) {
    uint32_t levels = 0;
    for (int i = column; i < width; ++i) levels |= static_cast<uint32_t>(coverage[i]) << (8 * (i - column));
    if (levels != 0)
      BlendGroup<P, kMonochrome>(at + static_cast<ptrdiff_t>(column) * P::kBytes, levels, width - column, ink);
  }
}

template <typename P, bool kMonochrome>
void PaintRows(const CoverageArea &glyph, const InkLanes &ink) {
  for (int row = 0; row < glyph.area.height; ++row) {
    BlendRow<P, kMonochrome>(glyph.area.bits + static_cast<ptrdiff_t>(row) * glyph.area.pitch,
                glyph.coverage + static_cast<ptrdiff_t>(row) * glyph.coveragePitch, glyph.area.width, ink);
  }
}

}  // namespace

void PaintTrueColour(const CoverageArea &glyph, uint32_t ink, uint32_t inkRgb) {
  const InkLanes lanes = InkLanesOf(ink, inkRgb);
  const auto paint = [&](auto pixel) {
    using P = decltype(pixel);
    if (glyph.monochrome)
      PaintRows<P, true>(glyph, lanes);
    else
      PaintRows<P, false>(glyph, lanes);
  };
  if (glyph.area.bytes == 4)
    paint(pixels::Pixel<4>{});
  else if (glyph.area.bytes == 3)
    paint(pixels::Pixel<3>{});
}

}  // namespace text::specialised

#endif  // __SSE2__
