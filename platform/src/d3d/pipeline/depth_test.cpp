// The early depth test: one loop per depth word size and compare function,
// picked from a table once per draw, keeping the offsets of visible pixels
// so that hidden ones are never shaded. Pixels are tested four at a time.
#include <cstring>

#include "d3d/pipeline/compare.h"
#include "d3d/pipeline/lanes.h"
#include "d3d/pipeline/pixel_setup.h"

namespace raster {

namespace {

template <Compare C, typename T>
inline auto PassesLanes(T incoming, T stored) {
  switch (C) {
    case Compare::kNever: return incoming != incoming;
    case Compare::kLess: return incoming < stored;
    case Compare::kEqual: return incoming == stored;
    case Compare::kLessEqual: return incoming <= stored;
    case Compare::kGreater: return incoming > stored;
    case Compare::kNotEqual: return incoming != stored;
    case Compare::kGreaterEqual: return incoming >= stored;
    case Compare::kAlways: return incoming == incoming;
  }
  return incoming == incoming;
}

// For each pattern of four passes (bit k: pixel k passed), the offsets of
// the passing pixels packed into bytes from the lowest, and their number.
struct Compaction {
  uint32_t offsets;
  int count;
};
constexpr Compaction MakeCompaction(unsigned pattern) {
  Compaction c{0, 0};
  for (unsigned k = 0; k < 4; ++k)
    if (pattern & (1u << k)) c.offsets |= k << (8 * c.count++);
  return c;
}
constexpr Compaction kCompactions[16] = {
    MakeCompaction(0),  MakeCompaction(1),  MakeCompaction(2),  MakeCompaction(3),
    MakeCompaction(4),  MakeCompaction(5),  MakeCompaction(6),  MakeCompaction(7),
    MakeCompaction(8),  MakeCompaction(9),  MakeCompaction(10), MakeCompaction(11),
    MakeCompaction(12), MakeCompaction(13), MakeCompaction(14), MakeCompaction(15)};

// Four depth words of either size.
template <typename Word>
struct WordLanes;
template <>
struct WordLanes<uint16_t> {
  using Type = uint16_t __attribute__((vector_size(8)));
};
template <>
struct WordLanes<uint32_t> {
  using Type = uint32_t __attribute__((vector_size(16)));
};
using StoredLanes = uint32_t __attribute__((vector_size(16)));

template <typename Word, Compare C>
int DepthTest(const uint8_t *depthRow, uint32_t mask, int shift, const uint32_t *values, uint8_t *list, int count) {
  // Whole groups of four inside the row: four outcomes at once, the offsets
  // of those that passed appended four bytes at a time (the list has room:
  // it never runs ahead of the pixels tested).
  int kept = 0, k = 0;
  for (; k + kLanes <= count; k += kLanes) {
    typename WordLanes<Word>::Type words;
    std::memcpy(&words, depthRow + k * static_cast<int>(sizeof(Word)), sizeof words);
    const StoredLanes stored = (__builtin_convertvector(words, StoredLanes) & mask) >> shift;
    const auto pass = PassesLanes<C>(LoadLanes<StoredLanes>(values + k), stored);
    const unsigned pattern = (pass[0] & 1) | (pass[1] & 2) | (pass[2] & 4) | (pass[3] & 8);
    const uint32_t offsets = kCompactions[pattern].offsets + static_cast<uint32_t>(k) * 0x01010101u;
    std::memcpy(list + kept, &offsets, 4);
    kept += kCompactions[pattern].count;
  }
  for (; k < count; ++k) {
    Word word;
    std::memcpy(&word, depthRow + k * static_cast<int>(sizeof(Word)), sizeof word);
    const uint32_t stored = (static_cast<uint32_t>(word) & mask) >> shift;
    list[kept] = static_cast<uint8_t>(k);
    kept += Passes<C>(values[k], stored) ? 1 : 0;
  }
  return kept;
}

template <typename Word>
DepthTestFn ForCompare(Compare compare) {
  switch (compare) {
    case Compare::kNever: return DepthTest<Word, Compare::kNever>;
    case Compare::kLess: return DepthTest<Word, Compare::kLess>;
    case Compare::kEqual: return DepthTest<Word, Compare::kEqual>;
    case Compare::kLessEqual: return DepthTest<Word, Compare::kLessEqual>;
    case Compare::kGreater: return DepthTest<Word, Compare::kGreater>;
    case Compare::kNotEqual: return DepthTest<Word, Compare::kNotEqual>;
    case Compare::kGreaterEqual: return DepthTest<Word, Compare::kGreaterEqual>;
    case Compare::kAlways: return DepthTest<Word, Compare::kAlways>;
  }
  return DepthTest<Word, Compare::kAlways>;
}

}  // namespace

DepthTestFn ChooseDepthTest(int bytes, Compare compare) {
  return bytes == 2 ? ForCompare<uint16_t>(compare) : ForCompare<uint32_t>(compare);
}

}  // namespace raster
