// Whether the demo runs on a real desktop of the portable platform: a window
// (KORVANE_VIDEO=window) or a sound card (KORVANE_AUDIO=device). It then
// reads the real keyboard, mouse and joysticks and plays in real time
// instead of its scripted player on virtual clocks. On Windows the devices
// are always real and the frames always timed.
#pragma once

#ifndef _WIN32
#include <windows.h>

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

// Whether the player has closed the demo's desktop window: its close button
// posts WM_CLOSE to the host window. The demo then ends the part it is in
// and skips the parts left, as a game quits.
inline bool DemoWindowClosed() {
#ifdef _WIN32
  return false;
#else
  static bool closed = false;
  if (closed || !WindowOnDesktop()) return closed;
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_CLOSE) closed = true;
  }
  return closed;
#endif
}
