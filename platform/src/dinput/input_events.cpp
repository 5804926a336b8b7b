// Input events on the hardware: keys, mouse motion and buttons, joysticks
// attached, moved and detached, and the focus, as the machine interface and
// the input drivers deliver them. Each change updates the hardware state and
// is delivered to the live device objects that watch that hardware.
#include "dinput/input_events.h"

#include <mutex>

#include "dinput/input_device.h"
#include "dinput/input_hardware.h"

namespace platform::dinput {

namespace {

BYTE Pressed(bool down) { return down ? 0x80 : 0x00; }

// Runs `change` on joystick `id` and tells its devices which object moved.
template <typename Change>
void ChangeJoystick(int id, Change change) {
  std::lock_guard<std::mutex> hold(InputLock());
  Joystick *joystick = FindJoystick(id);
  if (joystick == nullptr) return;
  DWORD offset;
  if (!change(*joystick, &offset)) return;
  ForEachDevice([&](InputDevice &device) {
    if (device.WatchesJoystick(id)) device.OnJoystickObject(*joystick, offset);
  });
}

}  // namespace

void SetKey(int scanCode, bool down) {
  if (scanCode < 0 || scanCode > 255) return;
  std::lock_guard<std::mutex> hold(InputLock());
  Hardware().keys[scanCode] = Pressed(down);
  ForEachDevice([&](InputDevice &device) { device.OnKey(scanCode, down); });
}

void MoveMouse(int dx, int dy) {
  std::lock_guard<std::mutex> hold(InputLock());
  ForEachDevice([&](InputDevice &device) {
    if (dx != 0) device.OnMouseAxis(DIMOFS_X, dx);
    if (dy != 0) device.OnMouseAxis(DIMOFS_Y, dy);
  });
}

void TurnMouseWheel(int dz) {
  if (dz == 0) return;
  std::lock_guard<std::mutex> hold(InputLock());
  ForEachDevice([&](InputDevice &device) { device.OnMouseAxis(DIMOFS_Z, dz); });
}

void SetMouseButton(int button, bool down) {
  if (button < 0 || button >= kMouseButtons) return;
  std::lock_guard<std::mutex> hold(InputLock());
  Hardware().mouseButtons[button] = Pressed(down);
  ForEachDevice([&](InputDevice &device) { device.OnMouseButton(button, down); });
}

int AttachJoystick(const JoystickModel &model) {
  std::lock_guard<std::mutex> hold(InputLock());
  Joystick joystick;
  joystick.id = Hardware().nextJoystickId++;
  joystick.model = model;
  joystick.model.axes &= kAllAxes;
  joystick.model.sliders = model.sliders < 0 ? 0 : (model.sliders > 2 ? 2 : model.sliders);
  joystick.model.povs = model.povs < 0 ? 0 : (model.povs > 4 ? 4 : model.povs);
  joystick.model.buttons = model.buttons < 0 ? 0 : (model.buttons > 128 ? 128 : model.buttons);
  if (joystick.model.raw_max <= joystick.model.raw_min) joystick.model.raw_max = joystick.model.raw_min + 1;
  LONG centre = static_cast<LONG>((static_cast<long long>(joystick.model.raw_min) + joystick.model.raw_max) / 2);
  for (LONG &axis : joystick.axes) axis = centre;
  for (LONG &slider : joystick.sliders) slider = centre;
  for (DWORD &pov : joystick.povs) pov = kPovCentred;
  Hardware().joysticks.push_back(joystick);
  return joystick.id;
}

void DetachJoystick(int id) {
  std::lock_guard<std::mutex> hold(InputLock());
  auto &joysticks = Hardware().joysticks;
  for (auto it = joysticks.begin(); it != joysticks.end(); ++it) {
    if (it->id != id) continue;
    joysticks.erase(it);
    ForEachDevice([&](InputDevice &device) {
      if (device.WatchesJoystick(id)) device.Unplug();
    });
    return;
  }
}

void SetJoystickAxis(int id, int axis, LONG raw) {
  ChangeJoystick(id, [&](Joystick &joystick, DWORD *offset) {
    if (axis < 0 || axis >= kJoystickAxes || !(joystick.model.axes & (1u << axis))) return false;
    joystick.axes[axis] = raw;
    *offset = DIJOFS_X + 4 * axis;
    return true;
  });
}

void SetJoystickSlider(int id, int slider, LONG raw) {
  ChangeJoystick(id, [&](Joystick &joystick, DWORD *offset) {
    if (slider < 0 || slider >= joystick.model.sliders) return false;
    joystick.sliders[slider] = raw;
    *offset = DIJOFS_SLIDER(slider);
    return true;
  });
}

void SetJoystickPov(int id, int pov, DWORD direction) {
  ChangeJoystick(id, [&](Joystick &joystick, DWORD *offset) {
    if (pov < 0 || pov >= joystick.model.povs) return false;
    joystick.povs[pov] = direction == kPovCentred ? kPovCentred : direction % 36000;
    *offset = DIJOFS_POV(pov);
    return true;
  });
}

void SetJoystickButton(int id, int button, bool down) {
  ChangeJoystick(id, [&](Joystick &joystick, DWORD *offset) {
    if (button < 0 || button >= joystick.model.buttons) return false;
    joystick.buttons[button] = Pressed(down);
    *offset = DIJOFS_BUTTON(button);
    return true;
  });
}

bool JoystickAutocenter(int id) {
  std::lock_guard<std::mutex> hold(InputLock());
  Joystick *joystick = FindJoystick(id);
  return joystick != nullptr && joystick->autocenter;
}

void LoseFocus() {
  std::lock_guard<std::mutex> hold(InputLock());
  Hardware().focus = false;
  ForEachDevice([](InputDevice &device) { device.OnFocusLost(); });
}

void GainFocus() {
  std::lock_guard<std::mutex> hold(InputLock());
  Hardware().focus = true;
}

int LiveDevices() {
  std::lock_guard<std::mutex> hold(InputLock());
  return static_cast<int>(Hardware().devices.size());
}

int ControlPanelRuns() {
  std::lock_guard<std::mutex> hold(InputLock());
  return Hardware().controlPanelRuns;
}

}  // namespace platform::dinput
