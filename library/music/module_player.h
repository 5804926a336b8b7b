// The module player's state shared by the music exports: the registry of
// loaded modules, the module the player works on, and the position values
// the getters read while the timer thread moves them.
#pragma once

#include <atomic>
#include <cstdint>

struct MODULE;

namespace music {

struct ModuleNode {
  MODULE *module;
  int id;
  ModuleNode *next;
};

extern ModuleNode *gModuleList;
// True from a successful MODPLAYER_INIT to MODPLAYER_EXIT.
extern bool gModPlayerReady;
extern bool gModPlaying;
extern MODULE *gCurrentModule;

// The player's values as the getters see them: copied after every player
// tick and every change the host makes, each a single atomic value.
struct PlayerPosition {
  std::atomic<int16_t> songPosition{0};
  std::atomic<uint16_t> patternPosition{0};
  std::atomic<uint16_t> songSpeed{0};
  std::atomic<uint8_t> tempo{0};
  std::atomic<uint16_t> positions{0};
};
extern PlayerPosition gPlayerPosition;

// 0 ... 100, applied to every voice volume the player sends.
int GlobalVolumePercent();

// Copies the current module's values for the getters (busy flag held).
void PublishPlayerPosition();
// After each player tick (timer thread, busy flag held): the timer follows
// the player's tempo and the getters see the new position.
void AfterPlayerTick();

// Stops playback (the busy flag is taken inside).
void StopPlayback();
// DirectSound is going away: playback stops and every master buffer is
// released, whatever the host has not yet stopped or freed.
void ReleaseMusicForSoundRelease();
// Tests: every module freed, the player as at load.
void ResetMusicState();

}  // namespace music
