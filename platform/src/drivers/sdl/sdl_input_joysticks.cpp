// SDL's joysticks and game controllers as DirectInput joysticks: attached
// and detached as they come and go, their axes (the first six as X, Y, Z,
// RX, RY, RZ, the next two as sliders), hats as points of view and their
// buttons. SDL's joystick interface reads game controllers too, in the
// device's own layout, as DirectInput does. A device that can rumble is a
// force-feedback joystick (sdl_input_rumble.cpp drives its motors).
#include "dinput/dinput7.h"

#include <algorithm>
#include <map>

#include "drivers/sdl/sdl_input.h"
#include "dinput/input_events.h"
#include "drivers/sdl/sdl_subsystems.h"

namespace platform::dinput {

namespace {

constexpr int kAxesAsSliders = 2;

struct Attached {
  SDL_Joystick *joystick;
  int machineId;
  SentRumble rumble;
};

// SDL instance ids to what is open; used on the window driver's thread only.
std::map<SDL_JoystickID, Attached> &Open() {
  static std::map<SDL_JoystickID, Attached> open;
  return open;
}

bool gJoysticksStarted = false;

JoystickModel ModelOf(SDL_Joystick *joystick) {
  JoystickModel model;
  const char *name = SDL_JoystickName(joystick);
  model.name = name != nullptr ? name : "Joystick";
  const int axes = std::max(SDL_JoystickNumAxes(joystick), 0);
  model.axes = 0;
  for (int axis = 0; axis < std::min(axes, static_cast<int>(kJoystickAxes)); ++axis) {
    model.axes |= 1u << axis;
  }
  model.sliders = std::clamp(axes - static_cast<int>(kJoystickAxes), 0, kAxesAsSliders);
  model.povs = std::clamp(SDL_JoystickNumHats(joystick), 0, 4);
  model.buttons = std::clamp(SDL_JoystickNumButtons(joystick), 0, 128);
  model.force_feedback = SDL_JoystickHasRumble(joystick) == SDL_TRUE;
  model.raw_min = -32768;
  model.raw_max = 32767;
  return model;
}

void Attach(int deviceIndex) {
  SDL_Joystick *joystick = SDL_JoystickOpen(deviceIndex);
  if (joystick == nullptr) return;
  const SDL_JoystickID instance = SDL_JoystickInstanceID(joystick);
  if (Open().count(instance) != 0) {
    SDL_JoystickClose(joystick);  // already attached (SDL reopens by reference)
    return;
  }
  Open()[instance] = Attached{joystick, AttachJoystick(ModelOf(joystick)), SentRumble{}};
}

void Detach(SDL_JoystickID instance) {
  auto found = Open().find(instance);
  if (found == Open().end()) return;
  DetachJoystick(found->second.machineId);
  SDL_JoystickClose(found->second.joystick);
  Open().erase(found);
}

int MachineId(SDL_JoystickID instance) {
  auto found = Open().find(instance);
  return found == Open().end() ? 0 : found->second.machineId;
}

// A hat's position as hundredths of a degree clockwise from north.
DWORD PovFromHat(Uint8 hat) {
  switch (hat) {
    case SDL_HAT_UP: return 0;
    case SDL_HAT_RIGHTUP: return 4500;
    case SDL_HAT_RIGHT: return 9000;
    case SDL_HAT_RIGHTDOWN: return 13500;
    case SDL_HAT_DOWN: return 18000;
    case SDL_HAT_LEFTDOWN: return 22500;
    case SDL_HAT_LEFT: return 27000;
    case SDL_HAT_LEFTUP: return 31500;
    default: return kPovCentred;
  }
}

void MoveAxis(int id, int axis, Sint16 value) {
  if (axis < kJoystickAxes) {
    SetJoystickAxis(id, axis, value);
  } else if (axis < kJoystickAxes + kAxesAsSliders) {
    SetJoystickSlider(id, axis - kJoystickAxes, value);
  }
}

}  // namespace

void ForEachOpenJoystick(const std::function<void(SDL_Joystick *, int, SentRumble &)> &visit) {
  for (auto &[instance, attached] : Open()) visit(attached.joystick, attached.machineId, attached.rumble);
}

void StartSdlInput() {
  gJoysticksStarted = sdl::Start(SDL_INIT_JOYSTICK);
  if (!gJoysticksStarted) return;
  // Devices present at start arrive as SDL_JOYDEVICEADDED events as well.
  StartSdlRumble();
}

void StopSdlInput() {
  if (!gJoysticksStarted) return;
  StopSdlRumble();
  while (!Open().empty()) Detach(Open().begin()->first);
  sdl::Stop(SDL_INIT_JOYSTICK);
  gJoysticksStarted = false;
}

void HandleSdlJoystickEvent(const SDL_Event &event) {
  if (!gJoysticksStarted) return;
  switch (event.type) {
    case SDL_JOYDEVICEADDED:
      Attach(event.jdevice.which);
      return;
    case SDL_JOYDEVICEREMOVED:
      Detach(event.jdevice.which);
      return;
    case SDL_JOYAXISMOTION:
      if (const int id = MachineId(event.jaxis.which)) MoveAxis(id, event.jaxis.axis, event.jaxis.value);
      return;
    case SDL_JOYHATMOTION:
      if (const int id = MachineId(event.jhat.which)) SetJoystickPov(id, event.jhat.hat, PovFromHat(event.jhat.value));
      return;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
      if (const int id = MachineId(event.jbutton.which)) {
        SetJoystickButton(id, event.jbutton.button, event.type == SDL_JOYBUTTONDOWN);
      }
      return;
    default:
      HandleSdlRumbleEvent(event);
      return;
  }
}

}  // namespace platform::dinput
