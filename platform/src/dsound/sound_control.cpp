// The sound card's part of the control interface.
#include <cstring>

#include "dsound/sound_buffer.h"
#include "dsound/sound_card.h"
#include "machine_sound.h"

namespace {

platform::SoundCard &Card() { return platform::SoundCard::Get(); }

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

void use_virtual_audio_clock() { Card().UseVirtualClock(); }
void use_real_audio_clock() { Card().UseRealClock(); }
void advance_audio_clock(DWORD milliseconds) { Card().AdvanceVirtualClock(milliseconds); }

void capture_audio(bool on) {
  std::lock_guard<std::mutex> hold(Card().lock());
  Card().sinks.capturing = on;
}

CapturedAudio captured_audio() {
  std::lock_guard<std::mutex> hold(Card().lock());
  return CapturedAudio{Card().sinks.capturedFormat, Card().sinks.captured};
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
  std::lock_guard<std::mutex> hold(Card().lock());
  Card().sinks.captured.clear();
}

void record_audio_wav(const std::string &path) {
  std::lock_guard<std::mutex> hold(Card().lock());
  if (path.empty()) {
    Card().sinks.wav.Close();
  } else {
    Card().sinks.wav.Open(path);
  }
}

int live_directsound_objects() { return Card().liveDevices.load(); }
int live_sound_buffers() { return Card().liveBuffers.load(); }

WAVEFORMATEX sound_output_format() {
  std::lock_guard<std::mutex> hold(Card().lock());
  return Card().format();
}

}  // namespace machine
