// Real input devices behind DirectInput: the window driver's keyboard,
// mouse, focus and SDL's game controllers and joysticks, delivered to the
// same hardware state and device objects the machine interface feeds. All
// of it runs on the window driver's thread.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>

namespace platform::dinput {

// The DIK_ code of an SDL scancode; 0 for a key DirectInput has no code for.
int DikFromScancode(SDL_Scancode scancode);

// Opens the game controllers and joysticks already attached (when SDL's
// joystick support starts), and lets go of them all again; detaching them
// from the machine unplugs their DirectInput devices.
void StartSdlInput();
void StopSdlInput();

// A keyboard, mouse or joystick event; other events are ignored.
void HandleSdlInputEvent(const SDL_Event &event);
// The joystick part of it (attach, detach, axes, hats, buttons).
void HandleSdlJoystickEvent(const SDL_Event &event);

// Lets go of the key and button releases held back until a read of the
// device has seen their press, once it has; whether any is still held
// (the driver then looks again soon).
void LetSeenReleases();
bool ReleasesHeld();
// Lets go of every held release at once (the window closes).
void LetAllHeldReleases();

// The window gained or lost the focus: foreground devices lose their input
// and cannot be acquired until it comes back, as in DirectInput.
void SdlFocusChanged(bool focused);

// Whether some mouse device is acquired with exclusive cooperation (the
// window then hides and holds the pointer).
bool MouseCapturedExclusively();

// What was last asked of a joystick's rumble motors.
struct SentRumble {
  uint16_t low = 0;
  uint16_t high = 0;
  uint64_t renewAtNs = 0;  // machine time to ask again for motors still running
  uint64_t stopsAtNs = UINT64_MAX;
};

// Runs `visit` on each open SDL joystick with its machine joystick id and
// what its motors were last asked.
void ForEachOpenJoystick(const std::function<void(SDL_Joystick *, int, SentRumble &)> &visit);

// Rumble as force feedback: the motors of every open joystick brought to
// what its playing effects ask. Runs on each turn of the window driver's
// loop and when effects change (a note posted to that loop), so that only
// the window driver's thread talks to the joysticks.
void StartSdlRumble();
void StopSdlRumble();
void UpdateSdlRumble();
// Whether `event` is the note that effects changed (then handled).
bool HandleSdlRumbleEvent(const SDL_Event &event);

}  // namespace platform::dinput
