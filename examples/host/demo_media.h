// The demo's media part: a short video played in the media window between
// the display and bitmap scenes, when a video file is found.
#pragma once

// Plays the video at `path` (nothing when empty) to its end in the media
// window centred on the 640x480 mode, then gives the display back.
void RunMediaDemo(const char *path);
