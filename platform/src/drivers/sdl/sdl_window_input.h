// What the window's thread asks of the input behind its window. The window
// driver pumps SDL's events on its own thread and hands every event that is
// not the window's own to this side, without knowing who reads the input.
#pragma once

#include <SDL.h>

namespace platform::sdl {

class WindowInput {
 public:
  virtual ~WindowInput() = default;
  // The window's thread starts and stops; stopping lets go of everything
  // held back.
  virtual void Start() = 0;
  virtual void Stop() = 0;
  // An event that is not the window's own (keys, mouse, joysticks, notes).
  virtual void Event(const SDL_Event &event) = 0;
  virtual void FocusChanged(bool focused) = 0;
  // Once per turn of the window's loop, after its events.
  virtual void Turn() = 0;
  // Whether the next turn is wanted soon rather than at the idle pace.
  virtual bool WantsEarlyTurn() = 0;
  // Whether the window should hide and hold the pointer while focused.
  virtual bool HoldsPointer() = 0;
};

// The input the window driver serves: SDL's keyboard, mouse and joysticks
// delivered to the input hardware.
WindowInput &TheWindowInput();

}  // namespace platform::sdl
