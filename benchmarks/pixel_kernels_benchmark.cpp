// Throughput of the display's pixel kernels on a 640x480 surface at 16, 24
// and 32 bits per pixel, beside memset and memcpy of the same bytes: fills and
// opaque copies should run close to them; keyed copies and stretches show
// what a per-pixel loop costs.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "pixels/keyed_spans.h"
#include "pixels/pixel_kernels.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

struct Surface {
  explicit Surface(int bytes) : bytes(bytes), memory(static_cast<size_t>(kWidth * kHeight * bytes), 0x5A) {}
  pixels::Block Whole() { return pixels::Block{memory.data(), kWidth * bytes, kWidth, kHeight, bytes}; }
  size_t size() const { return memory.size(); }
  int bytes;
  std::vector<uint8_t> memory;
};

void Account(benchmark::State &state, size_t bytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

void BM_Memset(benchmark::State &state) {
  Surface target(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    memset(target.memory.data(), 0x21, target.size());
    benchmark::ClobberMemory();
  }
  Account(state, target.size());
}

void BM_Fill(benchmark::State &state) {
  Surface target(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    pixels::Fill(target.Whole(), 0x00212121);
    benchmark::ClobberMemory();
  }
  Account(state, target.size());
}

void BM_Memcpy(benchmark::State &state) {
  Surface target(static_cast<int>(state.range(0))), source(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    memcpy(target.memory.data(), source.memory.data(), target.size());
    benchmark::ClobberMemory();
  }
  Account(state, target.size());
}

void BM_Copy(benchmark::State &state) {
  Surface target(static_cast<int>(state.range(0))), source(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    pixels::Copy(target.Whole(), source.Whole());
    benchmark::ClobberMemory();
  }
  Account(state, target.size());
}

void BM_CopyKeyed(benchmark::State &state) {
  Surface target(static_cast<int>(state.range(0))), source(static_cast<int>(state.range(0)));
  // Every other pixel is transparent.
  for (size_t i = 0; i < source.size(); i += static_cast<size_t>(2 * source.bytes)) {
    memset(&source.memory[i], 0, static_cast<size_t>(source.bytes));
  }
  for (auto _ : state) {
    pixels::CopyKeyed(target.Whole(), source.Whole(), pixels::ColorKey{0, 0});
    benchmark::ClobberMemory();
  }
  Account(state, target.size());
}

// A sprite-like source: runs of 32 transparent and 32 opaque pixels.
void BM_CopyKeyedRuns(benchmark::State &state) {
  Surface target(static_cast<int>(state.range(0))), source(static_cast<int>(state.range(0)));
  const size_t run = static_cast<size_t>(32 * source.bytes);
  for (size_t i = 0; i + run <= source.size(); i += 2 * run) memset(&source.memory[i], 0, run);
  for (auto _ : state) {
    pixels::CopyKeyed(target.Whole(), source.Whole(), pixels::ColorKey{0, 0});
    benchmark::ClobberMemory();
  }
  Account(state, target.size());
}

void BM_StretchMirrored(benchmark::State &state) {
  Surface target(static_cast<int>(state.range(0))), source(static_cast<int>(state.range(0)));
  pixels::Block from = source.Whole();
  from.width /= 2;
  from.height /= 2;
  const pixels::StretchOptions options{true, false, false, pixels::ColorKey{0, 0}};
  for (auto _ : state) {
    pixels::Stretch(target.Whole(), from, options);
    benchmark::ClobberMemory();
  }
  Account(state, target.size());
}

// A 32x32 sprite, the key outside a centred disc, doubled to 64x64 onto the
// 640x480 surface at moving places: opaque, mirrored both ways, and keyed
// through its kept runs.
void BM_StretchDoubledSprite(benchmark::State &state) {
  constexpr int kSprite = 32;
  const int bytes = static_cast<int>(state.range(0));
  const bool mirrored = state.range(1) == 1, keyed = state.range(1) == 2;
  Surface target(bytes);
  std::vector<uint8_t> sprite(static_cast<size_t>(kSprite * kSprite * bytes), 0);
  for (int y = 0; y < kSprite; ++y) {
    for (int x = 0; x < kSprite; ++x) {
      const int dx = 2 * x + 1 - kSprite, dy = 2 * y + 1 - kSprite;
      if (dx * dx + dy * dy > kSprite * kSprite * 2 / 3) continue;  // about half the pixels
      memset(&sprite[static_cast<size_t>((y * kSprite + x) * bytes)], 0x40 + x, static_cast<size_t>(bytes));
    }
  }
  const pixels::Block from{sprite.data(), kSprite * bytes, kSprite, kSprite, bytes};
  const pixels::ColorKey key{0, 0};
  const pixels::KeyedSpans runs = pixels::KeyedSpans::Find(from, key);
  const pixels::StretchOptions options{mirrored, mirrored, keyed, key};
  const pixels::Block whole = target.Whole();
  int n = 0;
  for (auto _ : state) {
    const int x = (n * 37) % (kWidth - 2 * kSprite), y = (n * 23) % (kHeight - 2 * kSprite);
    ++n;
    const pixels::Block to{whole.bits + y * whole.pitch + x * bytes, whole.pitch, 2 * kSprite, 2 * kSprite, bytes};
    if (keyed) {
      pixels::StretchKeyedRuns(to, from, options, runs, 0, 0);
    } else {
      pixels::Stretch(to, from, options);
    }
    benchmark::ClobberMemory();
  }
  Account(state, static_cast<size_t>(4 * kSprite * kSprite * bytes));
}

BENCHMARK(BM_Memset)->Arg(2)->Arg(3)->Arg(4);
BENCHMARK(BM_Fill)->Arg(2)->Arg(3)->Arg(4);
BENCHMARK(BM_Memcpy)->Arg(2)->Arg(4);
BENCHMARK(BM_Copy)->Arg(2)->Arg(4);
BENCHMARK(BM_CopyKeyed)->Arg(2)->Arg(3)->Arg(4);
BENCHMARK(BM_CopyKeyedRuns)->Arg(2)->Arg(3)->Arg(4);
BENCHMARK(BM_StretchMirrored)->Arg(2)->Arg(4);
BENCHMARK(BM_StretchDoubledSprite)->ArgsProduct({{2, 4}, {0, 1, 2}})->ArgNames({"bytes", "mode"});

}  // namespace
