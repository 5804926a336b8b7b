// Stores and copies of byte runs for the specialised kernels: short copies
// inline (no call for a few pixels), and a repeated pixel stored over a run
// with the widest stores the machine has, so that fills run at the speed of
// memset.
#pragma once

#include <emmintrin.h>
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "pixels/processor_vectors.h"

namespace pixels {

// Copies n bytes between runs that do not overlap. Runs up to kInlineLimit
// bytes are copied inline, sixteen bytes at a time with the last sixteen
// overlapping, or by two overlapping loads and stores of one width when
// shorter; longer runs go to memcpy, whose wider stores pay for its call.
template <size_t kInlineLimit>
inline void CopyBytesInlineUpTo(uint8_t *to, const uint8_t *from, size_t n) {
  if (n > kInlineLimit) {
    memcpy(to, from, n);
  } else if (n >= 16) {
    __m128i last = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + n - 16));
    for (size_t i = 0; i + 16 < n; i += 16) {
      _mm_storeu_si128(reinterpret_cast<__m128i *>(to + i), _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + i)));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i *>(to + n - 16), last);
  } else if (n >= 8) {
    uint64_t a, b;
    memcpy(&a, from, 8);
    memcpy(&b, from + n - 8, 8);
    memcpy(to, &a, 8);
    memcpy(to + n - 8, &b, 8);
  } else if (n >= 4) {
    uint32_t a, b;
    memcpy(&a, from, 4);
    memcpy(&b, from + n - 4, 4);
    memcpy(to, &a, 4);
    memcpy(to + n - 4, &b, 4);
  } else if (n >= 2) {
    uint16_t a, b;
    memcpy(&a, from, 2);
    memcpy(&b, from + n - 2, 2);
    memcpy(to, &a, 2);
    memcpy(to + n - 2, &b, 2);
  } else if (n == 1) {
    *to = *from;
  }
}

// Rows of copies and stretches: beyond 64 bytes memcpy's wider stores win.
inline void CopyBytes(uint8_t *to, const uint8_t *from, size_t n) { CopyBytesInlineUpTo<64>(to, from, n); }

// Runs of keyed copies come one after another from packed pixels: a call
// for each costs more than it saves up to four 64-byte lines.
inline void CopyRunBytes(uint8_t *to, const uint8_t *from, size_t n) { CopyBytesInlineUpTo<256>(to, from, n); }

// CopyRunBytes with 32-byte vectors, for code compiled for machines that
// have them and chosen at run time: whole vectors forward, then the last 32
// bytes overlapping them. Stores only ever move forward, which measured
// faster at sprite widths than both memcpy and copies of a run's first and
// last vectors, whose overlapping stores go backwards. Runs longer than
// kAlignedRunBytes (whole rows of large frames) store aligned to 32 bytes,
// four vectors at a time, so that no store straddles two cache lines.
// Runs below 32 bytes go the narrow way.
constexpr size_t kAlignedRunBytes = 256;

__attribute__((target("avx2"))) inline void CopyRunBytesAligned(uint8_t *to, const uint8_t *from, size_t n) {
  const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(from));
  const __m256i last = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(from + n - 32));
  const size_t head = 32 - (reinterpret_cast<uintptr_t>(to) & 31);
  uint8_t *at = to + head;
  const uint8_t *source = from + head;
  uint8_t *const end = to + n - 32;  // the last vector is stored separately
  for (; at + 128 <= end; at += 128, source += 128) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(source));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(source + 32));
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(source + 64));
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(source + 96));
    _mm256_store_si256(reinterpret_cast<__m256i *>(at), a);
    _mm256_store_si256(reinterpret_cast<__m256i *>(at + 32), b);
    _mm256_store_si256(reinterpret_cast<__m256i *>(at + 64), c);
    _mm256_store_si256(reinterpret_cast<__m256i *>(at + 96), d);
  }
  for (; at < end; at += 32, source += 32) {
    _mm256_store_si256(reinterpret_cast<__m256i *>(at), _mm256_loadu_si256(reinterpret_cast<const __m256i *>(source)));
  }
  _mm256_storeu_si256(reinterpret_cast<__m256i *>(to), first);
  _mm256_storeu_si256(reinterpret_cast<__m256i *>(to + n - 32), last);
}

__attribute__((target("avx2"))) inline void CopyRunBytesWide(uint8_t *to, const uint8_t *from, size_t n) {
  if (n < 32) {
    CopyRunBytes(to, from, n);
    return;
  }
  if (n > kAlignedRunBytes) {
    CopyRunBytesAligned(to, from, n);
    return;
  }
  const __m256i last = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(from + n - 32));
  for (size_t i = 0; i + 32 < n; i += 32) {
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(to + i), _mm256_loadu_si256(reinterpret_cast<const __m256i *>(from + i)));
  }
  _mm256_storeu_si256(reinterpret_cast<__m256i *>(to + n - 32), last);
}

// CopyRunBytes with byte-masked 32-byte stores, for code compiled for
// machines that have them and chosen at run time: whole vectors forward,
// then the rest of the run (1 to 32 bytes) as one vector stored under a
// mask of its bytes. Every run length takes the same path, so runs whose
// lengths change from row to row cost no mispredicted branch, and masked
// bytes are neither read nor written.
__attribute__((target("avx2,avx512f,avx512bw,avx512vl,bmi2"))) inline void CopyRunBytesMasked(uint8_t *to,
                                                                                           const uint8_t *from,
                                                                                           size_t n) {
  size_t done = 0;
  for (; done + 32 < n; done += 32) {
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(to + done),
                        _mm256_loadu_si256(reinterpret_cast<const __m256i *>(from + done)));
  }
  const __mmask32 rest = _bzhi_u32(~0u, static_cast<unsigned>(n - done));
  _mm256_mask_storeu_epi8(to + done, rest, _mm256_maskz_loadu_epi8(rest, from + done));
}

