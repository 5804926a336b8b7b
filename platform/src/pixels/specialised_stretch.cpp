// The specialised nearest-neighbour stretch. Each distinct source row is
// scaled once into the target (or, keyed, into a scratch row together with
// its opaque runs); target rows taken from the same source row are copies
// of it. Doubling the width, the commonest scale, duplicates pixels with
// vector unpacks; any other width goes through a table of source offsets.
#include <emmintrin.h>

#include <cstring>
#include <vector>

#include "pixels/byte_runs.h"
#include "pixels/kernel_variants.h"
#include "pixels/keyed_spans.h"
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
  int sourceSize_;
  bool mirrored_;
  int64_t divisor_;
  int64_t quotient_;
  int64_t remainder_;
  int64_t stepQuotient_;
  int64_t stepRemainder_;
};

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

// How one target row is made from one source row: pixel doubling, or a
// table of source byte offsets, one per target pixel.
class RowScaler {
 public:
  RowScaler(int targetWidth, const Block &source, bool mirrored)
      : width_(targetWidth), sourceWidth_(source.width), bytes_(source.bytes), mirrored_(mirrored),
        doubled_(targetWidth == 2 * source.width && (source.bytes == 2 || source.bytes == 4)),
        offsets_(doubled_ ? 0 : static_cast<size_t>(targetWidth)) {
    if (doubled_) return;
    for (int x = 0; x < targetWidth; ++x) {
      offsets_.data()[x] = SourceIndex(x, targetWidth, source.width, mirrored) * source.bytes;
    }
  }

  bool doubles() const { return doubled_; }

  void Scale(uint8_t *to, const uint8_t *from) {
    if (doubled_) {
      Double(to, from, sourceWidth_);
      return;
    }
    WithPixelSize(bytes_, [&](auto pixel) {
      using P = decltype(pixel);
      const int *offsets = offsets_.data();
      const int width = width_;
      for (int x = 0; x < width; ++x) P::Store(to + x * P::kBytes, P::Load(from + offsets[x]));
    });
  }

  // Where the pixels of a run of the source row land in a doubled target
  // row: the run's first target pixel, and as many pixels as it covers.
  PixelRun Doubled(PixelRun run) const {
    const int begin = 2 * (mirrored_ ? sourceWidth_ - run.end : run.begin);
    return PixelRun{begin, begin + 2 * (run.end - run.begin)};
  }

  // Doubles only a run of the source row into the target row.
  void DoubleRun(uint8_t *targetRow, const uint8_t *sourceRow, PixelRun run) const {
    Double(targetRow + Doubled(run).begin * bytes_, sourceRow + run.begin * bytes_, run.end - run.begin);
  }

 private:
  static __m128i Reverse16(__m128i v) {
    v = _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3));
    v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
    return _mm_shufflehi_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
  }

  // `width` source pixels from `from`, each twice, to `to`; reversed when
  // mirrored.
  void Double(uint8_t *to, const uint8_t *from, int width) const {
    if (bytes_ == 2) {
      DoubleRow16(to, from, width);
    } else {
      DoubleRow32(to, from, width);
    }
  }

  // Each 16-bit source pixel twice: eight source pixels make sixteen.
  void DoubleRow16(uint8_t *to, const uint8_t *from, int width) const {
    int done = 0;  // source pixels written, counted from the target's left
    for (; done + 8 <= width; done += 8) {
      __m128i v;
      if (mirrored_) {
        v = Reverse16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(from + 2 * (width - 8 - done))));
      } else {
        v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + 2 * done));
      }
      _mm_storeu_si128(reinterpret_cast<__m128i *>(to + 4 * done), _mm_unpacklo_epi16(v, v));
      _mm_storeu_si128(reinterpret_cast<__m128i *>(to + 4 * done + 16), _mm_unpackhi_epi16(v, v));
    }
    for (; done < width; ++done) {
      const uint32_t value = Pixel<2>::Load(from + 2 * (mirrored_ ? width - 1 - done : done));
      const uint32_t twice = value | (value << 16);
      memcpy(to + 4 * done, &twice, 4);
    }
  }

  // Each 32-bit source pixel twice: four source pixels make eight.
  void DoubleRow32(uint8_t *to, const uint8_t *from, int width) const {
    int done = 0;
    for (; done + 4 <= width; done += 4) {
      __m128i v;
      if (mirrored_) {
        v = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(from + 4 * (width - 4 - done))),
                              _MM_SHUFFLE(0, 1, 2, 3));
      } else {
        v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + 4 * done));
      }
      _mm_storeu_si128(reinterpret_cast<__m128i *>(to + 8 * done), _mm_unpacklo_epi32(v, v));
      _mm_storeu_si128(reinterpret_cast<__m128i *>(to + 8 * done + 16), _mm_unpackhi_epi32(v, v));
    }
    for (; done < width; ++done) {
      const uint32_t value = Pixel<4>::Load(from + 4 * (mirrored_ ? width - 1 - done : done));
      memcpy(to + 8 * done, &value, 4);
      memcpy(to + 8 * done + 4, &value, 4);
    }
  }

  int width_;
  int sourceWidth_;
  int bytes_;
  bool mirrored_;
  bool doubled_;
  Scratch<int, 1024> offsets_;
};

