// The run-length form of a colour-keyed source: for every row, the runs of
// pixels outside the key. A keyed copy through it copies each opaque run
// with one block copy and never reads or writes the transparent pixels.
// Finding the runs costs one pass over the source, so the form is worth
// keeping only while the source's pixels and key stay as they were; whoever
// keeps one must drop it on any change.
#pragma once

#include <cstdint>
#include <vector>

#include "pixels/pixel_kernels.h"

namespace pixels {

class KeyedSpans {
 public:
  // The runs of every row of `source` whose pixels lie outside `key`.
  static KeyedSpans Find(const Block &source, ColorKey key);

  ColorKey key() const { return key_; }
  int width() const { return width_; }
  int height() const { return height_; }
  int bytes() const { return bytes_; }
  // Whether the runs are long enough on average for copying them one by
  // one to beat a select over every pixel.
  bool Worthwhile() const;

  // The keyed copy of the part of the source whose top-left pixel is
  // (left, top) and whose size is the target's: `source` is that part of
  // the same pixels the runs were found in. The part must lie inside the
  // source and must not overlap the target.
  void CopyPart(const Block &target, const Block &source, int left, int top) const;

 private:
  struct Run {
    uint32_t begin;
    uint32_t end;  // one past the last opaque pixel
  };

  ColorKey key_{};
  int width_ = 0;
  int height_ = 0;
  int bytes_ = 0;
  uint64_t opaquePixels_ = 0;
  // Row y's runs are runs_[rowStart_[y]] up to runs_[rowStart_[y + 1]].
  std::vector<uint32_t> rowStart_;
  std::vector<Run> runs_;
};

}  // namespace pixels