// One pixel value repeated: 48 bytes hold a whole number of pixels of every
// size from 1 to 4 bytes, of eight-byte words and of sixteen-byte vectors,
// so runs of any pixel size are stored three vectors at a time from their
// first pixel.
class RepeatedPixel {
 public:
  RepeatedPixel(uint32_t value, int bytes) {
    for (int i = 0; i < kChunk; ++i) pattern_[i] = static_cast<uint8_t>(value >> (8 * (i % bytes)));
    uniform_ = true;
    for (int i = 1; i < bytes; ++i) uniform_ = uniform_ && pattern_[i] == pattern_[0];
    periodEight_ = bytes != 3;
  }

  // Stores the pixel over n bytes (a whole number of pixels) from `at`,
  // which holds the start of a pixel.
  void Store(uint8_t *at, size_t n) const { StoreWith(at, n, HasWideVectors()); }

  // Store, with 32-byte vectors or without them.
  void StoreWith(uint8_t *at, size_t n, bool wideVectors) const {
    if (periodEight_ && n >= kLongStoreBytes && wideVectors) {
      StoreAligned(at, n);
    } else if (uniform_) {
      memset(at, pattern_[0], n);
    } else if (periodEight_ && n >= kLongStoreBytes) {
      StoreWords(at, n);
    } else {
      StoreChunks(at, n);
    }
  }

 private:
  // From here on a string store beats a loop of word stores, and aligned
  // 32-byte stores beat both (and memset, which ends in a string store).
  static constexpr size_t kLongStoreBytes = 256;

  // A pattern that repeats every eight bytes stored with 32-byte vectors:
  // the first and last 32 bytes unaligned, everything between with stores
  // aligned to 32 bytes, four at a time. A vector starting k bytes into
  // the run holds the pattern from its byte k mod 8.
  __attribute__((target("avx2"))) void StoreAligned(uint8_t *at, size_t n) const {
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(at), PatternFrom(0));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(at + n - 32), PatternFrom(n - 32));
    const size_t head = 32 - (reinterpret_cast<uintptr_t>(at) & 31);
    const __m256i aligned = PatternFrom(head);
    uint8_t *to = at + head;
    uint8_t *const end = at + n - 32;  // the last vector is stored already
    for (; to + 128 <= end; to += 128) {
      _mm256_store_si256(reinterpret_cast<__m256i *>(to), aligned);
      _mm256_store_si256(reinterpret_cast<__m256i *>(to + 32), aligned);
      _mm256_store_si256(reinterpret_cast<__m256i *>(to + 64), aligned);
      _mm256_store_si256(reinterpret_cast<__m256i *>(to + 96), aligned);
    }
    for (; to < end; to += 32) _mm256_store_si256(reinterpret_cast<__m256i *>(to), aligned);
  }

  // 32 bytes of an eight-byte pattern as they lie `offset` bytes into a run.
  __attribute__((target("avx2"))) __m256i PatternFrom(size_t offset) const {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(pattern_ + (offset & 7)));
  }

  // 48-byte chunks, then the rest from the pattern's start.
  void StoreChunks(uint8_t *at, size_t n) const {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(pattern_));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(pattern_ + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i *>(pattern_ + 32));
    size_t done = 0;
    for (; done + kChunk <= n; done += kChunk) {
      _mm_storeu_si128(reinterpret_cast<__m128i *>(at + done), a);
      _mm_storeu_si128(reinterpret_cast<__m128i *>(at + done + 16), b);
      _mm_storeu_si128(reinterpret_cast<__m128i *>(at + done + 32), c);
    }
    memcpy(at + done, pattern_, n - done);
  }

  // A pattern that repeats every eight bytes (pixels of 1, 2 or 4 bytes):
  // the head up to an eight-byte boundary, then the whole words with one
  // string store of the pattern turned to the boundary's phase, then the
  // tail.
  void StoreWords(uint8_t *at, size_t n) const {
    const size_t head = (8 - (reinterpret_cast<uintptr_t>(at) & 7)) & 7;
    memcpy(at, pattern_, 8);  // covers the head, the words overwrite the rest
    uint64_t word;
    memcpy(&word, pattern_ + head, 8);
    uint8_t *words = at + head;
    const size_t count = (n - head) / 8;
    StoreRepeated(words, word, count);
    const size_t tail = (n - head) % 8;
    if (tail > 0) memcpy(words + count * 8, &word, tail);
  }

  static void StoreRepeated(uint8_t *at, uint64_t word, size_t count) {
#if defined(__x86_64__)
    __asm__ volatile("rep stosq" : "+D"(at), "+c"(count) : "a"(word) : "memory");
#elif defined(__i386__)
    // Eight-byte periods are also four-byte periods for these pixel sizes.
    size_t halves = count * 2;
    const uint32_t half = static_cast<uint32_t>(word);
    __asm__ volatile("rep stosl" : "+D"(at), "+c"(halves) : "a"(half) : "memory");
#else
    for (size_t i = 0; i < count; ++i) memcpy(at + 8 * i, &word, 8);
#endif
  }

  static constexpr int kChunk = 48;
  uint8_t pattern_[kChunk];
  bool uniform_;
  bool periodEight_;
};

}  // namespace pixels
