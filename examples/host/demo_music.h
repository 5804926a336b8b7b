// The demo's module music: a small tracker tune written by the demo itself,
// played in the background through the module player.
#pragma once

// After DSOUND_INIT: prepares the player, writes and loads the tune and
// starts it looping; false when music is not available.
bool StartDemoMusic();
// Stops the tune and frees the player (before DSOUND_RELEASE).
void StopDemoMusic();
