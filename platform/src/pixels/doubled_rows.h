// Doubling the width of rows of 16- and 32-bit pixels, for stretches to
// twice the width: each source pixel written twice, into one or two target
// rows at once, left to right or mirrored. The lanes do the vector work in
// 16-byte vectors, or in 32-byte ones for code compiled for machines that
// have them.
#pragma once

#include <emmintrin.h>
#include <immintrin.h>

#include <cstdint>

#include "pixels/opaque_runs.h"
#include "pixels/pixel_access.h"

namespace pixels {

// Doubling 16-bit pixels in 16-byte vectors: eight source pixels make two
// vectors, four make one; mirrored, the pairs come out in reverse order.
struct DoubledLanes16 {
  static constexpr int kBytes = 2;
  static constexpr bool kMaskedTail = false;

  // Eight pixels from `from`, doubled into 32 bytes at `to`, and at
  // `to + pitch` when twice.
  static void StoreWhole(uint8_t *to, long pitch, bool twice, const uint8_t *from, bool mirrored) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from));
    __m128i low = _mm_unpacklo_epi16(v, v), high = _mm_unpackhi_epi16(v, v);
    if (mirrored) {
      // Each doubled pixel is one 32-bit lane: reversing the lanes reverses
      // the pixels.
      const __m128i first = low;
      low = _mm_shuffle_epi32(high, _MM_SHUFFLE(0, 1, 2, 3));
      high = _mm_shuffle_epi32(first, _MM_SHUFFLE(0, 1, 2, 3));
    }
    StorePair(to, pitch, twice, low, high);
  }

  // The four pixels in the low half of v, doubled.
  static __m128i Half(__m128i v, bool mirrored) {
    const __m128i doubled = _mm_unpacklo_epi16(v, v);
    return mirrored ? _mm_shuffle_epi32(doubled, _MM_SHUFFLE(0, 1, 2, 3)) : doubled;
  }

  static void StorePair(uint8_t *to, long pitch, bool twice, __m128i low, __m128i high) {
    _mm_storeu_si128(reinterpret_cast<__m128i *>(to), low);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(to + 16), high);
    if (!twice) return;
    _mm_storeu_si128(reinterpret_cast<__m128i *>(to + pitch), low);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(to + pitch + 16), high);
  }
};

// The same for 32-bit pixels: four make two vectors, two make one.
struct DoubledLanes32 {
  static constexpr int kBytes = 4;
  static constexpr bool kMaskedTail = false;

  static void StoreWhole(uint8_t *to, long pitch, bool twice, const uint8_t *from, bool mirrored) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from));
    if (mirrored) v = _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3));
    DoubledLanes16::StorePair(to, pitch, twice, _mm_unpacklo_epi32(v, v), _mm_unpackhi_epi32(v, v));
  }

  static __m128i Half(__m128i v, bool mirrored) {
    return mirrored ? _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 0, 1, 1)) : _mm_unpacklo_epi32(v, v);
  }
};

// Doubling in 32-byte vectors: the sixteen source bytes go into both
// halves of a vector, and one byte shuffle picks each half's pixels, twice
// each, in order or reversed, so a mirrored row costs what a plain one
// does. Half vectors are left to the 16-byte lanes.
template <typename Narrow>
struct WideDoubledLanes {
  static constexpr int kBytes = Narrow::kBytes;
  static constexpr bool kMaskedTail = false;

  __attribute__((target("avx2"))) static void StoreWhole(uint8_t *to, long pitch, bool twice, const uint8_t *from,
                                                         bool mirrored) {
    const __m256i both = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(from)));
    const __m256i doubled = _mm256_shuffle_epi8(both, mirrored ? Mirrored() : InOrder());
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(to), doubled);
    if (twice) _mm256_storeu_si256(reinterpret_cast<__m256i *>(to + pitch), doubled);
  }

  static __m128i Half(__m128i v, bool mirrored) { return Narrow::Half(v, mirrored); }

 protected:
  static constexpr int kPixels = 16 / kBytes;  // source pixels in a vector

  // The source byte of each of the 32 target bytes: target pixel t is
  // source pixel t / 2, counted from the other end of `pixels` source
  // pixels when mirrored. Both halves of the vector hold all sixteen source
  // bytes, so every index is one of them.
  struct alignas(32) ShuffleTable {
    uint8_t bytes[32];
  };
  static constexpr ShuffleTable Order(bool mirrored, int pixels = kPixels) {
    ShuffleTable table{};
    for (int at = 0; at < 32; ++at) {
      const int pixel = (at / kBytes) / 2;
      const int source = mirrored && pixel < pixels ? pixels - 1 - pixel : pixel;
      table.bytes[at] = static_cast<uint8_t>(source * kBytes + at % kBytes);
    }
    return table;
  }
  static constexpr ShuffleTable kInOrder = Order(false);
  static constexpr ShuffleTable kMirrored = Order(true);

  __attribute__((target("avx2"))) static __m256i InOrder() {
    return _mm256_load_si256(reinterpret_cast<const __m256i *>(kInOrder.bytes));
  }
  __attribute__((target("avx2"))) static __m256i Mirrored() {
    return _mm256_load_si256(reinterpret_cast<const __m256i *>(kMirrored.bytes));
  }
};

// 32-byte doubling of runs narrower than a vector under byte masks
// (AVX-512 BW and VL): their 1 to 15 source bytes are loaded, and their
// doubled bytes stored, in one step whatever their length, where the other
// lanes take half vectors and single pixels. Longer runs double as with
// the 32-byte lanes, whose overlapping last vector measured faster than a
// masked one.
template <typename Narrow>
struct MaskedDoubledLanes : WideDoubledLanes<Narrow> {
  using Wide = WideDoubledLanes<Narrow>;
  static constexpr bool kMaskedTail = true;
  static constexpr int kBytes = Wide::kBytes;

