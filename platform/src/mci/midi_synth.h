// The General MIDI synthesiser behind the sequencer: FluidSynth with a sound
// font from the system's packages, rendering into buffers the mixer pulls
// (FluidSynth's own audio drivers are never started).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "mci/midi_file.h"

namespace platform {

class MidiSynth {
 public:
  // A synthesiser at `sampleRate` with the sound font loaded, or null when
  // none can be made (no sound font found or FluidSynth failing). Reads the
  // sound font from disk: call it without locks held.
  static std::unique_ptr<MidiSynth> Create(uint32_t sampleRate);
  ~MidiSynth();

  // The sound font used: KORVANE_SOUNDFONT when set, else the first General
  // MIDI font of the system's packages found; "" when none.
  static std::string SoundFontPath();

  uint32_t sampleRate() const { return sampleRate_; }
  void Send(const MidiEvent &event);
  // Every voice silenced at once and the channels back to their defaults.
  void Reset();
  // Notes end (their release still sounds).
  void AllNotesOff();
  // `frames` stereo frames, interleaved, added nowhere: written to `out`.
  void Render(float *out, uint32_t frames);

 private:
  struct Handles;
  MidiSynth(uint32_t sampleRate, std::unique_ptr<Handles> handles);
  uint32_t sampleRate_;
  std::unique_ptr<Handles> handles_;
};

}  // namespace platform
