// The library's 2D exports beside SDL2, pixman and SDL2_ttf doing the same
// work on the same sizes and formats, and beside the memory limits (a
// memcpy per row, memset of the block). Sprites are 64x64 moving over a
// 640x480 target, frames are 640x480; keyed sources have half their pixels
// (a centred disc's outside) the key. Every case reports destination pixels
// per second ("pixels_per_s", rate of CPU time); run with repetitions to
// get the "max" aggregate (best rate) and "min" (best time). The "Paired"
// cases time the library against the comparison each target names in
// alternating blocks of one run ("time_vs_other", below 1 when the library
// is the faster).
#include <SDL.h>
#include <SDL_ttf.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

#include "korvane.h"

namespace {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;
constexpr int kSprite = 64;
const char kLine[] = "Frame 000123 - The quick brown fox jumps";  // 40 characters
const char kFontFile[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Arguments of every case: bits per pixel, and 1 for a full frame or 0 for
// a sprite.
struct Case {
  int bpp;
  bool full;
  int width() const { return full ? kScreenWidth : kSprite; }
  int height() const { return full ? kScreenHeight : kSprite; }
  int bytes() const { return bpp / 8; }
};

Case CaseOf(const benchmark::State &state) { return Case{static_cast<int>(state.range(0)), state.range(1) != 0}; }

// Where the n-th sprite lands: spread over the target, never clipped.
void SpritePlace(int n, const Case &c, int *x, int *y) {
  *x = c.full ? 0 : (n * 37) % (kScreenWidth - kSprite);
  *y = c.full ? 0 : (n * 23) % (kScreenHeight - kSprite);
}

// The pixel value at (x, y) of a source of the given size: the key (0)
// outside a centred disc holding half the pixels when keyed, a pattern of
// non-zero values elsewhere.
uint32_t SourcePixel(int x, int y, int width, int height, bool keyed) {
  const double radius = std::sqrt(static_cast<double>(width) * height / (2 * M_PI));
  const double dx = x + 0.5 - width / 2.0, dy = y + 0.5 - height / 2.0;
  if (keyed && dx * dx + dy * dy > radius * radius) return 0;
  return 0x10203u * static_cast<uint32_t>(x + 3 * y + 1) | 1;
}

void FillSource(uint8_t *bits, long pitch, int width, int height, int bytes, bool keyed) {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t value = SourcePixel(x, y, width, height, keyed);
      memcpy(bits + y * pitch + x * bytes, &value, static_cast<size_t>(bytes));
    }
  }
}

