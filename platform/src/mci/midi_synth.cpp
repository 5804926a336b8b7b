// FluidSynth set up for pulling: no audio driver, no threads of its own,
// one sound font, quiet logging; every call comes under the mix lock or
// before the synthesiser joins the mix.
#include "mci/midi_synth.h"

#include <fluidsynth.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

namespace platform {

namespace {

// The General MIDI fonts of Debian's packages, smallest first.
const char *const kSystemSoundFonts[] = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
};

void QuietLogging() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Warnings and chatter go nowhere; errors still reach stderr.
    for (int level : {FLUID_WARN, FLUID_INFO, FLUID_DBG}) fluid_set_log_function(level, nullptr, nullptr);
  });
}

}  // namespace

struct MidiSynth::Handles {
  fluid_settings_t *settings = nullptr;
  fluid_synth_t *synth = nullptr;
  ~Handles() {
    if (synth != nullptr) delete_fluid_synth(synth);
    if (settings != nullptr) delete_fluid_settings(settings);
  }
};

std::string MidiSynth::SoundFontPath() {
  const char *chosen = std::getenv("KORVANE_SOUNDFONT");
  if (chosen != nullptr && chosen[0] != '\0') return access(chosen, R_OK) == 0 ? chosen : "";
  for (const char *path : kSystemSoundFonts) {
    if (access(path, R_OK) == 0) return path;
  }
  return "";
}

std::unique_ptr<MidiSynth> MidiSynth::Create(uint32_t sampleRate) {
  QuietLogging();
  const std::string font = SoundFontPath();
  if (font.empty()) return nullptr;
  auto handles = std::make_unique<Handles>();
  handles->settings = new_fluid_settings();
  if (handles->settings == nullptr) return nullptr;
  fluid_settings_setnum(handles->settings, "synth.sample-rate", sampleRate);
  // Calls are serialised by the mix lock already.
  fluid_settings_setint(handles->settings, "synth.threadsafe-api", 0);
  fluid_settings_setint(handles->settings, "synth.cpu-cores", 1);
  fluid_settings_setint(handles->settings, "synth.polyphony", 128);
  // FluidSynth's default gain leaves a General MIDI song some 25 dB below
  // full scale; this brings it near the level of other sounds.
  fluid_settings_setnum(handles->settings, "synth.gain", 0.6);
  handles->synth = new_fluid_synth(handles->settings);
  if (handles->synth == nullptr) return nullptr;
  if (fluid_synth_sfload(handles->synth, font.c_str(), 1) == FLUID_FAILED) return nullptr;
  return std::unique_ptr<MidiSynth>(new MidiSynth(sampleRate, std::move(handles)));
}

MidiSynth::MidiSynth(uint32_t sampleRate, std::unique_ptr<Handles> handles)
    : sampleRate_(sampleRate), handles_(std::move(handles)) {}

MidiSynth::~MidiSynth() = default;

void MidiSynth::Send(const MidiEvent &event) {
  fluid_synth_t *synth = handles_->synth;
  const int channel = event.status & 0x0F;
  switch (event.status & 0xF0) {
    case 0x80:
      fluid_synth_noteoff(synth, channel, event.data1);
      break;
    case 0x90:
      if (event.data2 == 0) {
        fluid_synth_noteoff(synth, channel, event.data1);
      } else {
        fluid_synth_noteon(synth, channel, event.data1, event.data2);
      }
      break;
    case 0xA0:
      fluid_synth_key_pressure(synth, channel, event.data1, event.data2);
      break;
    case 0xB0:
      fluid_synth_cc(synth, channel, event.data1, event.data2);
      break;
    case 0xC0:
      fluid_synth_program_change(synth, channel, event.data1);
      break;
    case 0xD0:
      fluid_synth_channel_pressure(synth, channel, event.data1);
      break;
    case 0xE0:
      fluid_synth_pitch_bend(synth, channel, event.data1 | (event.data2 << 7));
      break;
    default:
      break;
  }
}

void MidiSynth::Reset() { fluid_synth_system_reset(handles_->synth); }

void MidiSynth::AllNotesOff() { fluid_synth_all_notes_off(handles_->synth, -1); }

void MidiSynth::Render(float *out, uint32_t frames) {
  fluid_synth_write_float(handles_->synth, static_cast<int>(frames), out, 0, 2, out, 1, 2);
}

}  // namespace platform
