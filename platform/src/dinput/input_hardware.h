// The simulated input hardware behind DirectInput: key and button states,
// attached joysticks, the focus, and the registry of live device objects
// that input events are delivered to. Everything here is guarded by
// InputLock().
#pragma once

#include "dinput/dinput7.h"

#include <mutex>
#include <string>
#include <vector>

namespace platform::dinput {

class InputDevice;

// What a joystick offers: its axes by bit (X, Y, Z, RX, RY, RZ), sliders,
// point-of-view hats and buttons, whether it has force feedback, and the
// range of its raw positions.
enum JoystickAxis { kAxisX, kAxisY, kAxisZ, kAxisRx, kAxisRy, kAxisRz, kJoystickAxes };
constexpr unsigned kAllAxes = (1u << kJoystickAxes) - 1;
constexpr int kMouseButtons = 5;
constexpr DWORD kPovCentred = 0xFFFFFFFF;

struct JoystickModel {
  std::string name;
  unsigned axes = 0;
  int sliders = 0;
  int povs = 0;
  int buttons = 0;
  bool force_feedback = false;
  LONG raw_min = 0;
  LONG raw_max = 0;
};

struct Joystick {
  int id = 0;
  JoystickModel model;
  LONG axes[kJoystickAxes] = {};
  LONG sliders[2] = {};
  DWORD povs[4] = {};
  BYTE buttons[128] = {};
  bool autocenter = true;
};

struct InputHardware {
  BYTE keys[256] = {};
  BYTE mouseButtons[kMouseButtons] = {};
  bool focus = true;
  std::vector<Joystick> joysticks;
  int nextJoystickId = 1;
  int controlPanelRuns = 0;
  DWORD sequence = 0;
  // How many times a host has read a keyboard's or a mouse's input (state
  // or buffer), so that a driver can tell whether a press has been seen.
  DWORD keyboardReads = 0;
  DWORD mouseReads = 0;
  std::vector<InputDevice *> devices;
};

std::mutex &InputLock();

// The hardware; callers hold InputLock().
InputHardware &Hardware();
Joystick *FindJoystick(int id);

// Runs `action` on every live device object; callers hold InputLock().
template <typename Action>
void ForEachDevice(Action action) {
  for (InputDevice *device : Hardware().devices) action(*device);
}

// The device objects sit above the hardware: their module gives it, at load
// time, the call that unplugs the devices reading joystick `id` (callers
// hold InputLock()), which a reset makes for each joystick it takes away.
class JoystickUnplugger {
 public:
  explicit JoystickUnplugger(void (*unplug)(int id));
};

// RunControlPanel of the DirectInput object and of its devices (after the
// fault check): the flags must be 0; the run is counted.
HRESULT RunControlPanelChecked(DWORD flags);

// The sequence number and time stamp (milliseconds) of a new input event.
DWORD NextSequence();
DWORD EventTime();

// The instance GUID of joystick `id`, and the joystick a GUID names (0 when
// none): its instance GUID, or GUID_Joystick for the first attached one.
GUID JoystickInstanceGuid(int id);
int JoystickFromGuid(REFGUID guid);

}  // namespace platform::dinput
