// The input side of the machine interface: what a test, the demo or a Linux
// host does to the simulated keyboard, mouse and joysticks that DirectInput
// reads, and what it can observe of them.
#pragma once

#include "machine_api.h"

#include <windows.h>

#include <string>

namespace machine MACHINE_API {

// Keyboard: a key goes down or up by its DIK_ scan code (0 to 255; other
// values are ignored).
void key_down(int scanCode);
void key_up(int scanCode);

// Mouse: relative motion in mickeys, wheel steps, and its five buttons
// (0 left, 1 right, 2 middle, 3 and 4 the side buttons).
constexpr int kMouseButtons = 5;
void mouse_move(int dx, int dy);
void mouse_wheel(int dz);
void mouse_button(int button, bool down);

// Joysticks. The default machine has none. Axes are given by bit (X, Y, Z,
// RX, RY, RZ); positions are raw device values within [raw_min, raw_max],
// which DirectInput maps through each axis's range, dead zone and saturation.
enum JoystickAxis { kAxisX, kAxisY, kAxisZ, kAxisRx, kAxisRy, kAxisRz, kJoystickAxes };
constexpr unsigned kAxesXY = (1u << kAxisX) | (1u << kAxisY);
constexpr unsigned kAllAxes = (1u << kJoystickAxes) - 1;
constexpr DWORD kPovCentred = 0xFFFFFFFF;

struct JoystickModel {
  std::string name = "Virtual Joystick";
  unsigned axes = kAxesXY;  // bits of JoystickAxis
  int sliders = 0;          // 0 to 2
  int povs = 0;             // point-of-view hats, 0 to 4
  int buttons = 4;          // 0 to 128
  bool force_feedback = false;
  LONG raw_min = 0;
  LONG raw_max = 65535;
};

// Attaches a joystick (every position centred, hats centred, buttons up) and
// returns its id (1, 2, ... in attachment order); detaching unplugs it: its
// devices lose their input and cannot be acquired again.
int attach_joystick(const JoystickModel &model);
void detach_joystick(int id);
void joystick_axis(int id, JoystickAxis axis, LONG raw);
void joystick_slider(int id, int slider, LONG raw);
// Direction in hundredths of a degree clockwise from north, or kPovCentred.
void joystick_pov(int id, int pov, DWORD direction);
void joystick_button(int id, int button, bool down);
// Whether the joystick's force-feedback auto-centre spring is on (it is at
// attachment; DIPROP_AUTOCENTER turns it off).
bool joystick_autocenter(int id);
// The speeds (0 to 65535) of a force-feedback joystick's two rumble motors
// now: the low-frequency motor (driven by effects on the X axis) and the
// high-frequency one (the Y axis), from the effects playing on the device
// that holds the joystick exclusively.
struct JoystickRumble {
  int low = 0;
  int high = 0;
};
JoystickRumble joystick_rumble(int id);

// Focus: the host window loses the foreground. Acquired foreground devices
// lose their input, and acquiring them fails until the focus comes back.
void take_focus();
void give_focus();

// Observation.
int live_directinput_objects();
int live_directinput_devices();
int control_panel_runs();

}  // namespace machine
