// The run-length form of a colour-keyed source: for every row, the runs of
// pixels outside the key, and those pixels themselves packed one run after
// another. A keyed copy through it copies each opaque run with one block
// copy from the packed pixels and never reads or writes the transparent
// ones. Finding the runs costs one pass over the source, so the form is
// worth keeping only while the source's pixels and key stay as they were;
// whoever keeps one must drop it on any change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pixels/opaque_runs.h"
#include "pixels/pixel_kernels.h"

namespace pixels {

class KeyedSpans {
 public:
  // The runs of every row of `source` whose pixels lie outside `key`, and a
  // copy of their pixels. Throws std::bad_alloc when memory runs out.
  static KeyedSpans Find(const Block &source, ColorKey key);

  ColorKey key() const { return key_; }
  int width() const { return width_; }
  int height() const { return height_; }
  int bytes() const { return bytes_; }
  // Whether the runs are long enough on average for copying them one by
  // one to beat a select over every pixel.
  bool Worthwhile() const { return worthwhile_; }

  // The keyed copy of the part of the source whose top-left pixel is
  // (left, top) and whose size is the target's, from the pixels as they
  // were when the runs were found. The part must lie inside the source;
  // anything else copies nothing.
  void CopyPart(const Block &target, int left, int top) const;

  // The kept runs of whole rows in pixels, as plain pointers that a loop
  // can hold in registers: row y's are runs[rowStart[y]] up to
  // runs[rowStart[y + 1]].
  struct RowTable {
    const uint32_t *rowStart;
    const PixelRun *runs;

    RunList Row(int y) const {
      const uint32_t first = rowStart[y];
      return RunList{runs + first, static_cast<int>(rowStart[y + 1] - first)};
    }
  };
  RowTable WholeRows() const { return RowTable{rowStart_.data(), pixelRuns_.data()}; }

  // The opaque runs of row `y` within columns [left, left + width), in
  // pixels counted from `left`, cut into `scratch` (room for
  // MostOpaqueRuns(width)). The columns must lie inside the source;
  // anything else has no runs.
  RunList RowRuns(int y, int left, int width, PixelRun *scratch) const;

 private:

  // Offsets in bytes: begin and end within the row, packed within the
  // packed pixels.
  struct Run {
    uint32_t begin;
    uint32_t end;  // one past the last opaque byte
    uint32_t packed;
  };

  // The keyed copy of CopyPart, each run copied by `copy`; the same with
  // 32-byte vectors, and with byte-masked 32-byte vectors.
  using RunCopy = void (*)(uint8_t *to, const uint8_t *from, size_t n);
  template <RunCopy copy>
  void CopyRows(const Block &target, int left, int top) const;
  void CopyRowsWide(const Block &target, int left, int top) const;
  void CopyRowsMasked(const Block &target, int left, int top) const;

  ColorKey key_{};
  int width_ = 0;
  int height_ = 0;
  int bytes_ = 0;
  bool worthwhile_ = false;
  // Row y's runs are runs_[rowStart_[y]] up to runs_[rowStart_[y + 1]];
  // pixelRuns_ holds the same runs in pixels.
  std::vector<uint32_t> rowStart_;
  std::vector<Run> runs_;
  std::vector<PixelRun> pixelRuns_;
  std::vector<uint8_t> opaque_;
};

}  // namespace pixels
