// The simulated keyboard, mouse and joysticks: the hardware state, the
// joysticks' identities, and the return to the power-on machine.
#include "dinput/input_hardware.h"

#include <mmsystem.h>

#include <algorithm>

#include "base/reset.h"

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

namespace {

// Given by the device module at load time; without it no device object
// exists to unplug.
void (*gUnplug)(int id) = nullptr;

}  // namespace

JoystickUnplugger::JoystickUnplugger(void (*unplug)(int id)) { gUnplug = unplug; }

namespace {

// The power-on machine: keys and buttons up, no joystick (the devices of the
// old ones are unplugged), the focus on the host window.
void ResetInputHardware() {
  std::lock_guard<std::mutex> hold(InputLock());
  auto &hardware = Hardware();
  for (const Joystick &joystick : hardware.joysticks) {
    if (gUnplug != nullptr) gUnplug(joystick.id);
  }
  hardware.joysticks.clear();
  hardware.nextJoystickId = 1;
  std::fill(std::begin(hardware.keys), std::end(hardware.keys), 0);
  std::fill(std::begin(hardware.mouseButtons), std::end(hardware.mouseButtons), 0);
  hardware.focus = true;
  hardware.controlPanelRuns = 0;
}

ResetHook gResetInput(ResetInputHardware);

}  // namespace

}  // namespace platform::dinput