  // `count` (0 to a vector's worth) pixels from `from`, doubled into
  // `to`, and into `to + pitch` when twice.
  __attribute__((target("avx2,avx512f,avx512bw,avx512vl,bmi2"))) static void StoreTail(
      uint8_t *to, long pitch, bool twice, const uint8_t *from, int count, bool mirrored) {
    const unsigned sourceBytes = static_cast<unsigned>(count * kBytes);
    const __m128i pixels = _mm_maskz_loadu_epi8(static_cast<__mmask16>(_bzhi_u32(0xFFFFu, sourceBytes)), from);
    const __m256i shuffle = _mm256_load_si256(
        reinterpret_cast<const __m256i *>(mirrored ? kMirroredTails[count].bytes : Wide::kInOrder.bytes));
    const __m256i doubled = _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(pixels), shuffle);
    const __mmask32 stored = _bzhi_u32(~0u, 2 * sourceBytes);
    _mm256_mask_storeu_epi8(to, stored, doubled);
    if (twice) _mm256_mask_storeu_epi8(to + pitch, stored, doubled);
  }

 private:
  // Mirrored, a tail of `count` pixels reverses those pixels alone.
  struct Tails {
    typename Wide::ShuffleTable byCount[Wide::kPixels + 1];
    constexpr const typename Wide::ShuffleTable &operator[](int count) const { return byCount[count]; }
  };
  static constexpr Tails MirroredTails() {
    Tails tails{};
    for (int count = 0; count <= Wide::kPixels; ++count) tails.byCount[count] = Wide::Order(true, count);
    return tails;
  }
  static constexpr Tails kMirroredTails = MirroredTails();
};

// Doubling the width of pixels of one size: each source pixel twice,
// written into one or two target rows at once, mirrored or not. Mirroring
// is part of the type, so that the loops carry no choice between the two.
template <typename Lanes, bool kMirrored>
class Doubler {
 public:
  static constexpr int kBytes = Lanes::kBytes;

  explicit Doubler(int sourceWidth) : sourceWidth_(sourceWidth) {}

  // Where the pixels of a run of the source row land in a doubled target
  // row: the run's first target pixel, and as many pixels as it covers.
  PixelRun Doubled(PixelRun run) const {
    const int begin = 2 * (kMirrored ? sourceWidth_ - run.end : run.begin);
    return PixelRun{begin, begin + 2 * (run.end - run.begin)};
  }

  // The run of the source row from `sourceRow` doubled into `rows` (1 or
  // 2) target rows `pitch` apart from `targetRow`.
  __attribute__((always_inline)) void Run(uint8_t *targetRow, long pitch, int rows, const uint8_t *sourceRow,
                                          PixelRun run) const {
    Pixels(targetRow + Doubled(run).begin * kBytes, pitch, rows == 2, sourceRow + run.begin * kBytes,
           run.end - run.begin);
  }

 private:
  // `width` source pixels from `from`, each twice, reversed when mirrored:
  // whole vectors, the last one overlapping the one before; a run narrower
  // than a vector under masks where the lanes have them, else by two half
  // vectors, and one narrower than that pixel by pixel.
  __attribute__((always_inline)) void Pixels(uint8_t *to, long pitch, bool twice, const uint8_t *from,
                                             int width) const {
    constexpr int kLanes = 16 / kBytes, kHalf = kLanes / 2;
    constexpr bool mirrored = kMirrored;
    auto half = [&](int done) {
      const uint8_t *at = from + kBytes * (mirrored ? width - kHalf - done : done);
      const __m128i doubled = Lanes::Half(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(at)), mirrored);
      uint8_t *into = to + 2 * kBytes * done;
      _mm_storeu_si128(reinterpret_cast<__m128i *>(into), doubled);
      if (twice) _mm_storeu_si128(reinterpret_cast<__m128i *>(into + pitch), doubled);
    };
    if (width >= kLanes) {
      // The target is written from its first pixel on either way, as a
      // plain row is (mirrored, the source is read from its right end), and
      // the last vector is always the one ending at the last target pixel,
      // so no branch depends on whether the width is a whole number of
      // vectors. The lanes are called directly, not through a lambda, so
      // that wide ones inline into callers compiled for them.
      for (int written = 0; written + kLanes < width; written += kLanes) {
        Lanes::StoreWhole(to + 2 * kBytes * written, pitch, twice,
                          from + kBytes * (mirrored ? width - kLanes - written : written), mirrored);
      }
      Lanes::StoreWhole(to + 2 * kBytes * (width - kLanes), pitch, twice,
                        from + kBytes * (mirrored ? 0 : width - kLanes), mirrored);
    } else if constexpr (Lanes::kMaskedTail) {
      Lanes::StoreTail(to, pitch, twice, from, width, mirrored);
    } else if (width >= kHalf) {
      half(0);
      half(width - kHalf);
    } else {
      for (int done = 0; done < width; ++done) {
        const uint32_t value = Pixel<kBytes>::Load(from + kBytes * (mirrored ? width - 1 - done : done));
        for (int row = 0; row < (twice ? 2 : 1); ++row) {
          uint8_t *at = to + row * pitch + 2 * kBytes * done;
          Pixel<kBytes>::Store(at, value);
          Pixel<kBytes>::Store(at + kBytes, value);
        }
      }
    }
  }

  int sourceWidth_;
};

}  // namespace pixels
