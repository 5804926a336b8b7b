// The demo's input part: DirectInput with the keyboard (immediate mode), the
// mouse and a joystick, read once per frame with DINPUT_UPDATE. Headless on
// the portable platform, a scripted sequence of key presses, mouse moves,
// joystick motion and a focus loss plays through the machine interface, so
// the report shows the input taking effect; on Windows, and in a desktop
// window, the real devices are read once per display frame.
#include "demo_input.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "demo_desktop.h"
#include "korvane.h"

#ifndef _WIN32
#include "machine_input.h"
#endif

namespace {

// DIK_ scan codes of the keys the demo watches.
constexpr int kKeyRight = 0xCD;
constexpr int kKeySpace = 0x39;

#ifndef _WIN32
// What the scripted player does before frame `frame` is read.
void PlayScript(int frame, int joystick) {
  switch (frame) {
    case 1:
      machine::key_down(kKeyRight);
      machine::mouse_move(12, -4);
      machine::joystick_axis(joystick, machine::kAxisX, 65535);
      break;
    case 2:
      machine::mouse_button(0, true);
      machine::mouse_wheel(120);
      machine::joystick_button(joystick, 0, true);
      break;
    case 3:
      machine::key_up(kKeyRight);
      machine::key_down(kKeySpace);
      machine::mouse_button(0, false);
      machine::joystick_axis(joystick, machine::kAxisX, 34000);  // inside the dead zone
      break;
    case 4:
      machine::take_focus();  // the devices are lost and re-acquiring fails
      break;
    case 5:
      machine::give_focus();  // the update re-acquires them
      break;
    case 6:
      machine::key_up(kKeySpace);
      machine::joystick_button(joystick, 0, false);
      break;
    default:
      break;
  }
}

int AttachDemoJoystick() {
  machine::JoystickModel model;
  model.name = "Demo Stick";
  model.buttons = 8;
  model.povs = 1;
  return machine::attach_joystick(model);
}
#endif

}  // namespace

void RunInputDemo(int frames) {
  const bool real = WindowOnDesktop();
  int joystick = 0;
#ifndef _WIN32
  if (!real) joystick = AttachDemoJoystick();
#endif
  if (DINPUT_INIT() != 0 || KEYBOARD_INIT(0) != 0 || MOUSE_INIT() != 0) {
    printf("demo: input is not available\n");
    return;
  }
  int stick = JOYSTICK_INIT();
  if (stick == 0) {
    JOY_X_RANGE(-1000, 1000);
    JOY_Y_RANGE(-1000, 1000);
    JOY_X_DEADZONE(1000);
  }

  if (real) {
    printf("demo: reading the keyboard, mouse and joysticks for %d frames: hold the right arrow or space, move the "
           "mouse, click\n", frames);
    fflush(stdout);
  }
  int mouseX = 0, mouseY = 0, presses = 0;
  int frame = 0;
  for (; frame < frames && !DemoWindowClosed(); ++frame) {
#ifndef _WIN32
    if (!real) PlayScript(frame, joystick);
#endif
    // A player needs time to press keys: one display frame per frame.
    if (real) std::this_thread::sleep_for(std::chrono::microseconds(16667));
    DINPUT_UPDATE();
    mouseX += MOUSE_X();
    mouseY += MOUSE_Y();
    presses += KEYBOARD_KEYSTATE(kKeySpace);
    char line[200];
    snprintf(line, sizeof line,
             "demo: input frame %d: right %d space %d mouse %+d %+d wheel %+d button %d joystick x %d button %d",
             frame, KEYBOARD_KEYSTATE(kKeyRight), KEYBOARD_KEYSTATE(kKeySpace), MOUSE_X(), MOUSE_Y(), MOUSE_Z(),
             MOUSE_B0(), stick == 0 ? JOY_X_AXIS() : 0, stick == 0 ? JOY_BUTTON(0) : 0);
    FILE_REPORT(line);
  }
  printf("demo: input over %d frames: mouse moved (%d, %d), space held in %d frames, joystick %s\n", frame, mouseX,
         mouseY, presses, stick == 0 ? "open" : "absent");
  (void)joystick;
}
