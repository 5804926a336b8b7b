// The mouse: MOUSE_INIT, the movement and button getters, MOUSE_RELEASE.
#include "input/input_state.h"

#include "core/lifecycle.h"
#include "core/report.h"
#include "input/device_steps.h"
#include "korvane.h"

extern "C" int MOUSE_INIT(void) {
  if (!BeginDeviceInit(&glpDIMouse, " !!! MOUSE_INIT:DirectInput not inititailized !!!")) return 1;
  if (!OpenDevice(GUID_SysMouse, &glpDIMouse, " !!! Couldn't create device for Mouse !!!",
                  " DirectInput_CreateDevice Succeeded.", " !!! Couldn't Query IDirectDraw7 Interface for Mouse!!!",
                  " Query for IDirectInput7 Mouse Succeeded.")) {
    return 1;
  }
  // The mouse sets its cooperative level before its data format.
  if (!InitStep(glpDIMouse->SetCooperativeLevel(ghWnd, kInputCooperation),
                " !!! SetCooperativeLevel for Mouse Device failed !!!",
                " SetCooperativeLevel for Mouse Device succeeded.")) {
    return 1;
  }
  if (!InitStep(glpDIMouse->SetDataFormat(&c_dfDIMouse), " !!! SetDataFormat for Mouse Device failed !!!",
                " SetDataFormat for Mouse Device succeeded.")) {
    return 1;
  }
  if (!InitStep(glpDIMouse->Acquire(), " !!! Mouse Acquire failed !!!", " Aquire for Mouse succeeded.")) return 1;
  return 0;
}

extern "C" int MOUSE_X(void) { return gMouseX; }
extern "C" int MOUSE_Y(void) { return gMouseY; }
extern "C" int MOUSE_Z(void) { return gMouseZ; }

// Buttons 4 to 7 have no byte in the mouse state read, so they stay 0.
extern "C" int MOUSE_B0(void) { return gMouseButton[0]; }
extern "C" int MOUSE_B1(void) { return gMouseButton[1]; }
extern "C" int MOUSE_B2(void) { return gMouseButton[2]; }
extern "C" int MOUSE_B3(void) { return gMouseButton[3]; }
extern "C" int MOUSE_B4(void) { return gMouseButton[4]; }
extern "C" int MOUSE_B5(void) { return gMouseButton[5]; }
extern "C" int MOUSE_B6(void) { return gMouseButton[6]; }
extern "C" int MOUSE_B7(void) { return gMouseButton[7]; }

extern "C" void MOUSE_RELEASE(void) {
  if (ReleaseDevice(&glpDIMouse)) ReportDetail(" [DirectInput's Mouse released]");
}
