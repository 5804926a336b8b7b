// The window's keyboard, mouse and focus as DirectInput sees them: key
// presses by DIK code (without the auto-repeat DirectInput never reports),
// relative mouse motion, wheel notches of 120 and five buttons. A press is
// always seen by at least one read of the device (see HeldReleases).
#include "dinput/dinput7.h"

#include <mutex>

#include "dinput/input_device.h"
#include "dinput/input_hardware.h"
#include "drivers/sdl/sdl_input.h"
#include "drivers/sdl/sdl_window_input.h"
#include "dinput/input_events.h"

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

// A press and its release can reach the window together (a quick tap, or
// input sent by another program) and fall between two reads of a host that
// polls the state once a frame, which would then never see the press. A
// release that comes before any read since its press is held back until
// the device has been read once. Used on the window driver's thread only.
template <int kCount>
class HeldReleases {
 public:
  using Release = void (*)(int index);

  explicit HeldReleases(Release release) : release_(release) {}

  void Pressed(int index, DWORD reads) {
    if (held_[index]) Let(index);  // the earlier tap goes up before the new press
    pressReads_[index] = reads;
  }

  // Releases `index` now if a read has happened since its press, or holds
  // the release back.
  void Released(int index, DWORD reads) {
    if (reads == pressReads_[index]) {
      held_[index] = true;
    } else {
      release_(index);
    }
  }

  // Lets go of the held releases whose press has been read by now; all of
  // them with `everything`.
  void LetSeen(DWORD reads, bool everything = false) {
    for (int index = 0; index < kCount; ++index) {
      if (held_[index] && (everything || reads != pressReads_[index])) Let(index);
    }
  }

  bool Any() const {
    for (bool held : held_) {
      if (held) return true;
    }
    return false;
  }

 private:
  void Let(int index) {
    held_[index] = false;
    release_(index);
  }

  Release release_;
  DWORD pressReads_[kCount] = {};
  bool held_[kCount] = {};
};

HeldReleases<256> &HeldKeys() {
  static HeldReleases<256> keys([](int key) { SetKey(key, false); });
  return keys;
}

HeldReleases<kMouseButtons> &HeldButtons() {
  static HeldReleases<kMouseButtons> buttons([](int button) { SetMouseButton(button, false); });
  return buttons;
}

DWORD KeyboardReads() {
  std::lock_guard<std::mutex> hold(InputLock());
  return Hardware().keyboardReads;
}

DWORD MouseReads() {
  std::lock_guard<std::mutex> hold(InputLock());
  return Hardware().mouseReads;
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
        HeldKeys().Pressed(dik, KeyboardReads());
        SetKey(dik, true);
      } else {
        HeldKeys().Released(dik, KeyboardReads());
      }
      return;
    }
    case SDL_MOUSEMOTION:
      MoveMouse(event.motion.xrel, event.motion.yrel);
      return;
    case SDL_MOUSEWHEEL: {
      const int notches = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
      TurnMouseWheel(notches * kWheelDelta);
      return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const int button = MouseButton(event.button.button);
      if (button < 0) return;
      if (event.type == SDL_MOUSEBUTTONDOWN) {
        HeldButtons().Pressed(button, MouseReads());
        SetMouseButton(button, true);
      } else {
        HeldButtons().Released(button, MouseReads());
      }
      return;
    }
    default:
      HandleSdlJoystickEvent(event);
      return;
  }
}

void LetSeenReleases() {
  HeldKeys().LetSeen(KeyboardReads());
  HeldButtons().LetSeen(MouseReads());
}

bool ReleasesHeld() { return HeldKeys().Any() || HeldButtons().Any(); }

void LetAllHeldReleases() {
  HeldKeys().LetSeen(0, true);
  HeldButtons().LetSeen(0, true);
}

void SdlFocusChanged(bool focused) {
  if (focused) {
    GainFocus();
    return;
  }
  // A window without the focus holds nothing back.
  LetAllHeldReleases();
  // Keys held when the focus went stay down for no one: they come up, as
  // the keyboard of a window without the focus reads nothing pressed.
  for (int key = 0; key < 256; ++key) {
    bool down;
    {
      std::lock_guard<std::mutex> hold(InputLock());
      down = Hardware().keys[key] != 0;
    }
    if (down) SetKey(key, false);
  }
  LoseFocus();
}

bool MouseCapturedExclusively() {
  std::lock_guard<std::mutex> hold(InputLock());
  for (const InputDevice *device : Hardware().devices) {
    if (device->HoldsMouseExclusively()) return true;
  }
  return false;
}

}  // namespace platform::dinput

namespace platform::sdl {

namespace {

// The window's input is DirectInput's: keys, mouse and focus go to the input
// hardware, joysticks are opened and followed, and rumble is sent from the
// window's thread, the one thread that talks to SDL's joysticks.
class DirectInputWindowInput final : public WindowInput {
 public:
  void Start() override { dinput::StartSdlInput(); }
  void Stop() override {
    dinput::LetAllHeldReleases();
    dinput::StopSdlInput();
  }
  void Event(const SDL_Event &event) override { dinput::HandleSdlInputEvent(event); }
  void FocusChanged(bool focused) override { dinput::SdlFocusChanged(focused); }
  void Turn() override {
    dinput::LetSeenReleases();
    dinput::UpdateSdlRumble();
  }
  bool WantsEarlyTurn() override { return dinput::ReleasesHeld(); }
  bool HoldsPointer() override { return dinput::MouseCapturedExclusively(); }
};

}  // namespace

WindowInput &TheWindowInput() {
  static DirectInputWindowInput input;
  return input;
}

}  // namespace platform::sdl
