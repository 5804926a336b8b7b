// The simulated keyboard, mouse and joysticks, and the control-interface
// calls that change them: each change updates the hardware state and is
// delivered to the live device objects that watch that hardware.
#include "dinput/input_hardware.h"

#include <mmsystem.h>

#include <algorithm>

#include "control/reset.h"
#include "dinput/input_device.h"

namespace platform::dinput {

std::mutex &InputLock() {
  static std::mutex lock;
  return lock;
}

InputHardware &Hardware() {
  static InputHardware hardware;
  return hardware;
}

Joystick *FindJoystick(int id) {
  for (Joystick &joystick : Hardware().joysticks) {
    if (joystick.id == id) return &joystick;
  }
  return nullptr;
}

HRESULT RunControlPanelChecked(DWORD flags) {
  if (flags != 0) return DIERR_INVALIDPARAM;
  std::lock_guard<std::mutex> hold(InputLock());
  ++Hardware().controlPanelRuns;
  return DI_OK;
}

DWORD NextSequence() { return ++Hardware().sequence; }

// Time stamps are milliseconds on the machine clock, as timeGetTime gives.
DWORD EventTime() { return timeGetTime(); }

namespace {
// Instance GUIDs of joysticks: this base with the joystick id added to Data1.
const GUID kJoystickInstanceBase = {0x4B56A100, 0x7E2D, 0x11D3, {0x9A, 0x41, 0x00, 0x10, 0x4B, 0x56, 0x4A, 0x53}};
}  // namespace

GUID JoystickInstanceGuid(int id) {
  GUID guid = kJoystickInstanceBase;
  guid.Data1 += static_cast<DWORD>(id);
  return guid;
}

int JoystickFromGuid(REFGUID guid) {
  auto &joysticks = Hardware().joysticks;
  if (IsEqualGUID(guid, GUID_Joystick)) return joysticks.empty() ? 0 : joysticks.front().id;
  for (const Joystick &joystick : joysticks) {
    if (IsEqualGUID(guid, JoystickInstanceGuid(joystick.id))) return joystick.id;
  }
  return 0;
}

}  // namespace platform::dinput

namespace {

using platform::dinput::Hardware;
using platform::dinput::InputDevice;
using platform::dinput::InputLock;
using platform::dinput::Joystick;

template <typename Action>
void ForEachDevice(Action action) {
  for (InputDevice *device : Hardware().devices) action(*device);
}

BYTE Pressed(bool down) { return down ? 0x80 : 0x00; }

// Runs `change` on joystick `id` and tells its devices which object moved.
template <typename Change>
void ChangeJoystick(int id, Change change) {
  std::lock_guard<std::mutex> hold(InputLock());
  Joystick *joystick = platform::dinput::FindJoystick(id);
  if (joystick == nullptr) return;
  DWORD offset;
  if (!change(*joystick, &offset)) return;
  ForEachDevice([&](InputDevice &device) {
    if (device.WatchesJoystick(id)) device.OnJoystickObject(*joystick, offset);
  });
}

}  // namespace

namespace machine {

static void SetKey(int scanCode, bool down) {
  if (scanCode < 0 || scanCode > 255) return;
  std::lock_guard<std::mutex> hold(InputLock());
  Hardware().keys[scanCode] = Pressed(down);
  ForEachDevice([&](InputDevice &device) { device.OnKey(scanCode, down); });
}

void key_down(int scanCode) { SetKey(scanCode, true); }
void key_up(int scanCode) { SetKey(scanCode, false); }

void mouse_move(int dx, int dy) {
  std::lock_guard<std::mutex> hold(InputLock());
  ForEachDevice([&](InputDevice &device) {
    if (dx != 0) device.OnMouseAxis(DIMOFS_X, dx);
    if (dy != 0) device.OnMouseAxis(DIMOFS_Y, dy);
  });
}

void mouse_wheel(int dz) {
  if (dz == 0) return;
  std::lock_guard<std::mutex> hold(InputLock());
  ForEachDevice([&](InputDevice &device) { device.OnMouseAxis(DIMOFS_Z, dz); });
}

void mouse_button(int button, bool down) {
  if (button < 0 || button >= kMouseButtons) return;
  std::lock_guard<std::mutex> hold(InputLock());
  Hardware().mouseButtons[button] = Pressed(down);
  ForEachDevice([&](InputDevice &device) { device.OnMouseButton(button, down); });
}

int attach_joystick(const JoystickModel &model) {
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

void detach_joystick(int id) {
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

void joystick_axis(int id, JoystickAxis axis, LONG raw) {
  ChangeJoystick(id, [&](Joystick &joystick, DWORD *offset) {
    if (axis < 0 || axis >= kJoystickAxes || !(joystick.model.axes & (1u << axis))) return false;
    joystick.axes[axis] = raw;
    *offset = DIJOFS_X + 4 * axis;
    return true;
  });
}

void joystick_slider(int id, int slider, LONG raw) {
  ChangeJoystick(id, [&](Joystick &joystick, DWORD *offset) {
    if (slider < 0 || slider >= joystick.model.sliders) return false;
    joystick.sliders[slider] = raw;
    *offset = DIJOFS_SLIDER(slider);
    return true;
  });
}

void joystick_pov(int id, int pov, DWORD direction) {
  ChangeJoystick(id, [&](Joystick &joystick, DWORD *offset) {
    if (pov < 0 || pov >= joystick.model.povs) return false;
    joystick.povs[pov] = direction == kPovCentred ? kPovCentred : direction % 36000;
    *offset = DIJOFS_POV(pov);
    return true;
  });
}

void joystick_button(int id, int button, bool down) {
  ChangeJoystick(id, [&](Joystick &joystick, DWORD *offset) {
    if (button < 0 || button >= joystick.model.buttons) return false;
    joystick.buttons[button] = Pressed(down);
    *offset = DIJOFS_BUTTON(button);
    return true;
  });
}

bool joystick_autocenter(int id) {
  std::lock_guard<std::mutex> hold(InputLock());
  Joystick *joystick = platform::dinput::FindJoystick(id);
  return joystick != nullptr && joystick->autocenter;
}

void take_focus() {
  std::lock_guard<std::mutex> hold(InputLock());
  Hardware().focus = false;
  ForEachDevice([](InputDevice &device) { device.OnFocusLost(); });
}

void give_focus() {
  std::lock_guard<std::mutex> hold(InputLock());
  Hardware().focus = true;
}

int live_directinput_devices() {
  std::lock_guard<std::mutex> hold(InputLock());
  return static_cast<int>(Hardware().devices.size());
}

int control_panel_runs() {
  std::lock_guard<std::mutex> hold(InputLock());
  return Hardware().controlPanelRuns;
}

}  // namespace machine

namespace {

// The power-on machine: keys and buttons up, no joystick (the devices of the
// old ones are unplugged), the focus on the host window.
void ResetInputHardware() {
  std::lock_guard<std::mutex> hold(InputLock());
  auto &hardware = Hardware();
  for (const Joystick &joystick : hardware.joysticks) {
    ForEachDevice([&](InputDevice &device) {
      if (device.WatchesJoystick(joystick.id)) device.Unplug();
    });
  }
  hardware.joysticks.clear();
  hardware.nextJoystickId = 1;
  std::fill(std::begin(hardware.keys), std::end(hardware.keys), 0);
  std::fill(std::begin(hardware.mouseButtons), std::end(hardware.mouseButtons), 0);
  hardware.focus = true;
  hardware.controlPanelRuns = 0;
}

platform::ResetHook gResetInput(ResetInputHardware);

}  // namespace
