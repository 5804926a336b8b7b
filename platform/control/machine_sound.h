// The control interface of the sound card: its capabilities and hardware
// buffers, a card that is missing, lost buffers, the audio clock (real or a
// virtual one that tests advance) and the output sinks (WAV file, memory).
#pragma once

#include "machine_api.h"

#include <windows.h>
#include <dsound.h>

#include <string>
#include <vector>

namespace machine MACHINE_API {

// Whether the machine has a sound card; without one DirectSoundCreate fails
// with DSERR_NODRIVER.
void set_sound_card_present(bool present);

// Capabilities: GetCaps reports these, with the free hardware mixing
// buffers and memory reduced by what hardware buffers hold. The power-on card
// has no free hardware mixing buffers, rates 100 to 100000 Hz, 8/16-bit
// mono/stereo primary formats and continuous rates.
DSCAPS default_sound_caps();
void set_sound_caps(const DSCAPS &caps);
// Shorthand: `buffers` hardware mixing buffers (all, static, streaming; 8/16
// bit mono/stereo secondary formats) and `memoryBytes` of card memory (0: the
// card plays hardware buffers from system memory).
void set_hardware_sound_buffers(DWORD buffers, DWORD memoryBytes);
DSCAPS sound_caps();

// The most secondary buffers (duplicates included) the card holds at once;
// beyond it creation and duplication fail with DSERR_OUTOFMEMORY.
void set_sound_buffer_limit(size_t buffers);

// Every secondary buffer becomes lost (DSERR_BUFFERLOST until Restore).
void lose_sound_buffers();

// The audio clock: real time by default (the card mixes every 10 ms on a
// thread of its own), or a virtual clock under which the card mixes exactly
// the frames of the time advance_audio_clock adds.
void use_virtual_audio_clock();
void use_real_audio_clock();
void advance_audio_clock(DWORD milliseconds);

// Output sinks. Memory capture keeps every byte the card plays, in the
// output format; record_audio_wav writes a WAV file ("" stops; the
// environment variable KORVANE_AUDIO_WAV sets the power-on recording).
void capture_audio(bool on);
struct CapturedAudio {
  WAVEFORMATEX format;
  std::vector<BYTE> bytes;
};
CapturedAudio captured_audio();
// The capture as signed 16-bit samples, channels interleaved (8-bit output
// is widened).
std::vector<short> captured_samples();
void clear_captured_audio();
void record_audio_wav(const std::string &path);

// Observation.
int live_directsound_objects();
int live_sound_buffers();
WAVEFORMATEX sound_output_format();

}  // namespace machine
