// The motor levels of a joystick, gathered from its devices, and the note
// to the desktop driver that they changed.
#include "dinput/rumble_output.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "dinput/input_device.h"
#include "dinput/input_hardware.h"

namespace platform::dinput {

namespace {

std::atomic<void (*)()> gListener{nullptr};

uint16_t MotorWord(LONG level) {
  const LONG kept = std::clamp<LONG>(level, 0, DI_FFNOMINALMAX);
  return static_cast<uint16_t>(static_cast<long long>(kept) * 0xFFFF / DI_FFNOMINALMAX);
}

// The summed levels of the devices of joystick `id`; input lock held.
MotorLevels LevelsOf(int id, uint64_t now, uint64_t *nextPhase) {
  MotorLevels total;
  ForEachDevice([&](InputDevice &device) {
    if (!device.WatchesJoystick(id)) return;
    const MotorLevels levels = device.RumbleLevels(now, nextPhase);
    total.low += levels.low;
    total.high += levels.high;
  });
  return total;
}

}  // namespace

RumbleLevels JoystickRumbleAt(int id, uint64_t now) {
  std::lock_guard<std::mutex> hold(InputLock());
  uint64_t nextPhase = UINT64_MAX;
  const MotorLevels levels = LevelsOf(id, now, &nextPhase);
  RumbleLevels rumble;
  rumble.low = MotorWord(levels.low);
  rumble.high = MotorWord(levels.high);
  if (nextPhase != UINT64_MAX) {
    uint64_t later = UINT64_MAX;
    const MotorLevels after = LevelsOf(id, nextPhase, &later);
    if (after.low <= 0 && after.high <= 0) rumble.stopsAtNs = nextPhase;
  }
  return rumble;
}

void SetRumbleListener(void (*listener)()) { gListener = listener; }

void RumbleChanged() {
  if (auto listener = gListener.load()) listener();
}

}  // namespace platform::dinput
