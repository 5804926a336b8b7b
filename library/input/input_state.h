// The library's DirectInput state: the DirectInput object, the keyboard,
// mouse and joystick devices, and what DINPUT_UPDATE last read from them.
#pragma once

// DirectInput 7: 16-byte event records and DirectInputCreateEx.
#define DIRECTINPUT_VERSION 0x0700
#include <windows.h>
#include <dinput.h>

extern LPDIRECTINPUT7A glpDI;
extern LPDIRECTINPUTDEVICE7A glpDIKeyboard;
extern LPDIRECTINPUTDEVICE7A glpDIMouse;
extern LPDIRECTINPUTDEVICE7A glpDIJoystick;

// Keyboard: 0 immediate, any other value buffered.
extern int gKeyboardMode;
extern BYTE gKeyState[256];
extern DIDEVICEOBJECTDATA gKeyEvent;
extern DWORD gKeyEventCount;

// Mouse movement of the last read (the wheel is Z) and its buttons, 0 or 1.
extern int gMouseX;
extern int gMouseY;
extern int gMouseZ;
constexpr int kMouseButtonCount = 8;
extern int gMouseButton[kMouseButtonCount];

// Joystick: the state of the last read, which axes and sliders it has, and
// the force-feedback capability bit.
enum JoystickAxisIndex { kJoyX, kJoyY, kJoyZ, kJoyRx, kJoyRy, kJoyRz, kJoyAxisCount };
extern DIJOYSTATE gJoyState;
extern int gJoyAxisPresent[kJoyAxisCount];
extern int gJoySliderPresent[2];
extern DWORD gForceFeedback;

// Every device works on the host window, exclusively and in the foreground.
constexpr DWORD kInputCooperation = DISCL_EXCLUSIVE | DISCL_FOREGROUND;
