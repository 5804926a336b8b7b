// The reference pixel kernels: the obvious loop over every pixel, one load
// and one store at a time, with no shortcut. They say what each operation
// does; the specialised kernels must give the same bytes.
#include "pixels/kernel_variants.h"

namespace pixels::reference {

namespace {

uint8_t *At(const Block &block, int x, int y) {
  return block.bits + static_cast<long>(y) * block.pitch + static_cast<long>(x) * block.bytes;
}

bool InKey(uint32_t value, ColorKey key) { return value >= key.low && value <= key.high; }

// Nearest neighbour at pixel centres, reversed when mirrored.
int SourceIndex(int at, int targetSize, int sourceSize, bool mirrored) {
  const int index = static_cast<int>((2LL * at + 1) * sourceSize / (2LL * targetSize));
  return mirrored ? sourceSize - 1 - index : index;
}

}  // namespace

void Fill(const Block &target, uint32_t value) {
  for (int y = 0; y < target.height; ++y) {
    for (int x = 0; x < target.width; ++x) WritePixel(At(target, x, y), target.bytes, value);
  }
}

void Copy(const Block &target, const Block &source) {
  // Overlapping blocks of one surface: walking in falling address order when
  // the target lies above its source reads every pixel before it is written.
  const bool backwards = target.bits > source.bits;
  for (int i = 0; i < target.height; ++i) {
    const int y = backwards ? target.height - 1 - i : i;
    for (int j = 0; j < target.width; ++j) {
      const int x = backwards ? target.width - 1 - j : j;
      WritePixel(At(target, x, y), target.bytes, ReadPixel(At(source, x, y), source.bytes));
    }
  }
}

void CopyKeyed(const Block &target, const Block &source, ColorKey key) {
  for (int y = 0; y < target.height; ++y) {
    for (int x = 0; x < target.width; ++x) {
      const uint32_t value = ReadPixel(At(source, x, y), source.bytes);
      if (!InKey(value, key)) WritePixel(At(target, x, y), target.bytes, value);
    }
  }
}

void Stretch(const Block &target, const Block &source, const StretchOptions &options) {
  if (source.width <= 0 || source.height <= 0) return;
  for (int y = 0; y < target.height; ++y) {
    const int sourceY = SourceIndex(y, target.height, source.height, options.mirrorUpDown);
    for (int x = 0; x < target.width; ++x) {
      const int sourceX = SourceIndex(x, target.width, source.width, options.mirrorLeftRight);
      const uint32_t value = ReadPixel(At(source, sourceX, sourceY), source.bytes);
      if (!options.keyed || !InKey(value, options.key)) WritePixel(At(target, x, y), target.bytes, value);
    }
  }
}

void ConvertBlock(const Block &target, const Format &targetFormat, const uint32_t *targetPalette,
                  const Block &source, const Format &sourceFormat, const uint32_t *sourcePalette) {
  uint32_t greys[256];
  for (uint32_t i = 0; i < 256; ++i) greys[i] = i * 0x010101u;
  for (int y = 0; y < target.height; ++y) {
    for (int x = 0; x < target.width; ++x) {
      const uint32_t rgb = ToRgb(sourceFormat, ReadPixel(At(source, x, y), source.bytes), sourcePalette);
      const uint32_t value =
          Indexed(targetFormat)
              ? NearestIndex(targetPalette != nullptr ? targetPalette : greys, rgb)
              : FromRgb(targetFormat, static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                        static_cast<uint8_t>(rgb));
      WritePixel(At(target, x, y), target.bytes, value);
    }
  }
}

}  // namespace pixels::reference
