// Throughput of the blit exports on the software display: BLITFAST,
// TRANS_BLITFAST and BLIT_BITMAP at twice the size, for 64x64 sprites and
// full-screen copies at 16 and 32 bits, in pixels per second and as a
// fraction of memcpy of the same bytes (counter "of_memcpy"); and BLITFAST
// with 10,000 bitmaps registered against one (the id lookup).
#include <benchmark/benchmark.h>

#include <time.h>

#include <cstring>
#include <vector>

#include "korvane.h"

namespace {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

// The library with a display in the depth asked; the mode is set again
// only when the depth changes.
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

// This thread's processor time in nanoseconds: the machine may be shared,
// and the fraction of memcpy compares work, not waiting.
double CpuNanoseconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

// Nanoseconds per memcpy of `bytes`, measured once per size.
double MemcpyNanoseconds(size_t bytes) {
  std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
  const int rounds = static_cast<int>(200000000 / (bytes + 4096)) + 10;
  const double start = CpuNanoseconds();
  for (int i = 0; i < rounds; ++i) {
    memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
  return (CpuNanoseconds() - start) / rounds;
}

// A bitmap of `width` x `height` with every fourth pixel transparent.
void MakeSprite(int id, int width, int height) {
  CREATE_BITMAP(id, width, height, 1);
  BITMAP_LOCK(id);
  unsigned char *bits = BITMAP_POINTER(id);
  const int pitch = BITMAP_PITCH(id);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width * BPP(); ++x) bits[y * pitch + x] = static_cast<unsigned char>((x / BPP()) % 4 == 0 ? 0 : x + y + 1);
  }
  BITMAP_UNLOCK(id);
}

enum Kind { kFast, kTransFast, kStretch2x };

// range(0): bits per pixel; range(1): 1 for full screen, 0 for a 64x64 sprite.
void RunBlit(benchmark::State &state, Kind kind) {
  const int bpp = static_cast<int>(state.range(0));
  const bool full = state.range(1) != 0;
  UseDepth(bpp);
  // The destination is what is drawn: a stretch draws twice the source size.
  const int destWidth = full ? kScreenWidth : 64, destHeight = full ? kScreenHeight : 64;
  const int width = kind == kStretch2x ? destWidth / 2 : destWidth;
  const int height = kind == kStretch2x ? destHeight / 2 : destHeight;
  MakeSprite(1, width, height);
  const double memcpyNs = MemcpyNanoseconds(static_cast<size_t>(destWidth) * destHeight * (bpp / 8));
  RECT dest{0, 0, destWidth, destHeight};
  const double start = CpuNanoseconds();
  for (auto _ : state) {
    int result = 0;
    switch (kind) {
      case kFast: result = BLITFAST(1, 0, 0); break;
      case kTransFast: result = TRANS_BLITFAST(1, 0, 0); break;
      case kStretch2x:
        dest = RECT{0, 0, destWidth, destHeight};
        result = BLIT_BITMAP(1, &dest, 0);
        break;
    }
    benchmark::DoNotOptimize(result);
  }
  const double spent = CpuNanoseconds() - start;
  FREE_BITMAP(1);
  const double pixels = static_cast<double>(destWidth) * destHeight;
  state.counters["pixels_per_s"] =
      benchmark::Counter(pixels * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["of_memcpy"] = memcpyNs / (spent / static_cast<double>(state.iterations()));
}

void BM_Blitfast(benchmark::State &state) { RunBlit(state, kFast); }
void BM_TransBlitfast(benchmark::State &state) { RunBlit(state, kTransFast); }
void BM_BlitBitmap2x(benchmark::State &state) { RunBlit(state, kStretch2x); }

void Sizes(benchmark::internal::Benchmark *bench) {
  bench->ArgNames({"bpp", "fullscreen"});
  for (int bpp : {16, 32}) {
    for (int full : {0, 1}) bench->Args({bpp, full});
  }
}

BENCHMARK(BM_Blitfast)->Apply(Sizes);
BENCHMARK(BM_TransBlitfast)->Apply(Sizes);
BENCHMARK(BM_BlitBitmap2x)->Apply(Sizes);

// BLITFAST of an 8x8 bitmap, the oldest of range(0) registered bitmaps.
void BM_BlitfastAmongBitmaps(benchmark::State &state) {
  UseDepth(16);
  const int count = static_cast<int>(state.range(0));
  for (int id = 1; id <= count; ++id) CREATE_BITMAP(id, 8, 8, 0);
  for (auto _ : state) benchmark::DoNotOptimize(BLITFAST(1, 10, 10));
  for (int id = 1; id <= count; ++id) FREE_BITMAP(id);
}
BENCHMARK(BM_BlitfastAmongBitmaps)->ArgName("bitmaps")->Arg(1)->Arg(10000);

}  // namespace
