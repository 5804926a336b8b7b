// Blending of glyph edges: the ink mixed over the pixel underneath by a
// coverage level, per 8-bit channel with rounding. Shared by both forms of
// the coverage painter, so that they agree on every bit.
#pragma once

#include <cstdint>

#include "pixels/pixel_format.h"

namespace text {

// (ink * coverage + paper * (255 - coverage) + 127) / 255 for each of the
// three low bytes of two 0xRRGGBB colours; the top byte of the result is 0.
inline uint32_t Blend(uint32_t ink, uint32_t paper, int coverage) {
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

  // Whether pixel values are 0xRRGGBB in their three low bytes (24- and
  // 32-bit targets), so that they blend directly.
  bool rgbPixels() const { return rgbPixels_; }
  uint32_t inkRgb() const { return inkRgb_; }
  const pixels::Format &format() const { return format_; }

  uint32_t Over(uint32_t under, int coverage) {
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

}  // namespace text
