// Real input devices behind DirectInput: the window driver's keyboard,
// mouse, focus and SDL's game controllers and joysticks, delivered to the
// same hardware state and device objects the control interface feeds. All
// of it runs on the window driver's thread.
#pragma once

#include <SDL.h>

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

}  // namespace platform::dinput
