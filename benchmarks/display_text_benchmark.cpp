// Throughput of GDI_TEXTOUT on the software display: one 40-character line
// per iteration (device context, state, glyphs, release), in lines per
// second, for the default font and a 24-pixel anti-aliased host font, in
// 8-, 16- and 32-bit modes, transparent and opaque.
#include <benchmark/benchmark.h>

#include "korvane.h"

namespace {

const char kLine[] = "Frame 000123 - The quick brown fox jumps";  // 40 characters

void UseMode(int bpp) {
  static bool started = false;
  static int current = 0;
  if (!started) {
    KORVANE_INIT(reinterpret_cast<HWND>(0x4000), nullptr);
    DDRAW_INIT();
    started = true;
  }
  if (current != bpp) {
    SET_VIDEO_MODE(640, 480, bpp);
    current = bpp;
  }
}

HFONT HostFont() {
  static HFONT font = CreateFontA(-24, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0,
                                  "DejaVu Sans");
  return font;
}

// Arguments: bits per pixel, host font (1) or default (0), transparent.
void BM_GdiTextOut(benchmark::State &state) {
  UseMode(static_cast<int>(state.range(0)));
  USE_FONT(state.range(1) != 0 ? HostFont() : nullptr);
  const int transparent = static_cast<int>(state.range(2));
  int y = 0;
  for (auto _ : state) {
    if (GDI_TEXTOUT(8, y, kLine, 1, transparent) != 0) state.SkipWithError("GDI_TEXTOUT failed");
    y = (y + 24) % 440;
  }
  state.counters["lines_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GdiTextOut)
    ->ArgNames({"bpp", "host_font", "transparent"})
    ->Args({8, 0, 1})
    ->Args({16, 0, 1})
    ->Args({32, 0, 1})
    ->Args({32, 0, 0})
    ->Args({32, 1, 1})
    ->Args({16, 1, 0});

}  // namespace
