// The DirectInput object and the per-frame work on all devices: DINPUT_INIT,
// DINPUT_UPDATE, REAQUIRE_INPUT and DINPUT_RELEASE.
#include "input/input_state.h"

#include <cstring>
#include <initializer_list>

#include "core/error_names.h"
#include "core/lifecycle.h"
#include "core/report.h"
#include "input/device_steps.h"
#include "korvane.h"

namespace {

// A lost read writes its line (when it has one) and acquires the device again;
// whether that works shows on the next update.
void RecoverLostRead(LPDIRECTINPUTDEVICE7A device, HRESULT result, const char *line) {
  if (!InputLost(result)) return;
  if (line != nullptr) ReportLine("%s", line);
  device->Acquire();
}

void ReadJoystick() {
  glpDIJoystick->Poll();
  HRESULT result = glpDIJoystick->GetDeviceState(sizeof(DIJOYSTATE), &gJoyState);
  RecoverLostRead(glpDIJoystick, result, " ! - Joystick inputlost or not acquired.");
}

void ReadKeyboard() {
  if (gKeyboardMode == 0) {
    HRESULT result = glpDIKeyboard->GetDeviceState(sizeof gKeyState, gKeyState);
    RecoverLostRead(glpDIKeyboard, result, " ! - Keyboard inputlost or not acquired.");
    return;
  }
  // The device buffer holds one event: at most one arrives per update.
  gKeyEventCount = 1;
  HRESULT result = glpDIKeyboard->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), &gKeyEvent, &gKeyEventCount, 0);
  // A failed read delivers no event, whatever it left in the count.
  if (FAILED(result)) gKeyEventCount = 0;
  RecoverLostRead(glpDIKeyboard, result, nullptr);
}

void ReadMouse() {
  DIMOUSESTATE mouse = {};
  HRESULT result = glpDIMouse->GetDeviceState(sizeof mouse, &mouse);
  // A failed read gives no movement and no button.
  if (FAILED(result)) mouse = DIMOUSESTATE{};
  RecoverLostRead(glpDIMouse, result, " ! - Mouse inputlost or not acquired.");
  gMouseX = mouse.lX;
  gMouseY = mouse.lY;
  gMouseZ = mouse.lZ;
  for (int button = 0; button < 4; ++button) gMouseButton[button] = (mouse.rgbButtons[button] & 0x80) ? 1 : 0;
}

}  // namespace

extern "C" int DINPUT_INIT(void) {
  // A second initialisation replaces the object instead of leaking it.
  if (glpDI != nullptr) {
    glpDI->Release();
    glpDI = nullptr;
  }
  HRESULT result = DirectInputCreateEx(ghInstance, DIRECTINPUT_VERSION, IID_IDirectInput7A,
                                       reinterpret_cast<LPVOID *>(&glpDI), nullptr);
  if (result != DI_OK) {
    if (std::strcmp(DIErrorName(result), kUnknownDirectInputError) != 0) {
      ReportLine(" !!! Couldn't create DirectInput object !!!");
      return 1;
    }
    ReportLine(" ??? DICreate returned an unknown error ???");
  }
  ReportDetail(" DirectInput Initialized.");
  return 0;
}

extern "C" void DINPUT_UPDATE(void) {
  if (glpDIJoystick != nullptr) ReadJoystick();
  if (glpDIKeyboard != nullptr) ReadKeyboard();
  if (glpDIMouse != nullptr) ReadMouse();
}

extern "C" void REAQUIRE_INPUT(void) {
  for (LPDIRECTINPUTDEVICE7A device : {glpDIJoystick, glpDIKeyboard, glpDIMouse}) {
    if (device != nullptr) device->Acquire();
  }
}

extern "C" void DINPUT_RELEASE(void) {
  ReportDetail("### DIRECTINPUT RELEASE OBJECTS ###");
  if (ReleaseDevice(&glpDIMouse)) ReportDetail(" DirectInput's Mouse released.");
  if (ReleaseDevice(&glpDIKeyboard)) ReportDetail(" DirectInput's Keyboard released.");
  if (ReleaseDevice(&glpDIJoystick)) ReportDetail(" DirectInput's Joystick released.");
  if (glpDI != nullptr) {
    glpDI->Release();
    glpDI = nullptr;
    ReportDetail(" DirectInput released.");
  }
  ReportDetail("###################################");
}