void CountPixels(benchmark::State &state, double perIteration) {
  state.counters["pixels_per_s"] =
      benchmark::Counter(perIteration * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Every contender below is set up by its constructor and makes one call of
// its operation with operator()(n), n counting the calls (the n-th sprite's
// place, the n-th fill colour); false when the call failed.

// A case's calls, timed one after another.
template <typename Contender>
void Timed(benchmark::State &state, const Case &c, Contender &contender) {
  int n = 0;
  for (auto _ : state) {
    if (!contender(n++)) state.SkipWithError("a call failed");
    benchmark::ClobberMemory();
  }
  CountPixels(state, static_cast<double>(c.width()) * c.height());
}

// A case of `Contender`, set up with the case and `args`.
template <typename Contender, typename... Args>
void TimedCase(benchmark::State &state, Args... args) {
  const Case c = CaseOf(state);
  Contender contender(c, args...);
  Timed(state, c, contender);
}

// Two contenders side by side in one run: each iteration times a block of
// `ours`, then the same block (the same places and colours) of `theirs`,
// so that this shared machine's changes of pace, which last seconds, fall
// on both alike. "time_vs_other" is the median over the iterations of our
// block's time over theirs: below 1, ours is the faster.
template <typename Ours, typename Theirs>
void Paired(benchmark::State &state, const Case &c, Ours &ours, Theirs &theirs) {
  const int calls = c.full ? 2 : 64;  // blocks of some tens of microseconds
  int n = 0;
  bool failed = false;
  auto block = [&](auto &contender) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) failed |= !contender(n + i);
    benchmark::ClobberMemory();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  std::vector<double> ratios;
  for (auto _ : state) {
    const double theirTime = block(theirs);
    ratios.push_back(block(ours) / theirTime);
    n += calls;
  }
  if (failed) state.SkipWithError("a call failed");
  if (ratios.empty()) return;
  std::nth_element(ratios.begin(), ratios.begin() + static_cast<long>(ratios.size() / 2), ratios.end());
  state.counters["time_vs_other"] = ratios[ratios.size() / 2];
  CountPixels(state, 2.0 * calls * c.width() * c.height());
}

// ---- The library, through its exports -----------------------------------

void UseDepth(int bpp) {
  static bool started = false;
  static int current = 0;
  if (!started) {
    KORVANE_INIT(reinterpret_cast<HWND>(0x4000), reinterpret_cast<HINSTANCE>(0x5000));
    DDRAW_INIT();
    started = true;
  }
  if (current != bpp) {
    SET_VIDEO_MODE(kScreenWidth, kScreenHeight, bpp);
    current = bpp;
  }
}

void MakeBitmap(int id, int width, int height, bool keyed) {
  CREATE_BITMAP(id, width, height, 1);
  BITMAP_LOCK(id);
  FillSource(BITMAP_POINTER(id), BITMAP_PITCH(id), width, height, BPP(), keyed);
  BITMAP_UNLOCK(id);
}

enum Operation { kCopy, kKeyed, kStretch2x, kFill, kStretch2xMirrored, kStretch2xKeyed };

bool Stretching(Operation operation) {
  return operation == kStretch2x || operation == kStretch2xMirrored || operation == kStretch2xKeyed;
}

// Source sizes: half the target's both ways for the stretches.
int SourceWidth(Operation operation, const Case &c) { return Stretching(operation) ? c.width() / 2 : c.width(); }
int SourceHeight(Operation operation, const Case &c) { return Stretching(operation) ? c.height() / 2 : c.height(); }

// DDBLTFX_MIRRORLEFTRIGHT | DDBLTFX_MIRRORUPDOWN.
constexpr int kMirrorBothWays = 0x2 | 0x4;

// The library's exports onto the back buffer, from bitmap `id`.
class LibraryCalls {
 public:
  LibraryCalls(const Case &c, Operation operation, int id = 1) : c_(c), operation_(operation), id_(id) {
    UseDepth(c.bpp);
    if (operation != kFill) {
      MakeBitmap(id, SourceWidth(operation, c), SourceHeight(operation, c),
                 operation == kKeyed || operation == kStretch2xKeyed);
    }
  }
  ~LibraryCalls() {
    if (operation_ != kFill) FREE_BITMAP(id_);
  }
  LibraryCalls(const LibraryCalls &) = delete;
  LibraryCalls &operator=(const LibraryCalls &) = delete;

  bool operator()(int n) const {
    int x, y;
    SpritePlace(n, c_, &x, &y);
    RECT dest{x, y, x + c_.width(), y + c_.height()};
    switch (operation_) {
      case kCopy: return BLITFAST(id_, x, y) == 0;
      case kKeyed: return TRANS_BLITFAST(id_, x, y) == 0;
      case kStretch2x: return BLIT_BITMAP(id_, &dest, 0) == 0;
      case kStretch2xMirrored: return BLIT_BITMAP(id_, &dest, kMirrorBothWays) == 0;
      case kStretch2xKeyed: return TRANS_BLIT_BITMAP(id_, &dest, 0) == 0;
      case kFill: return CLEAR_SURFACE(n & 0xFF) == 0;
    }
    return false;
  }

 private:
  Case c_;
  Operation operation_;
  int id_;
};

void BM_Library_Copy(benchmark::State &state) { TimedCase<LibraryCalls>(state, kCopy); }
void BM_Library_KeyedCopy(benchmark::State &state) { TimedCase<LibraryCalls>(state, kKeyed); }
void BM_Library_Stretch2x(benchmark::State &state) { TimedCase<LibraryCalls>(state, kStretch2x); }
void BM_Library_Fill(benchmark::State &state) { TimedCase<LibraryCalls>(state, kFill); }
// The stretches that must keep up with the plain one: mirrored both ways,
// and from a keyed source.
void BM_Library_Stretch2xMirrored(benchmark::State &state) { TimedCase<LibraryCalls>(state, kStretch2xMirrored); }
void BM_Library_Stretch2xKeyed(benchmark::State &state) { TimedCase<LibraryCalls>(state, kStretch2xKeyed); }

// ---- SDL2 ----------------------------------------------------------------

Uint32 SdlFormat(int bpp) { return bpp == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_XRGB8888; }

// SDL2's blits, scaled blits and fills onto a frame of its own; keyed
// sources with or without its run-length form.
class SdlCalls {
 public:
  SdlCalls(const Case &c, Operation operation, bool runLength) : c_(c), operation_(operation) {
    target_ = SDL_CreateRGBSurfaceWithFormat(0, kScreenWidth, kScreenHeight, c.bpp, SdlFormat(c.bpp));
    if (operation == kFill) return;
    const int width = SourceWidth(operation, c), height = SourceHeight(operation, c);
    source_ = SDL_CreateRGBSurfaceWithFormat(0, width, height, c.bpp, SdlFormat(c.bpp));
    FillSource(static_cast<uint8_t *>(source_->pixels), source_->pitch, width, height, c.bytes(), operation == kKeyed);
    if (operation == kKeyed) SDL_SetColorKey(source_, SDL_TRUE | (runLength ? SDL_RLEACCEL : 0), 0);
  }
  ~SdlCalls() {
    if (source_ != nullptr) SDL_FreeSurface(source_);
    SDL_FreeSurface(target_);
  }
  SdlCalls(const SdlCalls &) = delete;
  SdlCalls &operator=(const SdlCalls &) = delete;

  bool operator()(int n) {
    int x, y;
    SpritePlace(n, c_, &x, &y);
    SDL_Rect dest{x, y, c_.width(), c_.height()};
    switch (operation_) {
      case kStretch2x: return SDL_BlitScaled(source_, nullptr, target_, &dest) == 0;
      case kFill: return SDL_FillRect(target_, nullptr, static_cast<Uint32>(n & 0xFF)) == 0;
      default: return SDL_BlitSurface(source_, nullptr, target_, &dest) == 0;
    }
  }

 private:
  Case c_;
  Operation operation_;
  SDL_Surface *target_ = nullptr;
  SDL_Surface *source_ = nullptr;
};

void BM_SDL2_Copy(benchmark::State &state) { TimedCase<SdlCalls>(state, kCopy, false); }
void BM_SDL2_KeyedCopy(benchmark::State &state) { TimedCase<SdlCalls>(state, kKeyed, false); }
void BM_SDL2_KeyedCopyRunLength(benchmark::State &state) { TimedCase<SdlCalls>(state, kKeyed, true); }
void BM_SDL2_Stretch2x(benchmark::State &state) { TimedCase<SdlCalls>(state, kStretch2x, false); }
void BM_SDL2_Fill(benchmark::State &state) { TimedCase<SdlCalls>(state, kFill, false); }

// ---- pixman --------------------------------------------------------------

pixman_format_code_t PixmanFormat(int bpp) { return bpp == 16 ? PIXMAN_r5g6b5 : PIXMAN_x8r8g8b8; }

struct PixmanImage {
  PixmanImage(int width, int height, int bpp) : stride((width * bpp / 8 + 3) & ~3), bits(static_cast<size_t>(stride) * height / 4 + 1) {
    image = pixman_image_create_bits(PixmanFormat(bpp), width, height, bits.data(), stride);
  }
  ~PixmanImage() { pixman_image_unref(image); }
  PixmanImage(const PixmanImage &) = delete;
  PixmanImage &operator=(const PixmanImage &) = delete;
  int stride;
  std::vector<uint32_t> bits;
  pixman_image_t *image;
};

// pixman's composites (source copy, nearest-neighbour halving transform
// for the stretch) and fills onto a frame of its own.
class PixmanCalls {
 public:
  PixmanCalls(const Case &c, Operation operation)
      : c_(c),
        operation_(operation),
        target_(kScreenWidth, kScreenHeight, c.bpp),
        source_(SourceWidth(operation, c), SourceHeight(operation, c), c.bpp) {
    FillSource(reinterpret_cast<uint8_t *>(source_.bits.data()), source_.stride, SourceWidth(operation, c),
               SourceHeight(operation, c), c.bytes(), false);
    if (operation == kStretch2x) {
      pixman_transform_t half;
      pixman_transform_init_scale(&half, pixman_double_to_fixed(0.5), pixman_double_to_fixed(0.5));
      pixman_image_set_transform(source_.image, &half);
      pixman_image_set_filter(source_.image, PIXMAN_FILTER_NEAREST, nullptr, 0);
    }
  }

  bool operator()(int n) {
    if (operation_ == kFill) {
      return pixman_fill(target_.bits.data(), target_.stride / 4, c_.bpp, 0, 0, kScreenWidth, kScreenHeight,
                         static_cast<uint32_t>(n & 0xFF));
    }
    int x, y;
    SpritePlace(n, c_, &x, &y);
    pixman_image_composite32(PIXMAN_OP_SRC, source_.image, nullptr, target_.image, 0, 0, 0, 0, x, y, c_.width(),
                             c_.height());
    return true;
  }

 private:
  Case c_;
  Operation operation_;
  PixmanImage target_;
  PixmanImage source_;
};

void BM_pixman_Copy(benchmark::State &state) { TimedCase<PixmanCalls>(state, kCopy); }
void BM_pixman_Stretch2x(benchmark::State &state) { TimedCase<PixmanCalls>(state, kStretch2x); }
void BM_pixman_Fill(benchmark::State &state) { TimedCase<PixmanCalls>(state, kFill); }

// ---- The memory limits -----------------------------------------------------

// A memcpy per row of the block (the opaque copy's limit).
class RowMemcpy {
 public:
  explicit RowMemcpy(const Case &c)
      : c_(c),
        pitch_(static_cast<long>(kScreenWidth) * c.bytes()),
        target_(static_cast<size_t>(pitch_) * kScreenHeight),
        source_(target_.size(), 0x5A) {}

  bool operator()(int n) {
    int x, y;
    SpritePlace(n, c_, &x, &y);
    const long sourcePitch = static_cast<long>(c_.width()) * c_.bytes();
    uint8_t *to = target_.data() + y * pitch_ + x * c_.bytes();
    for (int row = 0; row < c_.height(); ++row) {
      memcpy(to + row * pitch_, source_.data() + row * sourcePitch, static_cast<size_t>(sourcePitch));
    }
    return true;
  }

 private:
  Case c_;
  long pitch_;
  std::vector<uint8_t> target_, source_;
};

// memset of the whole frame (the fill's limit).
class FrameMemset {
 public:
  explicit FrameMemset(const Case &c) : target_(static_cast<size_t>(kScreenWidth) * kScreenHeight * c.bytes()) {}

  bool operator()(int n) {
    memset(target_.data(), n & 0xFF, target_.size());
    return true;
  }

 private:
  std::vector<uint8_t> target_;
};

void BM_Limit_RowMemcpy(benchmark::State &state) { TimedCase<RowMemcpy>(state); }
void BM_Limit_Memset(benchmark::State &state) { TimedCase<FrameMemset>(state); }

// ---- The targets, paired ---------------------------------------------------

// The library's `operation`, from bitmap `bitmap`, against a `Theirs`
// contender set up with the case and `theirArgs`.
template <typename Theirs, typename... Args>
void PairedCase(benchmark::State &state, Operation operation, int bitmap, Args... theirArgs) {
  const Case c = CaseOf(state);
  LibraryCalls ours(c, operation, bitmap);
  Theirs theirs(c, theirArgs...);
  Paired(state, c, ours, theirs);
}

// Each against the comparison its target names; the mirrored and keyed
// stretches against the plain one, each from a bitmap of its own.
void BM_Paired_KeyedCopy_SDL2RunLength(benchmark::State &state) {
  PairedCase<SdlCalls>(state, kKeyed, 1, kKeyed, true);
}
void BM_Paired_Copy_RowMemcpy(benchmark::State &state) { PairedCase<RowMemcpy>(state, kCopy, 1); }
void BM_Paired_Copy_pixman(benchmark::State &state) { PairedCase<PixmanCalls>(state, kCopy, 1, kCopy); }
void BM_Paired_Stretch2x_pixman(benchmark::State &state) { PairedCase<PixmanCalls>(state, kStretch2x, 1, kStretch2x); }
void BM_Paired_Fill_Memset(benchmark::State &state) { PairedCase<FrameMemset>(state, kFill, 1); }
void BM_Paired_Stretch2xMirrored_Plain(benchmark::State &state) {
  PairedCase<LibraryCalls>(state, kStretch2xMirrored, 2, kStretch2x, 1);
}
void BM_Paired_Stretch2xKeyed_Plain(benchmark::State &state) {
  PairedCase<LibraryCalls>(state, kStretch2xKeyed, 2, kStretch2x, 1);
}

// ---- A 40-character text line ---------------------------------------------

// The library: GDI_TEXTOUT of the line on the back buffer in the default
// font or a 24-pixel anti-aliased DejaVu Sans, transparent background.
void BM_Library_TextLine(benchmark::State &state) {
  UseDepth(32);
  static HFONT hostFont = CreateFontA(-24, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0,
                                      "DejaVu Sans");
  USE_FONT(state.range(0) != 0 ? hostFont : nullptr);
  int y = 0;
  for (auto _ : state) {
    if (GDI_TEXTOUT(8, y, kLine, 1, 1) != 0) state.SkipWithError("GDI_TEXTOUT failed");
    y = (y + 24) % 440;
  }
  USE_FONT(nullptr);
  state.counters["lines_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// SDL2_ttf: the line rendered (solid for the default-font case, blended for
// the anti-aliased one) and blitted onto a 32-bit frame.
void BM_SDL2_ttf_TextLine(benchmark::State &state) {
  if (TTF_WasInit() == 0) TTF_Init();
  const bool antialiased = state.range(0) != 0;
  TTF_Font *font = TTF_OpenFont(kFontFile, antialiased ? 24 : 13);
  if (font == nullptr) {
    state.SkipWithError("DejaVu Sans not found");
    return;
  }
  SDL_Surface *target = SDL_CreateRGBSurfaceWithFormat(0, kScreenWidth, kScreenHeight, 32, SDL_PIXELFORMAT_XRGB8888);
  const SDL_Color white{255, 255, 255, 255};
  int y = 0;
  for (auto _ : state) {
    SDL_Surface *line = antialiased ? TTF_RenderText_Blended(font, kLine, white) : TTF_RenderText_Solid(font, kLine, white);
    SDL_Rect dest{8, y, 0, 0};
    SDL_BlitSurface(line, nullptr, target, &dest);
    SDL_FreeSurface(line);
    y = (y + 24) % 440;
  }
  SDL_FreeSurface(target);
  TTF_CloseFont(font);
  state.counters["lines_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// ---- Registration ------------------------------------------------------------

double Smallest(const std::vector<double> &values) { return *std::min_element(values.begin(), values.end()); }
double Largest(const std::vector<double> &values) { return *std::max_element(values.begin(), values.end()); }

void Best(benchmark::internal::Benchmark *bench) {
  bench->ComputeStatistics("min", Smallest)->ComputeStatistics("max", Largest);
}

void SpritesAndFrames(benchmark::internal::Benchmark *bench) {
  Best(bench);
  bench->ArgNames({"bpp", "frame"});
  for (int bpp : {16, 32}) {
    for (int full : {0, 1}) bench->Args({bpp, full});
  }
}

void Stretches(benchmark::internal::Benchmark *bench) {
  Best(bench);
  bench->ArgNames({"bpp", "frame"})->Args({16, 0})->Args({16, 1})->Args({32, 1});
}

void Sprites(benchmark::internal::Benchmark *bench) {
  Best(bench);
  bench->ArgNames({"bpp", "frame"})->Args({16, 0})->Args({32, 0});
}

void Frames(benchmark::internal::Benchmark *bench) {
  Best(bench);
  bench->ArgNames({"bpp", "frame"})->Args({16, 1})->Args({32, 1});
}

void Fonts(benchmark::internal::Benchmark *bench) {
  Best(bench);
  bench->ArgName("antialiased")->Arg(0)->Arg(1);
}

BENCHMARK(BM_Limit_RowMemcpy)->Apply(SpritesAndFrames);
BENCHMARK(BM_Library_Copy)->Apply(SpritesAndFrames);
BENCHMARK(BM_SDL2_Copy)->Apply(SpritesAndFrames);
BENCHMARK(BM_pixman_Copy)->Apply(SpritesAndFrames);
BENCHMARK(BM_Library_KeyedCopy)->Apply(SpritesAndFrames);
BENCHMARK(BM_SDL2_KeyedCopy)->Apply(SpritesAndFrames);
BENCHMARK(BM_SDL2_KeyedCopyRunLength)->Apply(SpritesAndFrames);
BENCHMARK(BM_Library_Stretch2x)->Apply(Stretches);
BENCHMARK(BM_Library_Stretch2xMirrored)->Apply(Stretches);
BENCHMARK(BM_Library_Stretch2xKeyed)->Apply(Stretches);
BENCHMARK(BM_SDL2_Stretch2x)->Apply(Stretches);
BENCHMARK(BM_pixman_Stretch2x)->Apply(Stretches);
BENCHMARK(BM_Limit_Memset)->Apply(Frames);
BENCHMARK(BM_Library_Fill)->Apply(Frames);
BENCHMARK(BM_SDL2_Fill)->Apply(Frames);
BENCHMARK(BM_pixman_Fill)->Apply(Frames);
BENCHMARK(BM_Library_TextLine)->Apply(Fonts);
BENCHMARK(BM_SDL2_ttf_TextLine)->Apply(Fonts);
BENCHMARK(BM_Paired_KeyedCopy_SDL2RunLength)->Apply(SpritesAndFrames);
BENCHMARK(BM_Paired_Copy_RowMemcpy)->Apply(Frames);
BENCHMARK(BM_Paired_Copy_pixman)->Apply(Sprites);
BENCHMARK(BM_Paired_Stretch2x_pixman)->Apply(Stretches);
BENCHMARK(BM_Paired_Stretch2xMirrored_Plain)->Apply(Stretches);
BENCHMARK(BM_Paired_Stretch2xKeyed_Plain)->Apply(Stretches);
BENCHMARK(BM_Paired_Fill_Memset)->Apply(Frames);

}  // namespace
