// The specialised nearest-neighbour stretch. Each distinct source row is
// scaled once into the target (or, keyed, into a scratch row together with
// its opaque runs); target rows taken from the same source row are copies
// of it. Doubling the width, the commonest scale, doubles pixels in vector
// lanes (doubled_rows.h) straight into two target rows at a time, keyed
// only over the source's opaque runs; any other width goes through a
// table of source offsets.
#include <emmintrin.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "pixels/byte_runs.h"
#include "pixels/doubled_rows.h"
#include "pixels/kernel_variants.h"
#include "pixels/keyed_spans.h"
#include "pixels/processor_vectors.h"
#include "pixels/opaque_runs.h"
#include "pixels/pixel_access.h"

namespace pixels::specialised {

namespace {

// Nearest neighbour at pixel centres, reversed when mirrored.
int SourceIndex(int at, int targetSize, int sourceSize, bool mirrored) {
  const int index = static_cast<int>((2LL * at + 1) * sourceSize / (2LL * targetSize));
  return mirrored ? sourceSize - 1 - index : index;
}

// The source row of each target row in turn, top to bottom: the same
// nearest-neighbour index as SourceIndex, kept as a quotient and remainder
// and stepped by 2 * sourceSize per row instead of divided out each time.
class SourceRows {
 public:
  SourceRows() = default;
  SourceRows(int targetSize, int sourceSize, bool mirrored)
      : sourceSize_(sourceSize),
        mirrored_(mirrored),
        divisor_(2LL * targetSize),
        quotient_(sourceSize / divisor_),
        remainder_(sourceSize % divisor_),
        stepQuotient_(2LL * sourceSize / divisor_),
        stepRemainder_(2LL * sourceSize % divisor_) {}

  // The source row of the next target row.
  int Next() {
    const int index = static_cast<int>(quotient_);
    quotient_ += stepQuotient_;
    remainder_ += stepRemainder_;
    if (remainder_ >= divisor_) {
      remainder_ -= divisor_;
      ++quotient_;
    }
    return mirrored_ ? sourceSize_ - 1 - index : index;
  }

 private:
  int sourceSize_ = 0;
  bool mirrored_ = false;
  int64_t divisor_ = 1;
  int64_t quotient_ = 0;
  int64_t remainder_ = 0;
  int64_t stepQuotient_ = 0;
  int64_t stepRemainder_ = 0;
};

// Target rows taken from the same source row: the source row, the first of
// the target rows, and how many in a row take it. Groups come top to
// bottom, so the target is written in the order a plain stretch writes it;
// turned upside down, the source is read from its last row up. The target
// takes four times the memory traffic of the source when doubling, and
// writing it backwards measured up to 15% slower than reading the source
// backwards.
class RowGroups {
 public:
  struct Group {
    int sourceY;
    int targetY;
    int count;
  };

  RowGroups(int targetSize, int sourceSize, bool mirrored)
      : targetSize_(targetSize), sourceSize_(sourceSize), mirrored_(mirrored), left_(targetSize) {
    if (targetSize <= 0 || sourceSize <= 0) return;
    // Twice as tall, the commonest, is known without dividing.
    if (targetSize == 2 * sourceSize || targetSize % sourceSize == 0) {
      times_ = targetSize == 2 * sourceSize ? 2 : targetSize / sourceSize;
      return;
    }
    // Stepping starts with divisions, done only when rows are stepped.
    rows_ = SourceRows(targetSize, sourceSize, mirrored);
    next_ = rows_.Next();
  }

  // The next group; false after the last target row.
  bool Next(Group *group) {
    if (left_ <= 0) return false;
    const int done = targetSize_ - left_;
    if (times_ > 0) {
      const int taken = taken_++;
      *group = Group{mirrored_ ? sourceSize_ - 1 - taken : taken, done, times_};
      left_ -= times_;
      return true;
    }
    *group = Group{next_, done, 0};
    while (left_ > 0 && next_ == group->sourceY) {
      ++group->count;
      if (--left_ > 0) next_ = rows_.Next();
    }
    return true;
  }

