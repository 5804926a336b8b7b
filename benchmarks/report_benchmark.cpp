// Report throughput: one FILE_REPORT line is one unbuffered write, so this
// measures what each report line costs a host.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "korvane.h"

namespace {

void BM_FileReportLine(benchmark::State &state) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "korvane-report-bench";
  std::filesystem::create_directories(folder);
  const std::string name = (folder / "bench").string();
  REPORT_MODE(name.c_str(), 1);
  static int window;
  KORVANE_INIT(reinterpret_cast<HWND>(&window), nullptr);
  const std::string line(static_cast<size_t>(state.range(0)), 'r');
  for (auto _ : state) benchmark::DoNotOptimize(FILE_REPORT(line.c_str()));
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * (state.range(0) + 1));
  KORVANE_EXIT();
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_FileReportLine)->Arg(40)->Arg(254);

}  // namespace
