// The rumble motors of SDL's joysticks, driven from the force-feedback
// effects playing on their DirectInput devices. Each command runs the
// motors for a while and is renewed while the effects go on, so motors
// never keep running after the driver stops asking; an effect that ends
// on its own is given its exact remaining time.
#include "dinput/dinput7.h"

#include <algorithm>
#include <atomic>

#include "base/machine_time.h"
#include "dinput/rumble_output.h"
#include "drivers/sdl/sdl_input.h"

namespace platform::dinput {

namespace {

// How long one command runs the motors, and when a running one is renewed.
constexpr uint32_t kHoldMs = 1000;
constexpr uint64_t kRenewNs = 500 * kNanosecondsPerMillisecond;

// The note posted to the window driver's loop when effects change; one
// waiting note is enough.
std::atomic<Uint32> gRumbleEvent{0};
std::atomic<bool> gNotePosted{false};

void PostRumbleNote() {
  const Uint32 type = gRumbleEvent.load();
  if (type == 0 || gNotePosted.exchange(true)) return;
  SDL_Event event{};
  event.type = type;
  if (SDL_PushEvent(&event) != 1) gNotePosted = false;
}

// Milliseconds from `now` until `when`, at least 1 and at most the hold.
uint32_t MillisecondsUntil(uint64_t now, uint64_t when) {
  if (when <= now) return 1;
  const uint64_t ms = (when - now + kNanosecondsPerMillisecond - 1) / kNanosecondsPerMillisecond;
  return static_cast<uint32_t>(std::clamp<uint64_t>(ms, 1, kHoldMs));
}

void DriveMotors(SDL_Joystick *joystick, int machineId, SentRumble &sent, uint64_t now) {
  const RumbleLevels wanted = JoystickRumbleAt(machineId, now);
  if (wanted.low == 0 && wanted.high == 0) {
    if (sent.low != 0 || sent.high != 0) SDL_JoystickRumble(joystick, 0, 0, 0);
    sent = SentRumble{};
    return;
  }
  const bool same = wanted.low == sent.low && wanted.high == sent.high && wanted.stopsAtNs == sent.stopsAtNs;
  if (same && now < sent.renewAtNs) return;
  const uint32_t ms = wanted.stopsAtNs == kNever ? kHoldMs : MillisecondsUntil(now, wanted.stopsAtNs);
  SDL_JoystickRumble(joystick, wanted.low, wanted.high, ms);
  sent.low = wanted.low;
  sent.high = wanted.high;
  sent.stopsAtNs = wanted.stopsAtNs;
  // A command that runs to the effects' end needs no renewal.
  sent.renewAtNs = ms < kHoldMs ? kNever : now + kRenewNs;
}

}  // namespace

void StartSdlRumble() {
  const Uint32 type = SDL_RegisterEvents(1);
  gNotePosted = false;
  gRumbleEvent = type == static_cast<Uint32>(-1) ? 0 : type;
  SetRumbleListener(PostRumbleNote);
}

// The motors fall still when the driver stops.
void StopSdlRumble() {
  SetRumbleListener(nullptr);
  gRumbleEvent = 0;
  ForEachOpenJoystick([](SDL_Joystick *joystick, int, SentRumble &sent) {
    if (sent.low != 0 || sent.high != 0) SDL_JoystickRumble(joystick, 0, 0, 0);
    sent = SentRumble{};
  });
}

void UpdateSdlRumble() {
  const uint64_t now = MachineClock::Get().Now();
  ForEachOpenJoystick(
      [now](SDL_Joystick *joystick, int machineId, SentRumble &sent) { DriveMotors(joystick, machineId, sent, now); });
}

bool HandleSdlRumbleEvent(const SDL_Event &event) {
  const Uint32 type = gRumbleEvent.load();
  if (type == 0 || event.type != type) return false;
  gNotePosted = false;
  UpdateSdlRumble();
  return true;
}

}  // namespace platform::dinput
