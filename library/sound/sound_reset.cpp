// The sound subsystem's part of the library reset: stream waves (their files
// and buffers), then the sounds and the DirectSound object.
#include "core/state_reset.h"
#include "korvane.h"
#include "sound/sound_registry.h"
#include "sound/stream_registry.h"

namespace {

void ResetSoundState() {
  STREAM_BUFFER_EXIT();
  DSOUND_RELEASE();
  // Sounds are only made with DirectSound up; without it nothing is left.
  if (glpSoundList != nullptr) Sound_FreeAll();
}

const korvane::StateResetHook gResetSound(korvane::ResetStage::kSound, ResetSoundState);

}  // namespace
