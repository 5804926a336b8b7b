// The library's 2D exports beside SDL2, pixman and SDL2_ttf doing the same
// work on the same sizes and formats, and beside the memory limits (a
// memcpy per row, memset of the block). Sprites are 64x64 moving over a
// 640x480 target, frames are 640x480; keyed sources have half their pixels
// (a centred disc's outside) the key. Every case reports destination pixels
// per second ("pixels_per_s", rate of CPU time); run with repetitions to
// get the "max" aggregate (best rate) and "min" (best time). The "Paired"
// cases time mirrored and keyed stretches against the plain one in
// alternating blocks of one run ("time_vs_plain").
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

// DDBLTFX_MIRRORLEFTRIGHT | DDBLTFX_MIRRORUPDOWN.
constexpr int kMirrorBothWays = 0x2 | 0x4;

// One call of the export doing `operation` with bitmap `id`, at the n-th
// sprite's place for sprites; its result.
int LibraryCall(Operation operation, const Case &c, int n, int id = 1) {
  int x, y;
  SpritePlace(n, c, &x, &y);
  RECT dest{x, y, x + c.width(), y + c.height()};
  switch (operation) {
    case kCopy: return BLITFAST(id, x, y);
    case kKeyed: return TRANS_BLITFAST(id, x, y);
    case kStretch2x: return BLIT_BITMAP(id, &dest, 0);
    case kStretch2xMirrored: return BLIT_BITMAP(id, &dest, kMirrorBothWays);
    case kStretch2xKeyed: return TRANS_BLIT_BITMAP(id, &dest, 0);
    case kFill: return CLEAR_SURFACE(n & 0xFF);
  }
  return -1;
}

void MakeSource(Operation operation, const Case &c) {
  if (operation == kFill) return;
  const int width = Stretching(operation) ? c.width() / 2 : c.width();
  const int height = Stretching(operation) ? c.height() / 2 : c.height();
  MakeBitmap(1, width, height, operation == kKeyed || operation == kStretch2xKeyed);
}

void Library(benchmark::State &state, Operation operation) {
  const Case c = CaseOf(state);
  UseDepth(c.bpp);
  MakeSource(operation, c);
  int n = 0;
  for (auto _ : state) {
    if (LibraryCall(operation, c, n++) != 0) state.SkipWithError("the export failed");
  }
  if (operation != kFill) FREE_BITMAP(1);
  CountPixels(state, static_cast<double>(c.width()) * c.height());
}

void BM_Library_Copy(benchmark::State &state) { Library(state, kCopy); }
void BM_Library_KeyedCopy(benchmark::State &state) { Library(state, kKeyed); }
void BM_Library_Stretch2x(benchmark::State &state) { Library(state, kStretch2x); }
void BM_Library_Fill(benchmark::State &state) { Library(state, kFill); }
// The stretches that must keep up with the plain one: mirrored both ways,
// and from a keyed source.
void BM_Library_Stretch2xMirrored(benchmark::State &state) { Library(state, kStretch2xMirrored); }
void BM_Library_Stretch2xKeyed(benchmark::State &state) { Library(state, kStretch2xKeyed); }

// The same two beside the plain stretch in one run: each iteration times a
// block of plain stretches, then the same block (same places) of the
// other kind, so that this shared machine's changes of pace, which last
// seconds, fall on both alike. "time_vs_plain" is the median over the
// iterations of the other block's time over the plain one's: below 1, the
// other kind is the faster.
void PairedWithPlain(benchmark::State &state, Operation other) {
  const Case c = CaseOf(state);
  UseDepth(c.bpp);
  MakeBitmap(1, c.width() / 2, c.height() / 2, false);
  MakeBitmap(2, c.width() / 2, c.height() / 2, other == kStretch2xKeyed);
  const int calls = c.full ? 2 : 64;  // about 60 microseconds a block
  int n = 0;
  bool failed = false;
  auto block = [&](Operation operation, int id) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) failed |= LibraryCall(operation, c, n + i, id) != 0;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  std::vector<double> ratios;
  for (auto _ : state) {
    const double plain = block(kStretch2x, 1);
    ratios.push_back(block(other, 2) / plain);
    n += calls;
  }
  FREE_BITMAP(2);
  FREE_BITMAP(1);
  if (failed) state.SkipWithError("the export failed");
  if (ratios.empty()) return;
  std::nth_element(ratios.begin(), ratios.begin() + static_cast<long>(ratios.size() / 2), ratios.end());
  state.counters["time_vs_plain"] = ratios[ratios.size() / 2];
  CountPixels(state, 2.0 * calls * c.width() * c.height());
}

