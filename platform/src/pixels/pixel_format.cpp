// Pixel-format conversions: channels are cut from their masks and widened to
// 8 bits by repeating their top bits, so that full intensity stays 255.
#include "pixels/pixel_format.h"

namespace pixels {

int MaskShift(uint32_t mask) {
  int shift = 0;
  while (mask != 0 && (mask & 1u) == 0) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

int MaskWidth(uint32_t mask) {
  int count = 0;
  for (; mask != 0; mask &= mask - 1) ++count;
  return count;
}

uint8_t WidenChannel(uint32_t value, uint32_t mask) {
  const int width = MaskWidth(mask);
  if (width == 0) return 0;
  uint32_t channel = (value & mask) >> MaskShift(mask);
  if (width >= 8) return static_cast<uint8_t>(channel >> (width - 8));
  uint32_t wide = 0;
  int filled = 0;
  for (; filled < 8; filled += width) wide = (wide << width) | channel;
  return static_cast<uint8_t>(wide >> (filled - 8));
}

uint32_t NarrowChannel(uint8_t channel, uint32_t mask) {
  const int width = MaskWidth(mask);
  if (width == 0) return 0;
  uint32_t value = width >= 8 ? static_cast<uint32_t>(channel) << (width - 8) : channel >> (8 - width);
  return (value << MaskShift(mask)) & mask;
}

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
  if (Indexed(format)) {
    const uint32_t index = value & 0xFF;
    return palette != nullptr ? palette[index] & 0xFFFFFF : index * 0x010101u;
  }
  return (static_cast<uint32_t>(WidenChannel(value, format.red)) << 16) |
         (static_cast<uint32_t>(WidenChannel(value, format.green)) << 8) | WidenChannel(value, format.blue);
}

uint8_t Luma(uint8_t red, uint8_t green, uint8_t blue) {
  // Rec. 601 weights in eighths of 256, rounded.
  return static_cast<uint8_t>((red * 77u + green * 150u + blue * 29u + 128u) >> 8);
}

uint32_t FromRgb(const Format &format, uint8_t red, uint8_t green, uint8_t blue) {
  if (Luminance(format)) return NarrowChannel(Luma(red, green, blue), format.red) | format.alpha;
  return NarrowChannel(red, format.red) | NarrowChannel(green, format.green) | NarrowChannel(blue, format.blue) |
         format.alpha;
}

uint8_t NearestIndex(const uint32_t *palette, uint32_t rgb) {
  const int red = static_cast<int>((rgb >> 16) & 0xFF), green = static_cast<int>((rgb >> 8) & 0xFF),
            blue = static_cast<int>(rgb & 0xFF);
  int best = 0;
  int bestDistance = 1 << 30;
  for (int i = 0; i < 256 && bestDistance > 0; ++i) {
    const int dr = red - static_cast<int>((palette[i] >> 16) & 0xFF);
    const int dg = green - static_cast<int>((palette[i] >> 8) & 0xFF);
    const int db = blue - static_cast<int>(palette[i] & 0xFF);
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) best = i, bestDistance = distance;
  }
  return static_cast<uint8_t>(best);
}

}  // namespace pixels