 private:
  SourceRows rows_;
  int targetSize_;
  int sourceSize_;
  bool mirrored_;
  int times_ = 0;  // target rows per source row when that is whole, else 0
  int taken_ = 0;  // source rows given out, when whole
  int left_;
  int next_ = 0;
};

// Doubling writes a scaled row into at most this many target rows at once,
// keeping the stores of one vector close together; further rows of the
// same source row are copies of the row above.
constexpr int kRowsDoubledAtOnce = 2;

// Storage for n items, kept inside the object when small enough, so that
// the stretch of a sprite allocates nothing.
template <typename T, size_t kInline>
class Scratch {
 public:
  explicit Scratch(size_t count) {
    if (count > kInline) heap_.resize(count);
    data_ = count > kInline ? heap_.data() : inline_;
  }
  Scratch(const Scratch &) = delete;
  Scratch &operator=(const Scratch &) = delete;
  T *data() { return data_; }

 private:
  T inline_[kInline];
  std::vector<T> heap_;
  T *data_;
};

// Whether a stretch doubles the width of pixels the doubling paths handle.
bool DoublesWidth(const Block &target, const Block &source) {
  return target.width == 2 * source.width && (source.bytes == 2 || source.bytes == 4);
}

// Entries into a doubling `Work<Lanes>::Run`, compiled for machines with
// 32-byte vectors and for those that also have masked ones, so that the
// lanes' vector code inlines into the work.
template <template <typename> class Work, typename Lanes, typename... Args>
__attribute__((target("avx2"))) void RunWide(Args... args) {
  Work<Lanes>::Run(args...);
}

template <template <typename> class Work, typename Lanes, typename... Args>
__attribute__((target("avx2,avx512f,avx512bw,avx512vl,bmi2"))) void RunMasked(Args... args) {
  Work<Lanes>::Run(args...);
}

// Runs `Work` with the widest doubling lanes the machine has for pixels
// whose narrowest lanes are `Narrow`.
template <template <typename> class Work, typename Narrow, typename... Args>
void RunWithWidestLanes(Args... args) {
  if (HasMaskedVectors()) {
    RunMasked<Work, MaskedDoubledLanes<Narrow>>(args...);
  } else if (HasWideVectors()) {
    RunWide<Work, WideDoubledLanes<Narrow>>(args...);
  } else {
    Work<Narrow>::Run(args...);
  }
}

// Runs `Work` with the doubling lanes of the source's pixel size (2 or 4).
template <template <typename> class Work, typename... Args>
void WithDoubledLanes(int bytes, Args... args) {
  if (bytes == 2) {
    RunWithWidestLanes<Work, DoubledLanes16>(args...);
  } else {
    RunWithWidestLanes<Work, DoubledLanes32>(args...);
  }
}

// A row scaled through a table of source byte offsets, one per target
// pixel.
class RowScaler {
 public:
  RowScaler(int targetWidth, const Block &source, bool mirrored)
      : width_(targetWidth), bytes_(source.bytes), offsets_(static_cast<size_t>(targetWidth)) {
    for (int x = 0; x < targetWidth; ++x) {
      offsets_.data()[x] = SourceIndex(x, targetWidth, source.width, mirrored) * source.bytes;
    }
  }

  void Scale(uint8_t *to, const uint8_t *from) {
    WithPixelSize(bytes_, [&](auto pixel) {
      using P = decltype(pixel);
      const int *offsets = offsets_.data();
      const int width = width_;
      for (int x = 0; x < width; ++x) P::Store(to + x * P::kBytes, P::Load(from + offsets[x]));
    });
  }