void BM_Paired_Stretch2xMirrored(benchmark::State &state) { PairedWithPlain(state, kStretch2xMirrored); }
void BM_Paired_Stretch2xKeyed(benchmark::State &state) { PairedWithPlain(state, kStretch2xKeyed); }

// ---- SDL2 ----------------------------------------------------------------

Uint32 SdlFormat(int bpp) { return bpp == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_XRGB8888; }

SDL_Surface *SdlSource(const Case &c, int width, int height, bool keyed, bool runLength) {
  SDL_Surface *surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, c.bpp, SdlFormat(c.bpp));
  FillSource(static_cast<uint8_t *>(surface->pixels), surface->pitch, width, height, c.bytes(), keyed);
  if (keyed) SDL_SetColorKey(surface, SDL_TRUE | (runLength ? SDL_RLEACCEL : 0), 0);
  return surface;
}

void Sdl(benchmark::State &state, Operation operation, bool runLength) {
  const Case c = CaseOf(state);
  SDL_Surface *target = SDL_CreateRGBSurfaceWithFormat(0, kScreenWidth, kScreenHeight, c.bpp, SdlFormat(c.bpp));
  const int sourceWidth = operation == kStretch2x ? c.width() / 2 : c.width();
  const int sourceHeight = operation == kStretch2x ? c.height() / 2 : c.height();
  SDL_Surface *source =
      operation == kFill ? nullptr : SdlSource(c, sourceWidth, sourceHeight, operation == kKeyed, runLength);
  int n = 0;
  for (auto _ : state) {
    int x, y, result = 0;
    SpritePlace(n++, c, &x, &y);
    SDL_Rect dest{x, y, c.width(), c.height()};
    switch (operation) {
      case kCopy:
      case kKeyed: result = SDL_BlitSurface(source, nullptr, target, &dest); break;
      case kStretch2x: result = SDL_BlitScaled(source, nullptr, target, &dest); break;
      case kFill: result = SDL_FillRect(target, nullptr, static_cast<Uint32>(n & 0xFF)); break;
    }
    if (result != 0) state.SkipWithError(SDL_GetError());
    benchmark::ClobberMemory();
  }
  if (source != nullptr) SDL_FreeSurface(source);
  SDL_FreeSurface(target);
  CountPixels(state, static_cast<double>(c.width()) * c.height());
}

void BM_SDL2_Copy(benchmark::State &state) { Sdl(state, kCopy, false); }
void BM_SDL2_KeyedCopy(benchmark::State &state) { Sdl(state, kKeyed, false); }
void BM_SDL2_KeyedCopyRunLength(benchmark::State &state) { Sdl(state, kKeyed, true); }
void BM_SDL2_Stretch2x(benchmark::State &state) { Sdl(state, kStretch2x, false); }
void BM_SDL2_Fill(benchmark::State &state) { Sdl(state, kFill, false); }

// ---- pixman --------------------------------------------------------------

pixman_format_code_t PixmanFormat(int bpp) { return bpp == 16 ? PIXMAN_r5g6b5 : PIXMAN_x8r8g8b8; }

struct PixmanImage {
  PixmanImage(int width, int height, int bpp) : stride((width * bpp / 8 + 3) & ~3), bits(static_cast<size_t>(stride) * height / 4 + 1) {
    image = pixman_image_create_bits(PixmanFormat(bpp), width, height, bits.data(), stride);
  }
  ~PixmanImage() { pixman_image_unref(image); }
  int stride;
  std::vector<uint32_t> bits;
  pixman_image_t *image;
};

