// Finding a row's opaque runs sixteen pixels at a time (SSE2), with a pixel
// at a time for 3-byte pixels and the row's last few pixels.
#include "pixels/opaque_runs.h"

#include <emmintrin.h>

#include "pixels/pixel_access.h"

namespace pixels {

namespace {

// Collects runs from opaque/keyed answers given left to right.
class RunCollector {
 public:
  explicit RunCollector(PixelRun *runs) : runs_(runs) {}

  // The answers for pixels x .. x + 15, bit i for pixel x + i.
  void Sixteen(int x, uint32_t opaque) {
    if (opaque == (open_ ? 0xFFFFu : 0u)) return;  // no transition inside
    int i = 0;
    while (i < 16) {
      const uint32_t wanted = (open_ ? ~opaque : opaque) & 0xFFFFu;
      const uint32_t ahead = wanted >> i;
      if (ahead == 0) return;
      i += __builtin_ctz(ahead);
      Toggle(x + i);
    }
  }

  void One(int x, bool opaque) {
    if (opaque != open_) Toggle(x);
  }

  int Finish(int width) {
    if (open_) Toggle(width);
    return count_;
  }

 private:
  void Toggle(int x) {
    if (open_) {
      runs_[count_++] = PixelRun{begin_, x};
    } else {
      begin_ = x;
    }
    open_ = !open_;
  }

  PixelRun *runs_;
  int count_ = 0;
  int begin_ = 0;
  bool open_ = false;
};

// The vector operations on lanes of 8, 16 and 32 bits.
struct Lanes8 {
  static constexpr uint32_t kTopBit = 0x80u;
  static __m128i Set(uint32_t value) { return _mm_set1_epi8(static_cast<char>(value)); }
  static __m128i Sub(__m128i a, __m128i b) { return _mm_sub_epi8(a, b); }
  static __m128i Greater(__m128i a, __m128i b) { return _mm_cmpgt_epi8(a, b); }
};
struct Lanes16 {
  static constexpr uint32_t kTopBit = 0x8000u;
  static __m128i Set(uint32_t value) { return _mm_set1_epi16(static_cast<short>(value)); }
  static __m128i Sub(__m128i a, __m128i b) { return _mm_sub_epi16(a, b); }
  static __m128i Greater(__m128i a, __m128i b) { return _mm_cmpgt_epi16(a, b); }
};
struct Lanes32 {
  static constexpr uint32_t kTopBit = 0x80000000u;
  static __m128i Set(uint32_t value) { return _mm_set1_epi32(static_cast<int>(value)); }
  static __m128i Sub(__m128i a, __m128i b) { return _mm_sub_epi32(a, b); }
  static __m128i Greater(__m128i a, __m128i b) { return _mm_cmpgt_epi32(a, b); }
};

// Lanes whose values lie outside the key's range: value - low compared
// unsigned with high - low, by flipping the top bits and comparing signed,
// as SSE2 compares only signed.
template <typename Lanes>
class KeyTest {
 public:
  explicit KeyTest(ColorKey key)
      : low_(Lanes::Set(key.low)), range_(Lanes::Set((key.high - key.low) ^ Lanes::kTopBit)),
        topBit_(Lanes::Set(Lanes::kTopBit)) {}
  __m128i Outside(__m128i v) const { return Lanes::Greater(_mm_xor_si128(Lanes::Sub(v, low_), topBit_), range_); }

 private:
  __m128i low_, range_, topBit_;
};

__m128i Load(const uint8_t *at) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(at)); }

// One bit per pixel for the sixteen pixels at `at`.
uint32_t Outside16(const uint8_t *at, const KeyTest<Lanes8> &key) {
  return static_cast<uint32_t>(_mm_movemask_epi8(key.Outside(Load(at))));
}

uint32_t Outside16(const uint8_t *at, const KeyTest<Lanes16> &key) {
  const __m128i packed = _mm_packs_epi16(key.Outside(Load(at)), key.Outside(Load(at + 16)));
  return static_cast<uint32_t>(_mm_movemask_epi8(packed));
}

uint32_t Outside16(const uint8_t *at, const KeyTest<Lanes32> &key) {
  const __m128i low = _mm_packs_epi32(key.Outside(Load(at)), key.Outside(Load(at + 16)));
  const __m128i high = _mm_packs_epi32(key.Outside(Load(at + 32)), key.Outside(Load(at + 48)));
  return static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(low, high)));
}

template <typename Lanes, int kBytes>
int FindWithLanes(const uint8_t *row, int width, ColorKey key, PixelRun *runs) {
  const KeyTest<Lanes> lanes(key);
  RunCollector collector(runs);
  int x = 0;
  for (; x + 16 <= width; x += 16) collector.Sixteen(x, Outside16(row + x * kBytes, lanes));
  for (; x < width; ++x) {
    const uint32_t value = Pixel<kBytes>::Load(row + x * kBytes);
    collector.One(x, value < key.low || value > key.high);
  }
  return collector.Finish(width);
}

int FindPixelByPixel(const uint8_t *row, int width, int bytes, ColorKey key, PixelRun *runs) {
  RunCollector collector(runs);
  for (int x = 0; x < width; ++x) {
    const uint32_t value = ReadPixel(row + x * bytes, bytes);
    collector.One(x, value < key.low || value > key.high);
  }
  return collector.Finish(width);
}

}  // namespace

int FindOpaqueRuns(const uint8_t *row, int width, int bytes, ColorKey key, PixelRun *runs) {
  if (width <= 0) return 0;
  // A range that no value of the pixel size reaches keys nothing; one that
  // reaches past the largest value is cut there, so that it fits the lanes.
  const uint32_t largest = bytes >= 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1;
  if (key.high < key.low || key.low > largest) {
    runs[0] = PixelRun{0, width};
    return 1;
  }
  if (key.high > largest) key.high = largest;
  switch (bytes) {
    case 1: return FindWithLanes<Lanes8, 1>(row, width, key, runs);
    case 2: return FindWithLanes<Lanes16, 2>(row, width, key, runs);
    case 4: return FindWithLanes<Lanes32, 4>(row, width, key, runs);
    default: return FindPixelByPixel(row, width, bytes, key, runs);
  }
}

}  // namespace pixels
