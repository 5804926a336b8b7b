// libFuzzer entry for RIFF WAVE files as a host meets them: every input is
// written to a file and loaded with LOAD_SOUND and SETUP_STREAM_BUFFER, so
// the platform's multimedia file I/O, the sound reader and the stream reader
// all see it. What loads is played (a stream for a few seconds of the
// virtual audio clock) and freed. The sanitizers catch memory faults; the
// checks below catch a load that leaves buffers or records behind.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_scratch.h"
#include "korvane.h"
#include "machine.h"
#include "machine_sound.h"

namespace {

constexpr const char *kWaveFile = "input.wav";

// Starts the library once, in a scratch folder of its own, with DirectSound
// on the virtual audio clock; answers the live buffers when idle (the
// primary buffer).
int StartOnce() {
  static const int idleBuffers = [] {
    fuzz::EnterScratchFolder("korvane-wave-fuzz-XXXXXX");
    machine::use_virtual_audio_clock();
    REPORT_MODE("wave-fuzz", 0);
    if (KORVANE_INIT(reinterpret_cast<HWND>(0x5000), nullptr) != 0) abort();
    if (DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0) != 0) abort();
    return machine::live_sound_buffers();
  }();
  return idleBuffers;
}

void WriteInput(const uint8_t *data, size_t size) {
  FILE *file = fopen(kWaveFile, "wb");
  if (file == nullptr) abort();
  if (size > 0 && fwrite(data, 1, size, file) != size) abort();
  fclose(file);
}

void PlaySound(int placement) {
  if (LOAD_SOUND(kWaveFile, 1, 2, placement) != 0) return;
  PLAY_SOUND(1, -600, 2000, -1000, 0);
  PLAY_SOUND(1, 0, 0, 5000, 1);
  machine::advance_audio_clock(100);
  // A second load under the same id is refused while the first is there.
  if (LOAD_SOUND(kWaveFile, 1, 1, placement) == 0) abort();
  FREE_SOUND(1);
}

void PlayStream(int loop) {
  if (SETUP_STREAM_BUFFER(kWaveFile, 2, loop) != 0) return;
  STREAM_BUFFER_PLAY(2);
  // One pass of the two-second buffer in quarters reaches every refill
  // request; a second pass wraps or ends the file.
  for (int step = 0; step < 8; ++step) {
    machine::advance_audio_clock(250);
    STREAM_BUFFER_UPDATE();
  }
  STREAM_BUFFER_PLAY(2);  // reopens the file and starts again
  STREAM_BUFFER_UPDATE();
  FREE_STREAMWAVE(2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const int idleBuffers = StartOnce();
  WriteInput(data, size);
  // The last byte picks the placement and whether the stream loops, so that
  // both branches of each are reached from the same files.
  const uint8_t choice = size > 0 ? data[size - 1] : 0;
  PlaySound(choice & 1);
  PlayStream((choice >> 1) & 1);
  if (machine::live_sound_buffers() != idleBuffers) abort();
  return 0;
}
