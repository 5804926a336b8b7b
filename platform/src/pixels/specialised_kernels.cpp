// The specialised fills and copies. Fills store the repeated pixel over
// whole blocks when the rows are contiguous; opaque copies move contiguous
// blocks in one piece and short rows without a call; keyed copies select
// between source and target sixteen bytes at a time.
#include <cstring>

#include "pixels/byte_runs.h"
#include "pixels/kernel_variants.h"
#include "pixels/pixel_access.h"

namespace pixels::specialised {

namespace {

size_t RowBytes(const Block &block) {
  return static_cast<size_t>(block.width) * static_cast<size_t>(block.bytes);
}

// Rows follow one another with no gap: the block is one run of bytes.
bool Contiguous(const Block &block) { return block.height == 1 || block.pitch == static_cast<long>(RowBytes(block)); }

// The bytes a block spans, from its first pixel to the end of its last row.
bool Apart(const Block &a, const Block &b) {
  const uint8_t *aEnd = a.bits + static_cast<long>(a.height - 1) * a.pitch + static_cast<long>(RowBytes(a));
  const uint8_t *bEnd = b.bits + static_cast<long>(b.height - 1) * b.pitch + static_cast<long>(RowBytes(b));
  return aEnd <= b.bits || bEnd <= a.bits;
}

// Sixteen bytes as lanes of one pixel size.
typedef uint8_t Lanes8 __attribute__((vector_size(16)));
typedef uint16_t Lanes16 __attribute__((vector_size(16)));
typedef uint32_t Lanes32 __attribute__((vector_size(16)));

template <typename T>
struct LanesOf;
template <>
struct LanesOf<uint8_t> {
  typedef Lanes8 Type;
};
template <>
struct LanesOf<uint16_t> {
  typedef Lanes16 Type;
};
template <>
struct LanesOf<uint32_t> {
  typedef Lanes32 Type;
};

// One row of a keyed copy for pixels of one machine word T: sixteen bytes of
// source and target are loaded, and source pixels outside the key replace
// target ones by a mask, with no branch per pixel. Pixels inside the key
// are written back unchanged.
template <typename T>
void KeyedRow(uint8_t *to, const uint8_t *from, int width, T low, T high) {
  using Lanes = typename LanesOf<T>::Type;
  constexpr int kLanes = 16 / static_cast<int>(sizeof(T));
  Lanes lowLanes, highLanes;
  for (int i = 0; i < kLanes; ++i) {
    lowLanes[i] = low;
    highLanes[i] = high;
  }
  int x = 0;
  for (; x + kLanes <= width; x += kLanes) {
    Lanes source, target;
    memcpy(&source, from + x * static_cast<int>(sizeof(T)), 16);
    memcpy(&target, to + x * static_cast<int>(sizeof(T)), 16);
    const Lanes opaque = reinterpret_cast<Lanes>((source < lowLanes) | (source > highLanes));
    const Lanes result = (source & opaque) | (target & ~opaque);
    memcpy(to + x * static_cast<int>(sizeof(T)), &result, 16);
  }
  for (; x < width; ++x) {
    T value;
    memcpy(&value, from + x * static_cast<int>(sizeof(T)), sizeof value);
    if (value < low || value > high) memcpy(to + x * static_cast<int>(sizeof(T)), &value, sizeof value);
  }
}

// Three-byte pixels have no vector lane of their size: one at a time.
void KeyedRow24(uint8_t *to, const uint8_t *from, int width, uint32_t low, uint32_t high) {
  for (int x = 0; x < width; ++x) {
    const uint32_t value = Pixel<3>::Load(from + 3 * x);
    if (value < low || value > high) Pixel<3>::Store(to + 3 * x, value);
  }
}

}  // namespace

void Fill(const Block &target, uint32_t value) {
  if (target.width <= 0 || target.height <= 0 || !ValidPixelSize(target.bytes)) return;
  const RepeatedPixel pixel(value, target.bytes);
  const size_t rowBytes = RowBytes(target);
  if (Contiguous(target)) {
    pixel.Store(target.bits, rowBytes * static_cast<size_t>(target.height));
    return;
  }
  for (int y = 0; y < target.height; ++y) pixel.Store(target.bits + static_cast<long>(y) * target.pitch, rowBytes);
}

void Copy(const Block &target, const Block &source) {
  if (target.width <= 0 || target.height <= 0) return;
  const size_t rowBytes = RowBytes(target);
  if (Contiguous(target) && Contiguous(source)) {
    // memmove takes care of overlap for the block as a whole.
    memmove(target.bits, source.bits, rowBytes * static_cast<size_t>(target.height));
    return;
  }
  if (Apart(target, source)) {
    for (int y = 0; y < target.height; ++y) {
      CopyBytes(target.bits + static_cast<long>(y) * target.pitch, source.bits + static_cast<long>(y) * source.pitch,
                rowBytes);
    }
    return;
  }
  // A target below its source is written from the bottom row up, so that
  // no source row is overwritten before it is read.
  const bool bottomUp = target.bits > source.bits;
  for (int i = 0; i < target.height; ++i) {
    const int y = bottomUp ? target.height - 1 - i : i;
    memmove(target.bits + static_cast<long>(y) * target.pitch, source.bits + static_cast<long>(y) * source.pitch,
            rowBytes);
  }
}

void CopyKeyed(const Block &target, const Block &source, ColorKey key) {
  if (!ValidPixelSize(target.bytes)) return;
  // A key beyond the pixel's values keys nothing; one reaching beyond them
  // keys up to the largest value, which the lanes of the pixel's size hold.
  const uint32_t largest = target.bytes >= 4 ? 0xFFFFFFFFu : (1u << (8 * target.bytes)) - 1;
  if (key.low > key.high || key.low > largest) {
    specialised::Copy(target, source);
    return;
  }
  if (key.high > largest) key.high = largest;
  const int width = target.width, height = target.height;
  for (int y = 0; y < height; ++y) {
    uint8_t *to = target.bits + static_cast<long>(y) * target.pitch;
    const uint8_t *from = source.bits + static_cast<long>(y) * source.pitch;
    switch (target.bytes) {
      case 1:
        KeyedRow<uint8_t>(to, from, width, static_cast<uint8_t>(key.low), static_cast<uint8_t>(key.high));
        break;
      case 2:
        KeyedRow<uint16_t>(to, from, width, static_cast<uint16_t>(key.low), static_cast<uint16_t>(key.high));
        break;
      case 3: KeyedRow24(to, from, width, key.low, key.high); break;
      case 4: KeyedRow<uint32_t>(to, from, width, key.low, key.high); break;
      default: return;
    }
  }
}

}  // namespace pixels::specialised
