// Definitions of the DirectInput state, all zero at load, and its reset.
#include "input/input_state.h"

#include <cstring>

#include "core/state_reset.h"
#include "korvane.h"

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

namespace {

// The devices and the object go as DINPUT_RELEASE lets them go; what the
// last reads left behind goes back to zero.
void ResetInputState() {
  DINPUT_RELEASE();
  gKeyboardMode = 0;
  memset(gKeyState, 0, sizeof gKeyState);
  gKeyEvent = DIDEVICEOBJECTDATA{};
  gKeyEventCount = 0;
  gMouseX = gMouseY = gMouseZ = 0;
  memset(gMouseButton, 0, sizeof gMouseButton);
  gJoyState = DIJOYSTATE{};
  memset(gJoyAxisPresent, 0, sizeof gJoyAxisPresent);
  memset(gJoySliderPresent, 0, sizeof gJoySliderPresent);
  gForceFeedback = 0;
}

const korvane::StateResetHook gResetInput(korvane::ResetStage::kInput, ResetInputState);

}  // namespace

static_assert(sizeof(DIDEVICEOBJECTDATA) == 16, "the DirectInput 7 event record");
static_assert(sizeof(DIJOYSTATE) == 80 && sizeof(DIMOUSESTATE) == 16, "the predefined device states");
static_assert(sizeof(DIDEVICEOBJECTINSTANCEA) == 316 && sizeof(DIDEVCAPS) == 44, "the DirectInput 5+ records");