 private:
  int width_;
  int bytes_;
  Scratch<int, 1024> offsets_;
};

// Copies `bytes` bytes of each of `rows` target rows from the row above
// it, from `at` in the row before the first.
void CopyDown(uint8_t *at, long pitch, int rows, size_t bytes) {
  for (int row = 0; row < rows; ++row, at += pitch) CopyBytes(at + pitch, at, bytes);
}

// Doubling the width: each source row doubled straight into the first
// target rows made from it. Everything is taken by value, so that the loop
// keeps it in registers across its byte stores, which may alias anything in
// memory.
template <typename Doubling>
__attribute__((always_inline)) inline void StretchOpaqueDoubling(const Block target, const Block source,
                                                                 const StretchOptions options) {
  const Doubling doubler(source.width);
  const PixelRun whole{0, source.width};
  if (target.height == 2 * source.height) {
    // Twice the size, the commonest stretch: every source row makes
    // exactly two target rows.
    const long pitch = target.pitch;
    for (int made = 0; made < source.height; ++made) {
      const int y = options.mirrorUpDown ? source.height - 1 - made : made;
      doubler.Run(target.bits + 2L * made * pitch, pitch, 2, source.bits + static_cast<long>(y) * source.pitch, whole);
    }
    return;
  }
  const size_t rowBytes = static_cast<size_t>(target.width) * static_cast<size_t>(target.bytes);
  RowGroups groups(target.height, source.height, options.mirrorUpDown);
  for (RowGroups::Group group; groups.Next(&group);) {
    uint8_t *to = target.bits + static_cast<long>(group.targetY) * target.pitch;
    const int made = std::min(group.count, kRowsDoubledAtOnce);
    doubler.Run(to, target.pitch, made, source.bits + static_cast<long>(group.sourceY) * source.pitch, whole);
    CopyDown(to + (made - 1) * target.pitch, target.pitch, group.count - made, rowBytes);
  }
}

// The opaque doubling with the given lanes, mirrored or not.
template <typename Lanes>
struct OpaqueDoubling {
  __attribute__((always_inline)) static void Run(const Block target, const Block source, const StretchOptions options) {
    if (options.mirrorLeftRight) {
      StretchOpaqueDoubling<Doubler<Lanes, true>>(target, source, options);
    } else {
      StretchOpaqueDoubling<Doubler<Lanes, false>>(target, source, options);
    }
  }
};

void StretchOpaque(const Block &target, const Block &source, const StretchOptions &options) {
  if (DoublesWidth(target, source)) {
    WithDoubledLanes<OpaqueDoubling>(source.bytes, target, source, options);
    return;
  }
  RowScaler scaler(target.width, source, options.mirrorLeftRight);
  const size_t rowBytes = static_cast<size_t>(target.width) * static_cast<size_t>(target.bytes);
  RowGroups groups(target.height, source.height, options.mirrorUpDown);
  for (RowGroups::Group group; groups.Next(&group);) {
    uint8_t *to = target.bits + static_cast<long>(group.targetY) * target.pitch;
    scaler.Scale(to, source.bits + static_cast<long>(group.sourceY) * source.pitch);
    CopyDown(to, target.pitch, group.count - 1, rowBytes);
  }
}

// Where a keyed stretch gets the opaque runs of a source row: from runs
// kept for the whole source when there are some (the source then being its
// part from (left, top)), else from the row's pixels. Runs kept for rows as
// wide as the source are read in place.
class SourceRowRuns {
 public:
  SourceRowRuns(const Block &source, ColorKey key, const KeyedSpans *spans, int left, int top)
      : source_(source), key_(key), spans_(spans), left_(left), top_(top) {
    if (spans != nullptr && left == 0 && source.width == spans->width() && top >= 0 &&
        top <= spans->height() - source.height) {
      whole_ = true;
      table_ = spans->WholeRows();
    }
  }

  // The kept runs of whole rows, read in place, and the first source row's
  // place among them; null when the runs are cut or found row by row.
  const KeyedSpans::RowTable *WholeRows() const { return whole_ ? &table_ : nullptr; }
  int Top() const { return top_; }

