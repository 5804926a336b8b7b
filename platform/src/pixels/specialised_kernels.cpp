// The specialised pixel kernels. Each picks the pixel size once and runs a
// loop specialised for it; opaque copies and fills go through memmove and
// memcpy of whole rows.
#include <cstring>
#include <vector>

#include "pixels/kernel_variants.h"
#include "pixels/pixel_access.h"

namespace pixels::specialised {

namespace {

bool Skipped(uint32_t value, ColorKey key) { return value >= key.low && value <= key.high; }

// Source coordinate of each target coordinate: nearest neighbour, sampled at
// pixel centres, reversed when mirrored.
std::vector<int> SourceIndices(int targetSize, int sourceSize, bool mirrored) {
  std::vector<int> indices(static_cast<size_t>(targetSize));
  for (int i = 0; i < targetSize; ++i) {
    int at = static_cast<int>((2LL * i + 1) * sourceSize / (2LL * targetSize));
    indices[static_cast<size_t>(i)] = mirrored ? sourceSize - 1 - at : at;
  }
  return indices;
}

}  // namespace

void Fill(const Block &target, uint32_t value) {
  if (target.width <= 0 || target.height <= 0 || !ValidPixelSize(target.bytes)) return;
  const size_t rowBytes = static_cast<size_t>(target.width) * static_cast<size_t>(target.bytes);
  if (target.bytes == 1) {
    for (int y = 0; y < target.height; ++y) {
      memset(target.bits + y * target.pitch, static_cast<int>(value & 0xFF), rowBytes);
    }
    return;
  }
  // The first row is built pixel by pixel; the others are copies of it.
  WithPixelSize(target.bytes, [&](auto pixel) {
    for (int x = 0; x < target.width; ++x) decltype(pixel)::Store(target.bits + x * target.bytes, value);
  });
  for (int y = 1; y < target.height; ++y) memcpy(target.bits + y * target.pitch, target.bits, rowBytes);
}

void Copy(const Block &target, const Block &source) {
  if (target.width <= 0 || target.height <= 0) return;
  const size_t rowBytes = static_cast<size_t>(target.width) * static_cast<size_t>(target.bytes);
  // A target below its source is written from the bottom row up, so that
  // no source row is overwritten before it is read.
  const bool bottomUp = target.bits > source.bits;
  for (int i = 0; i < target.height; ++i) {
    const int y = bottomUp ? target.height - 1 - i : i;
    memmove(target.bits + y * target.pitch, source.bits + y * source.pitch, rowBytes);
  }
}

void CopyKeyed(const Block &target, const Block &source, ColorKey key) {
  WithPixelSize(target.bytes, [&](auto pixel) {
    using P = decltype(pixel);
    for (int y = 0; y < target.height; ++y) {
      uint8_t *to = target.bits + y * target.pitch;
      const uint8_t *from = source.bits + y * source.pitch;
      if (key.low == key.high) {
        // A single key colour: every pixel is stored, the target's own value
        // where the source is transparent, which compiles to a select the
        // vector units can run.
        for (int x = 0; x < target.width; ++x) {
          const uint32_t value = P::Load(from + x * P::kBytes);
          P::Store(to + x * P::kBytes, value == key.low ? P::Load(to + x * P::kBytes) : value);
        }
        continue;
      }
      for (int x = 0; x < target.width; ++x) {
        const uint32_t value = P::Load(from + x * P::kBytes);
        if (!Skipped(value, key)) P::Store(to + x * P::kBytes, value);
      }
    }
  });
}

void Stretch(const Block &target, const Block &source, const StretchOptions &options) {
  if (target.width <= 0 || target.height <= 0 || source.width <= 0 || source.height <= 0) return;
  const std::vector<int> columns = SourceIndices(target.width, source.width, options.mirrorLeftRight);
  const std::vector<int> rows = SourceIndices(target.height, source.height, options.mirrorUpDown);
  WithPixelSize(target.bytes, [&](auto pixel) {
    using P = decltype(pixel);
    for (int y = 0; y < target.height; ++y) {
      uint8_t *to = target.bits + y * target.pitch;
      const uint8_t *from = source.bits + rows[static_cast<size_t>(y)] * source.pitch;
      for (int x = 0; x < target.width; ++x, to += target.bytes) {
        const uint32_t value = P::Load(from + columns[static_cast<size_t>(x)] * source.bytes);
        if (!options.keyed || !Skipped(value, options.key)) P::Store(to, value);
      }
    }
  });
}

}  // namespace pixels::specialised
