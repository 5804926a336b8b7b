// Playback controls: PLAY_MOD and STOP_MOD, the position requests, tempo and
// volume, and the getters, which read values published by the player tick.
#include <windows.h>

#include <mikmod.h>

#include "korvane.h"
#include "music/module_player.h"
#include "music/player_gate.h"
#include "music/tick_timer.h"
#include "music/voice_driver.h"

namespace music {

bool gModPlaying = false;
MODULE *gCurrentModule = nullptr;
PlayerPosition gPlayerPosition;

namespace {

std::atomic<int> gGlobalVolume{100};

constexpr auto kRelaxed = std::memory_order_relaxed;

}  // namespace

int GlobalVolumePercent() { return gGlobalVolume.load(kRelaxed); }

void PublishPlayerPosition() {
  const MODULE *module = gCurrentModule;
  if (module == nullptr) return;
  gPlayerPosition.songPosition.store(module->sngpos, kRelaxed);
  gPlayerPosition.patternPosition.store(module->patpos, kRelaxed);
  gPlayerPosition.songSpeed.store(module->sngspd, kRelaxed);
  gPlayerPosition.tempo.store(static_cast<uint8_t>(module->bpm), kRelaxed);
  gPlayerPosition.positions.store(module->numpos, kRelaxed);
}

void AfterPlayerTick() {
  if (gCurrentModule != nullptr) MOD_SETBPM(static_cast<int>(static_cast<uint8_t>(gCurrentModule->bpm)));
  PublishPlayerPosition();
}

void StopPlayback() {
  if (!gModPlaying) return;
  HostBusy busy;
  gModPlaying = false;
  MikMod_DisableOutput();
}

}  // namespace music

using namespace music;

extern "C" void PLAY_MOD(int id, int loop) {
  if (gModPlaying) return;
  MODULE *module = nullptr;
  for (ModuleNode *node = gModuleList; node != nullptr; node = node->next) {
    if (node->id == id) {
      module = node->module;
      break;
    }
  }
  if (module == nullptr) return;
  HostBusy busy;
  // The voices follow this module's channels, whatever was loaded since.
  gVoiceCount = module->numvoices < kVoices ? module->numvoices : kVoices;
  MikMod_SetNumVoices(gVoiceCount, -1);
  gCurrentModule = module;
  Player_Start(module);
  // From the top: position 0, the module's own speed and tempo.
  Player_SetPosition(0);
  module->loop = loop != 0;
  module->wrap = loop != 0;
  PublishPlayerPosition();
  gModPlaying = true;
}

extern "C" void STOP_MOD(void) { StopPlayback(); }

extern "C" int MOD_READY(void) {
  return gPlayerPosition.songPosition.load(kRelaxed) >= gPlayerPosition.positions.load(kRelaxed) ? 1 : 0;
}

extern "C" void MOD_NEXTPOS(void) {
  HostBusy busy;
  if (gCurrentModule == nullptr) return;
  Player_NextPosition();
  PublishPlayerPosition();
}

extern "C" void MOD_PREVPOS(void) {
  HostBusy busy;
  if (gCurrentModule == nullptr) return;
  Player_PrevPosition();
  PublishPlayerPosition();
}

extern "C" void MOD_SETPOS(int position) {
  HostBusy busy;
  if (gCurrentModule == nullptr) return;
  Player_SetPosition(static_cast<UWORD>(position));
  PublishPlayerPosition();
}

extern "C" void MOD_SETBPM(int bpm) { gDriverTempo.store(static_cast<uint8_t>(bpm), kRelaxed); }

extern "C" int GET_MOD_BPM(void) { return gPlayerPosition.tempo.load(kRelaxed); }
extern "C" int GET_MOD_PATPOS(void) { return gPlayerPosition.patternPosition.load(kRelaxed); }
extern "C" int GET_MOD_SNGPOS(void) { return gPlayerPosition.songPosition.load(kRelaxed); }
extern "C" int GET_MOD_SNGSPD(void) { return gPlayerPosition.songSpeed.load(kRelaxed); }

extern "C" void SET_MOD_VOL(int volume) { gGlobalVolume.store(volume < 0 ? 0 : volume > 100 ? 100 : volume, kRelaxed); }
