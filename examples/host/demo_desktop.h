// Whether the demo runs on a real desktop of the portable platform: a window
// (KORVANE_VIDEO=window) or a sound card (KORVANE_AUDIO=device). It then
// reads the real keyboard, mouse and joysticks and plays in real time
// instead of its scripted player on virtual clocks. On Windows the devices
// are always real and the frames always timed.
#pragma once

#ifndef _WIN32
#include "machine_display.h"
#include "machine_sound.h"
#endif

inline bool WindowOnDesktop() {
#ifdef _WIN32
  return false;
#else
  return machine::video_driver() == "window";
#endif
}

inline bool SoundCardOnDesktop() {
#ifdef _WIN32
  return false;
#else
  return machine::audio_driver() == "device";
#endif
}
