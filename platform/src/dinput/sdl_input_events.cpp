// The window's keyboard, mouse and focus as DirectInput sees them: key
// presses by DIK code (without the auto-repeat DirectInput never reports),
// relative mouse motion, wheel notches of 120 and five buttons.
#include "dinput/dinput7.h"

#include <mutex>

#include "dinput/input_device.h"
#include "dinput/input_hardware.h"
#include "dinput/sdl_input.h"
#include "machine_input.h"

namespace platform::dinput {

namespace {

// A wheel notch, as Windows counts it.
constexpr int kWheelDelta = 120;

// SDL's button numbers (1 left, 2 middle, 3 right, 4 and 5 the side
// buttons) as DirectInput's (0 left, 1 right, 2 middle, 3, 4); -1 otherwise.
int MouseButton(Uint8 sdlButton) {
  switch (sdlButton) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    case SDL_BUTTON_X1: return 3;
    case SDL_BUTTON_X2: return 4;
    default: return -1;
  }
}

}  // namespace

void HandleSdlInputEvent(const SDL_Event &event) {
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      if (event.key.repeat) return;
      const int dik = DikFromScancode(event.key.keysym.scancode);
      if (dik == 0) return;
      if (event.type == SDL_KEYDOWN) {
        machine::key_down(dik);
      } else {
        machine::key_up(dik);
      }
      return;
    }
    case SDL_MOUSEMOTION:
      machine::mouse_move(event.motion.xrel, event.motion.yrel);
      return;
    case SDL_MOUSEWHEEL: {
      const int notches = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
      machine::mouse_wheel(notches * kWheelDelta);
      return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const int button = MouseButton(event.button.button);
      if (button >= 0) machine::mouse_button(button, event.type == SDL_MOUSEBUTTONDOWN);
      return;
    }
    default:
      HandleSdlJoystickEvent(event);
      return;
  }
}

void SdlFocusChanged(bool focused) {
  if (focused) {
    machine::give_focus();
    return;
  }
  // Keys held when the focus went stay down for no one: they come up, as
  // the keyboard of a window without the focus reads nothing pressed.
  for (int key = 0; key < 256; ++key) {
    bool down;
    {
      std::lock_guard<std::mutex> hold(InputLock());
      down = Hardware().keys[key] != 0;
    }
    if (down) machine::key_up(key);
  }
  machine::take_focus();
}

bool MouseCapturedExclusively() {
  std::lock_guard<std::mutex> hold(InputLock());
  for (const InputDevice *device : Hardware().devices) {
    if (device->HoldsMouseExclusively()) return true;
  }
  return false;
}

}  // namespace platform::dinput
