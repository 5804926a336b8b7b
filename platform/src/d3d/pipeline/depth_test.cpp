// The early depth test: one loop per depth word size and compare function,
// picked from a table once per draw, keeping the offsets of visible pixels
// so that hidden ones are never shaded.
#include <cstring>

#include "d3d/pipeline/compare.h"
#include "d3d/pipeline/pixel_setup.h"

namespace raster {

namespace {

template <typename Word, Compare C>
int DepthTest(const uint8_t *depthRow, uint32_t mask, int shift, const uint32_t *values, uint8_t *list, int count) {
  // First the outcome of every pixel (a loop the compiler vectorises), then
  // the offsets of those that passed.
  uint8_t pass[kChunk];
  int passed = 0;
  for (int k = 0; k < count; ++k) {
    Word word;
    std::memcpy(&word, depthRow + k * static_cast<int>(sizeof(Word)), sizeof word);
    const uint32_t stored = (static_cast<uint32_t>(word) & mask) >> shift;
    pass[k] = Passes<C>(values[k], stored) ? 1 : 0;
    passed += pass[k];
  }
  if (passed == count) {
    for (int k = 0; k < count; ++k) list[k] = static_cast<uint8_t>(k);
    return count;
  }
  int kept = 0;
  for (int k = 0; k < count && kept < passed; ++k) {
    list[kept] = static_cast<uint8_t>(k);
    kept += pass[k];
  }
  return passed;
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
