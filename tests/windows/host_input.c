/* A Windows host of the input exports, run under Wine against its
   DirectInput: the keyboard in both modes, the mouse, the joystick search
   (none is attached), a few updates and the release. The "verify" phase, a
   new process, checks the report lines the run left. */
#define DIRECTINPUT_VERSION 0x0700
#include <dinput.h>

#include "wine_host.h"

static const char kReportFile[] = "wine_input.txt";

static int Run(HINSTANCE instance) {
  LoadKorvane();
  CatchMessageBoxes();
  HWND window = CreateHostWindow(instance, "Korvane input test");
  CHECK(window != NULL);
  SetForegroundWindow(window);

  CHECK(kv.REPORT_MODE("wine_input", 1) > 0);
  CHECK(kv.KORVANE_INIT(window, instance) == 0);

  /* Nothing opens before DirectInput exists. */
  CHECK(kv.KEYBOARD_INIT(0) == 1);
  CHECK(kv.DINPUT_INIT() == 0);
  CHECK(kv.KEYBOARD_INIT(0) == 0);
  CHECK(kv.MOUSE_INIT() == 0);
  CHECK(kv.JOYSTICK_INIT() == -1);
  CHECK(kv.SET_FFB() == 1);
  CHECK(gBoxesCaught == 0);

  int frame;
  for (frame = 0; frame < 3; ++frame) {
    kv.DINPUT_UPDATE();
    CHECK(kv.MOUSE_B4() == 0 && kv.MOUSE_B7() == 0);
    CHECK(kv.KEYBOARD_KEYSTATE(-1) == 0 && kv.KEYBOARD_KEYSTATE(256) == 0);
    CHECK(kv.JOY_X_AXIS() == 0);
  }

  /* The keyboard again, buffered this time: the first one is let go. */
  CHECK(kv.KEYBOARD_INIT(1) == 0);
  for (frame = 0; frame < 3; ++frame) {
    kv.DINPUT_UPDATE();
    CHECK(kv.GET_KB_BUFFER_EVENTS() == 0 || kv.GET_KB_BUFFER_EVENTS() == 1);
    CHECK(kv.GET_KB_BUFFER_DATA(1, DIK_SPACE) == 0);
  }
  kv.REAQUIRE_INPUT();
  kv.DINPUT_RELEASE();
  CHECK(kv.ON_ERROR() == 0);
  CHECK(gBoxesCaught == 0);
  kv.KORVANE_EXIT();
  return FinishChecks();
}

static int Verify(void) {
  static char report[8192];
  size_t size = ReadWholeFile(kReportFile, report, sizeof report);
  CHECK(size > 0);
  const char *body = strchr(report, '\n');
  CHECK(body != NULL);
  if (body == NULL) return FinishChecks();
  static const char kExpected[] =
      " !!! KEYBOARD_INIT:DirectInput not inititailized !!!\n"
      " DirectInput Initialized.\n"
      " - Setting Keyboard to Immediate Mode\n"
      " Query for IDirectInput7 KeyBoard Succeeded.\n"
      " SetDataFormat for Keyboard Device succeeded.\n"
      " SetCooperativeLevel for Keyboard Device succeeded.\n"
      " Aquire for Keyboard succeeded.\n"
      " DirectInput_CreateDevice Succeeded.\n"
      " Query for IDirectInput7 Mouse Succeeded.\n"
      " SetCooperativeLevel for Mouse Device succeeded.\n"
      " SetDataFormat for Mouse Device succeeded.\n"
      " Aquire for Mouse succeeded.\n"
      " Initializing Joystick Device\n"
      " Joystick Not Found\n"
      " - Setting Keyboard to Buffered Data Mode\n"
      " Query for IDirectInput7 KeyBoard Succeeded.\n"
      " SetDataFormat for Keyboard Device succeeded.\n"
      " SetCooperativeLevel for Keyboard Device succeeded.\n"
      " SetProperty for Keyboard Device succeeded.\n"
      " Aquire for Keyboard succeeded.\n"
      "### DIRECTINPUT RELEASE OBJECTS ###\n"
      " DirectInput's Mouse released.\n"
      " DirectInput's Keyboard released.\n"
      " DirectInput released.\n"
      "###################################\n";
  int matches = strncmp(body + 1, kExpected, strlen(kExpected)) == 0;
  CHECK(matches);
  if (!matches) printf("report body:\n%s\n", body + 1);
  /* KORVANE_EXIT releases input again, with nothing left to release. */
  CHECK(strstr(body + 1 + strlen(kExpected), "### DIRECTINPUT RELEASE OBJECTS ###\n###################################\n") != NULL);
  return FinishChecks();
}

int main(int argc, char **argv) {
  if (argc > 1 && strcmp(argv[1], "verify") == 0) return Verify();
  return Run(GetModuleHandleA(NULL));
}
