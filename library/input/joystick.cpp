// The joystick: JOYSTICK_INIT opens the first attached joystick that can be
// opened, RESET_JINFO learns its axes and sliders, SET_FFB turns off the
// auto-centre spring, and the slider, hat and button getters.
#include "input/input_state.h"

#include "core/critical.h"
#include "core/lifecycle.h"
#include "core/report.h"
#include "input/device_steps.h"
#include "korvane.h"

namespace {

// Enumeration callback: the first joystick that opens becomes the joystick
// device and ends the enumeration; one that fails lets the next one try.
BOOL CALLBACK OpenFirstJoystick(LPCDIDEVICEINSTANCEA instance, LPVOID) {
  bool opened = OpenDevice(instance->guidInstance, &glpDIJoystick, " !!! Couldn't create device for Joystick!!!",
                           " Joystick Device Created", " !!! Couldn't Query IDirectDraw2 Interface for Joystick!!!",
                           " Query for IDirectInput2 Joystick Succeeded.");
  return opened ? DIENUM_STOP : DIENUM_CONTINUE;
}

int Clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

}  // namespace

extern "C" int JOYSTICK_INIT(void) {
  if (!BeginDeviceInit(&glpDIJoystick, " !!! JOYSTICK_INIT:DirectInput not inititailized !!!")) return 1;
  ReportDetail(" Initializing Joystick Device");
  if (FAILED(glpDI->EnumDevices(DIDEVTYPE_JOYSTICK, OpenFirstJoystick, nullptr, DIEDFL_ATTACHEDONLY))) {
    ReportLine(" EnumDevice for Joystick failed");
    return 1;
  }
  if (glpDIJoystick == nullptr) {
    ReportLine(" Joystick Not Found");
    return -1;
  }
  if (!InitStep(glpDIJoystick->SetDataFormat(&c_dfDIJoystick), " !!! SetDataFormat for Joystick Device failed !!!",
                " SetDataFormat for Joystick Device succeeded.")) {
    return 1;
  }
  if (!InitStep(glpDIJoystick->SetCooperativeLevel(ghWnd, kInputCooperation),
                " !!! SetCooperativeLevel for Joystick Device failed !!!",
                " SetCooperativeLevel for Joystick Device succeeded.")) {
    return 1;
  }
  if (!InitStep(glpDIJoystick->Acquire(), " !!! Joystick Acquire failed !!!", " Aquire for Joystick succeeded.")) {
    return 1;
  }
  RESET_JINFO();
  ReportDetail(" Joystick Capabilities now known.");
  return 0;
}

// Without a joystick nothing is present.
extern "C" void RESET_JINFO(void) {
  struct Probe {
    DWORD offset;
    int *present;
  };
  const Probe probes[] = {
      {DIJOFS_X, &gJoyAxisPresent[kJoyX]},   {DIJOFS_Y, &gJoyAxisPresent[kJoyY]},
      {DIJOFS_Z, &gJoyAxisPresent[kJoyZ]},   {DIJOFS_RX, &gJoyAxisPresent[kJoyRx]},
      {DIJOFS_RY, &gJoyAxisPresent[kJoyRy]}, {DIJOFS_RZ, &gJoyAxisPresent[kJoyRz]},
      {DIJOFS_SLIDER(0), &gJoySliderPresent[0]}, {DIJOFS_SLIDER(1), &gJoySliderPresent[1]},
  };
  for (const Probe &probe : probes) {
    DIDEVICEOBJECTINSTANCEA object = {};
    object.dwSize = sizeof object;
    *probe.present =
        glpDIJoystick != nullptr && glpDIJoystick->GetObjectInfo(&object, probe.offset, DIPH_BYOFFSET) == DI_OK;
  }
}

extern "C" int SET_FFB(void) {
  if (glpDIJoystick == nullptr) return 1;
  DIDEVCAPS caps = {};
  caps.dwSize = sizeof caps;
  HRESULT result = glpDIJoystick->GetCapabilities(&caps);
  if (FAILED(result)) {
    DICritical(result);
    return 1;
  }
  gForceFeedback = caps.dwFlags & DIDC_FORCEFEEDBACK;
  if (gForceFeedback == 0) return 0;
  DIPROPDWORD autoCenter = DwordProperty(0, DIPH_DEVICE, DIPROPAUTOCENTER_OFF);
  SetDeviceProperty(glpDIJoystick, &DIPROP_AUTOCENTER, &autoCenter.diph);
  ReportLine(" SET_FFB: FORCEFEEDBACK AUTOCENTER TURNED OFF");
  return 0;
}

// Without a joystick there is no panel to show.
extern "C" int JOYSTICK_CONTROL_PANEL(void) {
  if (glpDIJoystick == nullptr) return DIERR_NOTINITIALIZED;
  return glpDIJoystick->RunControlPanel(nullptr, 0);
}

extern "C" int JOY_SLIDER(int index) { return gJoyState.rglSlider[Clamp(index, 0, 1)]; }

extern "C" int JOY_POV(int index) {
  DWORD direction = gJoyState.rgdwPOV[Clamp(index, 0, 3)];
  return LOWORD(direction) == 0xFFFF ? -1 : static_cast<int>(direction);
}

extern "C" int JOY_BUTTON(int index) { return (gJoyState.rgbButtons[Clamp(index, 0, 31)] & 0x80) ? 1 : 0; }

extern "C" void JOYSTICK_RELEASE(void) {
  if (ReleaseDevice(&glpDIJoystick)) ReportDetail(" [DirectInput's Joystick released]");
}
