// The coverage kernel for 16-bit 5-6-5 and 5-5-5 targets: eight pixels at a
// time, each channel widened to 8 bits by repeating its top bits, blended in
// 16-bit lanes and cut back to its width, the same steps the edge blender
// takes through 0xRRGGBB one pixel at a time.
#if defined(__SSE2__)

#include "gdi/text/coverage_lanes.h"

namespace text::specialised {

namespace {

// The ink's channels, each in every 16-bit lane, its pixel value for full
// coverage and the alpha bits every blended pixel carries.
struct HighColourInk {
  __m128i red, green, blue;
  __m128i pixel;
  __m128i alpha;
};

// A channel of 5 or 6 bits widened to 8, its top bits repeated below it.
template <int kBits>
__m128i Widen(__m128i channel) {
  return _mm_or_si128(_mm_slli_epi16(channel, 8 - kBits), _mm_srli_epi16(channel, 2 * kBits - 8));
}

// Eight pixels under eight coverage levels (one per 16-bit lane): the ink's
// pixel value for 255, the pixel untouched for 0, the blend between them.
template <int kGreenBits>
[[gnu::always_inline]] inline __m128i BlendEight(__m128i under, __m128i levels, const HighColourInk &ink) {
  constexpr int kRedShift = 5 + kGreenBits;
  const __m128i five = _mm_set1_epi16(0x1F);
  const __m128i red = Widen<5>(_mm_and_si128(_mm_srli_epi16(under, kRedShift), five));
  const __m128i green =
      Widen<kGreenBits>(_mm_and_si128(_mm_srli_epi16(under, 5), _mm_set1_epi16((1 << kGreenBits) - 1)));
  const __m128i blue = Widen<5>(_mm_and_si128(under, five));
  const __m128i mixedRed = _mm_srli_epi16(BlendLanes(ink.red, red, levels), 3);
  const __m128i mixedGreen = _mm_srli_epi16(BlendLanes(ink.green, green, levels), 8 - kGreenBits);
  const __m128i mixedBlue = _mm_srli_epi16(BlendLanes(ink.blue, blue, levels), 3);
  const __m128i blended = _mm_or_si128(
      _mm_or_si128(_mm_slli_epi16(mixedRed, kRedShift), _mm_slli_epi16(mixedGreen, 5)),
      _mm_or_si128(mixedBlue, ink.alpha));
  const __m128i inked = _mm_cmpeq_epi16(levels, _mm_set1_epi16(255));
  const __m128i bare = _mm_cmpeq_epi16(levels, _mm_setzero_si128());
  return Select(bare, under, Select(inked, ink.pixel, blended));
}

// Eight coverage bytes widened to 16-bit lanes.
__m128i LevelLanes(const uint8_t *levels) {
  return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(levels)), _mm_setzero_si128());
}

// A row in groups of eight pixels; the last one to seven are gathered into
// lanes and put back one by one, so nothing beyond them is touched.
template <int kGreenBits>
void BlendRow(uint8_t *at, const uint8_t *coverage, int width, const HighColourInk &ink) {
  constexpr int kGroup = 8;
  int column = 0;
  for (; column + kGroup <= width; column += kGroup) {
    if (LoadLong(coverage + column) == 0) continue;
    auto *pixels = reinterpret_cast<__m128i *>(at + 2 * column);
    _mm_storeu_si128(pixels, BlendEight<kGreenBits>(_mm_loadu_si128(pixels), LevelLanes(coverage + column), ink));
  }
  if (column == width) return;
  const size_t rest = static_cast<size_t>(width - column);
  uint8_t levels[kGroup] = {};
  memcpy(levels, coverage + column, rest);
  if (LoadLong(levels) == 0) return;
  uint16_t lanes[kGroup] = {};
  memcpy(lanes, at + 2 * column, rest * 2);
  const __m128i under = _mm_loadu_si128(reinterpret_cast<const __m128i *>(lanes));
  _mm_storeu_si128(reinterpret_cast<__m128i *>(lanes), BlendEight<kGreenBits>(under, LevelLanes(levels), ink));
  memcpy(at + 2 * column, lanes, rest * 2);
}

template <int kGreenBits>
void PaintRows(const CoverageArea &glyph, const HighColourInk &ink) {
  for (int row = 0; row < glyph.area.height; ++row) {
    BlendRow<kGreenBits>(glyph.area.bits + static_cast<ptrdiff_t>(row) * glyph.area.pitch,
                         glyph.coverage + static_cast<ptrdiff_t>(row) * glyph.coveragePitch, glyph.area.width, ink);
  }
}

// The green channel's width when the format is 5-6-5 or 5-5-5 from the top
// bit down with alpha bits, if any, apart from the channels; 0 otherwise.
int GreenBitsOf(const pixels::Format &format) {
  if (format.bits != 16 || (format.alpha & (format.red | format.green | format.blue)) != 0) return 0;
  if (format.red == 0xF800 && format.green == 0x07E0 && format.blue == 0x001F) return 6;
  if (format.red == 0x7C00 && format.green == 0x03E0 && format.blue == 0x001F) return 5;
  return 0;
}

}  // namespace

bool PaintHighColour(const CoverageArea &glyph, uint32_t ink, uint32_t inkRgb, const pixels::Format &format) {
  const int greenBits = GreenBitsOf(format);
  if (greenBits == 0 || glyph.area.bytes != 2) return false;
  const HighColourInk lanes{_mm_set1_epi16(static_cast<short>((inkRgb >> 16) & 0xFF)),
                            _mm_set1_epi16(static_cast<short>((inkRgb >> 8) & 0xFF)),
                            _mm_set1_epi16(static_cast<short>(inkRgb & 0xFF)),
                            _mm_set1_epi16(static_cast<short>(ink & 0xFFFF)),
                            _mm_set1_epi16(static_cast<short>(format.alpha & 0xFFFF))};
  if (greenBits == 6)
    PaintRows<6>(glyph, lanes);
  else
    PaintRows<5>(glyph, lanes);
  return true;
}

}  // namespace text::specialised

#endif  // __SSE2__