void StretchOpaque(const Block &target, const Block &source, const StretchOptions &options) {
  RowScaler scaler(target.width, source, options.mirrorLeftRight);
  const size_t rowBytes = static_cast<size_t>(target.width) * static_cast<size_t>(target.bytes);
  int previous = -1;
  SourceRows rows(target.height, source.height, options.mirrorUpDown);
  for (int y = 0; y < target.height; ++y) {
    uint8_t *to = target.bits + static_cast<long>(y) * target.pitch;
    const int sourceY = rows.Next();
    if (sourceY == previous) {
      CopyBytes(to, to - target.pitch, rowBytes);
    } else {
      scaler.Scale(to, source.bits + static_cast<long>(sourceY) * source.pitch);
      previous = sourceY;
    }
  }
}

// Where a keyed stretch gets the opaque runs of a source row: from runs
// kept for the whole source when there are some (the source then being its
// part from (left, top)), else from the row's pixels.
class SourceRowRuns {
 public:
  SourceRowRuns(const Block &source, ColorKey key, const KeyedSpans *spans, int left, int top)
      : source_(source), key_(key), spans_(spans), left_(left), top_(top) {}

  int Find(int y, PixelRun *runs) const {
    if (spans_ != nullptr) return spans_->RowRuns(top_ + y, left_, source_.width, runs);
    return FindOpaqueRuns(source_.bits + static_cast<long>(y) * source_.pitch, source_.width, source_.bytes, key_,
                          runs);
  }

 private:
  Block source_;
  ColorKey key_;
  const KeyedSpans *spans_;
  int left_;
  int top_;
};

// Keyed and doubling the width: the opaque runs of each distinct source row
// are taken and only they are doubled into the first target row made from
// it; the rows repeating it copy those runs from the row above. Transparent
// pixels are never written, nor read when the runs were kept.
void StretchKeyedDoubling(const Block &target, const Block &source, const StretchOptions &options,
                          const RowScaler &scaler, const SourceRowRuns &rowRuns) {
  const size_t bytes = static_cast<size_t>(target.bytes);
  Scratch<PixelRun, 512> runs(static_cast<size_t>(MostOpaqueRuns(source.width)));
  int runCount = 0;
  int previous = -1;
  SourceRows rows(target.height, source.height, options.mirrorUpDown);
  for (int y = 0; y < target.height; ++y) {
    uint8_t *to = target.bits + static_cast<long>(y) * target.pitch;
    const int sourceY = rows.Next();
    if (sourceY != previous) {
      const uint8_t *from = source.bits + static_cast<long>(sourceY) * source.pitch;
      runCount = rowRuns.Find(sourceY, runs.data());
      for (int i = 0; i < runCount; ++i) scaler.DoubleRun(to, from, runs.data()[i]);
      previous = sourceY;
      continue;
    }
    for (int i = 0; i < runCount; ++i) {
      const PixelRun run = scaler.Doubled(runs.data()[i]);
      CopyBytes(to + run.begin * bytes, to - target.pitch + run.begin * bytes,
                static_cast<size_t>(run.end - run.begin) * bytes);
    }
  }
}

// Keyed at any other scale: each distinct source row is scaled into a
// scratch row and its opaque runs found once; every target row it makes
// copies those runs.
void StretchKeyed(const Block &target, const Block &source, const StretchOptions &options,
                  const SourceRowRuns &rowRuns) {
  RowScaler scaler(target.width, source, options.mirrorLeftRight);
  if (scaler.doubles()) {
    StretchKeyedDoubling(target, source, options, scaler, rowRuns);
    return;
  }
  const size_t bytes = static_cast<size_t>(target.bytes);
  Scratch<uint8_t, 4096> row(static_cast<size_t>(target.width) * bytes);
  Scratch<PixelRun, 512> runs(static_cast<size_t>(MostOpaqueRuns(target.width)));
  int runCount = 0;
  int previous = -1;
  SourceRows rows(target.height, source.height, options.mirrorUpDown);
  for (int y = 0; y < target.height; ++y) {
    const int sourceY = rows.Next();
    if (sourceY != previous) {
      scaler.Scale(row.data(), source.bits + static_cast<long>(sourceY) * source.pitch);
      runCount = FindOpaqueRuns(row.data(), target.width, target.bytes, options.key, runs.data());
      previous = sourceY;
    }
    uint8_t *to = target.bits + static_cast<long>(y) * target.pitch;
    for (int i = 0; i < runCount; ++i) {
      const PixelRun run = runs.data()[i];
      CopyBytes(to + run.begin * bytes, row.data() + run.begin * bytes, static_cast<size_t>(run.end - run.begin) * bytes);
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
