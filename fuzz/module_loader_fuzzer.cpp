// libFuzzer entry for module files as a host meets them: every input is
// written to a file and loaded with LOAD_MOD, so libmikmod's loaders and the
// voice driver's sample uploads all see it. What loads is played for a
// moment of the virtual clock, moved about and freed. The sanitizers catch
// memory faults; the checks below catch a load or a free that leaves
// buffers, records or a timer behind.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz_scratch.h"
#include "korvane.h"
#include "machine.h"
#include "machine_clock.h"
#include "machine_sound.h"

namespace {

constexpr const char *kModuleFile = "input.mod";

// Starts the library once, in a scratch folder of its own, with DirectSound
// and the module player on the virtual clock; answers the live buffers when
// idle (the primary buffer).
int StartOnce() {
  static const int idleBuffers = [] {
    fuzz::EnterScratchFolder("korvane-module-fuzz-XXXXXX");
    machine::use_virtual_audio_clock();
    REPORT_MODE("module-fuzz", 0);
    if (KORVANE_INIT(reinterpret_cast<HWND>(0x5000), nullptr) != 0) abort();
    if (DSOUND_INIT(DSSCL_NORMAL, 0, 0, 0) != 0) abort();
    if (MODPLAYER_INIT() != 1) abort();
    return machine::live_sound_buffers();
  }();
  return idleBuffers;
}

void WriteInput(const uint8_t *data, size_t size) {
  FILE *file = fopen(kModuleFile, "wb");
  if (file == nullptr) abort();
  if (size > 0 && fwrite(data, 1, size, file) != size) abort();
  fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const int idleBuffers = StartOnce();
  WriteInput(data, size);
  // The last byte picks the card (hardware buffers or none) and the loop.
  const uint8_t choice = size > 0 ? data[size - 1] : 0;
  machine::set_hardware_sound_buffers((choice & 1) ? 16 : 0, 0);
  if (LOAD_MOD(kModuleFile, 1) == 0) {
    if (LOAD_MOD(kModuleFile, 1) == 0) abort();  // the id is taken
    PLAY_MOD(1, (choice >> 1) & 1);
    machine::advance_audio_clock(150);
    MOD_NEXTPOS();
    machine::advance_audio_clock(60);
    MOD_SETPOS(choice);
    MOD_PREVPOS();
    machine::advance_audio_clock(60);
    if ((choice & 4) == 0) STOP_MOD();  // otherwise FREE_MOD stops it
    FREE_MOD(1);
  }
  if (machine::live_sound_buffers() != idleBuffers) abort();
  if (machine::live_multimedia_timers() != 0) abort();
  return 0;
}
