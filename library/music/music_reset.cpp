// The music subsystem's part of the library reset: playback stopped, every
// module freed, libmikmod's output closed, the player values cleared.
#include <mikmod.h>

#include "core/state_reset.h"
#include "korvane.h"
#include "music/module_player.h"
#include "music/tick_timer.h"
#include "music/player_gate.h"
#include "music/voice_driver.h"

namespace music {

void ReleaseMusicForSoundRelease() {
  StopPlayback();
  HostBusy busy;
  ReleaseAllMasters();
}

void ResetMusicState() {
  MODPLAYER_EXIT();
  gCurrentModule = nullptr;
  gVoiceCount = 0;
  for (Voice &voice : gVoices) voice = Voice{};
  gPlayerPosition.songPosition.store(0);
  gPlayerPosition.patternPosition.store(0);
  gPlayerPosition.songSpeed.store(0);
  gPlayerPosition.tempo.store(0);
  gPlayerPosition.positions.store(0);
  SET_MOD_VOL(100);
  gDriverTempo.store(125);
}

}  // namespace music

namespace {

// Runs before the sound reset, which releases DirectSound.
void ResetMusic() { music::ResetMusicState(); }

const korvane::StateResetHook gResetMusic(korvane::ResetStage::kMusic, ResetMusic);

}  // namespace
