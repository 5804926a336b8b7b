// The sound card's and the audio engine's part of the machine interface:
// the card's presence, capabilities and buffers, the audio clock, the output
// drivers and the memory capture.
#include <cstring>

#include "audio/audio_engine.h"
#include "drivers/sdl/sdl_device_sink.h"
#include "base/reset.h"
#include "dsound/sound_buffer.h"
#include "dsound/sound_card.h"
#include "machine_clock.h"
#include "machine_sound.h"

namespace {

platform::SoundCard &Card() { return platform::SoundCard::Get(); }
platform::AudioEngine &Engine() { return platform::AudioEngine::Get(); }

platform::ResetHook gResetDeviceFigures(platform::ResetDeviceFigures);

}  // namespace

namespace machine {

void set_sound_card_present(bool present) {
  std::lock_guard<std::mutex> hold(Card().lock());
  Card().present = present;
}

DSCAPS default_sound_caps() { return platform::DefaultSoundCaps(); }

void set_sound_caps(const DSCAPS &caps) {
  std::lock_guard<std::mutex> hold(Card().lock());
  Card().configured = caps;
  Card().configured.dwSize = sizeof(DSCAPS);
}

void set_hardware_sound_buffers(DWORD buffers, DWORD memoryBytes) {
  std::lock_guard<std::mutex> hold(Card().lock());
  DSCAPS &caps = Card().configured;
  caps.dwFlags |= DSCAPS_SECONDARY8BIT | DSCAPS_SECONDARY16BIT | DSCAPS_SECONDARYMONO | DSCAPS_SECONDARYSTEREO;
  caps.dwMaxHwMixingAllBuffers = caps.dwMaxHwMixingStaticBuffers = caps.dwMaxHwMixingStreamingBuffers = buffers;
  caps.dwFreeHwMixingAllBuffers = caps.dwFreeHwMixingStaticBuffers = caps.dwFreeHwMixingStreamingBuffers = buffers;
  caps.dwTotalHwMemBytes = caps.dwFreeHwMemBytes = caps.dwMaxContigFreeHwMemBytes = memoryBytes;
}

DSCAPS sound_caps() {
  std::lock_guard<std::mutex> hold(Card().lock());
  return Card().CurrentCaps();
}

void set_sound_buffer_limit(size_t buffers) {
  std::lock_guard<std::mutex> hold(Card().lock());
  Card().bufferLimit = buffers;
}

void lose_sound_buffers() {
  std::lock_guard<std::mutex> hold(Card().lock());
  for (platform::SoundBuffer *buffer : Card().Buffers()) buffer->Lose();
}

// The audio clock is the machine clock; these stay for the hosts and tests
// that name it after the sound card.
void use_virtual_audio_clock() { use_virtual_machine_clock(); }
void use_real_audio_clock() { use_real_machine_clock(); }
void advance_audio_clock(DWORD milliseconds) { advance_machine_clock(milliseconds); }

void capture_audio(bool on) {
  std::lock_guard<std::mutex> hold(Engine().lock());
  Engine().capturing = on;
}

CapturedAudio captured_audio() {
  std::lock_guard<std::mutex> hold(Engine().lock());
  return CapturedAudio{Engine().capture().format, Engine().capture().bytes};
}

std::vector<short> captured_samples() {
  CapturedAudio audio = captured_audio();
  std::vector<short> samples;
  if (audio.format.wBitsPerSample == 8) {
    for (BYTE value : audio.bytes) samples.push_back(static_cast<short>((value - 128) * 256));
  } else {
    samples.resize(audio.bytes.size() / 2);
    std::memcpy(samples.data(), audio.bytes.data(), samples.size() * 2);
  }
  return samples;
}

void clear_captured_audio() {
  std::lock_guard<std::mutex> hold(Engine().lock());
  Engine().capture().bytes.clear();
}

void record_audio_wav(const std::string &path) {
  if (path.empty()) {
    Engine().UseDriver("none", "");
  } else {
    Engine().UseDriver("wav", path);
  }
}

bool use_audio_driver(const std::string &driver, const std::string &target) {
  return Engine().UseDriver(driver, target);
}

std::string audio_driver() { return Engine().DriverName(); }

bool audio_engine_running() { return Engine().Running(); }

int live_directsound_objects() { return Card().liveDevices.load(); }
int live_sound_buffers() { return Card().liveBuffers.load(); }

WAVEFORMATEX sound_output_format() {
  std::lock_guard<std::mutex> hold(Card().lock());
  return Card().format();
}

void set_audio_latency_ms(unsigned milliseconds) { platform::SetDeviceLatencyMs(milliseconds); }
unsigned audio_latency_ms() { return platform::DeviceLatencyMs(); }
double audio_device_buffer_ms() { return platform::DeviceBufferMs(); }
unsigned audio_underruns() { return platform::DeviceUnderruns(); }

}  // namespace machine
