// Module music: the CPU cost of one second of a 32-channel module, all
// voices sounding (a new note on every channel every row, looped and
// one-shot samples), played through the module player, the voice driver and
// the card's mixer on the virtual clock. Process CPU time, so that the timer
// thread's player ticks count as well as the mixing.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "korvane.h"
#include "machine.h"
#include "machine_sound.h"
#include "support/module_builder.h"

namespace {

std::string ThirtyTwoChannelModule() {
  ModuleRecipe recipe;
  recipe.channels = 32;
  for (int i = 0; i < 8; ++i) {
    ModuleSample sample;
    sample.data.resize(4000);
    for (size_t j = 0; j < sample.data.size(); ++j) {
      sample.data[j] = static_cast<int8_t>(90 * std::sin(static_cast<double>(j) * (0.05 + 0.03 * i)));
    }
    if (i % 2 == 0) sample.loopStart = 2000, sample.loopLength = 2000;
    recipe.samples.push_back(sample);
  }
  recipe.orders = {0, 0, 0, 0};
  const uint16_t periods[] = {856, 762, 678, 640, 570, 508, 453, 428, 381, 339, 320, 285, 254, 226, 214, 190};
  std::vector<ModuleNote> notes;
  for (int row = 0; row < 64; ++row) {
    for (int channel = 0; channel < 32; ++channel) {
      notes.push_back({row, channel, periods[(row + channel) % 16], static_cast<uint8_t>(channel % 8 + 1)});
    }
  }
  recipe.notes = {notes};
  return BuildModule(recipe);
}

void BM_OneSecondOfThirtyTwoChannels(benchmark::State &state) {
  machine::reset();
  const std::string folder = (std::filesystem::temp_directory_path() / "korvane-music-bench").string();
  std::filesystem::create_directories(folder);
  const std::string path = folder + "/bench32.mod";
  std::ofstream(path, std::ios::binary) << ThirtyTwoChannelModule();
  machine::use_virtual_audio_clock();
  REPORT_MODE((folder + "/music-bench").c_str(), 0);  // the report goes with the module
  KORVANE_INIT(reinterpret_cast<HWND>(0x5000), nullptr);
  DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0);
  if (MODPLAYER_INIT() != 1 || LOAD_MOD(path.c_str(), 1) != 0) {
    state.SkipWithError("the module does not load");
    return;
  }
  PLAY_MOD(1, 1);
  machine::advance_audio_clock(200);
  for (auto _ : state) machine::advance_audio_clock(1000);
  state.counters["voices"] = 32;
  STOP_MOD();
  MODPLAYER_EXIT();
  KORVANE_EXIT();
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_OneSecondOfThirtyTwoChannels)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
