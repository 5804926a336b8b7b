// The machine interface of the sound card: its capabilities and hardware
// buffers, a card that is missing, lost buffers, the audio clock (real or a
// virtual one that tests advance), the audio engine and its output drivers
// (none, WAV file, memory) and the memory capture.
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
// the frames of the time advance_audio_clock adds. It is the machine clock
// (machine_clock.h) under the sound card's names: switching it or advancing
// it moves the display's time and the multimedia timers too.
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

// The output driver the mix goes to: "none" (the default), "wav" (target:
// the file's path; record_audio_wav is its shorthand) or "memory". False for
// an unknown driver, which changes nothing. The environment chooses the
// power-on driver: KORVANE_AUDIO_DRIVER=name[:target], or
// KORVANE_AUDIO_WAV=path for a WAV file. The sink it replaces is completed
// and closed first; a WAV recording is also completed (header and data on
// disk) when the last DirectSound object is released, after each advance of
// the virtual clock, at machine::reset() and when the process exits.
bool use_audio_driver(const std::string &driver, const std::string &target = "");
std::string audio_driver();

// The sound card driver, "device" (KORVANE_AUDIO=device): the mix played on
// the machine's audio device through SDL2 (16-bit stereo at 44100 Hz, other
// output formats converted). Its target, when given, is a WAV file that
// records the same sound (KORVANE_AUDIO_WAV does that when both are set).
// use_audio_driver("device") is false where no audio device can be opened.
// Under real time the device paces the mixer: each of its requests is mixed
// when it comes, so the card plays exactly the mix. The latency asked of the
// next device opened is KORVANE_AUDIO_LATENCY_MS (1 to 1000), 20 ms by
// default; audio_device_buffer_ms is that of the device open now (0 when
// none). An underrun is a request the running mixer could not fill.
// reset() restores the latency and the underrun count.
void set_audio_latency_ms(unsigned milliseconds);
unsigned audio_latency_ms();
double audio_device_buffer_ms();
unsigned audio_underruns();

// Whether the audio engine runs: while a DirectSound object exists or any
// source plays.
bool audio_engine_running();

// Observation. A primary buffer the host still holds when its DirectSound
// object goes away stays a valid object (answering DSERR_UNINITIALIZED)
// until the host releases it or machine::reset() takes it; as it holds
// nothing of the card any more, it is no longer counted as a live buffer.
int live_directsound_objects();
int live_sound_buffers();
WAVEFORMATEX sound_output_format();

}  // namespace machine
