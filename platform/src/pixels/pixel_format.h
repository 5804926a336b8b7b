// Pixel formats: which bits of a pixel hold red, green and blue, and the
// conversions between pixel values and 8-bit-per-channel colours that every
// reader of pixels (front-buffer readback, screenshots, GDI) shares.
#pragma once

#include <cstdint>

#include "pixels/pixel_kernels.h"

namespace pixels {

// An RGB pixel format by its channel masks; 8-bit formats without masks are
// palette indices. A luminance format gives its luminance mask as red,
// green and blue alike (L8, A8L8, A4L4 textures).
struct Format {
  int bits;
  uint32_t red;
  uint32_t green;
  uint32_t blue;
  uint32_t alpha;
};

inline bool Indexed(const Format &format) {
  return format.bits <= 8 && (format.red | format.green | format.blue) == 0;
}
inline bool Luminance(const Format &format) {
  return format.red != 0 && format.red == format.green && format.green == format.blue;
}

// The display's format at a depth: 8-bit palette indices, 16-bit 5-6-5 (or
// 5-5-5), 24- and 32-bit with blue in the lowest byte.
Format DisplayFormat(int bits, bool rgb555);

inline int BytesPerPixel(const Format &format) { return (format.bits + 7) / 8; }

// The lowest set bit of a channel mask, and how many bits it has set.
int MaskShift(uint32_t mask);
int MaskWidth(uint32_t mask);

// One channel of a pixel value, cut from its mask and widened to 8 bits by
// repeating its top bits; and an 8-bit channel narrowed into its mask.
uint8_t WidenChannel(uint32_t value, uint32_t mask);
uint32_t NarrowChannel(uint8_t channel, uint32_t mask);

// A colour as 0xRRGGBB from a pixel value; `palette` (256 entries of
// 0xRRGGBB) resolves 8-bit indices and may be null (index 0 is black, others
// grey levels).
uint32_t ToRgb(const Format &format, uint32_t value, const uint32_t *palette);

// The pixel value nearest to an 8-bit-per-channel colour (not for indexed
// formats): luminance formats take the colour's luminance, and alpha bits
// are set in full, since what GDI draws is opaque.
uint32_t FromRgb(const Format &format, uint8_t red, uint8_t green, uint8_t blue);
uint8_t Luma(uint8_t red, uint8_t green, uint8_t blue);

// The index of the palette colour (256 entries of 0xRRGGBB) nearest to `rgb`
// by squared distance; the lowest index among equals.
uint8_t NearestIndex(const uint32_t *palette, uint32_t rgb);

// Copies a source block onto a target block of the same size, converting
// each pixel through 0xRRGGBB: indexed sources read their palette, indexed
// targets take the nearest colour of theirs. A null palette is the grey
// ramp ToRgb assumes. The blocks must not overlap.
void ConvertBlock(const Block &target, const Format &targetFormat, const uint32_t *targetPalette,
                  const Block &source, const Format &sourceFormat, const uint32_t *sourcePalette);

}  // namespace pixels
