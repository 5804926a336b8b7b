// The cost of the sequencer's synthesis: one second of a busy song (chords
// of eight notes on eight channels, a new chord every eighth of a second)
// rendered by the platform's synthesiser at 44100 Hz, as the mixer pulls it.
#include <benchmark/benchmark.h>

#include <vector>

#include "mci/midi_synth.h"

namespace {

void BM_SynthesiseOneSecondOfBusyMidi(benchmark::State &state) {
  std::unique_ptr<platform::MidiSynth> synth = platform::MidiSynth::Create(44100);
  if (synth == nullptr) {
    state.SkipWithError("no General MIDI sound font installed");
    return;
  }
  for (uint8_t channel = 0; channel < 8; ++channel) synth->Send({0, uint8_t(0xC0 | channel), uint8_t(channel * 9), 0});
  std::vector<float> block(2 * 1024);
  for (auto _ : state) {
    // 44100 frames: eight chords, each held for 5512 frames.
    for (int chord = 0; chord < 8; ++chord) {
      for (uint8_t channel = 0; channel < 8; ++channel) {
        synth->Send({0, uint8_t(0x90 | channel), uint8_t(48 + chord + channel * 3), 100});
      }
      for (int frames = 0; frames < 5512; frames += 1024) {
        synth->Render(block.data(), static_cast<uint32_t>(std::min(1024, 5512 - frames)));
      }
      for (uint8_t channel = 0; channel < 8; ++channel) {
        synth->Send({0, uint8_t(0x80 | channel), uint8_t(48 + chord + channel * 3), 0});
      }
    }
    benchmark::DoNotOptimize(block.data());
  }
  state.counters["audio_seconds_per_cpu_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SynthesiseOneSecondOfBusyMidi)->Unit(benchmark::kMillisecond);

}  // namespace
