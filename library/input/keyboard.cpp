// The keyboard: KEYBOARD_INIT in immediate or buffered mode, the key-state
// and key-event getters, and KEYBOARD_RELEASE.
#include "input/input_state.h"

#include "core/lifecycle.h"
#include "core/report.h"
#include "input/device_steps.h"
#include "korvane.h"

extern "C" int KEYBOARD_INIT(int mode) {
  if (!BeginDeviceInit(&glpDIKeyboard, " !!! KEYBOARD_INIT:DirectInput not inititailized !!!")) return 1;
  gKeyboardMode = mode;
  ReportDetail(mode == 0 ? " - Setting Keyboard to Immediate Mode" : " - Setting Keyboard to Buffered Data Mode");

  if (!OpenDevice(GUID_SysKeyboard, &glpDIKeyboard, " !!! Couldn't create device for Keyboard !!!", nullptr,
                  " !!! Couldn't Query IDirectDraw7 Interface for Keyboard!!!",
                  " Query for IDirectInput7 KeyBoard Succeeded.")) {
    return 1;
  }
  if (!InitStep(glpDIKeyboard->SetDataFormat(&c_dfDIKeyboard), " !!! SetDataFormat for Keyboard Device failed !!!",
                " SetDataFormat for Keyboard Device succeeded.")) {
    return 1;
  }
  if (!InitStep(glpDIKeyboard->SetCooperativeLevel(ghWnd, kInputCooperation),
                " !!! SetCooperativeLevel for Keyboard Device failed !!!",
                " SetCooperativeLevel for Keyboard Device succeeded.")) {
    return 1;
  }
  if (mode == 1) {
    // A device buffer of one event.
    DIPROPDWORD size = DwordProperty(0, DIPH_DEVICE, 1);
    if (!InitStep(SetDeviceProperty(glpDIKeyboard, &DIPROP_BUFFERSIZE, &size.diph),
                  " !!! SetProperty for Keyboard Device failed !!!", " SetProperty for Keyboard Device succeeded.")) {
      return 1;
    }
  }
  if (!InitStep(glpDIKeyboard->Acquire(), " !!! Keyboard Acquire failed !!!", " Aquire for Keyboard succeeded.")) {
    return 1;
  }
  return 0;
}

extern "C" int KEYBOARD_KEYSTATE(int scanCode) {
  if (scanCode < 0 || scanCode > 255) return 0;
  return (gKeyState[scanCode] & 0x80) ? 1 : 0;
}

extern "C" int GET_KB_BUFFER_EVENTS(void) { return static_cast<int>(gKeyEventCount); }

// Only an event the last update delivered counts; there is one at most.
extern "C" int GET_KB_BUFFER_DATA(int index, int scanCode) {
  if (index != 0 || gKeyEventCount == 0) return 0;
  return gKeyEvent.dwOfs == static_cast<DWORD>(scanCode) && (gKeyEvent.dwData & 0x80) ? 1 : 0;
}

extern "C" void KEYBOARD_RELEASE(void) {
  if (ReleaseDevice(&glpDIKeyboard)) ReportDetail(" [DirectInput's Keyboard released]");
}
