// The sound card's mixer: voice-samples per second for 32 playing buffers
// whose frequencies change between blocks, mixed through DirectSound as a
// host drives it, against a plain floating-point mixing loop.
#include <benchmark/benchmark.h>

#include <windows.h>
#include <dsound.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "machine.h"
#include "machine_sound.h"

namespace {

constexpr int kVoices = 32;
constexpr DWORD kBlockMilliseconds = 100;
constexpr int kBlockFrames = 4410;  // 100 ms at 44100 Hz
constexpr DWORD kVoiceFrames = 44100;

std::vector<int16_t> Tone(DWORD frames, int voice) {
  std::vector<int16_t> samples(frames);
  for (DWORD i = 0; i < frames; ++i) {
    samples[i] = static_cast<int16_t>(8000.0 * std::sin(0.01 * (voice + 1) * static_cast<double>(i)));
  }
  return samples;
}

void BM_CardMixesThirtyTwoVoices(benchmark::State &state) {
  machine::reset();
  machine::use_virtual_audio_clock();
  LPDIRECTSOUND ds = nullptr;
  DirectSoundCreate(nullptr, &ds, nullptr);
  ds->SetCooperativeLevel(reinterpret_cast<HWND>(0x1), DSSCL_NORMAL);
  std::vector<LPDIRECTSOUNDBUFFER> voices;
  for (int v = 0; v < kVoices; ++v) {
    WAVEFORMATEX format = {WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
    DSBUFFERDESC description{};
    description.dwSize = sizeof description;
    description.dwFlags = DSBCAPS_CTRLDEFAULT | DSBCAPS_STATIC;
    description.dwBufferBytes = kVoiceFrames * 2;
    description.lpwfxFormat = &format;
    LPDIRECTSOUNDBUFFER buffer = nullptr;
    ds->CreateSoundBuffer(&description, &buffer, nullptr);
    LPVOID part1, part2;
    DWORD bytes1, bytes2;
    buffer->Lock(0, description.dwBufferBytes, &part1, &bytes1, &part2, &bytes2, 0);
    std::vector<int16_t> tone = Tone(kVoiceFrames, v);
    std::memcpy(part1, tone.data(), bytes1);
    buffer->Unlock(part1, bytes1, part2, bytes2);
    buffer->SetVolume(-600);
    buffer->SetPan((v % 5 - 2) * 2000);
    buffer->Play(0, 0, DSBPLAY_LOOPING);
    voices.push_back(buffer);
  }
  DWORD step = 0;
  for (auto _ : state) {
    // Every voice changes pitch between blocks, as module music does.
    for (int v = 0; v < kVoices; ++v) voices[v]->SetFrequency(11025 + (step * 977 + v * 1499) % 36000);
    ++step;
    machine::advance_audio_clock(kBlockMilliseconds);
  }
  state.SetItemsProcessed(state.iterations() * kVoices * kBlockFrames);
  for (LPDIRECTSOUNDBUFFER buffer : voices) buffer->Release();
  ds->Release();
}
BENCHMARK(BM_CardMixesThirtyTwoVoices)->Unit(benchmark::kMillisecond);

// The reference: the loop anyone would write first, in floating point.
void BM_PlainMixingLoop(benchmark::State &state) {
  std::vector<std::vector<int16_t>> data;
  for (int v = 0; v < kVoices; ++v) data.push_back(Tone(kVoiceFrames, v));
  std::vector<double> positions(kVoices, 0.0);
  std::vector<float> mix(2 * kBlockFrames);
  DWORD step = 0;
  for (auto _ : state) {
    std::fill(mix.begin(), mix.end(), 0.0f);
    for (int v = 0; v < kVoices; ++v) {
      const double increment = (11025 + (step * 977 + v * 1499) % 36000) / 44100.0;
      const float left = 0.5f, right = 0.4f;
      double position = positions[v];
      for (int i = 0; i < kBlockFrames; ++i) {
        const auto index = static_cast<DWORD>(position);
        const float fraction = static_cast<float>(position - index);
        const float s0 = data[v][index], s1 = data[v][(index + 1) % kVoiceFrames];
        const float value = s0 + (s1 - s0) * fraction;
        mix[2 * i] += value * left;
        mix[2 * i + 1] += value * right;
        position += increment;
        if (position >= kVoiceFrames) position -= kVoiceFrames;
      }
      positions[v] = position;
    }
    ++step;
    benchmark::DoNotOptimize(mix.data());
  }
  state.SetItemsProcessed(state.iterations() * kVoices * kBlockFrames);
}
BENCHMARK(BM_PlainMixingLoop)->Unit(benchmark::kMillisecond);

}  // namespace
