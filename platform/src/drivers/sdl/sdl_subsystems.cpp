// Starting and stopping SDL's subsystems under one lock, with the hints the
// platform needs set before the first start.
#include "drivers/sdl/sdl_subsystems.h"

#include <SDL.h>

#include <cstdio>
#include <mutex>

namespace platform::sdl {

namespace {

std::mutex &SubsystemLock() {
  static std::mutex lock;
  return lock;
}

// Set before each start: SDL forgets its hints when it quits.
void SetHints() {
  // The host's process keeps its own signal handling: Ctrl+C still ends it.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // Closing the window is the host's business (WM_CLOSE), not a quit event.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // A game window should not keep the screen saver from starting when the
  // host has not asked for that; SDL would disable it by default.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // Joysticks are read while the window does not have the focus, as
  // DirectInput's background devices are.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  // Pixels are scaled by nearest sample, so that the picture stays sharp
  // and matches a plain nearest-sample scaling of the front buffer.
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
}

// With no subsystem left running SDL lets go of everything it holds (its
// hints, error text and event queue), as a program that never used it.
void QuitWhenUnused() {
  if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
}

}  // namespace

bool Start(uint32_t subsystems) {
  std::lock_guard<std::mutex> hold(SubsystemLock());
  SetHints();
  if (SDL_InitSubSystem(subsystems) == 0) return true;
  std::fprintf(stderr, "SDL: cannot start (%s)\n", SDL_GetError());
  QuitWhenUnused();
  return false;
}

void Stop(uint32_t subsystems) {
  std::lock_guard<std::mutex> hold(SubsystemLock());
  SDL_QuitSubSystem(subsystems);
  QuitWhenUnused();
}

}  // namespace platform::sdl
