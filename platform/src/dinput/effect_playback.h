// How strongly a playing effect drives the two rumble motors at a moment:
// its start delay, duration and repetitions, its envelope, its gain, and
// the motor each of its axes drives (X the low-frequency motor, Y the
// high-frequency one; an effect on both axes drives both).
#pragma once

#include "dinput/dinput7.h"

#include <cstdint>

#include "dinput/effect_kinds.h"
#include "dinput/effect_parameters.h"

namespace platform::dinput {

// Motor levels from 0 to DI_FFNOMINALMAX.
struct MotorLevels {
  LONG low = 0;
  LONG high = 0;
};

// One Start of an effect: when (machine nanoseconds) and how many times.
struct EffectRun {
  uint64_t startNs = 0;
  DWORD iterations = 1;  // or INFINITE
};

// Whether the run has played to its end by `now`.
bool RunOver(const EffectParameters &params, const EffectRun &run, uint64_t now);

// The levels the run drives at `now`; `*nextPhase` is lowered to the next
// instant its phase changes (delay over, an iteration, attack or fade
// boundary, or the end), when that comes later than `now`.
MotorLevels RunLevels(const EffectParameters &params, const EffectKind &kind, const EffectRun &run, uint64_t now,
                      uint64_t *nextPhase);

}  // namespace platform::dinput