void Pixman(benchmark::State &state, Operation operation) {
  const Case c = CaseOf(state);
  PixmanImage target(kScreenWidth, kScreenHeight, c.bpp);
  const int sourceWidth = operation == kStretch2x ? c.width() / 2 : c.width();
  const int sourceHeight = operation == kStretch2x ? c.height() / 2 : c.height();
  PixmanImage source(sourceWidth, sourceHeight, c.bpp);
  FillSource(reinterpret_cast<uint8_t *>(source.bits.data()), source.stride, sourceWidth, sourceHeight, c.bytes(),
             false);
  if (operation == kStretch2x) {
    pixman_transform_t half;
    pixman_transform_init_scale(&half, pixman_double_to_fixed(0.5), pixman_double_to_fixed(0.5));
    pixman_image_set_transform(source.image, &half);
    pixman_image_set_filter(source.image, PIXMAN_FILTER_NEAREST, nullptr, 0);
  }
  int n = 0;
  for (auto _ : state) {
    int x, y;
    SpritePlace(n++, c, &x, &y);
    if (operation == kFill) {
      const int stride32 = target.stride / 4;
      if (!pixman_fill(target.bits.data(), stride32, c.bpp, 0, 0, kScreenWidth, kScreenHeight,
                       static_cast<uint32_t>(n & 0xFF))) {
        state.SkipWithError("pixman_fill refused");
      }
    } else {
      pixman_image_composite32(PIXMAN_OP_SRC, source.image, nullptr, target.image, 0, 0, 0, 0, x, y, c.width(),
                               c.height());
    }
    benchmark::ClobberMemory();
  }
  CountPixels(state, static_cast<double>(c.width()) * c.height());
}

void BM_pixman_Copy(benchmark::State &state) { Pixman(state, kCopy); }
void BM_pixman_Stretch2x(benchmark::State &state) { Pixman(state, kStretch2x); }
void BM_pixman_Fill(benchmark::State &state) { Pixman(state, kFill); }

// ---- The memory limits -----------------------------------------------------

// A memcpy per row of the block (the opaque copy's limit), memset of the
// whole frame (the fill's limit).
void BM_Limit_RowMemcpy(benchmark::State &state) {
  const Case c = CaseOf(state);
  const long pitch = static_cast<long>(kScreenWidth) * c.bytes();
  std::vector<uint8_t> target(static_cast<size_t>(pitch) * kScreenHeight), source(target.size(), 0x5A);
  const long sourcePitch = static_cast<long>(c.width()) * c.bytes();
  int n = 0;
  for (auto _ : state) {
    int x, y;
    SpritePlace(n++, c, &x, &y);
    uint8_t *to = target.data() + y * pitch + x * c.bytes();
    for (int row = 0; row < c.height(); ++row) {
      memcpy(to + row * pitch, source.data() + row * sourcePitch, static_cast<size_t>(sourcePitch));
    }
    benchmark::ClobberMemory();
  }
  CountPixels(state, static_cast<double>(c.width()) * c.height());
}

void BM_Limit_Memset(benchmark::State &state) {
  const Case c = CaseOf(state);
  std::vector<uint8_t> target(static_cast<size_t>(kScreenWidth) * kScreenHeight * c.bytes());
  int n = 0;
  for (auto _ : state) {
    memset(target.data(), n++ & 0xFF, target.size());
    benchmark::ClobberMemory();
  }
  CountPixels(state, static_cast<double>(kScreenWidth) * kScreenHeight);
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
BENCHMARK(BM_Paired_Stretch2xMirrored)->Apply(Stretches);
BENCHMARK(BM_Paired_Stretch2xKeyed)->Apply(Stretches);
BENCHMARK(BM_SDL2_Stretch2x)->Apply(Stretches);
BENCHMARK(BM_pixman_Stretch2x)->Apply(Stretches);
BENCHMARK(BM_Limit_Memset)->Apply(Frames);
BENCHMARK(BM_Library_Fill)->Apply(Frames);
BENCHMARK(BM_SDL2_Fill)->Apply(Frames);
BENCHMARK(BM_pixman_Fill)->Apply(Frames);
BENCHMARK(BM_Library_TextLine)->Apply(Fonts);
BENCHMARK(BM_SDL2_ttf_TextLine)->Apply(Fonts);

}  // namespace
