// Input events on the hardware behind DirectInput, as the machine interface
// and the input drivers deliver them: keys by DIK_ code, mouse motion,
// wheel and buttons, joysticks attached, moved and detached, and the focus.
// Values out of range are ignored. Any thread.
#pragma once

#include "dinput/input_hardware.h"

namespace platform::dinput {

void SetKey(int scanCode, bool down);
void MoveMouse(int dx, int dy);
void TurnMouseWheel(int dz);
void SetMouseButton(int button, bool down);

// A new joystick (positions and hats centred, buttons up) and its id (1, 2,
// ... in attachment order); detaching unplugs its devices.
int AttachJoystick(const JoystickModel &model);
void DetachJoystick(int id);
void SetJoystickAxis(int id, int axis, LONG raw);
void SetJoystickSlider(int id, int slider, LONG raw);
void SetJoystickPov(int id, int pov, DWORD direction);
void SetJoystickButton(int id, int button, bool down);
bool JoystickAutocenter(int id);

// The host window loses or regains the foreground.
void LoseFocus();
void GainFocus();

int LiveDevices();
int ControlPanelRuns();

}  // namespace platform::dinput
