// Finding the opaque runs of a keyed source, packing their pixels, and
// copying through them.
#include "pixels/keyed_spans.h"

#include <algorithm>

#include "pixels/byte_runs.h"
#include "pixels/processor_vectors.h"
#include "pixels/opaque_runs.h"
#include "pixels/pixel_access.h"

namespace pixels {

namespace {

// A copy that reads and writes every pixel costs about a sixteenth of what
// starting one run costs; below that many pixels per run, runs lose.
constexpr uint64_t kPixelsPerRunWorthIt = 16;

}  // namespace

// The part's rows, each run copied by `copy`: whole rows run by run with
// the packed pixels read straight through, a part narrower than the source
// from the first run that reaches into it, each run cut to the part.
// Inlined into each caller, so that the run copy is compiled for the
// caller's machine.
template <KeyedSpans::RunCopy copy>
__attribute__((always_inline)) inline void KeyedSpans::CopyRows(const Block &target, int left, int top) const {
  const Run *runs = runs_.data();
  const uint32_t *rowStart = rowStart_.data() + top;
  const uint8_t *packed = opaque_.data();
  // Locals, not members or the target's fields: the byte stores may alias
  // those, which would reload them after every run.
  const int height = target.height;
  const long pitch = target.pitch;
  uint8_t *to = target.bits;
  if (left == 0 && target.width == width_) {
    const Run *run = runs + rowStart[0];
    for (int y = 0; y < height; ++y, to += pitch) {
      for (const Run *end = runs + rowStart[y + 1]; run != end; ++run) {
        copy(to + run->begin, packed + run->packed, run->end - run->begin);
      }
    }
    return;
  }
  const uint32_t first = static_cast<uint32_t>(left * bytes_);
  const uint32_t right = first + static_cast<uint32_t>(target.width * bytes_);
  for (int y = 0; y < height; ++y, to += pitch) {
    const Run *run = runs + rowStart[y];
    const Run *end = runs + rowStart[y + 1];
    // The first run that reaches into the part.
    if (first > 0) run = std::lower_bound(run, end, first, [](const Run &r, uint32_t x) { return r.end <= x; });
    for (; run != end && run->begin < right; ++run) {
      const uint32_t begin = std::max(run->begin, first);
      const uint32_t stop = std::min(run->end, right);
      copy(to + (begin - first), packed + run->packed + (begin - run->begin), stop - begin);
    }
  }
}

__attribute__((target("avx2"))) void KeyedSpans::CopyRowsWide(const Block &target, int left, int top) const {
  CopyRows<CopyRunBytesWide>(target, left, top);
}

__attribute__((target("avx2,avx512f,avx512bw,avx512vl,bmi2"))) void KeyedSpans::CopyRowsMasked(const Block &target,
                                                                                             int left,
                                                                                             int top) const {
  CopyRows<CopyRunBytesMasked>(target, left, top);
}

KeyedSpans KeyedSpans::Find(const Block &source, ColorKey key) {
  KeyedSpans spans;
  spans.key_ = key;
  spans.bytes_ = source.bytes;
  if (!ValidPixelSize(source.bytes) || source.width <= 0 || source.height <= 0) {
    spans.rowStart_.assign(1, 0);
    return spans;
  }
  spans.width_ = source.width;
  spans.height_ = source.height;
  spans.rowStart_.reserve(static_cast<size_t>(spans.height_) + 1);
  spans.rowStart_.push_back(0);
  const int width = spans.width_, height = spans.height_;
  std::vector<PixelRun> rowRuns(static_cast<size_t>(MostOpaqueRuns(width)));
  for (int y = 0; y < height; ++y) {
    const uint8_t *row = source.bits + static_cast<long>(y) * source.pitch;
    const int count = FindOpaqueRuns(row, width, source.bytes, key, rowRuns.data());
    for (int i = 0; i < count; ++i) {
      const uint32_t from = static_cast<uint32_t>(rowRuns[i].begin * source.bytes);
      const uint32_t to = static_cast<uint32_t>(rowRuns[i].end * source.bytes);
      spans.runs_.push_back(Run{from, to, static_cast<uint32_t>(spans.opaque_.size())});
      spans.pixelRuns_.push_back(rowRuns[i]);
      spans.opaque_.insert(spans.opaque_.end(), row + from, row + to);
    }
    spans.rowStart_.push_back(static_cast<uint32_t>(spans.runs_.size()));
  }
  const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
  spans.worthwhile_ = spans.runs_.size() * kPixelsPerRunWorthIt <= pixels;
  return spans;
}

void KeyedSpans::CopyPart(const Block &target, int left, int top) const {
  if (target.width <= 0 || target.height <= 0 || left < 0 || top < 0 || left > width_ - target.width ||
      top > height_ - target.height || target.bytes != bytes_) {
    return;
  }
  if (HasMaskedVectors()) {
    CopyRowsMasked(target, left, top);
  } else if (HasWideVectors()) {
    CopyRowsWide(target, left, top);
  } else {
    CopyRows<CopyRunBytes>(target, left, top);
  }
}

RunList KeyedSpans::RowRuns(int y, int left, int width, PixelRun *scratch) const {
  if (y < 0 || y >= height_ || left < 0 || width <= 0 || left > width_ - width) return RunList{scratch, 0};
  const PixelRun *run = pixelRuns_.data() + rowStart_[static_cast<size_t>(y)];
  const PixelRun *end = pixelRuns_.data() + rowStart_[static_cast<size_t>(y) + 1];
  const int right = left + width;
  int count = 0;
  for (; run != end; ++run) {
    const int begin = std::max(run->begin, left);
    const int stop = std::min(run->end, right);
    if (begin < stop) scratch[count++] = PixelRun{begin - left, stop - left};
  }
  return RunList{scratch, count};
}

}  // namespace pixels
