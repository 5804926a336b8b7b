// The demo's MIDI part: a four-bar tune (a melody on a piano, a bass line
// on a second channel) written as a standard MIDI file, then opened, played
// and polled with IS_MIDI_READY once per frame until it ends.
#include "demo_midi.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "demo_desktop.h"
#include "korvane.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "machine_clock.h"
#endif

namespace {

constexpr int kFrameMilliseconds = 20;
// Ten seconds of frames at the most, however the tune is played.
constexpr int kMaximumFrames = 500;

void Big32(std::string *out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<char>(value >> shift));
}

// One note: on at once, off after `ticks` (a delta below 128 ticks).
void Note(std::string *track, int channel, int key, int ticks) {
  track->append({0, static_cast<char>(0x90 | channel), static_cast<char>(key), 96});
  track->append({static_cast<char>(ticks), static_cast<char>(0x80 | channel), static_cast<char>(key), 64});
}

bool WriteTune(const char *path) {
  // 96 ticks a quarter at the default 120 beats a minute.
  static const int kMelody[] = {60, 64, 67, 72, 71, 67, 64, 62, 60, 65, 69, 72, 71, 67, 62, 60};
  std::string track = {0, static_cast<char>(0xC1), 32};  // channel 2: acoustic bass
  for (int i = 0; i < 16; ++i) {
    if (i % 4 == 0) track.append({0, static_cast<char>(0x91), static_cast<char>(kMelody[i] - 24), 80});
    Note(&track, 0, kMelody[i], 48);
    if (i % 4 == 3) track.append({0, static_cast<char>(0x81), static_cast<char>(kMelody[i - 3] - 24), 64});
  }
  track.append({0, static_cast<char>(0xFF), 0x2F, 0});
  std::string file = "MThd";
  Big32(&file, 6);
  file.append({0, 0, 0, 1, 0, 96});
  file += "MTrk";
  Big32(&file, static_cast<uint32_t>(track.size()));
  file += track;
  std::ofstream out(path, std::ios::binary);
  out.write(file.data(), static_cast<std::streamsize>(file.size()));
  return static_cast<bool>(out);
}

void WaitOneFrame() {
#ifdef _WIN32
  Sleep(kFrameMilliseconds);
#else
  machine::advance_machine_clock(kFrameMilliseconds);
#endif
}

}  // namespace

void RunMidiDemo() {
  if (!WriteTune("demo_tune.mid") || MIDI_OPEN("demo_tune.mid") == 0) {
    printf("demo: the MIDI tune could not be opened\n");
    return;
  }
  const int played = MIDI_PLAY();
  int frames = 0;
  while (played == 0 && IS_MIDI_READY() == 1 && frames < kMaximumFrames && !DemoWindowClosed()) {
    WaitOneFrame();
    ++frames;
  }
  MIDI_CLOSE();
  char line[128];
  snprintf(line, sizeof line, "demo: MIDI tune played for %d frames (play result %d)", frames, played);
  FILE_REPORT(line);
  printf("%s\n", line);
}
