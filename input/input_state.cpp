// Definitions of the DirectInput state, all zero at load.
#include "input/input_state.h"

LPDIRECTINPUT7A glpDI = nullptr;
LPDIRECTINPUTDEVICE7A glpDIKeyboard = nullptr;
LPDIRECTINPUTDEVICE7A glpDIMouse = nullptr;
LPDIRECTINPUTDEVICE7A glpDIJoystick = nullptr;

int gKeyboardMode = 0;
BYTE gKeyState[256] = {};
DIDEVICEOBJECTDATA gKeyEvent = {};
DWORD gKeyEventCount = 0;

int gMouseX = 0;
int gMouseY = 0;
int gMouseZ = 0;
int gMouseButton[kMouseButtonCount] = {};

DIJOYSTATE gJoyState = {};
int gJoyAxisPresent[kJoyAxisCount] = {};
int gJoySliderPresent[2] = {};
DWORD gForceFeedback = 0;

static_assert(sizeof(DIDEVICEOBJECTDATA) == 16, "the DirectInput 7 event record");
static_assert(sizeof(DIJOYSTATE) == 80 && sizeof(DIMOUSESTATE) == 16, "the predefined device states");
static_assert(sizeof(DIDEVICEOBJECTINSTANCEA) == 316 && sizeof(DIDEVCAPS) == 44, "the DirectInput 5+ records");
