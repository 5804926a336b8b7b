// The motor levels of a joystick, gathered from its devices, and the note
// to the desktop driver that they changed.
#include "dinput/rumble_output.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "dinput/effect_playback.h"
#include "dinput/input_hardware.h"

namespace platform::dinput {

namespace {

std::atomic<void (*)()> gListener{nullptr};
// Given by the device module at load time; without it no device object
// exists to drive the motors.
MotorLevels (*gSource)(int id, uint64_t now, uint64_t *nextPhase) = nullptr;

uint16_t MotorWord(LONG level) {
  const LONG kept = std::clamp<LONG>(level, 0, DI_FFNOMINALMAX);
  return static_cast<uint16_t>(static_cast<long long>(kept) * 0xFFFF / DI_FFNOMINALMAX);
}

// The summed levels of the devices of joystick `id`; input lock held.
MotorLevels LevelsOf(int id, uint64_t now, uint64_t *nextPhase) {
  return gSource != nullptr ? gSource(id, now, nextPhase) : MotorLevels{};
}

}  // namespace

RumbleSource::RumbleSource(MotorLevels (*levels)(int id, uint64_t now, uint64_t *nextPhase)) { gSource = levels; }

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