  // The runs of source row `y`: kept ones, or ones found into `scratch`.
  RunList Find(int y, PixelRun *scratch) const {
    if (whole_) return table_.Row(top_ + y);
    if (spans_ != nullptr) return spans_->RowRuns(top_ + y, left_, source_.width, scratch);
    return RunList{scratch, FindOpaqueRuns(source_.bits + static_cast<long>(y) * source_.pitch, source_.width,
                                           source_.bytes, key_, scratch)};
  }

 private:
  Block source_;
  ColorKey key_;
  const KeyedSpans *spans_;
  int left_;
  int top_;
  bool whole_ = false;
  KeyedSpans::RowTable table_{};
};

// Twice the size, keyed, over the kept runs of whole rows (the commonest
// keyed stretch): every source row makes exactly two target rows, and its
// runs follow one another in the table, from the row `top` of the kept
// source on. Mirroring both ways is fixed at compile time and the loop
// only steps pointers, so that everything it needs stays in registers.
template <bool kUpsideDown, typename Doubling>
__attribute__((always_inline)) inline void DoubleKeptRunsTwiceAsTall(const Doubling doubler, const Block target,
                                                                     const Block source,
                                                                     const KeyedSpans::RowTable table, const int top) {
  constexpr int kRowStep = kUpsideDown ? -1 : 1;
  const long pitch = target.pitch;
  const long sourceStep = kUpsideDown ? -source.pitch : source.pitch;
  const int first = kUpsideDown ? source.height - 1 : 0;
  const uint32_t *rowStart = table.rowStart + top + first;
  const uint8_t *from = source.bits + static_cast<long>(first) * source.pitch;
  uint8_t *to = target.bits;
  for (int left = source.height; left > 0; --left) {
    const PixelRun *end = table.runs + rowStart[1];
    for (const PixelRun *run = table.runs + rowStart[0]; run < end; ++run) doubler.Run(to, pitch, 2, from, *run);
    to += 2 * pitch;
    from += sourceStep;
    rowStart += kRowStep;
  }
}

// The same with the given lanes, mirrored or not either way.
template <typename Lanes>
struct KeptRunsDoubling {
  __attribute__((always_inline)) static void Run(const Block target, const Block source, const StretchOptions options,
                                                 const KeyedSpans::RowTable table, const int top) {
    const Doubler<Lanes, true> mirrored(source.width);
    const Doubler<Lanes, false> inOrder(source.width);
    if (options.mirrorUpDown) {
      options.mirrorLeftRight ? DoubleKeptRunsTwiceAsTall<true>(mirrored, target, source, table, top)
                              : DoubleKeptRunsTwiceAsTall<true>(inOrder, target, source, table, top);
    } else {
      options.mirrorLeftRight ? DoubleKeptRunsTwiceAsTall<false>(mirrored, target, source, table, top)
                              : DoubleKeptRunsTwiceAsTall<false>(inOrder, target, source, table, top);
    }
  }
};

// Keyed and doubling the width: the opaque runs of each distinct source row
// are taken and only they are doubled, straight into the first target rows
// made from it; further rows repeating it copy those runs from the row
// above. Transparent pixels are never written, nor read when the runs were
// kept. Arguments by value, as for the opaque doubling.
template <typename Doubling>
__attribute__((always_inline)) inline void StretchKeyedDoubling(const Block target, const Block source,
                                                                const StretchOptions options,
                                                                const SourceRowRuns rowRuns) {
  const Doubling doubler(source.width);
  constexpr size_t kBytes = Doubling::kBytes;
  Scratch<PixelRun, 512> scratch(static_cast<size_t>(MostOpaqueRuns(source.width)));
  RowGroups groups(target.height, source.height, options.mirrorUpDown);
  for (RowGroups::Group group; groups.Next(&group);) {
    uint8_t *to = target.bits + static_cast<long>(group.targetY) * target.pitch;
    const uint8_t *from = source.bits + static_cast<long>(group.sourceY) * source.pitch;
    const RunList runs = rowRuns.Find(group.sourceY, scratch.data());
    const int made = std::min(group.count, kRowsDoubledAtOnce);
    for (int i = 0; i < runs.count; ++i) doubler.Run(to, target.pitch, made, from, runs.runs[i]);
    if (group.count == made) continue;
    for (int i = 0; i < runs.count; ++i) {
      const PixelRun run = doubler.Doubled(runs.runs[i]);
      CopyDown(to + (made - 1) * target.pitch + run.begin * kBytes, target.pitch, group.count - made,
               static_cast<size_t>(run.end - run.begin) * kBytes);
    }
  }
}

// The keyed doubling with the given lanes, mirrored or not.
template <typename Lanes>
struct KeyedDoubling {
  __attribute__((always_inline)) static void Run(const Block target, const Block source, const StretchOptions options,
                                                 const SourceRowRuns rowRuns) {
    if (options.mirrorLeftRight) {
      StretchKeyedDoubling<Doubler<Lanes, true>>(target, source, options, rowRuns);
    } else {
      StretchKeyedDoubling<Doubler<Lanes, false>>(target, source, options, rowRuns);
    }
  }
};

// Keyed at any other scale: each distinct source row is scaled into a
// scratch row and its opaque runs found once; every target row it makes
// copies those runs.
void StretchKeyed(const Block &target, const Block &source, const StretchOptions &options,
                  const SourceRowRuns &rowRuns) {
  if (DoublesWidth(target, source)) {
    const KeyedSpans::RowTable *table = rowRuns.WholeRows();
    if (table != nullptr && target.height == 2 * source.height) {
      WithDoubledLanes<KeptRunsDoubling>(source.bytes, target, source, options, *table, rowRuns.Top());
    } else {
      WithDoubledLanes<KeyedDoubling>(source.bytes, target, source, options, rowRuns);
    }
    return;
  }
  RowScaler scaler(target.width, source, options.mirrorLeftRight);
  const size_t bytes = static_cast<size_t>(target.bytes);
  Scratch<uint8_t, 4096> row(static_cast<size_t>(target.width) * bytes);
  Scratch<PixelRun, 512> runs(static_cast<size_t>(MostOpaqueRuns(target.width)));
  RowGroups groups(target.height, source.height, options.mirrorUpDown);
  for (RowGroups::Group group; groups.Next(&group);) {
    uint8_t *to = target.bits + static_cast<long>(group.targetY) * target.pitch;
    scaler.Scale(row.data(), source.bits + static_cast<long>(group.sourceY) * source.pitch);
    const int runCount = FindOpaqueRuns(row.data(), target.width, target.bytes, options.key, runs.data());
    for (int made = 0; made < group.count; ++made, to += target.pitch) {
      for (int i = 0; i < runCount; ++i) {
        const PixelRun run = runs.data()[i];
        CopyBytes(to + run.begin * bytes, row.data() + run.begin * bytes,
                  static_cast<size_t>(run.end - run.begin) * bytes);
      }
    }
  }
}

// Both entry points: kept runs are used only when they were found with the
// same key in pixels of the same size.
void StretchWith(const Block &target, const Block &source, const StretchOptions &options, const KeyedSpans *spans,
                 int left, int top) {
  if (target.width <= 0 || target.height <= 0 || source.width <= 0 || source.height <= 0) return;
  if (!ValidPixelSize(target.bytes) || source.bytes != target.bytes) return;
  if (!options.keyed) {
    StretchOpaque(target, source, options);
    return;
  }
  const bool spansFit = spans != nullptr && spans->bytes() == source.bytes && spans->key().low == options.key.low &&
                        spans->key().high == options.key.high;
  StretchKeyed(target, source, options, SourceRowRuns(source, options.key, spansFit ? spans : nullptr, left, top));
}

}  // namespace

void Stretch(const Block &target, const Block &source, const StretchOptions &options) {
  StretchWith(target, source, options, nullptr, 0, 0);
}

void StretchKeyedRuns(const Block &target, const Block &source, const StretchOptions &options,
                      const KeyedSpans &spans, int left, int top) {
  StretchWith(target, source, options, &spans, left, top);
}

}  // namespace pixels::specialised
