// What the rumble motors of a joystick do now: the effects playing on the
// device that holds it exclusively, summed per motor and scaled by the
// device's gain, as levels from 0 to 0xFFFF. A desktop driver that drives
// real motors listens for changes.
#pragma once

#include <cstdint>

namespace platform::dinput {

struct MotorLevels;

struct RumbleLevels {
  uint16_t low = 0;   // the low-frequency (large) motor
  uint16_t high = 0;  // the high-frequency (small) motor
  // When the motors will fall still on their own if nothing else changes
  // (the last effect ends), in machine nanoseconds; UINT64_MAX when not.
  uint64_t stopsAtNs = UINT64_MAX;
};

// The motor levels of joystick `id` at machine time `now`. Takes the input
// lock.
RumbleLevels JoystickRumbleAt(int id, uint64_t now);

// The device objects sit above the rumble output: their module gives it, at
// load time, the call that sums what the devices of joystick `id` drive the
// motors with at `now` (input lock held), lowering `*nextPhase` as
// RunLevels does.
class RumbleSource {
 public:
  explicit RumbleSource(MotorLevels (*levels)(int id, uint64_t now, uint64_t *nextPhase));
};

// The listener is told whenever effects start, stop or change. It may be
// called with the input lock held, from any thread: it must only post a
// note to its own thread, never block or take the input lock.
void SetRumbleListener(void (*listener)());
void RumbleChanged();

}  // namespace platform::dinput
