// The specialised format conversion: per-call tables replace the per-pixel
// mask arithmetic (a table per channel to widen source channels, one to
// narrow into target channels, one for palette sources), recent nearest-
// colour answers are remembered for 8-bit targets, and the loop is
// specialised for both pixel sizes.
#include <cstring>

#include "pixels/kernel_variants.h"
#include "pixels/pixel_access.h"

namespace pixels::specialised {

namespace {

bool Contiguous(uint32_t mask) {
  if (mask == 0) return true;
  const uint32_t low = mask & (~mask + 1);
  return ((mask + low) & mask) == 0;
}

// Widens one channel of source pixels to 8 bits. A contiguous mask is read
// through a table of its top (at most 8) bits; any other mask the slow way.
class ChannelReader {
 public:
  explicit ChannelReader(uint32_t mask) : mask_(mask), contiguous_(Contiguous(mask)) {
    if (!contiguous_) return;
    const int width = MaskWidth(mask);
    const int kept = width < 8 ? width : 8;
    shift_ = MaskShift(mask) + (width - kept);
    lowMask_ = (1u << kept) - 1;
    for (uint32_t v = 0; v <= lowMask_; ++v) widened_[v] = WidenChannel(v << shift_, mask);
  }
  uint32_t Read(uint32_t value) const {
    return contiguous_ ? widened_[(value >> shift_) & lowMask_] : WidenChannel(value, mask_);
  }

 private:
  uint32_t mask_;
  bool contiguous_;
  int shift_ = 0;
  uint32_t lowMask_ = 0;
  uint8_t widened_[256] = {};
};

// A target RGB format's pixel value from 0xRRGGBB, one table per channel.
class RgbWriter {
 public:
  explicit RgbWriter(const Format &format) : luminance_(Luminance(format)), alpha_(format.alpha) {
    for (uint32_t c = 0; c < 256; ++c) {
      red_[c] = NarrowChannel(static_cast<uint8_t>(c), format.red);
      green_[c] = NarrowChannel(static_cast<uint8_t>(c), format.green);
      blue_[c] = NarrowChannel(static_cast<uint8_t>(c), format.blue);
    }
  }
  uint32_t Write(uint32_t rgb) const {
    if (luminance_) return red_[Luma((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF)] | alpha_;
    return red_[(rgb >> 16) & 0xFF] | green_[(rgb >> 8) & 0xFF] | blue_[rgb & 0xFF] | alpha_;
  }

 private:
  bool luminance_;
  uint32_t alpha_;
  uint32_t red_[256], green_[256], blue_[256];
};

// 0xRRGGBB of a source pixel: through its palette for indexed formats,
// through its channel masks otherwise.
class RgbReader {
 public:
  RgbReader(const Format &format, const uint32_t *palette)
      : indexed_(Indexed(format)), red_(format.red), green_(format.green), blue_(format.blue) {
    for (uint32_t i = 0; i < 256; ++i) colours_[i] = palette != nullptr ? palette[i] & 0xFFFFFF : i * 0x010101u;
  }
  bool indexed() const { return indexed_; }
  const uint32_t *colours() const { return colours_; }
  uint32_t Read(uint32_t value) const {
    if (indexed_) return colours_[value & 0xFF];
    return (red_.Read(value) << 16) | (green_.Read(value) << 8) | blue_.Read(value);
  }

 private:
  bool indexed_;
  ChannelReader red_, green_, blue_;
  uint32_t colours_[256];
};

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

// Runs `translate` (source value to target value) over every pixel, with
// loads and stores specialised for both pixel sizes.
template <typename Translate>
void ConvertPixels(const Block &target, const Block &source, Translate &&translate) {
  WithPixelSize(source.bytes, [&](auto sourcePixel) {
    using S = decltype(sourcePixel);
    WithPixelSize(target.bytes, [&](auto targetPixel) {
      using T = decltype(targetPixel);
      for (int y = 0; y < target.height; ++y) {
        const uint8_t *from = source.bits + static_cast<long>(y) * source.pitch;
        uint8_t *to = target.bits + static_cast<long>(y) * target.pitch;
        for (int x = 0; x < target.width; ++x, from += S::kBytes, to += T::kBytes) {
          T::Store(to, translate(S::Load(from)));
        }
      }
    });
  });
}

}  // namespace

void ConvertBlock(const Block &target, const Format &targetFormat, const uint32_t *targetPalette,
                  const Block &source, const Format &sourceFormat, const uint32_t *sourcePalette) {
  if (target.width <= 0 || target.height <= 0) return;
  const RgbReader reader(sourceFormat, sourcePalette);
  if (Indexed(targetFormat)) {
    uint32_t greys[256];
    for (uint32_t i = 0; i < 256; ++i) greys[i] = i * 0x010101u;
    NearestCache nearest(targetPalette != nullptr ? targetPalette : greys);
    ConvertPixels(target, source, [&](uint32_t value) { return nearest.Find(reader.Read(value)); });
    return;
  }
  const RgbWriter writer(targetFormat);
  if (reader.indexed()) {
    // Each of the 256 indices becomes its target value once.
    uint32_t values[256];
    for (int i = 0; i < 256; ++i) values[i] = writer.Write(reader.colours()[i]);
    ConvertPixels(target, source, [&](uint32_t value) { return values[value & 0xFF]; });
    return;
  }
  ConvertPixels(target, source, [&](uint32_t value) { return writer.Write(reader.Read(value)); });
}

}  // namespace pixels::specialised
