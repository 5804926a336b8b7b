// Pixel-format conversions: channels are cut from their masks and widened to
// 8 bits by repeating their top bits, so that full intensity stays 255.
#include "ddraw/pixel_format.h"

namespace pixels {

namespace {

int LowestBit(uint32_t mask) {
  int shift = 0;
  while (mask != 0 && (mask & 1u) == 0) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

int BitCount(uint32_t mask) {
  int count = 0;
  for (; mask != 0; mask &= mask - 1) ++count;
  return count;
}

uint8_t Widen(uint32_t value, uint32_t mask) {
  const int width = BitCount(mask);
  if (width == 0) return 0;
  uint32_t channel = (value & mask) >> LowestBit(mask);
  if (width >= 8) return static_cast<uint8_t>(channel >> (width - 8));
  uint32_t wide = 0;
  int filled = 0;
  for (; filled < 8; filled += width) wide = (wide << width) | channel;
  return static_cast<uint8_t>(wide >> (filled - 8));
}

uint32_t Narrow(uint8_t channel, uint32_t mask) {
  const int width = BitCount(mask);
  if (width == 0) return 0;
  uint32_t value = width >= 8 ? static_cast<uint32_t>(channel) << (width - 8) : channel >> (8 - width);
  return (value << LowestBit(mask)) & mask;
}

}  // namespace

Format DisplayFormat(int bits, bool rgb555) {
  switch (bits) {
    case 16:
      return rgb555 ? Format{16, 0x7C00, 0x03E0, 0x001F, 0} : Format{16, 0xF800, 0x07E0, 0x001F, 0};
    case 24: return Format{24, 0xFF0000, 0x00FF00, 0x0000FF, 0};
    case 32: return Format{32, 0xFF0000, 0x00FF00, 0x0000FF, 0};
    default: return Format{8, 0, 0, 0, 0};
  }
}

uint32_t ToRgb(const Format &format, uint32_t value, const uint32_t *palette) {
  if (format.bits <= 8) {
    const uint32_t index = value & 0xFF;
    return palette != nullptr ? palette[index] & 0xFFFFFF : index * 0x010101u;
  }
  return (static_cast<uint32_t>(Widen(value, format.red)) << 16) |
         (static_cast<uint32_t>(Widen(value, format.green)) << 8) | Widen(value, format.blue);
}

uint32_t FromRgb(const Format &format, uint8_t red, uint8_t green, uint8_t blue) {
  return Narrow(red, format.red) | Narrow(green, format.green) | Narrow(blue, format.blue);
}

}  // namespace pixels
