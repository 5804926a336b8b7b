// Finding the opaque runs of a keyed source and copying through them.
#include "pixels/keyed_spans.h"

#include <algorithm>

#include "pixels/byte_runs.h"
#include "pixels/pixel_access.h"

namespace pixels {

namespace {

// A copy that reads and writes every pixel costs about a sixteenth of what
// starting one run costs; below that many pixels per run, runs lose.
constexpr uint64_t kPixelsPerRunWorthIt = 16;

bool InKey(uint32_t value, uint32_t low, uint32_t high) { return value >= low && value <= high; }

}  // namespace

KeyedSpans KeyedSpans::Find(const Block &source, ColorKey key) {
  KeyedSpans spans;
  spans.key_ = key;
  spans.width_ = source.width > 0 ? source.width : 0;
  spans.height_ = source.height > 0 ? source.height : 0;
  spans.bytes_ = source.bytes;
  spans.rowStart_.reserve(static_cast<size_t>(spans.height_) + 1);
  spans.rowStart_.push_back(0);
  const uint32_t low = key.low, high = key.high;
  const int width = spans.width_, height = spans.height_;
  WithPixelSize(source.bytes, [&](auto pixel) {
    using P = decltype(pixel);
    for (int y = 0; y < height; ++y) {
      const uint8_t *row = source.bits + static_cast<long>(y) * source.pitch;
      int x = 0;
      while (x < width) {
        while (x < width && InKey(P::Load(row + x * P::kBytes), low, high)) ++x;
        const int begin = x;
        while (x < width && !InKey(P::Load(row + x * P::kBytes), low, high)) ++x;
        if (x > begin) {
          spans.runs_.push_back(Run{static_cast<uint32_t>(begin), static_cast<uint32_t>(x)});
          spans.opaquePixels_ += static_cast<uint64_t>(x - begin);
        }
      }
      spans.rowStart_.push_back(static_cast<uint32_t>(spans.runs_.size()));
    }
  });
  if (!ValidPixelSize(source.bytes)) spans.rowStart_.assign(static_cast<size_t>(height) + 1, 0);
  return spans;
}

bool KeyedSpans::Worthwhile() const {
  const uint64_t pixels = static_cast<uint64_t>(width_) * static_cast<uint64_t>(height_);
  return runs_.size() * kPixelsPerRunWorthIt <= pixels;
}

void KeyedSpans::CopyPart(const Block &target, const Block &source, int left, int top) const {
  if (target.width <= 0 || target.height <= 0 || left < 0 || top < 0 || left + target.width > width_ ||
      top + target.height > height_ || target.bytes != bytes_ || source.bytes != bytes_) {
    return;
  }
  const size_t bytes = static_cast<size_t>(bytes_);
  const Run *runs = runs_.data();
  const uint32_t *rowStart = rowStart_.data() + top;
  if (left == 0 && target.width == width_) {
    // The whole width: every run of the row, uncut.
    for (int y = 0; y < target.height; ++y) {
      uint8_t *to = target.bits + static_cast<long>(y) * target.pitch;
      const uint8_t *from = source.bits + static_cast<long>(y) * source.pitch;
      for (const Run *run = runs + rowStart[y], *end = runs + rowStart[y + 1]; run != end; ++run) {
        CopyBytes(to + run->begin * bytes, from + run->begin * bytes, (run->end - run->begin) * bytes);
      }
    }
    return;
  }
  const uint32_t right = static_cast<uint32_t>(left + target.width);
  const uint32_t first = static_cast<uint32_t>(left);
  for (int y = 0; y < target.height; ++y) {
    const Run *run = runs + rowStart[y];
    const Run *end = runs + rowStart[y + 1];
    // The first run that reaches into the part.
    if (first > 0) run = std::lower_bound(run, end, first, [](const Run &r, uint32_t x) { return r.end <= x; });
    uint8_t *to = target.bits + static_cast<long>(y) * target.pitch;
    const uint8_t *from = source.bits + static_cast<long>(y) * source.pitch;
    for (; run != end && run->begin < right; ++run) {
      const uint32_t begin = std::max(run->begin, first) - first;
      const uint32_t stop = std::min(run->end, right) - first;
      CopyBytes(to + begin * bytes, from + begin * bytes, (stop - begin) * bytes);
    }
  }
}

}  // namespace pixels
