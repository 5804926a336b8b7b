// The music's place on the sound device listener list: the module player is
// set up for output each time DirectSound is made, and music still playing
// is stopped, and its buffers released, before DirectSound goes.
#include "core/sound_events.h"
#include "music/mikmod_driver.h"
#include "music/module_player.h"

namespace {

const SoundListenerRegistration gMusicListens(
    SoundListenerSlot::kMusic,
    SoundDeviceListener{music::PrepareModulePlayer, music::ReleaseMusicForSoundRelease});

}  // namespace
