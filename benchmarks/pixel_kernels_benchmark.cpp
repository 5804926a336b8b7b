// Throughput of the display's pixel kernels on a 640x480 surface at 16, 24
// and 32 bits per pixel, beside memset and memcpy of the same bytes: fills and
// opaque copies should run close to them; keyed copies and stretches show
// what a per-pixel loop costs.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

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

BENCHMARK(BM_Memset)->Arg(2)->Arg(3)->Arg(4);
BENCHMARK(BM_Fill)->Arg(2)->Arg(3)->Arg(4);
BENCHMARK(BM_Memcpy)->Arg(2)->Arg(4);
BENCHMARK(BM_Copy)->Arg(2)->Arg(4);
BENCHMARK(BM_CopyKeyed)->Arg(2)->Arg(3)->Arg(4);
BENCHMARK(BM_CopyKeyedRuns)->Arg(2)->Arg(3)->Arg(4);
BENCHMARK(BM_StretchMirrored)->Arg(2)->Arg(4);

}  // namespace
