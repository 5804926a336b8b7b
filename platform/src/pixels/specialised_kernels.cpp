// The specialised fills and copies. Fills store the repeated pixel over
// whole blocks when the rows are contiguous; opaque copies move contiguous
// blocks in one piece and short rows without a call; keyed copies select
// between source and target sixteen bytes at a time.
#include <tmmintrin.h>

#include <cstring>

#include "pixels/byte_runs.h"
#include "pixels/kernel_variants.h"
#include "pixels/processor_vectors.h"
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

// Machines with byte shuffles take three-byte pixels sixteen at a time:
// the 48 bytes are spread into four vectors of four 32-bit lanes, tested
// against the key without a branch, and the group is copied in one piece
// when wholly opaque, skipped when wholly keyed, and copied pixel by pixel
// otherwise. Keys reach at most 0xFFFFFF here, so signed lane compares
// order them right.
__attribute__((target("ssse3"))) void KeyedRow24Shuffled(uint8_t *to, const uint8_t *from, int width, uint32_t low,
                                                         uint32_t high) {
  constexpr int kGroup = 16;
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i lowLanes = _mm_set1_epi32(static_cast<int>(low));
  const __m128i highLanes = _mm_set1_epi32(static_cast<int>(high));
  // A bit per pixel of the four in `lanes` that lies outside the key.
  const auto opaqueBits = [&](__m128i lanes) __attribute__((target("ssse3"))) {
    const __m128i outside = _mm_or_si128(_mm_cmpgt_epi32(lowLanes, lanes), _mm_cmpgt_epi32(lanes, highLanes));
    return static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(outside)));
  };
  int x = 0;
  for (; x + kGroup <= width; x += kGroup) {
    const uint8_t *group = from + 3 * x;
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(group));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(group + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i *>(group + 32));
    const unsigned opaque = opaqueBits(_mm_shuffle_epi8(a, spread)) |
                            opaqueBits(_mm_shuffle_epi8(_mm_alignr_epi8(b, a, 12), spread)) << 4 |
                            opaqueBits(_mm_shuffle_epi8(_mm_alignr_epi8(c, b, 8), spread)) << 8 |
                            opaqueBits(_mm_shuffle_epi8(_mm_srli_si128(c, 4), spread)) << 12;
    if (opaque == 0xFFFFu) {
      CopyBytes(to + 3 * x, group, 3 * kGroup);
    } else {
      for (unsigned left = opaque; left != 0; left &= left - 1) {
        const int i = __builtin_ctz(left);
        memcpy(to + 3 * (x + i), group + 3 * i, 3);
      }
    }
  }
  KeyedRow24(to + 3 * x, from + 3 * x, width - x, low, high);
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
  const bool shuffles = target.bytes == 3 && HasByteShuffles();
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
      case 3:
        if (shuffles) {
          KeyedRow24Shuffled(to, from, width, key.low, key.high);
        } else {
          KeyedRow24(to, from, width, key.low, key.high);
        }
        break;
      case 4: KeyedRow<uint32_t>(to, from, width, key.low, key.high); break;
      default: return;
    }
  }
}

}  // namespace pixels::specialised
