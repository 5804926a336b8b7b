// The input side of the machine interface: keys, mouse motion and buttons,
// joysticks and the focus handed to the input hardware behind DirectInput,
// and what can be observed of it.
#include "base/machine_time.h"
#include "dinput/directinput_object.h"
#include "dinput/input_events.h"
#include "dinput/rumble_output.h"
#include "machine_input.h"

namespace dinput = platform::dinput;

static_assert(machine::kJoystickAxes == dinput::kJoystickAxes && machine::kAxisY == dinput::kAxisY,
              "one numbering of joystick axes");
static_assert(machine::kAllAxes == dinput::kAllAxes && machine::kPovCentred == dinput::kPovCentred &&
                  machine::kMouseButtons == dinput::kMouseButtons,
              "one meaning of the input constants");

namespace machine {

void key_down(int scanCode) { dinput::SetKey(scanCode, true); }
void key_up(int scanCode) { dinput::SetKey(scanCode, false); }
void mouse_move(int dx, int dy) { dinput::MoveMouse(dx, dy); }
void mouse_wheel(int dz) { dinput::TurnMouseWheel(dz); }
void mouse_button(int button, bool down) { dinput::SetMouseButton(button, down); }

int attach_joystick(const JoystickModel &model) {
  return dinput::AttachJoystick(dinput::JoystickModel{model.name, model.axes, model.sliders, model.povs, model.buttons,
                                                      model.force_feedback, model.raw_min, model.raw_max});
}

void detach_joystick(int id) { dinput::DetachJoystick(id); }
void joystick_axis(int id, JoystickAxis axis, LONG raw) { dinput::SetJoystickAxis(id, axis, raw); }
void joystick_slider(int id, int slider, LONG raw) { dinput::SetJoystickSlider(id, slider, raw); }
void joystick_pov(int id, int pov, DWORD direction) { dinput::SetJoystickPov(id, pov, direction); }
void joystick_button(int id, int button, bool down) { dinput::SetJoystickButton(id, button, down); }
bool joystick_autocenter(int id) { return dinput::JoystickAutocenter(id); }

JoystickRumble joystick_rumble(int id) {
  const dinput::RumbleLevels levels = dinput::JoystickRumbleAt(id, platform::MachineClock::Get().Now());
  return JoystickRumble{levels.low, levels.high};
}

void take_focus() { dinput::LoseFocus(); }
void give_focus() { dinput::GainFocus(); }

int live_directinput_objects() { return dinput::LiveDirectInputObjects(); }
int live_directinput_devices() { return dinput::LiveDevices(); }
int control_panel_runs() { return dinput::ControlPanelRuns(); }

}  // namespace machine
