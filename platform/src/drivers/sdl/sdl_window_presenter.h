// The window video driver: the front buffer shown in a desktop window
// through SDL2, scaled with its aspect kept, repainted on expose and resize,
// with the window's events handed on to the input side and its close button
// posted to the host window as WM_CLOSE. A thread of the driver's own owns the window
// and pumps its events, so a host that never pumps messages stays
// responsive; presenting costs the host one copy of what changed.
#pragma once

#include <cstdint>
#include <memory>

#include "present/presenter.h"

namespace present {

// Settings every window driver follows; changes apply at once to an open
// window. Reset: integer scaling off, full screen as KORVANE_FULLSCREEN says.
void SetWindowIntegerScaling(bool on);
bool WindowIntegerScaling();
void SetWindowFullscreen(bool on);
bool WindowFullscreen();
void ResetWindowSettings();

// What the window driver shows, for the machine interface.
struct WindowStatus {
  bool open = false;
  unsigned long nativeWindow = 0;  // the X11 window id, 0 elsewhere
  int width = 0;                   // the drawable size in pixels
  int height = 0;
  bool fullscreen = false;
  bool focused = false;
  uint64_t framesGiven = 0;  // frames handed over so far, numbered from 1
  uint64_t framesShown = 0;  // the number of the newest frame painted into the window
  uint64_t paints = 0;
  uint64_t hostNanoseconds = 0;  // time the display's thread spent handing frames over
  double refreshPeriodMs = 0;    // the display's refresh presenting waits for, 0 without vsync
};
WindowStatus WindowDriverStatus();

}  // namespace present
