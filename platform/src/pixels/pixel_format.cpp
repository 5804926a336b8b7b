// Pixel-format conversions: channels are cut from their masks and widened to
// 8 bits by repeating their top bits, so that full intensity stays 255.
#include "pixels/pixel_format.h"

#include <cstring>

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

namespace {

// Remembers recent nearest-colour answers: images repeat their colours, and
// a search walks the whole palette.
class NearestCache {
 public:
  explicit NearestCache(const uint32_t *palette) : palette_(palette) { memset(keys_, 0xFF, sizeof keys_); }
  uint8_t Find(uint32_t rgb) {
    const uint32_t slot = (rgb ^ (rgb >> 11) ^ (rgb >> 19)) & (kSlots - 1);
    if (keys_[slot] != rgb) {
      keys_[slot] = rgb;
      values_[slot] = NearestIndex(palette_, rgb);
    }
    return values_[slot];
  }

 private:
  static constexpr uint32_t kSlots = 4096;
  const uint32_t *palette_;
  uint32_t keys_[kSlots];
  uint8_t values_[kSlots];
};

}  // namespace

void ConvertBlock(const Block &target, const Format &targetFormat, const uint32_t *targetPalette,
                  const Block &source, const Format &sourceFormat, const uint32_t *sourcePalette) {
  uint32_t greys[256];
  for (uint32_t i = 0; i < 256; ++i) greys[i] = i * 0x010101u;
  const bool toIndex = targetFormat.bits <= 8;
  NearestCache nearest(targetPalette != nullptr ? targetPalette : greys);
  for (int y = 0; y < target.height; ++y) {
    const uint8_t *from = source.bits + static_cast<long>(y) * source.pitch;
    uint8_t *to = target.bits + static_cast<long>(y) * target.pitch;
    for (int x = 0; x < target.width; ++x, from += source.bytes, to += target.bytes) {
      const uint32_t rgb = ToRgb(sourceFormat, ReadPixel(from, source.bytes), sourcePalette);
      WritePixel(to, target.bytes,
                 toIndex ? nearest.Find(rgb)
                         : FromRgb(targetFormat, static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                                   static_cast<uint8_t>(rgb)));
    }
  }
}

}  // namespace pixels
